#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QShortcut>
#include <QTest>

#include "../common/Artifacts.h"
#include "DBGridUiFixture.h"
#include "VnDBGridFixture.h"
#include "widgets/VnDBGridClip.h"

namespace {

QPoint Center(const TRect& r) { return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }

TVnAssistButton* ItemNamed(TDBClipPopup* menu, const QString& name) {
    for (int i = 0; i < menu->ItemCount(); ++i)
        if (menu->Items(i)->Name() == name) return menu->Items(i);
    return nullptr;
}

void ClickItem(TDBClipPopup* menu, const QString& name) {
    TVnAssistButton* item = ItemNamed(menu, name);
    ASSERT_NE(item, nullptr) << name.toStdString();
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, item->WindowRect().ToQRect().center());
    QApplication::processEvents();
}

// A grid of 12 records with the marker column, three of them marked, as the lists show it.
struct MarkerMenuTest : DBGridFixture {
    int bookmarksChanged = 0;
    QStringList clipItems;

    void SetUp() override {
        Build(12);
        MakeGrid(300, 500);
        grid->SetDataSource(&source);
        grid->SetOptions(grid->Options() | dgMarker);
        for (int id : {2, 5, 9}) {
            GoToId(id);
            grid->MarkedRows().SetCurrentRowMarked(true);
        }
        table.First();
        grid->OnBookmarksChanged = [this](QObject*) { ++bookmarksChanged; };
        grid->OnClipButtonClick = [this](TVnAssistButton* item) {
            clipItems << (item ? item->Name() : QStringLiteral("?"));
        };
        grid->setFocus();
        QApplication::processEvents();
    }

    QWidget* vp() { return grid->viewport(); }
    TDBClipPopup* menu() { return grid->ClipPopup(); }
    TRect MarkerTitle() { return grid->CellRect(1, 0); }
    void ClickMarkerTitle() {
        QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, Center(MarkerTitle()));
        QApplication::processEvents();
    }
    bool Open() { return menu()->isVisible() && grid->ClipPopupOpen(); }
};

TEST_F(MarkerMenuTest, MarkerTitleOpensTheMenuUnderItWithTheMarkCount) {
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    EXPECT_EQ(menu()->Kind(), TVnCustomDBGrid::kClipMarker);
    EXPECT_EQ(menu()->Column(), -1);

    // Mark all, remove all, a separator and the disabled count of 3 marks of 12 records.
    ASSERT_EQ(menu()->ItemCount(), 4);
    EXPECT_EQ(menu()->Items(0)->Name(), QStringLiteral("#SelectAll"));
    EXPECT_EQ(menu()->Items(0)->Caption(), TDBClipPopup::kSelectAllCaption);
    EXPECT_EQ(menu()->Items(0)->Column(), 0);
    EXPECT_EQ(menu()->Items(1)->Name(), QStringLiteral("#DeselectAll"));
    EXPECT_EQ(menu()->Items(1)->Caption(), TDBClipPopup::kDeselectAllCaption);
    EXPECT_EQ(menu()->Items(1)->Column(), 1);
    EXPECT_FALSE(menu()->Items(0)->Glyph().isNull());
    EXPECT_FALSE(menu()->Items(1)->Glyph().isNull());
    EXPECT_TRUE(menu()->Items(2)->IsSeparator());
    TVnAssistButton* info = menu()->InfoItem();
    ASSERT_EQ(info, menu()->Items(3));
    EXPECT_FALSE(info->Enabled());
    EXPECT_EQ(info->Caption(), QStringLiteral("3/12 ") + RecordWord(12) + QStringLiteral(" "));
    EXPECT_TRUE(info->Caption().endsWith(QStringLiteral("ей ")));

    // It hangs from the marker title's bottom edge, one pixel up over its line, in list view.
    EXPECT_EQ(menu()->ViewStyle(), vsList);
    EXPECT_EQ(menu()->BorderKind(), cbRaised);
    EXPECT_EQ(menu()->pos(), vp()->mapToGlobal(QPoint(MarkerTitle().Left, MarkerTitle().Bottom - 1)));
    EXPECT_EQ(grid->PressedTitle(), -1);

    // A click on an item with a disabled item does nothing.
    ClickItem(menu(), QStringLiteral("#BookmarsInfo"));
    EXPECT_TRUE(Open());
    EXPECT_TRUE(clipItems.isEmpty());
}

TEST_F(MarkerMenuTest, ItemsMarkAllAndRemoveAllAndCloseTheMenu) {
    ClickMarkerTitle();
    bookmarksChanged = 0;
    ClickItem(menu(), QStringLiteral("#SelectAll"));
    EXPECT_FALSE(Open());
    EXPECT_EQ(menu()->Kind(), TVnCustomDBGrid::kClipNone);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 12);
    EXPECT_GT(bookmarksChanged, 0);
    EXPECT_EQ(clipItems, QStringList{QStringLiteral("#SelectAll")});

    // The count follows the marks the next time the menu opens.
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    EXPECT_TRUE(menu()->InfoItem()->Caption().startsWith(QStringLiteral("12/12 ")));

    bookmarksChanged = 0;
    ClickItem(menu(), QStringLiteral("#DeselectAll"));
    EXPECT_FALSE(Open());
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 0);
    EXPECT_GT(bookmarksChanged, 0);
    EXPECT_EQ(clipItems.last(), QStringLiteral("#DeselectAll"));
}

TEST_F(MarkerMenuTest, MenuClosesOnASecondClickAnOutsideClickEscAndFocusLoss) {
    // The same title again.
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    ClickMarkerTitle();
    EXPECT_FALSE(Open());
    EXPECT_EQ(menu()->Kind(), TVnCustomDBGrid::kClipNone);
    // ... and a third click opens it again.
    ClickMarkerTitle();
    EXPECT_TRUE(Open());

    // A click on a data cell closes it (and still moves the cursor there).
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, Center(grid->CellRect(3, 4)));
    QApplication::processEvents();
    EXPECT_FALSE(Open());
    EXPECT_EQ(CurrentId(), IdOnRow(3));

    // A click on another data title closes it too.
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, Center(grid->CellRect(3, 0)));
    QApplication::processEvents();
    EXPECT_FALSE(Open());

    // A right click anywhere on the grid.
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    QTest::mouseClick(vp(), Qt::RightButton, Qt::NoModifier, Center(grid->CellRect(2, 2)));
    QApplication::processEvents();
    EXPECT_FALSE(Open());

    // Esc goes to the menu, not to the grid.
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    QTest::keyClick(grid, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(Open());

    // A click on another control of the window.
    auto* other = new QWidget(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    other->setGeometry(505, 0, 10, 10);
    other->show();
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    QTest::mouseClick(other, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QApplication::processEvents();
    EXPECT_FALSE(Open());

    // The grid losing the focus by the keyboard.
    grid->setFocus();
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    other->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(Open());
}

TEST_F(MarkerMenuTest, GridKeysWorkTheOpenMenu) {
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    const qint64 before = CurrentId();
    QTest::keyClick(grid, Qt::Key_Down);
    QApplication::processEvents();
    // The key moved through the menu, not the records.
    EXPECT_EQ(CurrentId(), before);
    ASSERT_TRUE(Open());
    ASSERT_NE(menu()->Buttons().ActiveButton(), nullptr);
    EXPECT_EQ(menu()->Buttons().ActiveButton()->Name(), QStringLiteral("#SelectAll"));
    QTest::keyClick(grid, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_FALSE(Open());
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 12);

    // A window's Esc shortcut does not take the key from the open menu, only from a closed one.
    int shortcuts = 0;
    QShortcut escape(QKeySequence(Qt::Key_Escape), &window);
    QObject::connect(&escape, &QShortcut::activated, [&] { ++shortcuts; });
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    QTest::keyClick(grid, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(Open());
    EXPECT_EQ(shortcuts, 0);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(shortcuts, 1);
}

TEST_F(MarkerMenuTest, ClipClickHandlerPlacesAndMayKeepTheMenuClosed) {
    QPoint seen;
    QObject* sender = nullptr;
    bool answer = false;
    grid->OnClipClick = [&](QObject* s, int x, int y, bool& show) {
        sender = s;
        seen = {x, y};
        show = answer;
    };
    ClickMarkerTitle();
    EXPECT_EQ(sender, menu());
    EXPECT_EQ(seen, QPoint(MarkerTitle().Left, MarkerTitle().Bottom - 1));
    EXPECT_FALSE(menu()->isVisible());
    EXPECT_FALSE(grid->ClipPopupOpen());
    EXPECT_EQ(menu()->Kind(), TVnCustomDBGrid::kClipNone);
    EXPECT_EQ(grid->PressedTitle(), -1);

    // The flat clip style moves the menu one pixel left and gives it the flat border with its shadow.
    answer = true;
    TGridDrawing flat(grid);
    flat.SetClipStyle(csFlatBorder);
    grid->SetGridDrawing(flat);
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    EXPECT_EQ(seen, QPoint(MarkerTitle().Left - 1, MarkerTitle().Bottom - 1));
    EXPECT_EQ(menu()->BorderKind(), cbFlat);
    EXPECT_TRUE(menu()->Shadow().ShadowVisible());
}

TEST_F(MarkerMenuTest, IndicatorMenuOffersItsCommandsAndOnlyReportsThem) {
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, Center(grid->CellRect(0, 0)));
    QApplication::processEvents();
    ASSERT_TRUE(Open());
    EXPECT_EQ(menu()->Kind(), TVnCustomDBGrid::kClipIndicator);
    QStringList names;
    for (int i = 0; i < menu()->ItemCount(); ++i) {
        names << menu()->Items(i)->Name();
        EXPECT_EQ(menu()->Items(i)->Column(), i);
        EXPECT_TRUE(menu()->Items(i)->Enabled());
    }
    EXPECT_EQ(names, QStringList({"#Query", "#Property", "#Find", "#Print"}));

    // The marker title's button closes the indicator menu and opens its own.
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    EXPECT_EQ(menu()->Kind(), TVnCustomDBGrid::kClipMarker);

    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, Center(grid->CellRect(0, 0)));
    QApplication::processEvents();
    ASSERT_EQ(menu()->Kind(), TVnCustomDBGrid::kClipIndicator);
    bookmarksChanged = 0;
    ClickItem(menu(), QStringLiteral("#Find"));
    EXPECT_FALSE(Open());
    EXPECT_EQ(clipItems, QStringList{QStringLiteral("#Find")});
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 3);
    EXPECT_EQ(bookmarksChanged, 0);
}

TEST_F(MarkerMenuTest, TitlesWithoutTheirMenuOptionOpenNothing) {
    grid->SetOptionsEx(grid->OptionsEx() & ~(dgeMarkerMenu | dgeIndicatorMenu));
    ClickMarkerTitle();
    EXPECT_FALSE(Open());
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, Center(grid->CellRect(0, 0)));
    QApplication::processEvents();
    EXPECT_FALSE(Open());
}

TEST_F(MarkerMenuTest, ColumnMenuOpensFromItsTitleButtonOnlyWithItems) {
    grid->SetOptions(grid->Options() | dgTitleClicked);
    grid->Columns().ColumnAt(1)->SetOptions(gcPopupMenu);
    QApplication::processEvents();
    const int raw = grid->DataToRawColumn(1);
    const TRect cell = grid->CellRect(raw, 0);
    TRect button;
    ASSERT_TRUE(grid->TitleButtonRect(cell, button));
    EXPECT_EQ(button.Right, cell.Right);
    EXPECT_LE(button.Width(), 8);

    // The button shows its drop-down mark; the title of a column without a menu has none there.
    auto darkPixels = [&](int rawColumn) {
        TRect b;
        grid->TitleButtonRect(grid->CellRect(rawColumn, 0), b);
        const QImage look = vp()->grab(b.ToQRect()).toImage();
        int dark = 0;
        for (int y = 0; y < look.height(); ++y)
            for (int x = 0; x < look.width(); ++x)
                if (qGray(look.pixel(x, y)) < 60) ++dark;
        return dark;
    };
    EXPECT_GT(darkPixels(raw), 0);
    EXPECT_EQ(darkPixels(grid->DataToRawColumn(2)), 0);

    // The handler adds nothing: the menu closes at once and the title is not left pressed.
    int clicks = 0;
    bool fill = false;
    grid->OnClipClick = [&](QObject* sender, int, int, bool&) {
        ++clicks;
        if (fill) {
            auto* m = static_cast<TDBClipPopup*>(sender);
            m->AddItem(QStringLiteral("#Sort"), QString(), 7, 0, QStringLiteral("Seřadit"));
        }
    };
    int titleClicks = 0;
    grid->OnTitleClick = [&](TColumn*) { ++titleClicks; };
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, Center(button));
    QApplication::processEvents();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(Open());
    EXPECT_EQ(grid->PressedTitle(), -1);
    EXPECT_EQ(titleClicks, 0);

    // With an item it opens right-aligned under the title, the title pressed as its button.
    fill = true;
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, Center(button));
    QApplication::processEvents();
    ASSERT_TRUE(Open());
    EXPECT_EQ(menu()->Kind(), TVnCustomDBGrid::kClipColumn);
    EXPECT_EQ(menu()->Column(), raw);
    EXPECT_EQ(grid->PressedTitle(), raw);
    EXPECT_TRUE(grid->PressedTitleOpen());
    EXPECT_EQ(menu()->geometry().right() + 1, vp()->mapToGlobal(QPoint(cell.Right, 0)).x());
    ClickItem(menu(), QStringLiteral("#Sort"));
    EXPECT_FALSE(Open());
    EXPECT_FALSE(grid->PressedTitleOpen());
    EXPECT_EQ(clipItems, QStringList{QStringLiteral("#Sort")});
    EXPECT_EQ(grid->PressedTitle(), -1);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 3);

    // Its button closes the open menu; the rest of the title is still a plain title.
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, Center(button));
    QApplication::processEvents();
    ASSERT_TRUE(Open());
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, Center(button));
    QApplication::processEvents();
    EXPECT_FALSE(Open());
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, QPoint(cell.Left + 10, Center(cell).y()));
    QApplication::processEvents();
    EXPECT_FALSE(Open());
    EXPECT_EQ(titleClicks, 1);

    // A title too narrow for its button has none.
    TRect none;
    EXPECT_FALSE(grid->TitleButtonRect({0, 0, 6, 18}, none));
}

TEST_F(MarkerMenuTest, PictureOfTheOpenMarkerMenu) {
    ClickMarkerTitle();
    ASSERT_TRUE(Open());
    const QImage gridImage = window.grab().toImage();
    const QImage menuImage = menu()->grab().toImage();
    const QPoint at = window.mapFromGlobal(menu()->pos());
    QImage picture(std::max(gridImage.width(), at.x() + menuImage.width()),
                   std::max(gridImage.height(), at.y() + menuImage.height()), QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter p(&picture);
        p.drawImage(0, 0, gridImage);
        p.drawImage(at, menuImage);
    }
    EXPECT_TRUE(picture.save(ArtifactPath(QStringLiteral("dbgrid-marker-menu.png"))));

    // The open menu's title image is faded towards the title colour: no black is left in it.
    const TRect title = MarkerTitle();
    const QImage cell = vp()->grab(title.Inflated(-2, -2).ToQRect()).toImage();
    int dark = 0;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
            if (qGray(cell.pixel(x, y)) < 60) ++dark;
    EXPECT_EQ(dark, 0);
}

// ---- the count's plural ------------------------------------------------------------------------------

TEST(BookmarksInfoText, WordForRecordFollowsTheNumberOfRecords) {
    struct Case {
        int records;
        const char* ending;
    };
    const Case kCases[] = {{1, "ь"}, {2, "и"}, {5, "ей"}, {11, "ей"}, {21, "ь"}, {22, "и"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.records);
        EXPECT_EQ(BookmarksInfoText(4, c.records),
                  QStringLiteral("4/%1 запис%2 ").arg(c.records).arg(QString::fromUtf8(c.ending)));
    }
}

// ---- selected blocks over records -------------------------------------------------------------------

struct DBSelectedAreaTest : DBGridUiFixture {
    TDBSelectedArea* area() { return dynamic_cast<TDBSelectedArea*>(grid->SelectedArea()); }
    void Press(int col, int row, Qt::KeyboardModifiers shift) {
        QTest::mouseClick(vp(), Qt::LeftButton, shift, CellCenter(col, row));
        QApplication::processEvents();
    }
};

TEST_F(DBSelectedAreaTest, BlocksKeepTheirRecordsWhileTheGridScrolls) {
    ASSERT_NE(area(), nullptr);
    UseColumns({{"ID", 40}, {"Nazev", 100}, {"Cena", 60}, {"Jednotka", 50}, {"Datum", 70}});
    grid->SetOptions(grid->Options() | dgAdvancedSelect);
    int bookmarksChanged = 0;
    grid->OnBookmarksChanged = [&](QObject*) { ++bookmarksChanged; };

    // Ctrl+click: a one-cell block on the clicked record.
    Press(2, 3, Qt::ControlModifier);
    ASSERT_EQ(area()->Count(), 1);
    auto* item = static_cast<TDBSelectedItem*>(area()->Items(0));
    EXPECT_EQ(item->FirstColumn(), 1);
    EXPECT_EQ(item->ColumnCount(), 1);
    EXPECT_EQ(item->Kind(), TDBSelectedItem::kBlock);
    EXPECT_EQ(item->Rows().MarkCount(), 1);
    EXPECT_TRUE(area()->CellInArea(1, 2));
    EXPECT_FALSE(area()->CellInArea(0, 2));
    EXPECT_FALSE(area()->CellInArea(1, 1));

    // Shift+click from the current cell grows the block to the clicked cell, both ways.
    Press(4, 6, Qt::ShiftModifier);
    ASSERT_EQ(area()->Count(), 1);
    item = static_cast<TDBSelectedItem*>(area()->Items(0));
    EXPECT_EQ(item->FirstColumn(), 1);
    EXPECT_EQ(item->ColumnCount(), 3);
    EXPECT_EQ(item->Rows().MarkCount(), 4);
    struct Case {
        int column, row;
        bool in;
    };
    const Case kCases[] = {{1, 2, true},  {3, 5, true},  {2, 4, true}, {0, 3, false},
                           {4, 3, false}, {2, 1, false}, {2, 6, false}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.column << "," << c.row);
        EXPECT_EQ(area()->CellInArea(c.column, c.row), c.in);
    }
    // The window's marks are not the block's.
    EXPECT_EQ(bookmarksChanged, 0);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 0);

    // Its region covers exactly its cells, and they are painted in the selection colour.
    const QRegion region = item->GetRegion();
    const TRect box = grid->CellBoxRect(2, 3, 4, 6);
    EXPECT_EQ(region.boundingRect(), box.ToQRect());
    const QImage look = Grab();
    EXPECT_EQ(Pixel(look, CellCenter(3, 4).x() + 20, CellCenter(3, 4).y()), TColor(0xCAB2A9));
    EXPECT_NE(Pixel(look, CellCenter(3, 8).x() + 20, CellCenter(3, 8).y()), TColor(0xCAB2A9));

    // Scrolled down the data, the block stays on its records (IDs 3 to 6), higher on the screen.
    TGridDataLink* link = grid->DataLink();
    link->MoveBy(grid->VisibleRowCount() - 1 - link->ActiveRecord() + 2);
    QApplication::processEvents();
    const int saved = link->ActiveRecord();
    link->SetActiveRecord(0);
    const int topId = Id();
    link->SetActiveRecord(saved);
    ASSERT_GT(topId, 1);
    ASSERT_LE(topId, 3);
    for (int id = topId; id <= 8; ++id) {
        SCOPED_TRACE(id);
        EXPECT_EQ(area()->CellInArea(2, id - topId), id >= 3 && id <= 6);
    }
    EXPECT_EQ(item->GetRegion().boundingRect(),
              grid->CellBoxRect(2, 3 - topId + 1, 4, 6 - topId + 1).ToQRect());

    // A plain press clears every block.
    Press(2, 8, Qt::NoModifier);
    EXPECT_EQ(area()->Count(), 0);
}

}  // namespace
