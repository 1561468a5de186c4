#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QVariantMap>
#include <functional>
#include <memory>

#include "common/TempDir.h"
#include "core/DataFolder.h"
#include "core/DbTemplates.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Splash.h"
#include "platform/db/ADOConnection.h"

// A main database made from the shipped template, the main window holding it, and helpers to
// put users into it. The user and the firm that a test changes come back afterwards.
class UsersTest : public TempDirTest {
protected:
    void SetUp() override {
        savedUser_ = CurrentUser;
        savedFirm_ = CurrentFirm;
        BuildMainTemplate(Folder() + "Global.MDB");
        main_ = std::make_unique<TfrmMain>();
        main_->ADOConGlobal.Open(Folder() + "Global.MDB");
    }
    void TearDown() override {
        main_.reset();
        CurrentUser = savedUser_;
        CurrentFirm = savedFirm_;
    }

    TADOConnection& Global() { return main_->ADOConGlobal; }

    // A user with every right and level 0, and the columns given in extra over that.
    void AddUser(int uzivID, const QString& name, const QString& password, const QVariantMap& extra = {}) {
        QVariantMap values = {
            {"UzivID", uzivID},
            {"Jmeno", name},
            {"Konfigurace", name.left(10).toUpper()},
            {"Pwd", ScramblePassword(password)},
            {"Telefon", ""},
            {"Email", ""},
            {"PrefiltrNabidkyVytvorID_AR", ""},
            {"StartDBName", ""},
            {"UseStartDBName", false},
        };
        for (const char* level : {"Nabidky_AR", "Adresar_AR", "Cenik_AR", "Poznamky_AR", "SeznamAgend_AR",
                                  "Import_AR", "Zakazky_AR"})
            values[level] = 0;
        for (const char* right :
             {"Administrator_AR", "HromadnePreceneni_AR", "HromadneNastaveni_AR", "UdajeFirma_AR",
              "GlobalniNastaveni_AR", "UzivatelskeNastaveni_AR", "VytvoreniZalohy_AR", "ObnoveniZalohy_AR",
              "NakupniCeny_AR", "Zamky_AR", "VsechnyNabidky_AR", "PrenosNaJinyPCExport_AR",
              "PrenosNaJinyPCImport_AR", "PrehlSestavyNab_AR"})
            values[right] = true;
        for (auto it = extra.begin(); it != extra.end(); ++it) values[it.key()] = it.value();
        QStringList names, marks;
        TParameters params;
        for (auto it = values.begin(); it != values.end(); ++it) {
            names << it.key();
            marks << ":" + it.key();
            params.AddParameter(it.key())->Value = it.value();
        }
        Global().Execute(
            QString("INSERT INTO Login (%1) VALUES (%2)").arg(names.join(", "), marks.join(", ")), params);
    }

    int LoginCount() { return Global().OpenRowset("SELECT COUNT(*) FROM Login")->Value(0, 0).toInt(); }

    std::unique_ptr<TfrmMain> main_;

private:
    TUser savedUser_;
    QString savedFirm_;
};

// Answers the password prompts of a login one after another: each answer is typed into the
// prompt and confirmed with Enter, or, for a null answer, the prompt is left with Esc. A prompt
// beyond the script is cancelled and counted, so a login that asks once too often fails the test
// rather than hanging it.
class TPromptScript {
public:
    explicit TPromptScript(QStringList answers) : answers_(std::move(answers)) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    int Shown() const { return shown_; }
    int Unexpected() const { return unexpected_; }
    // The prompt's layout as the user saw it at each showing: whether the field was visible and
    // empty, and "Prosím čekejte..." hidden.
    bool LayoutWasPasswordMode() const { return layoutOk_; }

private:
    void Poll() {
        auto* prompt = qobject_cast<TfrmSplash*>(QApplication::activeModalWidget());
        if (!prompt || !prompt->isVisible()) return;
        ++shown_;
        layoutOk_ = layoutOk_ && prompt->edtPassword->isVisible() && prompt->edtPassword->text().isEmpty() &&
                    !prompt->lblPleaseWait->isVisible() && prompt->Timer1->isActive();
        if (answers_.isEmpty()) {
            ++unexpected_;
            prompt->reject();
            return;
        }
        const QString answer = answers_.takeFirst();
        if (answer.isNull()) {
            QTest::keyClick(prompt->edtPassword, Qt::Key_Escape);
            return;
        }
        QTest::keyClicks(prompt->edtPassword, answer);
        QTest::keyClick(prompt->edtPassword, Qt::Key_Return);
    }

    QStringList answers_;
    QTimer timer_;
    int shown_ = 0;
    int unexpected_ = 0;
    bool layoutOk_ = true;
};

// Plays a user through nested modal windows: each step waits until the window named by its
// object name is the active modal one, then acts on it. Actions run from a timer of their own,
// so an action that opens another modal window does not hold up the next step. A window acted on
// counts again only once it has been hidden (a card shown again after a refused check).
class TModalScript : public QObject {
public:
    using TAction = std::function<void(QWidget*)>;

    TModalScript() {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start();
    }

    TModalScript& Then(const char* window, TAction action) {
        steps_.push_back({window, std::move(action)});
        return *this;
    }
    size_t Pending() const { return steps_.size() - next_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == last_ && event->type() == QEvent::Hide) lastHidden_ = true;
        return false;
    }

private:
    struct TStep {
        QString window;
        TAction action;
    };

    void Poll() {
        if (busy_ || next_ >= steps_.size()) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal->objectName() != steps_[next_].window) return;
        if (modal == last_ && !lastHidden_) return;
        if (last_) last_->removeEventFilter(this);
        last_ = modal;
        lastHidden_ = false;
        modal->installEventFilter(this);
        TAction action = steps_[next_++].action;
        busy_ = true;
        QTimer::singleShot(0, modal, [this, action, modal] {
            busy_ = false;
            action(modal);
        });
    }

    std::vector<TStep> steps_;
    size_t next_ = 0;
    QTimer timer_;
    QPointer<QWidget> last_;
    bool lastHidden_ = false;
    bool busy_ = false;
};
