#include <gtest/gtest.h>

#include <QMainWindow>

#include "core/MemTableStream.h"
#include "core/SettingsFixture.h"
#include "core/UserSettings.h"
#include "widgets/VnDBGrids.h"

namespace {

class UserSettingsTest : public SettingsTest {
protected:
    void TearDown() override {
        for (TSessionGrid g : kGrids) SetSessionGrid(g, nullptr);
        for (int w = 0; w < 4; ++w) SetSessionWindow(static_cast<TSessionWindow>(w), nullptr);
        SettingsTest::TearDown();
    }

    // The five grids and four windows, as the long-lived windows of the program hand them over.
    void MakeWindows() {
        for (TSessionGrid g : kGrids) {
            grids_[Slot(g)] = std::make_unique<TVnDBGrid>();
            SetSessionGrid(g, grids_[Slot(g)].get());
        }
        for (int w = 0; w < 4; ++w) {
            windows_[w] = std::make_unique<QWidget>();
            SetSessionWindow(static_cast<TSessionWindow>(w), windows_[w].get());
        }
    }

    TVnDBGrid& Grid(TSessionGrid g) { return *grids_[Slot(g)]; }

    static QStringList Fields(TVnCustomDBGrid& grid) {
        QStringList names;
        for (int i = 0; i < grid.Columns().Count(); ++i) names << grid.Columns().ColumnAt(i)->FieldName();
        return names;
    }
    static TColumn* Column(TVnCustomDBGrid& grid, const QString& field) {
        for (int i = 0; i < grid.Columns().Count(); ++i)
            if (grid.Columns().ColumnAt(i)->FieldName() == field) return grid.Columns().ColumnAt(i);
        return nullptr;
    }
    static QStringList Marked(TVnCustomDBGrid& grid) {
        QStringList names;
        for (int i = 0; i < grid.Columns().Count(); ++i)
            if (grid.Columns().ColumnAt(i)->IndexStyle() == idxAscending)
                names << grid.Columns().ColumnAt(i)->FieldName();
        return names;
    }

    // A stored layout as another station writes it: a stream of Width and FieldName rows.
    QString Layout(std::initializer_list<std::pair<int, const char*>> columns) {
        TMemTable table;
        table.FieldDefs().Add("Width", ftInteger);
        table.FieldDefs().Add("FieldName", ftString, 20);
        table.CreateTable();
        for (const auto& [width, field] : columns) {
            table.Append();
            table.FieldByName("Width")->SetAsInteger(width);
            table.FieldByName("FieldName")->SetAsString(field);
            table.Post();
        }
        return SaveTableToString(table, mtfSaveData);
    }

    static constexpr TSessionGrid kGrids[] = {TSessionGrid::OfferList, TSessionGrid::AddressList,
                                              TSessionGrid::OfferItems, TSessionGrid::PriceListGroups,
                                              TSessionGrid::PriceListItems};
    static size_t Slot(TSessionGrid g) { return static_cast<size_t>(g) - 1; }
    std::unique_ptr<TVnDBGrid> grids_[5];
    std::unique_ptr<QWidget> windows_[4];
};

QString Load(void (*store)(const QString&, int, const QString&, QString&), int number) {
    QString value = "stale";
    store(kLoad, number, {}, value);
    return value;
}

void Save(void (*store)(const QString&, int, const QString&, QString&), int number, const QString& value,
          const QString& action = kSave) {
    QString unused;
    store(action, number, value, unused);
}

TEST_F(UserSettingsTest, EachStoreKeepsOneRowPerProfileAndNumber) {
    struct Case {
        const char* name;
        void (*store)(const QString&, int, const QString&, QString&);
        bool global;
        const char* table;
        int number;
        const char* description;
    };
    const Case kCases[] = {
        {"short values", UserSetting, false, "Uzivatelske", 9, "Adresář - SortField"},
        {"long texts", UserMemoSetting, false, "UzivMemo", 2, "Adresář - grid"},
        {"window geometry", UserWindowSetting, true, "Uzivatelske", 14, "Seznam adresáře - Width"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TADOConnection& con = c.global ? main_->ADOConGlobal : main_->ADOConAgenda;
        // A profile name with the quotes that broke text spliced into SQL.
        CurrentUser.Konfigurace = "O'\"NEIL";
        EXPECT_EQ(Load(c.store, c.number), "");

        Save(c.store, c.number, "první");
        Save(c.store, c.number, "druhá", "save");  // the action in any case
        EXPECT_EQ(Load(c.store, c.number), QString::fromUtf8("druhá"));
        const QString rows = QString("SELECT Popis, Hodnota, Konfigurace FROM %1 WHERE IDHodnoty = %2")
                                 .arg(c.table)
                                 .arg(c.number);
        const auto rowset = con.OpenRowset(rows);
        ASSERT_EQ(rowset->RowCount(), 1u);
        EXPECT_EQ(rowset->Value(0, 0).toString(), QString::fromUtf8(c.description));
        EXPECT_EQ(rowset->Value(0, 2).toString(), "O'\"NEIL");

        // Another profile sees none of it; the same profile under another user shares it.
        CurrentUser.Konfigurace = "JINY";
        EXPECT_EQ(Load(c.store, c.number), "");
        CurrentUser.Konfigurace = "O'\"NEIL";
        EXPECT_EQ(Load(c.store, c.number), QString::fromUtf8("druhá"));
        // The scratch queries are free again for their next user.
        EXPECT_FALSE(main_->adqAgendaFree1.Active());
        EXPECT_FALSE(main_->adqGlobalFree1.Active());
    }
    // The firm's and the main database's `Uzivatelske` are different tables.
    EXPECT_EQ(Count(main_->ADOConAgenda, "SELECT * FROM Uzivatelske WHERE IDHodnoty = 14"), 0);
}

TEST_F(UserSettingsTest, ProfileWithoutRowsGetsEveryDefault) {
    MakeWindows();
    OfferListLegendShown = false;
    CurrentSheetId = 7;
    PriceListGroupPanelWidth = 5;
    OfferListSortField = "X";
    LoadSessionState();
    LoadWindowGeometry();

    EXPECT_TRUE(OfferListLegendShown);
    EXPECT_EQ(CurrentSheetId, 1);
    EXPECT_FALSE(PriceListGroupsShown);
    EXPECT_EQ(PriceListGroupPanelWidth, 161);
    EXPECT_EQ(LastAddressID, 1);
    EXPECT_EQ(AddressListSort, "NAZEV");
    EXPECT_EQ(OfferListLastID, 1);
    EXPECT_EQ(OfferListSortField, "DOKLAD");
    EXPECT_EQ(PriceListGroupSort, "NAZEV");
    EXPECT_EQ(PriceListItemSort, "POPIS");
    EXPECT_EQ(LastImportDefinitionID, 1);
    EXPECT_TRUE(BackupToStandardFolder);
    EXPECT_FALSE(BackupCommonData);
    EXPECT_EQ(LastNoteID, -1001);
    EXPECT_FALSE(SumMarkedItems);

    EXPECT_EQ(Fields(Grid(TSessionGrid::AddressList)),
              QStringList({"Nazev", "Ulice", "Misto", "Psc", "Stat", "ICO", "Telefon", "Fax", "Email", "WWW",
                           "EANKod"}));
    EXPECT_EQ(Fields(Grid(TSessionGrid::OfferList)).mid(0, 3), QStringList({"FlagID", "Zamek", "Doklad"}));
    EXPECT_EQ(Grid(TSessionGrid::OfferList).FrozenCols(), 2);
    EXPECT_EQ(Marked(Grid(TSessionGrid::OfferList)), QStringList({"Doklad"}));
    EXPECT_EQ(Marked(Grid(TSessionGrid::AddressList)), QStringList({"Nazev"}));
    EXPECT_EQ(Marked(Grid(TSessionGrid::PriceListItems)), QStringList({"Popis"}));
    EXPECT_EQ(main_->mtSkladPos.RecordCount(), 0);
    for (const auto& window : windows_) EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
}

TEST_F(UserSettingsTest, StoredLayoutOrdersTheColumnsItNamesAndTheRestFollow) {
    TVnDBGrid grid;
    // Zisk before Doklad, Popis left out, a field the list no longer has, a repeat, another case.
    ApplyGridLayout(TSessionGrid::OfferList, &grid,
                    Layout({{55, "Zisk"}, {66, "Doklad"}, {70, "Smazany"}, {80, "zisk"}, {90, "adrnazev"}}));
    EXPECT_EQ(Fields(grid),
              QStringList({"FlagID", "Zamek", "Zisk", "Doklad", "AdrNazev", "Popis", "DatVystaveni",
                           "DatPlatnosti", "CelkemBDPH", "Celkem", "Vytvoril", "Nadpis", "Zakazka"}));
    EXPECT_EQ(Column(grid, "Zisk")->Width(), 55);
    EXPECT_EQ(Column(grid, "Doklad")->Width(), 66);
    EXPECT_EQ(Column(grid, "AdrNazev")->Width(), 90);
    EXPECT_EQ(Column(grid, "Popis")->Width(), 190);
    // Titles and sortability always come from the program.
    EXPECT_EQ(Column(grid, "AdrNazev")->Title()->Caption(), QString::fromUtf8("Název firmy"));
    EXPECT_TRUE(Column(grid, "Zisk")->Indexed());
    EXPECT_FALSE(Column(grid, "Popis")->Indexed());
    EXPECT_EQ(Column(grid, "Zisk")->Color(), 208 | (238 << 8) | (209 << 16));
    // The flag and lock columns stay in front, narrow and fixed, even when stored elsewhere.
    ApplyGridLayout(TSessionGrid::OfferList, &grid,
                    Layout({{200, "Zamek"}, {66, "Doklad"}, {300, "FlagID"}}));
    EXPECT_EQ(Fields(grid).mid(0, 3), QStringList({"FlagID", "Zamek", "Doklad"}));
    EXPECT_EQ(Column(grid, "FlagID")->Width(), 19);
    EXPECT_FALSE(Column(grid, "Zamek")->Resize());

    // A text no station could have written leaves the built-in layout.
    TVnDBGrid groups;
    ApplyGridLayout(TSessionGrid::PriceListGroups, &groups,
                    "\"Width\",\"FieldName\"\r\n\"široký\",\"Kod\"\r\n");
    EXPECT_EQ(Fields(groups), QStringList({"Nazev", "Kod"}));
    EXPECT_EQ(Column(groups, "Kod")->Width(), 64);
}

TEST_F(UserSettingsTest, OfferItemsKeepTheirPictureColumnsOutOfTheStoredLayout) {
    TVnDBGrid grid;
    ApplyGridLayout(TSessionGrid::OfferItems, &grid, Layout({{99, "PocetMJ"}}));
    ASSERT_GE(grid.Columns().Count(), 4);
    const char* const titles[] = {"C", "N", "I"};
    for (int i = 0; i < 3; ++i) {
        TColumn* column = grid.Columns().ColumnAt(i);
        EXPECT_EQ(column->FieldName(), QString("Empty%1").arg(i + 1));
        EXPECT_EQ(column->Title()->Caption(), titles[i]);
        EXPECT_EQ(column->Title()->Alignment(), taCenter);
        EXPECT_EQ(column->Width(), 16);
    }
    EXPECT_EQ(grid.Columns().ColumnAt(3)->FieldName(), "PocetMJ");
    EXPECT_EQ(grid.FrozenCols(), 3);
    TColumnFooterPanel* footer = Column(grid, "PCSDPHPOL")->FooterPanel();
    EXPECT_TRUE(footer->Visible());
    EXPECT_EQ(footer->Alignment(), taRightJustify);
    EXPECT_EQ(footer->Color(), 221 | (236 << 8) | (236 << 16));

    // What is written back starts with the user's first column: the picture columns are the card's.
    ApplyGridLayout(TSessionGrid::OfferItems, &grid, GridLayoutText(TSessionGrid::OfferItems, &grid));
    EXPECT_EQ(Fields(grid).mid(0, 4), QStringList({"Empty1", "Empty2", "Empty3", "PocetMJ"}));
    EXPECT_EQ(Column(grid, "PocetMJ")->Width(), 99);
    EXPECT_EQ(Fields(grid).count("Empty3"), 1);
}

TEST_F(UserSettingsTest, SortFieldMarksItsColumnOrIsCleared) {
    struct Case {
        const char* stored;
        const char* kept;
        const char* marked;
    };
    const Case kCases[] = {
        {"misto", "MISTO", "Misto"},  // stored in lower case by hand: still its column
        {"", "NAZEV", "Nazev"},       // nothing stored: the default
        {"NEEXISTUJE", "", nullptr},  // no such column: cleared, nothing marked
    };
    MakeWindows();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.stored);
        Save(UserSetting, usAddressSort, c.stored);
        LoadSessionState();
        EXPECT_EQ(AddressListSort, c.kept);
        EXPECT_EQ(Marked(Grid(TSessionGrid::AddressList)),
                  c.marked ? QStringList({c.marked}) : QStringList());
    }
    // Without the list's window the built-in columns decide.
    SetSessionGrid(TSessionGrid::AddressList, nullptr);
    Save(UserSetting, usAddressSort, "ico");
    LoadSessionState();
    EXPECT_EQ(AddressListSort, "ICO");
    Save(UserSetting, usAddressSort, "nic");
    LoadSessionState();
    EXPECT_EQ(AddressListSort, "");
}

TEST_F(UserSettingsTest, WorkingStateAndLayoutsSurviveExitAndStart) {
    CurrentUser.Konfigurace = "PROFIL";
    MakeWindows();
    LoadSessionState();
    // The user works: moves and widens columns, sorts, walks the lists.
    TVnDBGrid& items = Grid(TSessionGrid::PriceListItems);
    items.Columns().Move(Fields(items).indexOf("NakCena"), 0);
    Column(items, "Popis")->SetWidth(222);
    TVnDBGrid& offers = Grid(TSessionGrid::OfferList);
    offers.Columns().Move(Fields(offers).indexOf("Zakazka"), 2);
    OfferListSortField = "ZAKAZKA";
    PriceListItemSort = "KATALOG";
    CurrentSheetId = 3;
    PriceListGroupsShown = true;
    PriceListGroupPanelWidth = 240;
    LastAddressID = 42;
    OfferListLastID = 17;
    OfferListLegendShown = false;
    LastImportDefinitionID = 5;
    BackupUserFolder = "/zalohy/";
    BackupToStandardFolder = false;
    BackupCommonData = true;
    LastDocumentBrowseFolder = "/doklady/";
    SumMarkedItems = true;
    main_->mtSkladPos.Append();
    main_->mtSkladPos.FieldByName("IDSkladu")->SetAsInteger(3);
    main_->mtSkladPos.FieldByName("IDZasoby")->SetAsInteger(30);
    main_->mtSkladPos.FieldByName("IDSkupiny")->SetAsInteger(300);
    main_->mtSkladPos.Post();
    TMemTable& notes = main_->mtPoznSeznam;
    notes.FieldDefs().Add("ID", ftInteger);
    notes.CreateTable();
    for (int id : {8, 9}) {
        notes.Append();
        notes.FieldByName("ID")->SetAsInteger(id);
        notes.Post();
    }
    notes.First();
    windows_[1]->setGeometry(40, 50, 600, 400);
    windows_[1]->setWindowState(Qt::WindowNoState);
    windows_[2]->setGeometry(10, 20, 300, 200);
    windows_[2]->setWindowState(Qt::WindowMaximized);

    EXPECT_EQ(SaveSessionState(), 0);
    EXPECT_EQ(SaveWindowGeometry(), 0);
    const QStringList savedItems = Fields(items);
    const QStringList savedOffers = Fields(offers);

    // The next start: a new main window and new windows with the built-in layouts.
    grids_[0].reset(), grids_[1].reset(), grids_[2].reset(), grids_[3].reset(), grids_[4].reset();
    windows_[0].reset(), windows_[1].reset(), windows_[2].reset(), windows_[3].reset();
    OpenMain();
    MakeWindows();
    LastAddressID = OfferListLastID = CurrentSheetId = LastNoteID = 0;
    LoadSessionState();
    LoadWindowGeometry();

    EXPECT_EQ(Fields(Grid(TSessionGrid::PriceListItems)), savedItems);
    EXPECT_EQ(Column(Grid(TSessionGrid::PriceListItems), "Popis")->Width(), 222);
    EXPECT_EQ(Fields(Grid(TSessionGrid::OfferList)), savedOffers);
    EXPECT_EQ(Marked(Grid(TSessionGrid::OfferList)), QStringList({"Zakazka"}));
    EXPECT_EQ(Marked(Grid(TSessionGrid::PriceListItems)), QStringList({"Katalog"}));
    EXPECT_EQ(OfferListSortField, "ZAKAZKA");
    EXPECT_EQ(CurrentSheetId, 3);
    EXPECT_TRUE(PriceListGroupsShown);
    EXPECT_EQ(PriceListGroupPanelWidth, 240);
    EXPECT_EQ(LastAddressID, 42);
    EXPECT_EQ(OfferListLastID, 17);
    EXPECT_FALSE(OfferListLegendShown);
    EXPECT_EQ(LastImportDefinitionID, 5);
    EXPECT_EQ(BackupUserFolder, "/zalohy/");
    EXPECT_FALSE(BackupToStandardFolder);
    EXPECT_TRUE(BackupCommonData);
    EXPECT_EQ(LastDocumentBrowseFolder, "/doklady/");
    EXPECT_TRUE(SumMarkedItems);
    EXPECT_EQ(LastNoteID, 8);  // the note list's current row
    ASSERT_EQ(main_->mtSkladPos.RecordCount(), 1);
    EXPECT_EQ(main_->mtSkladPos.FieldByName("IDSkupiny")->AsInteger(), 300);
    EXPECT_EQ(main_->mtSkupinaPos.RecordCount(), 0);

    // A stored size with Max "0" comes back at that place; a maximised one stays maximised.
    EXPECT_FALSE(windows_[1]->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(windows_[1]->geometry(), QRect(40, 50, 600, 400));
    EXPECT_TRUE(windows_[2]->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(Load(UserWindowSetting, 15), "-1");
    EXPECT_EQ(Load(UserWindowSetting, 10), "0");
}

TEST_F(UserSettingsTest, GeometryValuesThatDoNotConvertLeaveTheWindowAsItIs) {
    MakeWindows();
    windows_[0]->setGeometry(1, 2, 300, 200);
    Save(UserWindowSetting, 1, "vlevo");  // Left unreadable
    Save(UserWindowSetting, 2, "70");     // Top
    Save(UserWindowSetting, 4, "");       // Width empty, Height missing
    Save(UserWindowSetting, 5, "False");
    LoadWindowGeometry();
    EXPECT_EQ(windows_[0]->geometry(), QRect(1, 70, 300, 200));
    EXPECT_FALSE(windows_[0]->windowState() & Qt::WindowMaximized);
}

TEST_F(UserSettingsTest, UnreadableStoredValuesGiveDefaults) {
    MakeWindows();
    Save(UserSetting, usCurrentSheet, "list");
    Save(UserSetting, usOfferListLegend, "snad");
    Save(UserSetting, usPriceListGroupsShown, "True");
    Save(UserSetting, usLastNote, "");
    Save(UserMemoSetting, 6, "\"IDSkladu\",\"IDZasoby\",\"IDSkupiny\"\r\n\"x\",\"1\",\"2\"\r\n");
    LoadSessionState();
    EXPECT_EQ(CurrentSheetId, 1);
    EXPECT_TRUE(OfferListLegendShown);
    EXPECT_TRUE(PriceListGroupsShown);
    EXPECT_EQ(LastNoteID, -1001);
    EXPECT_EQ(main_->mtSkladPos.RecordCount(), 0);
}

TEST(UserSettingsConversionTest, BooleansReadAsStoredByAnyStation) {
    struct Case {
        const char* text;
        bool ok;
        bool value;
    };
    const Case kCases[] = {{"-1", true, true},     {"0", true, false},   {"True", true, true},
                           {"false", true, false}, {"2", true, true},    {"0,0", true, false},
                           {"", false, false},     {"ano", false, false}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        bool value = !c.value;
        EXPECT_EQ(TryStrToBool(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
    EXPECT_EQ(BoolToStoredText(true), "-1");
    EXPECT_EQ(UserWindowSettingDescription(20), QString::fromUtf8("Ceník - Max"));
    EXPECT_EQ(UserWindowSettingDescription(21), "");
    EXPECT_EQ(UserSettingDescription(1), "");
    EXPECT_EQ(UserSettingDescription(38), "");
    EXPECT_EQ(UserSettingDescription(65), QString::fromUtf8("Přehl. sest. - včetně arch."));
    EXPECT_EQ(UserMemoSettingDescription(8), QString::fromUtf8("Aktuální tiskový filtr ceníku"));
}

}  // namespace
