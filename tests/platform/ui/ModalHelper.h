#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/ui/Dialogs.h"

// Puts the service that shows real boxes in place for one test.
class RealDialogsGuard {
public:
    RealDialogsGuard() : previous_(SetDialogService(&RealDialogService())) {}
    ~RealDialogsGuard() { SetDialogService(previous_); }

private:
    IDialogService* previous_;
};

// Arranges for `handle` to receive the modal window that the next call opens, once it shows.
// The handler must close the window. Should no window come up, the test fails; should the handler
// leave it open, the window is rejected so that the test cannot hang.
inline void OnNextModal(std::function<void(QWidget*)> handle) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, handle, attempts] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && ++*attempts < 300) return;
        timer->stop();
        timer->deleteLater();
        if (!modal) {
            ADD_FAILURE() << "No modal window came up";
            return;
        }
        handle(modal);
        if (QApplication::activeModalWidget() == modal && modal->isVisible()) {
            ADD_FAILURE() << "The handler left the modal window open";
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
    });
    timer->start();
}
