#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "common/ScriptedDialogs.h"
#include "core/DbTemplates.h"
#include "core/FirmFolderTest.h"
#include "core/Main.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Rowset.h"
#include "pricelist/Sklady.h"

// Runs an action on each modal window as it comes up, in the order queued. A window that comes up
// with nothing left to do for it fails the test and is closed, so a test never hangs on it.
class TModalDriver {
public:
    TModalDriver() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }
    ~TModalDriver() { EXPECT_TRUE(steps_.empty()) << steps_.size() << " windows never came up"; }

    TModalDriver& On(const QString& name, std::function<void(QWidget*)> act) {
        steps_.push_back({name, std::move(act)});
        return *this;
    }
    // Presses the named button of the window.
    static void Click(QWidget* window, const char* button) {
        auto* b = window->findChild<QPushButton*>(button);
        ASSERT_NE(b, nullptr) << button;
        b->click();
    }
    TModalDriver& Press(const QString& name, const char* button) {
        return On(name, [button](QWidget* w) { Click(w, button); });
    }

private:
    struct Step {
        QString name;
        std::function<void(QWidget*)> act;
    };
    void Poll() {
        if (starting_) return;
        QWidget* w = QApplication::activeModalWidget();
        // A window that takes no input is busy with its own work (a card saving); the next step
        // is for the window that comes after it.
        if (!w || !w->isVisible() || !w->isEnabled()) {
            idle_ = 0;
            return;
        }
        if (!steps_.empty() && steps_.front().name == w->objectName()) {
            idle_ = 0;
            // The action runs from an event of its own: it may open a window in turn, and the timer
            // does not fire again while one of its own events is still running.
            starting_ = true;
            QTimer::singleShot(0, [this, act = std::move(steps_.front().act), window = QPointer<QWidget>(w)] {
                starting_ = false;
                if (window) act(window);
            });
            steps_.pop_front();
            return;
        }
        // Some steps only change the window; others wait for a window that is still coming.
        if (++idle_ < 400) return;
        ADD_FAILURE() << "unexpected window " << w->objectName().toStdString();
        idle_ = 0;
        if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
    }
    std::deque<Step> steps_;
    QTimer timer_;
    int idle_ = 0;
    bool starting_ = false;
};

// An empty firm opened in a main window, with the scripted dialog service.
class PriceListTest : public FirmFolderTest {
protected:
    void SetUp() override {
        FirmFolderTest::SetUp();
        BuildEmptyFirmTemplate(Folder() + "FIRMA.MDB");
        main_ = std::make_unique<TfrmMain>();
        main_->ADOConAgenda.Open(Folder() + "FIRMA.MDB");
        savedSheet_ = CurrentSheetId;
    }
    void TearDown() override {
        PriceListWindowLinks = TPriceListWindowLinks();
        CurrentSheetId = savedSheet_;
        main_.reset();
    }

    TADOConnection& Con() { return main_->ADOConAgenda; }
    int Exec(const QString& sql) { return Con().Execute(sql); }
    QVariant Value(const QString& sql) {
        const std::unique_ptr<TRowset> rows = Con().OpenRowset(sql);
        return rows->RowCount() > 0 ? rows->Value(0, 0) : QVariant();
    }
    int Int(const QString& sql) { return Value(sql).toInt(); }
    // The first column of every row, joined by "|".
    QString Column(const QString& sql) {
        const std::unique_ptr<TRowset> rows = Con().OpenRowset(sql);
        QStringList values;
        for (size_t i = 0; i < rows->RowCount(); ++i) values << rows->Value(i, 0).toString();
        return values.join('|');
    }
    int LastId() { return Int("SELECT @@IDENTITY"); }
    // A price level with the given value and the defaults for the rest; answers its key.
    int AddLevel(const QString& code, double value, bool recalculated) {
        Exec(
            QString(
                "INSERT INTO CenHlad (Zkratka, Popis, Hodnota, SDPH, Prepocitat, Zaok, TypHodnoty, VychCena) "
                "VALUES ('%1', 'x', %2, 0, %3, 0, 0, 0)")
                .arg(code)
                .arg(value)
                .arg(recalculated ? 1 : 0));
        return LastId();
    }
    // A group's rule for the level of the code.
    void AddRule(int group, const QString& code, bool takenOver, double value, bool recalculated) {
        Exec(QString("INSERT INTO CenSkupPol (IDCenSkup, Zkratka, Prevzato, Hodnota, SDPH, Prepocitat, Zaok, "
                     "TypHodnoty, VychCena) VALUES (%1, '%2', %3, %4, 0, %5, 0, 0, 0)")
                 .arg(group)
                 .arg(code)
                 .arg(takenOver ? 1 : 0)
                 .arg(value)
                 .arg(recalculated ? 1 : 0));
    }

    TScriptedDialogs dialogs_;
    std::unique_ptr<TfrmMain> main_;

private:
    int savedSheet_ = 1;
};
