#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "common/Artifacts.h"
#include "common/ScriptedDialogs.h"
#include "core/Nastaveni.h"
#include "core/SettingsFixture.h"
#include "offers/Sablony.h"
#include "platform/db/DatabaseError.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/DirectoryEdit.h"
#include "platform/ui/ModalHelper.h"

namespace {

class NastaveniTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        CurrentUser = TUser();
        previousExec_ = ExecSettingsDialog;
    }
    void TearDown() override {
        ExecSettingsDialog = previousExec_;
        SettingsTest::TearDown();
    }

    // Opens the dialog as the menu does; `edit` plays the user and answers whether OK was pressed.
    void RunDialog(std::function<bool(TfrmNastaveni&)> edit) {
        ExecSettingsDialog = [edit](TfrmNastaveni& dialog) {
            if (!edit(dialog)) return static_cast<int>(QDialog::Rejected);
            dialog.btnOK->click();
            return dialog.result();
        };
        EXPECT_EQ(FirmSettings(true), 0);
    }

    QString Stored(int number) {
        const auto rows = main_->ADOConAgenda.OpenRowset(
            QString("SELECT Hodnota FROM Nastaveni WHERE IDHodnoty = %1").arg(number));
        return rows->RowCount() ? rows->Value(0, 0).toString() : QString("<none>");
    }

    void Store(int number, const QString& value) {
        main_->ADOConAgenda.Execute(
            QString("INSERT INTO Nastaveni (IDHodnoty, Popis, Hodnota) VALUES (%1, 'x', '%2')")
                .arg(number)
                .arg(value));
    }

    std::function<int(TfrmNastaveni&)> previousExec_;
};

TEST_F(NastaveniTest, NewFirmWithoutRowsLoadsTheDefaults) {
    VatBasicRate = 1;
    CurrencySymbol = "EUR";
    HistoryLevel = THistoryLevel::Off;
    StampOfferComments = false;
    FirmName = "Stará firma";
    HidePurchasePrices = true;
    EXPECT_EQ(FirmSettings(false), 0);

    EXPECT_EQ(FirmName, "");
    EXPECT_EQ(VatBasicRate, 21);
    EXPECT_EQ(VatReducedRate, 15);
    EXPECT_EQ(VatFurtherReducedRate, 0);
    EXPECT_EQ(CurrencySymbol, QString::fromUtf8("Kč"));
    EXPECT_EQ(HistoryLevel, THistoryLevel::Detailed);
    EXPECT_EQ(RoundOfferTotal, 1);
    EXPECT_EQ(DefaultVatRate, TDefaultVatRate::Basic);
    EXPECT_EQ(DefaultPriceType, TDefaultPriceType::WithoutVat);
    EXPECT_TRUE(StampOfferComments);
    EXPECT_TRUE(LoadPicturesForPrint);
    EXPECT_EQ(PictureFolder, Folder() + "DOKUMENTY/FIRMA/OBRAZKY/");
    EXPECT_TRUE(OfferPrintAfterNew);
    EXPECT_EQ(NewOfferTemplate, "");
    EXPECT_TRUE(AskOnLeavingOffer);
    EXPECT_FALSE(BulkAddMarkedItems);
    EXPECT_FALSE(HidePurchasePrices);
    EXPECT_TRUE(ShowPurchasePrices);
    EXPECT_TRUE(FirmLogoData.isEmpty());
    EXPECT_TRUE(main_->imgLogo.isNull());
    // Loading writes nothing.
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM Nastaveni"), 0);
}

TEST_F(NastaveniTest, StoredValuesConvertOrKeepTheirDefault) {
    struct Case {
        int number;
        const char* stored;
        std::function<bool()> check;
    };
    const Case kCases[] = {
        {13, "19,5", [] { return VatBasicRate == 19.5; }},
        {14, "10.5", [] { return VatReducedRate == 10.5; }},  // written by a station with "." decimals
        {20, "snad", [] { return VatFurtherReducedRate == 0; }},
        {15, "0", [] { return RoundOfferTotal == 0; }},
        {17, "0", [] { return LoadPicturesForPrint; }},  // always on, whatever is stored
        {18, "EUR", [] { return CurrencySymbol == "EUR"; }},
        {19, "1", [] { return HistoryLevel == THistoryLevel::Basic; }},
        {21, "0", [] { return !StampOfferComments; }},
        {22, "9", [] { return DefaultVatRate == TDefaultVatRate::Basic; }},  // no such rate
        {23, "1", [] { return DefaultPriceType == TDefaultPriceType::WithVat; }},
        {24, "hotově;kartou", [] { return OwnPaymentKinds == QString::fromUtf8("hotově;kartou"); }},
        {16, "%datapath%Obrazky", [] { return PictureFolder == DataFolder + "Obrazky/"; }},
    };
    for (const Case& c : kCases) Store(c.number, QString::fromUtf8(c.stored));
    FirmSettings(false);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.number);
        EXPECT_TRUE(c.check());
    }
}

TEST_F(NastaveniTest, OkChecksInOrderAndKeepsTheDialogOpen) {
    struct Case {
        const char* name;
        std::function<void(TfrmNastaveni&)> edit;
        TDialogKind kind;
        const char* message;  // nullptr: accepted
    };
    const Case kCases[] = {
        {"name blank", [](TfrmNastaveni& d) { d.edNazev->setText("  "); }, TDialogKind::Information,
         "Musíte vyplnit název firmy."},
        {"prefix blank",
         [](TfrmNastaveni& d) {
             d.edPrefix->setText(" ");
             d.edMena->clear();
         },
         TDialogKind::Information, "Musíte vyplnit prefix číselné řady."},
        {"currency blank", [](TfrmNastaveni& d) { d.edMena->setText(" "); }, TDialogKind::Information,
         "Musíte vyplnit symbol domácí měny (např. Kč apod.)."},
        {"basic rate zero", [](TfrmNastaveni& d) { d.curZakladni->SetValue(0); }, TDialogKind::Error,
         "Zadaná Základní sazba DPH 0% se již používá u jiné daňové sazby v tomto programu."},
        {"reduced equals basic",
         [](TfrmNastaveni& d) {
             d.curZakladni->SetValue(15);
             d.curSnizena->SetValue(15);
         },
         TDialogKind::Error,
         "Zadaná Snížená sazba DPH 15% se již používá u jiné daňové sazby v tomto programu."},
        {"reduced zero", [](TfrmNastaveni& d) { d.curSnizena->SetValue(0); }, TDialogKind::Error,
         "Zadaná Snížená sazba DPH 0% se již používá"},
        {"further equals basic while checked",
         [](TfrmNastaveni& d) {
             d.chckDalsiSnizena->setChecked(true);
             d.curDalsiSnizena->SetValue(21);
         },
         TDialogKind::Error, "Zadaná Další snížená sazba DPH 21% se již používá"},
        {"further equals basic while unchecked",
         [](TfrmNastaveni& d) {
             d.chckDalsiSnizena->setChecked(false);
             d.curDalsiSnizena->SetValue(21);
         },
         TDialogKind::Information, nullptr},
        {"further rate of its own",
         [](TfrmNastaveni& d) {
             d.chckDalsiSnizena->setChecked(true);
             d.curDalsiSnizena->SetValue(10);
         },
         TDialogKind::Information, nullptr},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TfrmNastaveni dialog;
        dialog.edNazev->setText("Firma");
        dialog.edPrefix->setText("NB");
        dialog.edMena->setText(QString::fromUtf8("Kč"));
        dialog.curZakladni->SetValue(21);
        dialog.curSnizena->SetValue(15);
        c.edit(dialog);
        TScriptedDialogs dialogs;
        if (c.message) dialogs.Expect({c.kind, QString::fromUtf8(c.message)});
        EXPECT_EQ(dialog.Validate(), c.message == nullptr);
    }
}

TEST_F(NastaveniTest, OkWritesEverySettingTheSeriesAndTheUsersOwn) {
    RunDialog([this](TfrmNastaveni& d) {
        EXPECT_EQ(d.pcNastaveni->currentIndex(), 0);
        // A fresh firm: an empty series with next number 1 and four digits.
        EXPECT_EQ(d.edPrefix->text(), "");
        EXPECT_EQ(d.spCislo->value(), 1);
        EXPECT_EQ(d.spPocetMist->value(), 4);
        d.edNazev->setText("Nová firma s.r.o.");
        d.edMisto->setText("Brno");
        d.edPrefix->setText("NB");
        d.spCislo->setValue(120);
        d.spPocetMist->setValue(5);
        d.cbxVychoziSazba->setCurrentIndex(3);  // "další snížená" without such a rate
        d.cbxLogovani->setCurrentIndex(0);
        d.chckPlatba->setChecked(false);
        d.edPlatba->setText("bude zahozeno");
        d.chckDoprava->setChecked(true);
        d.edDoprava->setText(QString::fromUtf8("osobně;poštou"));
        d.chckSablona->setChecked(false);
        d.edSablona->setText("SABL");
        d.chckNezobrazovatNC->setChecked(true);
        d.chckTisk->setChecked(false);
        return true;
    });

    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM Nastaveni"), 25);
    EXPECT_EQ(Stored(1), "Nová firma s.r.o.");
    EXPECT_EQ(Stored(4), "Brno");
    EXPECT_EQ(Stored(13), "21");
    EXPECT_EQ(Stored(15), "1");
    EXPECT_EQ(Stored(16), "%DATAPATH%DOKUMENTY/FIRMA/OBRAZKY/");
    EXPECT_EQ(Stored(17), "-1");
    EXPECT_EQ(Stored(19), "0");
    EXPECT_EQ(Stored(20), "0");
    EXPECT_EQ(Stored(21), "-1");
    EXPECT_EQ(Stored(22), "1");
    EXPECT_EQ(Stored(24), "");
    EXPECT_EQ(Stored(25), QString::fromUtf8("osobně;poštou"));
    const auto described = main_->ADOConAgenda.OpenRowset("SELECT Popis FROM Nastaveni WHERE IDHodnoty = 19");
    EXPECT_EQ(described->Value(0, 0).toString(), QString::fromUtf8("Hisotire akcí - úroveň logování"));

    const auto series = main_->ADOConAgenda.OpenRowset(
        "SELECT PrefixOzn, Cislo, PocetMist FROM CisRady WHERE ModulOzn = 'NB'");
    ASSERT_EQ(series->RowCount(), 1u);
    EXPECT_EQ(series->Value(0, 0).toString(), "NB");
    EXPECT_EQ(series->Value(0, 1).toInt(), 120);
    EXPECT_EQ(series->Value(0, 2).toInt(), 5);

    EXPECT_EQ(FirmName, "Nová firma s.r.o.");
    EXPECT_EQ(NewOfferTemplate, "");
    EXPECT_FALSE(ShowPurchasePrices);
    QString value;
    UserSetting(kLoad, usHidePurchasePrices, {}, value);
    EXPECT_EQ(value, "-1");
    UserSetting(kLoad, usOfferPrintAfterNew, {}, value);
    EXPECT_EQ(value, "0");
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM ImgData WHERE IDHodnoty = 1"), 1);

    // A second OK updates the same rows.
    RunDialog([](TfrmNastaveni& d) {
        EXPECT_EQ(d.edPrefix->text(), "NB");
        EXPECT_EQ(d.spCislo->value(), 120);
        d.edNazev->setText("Jiná");
        return true;
    });
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM Nastaveni"), 25);
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM CisRady"), 1);
    EXPECT_EQ(Stored(1), "Jiná");
}

TEST_F(NastaveniTest, PictureFolderFollowsTheDataFolderWhenItMoves) {
    RunDialog([this](TfrmNastaveni& d) {
        d.edNazev->setText("F");
        d.edPrefix->setText("NB");
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion("změna úložiště obrázků", true);
        d.UnlockPictureFolder();
        EXPECT_FALSE(d.dirObrazky->isReadOnly());
        EXPECT_FALSE(d.lblZmenit->isEnabled());
        EXPECT_EQ(d.dirObrazky->text(), Folder() + "DOKUMENTY/FIRMA/OBRAZKY");
        d.dirObrazky->setText(Folder() + "Obrazky");
        return true;
    });
    EXPECT_EQ(Stored(16), "%DATAPATH%Obrazky/");
    DataFolder = "/srv/jinde/data/";
    FirmSettings(false);
    EXPECT_EQ(PictureFolder, "/srv/jinde/data/Obrazky/");
}

TEST_F(NastaveniTest, CancelKeepsTheLoadedValuesAndWritesNothing) {
    Store(1, "Uložená");
    RunDialog([](TfrmNastaveni& d) {
        d.edNazev->setText("Neuložená");
        return false;
    });
    EXPECT_EQ(FirmName, "Uložená");
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM Nastaveni"), 1);
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM CisRady"), 0);
}

TEST_F(NastaveniTest, TabsFollowRightsAndHiddenTabsAreWrittenUnchanged) {
    CurrentUser.UdajeFirma_AR = false;
    CurrentUser.UzivatelskeNastaveni_AR = false;
    Store(2, "Hlavní 1");
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation("Musíte vyplnit název firmy.");
    RunDialog([](TfrmNastaveni& d) {
        EXPECT_FALSE(d.pcNastaveni->isTabVisible(d.pcNastaveni->indexOf(d.tsFirma)));
        EXPECT_TRUE(d.pcNastaveni->isTabVisible(d.pcNastaveni->indexOf(d.tsGlobalni)));
        EXPECT_FALSE(d.pcNastaveni->isTabVisible(d.pcNastaveni->indexOf(d.tsUzivatel)));
        // The hidden tab's name is still checked: this firm has none yet.
        d.edPrefix->setText("XY");
        return true;
    });
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM CisRady"), 0);

    Store(1, "Firma");
    RunDialog([](TfrmNastaveni& d) {
        d.edPrefix->setText("XY");
        d.edMena->setText("EUR");
        return true;
    });
    EXPECT_EQ(Stored(2), "Hlavní 1");
    EXPECT_EQ(Stored(18), "EUR");
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM Nastaveni WHERE IDHodnoty = 1"), 1);
}

TEST_F(NastaveniTest, LogoIsStoredAsThePictureFileAndComesBack) {
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(QColor(200, 10, 10));
    ASSERT_TRUE(picture.save(Folder() + "logo.bmp"));
    QFile file(Folder() + "logo.bmp");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QFile::copy(Folder() + "FIRMA.MDB", Folder() + "nic.txt");

    RunDialog([this](TfrmNastaveni& d) {
        d.edNazev->setText("F");
        d.edPrefix->setText("NB");
        // A file that is no picture is refused and the logo stays as it was.
        d.ChooseLogoFile = [this](QWidget*) { return Folder() + "nic.txt"; };
        TScriptedDialogs dialogs;
        dialogs.ExpectError("nelze načíst jako obrázek");
        d.LoadLogoFromFile();
        EXPECT_TRUE(d.LogoData.isEmpty());
        d.ChooseLogoFile = [this](QWidget*) { return Folder() + "logo.bmp"; };
        d.LoadLogoFromFile();
        EXPECT_FALSE(d.imgLogo->pixmap().isNull());
        return true;
    });
    EXPECT_EQ(main_->ADOConAgenda.OpenRowset("SELECT Hodnota FROM ImgData WHERE IDHodnoty = 1")
                  ->Value(0, 0)
                  .toByteArray(),
              bytes);
    FirmLogoData.clear();
    FirmSettings(false);
    EXPECT_EQ(FirmLogoData, bytes);
    EXPECT_EQ(main_->imgLogo.pixelColor(5, 5), QColor(200, 10, 10));

    RunDialog([](TfrmNastaveni& d) {
        EXPECT_FALSE(d.LogoData.isEmpty());
        d.ClearLogo();
        return true;
    });
    FirmSettings(false);
    EXPECT_TRUE(FirmLogoData.isEmpty());
    EXPECT_TRUE(main_->imgLogo.isNull());
}

TEST_F(NastaveniTest, WriteThatAffectsNoRowIsReportedAndTheRestGoesOn) {
    // A trigger that silently drops the row: the statement succeeds and changes nothing.
    main_->ADOConAgenda.Execute(
        "CREATE TRIGGER zahodit BEFORE INSERT ON Nastaveni WHEN NEW.IDHodnoty = 3 BEGIN SELECT "
        "RAISE(IGNORE); END");
    TScriptedDialogs dialogs;
    dialogs.ExpectError("Při ukládání záznamu do \"Nastaveni\" došlo k chybě: metoda \"Execute\" selhala.");
    RunDialog([](TfrmNastaveni& d) {
        d.edNazev->setText("F");
        d.edPrefix->setText("NB");
        return true;
    });
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM Nastaveni"), 2);  // 1 and 2 written, then it stopped
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM CisRady"), 1);
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM ImgData"), 1);
}

TEST_F(NastaveniTest, DialogPicture) {
    Store(1, "Ukázková firma s.r.o.");
    RunDialog([](TfrmNastaveni& d) {
        d.resize(640, 520);
        d.pcNastaveni->setCurrentWidget(d.tsGlobalni);
        d.show();
        const QImage shot = d.grab().toImage();
        shot.save(ArtifactPath("settings-dialog.png"));
        // The locked picture folder is drawn in the button face, not in the window colour.
        const QPoint inside =
            d.dirObrazky->mapTo(&d, QPoint(d.dirObrazky->width() - 6, d.dirObrazky->height() / 2));
        EXPECT_EQ(shot.pixelColor(inside * shot.devicePixelRatio()), d.palette().color(QPalette::Button));
        d.hide();
        return false;
    });
}

}  // namespace

namespace {

TEST_F(NastaveniTest, MainWindowMenuOpensTheDialogAndTheNewNameShows) {
    main_->ADOConAgenda.Execute(
        "INSERT INTO NabSablony (Zkratka, Nazev, Nadpis) VALUES ('SERVIS', 'Servisní zásah', 'Nabídka "
        "servisu')");
    bool opened = false;
    ExecSettingsDialog = [&opened](TfrmNastaveni& d) {
        opened = true;
        // "..." picks the template for every new offer from the template list.
        d.chckSablona->setChecked(true);
        OnNextModal([](QWidget* modal) {
            auto* list = qobject_cast<TfrmSablony*>(modal);
            ASSERT_NE(list, nullptr);
            ASSERT_TRUE(frmMain->adqNabSablony.Locate("Zkratka", "SERVIS"));
            list->btnOK->click();
        });
        d.btnSablona->click();
        EXPECT_EQ(d.edSablona->text(), "SERVIS");
        EXPECT_FALSE(frmMain->adqNabSablony.Active());
        d.edNazev->setText(QString::fromUtf8("Firma z menu"));
        d.edPrefix->setText("NB");
        d.btnOK->click();
        return d.result();
    };
    main_->Nastaveniprogramu1->trigger();
    EXPECT_TRUE(opened);
    EXPECT_EQ(main_->lblAgendaName->text(), QString::fromUtf8("Firma z menu"));
    EXPECT_EQ(Stored(1), QString::fromUtf8("Firma z menu"));
}

}  // namespace

// The settings are stored as one unit: an engine error at the last of them (the number series)
// leaves none of the new values stored, rather than a new name with an old series.
TEST_F(NastaveniTest, AnEngineErrorPartWayStoresNoneOfTheSettings) {
    main_->ADOConAgenda.Execute(
        "CREATE TRIGGER odmitnout BEFORE INSERT ON CisRady BEGIN SELECT RAISE(ABORT, 'plný disk'); END");
    ExecSettingsDialog = [](TfrmNastaveni& d) {
        d.edNazev->setText("Nová firma s.r.o.");
        d.edPrefix->setText("NB");
        d.btnOK->click();
        return d.result();
    };
    EXPECT_THROW(FirmSettings(true), EDatabaseError);
    EXPECT_FALSE(main_->ADOConAgenda.InTransaction());
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM Nastaveni"), 0);
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM ImgData"), 0);
}
