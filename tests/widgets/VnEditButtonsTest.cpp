#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <memory>

#include "common/Artifacts.h"
#include "widgets/VnClipPopup.h"
#include "widgets/VnEditButton.h"

namespace {

// A plain control with a set of buttons drawn on it, shown so that it receives its events.
class ButtonHost : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->setObjectName(QStringLiteral("host"));
        host->resize(260, 80);
        set = new TVnEditButtons(host.get());
        set->SetDefaultColor(clBtnFace);
        set->HookControl();
        host->show();
        QApplication::processEvents();
    }

    TVnEditButton* Add(int left, int top, int width, int height, const QString& caption) {
        TVnEditButton* b = set->AddButton();
        b->SetBoundsRect(left, top, width, height);
        b->SetCaption(caption);
        b->OnClick = [this](TVnEditButton* clicked) { clicks.push_back(clicked); };
        return b;
    }

    // A move with the given buttons held, as the window system reports a drag.
    void Move(QPoint pos, Qt::MouseButtons held = Qt::NoButton) {
        QMouseEvent e(QEvent::MouseMove, pos, host->mapToGlobal(pos), Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(host.get(), &e);
    }
    void Press(QPoint pos) { QTest::mousePress(host.get(), Qt::LeftButton, Qt::NoModifier, pos); }
    void Release(QPoint pos) { QTest::mouseRelease(host.get(), Qt::LeftButton, Qt::NoModifier, pos); }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(host.get(), static_cast<Qt::Key>(key), mods);
    }

    std::unique_ptr<QWidget> host;
    TVnEditButtons* set = nullptr;
    std::vector<TVnEditButton*> clicks;
};

TEST_F(ButtonHost, PushButtonClicksOnlyWhenPressAndReleaseMeetOnIt) {
    TVnEditButton* a = Add(10, 10, 60, 24, QStringLiteral("První"));
    TVnEditButton* b = Add(80, 10, 60, 24, QStringLiteral("Druhé"));
    a->SetButtonStyle(TVnButtonStyle::Flat);
    b->SetButtonStyle(TVnButtonStyle::Flat);

    Move({20, 20});
    EXPECT_EQ(a->State(), TVnButtonState::Hot);
    EXPECT_EQ(set->ActiveButton(), a);
    Press({20, 20});
    EXPECT_EQ(a->State(), TVnButtonState::Down);
    EXPECT_TRUE(a->Pressed());
    EXPECT_EQ(set->FocusedButton(), a);
    Release({20, 20});
    EXPECT_EQ(a->State(), TVnButtonState::Hot);
    EXPECT_FALSE(a->Pressed());
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], a);

    // Dragging off the pressed button shows it normal, coming back shows it down again.
    clicks.clear();
    Press({20, 20});
    Move({200, 60}, Qt::LeftButton);
    EXPECT_EQ(a->State(), TVnButtonState::Normal);
    Move({21, 21}, Qt::LeftButton);
    EXPECT_EQ(a->State(), TVnButtonState::Down);

    // Released over another button: only the pressed one takes part, so neither clicks.
    Move({90, 20}, Qt::LeftButton);
    EXPECT_EQ(b->State(), TVnButtonState::Normal);
    Release({90, 20});
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(a->State(), TVnButtonState::Normal);
    EXPECT_EQ(b->State(), TVnButtonState::Normal);
    Move({91, 20});
    EXPECT_EQ(b->State(), TVnButtonState::Hot);
    EXPECT_EQ(set->ActiveButton(), b);
}

TEST_F(ButtonHost, PressesOnButtonsNeverReachTheControl) {
    struct Counter : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::MouseButtonPress) ++presses;
            return false;
        }
    } counter;
    Add(10, 10, 60, 24, QStringLiteral("Tlačítko"));
    // Filters installed later run first, so the counter sees what passes the set by being
    // installed before it: rebuild the hook order.
    set->UnhookControl();
    host->installEventFilter(&counter);
    set->HookControl();
    Press({20, 20});
    Release({20, 20});
    EXPECT_EQ(clicks.size(), 1u);
    host->removeEventFilter(&counter);
    // The counter was installed before the set, so the set saw the press first and kept it.
    EXPECT_EQ(counter.presses, 0);
    Press({200, 60});
    Release({200, 60});
}

TEST_F(ButtonHost, ReleaseClickersClickOnAReleaseThatStartedElsewhereOnlyWhenTheStateChanges) {
    auto* item = static_cast<TVnAssistButton*>(set->AddButton(std::make_unique<TVnAssistButton>(host.get())));
    item->SetBoundsRect(10, 10, 80, 20);
    item->OnClick = [this](TVnEditButton* b) { clicks.push_back(b); };

    // A press outside every button, then a release over the item without a move in between.
    Press({200, 60});
    Release({20, 15});
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_EQ(item->State(), TVnButtonState::Hot);

    // Already hot: the release changes nothing and does not click.
    clicks.clear();
    Press({200, 60});
    Move({20, 15}, Qt::LeftButton);
    EXPECT_EQ(item->State(), TVnButtonState::Hot);
    Release({20, 15});
    EXPECT_TRUE(clicks.empty());
}

TEST_F(ButtonHost, SeparatorsAndDisabledButtonsNeverClick) {
    TVnEditButton* separator = Add(10, 10, 60, 24, QStringLiteral("-"));
    TVnEditButton* disabled = Add(80, 10, 60, 24, QStringLiteral("Vypnuto"));
    disabled->SetEnabled(false);
    disabled->SetButtonStyle(TVnButtonStyle::Flat);

    Move({20, 20});
    EXPECT_EQ(separator->State(), TVnButtonState::Normal);
    Press({20, 20});
    EXPECT_EQ(separator->State(), TVnButtonState::Normal);
    Release({20, 20});
    EXPECT_EQ(separator->State(), TVnButtonState::Normal);

    Move({90, 20});
    EXPECT_EQ(disabled->State(), TVnButtonState::Hot);  // hot under the mouse all the same
    Press({90, 20});
    EXPECT_NE(disabled->State(), TVnButtonState::Down);
    Release({90, 20});
    EXPECT_TRUE(clicks.empty());
}

TEST_F(ButtonHost, LatchingToggleStaysDownUntilClickedAgain) {
    TVnEditButton* t = Add(10, 10, 60, 24, QStringLiteral("Přepínač"));
    t->SetKind(TVnButtonKind::Toggle);
    t->SetFlag(bfLatchOnClick, true);

    Press({20, 20});
    EXPECT_EQ(t->State(), TVnButtonState::Down);
    Release({20, 20});
    EXPECT_TRUE(t->Latched());
    EXPECT_EQ(t->State(), TVnButtonState::Down);
    EXPECT_EQ(clicks.size(), 1u);
    Move({200, 60});
    EXPECT_EQ(t->State(), TVnButtonState::Down);  // a latched button stays down off it

    Press({20, 20});
    Release({20, 20});
    EXPECT_FALSE(t->Latched());
    EXPECT_EQ(t->State(), TVnButtonState::Hot);
    EXPECT_EQ(clicks.size(), 2u);

    // A handler that refuses the new state undoes the latch and suppresses the click.
    t->OnStateChange = [](TVnEditButton*, TVnButtonState& state) {
        if (state == TVnButtonState::Down) state = TVnButtonState::Hot;
    };
    Press({20, 20});
    Release({20, 20});
    EXPECT_FALSE(t->Latched());
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(ButtonHost, ToggleWithoutLatchingCyclesOnEachPress) {
    TVnEditButton* t = Add(10, 10, 60, 24, QStringLiteral("Cyklus"));
    t->SetKind(TVnButtonKind::Toggle);
    const TVnButtonState expected[] = {TVnButtonState::Down, TVnButtonState::Hot, TVnButtonState::Down,
                                       TVnButtonState::Hot};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        Press({20, 20});
        EXPECT_EQ(t->State(), expected[i]);
        Release({20, 20});
        EXPECT_EQ(t->State(), expected[i]);  // a release leaves a down button down
    }
    EXPECT_EQ(clicks.size(), 4u);
    Move({200, 60});
    EXPECT_EQ(t->State(), TVnButtonState::Normal);
}

TEST_F(ButtonHost, HotChangesAreReportedOnEnteringAndLeaving) {
    TVnEditButton* a = Add(10, 10, 60, 24, QStringLiteral("A"));
    std::vector<std::pair<TVnEditButton*, bool>> events;
    a->OnHotChange = [&](TVnEditButton* b, bool entered) { events.emplace_back(b, entered); };
    Move({20, 20});
    Move({22, 20});
    Move({200, 60});
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(events[0].second);
    EXPECT_FALSE(events[1].second);
    EXPECT_EQ(set->ActiveButton(), nullptr);
    // Leaving the control cools a hot button down.
    Move({20, 20});
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(host.get(), &leave);
    EXPECT_EQ(a->State(), TVnButtonState::Normal);
}

TEST_F(ButtonHost, AnchorsFollowAResizeOfTheControl) {
    struct Case {
        int anchor;
        TRect expected;  // from (100, 20, 40 x 20) after growing by (+10, +6)
    };
    const Case cases[] = {
        {akNone, {100, 20, 140, 40}},
        {akMoveRight, {110, 20, 150, 40}},
        {akMoveDown, {100, 26, 140, 46}},
        {akMoveRightDown, {110, 26, 150, 46}},
        {akStretchHorz, {100, 20, 150, 40}},
        {akMoveDownStretchHorz, {100, 26, 150, 46}},
        {akStretchVert, {100, 20, 140, 46}},
        {akMoveRightStretchVert, {110, 20, 150, 46}},
        {akStretchBoth, {100, 20, 150, 46}},
        {akCenterHorz, {105, 20, 145, 40}},
        {akMoveRightCenterVert, {110, 23, 150, 43}},
    };
    std::vector<TVnEditButton*> buttons;
    for (const Case& c : cases) {
        TVnEditButton* b = Add(100, 20, 40, 20, QString());
        b->SetAnchorKind(c.anchor);
        buttons.push_back(b);
    }
    host->resize(host->width() + 10, host->height() + 6);
    QApplication::processEvents();
    for (size_t i = 0; i < buttons.size(); ++i) {
        SCOPED_TRACE(cases[i].anchor);
        EXPECT_EQ(buttons[i]->BoundsRect(), cases[i].expected);
    }
    // Halves are taken toward zero when the control shrinks by an odd amount.
    host->resize(host->width() - 11, host->height());
    QApplication::processEvents();
    EXPECT_EQ(buttons[akCenterHorz]->Left(), 100);
}

TEST_F(ButtonHost, KeyboardMovesThroughSelectableButtonsAndWraps) {
    set->SetSetFlag(sfKeyboardNavigation, true);
    TVnEditButton* a = Add(10, 10, 40, 20, QStringLiteral("A"));
    Add(55, 10, 40, 20, QStringLiteral("-"));
    TVnEditButton* c = Add(100, 10, 40, 20, QStringLiteral("C"));
    TVnEditButton* hidden = Add(145, 10, 40, 20, QStringLiteral("D"));
    TVnEditButton* noStop = Add(190, 10, 40, 20, QStringLiteral("E"));
    for (TVnEditButton* b : {a, c, hidden}) b->SetOption(boTabStop, true);
    hidden->SetVisible(false);
    (void)noStop;

    Key(Qt::Key_Tab);
    EXPECT_EQ(set->ActiveButton(), a);
    EXPECT_TRUE(set->GetSetFlag(sfKeyboardMode));
    Key(Qt::Key_Down);
    EXPECT_EQ(set->ActiveButton(), c);
    EXPECT_EQ(a->State(), TVnButtonState::Normal);
    EXPECT_EQ(c->State(), TVnButtonState::Hot);
    Key(Qt::Key_PageDown);  // past the hidden one and the one without a tab stop, round to the first
    EXPECT_EQ(set->ActiveButton(), a);
    Key(Qt::Key_Up);
    EXPECT_EQ(set->ActiveButton(), c);
    Key(Qt::Key_Home);
    EXPECT_EQ(set->ActiveButton(), a);
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(set->ActiveButton(), c);
    Key(Qt::Key_Return);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], c);
    c->SetEnabled(false);
    Key(Qt::Key_Enter);
    EXPECT_EQ(clicks.size(), 1u);
    // A mouse move ends the keyboard mode.
    Move({200, 70});
    EXPECT_FALSE(set->GetSetFlag(sfKeyboardMode));
}

TEST_F(ButtonHost, StoredFormKeepsEveryFieldExceptTheNewerStyles) {
    TVnEditButton* a = Add(5, 6, 70, 22, QStringLiteral("Žluťoučký kůň"));
    a->SetHint(QStringLiteral("Nápověda"));
    a->SetLayout(TVnButtonLayout::GlyphTop);
    a->SetData(-123456);
    a->SetButtonStyle(TVnButtonStyle::HotTrack);
    a->SetKind(TVnButtonKind::Toggle);
    a->SetImageIndex(7);
    a->SetEnabled(false);
    a->SetAnchorKind(akMoveRightCenterVert);
    a->SetDisabledStyle(dsTinted);
    a->SetFlag(bfWindowCoordinates, false);
    a->SetFlag(bfTrackWhenLatched, true);
    TVnEditButton* b = Add(-3, 300, 1, 2, QStringLiteral("B"));
    b->SetButtonStyle(TVnButtonStyle::Plain);

    const QByteArray stored = set->WriteData();
    // Count, then per button: size, lengths, 30 bytes, caption + zero (and hint + zero).
    EXPECT_EQ(stored.size(), 4 + (8 + 30 + 14 + 9) + (8 + 30 + 2));

    TVnEditButtons copy(host.get());
    copy.ReadData(stored);
    ASSERT_EQ(copy.Count(), 2);
    const TVnEditButton* r = copy.Buttons(0);
    EXPECT_EQ(r->Caption(), a->Caption());
    EXPECT_EQ(r->Hint(), a->Hint());
    EXPECT_EQ(r->BoundsRect(), a->BoundsRect());
    EXPECT_EQ(r->Layout(), TVnButtonLayout::GlyphTop);
    EXPECT_EQ(r->Data(), -123456);
    EXPECT_EQ(r->ButtonStyle(), TVnButtonStyle::Flat);  // 7 and 8 come back as flat
    EXPECT_EQ(r->Kind(), TVnButtonKind::Toggle);
    EXPECT_EQ(r->ImageIndex(), 7);
    EXPECT_FALSE(r->Enabled());
    EXPECT_TRUE(r->Flag(bfInSet));
    EXPECT_EQ(r->AnchorKind(), akMoveRightCenterVert);
    EXPECT_EQ(r->DisabledStyle(), dsTinted);
    EXPECT_FALSE(r->WindowCoordinates());
    EXPECT_TRUE(r->Flag(bfTrackWhenLatched));
    EXPECT_EQ(copy.Buttons(1)->BoundsRect(), b->BoundsRect());
    EXPECT_EQ(copy.Buttons(1)->ButtonStyle(), TVnButtonStyle::Plain);
    EXPECT_TRUE(copy.Buttons(1)->Hint().isEmpty());
}

TEST_F(ButtonHost, DamagedStoredFormsReadOnlyWhatIsWhole) {
    Add(1, 2, 30, 40, QStringLiteral("Jedna"));
    Add(5, 6, 70, 80, QStringLiteral("Dvě"));
    const QByteArray stored = set->WriteData();

    TVnEditButtons copy(host.get());
    copy.ReadData(stored.left(stored.size() - 3));  // the second caption breaks off
    EXPECT_EQ(copy.Count(), 1);
    copy.ReadData(stored.left(2));
    EXPECT_EQ(copy.Count(), 0);

    // An entry with a longer record: the first 30 bytes count, the rest is skipped.
    QByteArray longer = stored;
    const int firstSize = 4;
    longer[firstSize] = 34;
    longer.insert(4 + 8 + 30, QByteArray(4, '\x7f'));
    copy.ReadData(longer);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Buttons(0)->Caption(), QStringLiteral("Jedna"));
    EXPECT_EQ(copy.Buttons(0)->BoundsRect(), (TRect{1, 2, 31, 42}));
    EXPECT_EQ(copy.Buttons(1)->Caption(), QStringLiteral("Dvě"));

    // A count far beyond the data stops at the end of the data.
    QByteArray huge = stored;
    huge[3] = 0x7f;
    copy.ReadData(huge);
    EXPECT_EQ(copy.Count(), 2);
}

TEST(EditButtonLayout, GlyphAndCaptionRectanglesFollowTheLayout) {
    QWidget host;
    TVnEditButton b(&host);
    QImage glyph(16, 12, QImage::Format_RGB32);
    glyph.fill(Qt::red);
    b.SetGlyph(glyph);
    b.SetOption(boMarkupCaption, false);
    b.SetCaption(QStringLiteral("Text"));
    b.SetBoundsRect(0, 0, 100, 40);
    const int cw = b.CaptionWidth(), ch = b.CaptionHeight();
    ASSERT_GT(cw, 0);
    struct Case {
        TVnButtonLayout layout;
        TRect glyph;
        TRect caption;
    };
    const int spare = (100 - 16 - cw - 9) / 2;
    const Case cases[] = {
        {TVnButtonLayout::GlyphLeft,
         {3, 14, 19, 26},
         {22, (40 - ch) / 2, 22 + cw + 2, (40 - ch) / 2 + ch + 2}},
        // The caption band of a right glyph starts after the glyph and so has no room beside it.
        {TVnButtonLayout::GlyphRight, {81, 14, 97, 26}, {100, (40 - ch) / 2, 99, (40 - ch) / 2 + ch + 2}},
        {TVnButtonLayout::GlyphCenter,
         {3 + spare, 14, 19 + spare, 26},
         {22 + spare, (40 - ch) / 2, 99, (40 - ch) / 2 + ch + 2}},
        {TVnButtonLayout::GlyphTop,
         {42, 3 + (40 - 12 - ch - 9) / 2, 58, 15 + (40 - 12 - ch - 9) / 2},
         {3 + (94 - cw) / 2, 18 + (40 - 12 - ch - 9) / 2, 5 + (94 - cw) / 2 + cw, 42}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.layout));
        b.SetLayout(c.layout);
        TRect g, t;
        b.CalcLayout(g, t);
        EXPECT_EQ(g, c.glyph);
        EXPECT_EQ(t, c.caption);
    }
    // Without a glyph the glyph rectangle is the empty one at (3, 3) and the caption has no gap.
    b.SetGlyph(QImage());
    b.SetLayout(TVnButtonLayout::GlyphLeft);
    TRect g, t;
    b.CalcLayout(g, t);
    EXPECT_EQ(g, (TRect{3, 3, 3, 3}));
    EXPECT_EQ(t.Left, 3);
}

TEST(EditButtonLayout, InvisibleButtonsReportTheirHiddenWidthAndCannotBeHit) {
    QWidget host;
    TVnEditButton b(&host);
    b.SetBoundsRect(0, 0, 50, 20);
    b.SetWidth(50);
    EXPECT_TRUE(b.PointIn(10, 10));
    b.SetVisible(false);
    EXPECT_EQ(b.Width(), 50);
    EXPECT_FALSE(b.PointIn(10, 10));
    bool asked = false;
    b.SetVisible(true);
    b.OnHitTest = [&](TVnEditButton*, int x, int, bool& inside) {
        asked = true;
        if (x < 5) inside = false;
    };
    EXPECT_FALSE(b.PointIn(2, 10));
    EXPECT_TRUE(b.PointIn(8, 10));
    EXPECT_TRUE(asked);
}

TEST_F(ButtonHost, ClientCoordinatesStartInsideTheControlsMargins) {
    host->setContentsMargins(5, 7, 0, 0);
    set->SetSetFlag(sfWindowCoordinatesForNew, false);
    TVnEditButton* b = Add(0, 0, 20, 10, QStringLiteral("K"));
    EXPECT_EQ(b->WindowRect(), (TRect{5, 7, 25, 17}));
    EXPECT_EQ(set->ButtonAt({6, 8}), b);
    EXPECT_EQ(set->ButtonAt({2, 2}), nullptr);
    Press({6, 8});
    Release({6, 8});
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(ButtonHost, StylesPaintTheirFacesAndFrames) {
    host->resize(460, 120);
    QImage glyph(16, 16, QImage::Format_RGB32);
    glyph.fill(Qt::white);  // the bottom-left pixel is the transparent one
    {
        QPainter p(&glyph);
        p.fillRect(3, 3, 10, 10, QColor(0, 128, 0));
    }
    struct Look {
        TVnButtonStyle style;
        TVnButtonState state;
        bool enabled;
    };
    const Look looks[] = {
        {TVnButtonStyle::Standard, TVnButtonState::Normal, true},
        {TVnButtonStyle::Standard, TVnButtonState::Down, true},
        {TVnButtonStyle::Standard, TVnButtonState::Normal, false},
        {TVnButtonStyle::Flat, TVnButtonState::Hot, true},
        {TVnButtonStyle::Flat, TVnButtonState::Down, true},
        {TVnButtonStyle::Tinted, TVnButtonState::Hot, true},
        {TVnButtonStyle::HotTrack, TVnButtonState::Hot, true},
        {TVnButtonStyle::HotTrack, TVnButtonState::Down, true},
        {TVnButtonStyle::HotTrackFaded, TVnButtonState::Normal, true},
        {TVnButtonStyle::FramedGlyph, TVnButtonState::Hot, true},
        {TVnButtonStyle::FlatOnWindow, TVnButtonState::Normal, true},
        {TVnButtonStyle::Combo, TVnButtonState::Down, true},
    };
    std::vector<TVnEditButton*> buttons;
    int i = 0;
    for (const Look& look : looks) {
        TVnEditButton* b =
            Add(4 + (i % 4) * 112, 4 + (i / 4) * 38, 108, 34, QStringLiteral("Styl %1").arg(i));
        b->SetGlyph(glyph);
        b->SetButtonStyle(look.style);
        b->SetEnabled(look.enabled);
        b->SetOption(boDarkFrame, true);
        b->SetState(look.state);
        buttons.push_back(b);
        ++i;
    }
    QApplication::processEvents();
    const QImage picture = host->grab().toImage();
    ASSERT_TRUE(picture.save(ArtifactPath(QStringLiteral("edit-buttons.png"))));

    auto pixel = [&](const TVnEditButton* b, int dx, int dy) {
        const TRect r = b->WindowRect();
        return FromQColor(picture.pixelColor(r.Left + dx, r.Top + dy));
    };
    // Standard, down: a one-pixel frame in the shadow colour.
    EXPECT_EQ(pixel(buttons[1], 0, 0), ColorToRGB(clBtnShadow));
    // Flat, down: sunken (shadow top-left, highlight bottom-right).
    EXPECT_EQ(pixel(buttons[4], 0, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(pixel(buttons[4], 107, 33), ColorToRGB(clBtnHighlight));
    // Hot-track: the hot colour when hot, the down colour when down, each framed darkly.
    EXPECT_EQ(pixel(buttons[6], 2, 2), 0xD2BDB6);
    EXPECT_EQ(pixel(buttons[6], 0, 0), 0x6A0A24);
    EXPECT_EQ(pixel(buttons[7], 2, 2), 0xB59285);
    // A disabled standard button shows its glyph greyed.
    bool greyGlyph = false;
    for (int x = 0; x < 108 && !greyGlyph; ++x)
        for (int y = 0; y < 34 && !greyGlyph; ++y) greyGlyph = pixel(buttons[2], x, y) == 0x787878;
    EXPECT_TRUE(greyGlyph);
}

}  // namespace

namespace {

TEST_F(ButtonHost, ANewDefaultColourReachesOnlyButtonsThatKeptTheOldOne) {
    TVnEditButton* plain = Add(10, 10, 40, 20, QStringLiteral("A"));
    TVnEditButton* own = Add(60, 10, 40, 20, QStringLiteral("B"));
    own->SetColor(clWhite);
    EXPECT_EQ(plain->Color(), clBtnFace);
    set->SetDefaultColor(clInfoBk);
    EXPECT_EQ(plain->Color(), clInfoBk);
    EXPECT_EQ(own->Color(), clWhite);
    EXPECT_EQ(Add(110, 10, 40, 20, QStringLiteral("C"))->Color(), clInfoBk);
    // New buttons are named by their place in the set and take its defaults.
    EXPECT_EQ(own->Name(), QStringLiteral("Button1"));
    EXPECT_EQ(own->Index(), 1);
    EXPECT_TRUE(own->Flag(bfInSet));
    set->MoveButton(1, 0);
    EXPECT_EQ(own->Index(), 0);
    EXPECT_EQ(set->Buttons(1), plain);
}

// A button that acts as a link shows the library's link cursor over the control while the pointer is
// on it; the control's own cursor comes back when the pointer leaves, and a disabled link shows none.
class LinkButton : public TVnEditButton {
public:
    using TVnEditButton::TVnEditButton;
    std::optional<QCursor> GetCursor() const override { return ScreenCursor(crVnLinkSelect); }
};

TEST_F(ButtonHost, AButtonMaySupplyTheCursorOverIt) {
    host->setCursor(Qt::IBeamCursor);
    TVnEditButton* plain = Add(10, 10, 60, 24, QStringLiteral("Tlačítko"));
    auto* link = set->AddButton<LinkButton>();
    link->SetBoundsRect(80, 10, 60, 24);
    link->SetCaption(QStringLiteral("Odkaz"));
    EXPECT_FALSE(plain->GetCursor());

    const QImage linkPicture = ScreenCursor(crVnLinkSelect).pixmap().toImage();
    Move({20, 20});
    EXPECT_EQ(host->cursor().shape(), Qt::IBeamCursor);
    Move({90, 20});
    EXPECT_EQ(host->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(host->cursor().pixmap().toImage(), linkPicture);
    Move({200, 60});
    EXPECT_EQ(host->cursor().shape(), Qt::IBeamCursor);

    link->SetEnabled(false);
    Move({90, 20});
    EXPECT_EQ(host->cursor().shape(), Qt::IBeamCursor);

    // A control without a cursor of its own gets the default one back.
    link->SetEnabled(true);
    host->unsetCursor();
    Move({90, 20});
    EXPECT_EQ(host->cursor().shape(), Qt::BitmapCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(host.get(), &leave);
    EXPECT_EQ(host->cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
