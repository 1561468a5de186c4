#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <memory>

#include "addressbook/Adresar.h"
#include "common/ScriptedDialogs.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "platform/data/Field.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Rowset.h"
#include "platform/ui/ModalHelper.h"
#include "widgets/SchemeButton.h"

// Hands the next modal window of the kind to the handler once it shows, which must close it. The
// address windows show the working window before a card, and that lets events through while the
// window below is still the modal one; waiting for the kind keeps the handler off that one. Should
// none come up the test fails; should the handler leave it open it is closed so the test goes on.
template <class TWindow>
void OnWindow(std::function<void(TWindow&)> handle) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, handle, attempts] {
        auto* window = qobject_cast<TWindow*>(QApplication::activeModalWidget());
        if ((!window || !window->isVisible()) && ++*attempts < 300) return;
        timer->stop();
        timer->deleteLater();
        if (!window) {
            ADD_FAILURE() << "No " << TWindow::staticMetaObject.className() << " came up";
            return;
        }
        handle(*window);
        if (window->isVisible()) {
            ADD_FAILURE() << "The handler left " << TWindow::staticMetaObject.className() << " open";
            window->reject();
        }
    });
    timer->start();
}

// The demonstration firm opened as at a second start, with helpers that read its address book
// straight from the database and drive the address windows as the user does.
class AddressBookFixture : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
    }

    size_t Count(const QString& sql) { return main_->ADOConAgenda.OpenRowset(sql)->RowCount(); }
    QVariant Value(const QString& sql) {
        const auto rows = main_->ADOConAgenda.OpenRowset(sql);
        return rows->RowCount() > 0 ? rows->Value(0, 0) : QVariant();
    }
    int IdOf(const QString& name) {
        return Value(QString("SELECT ID FROM Adresar WHERE Nazev = '%1'").arg(name)).toInt();
    }
    TADOQuery& List() { return main_->adqAdresar; }
    QString CurrentName() { return List().FieldByName("Nazev")->AsString(); }

    // Opens the list as the main window's button does and hands it to the handler, which must
    // leave it closed.
    void WithList(const std::function<void(TfrmAdresar&)>& handle) {
        OnWindow<TfrmAdresar>([&](TfrmAdresar& list) {
            handle(list);
            if (list.isVisible()) list.btnAdrStorno->click();
        });
        main_->btnAdresar->click();
    }
};
