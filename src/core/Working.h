#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

// The one cancel flag of the program. Set only by the user (the working window's "<zrušit>" and
// the "Přerušit" buttons of the bulk windows); every interruptible operation clears it before it
// starts and after it has handled an interruption.
extern bool WorkingCancelled;

// The borderless window a long operation shows while it runs.
class TfrmWorking : public QWidget {
    Q_OBJECT
public:
    explicit TfrmWorking(QWidget* parent = nullptr);
    ~TfrmWorking() override;

    // The window made at start-up (or by the first ShowWorking when there is none yet).
    static TfrmWorking* Instance();

    QLabel* lblInfo = nullptr;
    QLabel* lblPrerusit = nullptr;

    // What a click on the interrupt label does.
    void lblPrerusitClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Shows the working window with the text ("\r" breaks a line) and, when interruptible, the
// interrupt label; show false hides it. Pending events are processed first, and after showing
// once more so that the window is painted before the caller goes on.
void ShowWorking(bool show, const QString& text = QString(), bool interruptible = false);

// The working window's text while a statement waits for another station's write.
inline constexpr const char* kWaitingForStationText = "Probíhá zápis jiné stanice, čekám…";

// Makes every database connection of the program wait for another station's write instead of
// failing, and show after a few seconds that it waits: the working window says so over every
// other window, and its "<zrušit>" stops the wait (the statement then fails and its caller
// reports it). What the window showed before comes back when the wait ends. Installed once at
// start-up; UninstallDatabaseWait takes it away again (for tests).
void InstallDatabaseWait();
void UninstallDatabaseWait();
