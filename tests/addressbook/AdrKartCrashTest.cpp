// An address card save killed halfway: whatever the moment, the firm stays stored whole as before
// or whole as after, with its contacts and its documents.

#include <gtest/gtest.h>

#include <QPushButton>

#include "addressbook/AddressBookFixture.h"
#include "addressbook/AdrKart.h"
#include "core/CrashFixture.h"
#include "core/Startup.h"
#include "core/Upgrade.h"

namespace {

constexpr int kContacts = 150;
constexpr int kDocuments = 100;
const char* const kEditedFirm = "ELMONT Ostrava a.s.";
const char* const kEditedName = "ELMONT po úpravě";
const char* const kNewName = "Nová firma před pádem";

// The card's work: a new name, every contact replaced by kContacts new ones and kDocuments links
// added; then OK.
void FillCard(TfrmAdrKart& card, const QString& name) {
    card.edtNazev->setText(name);
    TMemTable& contacts = card.mtTmpKontakty;
    while (!contacts.IsEmpty()) {
        contacts.First();
        contacts.Delete();
    }
    for (int i = 1; i <= kContacts; ++i) {
        contacts.Append();
        contacts.FieldByName("LockID")->SetAsInteger(-1);
        contacts.FieldByName("Prijmeni")->SetAsString(QString("Kontakt %1").arg(i));
        contacts.FieldByName("Zobrazit")->SetAsBoolean(i == 1);
        contacts.FieldByName("RepID")->SetAsString(NewGuidString());
        contacts.Post();
    }
    TMemTable& documents = card.mtTmpDokumenty;
    for (int i = 1; i <= kDocuments; ++i) {
        documents.Append();
        documents.FieldByName("ID")->SetAsInteger(-1);
        documents.FieldByName("Popis")->SetAsString(QString("Dokument %1").arg(i));
        documents.FieldByName("File")->SetAsString(QString("/srv/dokumenty/%1.pdf").arg(i));
        documents.FieldByName("CopyFile")->SetAsBoolean(false);
        documents.Post();
    }
    card.btnOK->click();
}

// The child: saves the edited firm, then a new firm with as many contacts and documents.
int SaveAddresses(const QStringList& arguments) {
    ProgramFolder = arguments.value(0);
    const int stopAt = arguments.value(1).toInt();
    TScriptedDialogs noMessageExpected;
    TfrmMain main;
    if (RunStartup()) return 4;
    main.adqAdresar.SetSQL("SELECT * FROM Adresar");
    main.adqAdresar.Open();
    if (!main.adqAdresar.Locate("Nazev", QString::fromUtf8(kEditedFirm))) return 5;
    int writes = 0;
    StopAtWrite(stopAt, writes);
    OnWindow<TfrmAdrKart>([](TfrmAdrKart& card) { FillCard(card, QString::fromUtf8(kEditedName)); });
    if (EditAddress(false, false, false, QString()) != 0) return 6;
    const int first = writes;
    OnWindow<TfrmAdrKart>([](TfrmAdrKart& card) { FillCard(card, QString::fromUtf8(kNewName)); });
    if (EditAddress(true, false, false, QString()) != 0) return 7;
    ReportWrites(first, writes);
    return 0;
}

const TTestChild kSaveAddresses("save-addresses", &SaveAddresses);

struct TStored {
    QString name;
    std::set<int> contacts;
    std::set<int> documents;
    int newFirms = 0;
    int newContacts = 0;
    int newDocuments = 0;
    int orphans = 0;  // contacts and documents of no stored firm
};

class AdrKartCrashTest : public CrashFixture {
protected:
    TStored Read() {
        TADOConnection firm;
        OpenFirm(firm);
        auto value = [&](const QString& sql) { return firm.OpenRowset(sql)->Value(0, 0); };
        auto ids = [&](const QString& sql) {
            std::set<int> out;
            const auto rows = firm.OpenRowset(sql);
            for (size_t r = 0; r < rows->RowCount(); ++r) out.insert(rows->Value(r, 0).toInt());
            return out;
        };
        TStored s;
        s.name = value(QString("SELECT Nazev FROM Adresar WHERE ID = %1").arg(editedId_)).toString();
        s.contacts = ids(QString("SELECT ID FROM Kontakty WHERE CisloAdr = %1").arg(editedId_));
        s.documents = ids(QString("SELECT ID FROM Dokumenty WHERE CisloAdr = %1").arg(editedId_));
        const QString newFirm = QString("(SELECT ID FROM Adresar WHERE Nazev = '%1')").arg(kNewName);
        s.newFirms = value(QString("SELECT COUNT(*) FROM Adresar WHERE Nazev = '%1'").arg(kNewName)).toInt();
        s.newContacts = value("SELECT COUNT(*) FROM Kontakty WHERE CisloAdr IN " + newFirm).toInt();
        s.newDocuments = value("SELECT COUNT(*) FROM Dokumenty WHERE CisloAdr IN " + newFirm).toInt();
        s.orphans =
            value("SELECT COUNT(*) FROM Kontakty WHERE CisloAdr NOT IN (SELECT ID FROM Adresar)").toInt() +
            value("SELECT COUNT(*) FROM Dokumenty WHERE CisloAdr NOT IN (SELECT ID FROM Adresar)").toInt();
        return s;
    }

    // 0 when the edited firm is stored as before, 1 as after, -1 for anything between.
    static int EditedState(const TStored& now, const TStored& before) {
        if (now.name == before.name && now.contacts == before.contacts && now.documents == before.documents)
            return 0;
        if (now.name == QString::fromUtf8(kEditedName) && now.contacts.size() == size_t(kContacts) &&
            now.documents.size() == before.documents.size() + kDocuments)
            return 1;
        return -1;
    }
    static int NewState(const TStored& now) {
        if (now.newFirms == 0) return 0;
        if (now.newFirms == 1 && now.newContacts == kContacts && now.newDocuments == kDocuments) return 1;
        return -1;
    }

    int editedId_ = 0;
};

TEST_F(AdrKartCrashTest, AnAddressSaveKilledAtAnyWriteLeavesTheFirmWholeAsBeforeOrAfter) {
    RestoreFirm();
    {
        TADOConnection firm;
        OpenFirm(firm);
        editedId_ = firm.OpenRowset(QString("SELECT ID FROM Adresar WHERE Nazev = '%1'").arg(kEditedFirm))
                        ->Value(0, 0)
                        .toInt();
    }
    ASSERT_GT(editedId_, 0);
    const TStored before = Read();
    ASSERT_FALSE(before.contacts.empty());
    ASSERT_EQ(before.orphans, 0);

    int first = 0, all = 0;
    RunToEnd("save-addresses", first, all);
    ASSERT_GT(first, kContacts + kDocuments);
    const TStored after = Read();
    EXPECT_EQ(EditedState(after, before), 1);
    EXPECT_EQ(NewState(after), 1);

    int editedAfter = 0;
    const std::set<int> points = KillPoints(first, all);
    for (int point : points) {
        SCOPED_TRACE(QString("killed after write %1 of %2").arg(point).arg(all).toStdString());
        KillAt("save-addresses", point);
        const TStored now = Read();
        const int edited = EditedState(now, before);
        EXPECT_NE(edited, -1) << "\"" << now.name.toStdString() << "\", " << now.contacts.size()
                              << " contacts, " << now.documents.size() << " documents";
        EXPECT_NE(NewState(now), -1) << now.newFirms << " new firms, " << now.newContacts << " contacts, "
                                     << now.newDocuments << " documents";
        EXPECT_EQ(now.orphans, 0);
        if (point <= first) {
            EXPECT_EQ(NewState(now), 0);
        }
        if (edited == 1) ++editedAfter;
    }
    EXPECT_GT(editedAfter, 0);
    EXPECT_LT(editedAfter, int(points.size()));
}

}  // namespace
