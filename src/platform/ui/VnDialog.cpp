#include "platform/ui/VnDialog.h"

#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QMainWindow>
#include <QPushButton>

namespace {
// Minimising the windows one after another sends state changes to the dialogs among them; those
// must not start the whole round again.
bool minimizingApplication = false;
}  // namespace

TVnDialog::TVnDialog(QWidget* parent) : QDialog(parent) { setWindowFlag(Qt::WindowMinimizeButtonHint, true); }

void TVnDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || minimizingApplication) return;
    if (windowState() & Qt::WindowMinimized) MinimizeApplication();
}

QWidget* ApplicationMainWindow() {
    QWidget* hidden = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!qobject_cast<QMainWindow*>(widget)) continue;
        if (widget->isVisible()) return widget;
        if (!hidden) hidden = widget;
    }
    return hidden;
}

void MinimizeApplication() {
    if (minimizingApplication) return;
    minimizingApplication = true;
    // A modal dialog may have left the main window disabled; it must come back usable when the
    // user restores the application.
    if (QWidget* main = ApplicationMainWindow()) main->setEnabled(true);
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        // Popups and tool tips are left alone: they close by themselves.
        const Qt::WindowType type = window->windowType();
        if (type != Qt::Window && type != Qt::Dialog) continue;
        if (window->isVisible() && !(window->windowState() & Qt::WindowMinimized))
            window->setWindowState(window->windowState() | Qt::WindowMinimized);
    }
    minimizingApplication = false;
}

void AddOkStornoButtons(QDialog* dialog, QBoxLayout* row, QPushButton*& ok, QPushButton*& storno,
                        bool okTakesEnter) {
    ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName("btnOK");
    storno = new QPushButton(QStringLiteral("Storno"), dialog);
    storno->setObjectName("btnStorno");
    storno->setAutoDefault(false);
    if (okTakesEnter)
        ok->setDefault(true);
    else
        ok->setAutoDefault(false);
    row->addWidget(ok);
    row->addWidget(storno);
    QObject::connect(storno, &QPushButton::clicked, dialog, &QDialog::reject);
}
