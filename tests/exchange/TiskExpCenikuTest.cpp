// The price-list print options: the preset text, the print tables built from the demonstration
// price list, and the named presets of the firm.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "core/Login.h"
#include "core/Main.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "exchange/PrintFixture.h"
#include "exchange/TiskExpCeniku.h"
#include "exchange/VyberFiltru.h"
#include "platform/data/Field.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/PriceRules.h"

namespace {

// ---- the preset text

TEST(PriceListPresetText, IsWrittenInTheFixedKeyOrderWithCrLf) {
    TPriceListPrintOptions o;
    o.Sheets = TSheetChoice::Selected;
    o.CheckedSheets = {3, 7};
    o.Groups = TGroupChoice::Selected;
    o.CheckedGroups = {12};
    o.Dealer = true;
    o.TitleText = QString::fromUtf8("Ceník pro partnery");
    o.Columns[0] = {QString::fromUtf8(kPriceBase), true, "MOC"};
    o.Columns[1] = {"VIP", false, "VIP bez DPH"};
    const QString text = PriceListPresetText(o);
    const QStringList lines = text.split("\r\n");
    ASSERT_EQ(lines.last(), "") << "every line ends with CR LF";
    QStringList expected = {"VyberListu=3",
                            "List1=3",
                            "List2=7",
                            "OznacListu=2",
                            "VyberSkupin=2",
                            "Skupina1=12",
                            "OznacSkupin=1",
                            "Dealersky=-1",
                            "TisknoutZPC=0",
                            "VlastniNadpis=0",
                            QString::fromUtf8("VlastniNadpisText=Ceník pro partnery"),
                            QString::fromUtf8("Cena1=zákl. prodejní"),
                            "CenaSDPH1=-1",
                            "Nadpis1=MOC",
                            "Cena2=VIP",
                            "CenaSDPH2=0",
                            "Nadpis2=VIP bez DPH"};
    for (int k = 3; k <= kDealerColumns; ++k)
        expected << QString::fromUtf8("Cena%1=< neurčeno >").arg(k) << QString("CenaSDPH%1=0").arg(k)
                 << QString("Nadpis%1=").arg(k);
    expected << "NetisknoutNazev=0"
             << "";
    EXPECT_EQ(lines, expected);

    const TPriceListPrintOptions back = ReadPriceListPreset(text);
    EXPECT_EQ(PriceListPresetText(back), text);
}

TEST(PriceListPresetText, EveryKeyFallsBackOnItsOwn) {
    struct Case {
        const char* text;
        TSheetChoice sheets;
        std::vector<int> checkedSheets;
        bool dealer;
        bool fallback;
        const char* price1;
        bool withVat1;
    };
    const Case kCases[] = {
        // An older text without the dealer keys: the dealer option is off, the rest still applies.
        {"VyberListu=2\r\nTisknoutZPC=-1\r\nCena1=VIP\r\n", TSheetChoice::All, {}, false, true, "VIP", false},
        // Flags: any non-zero number and the words in any case are true; anything else false.
        {"Dealersky=1\nTisknoutZPC=TRUE\nCenaSDPH1=true\n",
         TSheetChoice::Current,
         {},
         true,
         true,
         "< neurčeno >",
         true},
        {"Dealersky=ano\nTisknoutZPC=0\nCenaSDPH1=False\n",
         TSheetChoice::Current,
         {},
         false,
         false,
         "< neurčeno >",
         false},
        // Only as many sheets as "OznacListu" counts; an unreadable ID checks nothing.
        {"VyberListu=3\nList1=4\nList2=x\nList3=9\nOznacListu=3\nList4=11\n",
         TSheetChoice::Selected,
         {4, 9},
         false,
         false,
         "< neurčeno >",
         false},
        {"VyberListu=7\nList1=4\nOznacListu=?\n",
         TSheetChoice::Current,
         {},
         false,
         false,
         "< neurčeno >",
         false},
        {"", TSheetChoice::Current, {}, false, false, "< neurčeno >", false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        const TPriceListPrintOptions o = ReadPriceListPreset(QString::fromUtf8(c.text));
        EXPECT_EQ(o.Sheets, c.sheets);
        EXPECT_EQ(o.CheckedSheets, c.checkedSheets);
        EXPECT_EQ(o.Dealer, c.dealer);
        EXPECT_EQ(o.BaseFallback, c.fallback);
        EXPECT_EQ(o.Columns[0].Price, QString::fromUtf8(c.price1));
        EXPECT_EQ(o.Columns[0].WithVat, c.withVat1);
        EXPECT_EQ(o.Groups, TGroupChoice::All);
    }
}

// ---- the window over the demonstration firm

class TiskExpCenikuTest : public PrintFixture {
protected:
    void SetUp() override {
        PrintFixture::SetUp();
        groupsShown_ = PriceListGroupsShown;
        purchaseRight_ = CurrentUser.NakupniCeny_AR;
        sheet_ = CurrentSheetId;
        CurrentSheetId = SheetId("Elektroinstalace");
    }
    void TearDown() override {
        PriceListGroupsShown = groupsShown_;
        CurrentUser.NakupniCeny_AR = purchaseRight_;
        CurrentSheetId = sheet_;
        main_->adqZasoby.SetFiltered(false);
        main_->adqZasoby.SetFilter({});
        PrintFixture::TearDown();
    }

    int SheetId(const char* name) {
        return Firm("SELECT ID FROM Sklady WHERE Nazev = '" + QString::fromUtf8(name) + "'").toInt();
    }

    // A window opened as the price list opens it, with or without the group panel.
    std::unique_ptr<TfrmTiskExpCeniku> Open(bool groups) {
        PriceListGroupsShown = groups;
        auto window = std::make_unique<TfrmTiskExpCeniku>();
        window->Prepare();
        return window;
    }

    static void SetColumn(TfrmTiskExpCeniku& w, int k, const char* price, bool withVat) {
        w.lblCena[k]->setText(QString::fromUtf8(price));
        w.cbxTypCeny[k]->setCurrentIndex(withVat ? 1 : 0);
    }

    // The item rows of the print table by catalogue number: the named fields joined by "|".
    static std::map<QString, QString> Items(TMemTable& items, const QStringList& fields) {
        std::map<QString, QString> rows;
        items.SetMasterSource(nullptr);
        for (items.First(); !items.Eof(); items.Next()) {
            QStringList values;
            for (const QString& f : fields) values << items.FieldByName(f)->AsString();
            rows[items.FieldByName("Katalog")->AsString()] = values.join('|');
        }
        return rows;
    }
    static QStringList Column(TMemTable& table, const char* field) {
        QStringList values;
        for (table.First(); !table.Eof(); table.Next()) values << table.FieldByName(field)->AsString();
        return values;
    }

    TScriptedDialogs dialogs_;
    bool groupsShown_ = false, purchaseRight_ = true;
    int sheet_ = 0;
};

TEST_F(TiskExpCenikuTest, DealerColumnsArePricedByTheItemsPriceGroupWithOrWithoutTheBaseFallback) {
    // Kabel CYKY-J 3x2,5 (material): 34.50 net, 41.70 gross, fixed action price 31.90 net.
    // Pokládka kabelu (work): 45 net; its price group has no rule for "VO".
    struct Case {
        bool fallback;
        const char* cable;
        const char* laying;
    };
    const Case kCases[] = {
        {false, "41,7|33|40|31,9|32|0", "54,5|43|52|0|0|0"},
        {true, "41,7|33|40|31,9|32|0", "54,5|43|52|45|45|0"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.fallback);
        auto w = Open(true);
        w->rbVsechnyListy->setChecked(true);
        w->chckDealersky->setChecked(true);
        w->chckTisknoutZPC->setChecked(c.fallback);
        SetColumn(*w, 0, kPriceBase, true);
        SetColumn(*w, 1, "VIP", false);
        SetColumn(*w, 2, "vip", true);  // a level's code in any case
        SetColumn(*w, 3, "AKCE", false);
        SetColumn(*w, 4, "VO", false);
        w->edtNadpis[0]->setText("MOC");
        ASSERT_EQ(w->FillPriceListData(), 0);
        EXPECT_EQ(w->mtTiskHlavicka.FieldByName("Nadpis1")->AsString(), "MOC");
        const QStringList prices = {"Cena1", "Cena2", "Cena3", "Cena4", "Cena5", "Cena6"};
        auto items = Items(w->mtTiskZasoby, prices);
        EXPECT_EQ(items["CYKY325"], c.cable);
        EXPECT_EQ(items["M-KAB"], c.laying);
    }
}

TEST_F(TiskExpCenikuTest, WithoutThePurchaseRightPurchasePricesAreZeroButLevelsFromThemStayRight) {
    // A level priced from the purchase price: 25 % over it, whole crowns.
    ExecAgenda(
        "INSERT INTO CenHlad (Zkratka, Popis, Hodnota, SDPH, Prepocitat, Zaok, TypHodnoty, VychCena) VALUES "
        "('NAK', 'Z nákupu', 25, False, True, 1, 1, 1)");
    ExecAgenda(
        "INSERT INTO CenSkupPol (IDCenSkup, Hodnota, TypHodnoty, VychCena, Prevzato, Zaok, Prepocitat, SDPH, "
        "Zkratka) SELECT ID, 25, 1, 1, True, 1, True, False, 'NAK' FROM CenSkup WHERE Zkratka = 'MAT'");
    // A cost item is never printed.
    ExecAgenda("UPDATE Zasoby SET Nakladova = True WHERE Katalog = 'TO25'");
    for (bool right : {true, false}) {
        SCOPED_TRACE(right);
        CurrentUser.NakupniCeny_AR = right;
        auto w = Open(false);
        w->chckDealersky->setChecked(true);
        SetColumn(*w, 0, "NAK", false);
        ASSERT_EQ(w->FillPriceListData(), 0);
        auto items = Items(w->mtTiskZasoby, {"NakCena", "Cena1"});
        // 14.20 * 1.25 = 17.75, whole crowns.
        EXPECT_EQ(items["CYKY315"], right ? "14,2|18" : "0|18");
        EXPECT_EQ(items.count("TO25"), 0u);
        EXPECT_EQ(items.size(), 17u);
    }
}

TEST_F(TiskExpCenikuTest, SheetsGroupsAndTitleFollowTheChoice) {
    const int elektro = SheetId("Elektroinstalace"), sluzby = SheetId("Služby");
    auto w = Open(true);
    EXPECT_TRUE(w->gbxFiltrSkupin->isEnabled());
    EXPECT_TRUE(w->lblVypnuteSkup->isHidden());
    // The standard: the current sheet only, all its groups, its name printed, the title "Ceník".
    ASSERT_EQ(w->FillPriceListData(), 0);
    EXPECT_EQ(Column(w->mtTiskSklady, "Nazev"), QStringList({"Elektroinstalace"}));
    EXPECT_EQ(w->mtTiskHlavicka.FieldByName("NadpisCen")->AsString(), QString::fromUtf8("Ceník"));
    EXPECT_EQ(w->mtTiskHlavicka.FieldByName("DodNazev")->AsString(), FirmName);
    // Each group shows only its own items once the tables are linked.
    w->mtTiskSkupiny.Locate("Kod", "VYP");
    EXPECT_EQ(w->mtTiskZasoby.RecordCount(), 6);

    // Selected sheets and groups, the sheet name left out, a title of one's own.
    w->rbVybraneListy->setChecked(true);
    for (int i = 0; i < w->chckLBVyberListu->count(); ++i) {
        const int id = w->chckLBVyberListu->item(i)->data(Qt::UserRole).toInt();
        if (id == elektro || id == sluzby) w->chckLBVyberListu->item(i)->setCheckState(Qt::Checked);
    }
    w->rbVybraneSkup->setChecked(true);
    for (int i = 0; i < w->chckLBVyberSkupin->count(); ++i) {
        QListWidgetItem* item = w->chckLBVyberSkupin->item(i);
        if (item->text() == QString::fromUtf8("(Služby) • Revize") ||
            item->text() == QString::fromUtf8("(Elektroinstalace) • Kabely a vodiče") ||
            item->text() == QString::fromUtf8("(Osvětlení) • Svítidla"))
            item->setCheckState(Qt::Checked);
    }
    w->chckNetisknoutNazev->setChecked(true);
    w->chckVlastniNadpis->setChecked(true);
    w->edtVlastniNadpis->setText(QString::fromUtf8("Ceník 2026"));
    ASSERT_EQ(w->FillPriceListData(), 0);
    EXPECT_EQ(Column(w->mtTiskSklady, "ID"),
              QStringList({QString::number(elektro), QString::number(sluzby)}));
    EXPECT_EQ(Column(w->mtTiskSklady, "Nazev"), QStringList({"", ""}));
    w->mtTiskSkupiny.SetMasterSource(nullptr);
    EXPECT_EQ(Column(w->mtTiskSkupiny, "Kod"), QStringList({"KAB", "REV"}));
    EXPECT_EQ(Items(w->mtTiskZasoby, {"Popis"}).size(), 10u);
    EXPECT_EQ(w->mtTiskHlavicka.FieldByName("NadpisCen")->AsString(), QString::fromUtf8("Ceník 2026"));
}

TEST_F(TiskExpCenikuTest, WithoutGroupsTheItemsHangOnTheirSheets) {
    auto w = Open(false);
    EXPECT_FALSE(w->gbxFiltrSkupin->isEnabled());
    EXPECT_FALSE(w->rbVybraneSkup->isEnabled());
    EXPECT_FALSE(w->lblVypnuteSkup->isHidden());
    EXPECT_EQ(w->lblVypnuteSkup->text(), QString::fromUtf8("[skladové skupiny jsou vypnuté]"));
    // A selected-groups choice left over from a set is ignored while the groups are off.
    w->rbVybraneSkup->setChecked(true);
    w->rbVsechnyListy->setChecked(true);
    ASSERT_EQ(w->FillPriceListData(), 0);
    EXPECT_FALSE(w->BuiltWithGroups());
    EXPECT_TRUE(w->mtTiskSkupiny.IsEmpty());
    EXPECT_EQ(Items(w->mtTiskZasoby, {"Popis"}).size(), 36u);
    w->mtTiskZasoby.SetMasterSource(&w->dsTiskSklady);
    w->mtTiskZasoby.SetIndexFieldNames("Sklad");
    w->mtTiskZasoby.SetMasterFields("ID");
    w->mtTiskZasoby.SetDetailFields("Sklad");
    w->mtTiskSklady.Locate("Nazev", QString::fromUtf8("Osvětlení"));
    EXPECT_EQ(w->mtTiskZasoby.RecordCount(), 7);
}

TEST_F(TiskExpCenikuTest, ThePriceListsItemFilterAndSortCarryOver) {
    TADOQuery& items = main_->adqZasoby;
    struct Case {
        const char* filter;
        const char* sort;
        const char* shown;
        QStringList catalogue;
    };
    const Case kCases[] = {
        {"", "Katalog DESC", "vypnutý", {}},
        {"Katalog = 'JB10' OR Katalog = 'JB16' OR Katalog = 'IP-19'",
         "Katalog",
         "zapnutý",
         {"IP-19", "JB10", "JB16"}},
        {"Katalog = 'JB10' OR Katalog = 'JB16' OR Katalog = 'IP-19'",
         "Katalog DESC",
         "zapnutý",
         {"JB16", "JB10", "IP-19"}},
        // No sort at all gives the rows as stored, not a broken statement.
        {"Katalog = 'JB10' OR Katalog = 'IP-19'", "", "zapnutý", {"IP-19", "JB10"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.filter + std::string(" / ") + c.sort);
        items.SetFilter(QString::fromUtf8(c.filter));
        items.SetFiltered(*c.filter != 0);
        items.SetSort(c.sort);
        auto w = Open(false);
        EXPECT_EQ(w->lblFiltrPol->text(), QString::fromUtf8(c.shown));
        EXPECT_EQ(w->lblFiltrPol->font().bold(), *c.filter != 0);
        ASSERT_EQ(w->FillPriceListData(), 0);
        w->mtTiskZasoby.SetMasterSource(nullptr);
        w->mtTiskZasoby.SetIndexFieldNames({});
        const QStringList got = Column(w->mtTiskZasoby, "Katalog");
        if (c.catalogue.isEmpty()) {
            EXPECT_EQ(got.size(), 18);
            EXPECT_EQ(got.first(), "ZAS2B");
        } else {
            EXPECT_EQ(got, c.catalogue);
        }
    }
}

TEST_F(TiskExpCenikuTest, AnInterruptedBuildingLeavesNoTables) {
    auto w = Open(true);
    w->rbVsechnyListy->setChecked(true);
    // The user presses the interrupt label while the first items are read.
    QTimer::singleShot(0, [] { WorkingCancelled = true; });
    EXPECT_EQ(w->FillPriceListData(), -1);
    EXPECT_FALSE(w->mtTiskZasoby.Active());
    EXPECT_FALSE(w->mtTiskHlavicka.Active());
    EXPECT_FALSE(WorkingCancelled);
    // The next building starts afresh.
    EXPECT_EQ(w->FillPriceListData(), 0);
}

TEST_F(TiskExpCenikuTest, OkRefusesAnEmptySelection) {
    struct Case {
        bool groups;
        bool sheets;
        const char* message;
    };
    const Case kCases[] = {
        {true, true, kSelectSheet},
        {true, false, kSelectGroup},
    };
    for (const Case& c : kCases) {
        auto w = Open(c.groups);
        (c.sheets ? w->rbVybraneListy : w->rbVybraneSkup)->setChecked(true);
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(c.message));
        w->btnOk->click();
        EXPECT_EQ(w->result(), 0);
    }
}

TEST_F(TiskExpCenikuTest, NamedPresetsAreSavedAndLoadedByName) {
    const int elektro = SheetId("Elektroinstalace"), sluzby = SheetId("Služby");
    auto w = Open(true);
    EXPECT_EQ(w->lblNazevNastaveni->text(), QString::fromUtf8(kLastUsedPreset));
    EXPECT_FALSE(w->miUlozitSoucasny->isEnabled());
    w->rbVybraneListy->setChecked(true);
    for (int i = 0; i < w->chckLBVyberListu->count(); ++i) {
        const int id = w->chckLBVyberListu->item(i)->data(Qt::UserRole).toInt();
        if (id == elektro || id == sluzby) w->chckLBVyberListu->item(i)->setCheckState(Qt::Checked);
    }
    w->chckDealersky->setChecked(true);
    SetColumn(*w, 0, "VIP", true);

    {
        TModalDriver driver;
        driver.On("frmVyberFiltruDetail", [](QWidget* d) {
            d->findChild<QLineEdit*>("edtNazev")->setText(QString::fromUtf8("Dealeři"));
            TModalDriver::Click(d, "btnOk");
        });
        w->miUlozitNovy->trigger();
    }
    EXPECT_EQ(w->lblNazevNastaveni->text(), QString::fromUtf8("Dealeři"));
    ASSERT_GT(w->PresetId(), 0);
    EXPECT_TRUE(w->miUlozitSoucasny->isEnabled());
    const QString stored =
        Firm("SELECT Hodnota FROM Filtry WHERE IDModulu = 1 AND Nazev = 'Dealeři'").replace("\r\n", "/");
    EXPECT_TRUE(stored.contains(QString("/List1=%1/List2=%2/OznacListu=2/").arg(elektro).arg(sluzby)))
        << stored.toStdString();

    // Changed and saved under the same name: the row is updated, not doubled.
    w->edtNadpis[0]->setText("VIP s DPH");
    w->miUlozitSoucasny->trigger();
    EXPECT_EQ(Firm("SELECT COUNT(*) FROM Filtry WHERE Nazev = 'Dealeři'"), "1");

    // The sheet "Služby" goes; loading the set checks only the sheet that is left.
    ExecAgenda("DELETE FROM Sklady WHERE ID = :ID", {{"ID", sluzby}});
    auto other = Open(true);
    EXPECT_FALSE(other->chckDealersky->isChecked());
    {
        TModalDriver driver;
        driver.On("frmVyberFiltru", [](QWidget* d) {
            auto* picker = static_cast<TfrmVyberFiltru*>(d);
            ASSERT_TRUE(picker->dsFiltry.DataSet()->Locate("Nazev", QString::fromUtf8("Dealeři")));
            TModalDriver::Click(d, "btnOk");
        });
        other->btnNacistNastaveni->click();
    }
    EXPECT_EQ(other->lblNazevNastaveni->text(), QString::fromUtf8("Dealeři"));
    EXPECT_EQ(other->PresetId(), w->PresetId());
    EXPECT_TRUE(other->miUlozitSoucasny->isEnabled());
    EXPECT_TRUE(other->rbVybraneListy->isChecked());
    EXPECT_TRUE(other->chckLBVyberListu->isEnabled());
    EXPECT_TRUE(other->chckDealersky->isChecked());
    EXPECT_EQ(other->lblCena[0]->text(), "VIP");
    EXPECT_EQ(other->cbxTypCeny[0]->currentText(), QString::fromUtf8("s daní"));
    EXPECT_EQ(other->edtNadpis[0]->text(), "VIP s DPH");
    EXPECT_EQ(other->Options().CheckedSheets, std::vector<int>({elektro}));
}

TEST_F(TiskExpCenikuTest, OkKeepsTheOptionsAsTheUsersLastUsedSet) {
    auto w = Open(false);
    w->rbVsechnyListy->setChecked(true);
    w->chckVlastniNadpis->setChecked(true);
    w->edtVlastniNadpis->setText("Akce jaro");
    TModalDriver driver;
    driver.On("frmTisk", [](QWidget* d) { TModalDriver::Click(d, "btnStorno"); });
    w->btnOk->click();
    EXPECT_EQ(w->result(), QDialog::Accepted);
    auto next = Open(false);
    EXPECT_TRUE(next->rbVsechnyListy->isChecked());
    EXPECT_TRUE(next->edtVlastniNadpis->isEnabled());
    EXPECT_EQ(next->edtVlastniNadpis->text(), "Akce jaro");
    // "Standard" puts everything back once confirmed.
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kAskStandard), true);
    next->btnStandard->click();
    EXPECT_TRUE(next->rbAktualniList->isChecked());
    EXPECT_FALSE(next->chckVlastniNadpis->isChecked());
    EXPECT_FALSE(next->edtVlastniNadpis->isEnabled());
}

TEST_F(TiskExpCenikuTest, ThePickerRenamesAndDeletesTheSetsOfEveryUser) {
    ExecAgenda("DELETE FROM Filtry");
    ExecAgenda("INSERT INTO Filtry (IDModulu, Nazev, Konfigurace, Hodnota) VALUES (1, 'Jana', 'JANA', '')");
    ExecAgenda("INSERT INTO Filtry (IDModulu, Nazev, Konfigurace, Hodnota) VALUES (1, 'Petr', 'PETR', '')");
    ExecAgenda("INSERT INTO Filtry (IDModulu, Nazev, Konfigurace, Hodnota) VALUES (2, 'Jiný modul', '', '')");
    TModalDriver driver;
    QStringList listed;
    driver.On("frmVyberFiltru", [&](QWidget* d) {
        auto* picker = static_cast<TfrmVyberFiltru*>(d);
        TDataSet& list = *picker->dsFiltry.DataSet();
        for (list.First(); !list.Eof(); list.Next()) listed << list.FieldByName("Nazev")->AsString();
        ASSERT_TRUE(list.Locate("Nazev", "Jana"));
        picker->btnOpravit->click();
    });
    driver.On("frmVyberFiltruDetail", [](QWidget* d) {
        auto* edit = d->findChild<QLineEdit*>("edtNazev");
        EXPECT_EQ(edit->text(), "Jana");
        edit->clear();
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kPresetNameMissing));
        TModalDriver::Click(d, "btnOk");
        edit->setText("Jana - dealeři");
        TModalDriver::Click(d, "btnOk");
    });
    driver.On("frmVyberFiltru", [&](QWidget* d) {
        auto* picker = static_cast<TfrmVyberFiltru*>(d);
        TDataSet& list = *picker->dsFiltry.DataSet();
        EXPECT_EQ(list.FieldByName("Nazev")->AsString(), QString::fromUtf8("Jana - dealeři"));
        // Another station deletes Petr's set meanwhile; deleting it here is told, not done twice.
        ASSERT_TRUE(list.Locate("Nazev", "Petr"));
        ExecAgenda("DELETE FROM Filtry WHERE Nazev = 'Petr'");
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kConfirmPresetDelete), true);
        dialogs.ExpectWarning(QString::fromUtf8("smazán jiným uživatelem"));
        picker->btnVyjmout->click();
        ASSERT_TRUE(list.Locate("Nazev", QString::fromUtf8("Jana - dealeři")));
        dialogs.ExpectQuestion(QString::fromUtf8(kConfirmPresetDelete), true);
        picker->btnVyjmout->click();
        EXPECT_TRUE(list.IsEmpty());
        EXPECT_FALSE(picker->btnOk->isEnabled());
        EXPECT_FALSE(picker->btnVyjmout->isEnabled());
        TModalDriver::Click(d, "btnStorno");
    });
    QString name;
    int id = 0;
    EXPECT_EQ(ChooseSavedSettings(1, name, id), kResultCancel);
    EXPECT_EQ(listed, QStringList({"Jana", "Petr"}));
    EXPECT_EQ(Firm("SELECT Nazev FROM Filtry"), QString::fromUtf8("Jiný modul"));
}

}  // namespace
