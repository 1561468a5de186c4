#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>

#include "PriceListFixture.h"
#include "common/LockHolder.h"
#include "core/CardProtocol.h"
#include "core/Locks.h"
#include "platform/data/Field.h"
#include "platform/db/DatabaseError.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/IdentifDetail.h"
#include "pricelist/SezIdentif.h"

namespace {

class SezIdentifTest : public PriceListTest {
protected:
    void SetUp() override {
        PriceListTest::SetUp();
        Exec("INSERT INTO SezIdentif (Zkratka, Popis, Nepouzivat) VALUES ('KABEL', 'Kabely', 0)");
        kabel_ = LastId();
        Exec("INSERT INTO Zasoby (Popis, Identif) VALUES ('Kabel', '_KABEL_')");
    }

    // Types into the card and presses OK.
    static std::function<void(QWidget*)> Type(const QString& code, const QString& name) {
        return [code, name](QWidget* w) {
            auto* card = static_cast<TfrmIdentifDetail*>(w);
            card->edtZkratka->setText(code);
            card->edtPopis->setText(name);
            TModalDriver::Click(w, "btnOK");
        };
    }

    int kabel_ = 0;
};

}  // namespace

TEST_F(SezIdentifTest, ANewCodeIsStoredTrimmedAndSeparatorsAndDuplicatesAreRefused) {
    dialogs_.Expect({TExpectedDialog::Information(QString::fromUtf8("Zkratka nesmí obsahovat znak \"_\".")),
                     TExpectedDialog::Information("Musíte zadat zkratku."),
                     TExpectedDialog::Information(
                         QString::fromUtf8("Zkratka \"KABEL\" již v seznamu existuje, zadejte jinou."))});
    TModalDriver driver;
    driver.Press("frmSezIdentif", "btnPridat")
        .On("frmIdentifDetail", Type("A_B", "x"))
        .On("frmIdentifDetail", Type("   ", "x"))
        .On("frmIdentifDetail", Type("KABEL", "x"))
        .On("frmIdentifDetail",
            [](QWidget* w) {
                // The card came back with what the user typed.
                EXPECT_EQ(static_cast<TfrmIdentifDetail*>(w)->edtZkratka->text(), "KABEL");
                Type("  DATA ", QString::fromUtf8("Datové rozvody"))(w);
            })
        .On("frmSezIdentif", [](QWidget* w) {
            EXPECT_EQ(frmMain->adqAgendaFree1.FieldByName("Zkratka")->AsString(), "DATA");
            TModalDriver::Click(w, "btnStorno");
        });
    EXPECT_EQ(ShowIdentifierCatalogue(TfrmSezIdentif::kModeManage, true), kResultCancel);
    EXPECT_EQ(Column("SELECT Zkratka FROM SezIdentif ORDER BY ID"), "KABEL|DATA");
    EXPECT_FALSE(frmMain->adqAgendaFree1.Active());
}

TEST_F(SezIdentifTest, AWriteTheDatabaseRefusesBringsTheCardBackAsTheUserLeftIt) {
    Exec(
        "CREATE TRIGGER Odmitnout BEFORE INSERT ON SezIdentif BEGIN SELECT RAISE(ABORT, 'zapis odmitnut'); "
        "END");
    dialogs_.ExpectError(
        QString::fromUtf8(kSaveNotDoneText).arg(DatabaseFailureText(EDatabaseError("zapis odmitnut"))));
    TModalDriver driver;
    driver.Press("frmSezIdentif", "btnPridat")
        .On("frmIdentifDetail", Type("DATA", QString::fromUtf8("Datové rozvody")))
        .On("frmIdentifDetail",
            [this](QWidget* w) {
                auto* card = static_cast<TfrmIdentifDetail*>(w);
                EXPECT_EQ(card->edtZkratka->text(), "DATA");
                EXPECT_EQ(card->edtPopis->text(), QString::fromUtf8("Datové rozvody"));
                EXPECT_EQ(Column("SELECT Zkratka FROM SezIdentif ORDER BY ID"), "KABEL");
                Exec("DROP TRIGGER Odmitnout");
                TModalDriver::Click(w, "btnOK");
            })
        .Press("frmSezIdentif", "btnStorno");
    ShowIdentifierCatalogue(TfrmSezIdentif::kModeManage, true);
    EXPECT_EQ(Column("SELECT Zkratka FROM SezIdentif ORDER BY ID"), "KABEL|DATA");
}

TEST_F(SezIdentifTest, RenamingOrDeletingACodeLeavesStoredListsAlone) {
    dialogs_.ExpectQuestion("Opravdu chcete smazat identifikátor KABEL2?", true);
    TModalDriver driver;
    driver.Press("frmSezIdentif", "btnOpravit")
        .On("frmIdentifDetail", Type("KABEL2", "Kabely"))
        .Press("frmSezIdentif", "btnVyjmout")
        .Press("frmSezIdentif", "btnStorno");
    ShowIdentifierCatalogue(TfrmSezIdentif::kModeManage, true);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM SezIdentif"), 0);
    EXPECT_EQ(Value("SELECT Identif FROM Zasoby").toString(), "_KABEL_");
}

TEST_F(SezIdentifTest, ACodeOpenAtAnotherStationIsShownReadOnlyAndNotDeleted) {
    LockHolder other(RecordLockPath("SezIdentif", kabel_), true);
    ASSERT_TRUE(other.Start());
    dialogs_.Expect({TExpectedDialog::Information(QString::fromUtf8(kRecordInUseText)),
                     TExpectedDialog::Warning(QString::fromUtf8(kCannotDeleteInUseText))});
    TModalDriver driver;
    driver.Press("frmSezIdentif", "btnOpravit")
        .On("frmIdentifDetail",
            [](QWidget* w) {
                auto* card = static_cast<TfrmIdentifDetail*>(w);
                EXPECT_FALSE(card->btnOK->isEnabled());
                EXPECT_EQ(card->edtZkratka->text(), "KABEL");
                TModalDriver::Click(w, "btnStorno");
            })
        .Press("frmSezIdentif", "btnVyjmout")
        .Press("frmSezIdentif", "btnStorno");
    ShowIdentifierCatalogue(TfrmSezIdentif::kModeManage, true);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM SezIdentif"), 1);
}

TEST_F(SezIdentifTest, EditingKeepsItsOwnCodeAndReleasesTheLock) {
    TModalDriver driver;
    driver.Press("frmSezIdentif", "btnOpravit")
        .On("frmIdentifDetail",
            [this](QWidget* w) {
                // The card holds the record while it is open.
                EXPECT_TRUE(QFile::exists(RecordLockPath("SezIdentif", kabel_)));
                auto* card = static_cast<TfrmIdentifDetail*>(w);
                card->chckNepouzivat->setChecked(true);
                Type("KABEL", "Kabely a vodiče")(w);
            })
        .Press("frmSezIdentif", "btnStorno");
    ShowIdentifierCatalogue(TfrmSezIdentif::kModeManage, true);
    EXPECT_EQ(Value("SELECT Popis FROM SezIdentif").toString(), QString::fromUtf8("Kabely a vodiče"));
    EXPECT_TRUE(Value("SELECT Nepouzivat FROM SezIdentif").toBool());
    EXPECT_FALSE(QFile::exists(RecordLockPath("SezIdentif", kabel_)));
}
