#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "common/Artifacts.h"
#include "widgets/VnPopupWindow.h"

namespace {

TVnOwnerGeometry Owner(int left, int top, int width, int height) {
    // A control with a two-pixel frame around its client area.
    return {QRect(left, top, width, height), QRect(left + 2, top + 2, width - 4, height - 4)};
}

TEST(PopupPlacement, PlacesBesideTheOwnerAndKeepsTheDesktop) {
    const TRect desktop{0, 0, 1024, 768};
    struct Case {
        const char* name;
        int placement;
        bool hasOwner;
        TVnOwnerGeometry owner;
        TRect popup;  // the requested rectangle (size 120 x 60 unless said)
        bool fit;
        QPoint expected;
        int result;
    };
    const TRect size{0, 0, 120, 60};
    const Case cases[] = {
        {"below", ppBelow, true, Owner(100, 200, 80, 20), size, true, {100, 220}, 0},
        {"below, near the bottom: opens above",
         ppBelow,
         true,
         Owner(100, 720, 80, 20),
         size,
         true,
         {100, 660},
         1},
        {"below, near the right: shifted left",
         ppBelow,
         true,
         Owner(980, 200, 40, 20),
         size,
         true,
         {904, 220},
         2},
        {"below, in the corner", ppBelow, true, Owner(980, 720, 40, 20), size, true, {904, 660}, 3},
        {"below, not fitted", ppBelow, true, Owner(100, 720, 80, 20), size, false, {100, 740}, 0},
        {"below right", ppBelowRight, true, Owner(100, 200, 80, 20), size, true, {60, 220}, 0},
        {"below right, off the left edge",
         ppBelowRight,
         true,
         Owner(10, 200, 80, 20),
         size,
         true,
         {0, 220},
         0},
        {"below right, near the bottom",
         ppBelowRight,
         true,
         Owner(300, 740, 80, 20),
         size,
         true,
         {260, 680},
         1},
        {"client point", ppClientPoint, true, Owner(100, 200, 80, 20), {5, 7, 125, 67}, true, {107, 209}, 0},
        {"client point, near the bottom: flush with it",
         ppClientPoint,
         true,
         Owner(100, 700, 80, 20),
         {0, 40, 120, 100},
         true,
         {102, 708},
         1},
        {"client point above the desktop",
         ppClientPoint,
         true,
         Owner(100, 10, 80, 20),
         {0, -50, 120, 10},
         true,
         {102, 0},
         0},
        {"right", ppRight, true, Owner(100, 200, 80, 20), size, true, {178, 200}, 0},
        {"right, near the right: to the owner's left",
         ppRight,
         true,
         Owner(950, 200, 60, 20),
         size,
         true,
         {830, 200},
         2},
        {"right, near the bottom: flush with it",
         ppRight,
         true,
         Owner(100, 740, 80, 20),
         size,
         true,
         {178, 708},
         1},
        {"absolute stays where asked",
         ppAbsolute,
         true,
         Owner(100, 200, 80, 20),
         {2000, 2000, 2120, 2060},
         true,
         {2000, 2000},
         -1},
        {"no owner: kept on the primary screen",
         ppBelow,
         false,
         {},
         {2000, -5, 2120, 55},
         true,
         {904, 0},
         -1},
        {"no owner, not fitted", ppBelow, false, {}, {2000, -5, 2120, 55}, false, {2000, -5}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPoint position;
        const int result = TVnPopupWindow::CalcPlacement(c.placement, c.hasOwner ? &c.owner : nullptr,
                                                         c.popup, c.fit, desktop, desktop, position);
        EXPECT_EQ(position, c.expected);
        EXPECT_EQ(result, c.result);
    }
}

TEST(PopupShadow, OffsetFollowsAngleAndDistance) {
    TVnPopupWindow popup(nullptr);
    TVnControlShadow& shadow = popup.Shadow();
    EXPECT_EQ(shadow.ShadowOffset(), QPoint(0, 0));  // invisible
    shadow.SetShadowVisible(true);
    struct Case {
        int angle;
        unsigned distance;
        QPoint expected;
    };
    const Case cases[] = {
        {135, 4, {3, 3}}, {90, 4, {0, 4}},    {180, 5, {5, 0}}, {0, 5, {-5, 0}},
        {45, 1, {-1, 1}}, {225, 10, {7, -7}}, {30, 4, {-3, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle * 100 + static_cast<int>(c.distance));
        shadow.SetAngle(c.angle);
        shadow.SetDistance(c.distance);
        EXPECT_EQ(shadow.ShadowOffset(), c.expected);
    }
}

// A form with an edit field that has the focus, and a popup owned by the field.
class PopupOnForm : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<QWidget>();
        form->setObjectName(QStringLiteral("frmTest"));
        auto* layout = new QVBoxLayout(form.get());
        edit = new QLineEdit(form.get());
        layout->addWidget(edit);
        form->setGeometry(100, 100, 240, 120);
        form->show();
        form->activateWindow();
        edit->setFocus();
        QApplication::processEvents();
        popup = new TVnPopupWindow(edit);
        popup->SetHookParentForm(true);
        popup->SetPopupBounds(0, 0, 120, 60);
        popup->SetPlacement(ppBelow);
    }

    void PressCaption() {
        QMouseEvent e(QEvent::NonClientAreaMouseButtonPress, QPointF(10, -10),
                      form->mapToGlobal(QPointF(10, -10)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &e);
    }

    std::unique_ptr<QWidget> form;
    QLineEdit* edit = nullptr;
    TVnPopupWindow* popup = nullptr;
};

TEST_F(PopupOnForm, ShowsBelowItsOwnerWithoutTakingTheFocus) {
    ASSERT_EQ(QApplication::focusWidget(), edit);
    struct PlacementSpy : QObject {
        int count = 0;
        QPoint at;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == TVnPopupPlacementEvent::EventType()) {
                const auto* p = static_cast<TVnPopupPlacementEvent*>(e);
                ++count;
                at = {p->Left, p->Top};
                EXPECT_EQ(p->Flag, 1);
            }
            return false;
        }
    } spy;
    edit->installEventFilter(&spy);
    popup->Shadow().SetShadowVisible(true);
    popup->ShowPopup();
    QApplication::processEvents();
    edit->removeEventFilter(&spy);

    EXPECT_TRUE(popup->Shown());
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(popup->isWindow());
    EXPECT_TRUE(popup->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(popup->windowFlags() & Qt::WindowStaysOnTopHint);
    const QPoint below = edit->mapToGlobal(QPoint(0, edit->height()));
    EXPECT_EQ(popup->geometry().topLeft(), below);
    EXPECT_EQ(popup->PlacementResult(), 0);
    EXPECT_EQ(spy.count, 1);
    EXPECT_EQ(spy.at, below);

    // Neither showing nor a click on the popup moves the focus away from the form's field.
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), form.get());
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_TRUE(edit->hasFocus());

    popup->HidePopup();
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(popup->Shown());
}

TEST_F(PopupOnForm, PressOnTheFormsCaptionHidesItUnlessTheFormIsMinimised) {
    popup->ShowPopup();
    PressCaption();
    EXPECT_FALSE(popup->Shown());
    EXPECT_FALSE(popup->isVisible());

    // Hidden, the popup no longer watches the form.
    popup->ShowPopup();
    popup->HidePopup();
    PressCaption();
    EXPECT_FALSE(popup->Shown());

    form->showMinimized();
    QApplication::processEvents();
    ASSERT_TRUE(form->isMinimized());
    popup->ShowPopup();
    PressCaption();
    EXPECT_TRUE(popup->Shown());
}

TEST_F(PopupOnForm, ShadowLiesOffsetUnderThePopupAndMovesWithIt) {
    TVnControlShadow& shadow = popup->Shadow();
    shadow.SetShadowVisible(true);
    popup->SetPlacement(ppAbsolute);
    popup->SetPopupBounds(300, 200, 120, 60);
    popup->ShowPopup();
    QApplication::processEvents();
    EXPECT_TRUE(shadow.isVisible());
    EXPECT_TRUE(shadow.windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_EQ(shadow.geometry(), QRect(303, 203, 120, 60));
    // Only the part that sticks out from under the popup is the shadow's.
    const QRegion mask = shadow.mask();
    EXPECT_TRUE(mask.contains(QPoint(118, 30)));
    EXPECT_TRUE(mask.contains(QPoint(50, 58)));
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(116, 56)));

    popup->SetBounds(200, 150, 80, 40);
    EXPECT_EQ(popup->geometry(), QRect(200, 150, 80, 40));
    EXPECT_EQ(shadow.geometry(), QRect(203, 153, 80, 40));
    shadow.SetDistance(8);
    EXPECT_EQ(shadow.geometry().topLeft(), QPoint(206, 156));

    // The shadow darkens next to the popup and fades away from it.
    const QImage look = shadow.RenderShadow();
    EXPECT_GT(qAlpha(look.pixel(79, 20)), 0);
    EXPECT_GT(qAlpha(look.pixel(79, 20)), qAlpha(look.pixel(79, 39)));

    popup->HidePopup();
    EXPECT_FALSE(shadow.isVisible());
    shadow.SetShadowVisible(false);
    popup->ShowPopup();
    EXPECT_FALSE(shadow.isVisible());
}

TEST_F(PopupOnForm, RequestedBoundsOfAShownPopupPlaceItAgain) {
    popup->SetPlacement(ppClientPoint);
    popup->SetPopupBounds(5, 5, 100, 40);
    popup->ShowPopup();
    const QPoint client = edit->mapToGlobal(edit->contentsRect().topLeft());
    EXPECT_EQ(popup->geometry(), QRect(client + QPoint(5, 5), QSize(100, 40)));
    popup->SetPopupBounds(10, 0, 90, 30);
    EXPECT_EQ(popup->geometry(), QRect(client + QPoint(10, 0), QSize(90, 30)));
    popup->SetPlacement(ppBelow);
    EXPECT_EQ(popup->geometry().topLeft(), edit->mapToGlobal(QPoint(0, edit->height())));
}

TEST_F(PopupOnForm, PictureOfAPopupWithItsShadow) {
    popup->Shadow().SetShadowVisible(true);
    popup->SetPlacement(ppAbsolute);
    popup->SetPopupBounds(40, 30, 120, 60);
    popup->ShowPopup();
    QApplication::processEvents();
    // The desktop under it: a white page with a chequered band, so the shadow's blending shows.
    QImage desk(220, 130, QImage::Format_RGB32);
    desk.fill(Qt::white);
    QPainter p(&desk);
    for (int x = 0; x < 220; x += 10) p.fillRect(x, 70, 5, 20, QColor(0, 120, 215));
    const QRect s = popup->Shadow().geometry();
    p.setClipRegion(popup->Shadow().mask().translated(s.topLeft()));
    p.drawImage(s.topLeft(), popup->Shadow().RenderShadow());
    p.setClipping(false);
    p.fillRect(popup->geometry(), QColor(255, 255, 239));
    p.setPen(Qt::black);
    p.drawRect(popup->geometry().adjusted(0, 0, -1, -1));
    p.end();
    ASSERT_TRUE(desk.save(ArtifactPath(QStringLiteral("popup-shadow.png"))));
    // Right of the popup, within the shadow, the page is darker than the untouched page.
    EXPECT_LT(qGray(desk.pixel(161, 50)), 255);
    EXPECT_EQ(qGray(desk.pixel(170, 50)), 255);
}

}  // namespace

namespace {

QSize MarkupSize(const QFont& font, const QString& text) {
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter p(&scratch);
    p.setFont(font);
    QPoint extent;
    DrawMarkupText(p, text, TRect{0, 0, 100000, 100000}, false, DT_LEFT, nullptr, extent);
    return {extent.x(), extent.y()};
}

class MessageWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner = std::make_unique<QWidget>();
        owner->setGeometry(100, 100, 200, 40);
        owner->show();
        QApplication::processEvents();
        window = new TVnMessageWindow(owner.get());
        window->SetPlacement(ppBelow);
    }
    std::unique_ptr<QWidget> owner;
    TVnMessageWindow* window = nullptr;
};

TEST_F(MessageWindowTest, SizesItselfToItsTextAndShape) {
    const QString text = QStringLiteral("Zadaná hodnota /bnení/b0 platná");
    window->SetText(text);
    const QSize t = MarkupSize(window->font(), text);
    ASSERT_GT(t.width(), 0);
    EXPECT_EQ(window->size(), QSize(t.width() + 6 + 2, t.height() + 4 + 2));
    EXPECT_EQ(window->GetPopupRegion(), QRegion(window->rect()));

    window->SetShape(msRoundRect);
    EXPECT_EQ(window->size(), QSize(t.width() + 6 + 16, t.height() + 4 + 16));
    const QRegion round = window->GetPopupRegion();
    EXPECT_FALSE(round.contains(QPoint(0, 0)));
    EXPECT_TRUE(round.contains(QPoint(window->width() / 2, window->height() / 2)));

    // A balloon below its owner has its tail on the top edge, 8 pixels from the left.
    window->SetShape(msBalloon);
    EXPECT_EQ(window->height(), t.height() + 4 + 16 + 11);
    QRegion balloon = window->GetPopupRegion();
    EXPECT_TRUE(balloon.contains(QPoint(9, 3)));
    EXPECT_FALSE(balloon.contains(QPoint(window->width() / 2, 3)));
    EXPECT_TRUE(balloon.contains(QPoint(window->width() / 2, 14)));

    // A maximal width wraps the text.
    window->SetShape(msRectangle);
    window->SetText(QStringLiteral("Zadaná hodnota není platná a musí být opravena"));
    const QSize plain = MarkupSize(window->font(), window->Text());
    window->SetMaxWidth(plain.width() / 2);
    window->Relayout();
    EXPECT_LE(window->width(), plain.width() / 2 + 8);
    EXPECT_GT(window->height(), plain.height() + 6);
}

TEST_F(MessageWindowTest, ButtonsGoUnderTheTextAndMakeTheWindowTakeTheMouse) {
    window->SetText(QStringLiteral("Uložit změny?"));
    EXPECT_TRUE(window->testAttribute(Qt::WA_TransparentForMouseEvents));
    TVnEditButton* yes = window->Buttons().AddButton();
    yes->SetCaption(QStringLiteral("Ano"));
    yes->SetBoundsRect(0, 0, 50, 20);
    EXPECT_FALSE(window->testAttribute(Qt::WA_TransparentForMouseEvents));
    window->Relayout();
    const QSize t = MarkupSize(window->font(), window->Text());
    EXPECT_EQ(yes->Top(), 1 + 2 + t.height() + 5);
    EXPECT_EQ(window->height(), t.height() + 5 + 20 + 4 + 2);
    EXPECT_GE(window->width(), 50 + 6 + 2);
}

// A timer the test runs by hand: it remembers what it was asked for and fires when the test's clock
// passes the time.
class ManualTimer : public IVnWindowTimer {
public:
    struct Clock {
        int now = 0;
        int starts = 0;
        int due = -1;  // -1: not running
        bool refuse = false;
        std::function<void()> elapsed;
        void Advance(int milliseconds) {
            now += milliseconds;
            if (due >= 0 && now >= due) {
                due = -1;
                auto fire = elapsed;
                fire();
            }
        }
    };
    explicit ManualTimer(Clock& clock) : clock_(clock) {}
    bool Start(int milliseconds, std::function<void()> elapsed) override {
        if (clock_.refuse) return false;
        ++clock_.starts;
        clock_.due = clock_.now + milliseconds;
        clock_.elapsed = std::move(elapsed);
        return true;
    }
    void Stop() override { clock_.due = -1; }

private:
    Clock& clock_;
};

// Collects the events an owner gets from its message window.
struct OwnerEvents : QObject {
    int delay = 0;
    int hideNotices = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == TVnMessageShowEvent::EventType())
            static_cast<TVnMessageShowEvent*>(e)->Delay = delay;
        if (e->type() == TVnMessageHideEvent::EventType()) ++hideNotices;
        return false;
    }
};

TEST_F(MessageWindowTest, TheOwnerMayDelayTheShowing) {
    ManualTimer::Clock clock;
    window->SetTimer(std::make_unique<ManualTimer>(clock));
    OwnerEvents events;
    events.delay = 40;
    owner->installEventFilter(&events);
    window->SetText(QStringLiteral("Chvilku strpení"));
    window->ShowPopup();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->ShowPending());
    EXPECT_EQ(window->HideMode(), TVnTimerMode::Show);
    clock.Advance(39);
    EXPECT_FALSE(window->isVisible());
    clock.Advance(1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->ShowPending());
    EXPECT_EQ(window->TimerId(), 0);
    window->HidePopup();

    // Hidden before its time, it does not come up later.
    window->ShowPopup();
    window->HidePopup();
    clock.Advance(100);
    EXPECT_FALSE(window->isVisible());

    // Stopping the timer with its mode does at once what the timer would have done.
    window->ShowPopup();
    window->StopTimer(TVnTimerMode::Show);
    EXPECT_TRUE(window->isVisible());
    window->HidePopup();

    events.delay = 0;
    window->ShowPopup();
    EXPECT_TRUE(window->isVisible());
    owner->removeEventFilter(&events);
}

// Auto-hide: a free window goes by itself after HideDelay, an owned one tells its owner and stays
// until the owner decides, and a window with buttons never starts the timer.
TEST_F(MessageWindowTest, AutoHideAfterTheDelayUnlessItHasButtons) {
    ManualTimer::Clock clock;
    OwnerEvents events;
    owner->installEventFilter(&events);

    auto* free = new TVnMessageWindow(nullptr);
    free->SetTimer(std::make_unique<ManualTimer>(clock));
    free->SetText(QStringLiteral("Uloženo"));
    EXPECT_FALSE(free->AutoHide());
    EXPECT_EQ(free->HideDelay(), 2000);
    free->ShowPopup();
    EXPECT_EQ(free->TimerId(), 0);  // without auto-hide no timer runs
    free->HidePopup();
    free->SetAutoHide(true);
    free->SetHideDelay(500);
    free->ShowPopup();
    EXPECT_EQ(free->TimerId(), TVnMessageWindow::kTimerId);
    EXPECT_EQ(free->HideMode(), TVnTimerMode::Hide);
    clock.Advance(499);
    EXPECT_TRUE(free->isVisible());
    clock.Advance(1);
    EXPECT_FALSE(free->isVisible());
    EXPECT_FALSE(free->Shown());

    // A timer that cannot run hides at once instead of never.
    clock.refuse = true;
    free->ShowPopup();
    EXPECT_FALSE(free->isVisible());
    clock.refuse = false;
    delete free;

    window->SetTimer(std::make_unique<ManualTimer>(clock));
    window->SetText(QStringLiteral("Hodnota není platná"));
    window->SetAutoHide(true);
    window->ShowPopup();
    clock.Advance(2000);
    QApplication::processEvents();
    EXPECT_EQ(events.hideNotices, 1);
    EXPECT_TRUE(window->isVisible());  // the owner decides
    window->HidePopup();

    TVnEditButton* ok = window->Buttons().AddButton();
    ok->SetCaption(QStringLiteral("OK"));
    ok->SetBoundsRect(0, 0, 40, 20);
    const int starts = clock.starts;
    window->ShowPopup();
    EXPECT_EQ(window->TimerId(), 0);
    EXPECT_EQ(clock.starts, starts);
    clock.Advance(10000);
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(events.hideNotices, 1);

    // A delayed showing still comes for a window with buttons; only its hiding waits for them.
    window->HidePopup();
    events.delay = 30;
    window->ShowPopup();
    clock.Advance(30);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->TimerId(), 0);
    owner->removeEventFilter(&events);
}

// The move-and-size loop drags an outline with a message of the position or size; a release puts
// the popup there, Escape leaves it where it was; the outline and the message go in both cases.
TEST_F(PopupOnForm, TrackPopupMovesAndSizesByTheOutline) {
    popup->SetHookParentForm(false);
    popup->SetPlacement(ppAbsolute);
    popup->SetPopupBounds(300, 200, 120, 60);
    popup->ShowPopup();
    ASSERT_EQ(popup->geometry(), QRect(300, 200, 120, 60));

    struct Case {
        const char* what;
        TVnTrackKind kind;
        QPoint move;
        bool apply;
        QRect outline;
        const char* message;
        QRect result;
    };
    const Case cases[] = {
        {"move", TVnTrackKind::Move, {25, -10}, true, {325, 190, 120, 60}, "325, 190", {325, 190, 120, 60}},
        {"size", TVnTrackKind::Size, {30, 15}, true, {325, 190, 150, 75}, "150 x 75", {325, 190, 150, 75}},
        {"size past the corner",
         TVnTrackKind::Size,
         {-170, 5},
         true,
         {305, 190, 20, 80},
         "20 x 80",
         {305, 190, 20, 80}},
        {"escape", TVnTrackKind::Move, {40, 40}, false, {345, 230, 20, 80}, "345, 230", {305, 190, 20, 80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QPoint start = popup->geometry().topLeft() + QPoint(5, 5);
        popup->TrackPopup(c.kind, start);
        TVnPopupTracker* tracker = popup->Tracker();
        ASSERT_NE(tracker, nullptr);
        QPointer<TVnMessageWindow> message = tracker->Message();
        QPointer<TVnDragFrameWindow> frame = tracker->Frame();
        // The other buttons and keys are not heard while the loop runs.
        QTest::mouseClick(popup, Qt::RightButton);
        QTest::keyClick(popup, Qt::Key_A);
        EXPECT_TRUE(tracker->Active());
        QMouseEvent move(QEvent::MouseMove, QPointF(0, 0), QPointF(start + c.move), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(popup, &move);
        EXPECT_EQ(tracker->Outline().normalized(), c.outline);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->Text(), QString::fromLatin1(c.message));
        EXPECT_TRUE(message->isVisible());
        EXPECT_EQ(message->pos(), c.outline.topLeft() + QPoint(4, 4));
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->geometry(), c.outline);
        if (c.apply) {
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0), QPointF(start + c.move),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(popup, &release);
        } else {
            QTest::keyClick(popup, Qt::Key_Escape);
        }
        EXPECT_FALSE(tracker->Active());
        EXPECT_FALSE(message);
        EXPECT_FALSE(frame);
        EXPECT_EQ(popup->geometry(), c.result);
        EXPECT_EQ(popup->Placement(), ppAbsolute);
        QApplication::processEvents();
    }
}

TEST_F(MessageWindowTest, PictureOfTheShapes) {
    window->SetText(QStringLiteral("Hodnota /bmusí/b0 být kladná"));
    QImage sheet(560, 70, QImage::Format_RGB32);
    sheet.fill(QColor(240, 240, 240));
    QPainter p(&sheet);
    int x = 5;
    for (int shape : {msRectangle, msRoundRect, msBalloon}) {
        window->SetShape(shape);
        const QImage look = window->Render();
        p.drawImage(x, 5, look);
        x += look.width() + 10;
    }
    p.end();
    ASSERT_TRUE(sheet.save(ArtifactPath(QStringLiteral("message-window.png"))));
    // The rectangle's face is pale yellow inside its sunken-raised frame.
    EXPECT_EQ(FromQColor(sheet.pixelColor(5 + 5, 5 + 5)), TVnMessageWindow::kBackground);
}

}  // namespace
