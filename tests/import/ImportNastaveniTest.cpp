#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include "common/ScriptedDialogs.h"
#include "core/ProgramFixture.h"
#include "import/ImportNastaveni.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/CurrencyEdit.h"

namespace {

class ImportNastaveniTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        editor_ = std::make_unique<TfrmImportNastaveni>();
    }
    void TearDown() override {
        editor_.reset();
        ProgramFixture::TearDown();
    }
    int Id(const QString& table, const QString& name) {
        TADOQuery q(&main_->ADOConAgenda);
        q.SetSQL("SELECT ID FROM " + table + " WHERE Nazev = '" + name + "'");
        q.Open();
        return q.IsEmpty() ? 0 : q.Fields()[0]->AsInteger();
    }
    std::unique_ptr<TfrmImportNastaveni> editor_;
};

}  // namespace

TEST_F(ImportNastaveniTest, ADefinitionShownAndReadBackIsTheSameText) {
    TImportDefinition d;
    d.Source = TImportSourceKind::Excel;
    d.FileName = "/data/cenik.xls";
    d.TableName = "Ceník$";
    d.Porovnavat = true;
    d.RefField = "ZKRATKA";
    d.RefDBField = "Zkr";
    d.IDListu = Id("Sklady", "Elektroinstalace");
    d.IDSkup = Id("Skupiny", QString::fromUtf8("Kabely a vodiče"));
    d.CheckHledatPouzeV = true;
    d.IDListuHledatV = d.IDListu;
    d.Items[ifZkratka] = {true, TFieldSource::Column, "Zkr", {}, 0};
    d.Items[ifNakCena] = {true, TFieldSource::Fixed, {}, {}, 12.5L};
    d.Items[ifObrazek] = {true, TFieldSource::Fixed, {}, "foto.jpg", 0};
    d.TypHodnota = 1;
    d.CheckIdentif = true;
    d.Identif = "_KABEL_";
    d.CheckZaokrouhleni = true;
    d.ValueZaokrouhleni = 2;
    const QString text = WriteImportDefinition(d, TImportType::Items);
    editor_->PrepareForType(0);
    editor_->memNastaveni->setPlainText(text);
    editor_->LoadImportDefinition(0, false);
    EXPECT_EQ(editor_->edtList->text(), "Elektroinstalace");
    EXPECT_EQ(editor_->edtHledatList->text(), "Elektroinstalace");
    EXPECT_EQ(editor_->cbxRefPolCenik->currentText(), "Zkratky");
    EXPECT_TRUE(editor_->chckHledatVListu->isVisibleTo(editor_.get()));
    EXPECT_EQ(editor_->ItemRows[ifNakCena].cur->Value(), 12.5L);
    editor_->SaveImportDefinition(0);
    EXPECT_EQ(editor_->memNastaveni->toPlainText().replace("\n", "\r\n"), text);
}

TEST_F(ImportNastaveniTest, AVanishedGroupLoadsEmptyWithNoId) {
    TImportDefinition d;
    d.IDListu = Id("Sklady", "Elektroinstalace");
    d.IDSkup = 999;
    editor_->memNastaveni->setPlainText(WriteImportDefinition(d, TImportType::Items));
    editor_->LoadImportDefinition(0, false);
    EXPECT_EQ(editor_->IDSkup, 0);
    EXPECT_TRUE(editor_->edtSkup->text().isEmpty());
    EXPECT_EQ(editor_->Definition().IDSkup, 0);
}

TEST_F(ImportNastaveniTest, ControlsFollowTheMatchingChoiceAndTheSourceKind) {
    editor_->PrepareForType(0);
    editor_->rbPorovnavat->setChecked(true);
    editor_->chckNovaPolozka->setChecked(false);
    editor_->chckFiltr->setChecked(true);
    EXPECT_FALSE(editor_->btnList->isEnabled());
    EXPECT_FALSE(editor_->lblFiltrVypnuty->isVisibleTo(editor_.get()));
    // Not matching: the reference choice is off, the filter cleared, new items need their place.
    editor_->rbNeporovnavat->setChecked(true);
    EXPECT_FALSE(editor_->cbxRefPolCenik->isEnabled());
    EXPECT_FALSE(editor_->chckFiltr->isChecked());
    EXPECT_TRUE(editor_->btnList->isEnabled());
    EXPECT_TRUE(editor_->lblFiltrVypnuty->isVisibleTo(editor_.get()));
    // "... v listu" stays checked whatever the user clicks.
    editor_->chckHledatVListu->click();
    EXPECT_TRUE(editor_->chckHledatVListu->isChecked());
    // A fixed value shows instead of the column choice.
    TMappingRow& row = editor_->ItemRows[ifPopis];
    row.chck->setChecked(true);
    row.cbxZdroj->setCurrentIndex(int(TFieldSource::Fixed));
    EXPECT_TRUE(row.edt->isVisibleTo(editor_.get()));
    EXPECT_FALSE(row.cbxColumn->isVisibleTo(editor_.get()));

    editor_->edtNazevSouboru->setText("/data/cenik.2024.csv");
    editor_->cbxTypSouboru->setCurrentIndex(int(TImportSourceKind::Text));
    EXPECT_EQ(editor_->edtNazevTabulky->text(), "cenik#2024#csv");
    EXPECT_FALSE(editor_->edtNazevTabulky->isVisibleTo(editor_.get()));
    editor_->cbxTypSouboru->setCurrentIndex(int(TImportSourceKind::DBase));
    EXPECT_EQ(editor_->edtNazevTabulky->text(), "cenik.2024");
    editor_->cbxTypSouboru->setCurrentIndex(int(TImportSourceKind::Excel));
    EXPECT_TRUE(editor_->edtNazevTabulky->isVisibleTo(editor_.get()));
    EXPECT_EQ(editor_->lblNazevTabulky->text(), QString::fromUtf8("Název zdrojového listu"));
    EXPECT_EQ(editor_->edtNazevTabulky->text(), "cenik.2024");
}

TEST_F(ImportNastaveniTest, OkChecksTheReferenceAndStoresAnEmptyPairWhenNotMatching) {
    struct Case {
        const char* name;
        bool matching;
        bool rowChecked;
        TFieldSource source;
        const char* warning;  // null: OK passes
        const char* refField;
    };
    const Case kCases[] = {
        {"matching, reference mapped", true, true, TFieldSource::Column, nullptr, "KATALOG"},
        {"matching, row unchecked", true, false, TFieldSource::Column, "referenční položka", ""},
        {"matching, fixed value", true, true, TFieldSource::Fixed, "referenční položka", ""},
        {"not matching, fixed value", false, true, TFieldSource::Fixed, nullptr, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        editor_->PrepareForType(0);
        editor_->IDListu = Id("Sklady", "Elektroinstalace");
        editor_->IDSkup = Id("Skupiny", QString::fromUtf8("Kabely a vodiče"));
        editor_->edtNazev->setText("Test");
        (c.matching ? editor_->rbPorovnavat : editor_->rbNeporovnavat)->setChecked(true);
        TMappingRow& row = editor_->ItemRows[ifKatalog];
        row.chck->setChecked(c.rowChecked);
        row.cbxZdroj->setCurrentIndex(int(c.source));
        row.cbxColumn->setEditText("Kat");
        TScriptedDialogs dialogs;
        if (c.warning) dialogs.ExpectWarning(QString::fromUtf8(c.warning));
        editor_->setResult(0);
        editor_->btnOkClick();
        dialogs.Verify();
        EXPECT_EQ(editor_->result(), c.warning ? 0 : int(QDialog::Accepted));
        if (!c.warning) {
            EXPECT_EQ(editor_->edtRefPolProgram->text(), c.refField);
        }
    }
    // A missing name is asked for first.
    editor_->edtNazev->clear();
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8("Zadejte prosím libovolný název definice."));
    editor_->btnOkClick();
}

TEST_F(ImportNastaveniTest, OtherKindsKeepTheRawTextAsTyped) {
    editor_->PrepareForType(10);
    EXPECT_EQ(editor_->lblTypOperace->text(), "#10");
    EXPECT_EQ(editor_->pgcMain->currentIndex(), TfrmImportNastaveni::pgRaw);
    const QString typed = "YearPath=C:\\Money\\2026\nNeznamy=1\nDruhDokl=n";
    editor_->memNastaveni->setPlainText(typed);
    editor_->LoadImportDefinition(10, false);
    editor_->SaveImportDefinition(10);
    EXPECT_EQ(editor_->memNastaveni->toPlainText(), typed);
}
