#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>

#include "addressbook/AddressBookFixture.h"
#include "addressbook/AdrKart.h"
#include "addressbook/Adresar.h"
#include "addressbook/Kontakt.h"
#include "common/LockHolder.h"
#include "core/CardProtocol.h"
#include "core/Login.h"
#include "platform/db/DatabaseError.h"
#include "pricelist/CenHlad.h"
#include "widgets/VnDBGrids.h"

namespace {

class AddressBookTest : public AddressBookFixture {
protected:
    static void OnCard(const std::function<void(TfrmAdrKart&)>& handle) { OnWindow<TfrmAdrKart>(handle); }
    static void OnContact(const std::function<void(TfrmKontakt&)>& handle) { OnWindow<TfrmKontakt>(handle); }
};

const char* const kElmont = "ELMONT Ostrava a.s.";

TEST_F(AddressBookTest, TheMainWindowOpensTheListOfDemoFirmsSortedByNameAndClosesItsQueryAfterwards) {
    QStringList names;
    bool browsing = false;
    TScriptedDialogs dialogs;
    WithList([&](TfrmAdresar& list) {
        EXPECT_EQ(list.windowTitle(), QString::fromUtf8(kAddressListCaption));
        browsing = list.btnAdrOk->isHidden() && list.btnAdrOpravit->isEnabled();
        EXPECT_EQ(list.grAdresar->Columns().ColumnAt(0)->FieldName(), "Nazev");
        EXPECT_EQ(list.grAdresar->Columns().ColumnAt(0)->IndexStyle(), idxAscending);
        for (List().First(); !List().Eof(); List().Next()) names << CurrentName();
        List().Locate("Nazev", QString::fromUtf8(kElmont));
    });
    EXPECT_TRUE(browsing);
    // Czech order, by name.
    const QStringList kSorted = {"Autoservis Dvořák",
                                 "Bytové družstvo Lipová",
                                 "ELMONT Ostrava a.s.",
                                 "Hotel Zlatá Hvězda s.r.o.",
                                 "Kavárna Arkáda s.r.o.",
                                 "Pekárna U Mlýna s.r.o.",
                                 "Penzion Pod Sněžkou",
                                 "Sportovní hala Kroměříž s.r.o.",
                                 "Stavby Novák s.r.o.",
                                 "Truhlářství Procházka",
                                 "Vinařství Pálava s.r.o.",
                                 "Zahradnictví Horák",
                                 "Základní škola Komenského Zlín"};
    EXPECT_EQ(names, kSorted);
    EXPECT_FALSE(List().Active());
    // The list opens on that firm next time.
    EXPECT_EQ(LastAddressID, IdOf(QString::fromUtf8(kElmont)));
    EXPECT_EQ(AddressListSort, "NAZEV");
}

TEST_F(AddressBookTest, AFirmAddedFromTheListIsStoredWithItsFirstContactAsPrimary) {
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kAddressNameMissing));
    QString standsOn;
    WithList([&](TfrmAdresar& list) {
        OnCard([&](TfrmAdrKart& card) {
            EXPECT_EQ(card.windowTitle(), QString::fromUtf8(kAddressCardCaption));
            EXPECT_FALSE(card.btnOpravitKont->isEnabled());
            // Without a name the card stays open.
            card.btnOK->click();
            EXPECT_TRUE(card.isVisible());
            card.edtNazev->setText(QString::fromUtf8("Elektro Šimek s.r.o."));
            card.edtMisto->setText(QString::fromUtf8("Třebíč"));
            card.memPoznamka->setPlainText(QString::fromUtf8("první řádek\ndruhý řádek"));
            OnContact([](TfrmKontakt& contact) {
                EXPECT_TRUE(contact.chckZobrazit->isChecked());
                contact.edtPrijmeni->setText(QString::fromUtf8("Šimek"));
                contact.cbxTitulPred->setEditText("Ing.");
                contact.btnOK->click();
            });
            card.btnPridatKont->click();
            OnContact([](TfrmKontakt& contact) {
                EXPECT_FALSE(contact.chckZobrazit->isChecked());
                contact.edtPrijmeni->setText(QString::fromUtf8("Malá"));
                contact.btnOK->click();
            });
            card.btnPridatKont->click();
            EXPECT_EQ(card.mtTmpKontakty.RecordCount(), 2);
            EXPECT_TRUE(card.btnOpravitKont->isEnabled());
            card.btnOK->click();
        });
        list.btnAdrPridat->click();
        standsOn = CurrentName();
    });
    EXPECT_EQ(standsOn, QString::fromUtf8("Elektro Šimek s.r.o."));
    const int id = IdOf(QString::fromUtf8("Elektro Šimek s.r.o."));
    ASSERT_GT(id, 0);
    EXPECT_EQ(Value(QString("SELECT Misto FROM Adresar WHERE ID = %1").arg(id)).toString(),
              QString::fromUtf8("Třebíč"));
    EXPECT_EQ(Value(QString("SELECT Poznamka FROM Adresar WHERE ID = %1").arg(id)).toString(),
              QString::fromUtf8("první řádek\r\ndruhý řádek"));
    EXPECT_EQ(Value(QString("SELECT RepID FROM Adresar WHERE ID = %1").arg(id)).toString().size(), 38);
    EXPECT_EQ(Count(QString("SELECT * FROM Kontakty WHERE CisloAdr = %1").arg(id)), 2u);
    EXPECT_EQ(Value(QString("SELECT Prijmeni FROM Kontakty WHERE CisloAdr = %1 AND Zobrazit = True").arg(id))
                  .toString(),
              QString::fromUtf8("Šimek"));
    EXPECT_EQ(Value(QString("SELECT TitulPred FROM Kontakty WHERE CisloAdr = %1 AND Zobrazit = True").arg(id))
                  .toString(),
              "Ing.");
}

TEST_F(AddressBookTest, ANewFirmWhoseKeyCannotBeReadBackIsReportedAndNothingIsFiledUnderNoFirm) {
    TADOConnection& con = main_->ADOConAgenda;
    // Right after the firm's row is written, the engine's last key becomes 0, as when the key
    // cannot be read back.
    sqlite3_exec(con.Handle(), "CREATE TEMP TABLE KeyZero (x INTEGER)", nullptr, nullptr, nullptr);
    struct TRestore {
        TADOConnection& con;
        std::function<void(const QString&, int)> hook = con.OnExecuteComplete;
        ~TRestore() { con.OnExecuteComplete = hook; }
    } restore{con};
    con.OnExecuteComplete = [&](const QString& sql, int rows) {
        if (restore.hook) restore.hook(sql, rows);
        if (sql.startsWith("INSERT INTO Adresar"))
            sqlite3_exec(con.Handle(), "INSERT INTO KeyZero (rowid, x) VALUES (0, 0)", nullptr, nullptr,
                         nullptr);
    };
    const size_t contactsWithoutFirm = Count("SELECT * FROM Kontakty WHERE CisloAdr = 0");
    TScriptedDialogs dialogs;
    dialogs.ExpectError(QString::fromUtf8(kNewRecordNotFoundText));
    WithList([&](TfrmAdresar& list) {
        OnCard([&](TfrmAdrKart& card) {
            card.edtNazev->setText(QString::fromUtf8("Klempířství Vávra"));
            OnContact([](TfrmKontakt& contact) {
                contact.edtPrijmeni->setText(QString::fromUtf8("Vávra"));
                contact.btnOK->click();
            });
            card.btnPridatKont->click();
            card.btnOK->click();
        });
        list.btnAdrPridat->click();
    });
    EXPECT_EQ(Count("SELECT * FROM Kontakty WHERE CisloAdr = 0"), contactsWithoutFirm);
    EXPECT_EQ(Count(QString::fromUtf8("SELECT * FROM Kontakty WHERE Prijmeni = 'Vávra'")), 0u);
}

TEST_F(AddressBookTest, EditingHoldsTheFirmsLockAndWritesItsContactsByDifference) {
    const int id = IdOf(QString::fromUtf8(kElmont));
    const QString lock = AddressLockPath(id);
    const QString contacts = QString("SELECT * FROM Kontakty WHERE CisloAdr = %1").arg(id);
    ASSERT_EQ(Count(contacts), 3u);
    const QVariant repId = Value(QString("SELECT RepID FROM Adresar WHERE ID = %1").arg(id));

    // Cancelled: a removed contact stays stored.
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kConfirmContactRemove), true);
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", id));
        OnCard([&](TfrmAdrKart& card) {
            EXPECT_TRUE(QFile::exists(lock));
            EXPECT_EQ(card.edtNazev->text(), QString::fromUtf8(kElmont));
            EXPECT_EQ(card.mtTmpKontakty.RecordCount(), 3);
            card.btnVyjmoutKont->click();
            EXPECT_EQ(card.mtTmpKontakty.RecordCount(), 2);
            card.btnStorno->click();
        });
        list.btnAdrOpravit->click();
    });
    dialogs.Verify();
    EXPECT_EQ(Count(contacts), 3u);
    EXPECT_FALSE(QFile::exists(lock));

    // Confirmed: the street changes, the removed contact goes, the others keep their rows.
    dialogs.ExpectQuestion(QString::fromUtf8(kConfirmContactRemove), true);
    QString removed;
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", id));
        OnCard([&](TfrmAdrKart& card) {
            card.edtUlice->setText(QString::fromUtf8("Nádražní 114"));
            card.mtTmpKontakty.First();
            removed = card.mtTmpKontakty.FieldByName("Prijmeni")->AsString();
            card.btnVyjmoutKont->click();
            card.btnOK->click();
        });
        list.btnAdrOpravit->click();
        EXPECT_EQ(List().FieldByName("Ulice")->AsString(), QString::fromUtf8("Nádražní 114"));
    });
    EXPECT_EQ(Count(contacts), 2u);
    EXPECT_EQ(Count(contacts + QString(" AND Prijmeni = '%1'").arg(removed)), 0u);
    EXPECT_EQ(Value(QString("SELECT RepID FROM Adresar WHERE ID = %1").arg(id)), repId);
    EXPECT_FALSE(QFile::exists(lock));
}

TEST_F(AddressBookTest, ACopiedFirmGetsNewContactsAndNewIdentities) {
    const int source = IdOf(QString::fromUtf8("Stavby Novák s.r.o."));
    TScriptedDialogs dialogs;
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", source));
        OnCard([&](TfrmAdrKart& card) {
            EXPECT_FALSE(QFile::exists(AddressLockPath(source)));
            EXPECT_EQ(card.mtTmpKontakty.RecordCount(), 2);
            card.edtNazev->setText(QString::fromUtf8("Stavby Novák Morava s.r.o."));
            card.btnOK->click();
        });
        list.btnAdrKopirovat->click();
    });
    const int copy = IdOf(QString::fromUtf8("Stavby Novák Morava s.r.o."));
    ASSERT_GT(copy, source);
    EXPECT_EQ(Value(QString("SELECT Ulice FROM Adresar WHERE ID = %1").arg(copy)).toString(),
              QString::fromUtf8("Vídeňská 89"));
    EXPECT_NE(Value(QString("SELECT RepID FROM Adresar WHERE ID = %1").arg(copy)),
              Value(QString("SELECT RepID FROM Adresar WHERE ID = %1").arg(source)));
    EXPECT_EQ(Count(QString("SELECT * FROM Kontakty WHERE CisloAdr = %1").arg(source)), 2u);
    EXPECT_EQ(Count(QString("SELECT * FROM Kontakty WHERE CisloAdr = %1").arg(copy)), 2u);
    // Every contact has an identity of its own.
    EXPECT_EQ(Count("SELECT DISTINCT RepID FROM Kontakty"), Count("SELECT * FROM Kontakty"));
}

TEST_F(AddressBookTest, DeletingOneFirmRemovesItsContactsAndDocumentsAndStandsOnTheNextFirm) {
    const int id = IdOf(QString::fromUtf8(kElmont));
    main_->ADOConAgenda.Execute(
        QString("INSERT INTO Dokumenty (Popis, Soubor, CisloAdr) VALUES ('Smlouva', '/tmp/smlouva.pdf', %1)")
            .arg(id));
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kConfirmAddressDelete), false);
    dialogs.ExpectQuestion(QString::fromUtf8(kConfirmAddressDelete), true);
    QString next;
    QString standsOn;
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", id));
        List().Next();
        next = CurrentName();
        List().Prior();
        list.btnAdrVyjmout->click();
        EXPECT_EQ(CurrentName(), QString::fromUtf8(kElmont));
        list.btnAdrVyjmout->click();
        standsOn = CurrentName();
    });
    EXPECT_EQ(standsOn, next);
    EXPECT_EQ(Count(QString("SELECT * FROM Adresar WHERE ID = %1").arg(id)), 0u);
    EXPECT_EQ(Count(QString("SELECT * FROM Kontakty WHERE CisloAdr = %1").arg(id)), 0u);
    EXPECT_EQ(Count(QString("SELECT * FROM Dokumenty WHERE CisloAdr = %1").arg(id)), 0u);
}

TEST_F(AddressBookTest, ADeleteRunOfMarkedFirmsStopsAtAFirmHeldByAnotherStation) {
    const QStringList firms = {QString::fromUtf8("Autoservis Dvořák"),
                               QString::fromUtf8("Bytové družstvo Lipová"),
                               QString::fromUtf8("Hotel Zlatá Hvězda s.r.o.")};
    // Marks are taken newest first: the hotel goes first, the cooperative is held, the garage stays.
    LockHolder station(AddressLockPath(IdOf(firms[1])), true);
    ASSERT_TRUE(station.Start());
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kConfirmAddressesDelete), true);
    dialogs.ExpectWarning(QString::fromUtf8(kCannotDeleteInUseText));
    int marksLeft = -1;
    WithList([&](TfrmAdresar& list) {
        for (const QString& firm : firms) {
            ASSERT_TRUE(List().Locate("Nazev", firm));
            list.grAdresar->MarkedRows().SetCurrentRowMarked(true);
        }
        list.btnAdrVyjmout->click();
        marksLeft = list.grAdresar->MarkedRows().MarkCount();
        EXPECT_FALSE(List().Locate("Nazev", firms[2]));
    });
    EXPECT_EQ(marksLeft, 2);
    EXPECT_GT(IdOf(firms[0]), 0);
    EXPECT_GT(IdOf(firms[1]), 0);
    EXPECT_EQ(IdOf(firms[2]), 0);
}

TEST_F(AddressBookTest, AFirmHeldByAnotherStationOpensWithoutOkAndKeepsTheOtherStationsLock) {
    const int id = IdOf(QString::fromUtf8(kElmont));
    LockHolder station(AddressLockPath(id), true);
    ASSERT_TRUE(station.Start());
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kRecordInUseText));
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", id));
        OnCard([](TfrmAdrKart& card) {
            EXPECT_EQ(card.edtNazev->text(), QString::fromUtf8(kElmont));
            EXPECT_FALSE(card.btnOK->isEnabled());
            QTest::keyClick(&card, Qt::Key_Escape);
        });
        list.btnAdrOpravit->click();
    });
    EXPECT_TRUE(QFile::exists(AddressLockPath(id)));
}

TEST_F(AddressBookTest, PickingLeavesTheQueryOnTheChosenFirmAndTheDetailShowsItReadOnly) {
    const int id = IdOf(QString::fromUtf8("Vinařství Pálava s.r.o."));
    TScriptedDialogs dialogs;
    OnWindow<TfrmAdresar>([&](TfrmAdresar& list) {
        EXPECT_FALSE(list.btnAdrOk->isHidden());
        ASSERT_TRUE(List().Locate("ID", id));
        // Enter in the grid chooses in the picker.
        QTest::keyClick(list.grAdresar, Qt::Key_Return);
    });
    EXPECT_EQ(ShowAddressList(TAddressListMode::Pick, false, 0), kResultOk);
    ASSERT_TRUE(List().Active());
    EXPECT_EQ(List().FieldByName("ID")->AsInteger(), id);
    List().Close();

    bool lockedWhileShown = false;
    OnCard([&](TfrmAdrKart& card) {
        EXPECT_TRUE(card.windowTitle().endsWith(QString::fromUtf8(kViewingSuffix)));
        EXPECT_TRUE(card.btnOK->isHidden());
        EXPECT_EQ(card.edtNazev->text(), QString::fromUtf8("Vinařství Pálava s.r.o."));
        lockedWhileShown = QFile::exists(AddressLockPath(id));
        card.btnStorno->click();
    });
    EXPECT_EQ(ShowAddressList(TAddressListMode::Pick, true, id), 0);
    EXPECT_TRUE(lockedWhileShown);
    EXPECT_FALSE(QFile::exists(AddressLockPath(id)));
    EXPECT_FALSE(List().Active());

    dialogs.ExpectWarning(QString::fromUtf8(kAddressGone));
    EXPECT_EQ(ShowAddressList(TAddressListMode::Pick, true, 999999), kAddressListRefused);
}

TEST_F(AddressBookTest, RightsDecideWhatTheListAndTheCardAllow) {
    TScriptedDialogs dialogs;
    CurrentUser.Adresar_AR = TAccessLevel::NoAccess;
    dialogs.ExpectInformation(QString::fromUtf8(kNoRightsText));
    main_->btnAdresar->click();
    dialogs.Verify();

    // Read only: no new firm, no delete, and an edited firm opens for viewing.
    CurrentUser.Adresar_AR = TAccessLevel::ReadOnly;
    dialogs.ExpectInformation(QString::fromUtf8(kNoRightsText));
    dialogs.ExpectInformation(QString::fromUtf8(kNoRightsText));
    dialogs.ExpectInformation(QString::fromUtf8(kReadOnlyText));
    WithList([&](TfrmAdresar& list) {
        list.btnAdrPridat->click();
        list.btnAdrVyjmout->click();
        OnCard([](TfrmAdrKart& card) {
            EXPECT_TRUE(card.btnOK->isHidden());
            card.btnStorno->click();
        });
        list.btnAdrOpravit->click();
    });
    dialogs.Verify();
    EXPECT_EQ(Count("SELECT * FROM Adresar"), 13u);
}

TEST_F(AddressBookTest, TheCardWritesItsDocumentLinksByDifferenceAndKeepsAnEmptyIdentityEmpty) {
    const int id = IdOf(QString::fromUtf8("Truhlářství Procházka"));
    main_->ADOConAgenda.Execute(QString("UPDATE Adresar SET RepID = '' WHERE ID = %1").arg(id));
    for (const char* popis : {"Nabídka 2024", "Výkres dílny"})
        main_->ADOConAgenda.Execute(
            QString("INSERT INTO Dokumenty (Popis, Soubor, CisloAdr) VALUES ('%1', '/data/%1.pdf', %2)")
                .arg(QString::fromUtf8(popis))
                .arg(id));
    const QString documents =
        QString("SELECT Popis FROM Dokumenty WHERE CisloAdr = %1 ORDER BY Popis").arg(id);
    TScriptedDialogs dialogs;
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", id));
        OnCard([](TfrmAdrKart& card) {
            TMemTable& t = card.mtTmpDokumenty;
            ASSERT_EQ(t.RecordCount(), 2);
            // The first link goes, the second is renamed, a third is new.
            t.First();
            t.Delete();
            t.Edit();
            t.FieldByName("Popis")->SetAsString(QString::fromUtf8("Výkres dílny 2"));
            t.Post();
            t.Append();
            t.FieldByName("ID")->SetAsInteger(-1);
            t.FieldByName("Popis")->SetAsString(QString::fromUtf8("Smlouva"));
            t.FieldByName("File")->SetAsString("/data/smlouva.pdf");
            t.Post();
            card.btnOK->click();
        });
        list.btnAdrOpravit->click();
    });
    const auto rows = main_->ADOConAgenda.OpenRowset(documents);
    ASSERT_EQ(rows->RowCount(), 2u);
    EXPECT_EQ(rows->Value(0, 0).toString(), "Smlouva");
    EXPECT_EQ(rows->Value(1, 0).toString(), QString::fromUtf8("Výkres dílny 2"));
    EXPECT_EQ(Value(QString("SELECT RepID FROM Adresar WHERE ID = %1").arg(id)).toString(), "");

    // A copy links the same documents to the new firm; the source keeps its own.
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", id));
        OnCard([](TfrmAdrKart& card) {
            card.edtNazev->setText(QString::fromUtf8("Truhlářství Procházka a syn"));
            card.btnOK->click();
        });
        list.btnAdrKopirovat->click();
    });
    const int copy = IdOf(QString::fromUtf8("Truhlářství Procházka a syn"));
    EXPECT_EQ(Count(QString("SELECT * FROM Dokumenty WHERE CisloAdr = %1").arg(copy)), 2u);
    EXPECT_EQ(Count(QString("SELECT * FROM Dokumenty WHERE CisloAdr = %1").arg(id)), 2u);
    EXPECT_EQ(Value(QString("SELECT RepID FROM Adresar WHERE ID = %1").arg(copy)).toString().size(), 38);
}

TEST_F(AddressBookTest, ThePriceLevelOfAFirmIsPickedFromThePriceLevelListAndCanBeCleared) {
    const int id = IdOf(QString::fromUtf8("Pekárna U Mlýna s.r.o."));
    TScriptedDialogs dialogs;
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", id));
        OnCard([](TfrmAdrKart& card) {
            EXPECT_TRUE(card.edtCenHlad->isReadOnly());
            OnWindow<TPriceCodeList>([](TPriceCodeList& levels) {
                EXPECT_FALSE(levels.btnOK->isHidden());
                ASSERT_TRUE(levels.List().Locate("Zkratka", "VO"));
                levels.btnOK->click();
            });
            card.btnVyberCenHlad->click();
            EXPECT_EQ(card.edtCenHlad->text(), "VO");
            EXPECT_FALSE(frmMain->adqCenHlad.Active());
            card.btnOK->click();
        });
        list.btnAdrOpravit->click();
    });
    EXPECT_EQ(Value(QString("SELECT CenHladina FROM Adresar WHERE ID = %1").arg(id)).toString(), "VO");

    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", id));
        OnCard([](TfrmAdrKart& card) {
            card.btnZrusitCenHlad->click();
            EXPECT_TRUE(card.edtCenHlad->text().isEmpty());
            card.btnOK->click();
        });
        list.btnAdrOpravit->click();
    });
    EXPECT_EQ(Value(QString("SELECT CenHladina FROM Adresar WHERE ID = %1").arg(id)).toString(), "");
}

TEST_F(AddressBookTest, EnterConfirmsTheCardsExceptInTheirNotesWhereItBreaksTheLine) {
    const int id = IdOf(QString::fromUtf8("Zahradnictví Horák"));
    TScriptedDialogs dialogs;
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", id));
        OnCard([](TfrmAdrKart& card) {
            card.memPoznamka->setPlainText("a");
            card.memPoznamka->moveCursor(QTextCursor::End);
            QTest::keyClick(card.memPoznamka, Qt::Key_Return);
            QTest::keyClicks(card.memPoznamka, "b");
            EXPECT_TRUE(card.isVisible());
            OnContact([](TfrmKontakt& contact) {
                QTest::keyClick(contact.memPoznamka, Qt::Key_Return);
                EXPECT_TRUE(contact.isVisible());
                contact.edtPrijmeni->setText(QString::fromUtf8("Horáková"));
                QTest::keyClick(contact.edtPrijmeni, Qt::Key_Return);
            });
            card.btnPridatKont->click();
            EXPECT_EQ(card.mtTmpKontakty.RecordCount(), 2);
            QTest::keyClick(card.edtUlice, Qt::Key_Return);
        });
        list.btnAdrOpravit->click();
    });
    EXPECT_EQ(Value(QString("SELECT Poznamka FROM Adresar WHERE ID = %1").arg(id)).toString(), "a\r\nb");
    EXPECT_EQ(Count(QString("SELECT * FROM Kontakty WHERE CisloAdr = %1").arg(id)), 2u);
}

}  // namespace

namespace {

// A save the database refuses keeps the card open with what the user typed and the firm as it was
// stored; once the database takes it again, OK saves what stands on the card.
TEST_F(AddressBookTest, AFailedSaveKeepsTheCardOpenWithWhatWasTyped) {
    const int id = IdOf(QString::fromUtf8(kElmont));
    const QString street = QString("SELECT Ulice FROM Adresar WHERE ID = %1").arg(id);
    const QVariant stored = Value(street);
    main_->ADOConAgenda.Execute(
        "CREATE TRIGGER Odmitnout BEFORE UPDATE ON Adresar BEGIN SELECT RAISE(ABORT, 'zapis odmitnut'); END");
    TScriptedDialogs dialogs;
    dialogs.ExpectError(
        QString::fromUtf8(kSaveNotDoneText).arg(DatabaseFailureText(EDatabaseError("zapis odmitnut"))));
    bool keptOpen = false;
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("ID", id));
        OnCard([&](TfrmAdrKart& card) {
            card.edtUlice->setText(QString::fromUtf8("Nádražní 114"));
            card.btnOK->click();
            keptOpen = card.isVisible() && card.edtUlice->text() == QString::fromUtf8("Nádražní 114");
            EXPECT_EQ(Value(street), stored);
            EXPECT_TRUE(QFile::exists(AddressLockPath(id))) << "the card still holds the firm";
            main_->ADOConAgenda.Execute("DROP TRIGGER Odmitnout");
            card.btnOK->click();
        });
        list.btnAdrOpravit->click();
    });
    dialogs.Verify();
    EXPECT_TRUE(keptOpen);
    EXPECT_EQ(Value(street).toString(), QString::fromUtf8("Nádražní 114"));
    EXPECT_FALSE(QFile::exists(AddressLockPath(id)));
}

}  // namespace
