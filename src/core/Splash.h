#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "platform/ui/VnDialog.h"

// A white-outlined rectangle that acts as a button of the splash window: a mouse button released
// over it is a click.
class TSplashShape : public QWidget {
    Q_OBJECT
public:
    explicit TSplashShape(QWidget* parent = nullptr);

signals:
    void released();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The borderless picture window of start-up. Shown modelessly it only asks the user to wait
// while the program loads; in its password mode it is the login prompt, shown modally as many
// times as the login needs. It never checks a password itself.
class TfrmSplash : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmSplash(QWidget* parent = nullptr);
    ~TfrmSplash() override;

    // Off: "Prosím čekejte..."; on: the password prompt. Read at each show.
    bool PasswordMode = false;

    QLabel* lblProgramVer = nullptr;
    QLabel* lblPleaseWait = nullptr;
    QLabel* lblPasswordCaption = nullptr;
    QLineEdit* edtPassword = nullptr;
    TSplashShape* shOK = nullptr;
    QLabel* lblOK = nullptr;
    TSplashShape* shCancel = nullptr;
    QLabel* lblCancel = nullptr;
    QTimer* Timer1 = nullptr;

    // The timer's tick: brings the prompt in front of other programs' windows once, without
    // taking the keyboard from them.
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Any key stops the timer; Enter and Esc close the window. True when the key was consumed.
    bool HandleKey(QKeyEvent* event);
    void ApplyMode();
};

// The splash window of the run (made at start-up); null when there is none.
extern TfrmSplash* frmSplash;

inline constexpr int kSplashWidth = 452;
inline constexpr int kSplashHeight = 215;
