#pragma once

#include <QFrame>

#include "platform/ui/VnDialog.h"

class QLabel;
class TUrlLabel;

// The warning that the operating system is newer than this version of the program was made for: the
// orange panel on the main window's button bar, and the window a click on it opens.

class TUpgradeNeedWarning {
public:
    // Shows the warning window modally; true when it was closed with OK.
    bool Show();
};

class TfrmUpgradeNeedWarning : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmUpgradeNeedWarning(TUpgradeNeedWarning* owner, QWidget* parent = nullptr);

    TUpgradeNeedWarning* Owner = nullptr;
    QLabel* lblCaption = nullptr;
    TUrlLabel* lblEmail = nullptr;
    QLabel* lblZavrit = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The panel itself: a click anywhere on it (or on its label) opens the warning window.
class TUpgradeNeedWarningPanel : public QFrame {
    Q_OBJECT
public:
    explicit TUpgradeNeedWarningPanel(QWidget* parent = nullptr);

    QLabel* lblUpgradeNeedWarning = nullptr;

    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
