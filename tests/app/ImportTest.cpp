// The import wizard from the main window: a definition made in the editor and run on a text file,
// and the demonstration firm's address definition run on another file than the stored one.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>

#include "common/ScriptedDialogs.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "import/ImportMain.h"
#include "import/ImportNastaveni.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/CurrencyEdit.h"
#include "pricelist/PriceListFixture.h"

namespace {

class ImportTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        chooseFile_ = ChooseImportFile;
        chooseProtocol_ = ChooseProtocolFile;
        lastDefinition_ = LastImportDefinitionID;
        WorkingCancelled = false;
    }
    void TearDown() override {
        ChooseImportFile = chooseFile_;
        ChooseProtocolFile = chooseProtocol_;
        LastImportDefinitionID = lastDefinition_;
        WorkingCancelled = false;
        ProgramFixture::TearDown();
    }
    QString WriteCsv(const QString& name, const QString& text) {
        QFile f(PathOf(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text.toUtf8());
        return PathOf(name);
    }
    QVariant Value(const QString& sql) {
        TADOQuery q(&main_->ADOConAgenda);
        q.SetSQL(sql);
        q.Open();
        return q.IsEmpty() ? QVariant() : q.Fields()[0]->Value();
    }
    static TfrmImportMain* Wizard(QWidget* w) { return qobject_cast<TfrmImportMain*>(w); }

    std::function<QString(QWidget*, const QString&, const QString&)> chooseFile_;
    std::function<QString(QWidget*)> chooseProtocol_;
    int lastDefinition_ = 1;
};

}  // namespace

TEST_F(ImportTest, AnItemDefinitionMadeInTheEditorImportsATextFile) {
    const QString csv =
        WriteCsv("dodavatel.csv", QString::fromUtf8("Kód;Název;Cena\n"
                                                    "cyky315;Kabel CYKY-J 3x1,5 (100 m);23,50\n"
                                                    "CYKY410;Kabel CYKY-J 4x10;189,00\n"));
    ChooseImportFile = [&](QWidget*, const QString& title, const QString& filter) {
        EXPECT_EQ(title, QString::fromUtf8("Vyberte zdrojový soubor"));
        EXPECT_EQ(filter, SourceKindFilter(TImportSourceKind::Text));
        return csv;
    };
    const QString protocolFile = PathOf("protokol.txt");
    ChooseProtocolFile = [&](QWidget*) { return protocolFile; };
    const int before = Value("SELECT COUNT(*) FROM Zasoby").toInt();
    const int definitions = Value("SELECT COUNT(*) FROM Import").toInt();
    TScriptedDialogs dialogs;
    QStringList protocol;
    bool errorShown = true;
    bool barFull = false;
    TModalDriver driver;
    driver
        .On("frmImportMain",
            [&](QWidget* window) {
                TfrmImportMain* w = Wizard(window);
                ASSERT_NE(w, nullptr);
                EXPECT_TRUE(w->btnZpet->isHidden());
                w->btnDalsi->click();
                ASSERT_EQ(w->pgcMain->currentIndex(), TfrmImportMain::tsVyberDef);
                // Adding an item definition opens the editor.
                w->popPridat->findChild<QAction*>("miPridatCenik")->trigger();
                ASSERT_EQ(w->pgcMain->currentIndex(), TfrmImportMain::tsVyberDef);
                EXPECT_EQ(w->adqImportDef.RecordCount(), definitions + 1);
                EXPECT_EQ(w->adqImportDef.FieldByName("Nazev")->AsString(),
                          QString::fromUtf8("Ceník dodavatele"));
                w->btnDalsi->click();
                ASSERT_EQ(w->pgcMain->currentIndex(), TfrmImportMain::tsImportBeforeStart);
                EXPECT_EQ(w->edtNazevSouboru->text(), csv);
                w->btnDalsi->click();
                ASSERT_EQ(w->pgcMain->currentIndex(), TfrmImportMain::tsProtocol);
                protocol = w->reProtocol->toPlainText().split('\n');
                errorShown = w->lblImportError->isVisible();
                barFull = w->pbImport->value() == w->pbImport->maximum();
                EXPECT_TRUE(w->btnDalsi->isHidden());
                w->btnUlozitProtokol->click();
                w->btnZavrit->click();
            })
        .On("frmImportNastaveni",
            [&](QWidget* window) {
                auto* e = qobject_cast<TfrmImportNastaveni*>(window);
                ASSERT_NE(e, nullptr);
                EXPECT_EQ(e->lblTypOperace->text(), QString::fromUtf8("import ceníku"));
                e->edtNazev->setText(QString::fromUtf8("Ceník dodavatele"));
                e->cbxTypSouboru->setCurrentIndex(int(TImportSourceKind::Text));
                EXPECT_TRUE(e->edtNazevTabulky->isHidden());
                e->btnNazevSouboru->click();
                EXPECT_EQ(e->edtNazevTabulky->text(), "dodavatel#csv");
                ASSERT_EQ(e->ItemRows[ifKatalog].cbxColumn->count(), 3);
                e->ItemRows[ifKatalog].chck->setChecked(true);
                e->ItemRows[ifKatalog].cbxColumn->setCurrentText(QString::fromUtf8("Kód"));
                e->ItemRows[ifPopis].chck->setChecked(true);
                e->ItemRows[ifPopis].cbxColumn->setCurrentText(QString::fromUtf8("Název"));
                e->ItemRows[ifProdCena].chck->setChecked(true);
                e->ItemRows[ifProdCena].cbxColumn->setCurrentText("Cena");
                e->ItemRows[ifSazbaDPH].chck->setChecked(true);
                e->ItemRows[ifSazbaDPH].cbxZdroj->setCurrentIndex(int(TFieldSource::Fixed));
                e->ItemRows[ifSazbaDPH].cur->SetValue(21);
                e->rbPorovnavat->setChecked(true);
                EXPECT_TRUE(e->chckFiltr->isEnabled());
                // Without a target for new items OK is refused.
                e->btnOk->click();
                ASSERT_TRUE(e->isVisible());
                e->btnList->click();
            })
        .On("frmSklady",
            [&](QWidget* w) {
                ASSERT_TRUE(main_->adqSklady.Locate("Nazev", QString::fromUtf8("Elektroinstalace")));
                TModalDriver::Click(w, "btnOK");
                QTimer::singleShot(0, [] {
                    auto* e = qobject_cast<TfrmImportNastaveni*>(QApplication::activeModalWidget());
                    ASSERT_NE(e, nullptr);
                    EXPECT_EQ(e->edtList->text(), QString::fromUtf8("Elektroinstalace"));
                    e->btnSkup->click();
                });
            })
        .On("frmSklSkupiny", [&](QWidget* w) {
            ASSERT_TRUE(main_->adqAgendaFree1.Locate("Kod", "KAB"));
            TModalDriver::Click(w, "btnOK");
            QTimer::singleShot(0, [] {
                auto* e = qobject_cast<TfrmImportNastaveni*>(QApplication::activeModalWidget());
                ASSERT_NE(e, nullptr);
                e->btnOk->click();
            });
        });
    dialogs.ExpectWarning(QString::fromUtf8("Musíte určit, do kterého listu a do které skupiny"));
    main_->Importdat1->trigger();
    dialogs.Verify();

    EXPECT_FALSE(errorShown);
    EXPECT_TRUE(barFull);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Zasoby").toInt(), before + 1);
    EXPECT_EQ(Value("SELECT Popis FROM Zasoby WHERE Katalog = 'CYKY315'").toString(),
              QString::fromUtf8("Kabel CYKY-J 3x1,5 (100 m)"));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Zasoby WHERE Katalog = 'CYKY410' AND Chyba = 0").toInt(), 1);
    // The stored definition is the writer's text, and the wizard remembers it as the last chosen.
    const QString stored = Value("SELECT Nastaveni FROM Import ORDER BY ID DESC").toString();
    EXPECT_EQ(stored.split("\r\n").size(), 63);
    EXPECT_TRUE(stored.contains("\r\nValueSazbaDPH=21\r\n"));
    EXPECT_EQ(LastImportDefinitionID, Value("SELECT MAX(ID) FROM Import").toInt());
    ASSERT_GE(protocol.size(), 4);
    EXPECT_TRUE(protocol.front().startsWith(QString::fromUtf8("Import dat - Start ")));
    EXPECT_TRUE(protocol.contains(QString::fromUtf8("  + zaktualizováno záznamů: 1")));
    EXPECT_TRUE(protocol.last().startsWith(QString::fromUtf8("Import dat - Dokončeno ")));
    QFile saved(protocolFile);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()).split("\r\n", Qt::SkipEmptyParts).size(),
              static_cast<int>(protocol.size()) - 2);  // the two empty lines are no lines of text
    EXPECT_FALSE(ChangeStampsSuspended);
}

TEST_F(ImportTest, TheDemonstrationAddressDefinitionRunsOnTheFileGivenOnTheLastPage) {
    const QString csv =
        WriteCsv("adresy.csv", QString::fromUtf8("Firma;Ulice;PSČ;Obec;IČ;DIČ;Telefon;E-mail\n"
                                                 "Zahradnictví Pokorný;Lipová 12;602 00;Brno;"
                                                 "27118452;CZ27118452;+420 541 221 300;"
                                                 "info@pokorny-zahrady.cz\n"));
    const QString stored = Value("SELECT Nastaveni FROM Import WHERE TypOperace = 1").toString();
    const int before = Value("SELECT COUNT(*) FROM Adresar").toInt();
    TScriptedDialogs dialogs;
    TModalDriver driver;
    driver.On("frmImportMain", [&](QWidget* window) {
        TfrmImportMain* w = Wizard(window);
        w->btnDalsi->click();
        ASSERT_TRUE(w->adqImportDef.Locate("TypOperace", 1));
        w->btnDalsi->click();
        ASSERT_EQ(w->pgcMain->currentIndex(), TfrmImportMain::tsImportBeforeStart);
        EXPECT_TRUE(w->edtNazevSouboru->text().endsWith("adresar-ucetnictvi.csv"));
        // Back, and on to the same definition again: the page shows the stored file once more.
        w->edtNazevSouboru->clear();
        w->btnZpet->click();
        w->btnDalsi->click();
        EXPECT_TRUE(w->edtNazevSouboru->text().endsWith("adresar-ucetnictvi.csv"));
        w->edtNazevSouboru->clear();
        w->btnDalsi->click();  // refused: no file
        w->edtNazevSouboru->setText(csv);
        w->btnDalsi->click();
        EXPECT_FALSE(w->lblImportError->isVisible());
        EXPECT_TRUE(
            w->reProtocol->toPlainText().contains(QString::fromUtf8("  + přidáno nových záznamů: 1")));
        w->btnZavrit->click();
    });
    dialogs.ExpectWarning(QString::fromUtf8(kImportNoFile));
    main_->Importdat1->trigger();
    dialogs.Verify();
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Adresar").toInt(), before + 1);
    EXPECT_EQ(Value("SELECT Stat FROM Adresar WHERE ICO = '27118452'").toString(),
              QString::fromUtf8("Česká republika"));
    EXPECT_EQ(Value("SELECT Psc FROM Adresar WHERE ICO = '27118452'").toString(), "602 00");
    // The definition keeps its stored file.
    EXPECT_EQ(Value("SELECT Nastaveni FROM Import WHERE TypOperace = 1").toString(), stored);
}

TEST_F(ImportTest, RightsDecideWhoOpensTheWizardAndRunsADefinition) {
    const TUser saved = CurrentUser;
    struct TRestore {
        TUser user;
        ~TRestore() { CurrentUser = user; }
    } restore{saved};
    CurrentUser.Import_AR = TAccessLevel::NoAccess;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kNoRightsText));
        EXPECT_TRUE(ShowImportWizard());
    }
    CurrentUser.Import_AR = TAccessLevel::Full;
    CurrentUser.Cenik_AR = TAccessLevel::ReadOnly;
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kNoRightsText));
    TModalDriver driver;
    driver.On("frmImportMain", [&](QWidget* window) {
        TfrmImportMain* w = Wizard(window);
        w->btnDalsi->click();
        ASSERT_TRUE(w->adqImportDef.Locate("TypOperace", 0));
        w->btnDalsi->click();  // an item definition needs the price list
        EXPECT_EQ(w->pgcMain->currentIndex(), TfrmImportMain::tsVyberDef);
        ASSERT_TRUE(w->adqImportDef.Locate("TypOperace", 10));
        w->btnDalsi->click();
        EXPECT_EQ(w->pgcMain->currentIndex(), TfrmImportMain::tsMoneyBeforeStart);
        w->btnZpet->click();
        EXPECT_EQ(w->pgcMain->currentIndex(), TfrmImportMain::tsVyberDef);
        w->btnZavrit->click();
    });
    main_->Importdat1->trigger();
    dialogs.Verify();
}

TEST_F(ImportTest, AccountingDefinitionKeepsItsTypedTextAndACopyIsANewRow) {
    const QString before = Value("SELECT Nastaveni FROM Import WHERE TypOperace = 10").toString();
    const int count = Value("SELECT COUNT(*) FROM Import").toInt();
    TScriptedDialogs dialogs;
    TModalDriver driver;
    driver
        .On("frmImportMain",
            [&](QWidget* window) {
                TfrmImportMain* w = Wizard(window);
                w->btnDalsi->click();
                ASSERT_TRUE(w->adqImportDef.Locate("TypOperace", 10));
                w->btnKopirovat->click();
                w->btnZavrit->click();
            })
        .On("frmImportNastaveni", [&](QWidget* window) {
            auto* e = qobject_cast<TfrmImportNastaveni*>(window);
            EXPECT_EQ(e->lblTypOperace->text(), "#10");
            EXPECT_EQ(e->pgcMain->currentIndex(), TfrmImportNastaveni::pgRaw);
            e->memNastaveni->appendPlainText("NeznamyKlic=zustane");
            e->btnOk->click();
        });
    main_->Importdat1->trigger();
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Import").toInt(), count + 1);
    EXPECT_EQ(Value("SELECT Nastaveni FROM Import ORDER BY ID DESC").toString(),
              before + "\r\nNeznamyKlic=zustane");
    EXPECT_EQ(Value("SELECT Nastaveni FROM Import WHERE TypOperace = 10 ORDER BY ID").toString(), before);
}

TEST_F(ImportTest, InterruptingARunRestoresThePriceListAndClosesTheProtocol) {
    const QString csv = WriteCsv("c.csv", QString::fromUtf8("Kód;Název;MJ;Nákupní cena\n"
                                                            "CYKY315;Přepsaný kabel;m;15\nNOVA1;Nová;ks;1\n"
                                                            "NOVA2;Nová 2;ks;2\nNOVA3;Nová 3;ks;3\n"));
    // The demonstration definition matches by code and updates the existing cable.
    auto dump = [this] {
        TADOQuery q(&main_->ADOConAgenda);
        q.SetSQL("SELECT * FROM Zasoby ORDER BY ID");
        q.Open();
        QStringList rows;
        for (q.First(); !q.Eof(); q.Next()) {
            QStringList values;
            for (int i = 0; i < q.FieldCount(); ++i) values << q.Fields()[i]->AsString();
            rows << values.join('|');
        }
        return rows;
    };
    const QStringList before = dump();
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kItemRunConfirmStop), true);
    QStringList protocol;
    bool errorShown = true;
    QTimer presser;
    TModalDriver driver;
    driver.On("frmImportMain", [&](QWidget* window) {
        TfrmImportMain* w = Wizard(window);
        w->btnDalsi->click();
        ASSERT_TRUE(w->adqImportDef.Locate("TypOperace", 0));
        w->btnDalsi->click();
        w->edtNazevSouboru->setText(csv);
        // "Přerušit" pressed while the first phase runs.
        presser.setInterval(0);
        QObject::connect(&presser, &QTimer::timeout, [w, &presser] {
            if (!w->reProtocol->toPlainText().contains(QString::fromUtf8(kItemRunPhaseOne))) return;
            presser.stop();
            w->btnPrerusit->click();
        });
        presser.start();
        w->btnDalsi->click();
        protocol = w->reProtocol->toPlainText().split('\n');
        errorShown = w->lblImportError->isVisible();
        w->btnZavrit->click();
    });
    main_->Importdat1->trigger();
    dialogs.Verify();
    EXPECT_EQ(dump(), before);
    EXPECT_FALSE(errorShown);
    // The run's own cancel line, then the wizard's closing line: the run is over.
    ASSERT_GE(protocol.size(), 3);
    EXPECT_EQ(protocol[protocol.size() - 3], QString::fromUtf8(kRunCancelled));
    EXPECT_EQ(protocol[protocol.size() - 2], "");
    EXPECT_TRUE(protocol.last().startsWith(QString::fromUtf8(kImportRunDone)));
    EXPECT_FALSE(ChangeStampsSuspended);
}
