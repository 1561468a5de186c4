#pragma once

#include <QApplication>
#include <QTranslator>
#include <exception>
#include <memory>

#include "platform/ui/Dialogs.h"

// Puts Qt's own texts (the file, colour and font dialogs, the standard buttons) into Czech, the
// station's language whatever the machine's; they stay for as long as the answer lives. Null when
// Qt's translations are not installed: those dialogs then speak English, and nothing else changes.
std::unique_ptr<QTranslator> InstallQtTranslations();

// Shows an exception that no window caught as an error box with its text.
void ShowUncaughtException(std::exception_ptr error);

// Runs one delivery of work; an exception that escapes it is shown and false is returned, so that
// one failed action ends only itself and the message loop goes on.
template <class Deliver>
bool RunShowingExceptions(Deliver&& deliver) {
    try {
        return deliver();
    } catch (...) {
        ShowUncaughtException(std::current_exception());
    }
    return false;
}

// The application object of the program: every event goes through the exception guard.
class TVnApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        return RunShowingExceptions([&] { return QApplication::notify(receiver, event); });
    }
};
