#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest/QTest>

#include "addressbook/Psc.h"
#include "addressbook/PscData.h"
#include "addressbook/PscDetail.h"
#include "common/ScriptedDialogs.h"
#include "core/CardProtocol.h"
#include "core/Locks.h"
#include "core/ProgramFixture.h"
#include "core/Startup.h"
#include "platform/data/Field.h"
#include "platform/db/Rowset.h"
#include "platform/ui/ModalHelper.h"
#include "widgets/VnDBGrids.h"

namespace {

class PscTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
    }
    TADOConnection& Global() { return main_->ADOConGlobal; }
    QString Column(const QString& sql) {
        const std::unique_ptr<TRowset> rows = Global().OpenRowset(sql);
        QStringList values;
        for (size_t i = 0; i < rows->RowCount(); ++i) values << rows->Value(i, 0).toString();
        return values.join('|');
    }
    int Count(const QString& where = "1=1") {
        return Column("SELECT COUNT(*) FROM Mista WHERE " + where).toInt();
    }
    int IdOf(const QString& code) {
        return Column("SELECT ID FROM Mista WHERE PSC = '" + code + "'").section('|', 0, 0).toInt();
    }
    // Opens the list the way the list window does, standing on the code.
    void OpenListOn(const QString& code) {
        TADOQuery& list = main_->adqGlobalFree1;
        list.Close();
        list.SetSQL("SELECT * FROM Mista");
        list.Open();
        ASSERT_TRUE(list.Locate("PSC", code));
    }
};

}  // namespace

TEST_F(PscTest, EveryInstallationStartsWithTheShippedCodesKeptWithoutBlanks) {
    EXPECT_EQ(Count(), ShippedPostalCodeCount());
    EXPECT_GT(Count(), 100);
    EXPECT_EQ(Count("PSC LIKE '% %' OR PSC = '' OR Misto = ''"), 0);
    // The list opens on the first row at start-up, so that row must be there.
    EXPECT_EQ(Count("ID = 1"), 1);
}

TEST_F(PscTest, TheDemonstrationFirmWritesItsPostalCodesAsTheTableKeepsThem) {
    // One form everywhere: a summary grouped by postal code, or a lookup, meets one spelling.
    const char* const kColumns[] = {
        "SELECT Psc FROM Adresar",
        "SELECT PSC FROM Kontakty",
        "SELECT AdrPsc FROM Nabidky",
        "SELECT Hodnota FROM Nastaveni WHERE IDHodnoty = 3",
    };
    const QRegularExpression kStored("^[0-9]{5}$");
    for (const char* sql : kColumns) {
        SCOPED_TRACE(sql);
        const std::unique_ptr<TRowset> rows = main_->ADOConAgenda.OpenRowset(sql);
        int filled = 0;
        for (size_t i = 0; i < rows->RowCount(); ++i) {
            const QString code = rows->Value(i, 0).toString();
            if (code.isEmpty()) continue;
            ++filled;
            EXPECT_TRUE(kStored.match(code).hasMatch()) << code.toStdString();
        }
        if (QString(sql).contains("Adresar")) {
            EXPECT_GT(filled, 0);
        }
    }
}

TEST_F(PscTest, TheTownIsLookedUpByTheCodeWithoutItsBlanks) {
    Global().Execute("INSERT INTO Mista (PSC, Misto) VALUES ('60200', 'Brno-střed')");
    // A row written with a blank by an older version is still found.
    Global().Execute("INSERT INTO Mista (PSC, Misto) VALUES ('789 01', 'Zábřeh')");
    const int before = Count();
    struct Case {
        const char* typed;
        const char* town;
    };
    const Case kCases[] = {
        {"602 00", "Brno"},  // two rows with the code: the first one the table gives
        {"  6 0 2 0 0 ", "Brno"},
        {"77900", "Olomouc"},
        {"78901", "Zábřeh"},
        {"789 01", "Zábřeh"},
        {"99999", ""},
        {"", ""},
        {"   ", ""},
        // A code is a value, never a part of the statement.
        {"\" OR \"\"=\"", ""},
        {"1'; DELETE FROM Mista; --", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(LookupTownByPostalCode(QString::fromUtf8(c.typed)), QString::fromUtf8(c.town));
    }
    EXPECT_EQ(Count(), before);
    EXPECT_FALSE(main_->adqGlobalFree1.Active());

    // Leaving a card's field looks the town up only while the town is empty.
    QLineEdit code, town;
    code.setText("779 00");
    FillTownFromPostalCode(&code, &town);
    EXPECT_EQ(town.text(), "Olomouc");
    code.setText("60200");
    FillTownFromPostalCode(&code, &town);
    EXPECT_EQ(town.text(), "Olomouc");
    QLineEdit unknown;
    code.setText("12345");
    FillTownFromPostalCode(&code, &unknown);
    EXPECT_EQ(unknown.text(), "");
}

TEST_F(PscTest, ThePickerOpensAtTheTypedCode) {
    Global().Execute("INSERT INTO Mista (PSC, Misto) VALUES ('789 01', 'Zábřeh')");
    struct TRestore {
        int id = LastPostalCodeID;
        QString sort = LastPostalCodeSort;
        ~TRestore() {
            LastPostalCodeID = id;
            LastPostalCodeSort = sort;
        }
    } restore;
    LastPostalCodeSort = "PSC";
    LastPostalCodeID = IdOf("77900");
    struct Case {
        const char* typed;
        const char* standsOn;  // the code of the row the list opens at
    };
    const Case kCases[] = {
        {"602 00", "60200"},
        {"61800", "61800"},
        // The start of a code is enough: the list opens at the first code that begins so.
        {"7 0", "70200"},
        {"78901", "789 01"},
        // No code, or one the list lacks: the row the list was left on last time.
        {"", "77900"},
        {"99999", "77900"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        QLineEdit code, town;
        code.setText(QString::fromUtf8(c.typed));
        QString standsOn;
        OnNextModal([&](QWidget* modal) {
            auto* list = qobject_cast<TfrmPsc*>(modal);
            ASSERT_NE(list, nullptr);
            standsOn = main_->adqGlobalFree1.FieldByName("PSC")->AsString();
            list->btnStorno->click();
        });
        PickPostalCode(&code, &town);
        EXPECT_EQ(standsOn, QString::fromUtf8(c.standsOn));
        // Storno leaves the fields, and the list opens where it was left next time.
        EXPECT_EQ(code.text(), QString::fromUtf8(c.typed));
        LastPostalCodeID = IdOf("77900");
        LastPostalCodeSort = "PSC";
    }
}

TEST_F(PscTest, ANewCodeIsStoredWithoutBlanksAndBothFieldsAreRequired) {
    OpenListOn("77900");
    OnNextModal([](QWidget* modal) {
        auto* card = qobject_cast<TfrmPscDetail*>(modal);
        ASSERT_NE(card, nullptr);
        EXPECT_EQ(card->windowTitle(), QString::fromUtf8("Detail PSČ"));
        EXPECT_TRUE(card->edtPsc->text().isEmpty());
        card->edtPsc->setText(" 789 6 1 ");
        card->btnOK->click();  // no town yet: told, the card stays
        EXPECT_TRUE(card->isVisible());
        EXPECT_EQ(card->edtPsc->text(), "78961");
        card->edtMisto->setText(QString::fromUtf8("Bludov"));
        card->btnOK->click();
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kPostalCodeMissing));
    EXPECT_EQ(EditPostalCode(true), 0);
    EXPECT_EQ(Column("SELECT Misto FROM Mista WHERE PSC = '78961'"), "Bludov");
    // The list stands on the new row.
    EXPECT_EQ(main_->adqGlobalFree1.FieldByName("PSC")->AsString(), "78961");
}

TEST_F(PscTest, EditingACodeUnderItsLock) {
    OpenListOn("77900");
    const int id = IdOf("77900");
    const QString lockPath = GlobalRecordLockPath("Mista", id);
    OnNextModal([&](QWidget* modal) {
        auto* card = qobject_cast<TfrmPscDetail*>(modal);
        ASSERT_NE(card, nullptr);
        EXPECT_TRUE(TestRecordLock(lockPath)) << "held while the card is open";
        EXPECT_EQ(card->edtMisto->text(), "Olomouc");
        card->edtPsc->setText("779 00 ");
        card->edtMisto->setText("Olomouc 1");
        card->btnOK->click();
    });
    {
        TScriptedDialogs dialogs;
        EXPECT_EQ(EditPostalCode(false), 0);
    }
    EXPECT_EQ(Column(QString("SELECT PSC || '/' || Misto FROM Mista WHERE ID = %1").arg(id)),
              "77900/Olomouc 1");
    EXPECT_FALSE(QFile::exists(lockPath));

    // Another station has it open: the card shows it, OK is disabled, and its lock stays.
    TRecordLock other;
    ASSERT_EQ(other.Take(lockPath), TRecordLock::Taken);
    OnNextModal([](QWidget* modal) {
        auto* card = qobject_cast<TfrmPscDetail*>(modal);
        ASSERT_NE(card, nullptr);
        EXPECT_FALSE(card->btnOK->isEnabled());
        card->btnStorno->click();
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kRecordInUseText));
    EXPECT_EQ(EditPostalCode(false), 0);
    EXPECT_TRUE(QFile::exists(lockPath));
}

TEST_F(PscTest, DeletingIsRefusedWhileAnotherStationHasTheCodeOpenAndOtherwiseAsksNothing) {
    TfrmPsc window;
    OpenListOn("77900");
    window.dsGlobalFree1.SetDataSet(&main_->adqGlobalFree1);
    window.UpdatePostalCodeButtons();
    const int id = IdOf("77900");
    {
        TRecordLock other;
        ASSERT_EQ(other.Take(GlobalRecordLockPath("Mista", id)), TRecordLock::Taken);
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(QString::fromUtf8(kCannotDeleteInUseText));
        window.btnVyjmout->click();
        EXPECT_EQ(Count(QString("ID = %1").arg(id)), 1);
    }
    const int before = Count();
    TScriptedDialogs dialogs;
    window.btnVyjmout->click();
    EXPECT_EQ(Count(), before - 1);
    EXPECT_EQ(Count(QString("ID = %1").arg(id)), 0);
    EXPECT_NE(main_->adqGlobalFree1.FieldByName("ID")->AsInteger(), id);
    window.dsGlobalFree1.SetDataSet(nullptr);
}

TEST_F(PscTest, ThePickerFillsBothFieldsOnOkAndNothingOnStorno) {
    QLineEdit code, town;
    code.setText("111");
    town.setText("x");
    OnNextModal([](QWidget* modal) { qobject_cast<TfrmPsc*>(modal)->btnStorno->click(); });
    {
        TScriptedDialogs dialogs;
        PickPostalCode(&code, &town);
    }
    EXPECT_EQ(code.text(), "111");
    EXPECT_EQ(town.text(), "x");
    EXPECT_FALSE(main_->adqGlobalFree1.Active());

    // It opens on the remembered row, sorted by the remembered column; typing searches by it.
    LastPostalCodeSort = "MISTO";
    LastPostalCodeID = IdOf("50002");
    int result = 0;
    OnNextModal([](QWidget* modal) {
        auto* window = qobject_cast<TfrmPsc*>(modal);
        ASSERT_NE(window, nullptr);
        TADOQuery& list = frmMain->adqGlobalFree1;
        EXPECT_EQ(window->Tag, TfrmPsc::kModePick);
        EXPECT_EQ(list.FieldByName("Misto")->AsString(), QString::fromUtf8("Hradec Králové"));
        EXPECT_EQ(window->grPsc->Columns().ColumnAt(1)->IndexStyle(), idxAscending);
        EXPECT_EQ(window->grPsc->Columns().ColumnAt(0)->IndexStyle(), idxNone);
        QTest::keyClick(window->grPsc, 'o');
        QTest::keyClicks(window->edtHledat, "lo");
        EXPECT_TRUE(window->panHledat->isVisible());
        EXPECT_EQ(window->edtHledat->text(), "olo");
        EXPECT_EQ(list.FieldByName("Misto")->AsString(), "Olomouc");
        QTest::keyClick(window->edtHledat, Qt::Key_Return);
        EXPECT_FALSE(window->panHledat->isVisible());
        window->btnOK->click();
    });
    {
        TScriptedDialogs dialogs;
        PickPostalCode(&code, &town);
    }
    EXPECT_EQ(code.text(), "77900");
    EXPECT_EQ(town.text(), "Olomouc");
    EXPECT_EQ(LastPostalCodeID, IdOf("77900"));
    EXPECT_EQ(LastPostalCodeSort, "MISTO");

    // A title click sorts by that column and keeps the row; a remembered sort no column shows is
    // dropped.
    LastPostalCodeSort = "NEZNAMY";
    OnNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<TfrmPsc*>(modal);
        TADOQuery& list = frmMain->adqGlobalFree1;
        EXPECT_EQ(list.FieldByName("PSC")->AsString(), "77900");
        window->SortByColumn(window->grPsc->Columns().ColumnAt(0));
        EXPECT_EQ(list.Sort(), "PSC");
        EXPECT_EQ(list.FieldByName("PSC")->AsString(), "77900");
        window->btnStorno->click();
    });
    TScriptedDialogs dialogs;
    result = ShowPostalCodeList(TfrmPsc::kModeBrowse, true);
    EXPECT_EQ(result, kResultCancel);
    EXPECT_EQ(LastPostalCodeSort, "PSC");
    EXPECT_FALSE(main_->adqGlobalFree1.Active());
}
