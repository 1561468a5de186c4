#include <gtest/gtest.h>

#include <QSet>

#include "offers/DemoOffers.h"
#include "offers/NabidkaSoucty.h"
#include "offers/OfferFixture.h"

class DemoOffersTest : public OfferFixture {};

TEST_F(DemoOffersTest, TheDemonstrationFirmHasNumberedOffersWhoseTotalsMatchTheirItems) {
    QSet<int> states;
    int offers = 0;
    for (List().First(); !List().Eof(); List().Next()) {
        ++offers;
        const int id = List().FieldByName("ID")->AsInteger();
        SCOPED_TRACE(id);
        states.insert(List().FieldByName("IDStav")->AsInteger());
        EXPECT_EQ(List().FieldByName("Doklad")->AsString(), FormatDocumentNumber("NB", offers, 5));
        EXPECT_FALSE(List().FieldByName("AdrNazev")->AsString().isEmpty());
        // A settled offer, and only a settled one, has its date of settlement.
        EXPECT_EQ(!List().FieldByName("DatVyrizeni")->IsNull(),
                  IsSettledOfferState(List().FieldByName("IDStav")->AsInteger()));

        TMemTable items;
        CreateOfferItemTable(items);
        TADOQuery& q = main_->adqAgendaFree2;
        q.SetSQL(QString("SELECT * FROM NabPolozky WHERE CisloNab = %1 ORDER BY Poradi").arg(id));
        q.Open();
        EXPECT_GE(q.RecordCount(), 3);
        items.LoadFromDataSet(&q, false);
        q.Close();
        const TOfferTotals t = ComputeOfferTotals(items, List().FieldByName("SazDPHZakl")->AsFloat(),
                                                  List().FieldByName("SazDPHSniz")->AsFloat(), 0,
                                                  List().FieldByName("NabZaok")->AsInteger(), true, nullptr);
        EXPECT_FALSE(t.UnknownVatRate);
        EXPECT_DOUBLE_EQ(List().FieldByName("Celkem")->AsFloat(), t.CelkemZaDokladSDPH);
        EXPECT_DOUBLE_EQ(List().FieldByName("CelkemBDPH")->AsFloat(), t.CelkemZaDokladBDPH);
        EXPECT_GT(t.CelkemZaDokladSDPH, t.CelkemZaDokladBDPH);
    }
    EXPECT_EQ(offers, 4);
    EXPECT_GE(states.size(), 3);
    EXPECT_EQ(Scalar("SELECT Cislo FROM CisRady WHERE ModulOzn = 'NB'").toInt(), 5);
}

TEST_F(DemoOffersTest, CustomersOfTheAddressBookAreLinked) {
    Firm().Execute("DELETE FROM NabPolozky");
    Firm().Execute("DELETE FROM Nabidky");
    Firm().Execute("UPDATE CisRady SET Cislo = 1");
    Firm().Execute("INSERT INTO Adresar (Nazev, Misto) VALUES ('Stavby Novák s.r.o.', 'Brno')");
    const int id = Scalar("SELECT MAX(ID) FROM Adresar").toInt();
    AddDemoOffers(Firm());
    EXPECT_EQ(Scalar("SELECT AdrCislo FROM Nabidky WHERE AdrNazev = 'Stavby Novák s.r.o.'").toInt(), id);
    EXPECT_EQ(Scalar("SELECT AdrCislo FROM Nabidky WHERE AdrNazev = 'Jan Dvořák'").toInt(), kTypedCustomer);
    EXPECT_EQ(Count("Nabidky"), 4);
}
