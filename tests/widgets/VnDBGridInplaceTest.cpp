#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include "GridWindow.h"
#include "common/Artifacts.h"
#include "platform/data/MemTable.h"
#include "widgets/VnDBGridInplace.h"
#include "widgets/VnDBGrids.h"

namespace {

// An editable grid over goods with a unit (offered from a pick list) and a group (a lookup into a
// second table by its key).
struct InplaceFixture : ::testing::Test, GridWindow {
    TMemTable groups;
    TMemTable table;
    TDataSource source{&table};

    void SetUp() override {
        groups.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        groups.FieldDefs().Add(QStringLiteral("Nazev"), ftString, 20);
        groups.CreateTable();
        const char* const names[] = {"Nářadí", "Spojovací materiál", "Barvy"};
        for (int i = 0; i < 3; ++i) {
            groups.Append();
            groups.FieldByName(QStringLiteral("ID"))->SetAsInteger(i + 1);
            groups.FieldByName(QStringLiteral("Nazev"))->SetAsString(QString::fromUtf8(names[i]));
            groups.Post();
        }
        groups.First();

        table.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        table.FieldDefs().Add(QStringLiteral("Nazev"), ftString, 20);
        table.FieldDefs().Add(QStringLiteral("Jednotka"), ftString, 10);
        table.FieldDefs().Add(QStringLiteral("Skupina"), ftInteger);
        table.FieldDefs().Add(QStringLiteral("SkupinaNazev"), ftString, 20);
        table.CreateTable();
        TField* lookup = table.FieldByName(QStringLiteral("SkupinaNazev"));
        lookup->SetFieldKind(fkLookup);
        lookup->SetLookupDataSet(&groups);
        lookup->SetKeyFields(QStringLiteral("Skupina"));
        lookup->SetLookupKeyFields(QStringLiteral("ID"));
        lookup->SetLookupResultField(QStringLiteral("Nazev"));
        for (int i = 1; i <= 8; ++i) {
            table.Append();
            table.FieldByName(QStringLiteral("ID"))->SetAsInteger(i);
            table.FieldByName(QStringLiteral("Nazev"))->SetAsString(QStringLiteral("Položka %1").arg(i));
            table.FieldByName(QStringLiteral("Jednotka"))->SetAsString(QStringLiteral("ks"));
            table.FieldByName(QStringLiteral("Skupina"))->SetAsInteger(2);
            table.Post();
        }
        table.First();

        PlaceGrid(source, QStringLiteral("grdZbozi"), 420, 200);
        ASSERT_TRUE(grid->Options() & dgEditing);
        UseColumns();
        ShowWindow();
    }

    void TearDown() override { DeleteGrid(); }

    void UseColumns() {
        grid->Columns().Clear();
        for (const char* name : {"ID", "Nazev", "Jednotka", "SkupinaNazev"}) {
            TColumn* column = grid->Columns().AddColumn();
            column->SetFieldName(QString::fromLatin1(name));
            column->SetWidth(90);
        }
        QApplication::processEvents();
    }

    TColumn* Column(const char* name) {
        for (int i = 0; i < grid->Columns().Count(); ++i)
            if (grid->Columns()[i]->FieldName() == QLatin1String(name)) return grid->Columns()[i];
        return nullptr;
    }
    // Makes the named column current on the current record.
    void GoToColumn(const char* name) {
        grid->SelectColumn(grid->DataToRawColumn(Column(name)->Index()), 0);
        ASSERT_EQ(grid->SelectedColumn(), Column(name));
    }
    void GoToRecord(int id) { ASSERT_TRUE(table.Locate(QStringLiteral("ID"), id)); }
    QString Text(const char* field) { return table.FieldByName(QString::fromLatin1(field))->AsString(); }
    TDBGridInplaceEdit* Editor() { return grid->InplaceEdit(); }
    bool EditorShown() { return Editor() && Editor()->isVisible(); }
    // Keys go where the keyboard is: to the editor while it has the focus.
    QWidget* Focused() { return QApplication::focusWidget() ? QApplication::focusWidget() : grid; }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(Focused(), key, mods);
    }
    void Type(const QString& text) {
        for (const QChar c : text) QTest::keyClick(Focused(), c.toLatin1());
    }
    QPoint ButtonCenter() { return Editor()->ButtonRect().center(); }
    void SetPickList(const QStringList& items) {
        Column("Jednotka")->SetPickList(&items);
        QApplication::processEvents();
    }
};

using InplaceTest = InplaceFixture;

// ---- editing a cell ------------------------------------------------------------------------------------

TEST_F(InplaceTest, F2ShowsTheEditorOverTheCellAndEnterStoresTheText) {
    GoToRecord(3);
    GoToColumn("Nazev");
    int enters = 0, exits = 0;
    grid->OnEnter = [&enters](QObject*) { ++enters; };
    grid->OnExit = [&exits](QObject*) { ++exits; };
    Key(Qt::Key_F2);
    ASSERT_TRUE(EditorShown());
    EXPECT_TRUE(grid->EditorMode());
    EXPECT_EQ(Editor()->geometry(), grid->CellRect(grid->Col(), grid->Row()).ToQRect());
    EXPECT_EQ(Editor()->text(), QStringLiteral("Položka 3"));
    EXPECT_TRUE(Editor()->hasFocus());
    EXPECT_EQ(Editor()->maxLength(), 20);

    Key(Qt::Key_End);
    Type(QStringLiteral("b"));
    EXPECT_EQ(table.State(), dsEdit);
    EXPECT_EQ(Text("Nazev"), QStringLiteral("Položka 3")) << "nothing is stored while typing";
    Key(Qt::Key_Return);
    EXPECT_EQ(Text("Nazev"), QStringLiteral("Položka 3b"));
    EXPECT_FALSE(EditorShown());
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(enters + exits, 0) << "the focus never left the grid for the window";

    // Leaving the row posts the record.
    Key(Qt::Key_Down);
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(table.FieldByName(QStringLiteral("ID"))->AsInteger(), 4);
    GoToRecord(3);
    EXPECT_EQ(Text("Nazev"), QStringLiteral("Položka 3b"));
}

TEST_F(InplaceTest, TypingOpensTheEditorWithTheCharacterAndLeavingTheRowPosts) {
    GoToRecord(2);
    GoToColumn("Nazev");
    Type(QStringLiteral("Vrtak"));
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->text(), QStringLiteral("Vrtak")) << "the first character replaces the old text";
    Key(Qt::Key_Down);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(table.State(), dsBrowse);
    GoToRecord(2);
    EXPECT_EQ(Text("Nazev"), QStringLiteral("Vrtak"));
    GoToRecord(3);
    EXPECT_EQ(Text("Nazev"), QStringLiteral("Položka 3"));

    // Leaving the grid from its editor stores the pending text too.
    Type(QStringLiteral("Pila"));
    ASSERT_TRUE(Editor()->hasFocus());
    int exits = 0;
    grid->OnExit = [&exits](QObject*) { ++exits; };
    other.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(Text("Nazev"), QStringLiteral("Pila"));
}

TEST_F(InplaceTest, EscapeRestoresTheTextAndASecondEscapeCancelsTheEdit) {
    GoToRecord(5);
    GoToColumn("Nazev");
    Type(QStringLiteral("Xyz"));
    ASSERT_TRUE(EditorShown());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(grid->EditText(), QStringLiteral("Položka 5"));
    Key(Qt::Key_Escape);
    EXPECT_EQ(table.State(), dsBrowse);
    Key(Qt::Key_Down);
    GoToRecord(5);
    EXPECT_EQ(Text("Nazev"), QStringLiteral("Položka 5"));

    // Shown again, the editor reads the record's text, not what was typed before.
    Key(Qt::Key_F2);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->text(), QStringLiteral("Položka 5"));
}

TEST_F(InplaceTest, APressOnTheCurrentCellOpensTheEditor) {
    GoToRecord(2);
    GoToColumn("Nazev");
    const int col = grid->Col();
    auto center = [this](int c, int r) {
        const TRect rect = grid->CellRect(c, r);
        return QPoint((rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2);
    };
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, center(col, grid->Row() + 1));
    EXPECT_FALSE(EditorShown()) << "the first press only moves there";
    EXPECT_EQ(table.FieldByName(QStringLiteral("ID"))->AsInteger(), 3);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, center(col, grid->Row()));
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->text(), QStringLiteral("Položka 3"));
}

TEST_F(InplaceTest, AnAlwaysShownEditorFollowsTheCursor) {
    grid->SetOptions(grid->Options() | dgAlwaysShowEditor);
    GoToRecord(1);
    GoToColumn("Nazev");
    grid->SetEditorMode(true);
    ASSERT_TRUE(EditorShown());
    Key(Qt::Key_End);
    Type(QStringLiteral("x"));
    Key(Qt::Key_Down);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->text(), QStringLiteral("Položka 2"));
    EXPECT_EQ(Editor()->geometry(), grid->CellRect(grid->Col(), grid->Row()).ToQRect());
    Key(Qt::Key_Tab);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->text(), QStringLiteral("ks"));
    Key(Qt::Key_Return);
    EXPECT_TRUE(EditorShown()) << "Enter does not close an editor that is always shown";
    GoToRecord(1);
    EXPECT_EQ(Text("Nazev"), QStringLiteral("Položka 1x"));
}

TEST_F(InplaceTest, GridsThatDoNotEditNeverShowTheEditor) {
    struct Case {
        const char* name;
        bool readOnlyGrid;
        TDBGridOptions added, removed;
    };
    const Case cases[] = {
        {"read-only grid", true, 0, 0},
        {"without editing", false, 0, dgEditing},
        {"row select", false, dgRowSelect, 0},
    };
    const TDBGridOptions start = grid->Options();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid->SetReadOnly(c.readOnlyGrid);
        grid->SetOptions((start | c.added) & ~c.removed);
        GoToRecord(1);
        GoToColumn("Nazev");
        Key(Qt::Key_F2);
        Type(QStringLiteral("Q"));
        Key(Qt::Key_Return);
        EXPECT_FALSE(EditorShown());
        EXPECT_EQ(table.State(), dsBrowse);
        EXPECT_EQ(Text("Nazev"), QStringLiteral("Položka 1"));
        EXPECT_FALSE(grid->EditorMode() && EditorShown());
        grid->SetEditorMode(false);
        grid->SetReadOnly(false);
        grid->SetOptions(start);
    }
}

TEST_F(InplaceTest, AReadOnlyColumnShowsItsTextButTakesNoTyping) {
    Column("Nazev")->SetReadOnlyValue(true);
    GoToRecord(1);
    GoToColumn("Nazev");
    Key(Qt::Key_F2);
    ASSERT_TRUE(EditorShown());
    EXPECT_TRUE(Editor()->isReadOnly());
    Key(Qt::Key_End);
    Type(QStringLiteral("Q"));
    EXPECT_EQ(Editor()->text(), QStringLiteral("Položka 1"));
    EXPECT_EQ(table.State(), dsBrowse);
}

TEST_F(InplaceTest, IntegerCellsTakeOnlyDigitsAndSigns) {
    GoToRecord(1);
    GoToColumn("ID");
    Key(Qt::Key_F2);
    Key(Qt::Key_End);
    Type(QStringLiteral("a-2,x"));
    EXPECT_EQ(Editor()->text(), QStringLiteral("1-2"));
}

// ---- edit styles ---------------------------------------------------------------------------------------

TEST_F(InplaceTest, TheStyleFollowsTheColumnAndItsField) {
    struct Case {
        const char* name;
        const char* column;
        TColumnButtonStyle button;
        bool pickList;
        bool readOnlyColumn;
        bool readOnlyKey;
        TEditStyle expected;
    };
    const Case cases[] = {
        {"plain text", "Nazev", cbsAuto, false, false, false, esSimple},
        {"ellipsis asked for", "Nazev", cbsEllipsis, false, false, false, esEllipsis},
        {"pick list", "Jednotka", cbsAuto, true, false, false, esPickList},
        {"pick list without a button", "Jednotka", cbsNone, true, false, false, esSimple},
        {"pick list of a read-only column", "Jednotka", cbsAuto, true, true, false, esSimple},
        {"ellipsis over a pick list", "Jednotka", cbsEllipsis, true, false, false, esEllipsis},
        {"lookup field", "SkupinaNazev", cbsAuto, false, false, false, esDataList},
        {"lookup with a read-only key", "SkupinaNazev", cbsAuto, false, false, true, esSimple},
        {"lookup in a read-only column", "SkupinaNazev", cbsAuto, false, true, false, esSimple},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TColumn* column = Column(c.column);
        column->SetButtonStyle(c.button);
        if (c.pickList) {
            const QStringList units{QStringLiteral("ks"), QStringLiteral("kg"), QStringLiteral("m")};
            column->SetPickList(&units);
        }
        column->SetReadOnlyValue(c.readOnlyColumn);
        table.FieldByName(QStringLiteral("Skupina"))->SetReadOnly(c.readOnlyKey);
        GoToColumn(c.column);
        grid->SetEditorMode(true);
        ASSERT_TRUE(EditorShown());
        Editor()->ApplyColumnSettings();
        EXPECT_EQ(Editor()->EditStyle(), c.expected);
        const QRect button = Editor()->ButtonRect();
        if (c.expected == esSimple) {
            EXPECT_TRUE(button.isEmpty());
        } else {
            EXPECT_EQ(button.width(), Editor()->ButtonWidth());
            EXPECT_EQ(button.right(), Editor()->width() - 1);
            EXPECT_GE(Editor()->textMargins().right(), Editor()->ButtonWidth());
        }
        EXPECT_EQ(Editor()->ActiveList() != nullptr, c.expected >= esPickList);
        grid->SetEditorMode(false);
        column->RestoreDefaults();
        column->SetWidth(90);
        table.FieldByName(QStringLiteral("Skupina"))->SetReadOnly(false);
        table.Cancel();
    }

    // A lookup column of a grid that may not change the data has no list to offer.
    GoToColumn("SkupinaNazev");
    grid->SetEditorMode(true);
    ASSERT_TRUE(EditorShown());
    grid->SetReadOnly(true);
    Editor()->ApplyColumnSettings();
    EXPECT_EQ(Editor()->EditStyle(), esSimple);
}

// ---- pick list -----------------------------------------------------------------------------------------

TEST_F(InplaceTest, PickListHeightFollowsItemsAndDropDownRows) {
    struct Case {
        int items;
        int rows;
        int shown;
    };
    const Case cases[] = {{3, 7, 3}, {10, 7, 7}, {7, 7, 7}, {4, 2, 2}};
    GoToColumn("Jednotka");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.items);
        QStringList items;
        for (int i = 0; i < c.items; ++i) items << QStringLiteral("j%1").arg(i);
        SetPickList(items);
        Column("Jednotka")->SetDropDownRows(c.rows);
        grid->SetEditorMode(true);
        ASSERT_TRUE(EditorShown());
        Editor()->OpenList();
        ASSERT_TRUE(Editor()->ListVisible());
        TPopupListbox* list = Editor()->PickList();
        EXPECT_EQ(list->height(), c.shown * list->ItemHeight() + 4);
        EXPECT_GE(list->ItemHeight(), 11);
        EXPECT_GE(list->width(), Editor()->width());
        EXPECT_EQ(list->geometry().topLeft(), Editor()->mapToGlobal(QPoint(0, Editor()->height())));
        Editor()->CloseList(false);
        EXPECT_FALSE(list->isVisible());
        grid->SetEditorMode(false);
    }
}

TEST_F(InplaceTest, PickListOpensFromTheButtonOrAltDownAndStoresTheChoice) {
    SetPickList({QStringLiteral("kg"), QStringLiteral("ks"), QStringLiteral("m"), QStringLiteral("bal")});
    GoToRecord(4);
    GoToColumn("Jednotka");
    Key(Qt::Key_F2);
    ASSERT_TRUE(EditorShown());
    ASSERT_EQ(Editor()->EditStyle(), esPickList);

    // The button drops the list with the cell's item chosen; a second press closes it untouched.
    QTest::mousePress(Editor(), Qt::LeftButton, Qt::NoModifier, ButtonCenter());
    ASSERT_TRUE(Editor()->ListVisible());
    EXPECT_TRUE(Editor()->ButtonPressed());
    QTest::mouseRelease(Editor(), Qt::LeftButton, Qt::NoModifier, ButtonCenter());
    EXPECT_FALSE(Editor()->ButtonPressed());
    EXPECT_FALSE(Editor()->Tracking());
    EXPECT_TRUE(Editor()->PickList()->isVisible());
    EXPECT_EQ(Editor()->PickList()->currentItem()->text(), QStringLiteral("ks"));
    EXPECT_TRUE(Editor()->hasFocus()) << "the list never takes the focus";
    QTest::mouseClick(Editor(), Qt::LeftButton, Qt::NoModifier, ButtonCenter());
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_EQ(Text("Jednotka"), QStringLiteral("ks"));

    // Escape closes without a change, and the editor stays.
    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Editor()->ListVisible());
    Key(Qt::Key_Down);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->text(), QStringLiteral("ks"));

    // Keys walk the open list; Enter stores the chosen item into the record.
    Key(Qt::Key_Down, Qt::AltModifier);
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_EQ(Editor()->text(), QStringLiteral("m"));
    EXPECT_EQ(Text("Jednotka"), QStringLiteral("m"));

    // Alt+Up closes accepting too.
    Key(Qt::Key_Down, Qt::AltModifier);
    Key(Qt::Key_Up);
    Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_EQ(Text("Jednotka"), QStringLiteral("ks"));
    Key(Qt::Key_Down);
    GoToRecord(4);
    EXPECT_EQ(Text("Jednotka"), QStringLiteral("ks"));
}

TEST_F(InplaceTest, AClickOnAnItemStoresItAndLosingTheFocusClosesTheList) {
    SetPickList({QStringLiteral("kg"), QStringLiteral("ks"), QStringLiteral("m")});
    GoToColumn("Jednotka");
    Key(Qt::Key_F2);
    Key(Qt::Key_Down, Qt::AltModifier);
    TPopupListbox* list = Editor()->PickList();
    ASSERT_TRUE(list->isVisible());
    const QRect third = list->visualItemRect(list->item(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, third.center());
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_EQ(Text("Jednotka"), QStringLiteral("m"));

    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Editor()->ListVisible());
    other.setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(Text("Jednotka"), QStringLiteral("m"));
}

TEST_F(InplaceTest, PickListSearchesWhatIsTypedWithinTheTimeOut) {
    SetPickList({QStringLiteral("balení"), QStringLiteral("kg"), QStringLiteral("KS"), QStringLiteral("km"),
                 QStringLiteral("m"), QStringLiteral("mm"), QStringLiteral("čtvereční metr")});
    GoToColumn("Jednotka");
    Key(Qt::Key_F2);
    Key(Qt::Key_Down, Qt::AltModifier);
    TPopupListbox* list = Editor()->PickList();
    ASSERT_TRUE(list->isVisible());
    qint64 now = 100000;
    list->TickCount = [&now] { return now; };
    auto current = [&] { return list->currentItem() ? list->currentItem()->text() : QString(); };

    Type(QStringLiteral("k"));
    EXPECT_EQ(current(), QStringLiteral("kg"));
    now += 1500;
    Type(QStringLiteral("s"));
    EXPECT_EQ(list->SearchText(), QStringLiteral("ks"));
    EXPECT_EQ(current(), QStringLiteral("KS")) << "case is ignored";
    EXPECT_EQ(Editor()->text(), QStringLiteral("ks")) << "the editor's text stays while searching";

    now += 2001;
    Type(QStringLiteral("m"));
    EXPECT_EQ(list->SearchText(), QStringLiteral("m"));
    EXPECT_EQ(current(), QStringLiteral("m"));
    now += 2000;
    Type(QStringLiteral("m"));
    EXPECT_EQ(list->SearchText(), QStringLiteral("mm")) << "exactly the time-out still continues";
    EXPECT_EQ(current(), QStringLiteral("mm"));

    // A Czech letter searches like any other, ignoring its case too.
    now += 5000;
    QKeyEvent accented(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("Č"));
    QApplication::sendEvent(Focused(), &accented);
    EXPECT_EQ(list->SearchText(), QStringLiteral("Č"));
    EXPECT_EQ(current(), QStringLiteral("čtvereční metr"));

    Key(Qt::Key_Backspace);
    EXPECT_TRUE(list->SearchText().isEmpty());
    const QString longText(40, QLatin1Char('x'));
    Type(longText);
    EXPECT_EQ(list->SearchText().size(), TPopupListbox::kMaxSearchText);
    EXPECT_EQ(current(), QStringLiteral("čtvereční metr")) << "nothing matches, the choice stays";
    EXPECT_EQ(list->SearchTickCount(), now);
}

TEST_F(InplaceTest, AListThatWouldLeaveTheScreenOpensAboveTheEditor) {
    const QRect screen = window.screen()->geometry();
    window.move(screen.left() + 10, screen.bottom() - window.height() + 1);
    QApplication::processEvents();
    QStringList items;
    for (int i = 0; i < 7; ++i) items << QStringLiteral("j%1").arg(i);
    SetPickList(items);
    GoToRecord(8);
    GoToColumn("Jednotka");
    Key(Qt::Key_F2);
    const QPoint editorTop = Editor()->mapToGlobal(QPoint(0, 0));
    ASSERT_GT(editorTop.y() + Editor()->height() + 7 * 11, screen.bottom());
    Editor()->OpenList();
    TPopupListbox* list = Editor()->PickList();
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->geometry().bottom() + 1, editorTop.y());
    EXPECT_EQ(list->geometry().left(), editorTop.x());
}

TEST_F(InplaceTest, PictureOfAnOpenPickList) {
    SetPickList({QStringLiteral("ks"), QStringLiteral("kg"), QStringLiteral("m"), QStringLiteral("bal"),
                 QStringLiteral("l")});
    GoToRecord(2);
    GoToColumn("Jednotka");
    Key(Qt::Key_F2);
    Key(Qt::Key_Down, Qt::AltModifier);
    TPopupListbox* list = Editor()->PickList();
    ASSERT_TRUE(list->isVisible());
    QApplication::processEvents();
    // The list is a window of its own: both are put together as a person sees them.
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    const QRect listRect = list->geometry().translated(-origin);
    QImage picture(window.size().expandedTo(QSize(listRect.right() + 1, listRect.bottom() + 1)),
                   QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, window.grab());
    painter.drawPixmap(listRect.topLeft(), list->grab());
    painter.end();
    EXPECT_TRUE(picture.save(ArtifactPath(QStringLiteral("dbgrid-picklist.png"))));
    // The chosen item is highlighted inside the list.
    const QRect chosen =
        list->visualItemRect(list->currentItem()).translated(listRect.topLeft() + list->viewport()->pos());
    EXPECT_NE(picture.pixelColor(chosen.center() + QPoint(chosen.width() / 3, 0)), QColor(Qt::white));
}

// ---- lookup list ---------------------------------------------------------------------------------------

TEST_F(InplaceTest, LookupListShowsTheGroupsAndSetsTheKey) {
    GoToRecord(6);
    GoToColumn("SkupinaNazev");
    Key(Qt::Key_F2);
    ASSERT_EQ(Editor()->EditStyle(), esDataList);
    Key(Qt::Key_Down, Qt::AltModifier);
    TPopupDataList* list = Editor()->DataList();
    ASSERT_TRUE(list && list->isVisible());
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("Barvy"));
    EXPECT_EQ(list->KeyValue(), QVariant(qint64(2)));
    EXPECT_EQ(list->height(), 7 * list->RowHeight() + 4);
    EXPECT_EQ(Editor()->LookupSource()->DataSet(), &groups);

    Key(Qt::Key_Down);
    EXPECT_EQ(list->KeyValue(), QVariant(qint64(3)));
    Key(Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(Editor()->LookupSource()->DataSet(), nullptr);
    EXPECT_EQ(table.FieldByName(QStringLiteral("Skupina"))->AsInteger(), 3);
    // The choice is an edit of the record like any other: Escape cancels it, leaving the row posts it.
    Key(Qt::Key_Escape);
    EXPECT_EQ(table.FieldByName(QStringLiteral("Skupina"))->AsInteger(), 2);
    Key(Qt::Key_F2);
    Key(Qt::Key_Down, Qt::AltModifier);
    Key(Qt::Key_Up);
    Key(Qt::Key_Return);
    Key(Qt::Key_Down);
    GoToRecord(6);
    EXPECT_EQ(table.FieldByName(QStringLiteral("Skupina"))->AsInteger(), 1);
}

// ---- ellipsis ------------------------------------------------------------------------------------------

TEST_F(InplaceTest, TheEllipsisButtonRunsTheColumnsAction) {
    int clicks = 0;
    grid->OnEditButtonClick = [&clicks](QObject*) { ++clicks; };
    Column("Nazev")->SetButtonStyle(cbsEllipsis);
    GoToColumn("Nazev");
    Key(Qt::Key_F2);
    ASSERT_EQ(Editor()->EditStyle(), esEllipsis);

    QTest::mouseClick(Editor(), Qt::LeftButton, Qt::NoModifier, ButtonCenter());
    EXPECT_EQ(clicks, 1);

    // Let go away from the button, the press does nothing.
    QTest::mousePress(Editor(), Qt::LeftButton, Qt::NoModifier, ButtonCenter());
    EXPECT_TRUE(Editor()->ButtonPressed());
    QMouseEvent away(QEvent::MouseMove, QPointF(5, 5), Editor()->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Editor(), &away);
    EXPECT_FALSE(Editor()->ButtonPressed());
    EXPECT_TRUE(Editor()->Tracking());
    QTest::mouseRelease(Editor(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(Editor()->Tracking());

    Key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(EditorShown()) << "Ctrl+Enter does not close the editor";
    Key(Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clicks, 2);
}

TEST_F(InplaceTest, EllipsisDotsAreAnEighthOfTheButtonApartByTwice) {
    struct Case {
        int width;
        bool pressed;
        int size;
    };
    const Case cases[] = {{16, false, 2}, {16, true, 2}, {17, false, 2}, {24, false, 3}, {7, false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        const QRect button(100, 0, c.width, 18);
        const auto dots = TDBGridInplaceEdit::EllipsisDots(button, c.pressed);
        const auto still = TDBGridInplaceEdit::EllipsisDots(button, false);
        for (const QRect& dot : dots) EXPECT_EQ(dot.size(), QSize(c.size, c.size));
        EXPECT_EQ(dots[1].left() - dots[0].left(), 2 * c.size);
        EXPECT_EQ(dots[2].left() - dots[1].left(), 2 * c.size);
        EXPECT_EQ(dots[0].top(), dots[2].top());
        EXPECT_LE(std::abs(dots[1].center().x() - button.center().x()), 1);
        EXPECT_EQ(dots[1].topLeft() - still[1].topLeft(), c.pressed ? QPoint(1, 1) : QPoint(0, 0));
    }
}

TEST(GridErrorTest, TheErrorRoutineRaisesTheGridsOwnError) {
    EXPECT_THROW(RaiseGridError(QStringLiteral("Chyba mřížky")), EInvalidGridOperation);
    try {
        RaiseGridError(QStringLiteral("Chyba mřížky"));
    } catch (const EInvalidGridOperation& e) {
        EXPECT_EQ(QString::fromStdString(e.what()), QStringLiteral("Chyba mřížky"));
    }
}

}  // namespace
