#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>

#include "common/ScriptedDialogs.h"
#include "core/ProgramFixture.h"
#include "import/ImportNastaveni.h"
#include "import/ImportSources.h"
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
        ImportConnection().Close();
        ProgramFixture::TearDown();
    }
    QString WriteFile(const QString& name, const QByteArray& bytes) {
        QFile f(PathOf(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return PathOf(name);
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

TEST_F(ImportNastaveniTest, ATypedSourcePathListsItsColumnsAndAMissingOneIsReported) {
    // A comma file: the lists hold its three columns, not one merged name.
    const QString csv = WriteFile("dodavatel.csv", "Kod,Nazev,Nakupni cena\nA1,Kabel,12.5\n");
    editor_->PrepareForType(0);
    editor_->cbxTypSouboru->setCurrentIndex(int(TImportSourceKind::Text));
    editor_->show();
    TScriptedDialogs dialogs;
    editor_->edtNazevSouboru->setText(csv);
    emit editor_->edtNazevSouboru->editingFinished();
    EXPECT_EQ(editor_->edtNazevTabulky->text(), "dodavatel#csv");
    QStringList listed;
    for (int i = 0; i < editor_->ItemRows[ifNakCena].cbxColumn->count(); ++i)
        listed << editor_->ItemRows[ifNakCena].cbxColumn->itemText(i);
    EXPECT_EQ(listed, QStringList({"Kod", "Nazev", "Nakupni cena"}));
    // Leaving the field again without a change reads nothing twice.
    emit editor_->edtNazevSouboru->editingFinished();
    EXPECT_EQ(editor_->ItemRows[ifNakCena].cbxColumn->count(), 3);

    const QString missing = PathOf("neni.csv");
    editor_->edtNazevSouboru->setText(missing);
    dialogs.ExpectWarning(QString::fromUtf8(kSourceFileMissing).arg(missing));
    emit editor_->edtNazevSouboru->editingFinished();
    dialogs.Verify();
    EXPECT_EQ(editor_->ItemRows[ifNakCena].cbxColumn->count(), 3);
    editor_->hide();
}

TEST_F(ImportNastaveniTest, LeavingAChangedDefinitionAsksFirst) {
    editor_->PrepareForType(0);
    editor_->edtNazev->setText("Dodavatel");
    TScriptedDialogs dialogs;
    // Unchanged since it was shown: Esc closes at once.
    editor_->show();
    QTest::keyClick(editor_.get(), Qt::Key_Escape);
    EXPECT_FALSE(editor_->isVisible());

    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case kCases[] = {
        {"name", [&] { editor_->edtNazev->setText("Dodavatel 2"); }},
        {"mapping", [&] { editor_->ItemRows[ifPopis].chck->setChecked(true); }},
        {"matching", [&] { editor_->rbPorovnavat->setChecked(true); }},
        {"file", [&] { editor_->edtNazevSouboru->setText("/data/jiny.csv"); }},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        editor_->PrepareForType(0);
        editor_->show();
        c.change();
        // Esc answered No keeps the window and what was changed; Storno answered Yes leaves it.
        dialogs.ExpectQuestion(QString::fromUtf8(kLeaveDefinitionQuestion), false);
        QTest::keyClick(editor_.get(), Qt::Key_Escape);
        EXPECT_TRUE(editor_->isVisible());
        dialogs.ExpectQuestion(QString::fromUtf8(kLeaveDefinitionQuestion), true);
        editor_->btnStorno->click();
        EXPECT_FALSE(editor_->isVisible());
        dialogs.Verify();
    }
    // A definition opened for viewing cannot be saved, so nothing is asked.
    editor_->PrepareForType(0);
    editor_->DefinitionReadOnly = true;
    editor_->show();
    editor_->edtNazev->setText("Jen prohlížím");
    QTest::keyClick(editor_.get(), Qt::Key_Escape);
    EXPECT_FALSE(editor_->isVisible());
    editor_->DefinitionReadOnly = false;
}

TEST_F(ImportNastaveniTest, ColumnNamesShowWholeAlsoInASmallWindow) {
    editor_->PrepareForType(0);
    editor_->resize(200, 150);
    editor_->show();
    const QString name = "Nakupni cena bez DPH";
    for (TMappingRow& row : editor_->ItemRows) {
        SCOPED_TRACE(row.chck->text().toStdString());
        row.cbxColumn->setEditText(name);
        QLineEdit* edit = row.cbxColumn->lineEdit();
        EXPECT_GE(edit->width(), edit->fontMetrics().horizontalAdvance(name));
        EXPECT_EQ(edit->cursorPosition(), 0);
        EXPECT_GE(row.chck->width(), row.chck->sizeHint().width());
    }
    editor_->hide();
}
