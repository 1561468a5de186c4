#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "addressbook/AddressBookFixture.h"
#include "addressbook/AdrKart.h"
#include "addressbook/Adresar.h"
#include "addressbook/Ares.h"
#include "addressbook/AresOvereni.h"
#include "addressbook/DemoAddresses.h"
#include "common/Artifacts.h"
#include "common/LoopbackHttpServer.h"
#include "widgets/VnDBGrids.h"

namespace {

using AdresarTest = AddressBookFixture;

TEST_F(AdresarTest, TheExportTableTakesTheMarkedFirmsInListOrderOrEveryFirmWhenNoneIsMarked) {
    TScriptedDialogs dialogs;
    QStringList all;
    QStringList marked;
    QString standsOn;
    WithList([&](TfrmAdresar& list) {
        BuildAddressExportTable();
        TMemTable& table = list.mtSeznamAdres;
        for (table.First(); !table.Eof(); table.Next()) all << table.FieldByName("Nazev")->AsString();
        EXPECT_EQ(table.FieldByName("Nazev")->DisplayLabel(), QString::fromUtf8("Název firmy"));

        // Marked out of order; the table keeps the list's order, and the list its row.
        for (const char* name : {"Zahradnictví Horák", "Autoservis Dvořák", "Kavárna Arkáda s.r.o."}) {
            ASSERT_TRUE(List().Locate("Nazev", QString::fromUtf8(name)));
            list.grAdresar->MarkedRows().SetCurrentRowMarked(true);
        }
        List().Locate("Nazev", QString::fromUtf8("Pekárna U Mlýna s.r.o."));
        BuildAddressExportTable();
        standsOn = CurrentName();
        for (table.First(); !table.Eof(); table.Next()) {
            marked << table.FieldByName("Nazev")->AsString();
            EXPECT_EQ(table.FieldByName("ID")->AsInteger(), IdOf(table.FieldByName("Nazev")->AsString()));
        }
    });
    EXPECT_EQ(all.size(), 13);
    EXPECT_EQ(marked,
              (QStringList{QString::fromUtf8("Autoservis Dvořák"), QString::fromUtf8("Kavárna Arkáda s.r.o."),
                           QString::fromUtf8("Zahradnictví Horák")}));
    EXPECT_EQ(standsOn, QString::fromUtf8("Pekárna U Mlýna s.r.o."));
}

TEST_F(AdresarTest, TypingInTheGridSearchesTheSortFieldFromItsStartIgnoringCase) {
    TScriptedDialogs dialogs;
    WithList([&](TfrmAdresar& list) {
        struct Case {
            const char* typed;
            const char* standsOn;
        };
        const Case kCases[] = {
            {"h", "Hotel Zlatá Hvězda s.r.o."},
            {"ka", "Kavárna Arkáda s.r.o."},
            {"ELM", "ELMONT Ostrava a.s."},
            // Nothing begins with it: the row stays where the search left it.
            {"elx", "ELMONT Ostrava a.s."},
            // Inside a name is no match either.
            {"Arkáda", "ELMONT Ostrava a.s."},
        };
        list.grAdresar->setFocus();
        QTest::keyClick(list.grAdresar, 'h');
        ASSERT_TRUE(list.panHledat->isVisible());
        EXPECT_EQ(list.edtHledat->text(), "h");
        for (const Case& c : kCases) {
            SCOPED_TRACE(c.typed);
            list.edtHledat->setText(QString::fromUtf8(c.typed));
            EXPECT_EQ(CurrentName(), QString::fromUtf8(c.standsOn));
        }
        QTest::keyClick(list.edtHledat, Qt::Key_Return);
        EXPECT_FALSE(list.panHledat->isVisible());
        EXPECT_TRUE(list.edtHledat->text().isEmpty());
    });
}

TEST_F(AdresarTest, SortingByATitleMovesTheColumnToTheFrontAndKeepsTheRow) {
    TScriptedDialogs dialogs;
    WithList([&](TfrmAdresar& list) {
        TVnDBGrid* grid = list.grAdresar;
        ASSERT_TRUE(List().Locate("Nazev", QString::fromUtf8("Penzion Pod Sněžkou")));
        TColumn* town = nullptr;
        TColumn* country = nullptr;
        for (int i = 0; i < grid->Columns().Count(); ++i) {
            if (grid->Columns().ColumnAt(i)->FieldName() == "Misto") town = grid->Columns().ColumnAt(i);
            if (grid->Columns().ColumnAt(i)->FieldName() == "Stat") country = grid->Columns().ColumnAt(i);
        }
        ASSERT_TRUE(town && country);
        // "Stát" is no sort column: its title does nothing.
        list.SortByColumn(country);
        EXPECT_EQ(grid->Columns().ColumnAt(0)->FieldName(), "Nazev");

        list.SortByColumn(town);
        EXPECT_EQ(grid->Columns().ColumnAt(0), town);
        EXPECT_EQ(town->IndexStyle(), idxAscending);
        EXPECT_EQ(grid->Columns().ColumnAt(1)->IndexStyle(), idxNone);
        EXPECT_EQ(grid->CurrentDataColumn(), 1);
        EXPECT_EQ(CurrentName(), QString::fromUtf8("Penzion Pod Sněžkou"));
        List().First();
        EXPECT_EQ(List().FieldByName("Misto")->AsString(), "Brno");
    });
    // The next opening (and the next start) sorts by town.
    EXPECT_EQ(AddressListSort, "MISTO");
}

TEST_F(AdresarTest, AnEmptyAddressBookOffersOnlyAddingAndTheListOpensOnItsFirstFirmWhenTheLastIsGone) {
    TScriptedDialogs dialogs;
    LastAddressID = 987654;
    WithList([&](TfrmAdresar&) { EXPECT_EQ(CurrentName(), QString::fromUtf8("Autoservis Dvořák")); });

    main_->ADOConAgenda.Execute("DELETE FROM Adresar");
    WithList([&](TfrmAdresar& list) {
        for (QPushButton* b :
             {list.btnAdrOpravit, list.btnAdrVyjmout, list.btnAdrKopirovat, list.btnAdrTisk, list.btnOstatni})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        for (QPushButton* b : {list.btnAdrPridat, list.btnObnovit, list.btnAdrStorno})
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    });
}

TEST_F(AdresarTest, TheRegisterEntryAsksForAnIcAndOpensANewCardWithIt) {
    // A register that does not know the firm: the card opens with only the IČ, after the message.
    TLoopbackHttpServer server;
    server.SetReply(
        "HTTP/1.1 404 Not Found\r\nContent-Type: application/json\r\nContent-Length: 20\r\n\r\n"
        "{\"kod\":\"NENALEZENO\"}");
    const QString savedAddress = AresAddress;
    AresAddress = QString::fromLatin1("http://" + server.HostAndPort() + "/ekonomicke-subjekty/");
    TScriptedDialogs dialogs;
    dialogs.Expect(TExpectedDialog::InputCancelled(QString::fromUtf8(kRegisterPrompt)));
    dialogs.ExpectInput(QString::fromUtf8(kRegisterPrompt), "27184595");
    dialogs.ExpectInformation(
        QString::fromUtf8(kAresCannotLoad).arg(QString::fromUtf8(kAresNotFound).arg("27184595")));
    QString ico;
    WithList([&](TfrmAdresar& list) {
        list.miPridatAdresuARES->trigger();
        OnWindow<TfrmAdrKart>([&](TfrmAdrKart& card) {
            ico = card.edtICO->text();
            card.btnStorno->click();
        });
        list.miPridatAdresuARES->trigger();
    });
    AresAddress = savedAddress;
    EXPECT_EQ(ico, "27184595");
    EXPECT_EQ(server.Requests().size(), 1);
    ASSERT_FALSE(dialogs.Shown().empty());
    EXPECT_EQ(dialogs.Shown().front().caption, QString::fromUtf8(kRegisterCaption));
}

TEST_F(AdresarTest, MarkedFirmsAreDrawnWhiteOnGreyAndTheSelectedOneWhiteOnNavy) {
    TScriptedDialogs dialogs;
    WithList([&](TfrmAdresar& list) {
        TVnDBGrid* grid = list.grAdresar;
        List().First();
        List().MoveBy(2);
        grid->MarkedRows().SetCurrentRowMarked(true);
        List().First();
        grid->MarkedRows().SetCurrentRowMarked(true);
        QApplication::processEvents();
        const QImage image = grid->viewport()->grab().toImage();
        image.save(ArtifactPath("AddressListMarks.png"));
        const int column = grid->IndicatorOffset() + 1;
        // A spot of each row's background, below the text and clear of the lines.
        auto background = [&](int row) {
            const TRect r = grid->CellRect(column, row);
            return image.pixelColor(r.Right - 3, r.Bottom - 2);
        };
        EXPECT_EQ(background(1), QColor(0, 0, 128));
        EXPECT_NE(background(2), QColor(128, 128, 128));
        EXPECT_NE(background(2), QColor(0, 0, 128));
        EXPECT_EQ(background(3), QColor(128, 128, 128));
    });
}

TEST(DemoAddressesTest, IdentificationNumbersAreCheckedByTheirLastDigit) {
    struct Case {
        const char* ico;
        bool valid;
    };
    const Case kCases[] = {
        {"27184595", true},
        {"05362911", true},
        {"27184596", false},
        {"2718459", false},
        {"271845950", false},
        {"2718459x", false},
        {"", false},
        // A remainder of 1 gives the check digit 0; remainders of 0 and 10 give 1.
        {"00003000", true},
        {"00003001", false},
        {"25596641", true},
        {"25596640", false},
        {"00000051", true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.ico);
        EXPECT_EQ(ValidIco(c.ico), c.valid);
    }
}

TEST_F(AdresarTest, TheDemonstrationFirmsHaveValidNumbersAndAtMostOnePrimaryContact) {
    const auto firms = main_->ADOConAgenda.OpenRowset("SELECT ID, ICO, DIC, Psc FROM Adresar");
    ASSERT_GE(firms->RowCount(), 12u);
    for (size_t row = 0; row < firms->RowCount(); ++row) {
        const QString ico = firms->Value(row, 1).toString();
        SCOPED_TRACE(ico.toStdString());
        EXPECT_TRUE(ValidIco(ico.toLatin1().constData()));
        const QString dic = firms->Value(row, 2).toString();
        EXPECT_TRUE(dic.isEmpty() || dic == "CZ" + ico);
        // Postal codes are kept as the postal-code table keeps them: without blanks.
        EXPECT_TRUE(QRegularExpression("^\\d{5}$").match(firms->Value(row, 3).toString()).hasMatch());
        const int id = firms->Value(row, 0).toInt();
        EXPECT_LE(Count(QString("SELECT * FROM Kontakty WHERE CisloAdr = %1 AND Zobrazit = True").arg(id)),
                  1u);
    }
}

}  // namespace
