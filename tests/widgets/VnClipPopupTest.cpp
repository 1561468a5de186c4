#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <memory>

#include "TestGrid.h"
#include "common/Artifacts.h"
#include "widgets/VnClipPopup.h"

namespace {

// A 16 x 16 glyph on a white (transparent) ground, registered under a resource name.
void RegisterGlyph(const QString& name, QColor color) {
    QImage glyph(16, 16, QImage::Format_RGB32);
    glyph.fill(Qt::white);
    QPainter p(&glyph);
    p.fillRect(2, 2, 12, 12, color);
    p.fillRect(5, 5, 6, 6, Qt::white);
    p.end();
    RegisterBitmapResource(name, glyph);
}

QPoint Center(const TVnEditButton* item) { return item->WindowRect().ToQRect().center(); }

class ClipPopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterGlyph(QStringLiteral("VN_TEST_RED"), QColor(200, 0, 0));
        RegisterGlyph(QStringLiteral("VN_TEST_BLUE"), QColor(0, 0, 200));
        form = std::make_unique<QWidget>();
        form->setGeometry(50, 50, 300, 200);
        form->show();
        QApplication::processEvents();
        popup = new TCustomClipPopup(form.get());
        popup->OnItemClick = [this](TCustomClipPopup*, TVnAssistButton* item) { clicked << item->Name(); };
    }

    void Move(QWidget* widget, QPoint pos) {
        QMouseEvent e(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(widget, &e);
    }

    std::unique_ptr<QWidget> form;
    TCustomClipPopup* popup = nullptr;
    QStringList clicked;
};

TEST_F(ClipPopupTest, ListViewIsAsWideAsTheWidestCaptionWithItsGlyphAndBorder) {
    popup->BeginUpdate();
    popup->SetViewStyle(vsList);
    TVnAssistButton* a =
        popup->AddItem(QStringLiteral("#A"), QStringLiteral("VN_TEST_RED"), 0, 0, QStringLiteral("Krátký"));
    TVnAssistButton* b =
        popup->AddItem(QStringLiteral("#B"), QString(), 1, 0, QStringLiteral("Mnohem delší položka nabídky"));
    TVnAssistButton* sep = popup->AddItem(QStringLiteral("#Sep"), QString(), -1, 0, QStringLiteral("-"));
    popup->EndUpdate();

    ASSERT_GT(b->CaptionWidth(), a->CaptionWidth());
    const int w = b->CaptionWidth() + 30 + 16;
    EXPECT_EQ(popup->width(), w + 4);
    const int ha = std::max(a->CaptionHeight(), 16) + 6, hb = b->CaptionHeight() + 6;
    EXPECT_EQ(a->BoundsRect(), (TRect{2, 2, 2 + w, 2 + ha}));
    EXPECT_EQ(b->BoundsRect(), (TRect{2, 2 + ha, 2 + w, 2 + ha + hb}));
    // A separator is 3 pixels high, and a pixel wider under a flat border.
    EXPECT_EQ(sep->BoundsRect(), (TRect{2, 2 + ha + hb, 3 + w, 5 + ha + hb}));
    EXPECT_EQ(popup->height(), 2 + ha + hb + 3 + 2);
    EXPECT_EQ(a->AssistKind(), akMenuItem);
    EXPECT_EQ(a->Color(), 0xF7F8F9);
    EXPECT_EQ(a->HotColor(), 0xD2BDB6);
    EXPECT_EQ(b->Glyph().isNull(), true);

    // Items added outside an update lay the popup out at once.
    popup->AddItem(QStringLiteral("#C"), QString(), 2, 0,
                   QStringLiteral("Mnohem delší položka nabídky, ještě delší"));
    EXPECT_GT(popup->width(), w + 4);
}

TEST_F(ClipPopupTest, SeparatorsAndDisabledItemsStayOutOfReach) {
    popup->SetViewStyle(vsList);
    popup->BeginUpdate();
    TVnAssistButton* a =
        popup->AddItem(QStringLiteral("#A"), QStringLiteral("VN_TEST_RED"), 0, 0, QStringLiteral("Alfa"));
    TVnAssistButton* sep = popup->AddItem(QStringLiteral("#Sep"), QString(), -1, 0, QStringLiteral("-"));
    TVnAssistButton* off = popup->AddItem(QStringLiteral("#Off"), QString(), 1, 0, QStringLiteral("Vypnuto"));
    popup->EndUpdate();
    off->SetEnabled(false);
    popup->SetPopupBounds(10, 10, popup->width(), popup->height());
    popup->ShowPopup();
    QApplication::processEvents();

    // The mouse: neither the separator nor the disabled item clicks.
    for (const TVnAssistButton* item : {sep, off}) {
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, Center(item));
        EXPECT_NE(item->State(), TVnButtonState::Down);
    }
    EXPECT_TRUE(clicked.isEmpty());
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, Center(a));
    EXPECT_EQ(clicked, QStringList{QStringLiteral("#A")});

    // The keyboard steps over the separator; Enter on the disabled item does nothing.
    clicked.clear();
    TVnEditButtons& set = popup->Buttons();
    set.SelectButton(-1, true);
    EXPECT_EQ(set.ActiveButton(), a);
    QTest::keyClick(popup, Qt::Key_Down);
    EXPECT_EQ(set.ActiveButton(), off);
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_TRUE(clicked.isEmpty());
    QTest::keyClick(popup, Qt::Key_Down);
    EXPECT_EQ(set.ActiveButton(), a);
    QTest::keyClick(popup, Qt::Key_Enter);
    EXPECT_EQ(clicked, QStringList{QStringLiteral("#A")});

    // The separator is one grey line across its middle row.
    Move(popup, {1, 1});
    const QImage look = popup->grab().toImage();
    const TRect r = sep->WindowRect();
    EXPECT_EQ(FromQColor(look.pixelColor(r.Right - 5, r.Top + 1)), 0xA6A6A6);
    EXPECT_NE(FromQColor(look.pixelColor(r.Right - 5, r.Top)), 0xA6A6A6);
}

TEST_F(ClipPopupTest, GridViewShowsTheHoveredItemsHintInTheStatusLine) {
    EXPECT_EQ(popup->ViewStyle(), vsGrid);
    popup->BeginUpdate();
    TVnAssistButton* a =
        popup->AddItem(QStringLiteral("#A"), QStringLiteral("VN_TEST_RED"), 0, 0, QStringLiteral("Červená"));
    TVnAssistButton* b =
        popup->AddItem(QStringLiteral("#B"), QStringLiteral("VN_TEST_BLUE"), 2, 1, QStringLiteral("Modrá"));
    popup->EndUpdate();
    const int cell = 16 + 6;
    EXPECT_EQ(popup->MaxColumn(), 2);
    EXPECT_EQ(popup->MaxRow(), 1);
    EXPECT_EQ(a->BoundsRect(), (TRect{3, 3, 3 + cell, 3 + cell}));
    EXPECT_EQ(b->BoundsRect(), (TRect{3 + 2 * cell, 3 + cell, 3 + 3 * cell, 3 + 2 * cell}));
    EXPECT_EQ(popup->width(), cell * 3 + 6);
    EXPECT_EQ(popup->height(), cell * 2 + TCustomClipPopup::kStatusHeight + 8);
    EXPECT_TRUE(a->Caption().isEmpty());
    EXPECT_EQ(a->Hint(), QStringLiteral("Červená"));

    popup->SetPopupBounds(10, 10, popup->width(), popup->height());
    popup->ShowPopup();
    Move(popup, Center(b));
    EXPECT_EQ(popup->StatusText(), QStringLiteral("Modrá"));
    QApplication::processEvents();
    ASSERT_TRUE(popup->grab().toImage().save(ArtifactPath(QStringLiteral("clip-popup-grid.png"))));
    Move(popup, {1, popup->height() - 3});
    EXPECT_TRUE(popup->StatusText().isEmpty());

    // Back to the list view, the same items are laid out as lines.
    popup->SetViewStyle(vsList);
    EXPECT_EQ(a->Top(), 2);
    EXPECT_EQ(popup->Buttons().Count(), 2);
    popup->Clear();
    EXPECT_EQ(popup->Buttons().Count(), 0);
    EXPECT_EQ(popup->MaxRow(), 0);
    EXPECT_EQ(popup->MaxColumn(), 0);
}

TEST_F(ClipPopupTest, DefaultItemsAreTheFourCommandsInAList) {
    popup->CreateDefaultItems();
    EXPECT_EQ(popup->ViewStyle(), vsList);
    ASSERT_EQ(popup->ItemCount(), 4);
    const char* names[] = {"#Query", "#Property", "#Find", "#Print"};
    const QString captions[] = {QStringLiteral("Текст запроса"), QStringLiteral("Настройки"),
                                QStringLiteral("Поиск"), QStringLiteral("Печать")};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(popup->Items(i)->Name(), QLatin1String(names[i]));
        EXPECT_EQ(popup->Items(i)->Caption(), captions[i]);
        EXPECT_EQ(popup->Items(i)->Column(), i);
        EXPECT_EQ(popup->Items(i)->Row(), 0);
        // No program bitmaps of these names: the items go without glyphs.
        EXPECT_TRUE(popup->Items(i)->Glyph().isNull());
    }
    // Built again, the list does not grow.
    popup->CreateDefaultItems();
    EXPECT_EQ(popup->ItemCount(), 4);
}

TEST_F(ClipPopupTest, APopupNearTheBottomOfTheScreenOpensUpwards) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    form->move(20, screen.bottom() - 40);
    QApplication::processEvents();
    popup->SetViewStyle(vsList);
    popup->AddItem(QStringLiteral("#A"), QString(), 0, 0, QStringLiteral("Alfa"));
    popup->AddItem(QStringLiteral("#B"), QString(), 1, 0, QStringLiteral("Beta"));
    popup->SetPopupBounds(0, 30, popup->width(), popup->height());
    popup->ShowPopup();
    EXPECT_EQ(popup->geometry().bottom(), screen.bottom());
    EXPECT_EQ(popup->PlacementResult() & 1, 1);
    EXPECT_TRUE(popup->Shadow().isVisible());
    EXPECT_EQ(popup->Shadow().BlendLevel(), 195);
}

// A caption bar on top and a grip bar at the bottom: the popup grows by their heights, its items move
// below the caption, every part answers its own hit code and cursor, a press on the caption moves
// the popup, a press on the grip sizes it, and Ctrl with an arrow moves it by 10 pixels on screen.
TEST_F(ClipPopupTest, FramePartsMoveAndSizeThePopup) {
    popup->BeginUpdate();
    popup->SetViewStyle(vsList);
    popup->AddItem(QStringLiteral("#A"), QString(), 0, 0, QStringLiteral("Alfa"));
    popup->AddItem(QStringLiteral("#B"), QString(), 1, 0, QStringLiteral("Beta"));
    popup->EndUpdate();
    const int plainHeight = popup->height();
    const int itemTop = popup->Items(0)->Top();
    EXPECT_EQ(popup->FramePartHeights().Top, 0);
    EXPECT_EQ(popup->HitTest(Center(popup->Items(0))), TVnHitPart::ItemButton);

    popup->SetFrameParts(TVnFramePart::Caption | TVnFramePart::SizeGrip);
    EXPECT_EQ(popup->FramePartHeights().Top, 14);
    EXPECT_EQ(popup->FramePartHeights().Bottom, 17);
    EXPECT_EQ(popup->height(), plainHeight + 14 + 17);
    EXPECT_EQ(popup->Items(0)->Top(), itemTop + 14);
    EXPECT_EQ(popup->contentsMargins(), QMargins(2, 2 + 14, 2, 2 + 17));
    popup->SetPlacement(ppAbsolute);
    popup->SetPopupBounds(200, 150, popup->width(), popup->height());
    popup->ShowPopup();
    const int w = popup->width(), h = popup->height();

    struct Case {
        const char* what;
        QPoint point;
        TVnHitPart part;
        Qt::CursorShape cursor;
    };
    const Case cases[] = {
        {"caption", {w / 2, 2 + 7}, TVnHitPart::Caption, Qt::ArrowCursor},
        {"grip bar", {5, h - 2 - 8}, TVnHitPart::GripBar, Qt::ArrowCursor},
        {"grip corner", {w - 2 - 4, h - 2 - 4}, TVnHitPart::SizeGrip, Qt::SizeFDiagCursor},
        {"border", {0, h / 2}, TVnHitPart::Border, Qt::ArrowCursor},
        {"item", Center(popup->Items(1)), TVnHitPart::ItemButton, Qt::ArrowCursor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(popup->HitTest(c.point), c.part);
        Move(popup, c.point);
        EXPECT_EQ(popup->HitPart(), c.part);
        EXPECT_EQ(popup->cursor().shape(), c.cursor);
    }
    EXPECT_EQ(popup->HitTest({-1, -1}), TVnHitPart::None);

    // The parts are painted: the caption bar in the caption colour, the grip on the popup's face.
    QImage look(popup->size(), QImage::Format_RGB32);
    popup->render(&look);
    look.save(ArtifactPath(QStringLiteral("clip-popup-frame-parts.png")));
    EXPECT_EQ(FromQColor(look.pixelColor(3, 3)), ColorToRGB(clActiveCaption));
    EXPECT_EQ(FromQColor(look.pixelColor(4, h - 2 - 8)), ColorToRGB(clBtnFace));

    // A press on the caption drags the popup, one on the grip sizes it.
    auto drag = [&](QPoint from, QPoint by) {
        QTest::mousePress(popup, Qt::LeftButton, Qt::NoModifier, from);
        EXPECT_TRUE(popup->Tracker() && popup->Tracker()->Active());
        const QPoint global = popup->mapToGlobal(from) + by;
        QMouseEvent move(QEvent::MouseMove, QPointF(), QPointF(global), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(popup, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(), QPointF(global), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(popup, &release);
        QApplication::processEvents();
    };
    drag({w / 2, 2 + 7}, {30, 20});
    EXPECT_EQ(popup->geometry(), QRect(230, 170, w, h));
    drag({w - 2 - 4, h - 2 - 4}, {15, 10});
    EXPECT_EQ(popup->geometry(), QRect(230, 170, w + 15, h + 10));

    // Ctrl and an arrow move it by 10 pixels, never off the desktop.
    QTest::keyClick(popup, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(popup->pos(), QPoint(240, 170));
    QTest::keyClick(popup, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(popup->pos(), QPoint(240, 160));
    const QRect desktop = popup->screen()->virtualGeometry();
    popup->SetBounds(desktop.left() + 4, 160, popup->width(), popup->height());
    QTest::keyClick(popup, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(popup->x(), desktop.left());
    QTest::keyClick(popup, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(popup->x(), desktop.left());

    // Without a caption the keys do not move it.
    popup->SetFrameParts(0);
    const QPoint before = popup->pos();
    QTest::keyClick(popup, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(popup->pos(), before);
    popup->HidePopup();
}

TEST_F(ClipPopupTest, PictureOfAMarkerLikeMenu) {
    RegisterGlyph(QStringLiteral("VN_TEST_ALL"), QColor(0, 128, 0));
    RegisterGlyph(QStringLiteral("VN_TEST_NONE"), QColor(160, 0, 0));
    popup->BeginUpdate();
    popup->Clear();
    popup->SetViewStyle(vsList);
    popup->AddItem(QStringLiteral("#SelectAll"), QStringLiteral("VN_TEST_ALL"), 0, 0,
                   QStringLiteral("Выделить все"));
    popup->AddItem(QStringLiteral("#DeselectAll"), QStringLiteral("VN_TEST_NONE"), 1, 0,
                   QStringLiteral("Снять все отметки"));
    popup->AddItem(QStringLiteral("#SepLine"), QString(), -1, 0, QStringLiteral("-"));
    TVnAssistButton* info = popup->AddItem(QStringLiteral("#BookmarsInfo"), QString(), 1, 0,
                                           QStringLiteral("3/12 %1 ").arg(RecordWord(12)));
    info->SetLayout(TVnButtonLayout::GlyphRight);
    info->SetEnabled(false);
    popup->EndUpdate();
    popup->SetPopupBounds(10, 10, popup->width(), popup->height());
    popup->ShowPopup();
    Move(popup, Center(popup->Items(0)));
    QApplication::processEvents();
    const QImage look = popup->grab().toImage();
    ASSERT_TRUE(look.save(ArtifactPath(QStringLiteral("clip-popup-list.png"))));
    // The hot item is framed darkly; the normal one shows the glyph gutter at its left.
    const TRect hot = popup->Items(0)->WindowRect();
    EXPECT_EQ(FromQColor(look.pixelColor(hot.Left, hot.Top + 3)), 0x6A0A24);
    EXPECT_EQ(FromQColor(look.pixelColor(hot.Left + 10, hot.Top + 3)), 0xD2BDB6);
    const TRect normal = popup->Items(1)->WindowRect();
    EXPECT_EQ(FromQColor(look.pixelColor(normal.Left + 1, normal.Top + 1)), 0xD1D8DB);
    EXPECT_EQ(FromQColor(look.pixelColor(normal.Right - 2, normal.Top + 1)), 0xF7F8F9);
    // The flat border of tone 2: a dark grey frame.
    EXPECT_EQ(FromQColor(look.pixelColor(0, 5)), 0x666666);
}

// ---- the shared drop-down popup -----------------------------------------------------------------

// A control that opens the shared popup and fills it with two records and a disabled line.
class Holder : public QLineEdit, public IVnPopupHolder {
public:
    using QLineEdit::QLineEdit;
    QObject* GetObject() override { return this; }
    void ItemClicked(TVnAssistButton* item) override {
        clicked << item->Name();
        if (item->Record()) clickedCaptions << item->Record()->Caption;
    }
    void GetHolderRect(TRect& rect) override {
        rect = TRect::FromQRect(QRect(mapToGlobal(QPoint(0, 0)), size()));
    }
    void GetPopupPosition(int& left, int& top, int& side, int& width) override {
        left = 0;
        top = height();
        side = 1;
        width = this->width();
    }
    QWidget* GetControl() override { return this; }
    bool CanClosePopup() override { return canClose; }
    int SetPopup(TComboClipPopup* popup) override {
        popup->AddItemFromRecord(0, {QStringLiteral("#One"), QStringLiteral("Jedna"), -1, true});
        popup->AddItemFromRecord(1, {QStringLiteral("#Two"), QStringLiteral("Dvě"), -1, true});
        popup->AddEmptyItem(QStringLiteral("(nic dalšího)"));
        return 1;
    }
    void PopupClosed() override { ++closed; }
    void SetDroppedDown(bool value) override { dropped = value; }

    QStringList clicked, clickedCaptions;
    bool canClose = true;
    bool dropped = false;
    int closed = 0;
};

class SharedPopupTest : public ::testing::Test {
public:
    void SetUp() override {
        form = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(form.get());
        holder = new Holder(form.get());
        other = new Holder(form.get());
        layout->addWidget(holder);
        layout->addWidget(other);
        form->setGeometry(100, 100, 320, 160);
        form->show();
        form->activateWindow();
        holder->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override {
        for (Holder* h : {holder, other})
            if (h) h->canClose = true;
        OpenSharedPopup(nullptr);
        QApplication::processEvents();
    }
    // Lets the queued close of an item click and the deferred deletions run.
    static void Settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::unique_ptr<QWidget> form;
    Holder* holder = nullptr;
    Holder* other = nullptr;
};

TEST_F(SharedPopupTest, OpensUnderItsHolderFilledByIt) {
    TComboClipPopup* popup = OpenSharedPopup(holder);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(SharedPopup(), popup);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(holder->dropped);
    EXPECT_EQ(popup->ViewStyle(), vsList);
    EXPECT_EQ(popup->geometry().topLeft(),
              holder->mapToGlobal(holder->contentsRect().topLeft()) + QPoint(0, holder->height()));
    ASSERT_EQ(popup->ItemCount(), 3);
    EXPECT_EQ(popup->Items(1)->Caption(), QStringLiteral("Dvě"));
    EXPECT_EQ(popup->Items(1)->Column(), 1);
    EXPECT_EQ(popup->Items(2)->Name(), QStringLiteral("#Empty"));
    EXPECT_FALSE(popup->Items(2)->Enabled());
    // The popup and the holder read as one shape: the popup's top edge joins the holder's width.
    TRect join;
    popup->GetJoinRect({0, 0, popup->width(), popup->height()}, join);
    EXPECT_EQ(join, (TRect{1, 0, holder->width() - 1, 1}));
    EXPECT_EQ(QApplication::focusWidget(), holder);
}

TEST_F(SharedPopupTest, AnItemClickReachesTheHolderAndClosesThePopup) {
    TComboClipPopup* popup = OpenSharedPopup(holder);
    QPointer<TComboClipPopup> watch(popup);
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, Center(popup->Items(1)));
    EXPECT_EQ(holder->clicked, QStringList{QStringLiteral("#Two")});
    EXPECT_EQ(holder->clickedCaptions, QStringList{QStringLiteral("Dvě")});
    Settle();
    EXPECT_EQ(SharedPopup(), nullptr);
    EXPECT_TRUE(watch.isNull());
    EXPECT_FALSE(holder->dropped);
    EXPECT_EQ(holder->closed, 1);
}

TEST_F(SharedPopupTest, ClosesOnOutsideClicksEscapeAndAltKeys) {
    struct Case {
        const char* name;
        std::function<void(SharedPopupTest&)> act;
        bool closes;
    };
    const Case cases[] = {
        {"click on another control", [](SharedPopupTest& t) { QTest::mouseClick(t.other, Qt::LeftButton); },
         true},
        {"click on the form",
         [](SharedPopupTest& t) {
             QTest::mouseClick(t.form.get(), Qt::LeftButton, {}, {2, 2});
         },
         true},
        {"click on the holder", [](SharedPopupTest& t) { QTest::mouseClick(t.holder, Qt::LeftButton); },
         false},
        {"right click outside",
         [](SharedPopupTest& t) {
             QTest::mouseClick(t.form.get(), Qt::RightButton, {}, {2, 2});
         },
         false},
        {"the focus moves on", [](SharedPopupTest& t) { t.other->setFocus(); }, true},
        {"Escape", [](SharedPopupTest& t) { QTest::keyClick(t.holder, Qt::Key_Escape); }, true},
        {"Alt with a key", [](SharedPopupTest& t) { QTest::keyClick(t.holder, Qt::Key_D, Qt::AltModifier); },
         true},
        {"a plain key goes to the popup", [](SharedPopupTest& t) { QTest::keyClick(t.holder, Qt::Key_X); },
         false},
        {"the program is left",
         [](SharedPopupTest&) {
             QEvent e(QEvent::ApplicationDeactivate);
             QApplication::sendEvent(qApp, &e);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        holder->setFocus();
        const QString before = holder->text();
        ASSERT_NE(OpenSharedPopup(holder), nullptr);
        c.act(*this);
        Settle();
        EXPECT_EQ(SharedPopup() == nullptr, c.closes);
        EXPECT_EQ(holder->dropped, !c.closes);
        // Keys meant for the popup never type into the holder.
        if (!c.closes) {
            EXPECT_EQ(holder->text(), before);
        }
        OpenSharedPopup(nullptr);
        Settle();
    }
}

TEST_F(SharedPopupTest, KeysOnTheHolderMoveThroughTheItems) {
    TComboClipPopup* popup = OpenSharedPopup(holder);
    QTest::keyClick(holder, Qt::Key_Down);
    EXPECT_EQ(popup->Buttons().ActiveButton(), popup->Items(0));
    QTest::keyClick(holder, Qt::Key_Down);
    QTest::keyClick(holder, Qt::Key_Return);
    EXPECT_EQ(holder->clicked, QStringList{QStringLiteral("#Two")});
    Settle();
    EXPECT_EQ(SharedPopup(), nullptr);
}

TEST_F(SharedPopupTest, AHolderThatKeepsItsPopupBlocksAnotherAndKeepsTheWatch) {
    TComboClipPopup* first = OpenSharedPopup(holder);
    holder->canClose = false;
    EXPECT_EQ(OpenSharedPopup(other), nullptr);
    EXPECT_EQ(SharedPopup(), first);
    EXPECT_FALSE(other->dropped);
    // The popup still listens: Escape cannot close it either, but a plain key still reaches it.
    QTest::keyClick(holder, Qt::Key_Down);
    EXPECT_EQ(first->Buttons().ActiveButton(), first->Items(0));
    holder->canClose = true;
    TComboClipPopup* second = OpenSharedPopup(other);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(holder->closed, 1);
    EXPECT_TRUE(other->dropped);
    Settle();
}

TEST_F(SharedPopupTest, ThePopupGoesWithItsHoldersControl) {
    OpenSharedPopup(other);
    delete other;
    other = nullptr;
    EXPECT_EQ(SharedPopup(), nullptr);
    // The watch has nothing left to close and events flow as before.
    QTest::keyClick(holder, Qt::Key_A);
    Settle();
    EXPECT_EQ(holder->text(), QStringLiteral("a"));
    EXPECT_EQ(OpenSharedPopup(nullptr), nullptr);
}

// ---- the grid as a holder ----------------------------------------------------------------------------

class ClipGrid : public TestGrid {
public:
    void PopupAnchor(int& left, int& top, int& side, int& width) override {
        left = 0;
        top = 19;
        side = 1;
        width = 13;
    }
    void ClipButtonClick(int item) override { clicked.push_back(item); }
    std::vector<int> clicked;
};

TEST(GridClipPopup, TheGridAnswersAsTheHolderOfItsClipMenu) {
    ClipGrid grid;
    grid.resize(300, 200);
    grid.show();
    QApplication::processEvents();
    TComboClipPopup menu(&grid);
    EXPECT_EQ(menu.OwnerControl(), &grid);
    menu.BeginUpdate();
    menu.SetViewStyle(vsList);
    menu.AddItem(QStringLiteral("#SelectAll"), QString(), 0, 0, QStringLiteral("Выделить все"));
    menu.AddItem(QStringLiteral("#DeselectAll"), QString(), 1, 0, QStringLiteral("Снять все отметки"));
    menu.EndUpdate();
    int left = 0, top = 0, side = 0, width = 0;
    grid.GetPopupPosition(left, top, side, width);
    menu.SetPopupBounds(left, top, menu.width(), menu.height());
    menu.ShowPopup();
    // The grid's empty holder rectangle keeps the menu a plain rectangle with no extra shadow offset.
    EXPECT_EQ(menu.GetPopupRegion(), QRegion(menu.rect()));
    EXPECT_EQ(menu.GetShadowOffset(), QPoint(0, 0));
    TRect join;
    menu.GetJoinRect({0, 0, menu.width(), menu.height()}, join);
    EXPECT_EQ(join, (TRect{1, 0, 12, 1}));
    EXPECT_EQ(menu.geometry().topLeft(), grid.viewport()->mapToGlobal(QPoint(0, 19)));
    QTest::mouseClick(&menu, Qt::LeftButton, Qt::NoModifier, Center(menu.Items(1)));
    EXPECT_EQ(grid.clicked, std::vector<int>{1});
    menu.HidePopup();
}

}  // namespace
