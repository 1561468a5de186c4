#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "common/Artifacts.h"
#include "core/Splash.h"

namespace {

// Shows the prompt modally and acts on it once it is up; a prompt that does not close is closed
// after a while with a result no test expects, so a broken binding fails instead of hanging.
int RunPrompt(TfrmSplash& splash, const std::function<void(TfrmSplash&)>& act) {
    constexpr int kStuck = 77;
    splash.PasswordMode = true;
    QTimer::singleShot(0, &splash, [&] { act(splash); });
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, &splash, [&splash] { splash.done(kStuck); });
    fallback.start(3000);
    return splash.exec();
}

TEST(TfrmSplash, ModeDecidesTheLayoutAtEachShow) {
    TfrmSplash splash;
    EXPECT_EQ(frmSplash, &splash);
    EXPECT_EQ(splash.size(), QSize(kSplashWidth, kSplashHeight));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash.edtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(splash.lblOK->text(), "OK");
    EXPECT_EQ(splash.lblCancel->text(), "Zpět");
    EXPECT_EQ(splash.Timer1->interval(), 1000);

    splash.lblProgramVer->setText("Verze 3.00");
    splash.show();
    EXPECT_TRUE(splash.lblPleaseWait->isVisible());
    EXPECT_EQ(splash.lblPleaseWait->text(), "Prosím čekejte...");
    for (QWidget* w :
         std::initializer_list<QWidget*>{splash.lblPasswordCaption, splash.edtPassword, splash.shOK,
                                         splash.lblOK, splash.shCancel, splash.lblCancel})
        EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(splash.Timer1->isActive());
    const QImage waiting = splash.grab().toImage();
    waiting.save(ArtifactPath("splash_waiting.png"));
    splash.hide();

    RunPrompt(splash, [](TfrmSplash& s) {
        EXPECT_FALSE(s.lblPleaseWait->isVisible());
        EXPECT_EQ(s.lblPasswordCaption->text(), "Zadejte heslo");
        for (QWidget* w : std::initializer_list<QWidget*>{s.lblPasswordCaption, s.edtPassword, s.shOK,
                                                          s.lblOK, s.shCancel, s.lblCancel})
            EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(s.Timer1->isActive());
        const QImage prompt = s.grab().toImage();
        prompt.save(ArtifactPath("splash_password.png"));
        // The OK rectangle is outlined in white on the dark picture.
        const QPoint corner = s.shOK->mapTo(&s, QPoint(0, 0));
        EXPECT_EQ(prompt.pixelColor(corner + QPoint(s.shOK->width() / 2, 0)), QColor(Qt::white));
        EXPECT_LT(prompt.pixelColor(corner + QPoint(s.shOK->width() / 2, -2)).lightness(), 100);
        s.reject();
    });
    EXPECT_FALSE(splash.Timer1->isActive());
}

TEST(TfrmSplash, KeysAndClicksCloseThePrompt) {
    struct Case {
        const char* name;
        std::function<void(TfrmSplash&)> act;
        int result;
    };
    const Case kCases[] = {
        {"Enter", [](TfrmSplash& s) { QTest::keyClick(s.edtPassword, Qt::Key_Return); }, QDialog::Accepted},
        {"keypad Enter", [](TfrmSplash& s) { QTest::keyClick(s.edtPassword, Qt::Key_Enter); },
         QDialog::Accepted},
        {"Esc", [](TfrmSplash& s) { QTest::keyClick(s.edtPassword, Qt::Key_Escape); }, QDialog::Rejected},
        {"release over OK",
         [](TfrmSplash& s) { QTest::mouseClick(s.shOK, Qt::LeftButton, {}, QPoint(2, 2)); },
         QDialog::Accepted},
        {"click on OK", [](TfrmSplash& s) { QTest::mouseClick(s.lblOK, Qt::LeftButton); }, QDialog::Accepted},
        {"release over Zpět",
         [](TfrmSplash& s) { QTest::mouseClick(s.shCancel, Qt::LeftButton, {}, QPoint(2, 2)); },
         QDialog::Rejected},
        {"click on Zpět", [](TfrmSplash& s) { QTest::mouseClick(s.lblCancel, Qt::LeftButton); },
         QDialog::Rejected},
    };
    TfrmSplash splash;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunPrompt(splash, c.act), c.result);
    }
}

TEST(TfrmSplash, EnterAndEscAreNotPassedToTheField) {
    TfrmSplash splash;
    bool returnReachedField = false;
    QObject::connect(splash.edtPassword, &QLineEdit::returnPressed, [&] { returnReachedField = true; });
    RunPrompt(splash, [](TfrmSplash& s) { QTest::keyClick(s.edtPassword, Qt::Key_Return); });
    EXPECT_FALSE(returnReachedField);
}

TEST(TfrmSplash, AKeyBeforeTheFirstTickStopsTheTimer) {
    TfrmSplash splash;
    bool wasActive = false, activeAfterKey = true;
    QString typed;
    RunPrompt(splash, [&](TfrmSplash& s) {
        wasActive = s.Timer1->isActive();
        QTest::keyClicks(s.edtPassword, "ab");
        activeAfterKey = s.Timer1->isActive();
        typed = s.edtPassword->text();
        s.accept();
    });
    EXPECT_TRUE(wasActive);
    EXPECT_FALSE(activeAfterKey);
    // Other keys reach the field.
    EXPECT_EQ(typed, "ab");
}

TEST(TfrmSplash, FirstTickStopsTheTimerAndKeepsThePlace) {
    TfrmSplash splash;
    QRect before, after;
    bool activeAfterTick = true, visibleAfterTick = false, onTopAfterTick = true;
    const int result = RunPrompt(splash, [&](TfrmSplash& s) {
        before = s.geometry();
        s.Timer1Timer();
        after = s.geometry();
        activeAfterTick = s.Timer1->isActive();
        visibleAfterTick = s.isVisible();
        onTopAfterTick = s.windowHandle()->flags() & Qt::WindowStaysOnTopHint;
        s.accept();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(activeAfterTick);
    EXPECT_TRUE(visibleAfterTick);
    EXPECT_FALSE(onTopAfterTick);
    EXPECT_EQ(before, after);
}

}  // namespace
