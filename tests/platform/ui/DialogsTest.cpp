#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ScriptedDialogs.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ModalHelper.h"

namespace {

QStringList ButtonTexts(QWidget* window) {
    QStringList texts;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->isVisible() && !button->text().isEmpty()) texts << button->text();
    texts.sort();
    return texts;
}

QAbstractButton* ButtonWithText(QWidget* window, const QString& text) {
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

}  // namespace

// --- the scripted service -------------------------------------------------------------------------

TEST(ScriptedDialogsTest, AnswersExpectedMessagesInOrderAndRecordsThem) {
    TScriptedDialogs dialogs;
    const TExpectedDialog script[] = {
        {TDialogKind::Question, "smazat", true},
        {TDialogKind::Question, "pokračovat", false},
        {TDialogKind::Input, "kontrolní řetězec", true, "CHCI"},
        {TDialogKind::Input, "IČ", false},
        {TDialogKind::Warning, ""},
    };
    dialogs.ExpectAll(script);

    EXPECT_TRUE(AskQuestion("Opravdu chcete smazat identifikátor X?"));
    EXPECT_FALSE(AskQuestion("Opravdu chcete pokračovat ?"));
    QString typed = "preset";
    EXPECT_TRUE(AskInput("Potvrzení", "napište kontrolní řetězec:", typed));
    EXPECT_EQ(typed, "CHCI");
    QString cancelled = "preset";
    EXPECT_FALSE(AskInput("ARES", "Zadejte IČ", cancelled));
    EXPECT_EQ(cancelled, "preset");
    ShowWarning("any text matches an empty fragment");

    EXPECT_EQ(dialogs.PendingCount(), 0u);
    ASSERT_EQ(dialogs.Shown().size(), 5u);
    EXPECT_EQ(dialogs.Shown()[2].caption, "Potvrzení");
    EXPECT_EQ(dialogs.Shown()[2].text, "napište kontrolní řetězec:");
    EXPECT_EQ(dialogs.Shown()[4].kind, TDialogKind::Warning);
}

namespace {

// Runs the body with failures captured instead of reported; returns their messages.
std::vector<std::string> FailuresOf(const std::function<void()>& body) {
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        body();
    }
    std::vector<std::string> messages;
    for (int i = 0; i < results.size(); ++i) messages.push_back(results.GetTestPartResult(i).message());
    return messages;
}

void Show(const TShownDialog& message) {
    QString value;
    switch (message.kind) {
        case TDialogKind::Information:
            ShowInformation(message.text);
            break;
        case TDialogKind::Warning:
            ShowWarning(message.text);
            break;
        case TDialogKind::Error:
            ShowError(message.text);
            break;
        case TDialogKind::Question:
            // Whatever goes wrong, a question that was not scripted must not say Yes.
            EXPECT_FALSE(AskQuestion(message.text));
            break;
        case TDialogKind::Input:
            EXPECT_FALSE(AskInput("", message.text, value));
            break;
    }
}

}  // namespace

TEST(ScriptedDialogsTest, FailsOnEveryDeviationFromTheScript) {
    using K = TDialogKind;
    struct Case {
        const char* name;
        std::vector<TExpectedDialog> script;
        std::vector<TShownDialog> shown;
        std::vector<const char*> failures;  // a fragment of each failure message, in order
    };
    const Case kCases[] = {
        {"nothing expected", {}, {{K::Information, "Hotovo.", {}}}, {"Unexpected information \"Hotovo.\""}},
        {"question not expected", {}, {{K::Question, "Smazat?", {}}}, {"Unexpected question \"Smazat?\""}},
        {"input box not expected", {}, {{K::Input, "Zadejte IČ", {}}}, {"Unexpected input box"}},
        {"expected one not shown",
         {TExpectedDialog::Question("Opravdu", true)},
         {},
         {"Expected question \"Opravdu\" was not shown"}},
        {"wrong kind, then the right one",
         {TExpectedDialog::Error("nelze")},
         {{K::Warning, "nelze otevřít", {}}, {K::Error, "nelze otevřít", {}}},
         {"Unexpected warning \"nelze otevřít\"; next expected error \"nelze\""}},
        {"text does not contain the fragment",
         {TExpectedDialog::Question("Opravdu smazat", true)},
         {{K::Question, "Opravdu uložit?", {}}},
         {"Unexpected question \"Opravdu uložit?\"", "Expected question \"Opravdu smazat\" was not shown"}},
        {"out of order",
         {TExpectedDialog::Information("Uloženo"), TExpectedDialog::Information("Hotovo")},
         {{K::Information, "Hotovo", {}}, {K::Information, "Uloženo", {}}},
         {"Unexpected information \"Hotovo\"", "Expected information \"Hotovo\" was not shown"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> failures = FailuresOf([&] {
            TScriptedDialogs dialogs;
            dialogs.ExpectAll(c.script);
            for (const TShownDialog& message : c.shown) Show(message);
        });
        ASSERT_EQ(failures.size(), c.failures.size());
        for (size_t i = 0; i < failures.size(); ++i)
            EXPECT_NE(failures[i].find(c.failures[i]), std::string::npos) << failures[i];
    }
}

TEST(ScriptedDialogsTest, NestedServiceIsRemovedWithItsScope) {
    TScriptedDialogs outer;
    outer.ExpectInformation("venku");
    {
        TScriptedDialogs inner;
        inner.ExpectInformation("uvnitř");
        ShowInformation("uvnitř");
    }
    ShowInformation("venku");
    EXPECT_EQ(outer.Shown().size(), 1u);
}

// --- texts ----------------------------------------------------------------------------------------

TEST(DialogsTest, CarriageReturnsBecomeLineBreaks) {
    struct Case {
        const char* text;
        const char* shown;
    };
    const Case kCases[] = {
        {"Načítám adresu\rprosím čekejte...", "Načítám adresu\nprosím čekejte..."},
        {"Aktivní firma.\r\rOpravdu ?", "Aktivní firma.\n\nOpravdu ?"},
        {"memo\r\nřádek", "memo\nřádek"},
        {"a\r\n\r\nb", "a\n\nb"},
        {"bez zalomení", "bez zalomení"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(MessageDisplayText(QString::fromUtf8(c.text)), QString::fromUtf8(c.shown));
    }
}

// --- the real boxes -------------------------------------------------------------------------------

TEST(RealDialogsTest, MessageBoxesHaveCzechCaptionsAndOneOkButton) {
    RealDialogsGuard real;
    struct Case {
        TDialogKind kind;
        void (*show)(const QString&);
        const char* caption;
        QMessageBox::Icon icon;
    };
    const Case kCases[] = {
        {TDialogKind::Information, ShowInformation, "Informace", QMessageBox::Information},
        {TDialogKind::Warning, ShowWarning, "Varování", QMessageBox::Warning},
        {TDialogKind::Error, ShowError, "Chyba", QMessageBox::Critical},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(DialogCaption(c.kind), QString::fromUtf8(c.caption));
        bool seen = false;
        OnNextModal([&](QWidget* window) {
            seen = true;
            auto* box = qobject_cast<QMessageBox*>(window);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), QString::fromUtf8(c.caption));
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(ButtonTexts(box), QStringList{"OK"});
            // Line breaks arrive as such, and markup in a text from data is shown as it is.
            EXPECT_EQ(box->text(), "<b>Soubor</b>\n\nnelze otevřít.");
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            ButtonWithText(box, "OK")->click();
        });
        c.show(QString::fromUtf8("<b>Soubor</b>\r\rnelze otevřít."));
        EXPECT_TRUE(seen);
    }
}

TEST(RealDialogsTest, QuestionIsAnsweredWithAnoOrNe) {
    RealDialogsGuard real;
    struct Case {
        const char* action;  // "Ano", "Ne" or "Esc"
        bool answer;
    };
    const Case kCases[] = {{"Ano", true}, {"Ne", false}, {"Esc", false}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.action);
        OnNextModal([&](QWidget* window) {
            auto* box = qobject_cast<QMessageBox*>(window);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "Dotaz");
            EXPECT_EQ(box->icon(), QMessageBox::Question);
            EXPECT_EQ(ButtonTexts(box), (QStringList{"Ano", "Ne"}));
            EXPECT_EQ(box->defaultButton()->text(), "Ano");
            if (QString(c.action) == "Esc")
                QTest::keyClick(box, Qt::Key_Escape);
            else
                ButtonWithText(box, c.action)->click();
        });
        EXPECT_EQ(AskQuestion("Opravdu chcete vyjmout položku?"), c.answer);
    }
}

TEST(RealDialogsTest, InputBoxReturnsTypedTextOnlyOnOk) {
    RealDialogsGuard real;
    struct Case {
        const char* button;
        bool accepted;
        const char* value;  // afterwards
    };
    const Case kCases[] = {{"OK", true, "CHCI SMAZAT"}, {"Storno", false, "původní"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.button);
        OnNextModal([&](QWidget* window) {
            EXPECT_EQ(window->windowTitle(), "Potvrzení");
            EXPECT_EQ(ButtonTexts(window), (QStringList{"OK", "Storno"}));
            auto* prompt = window->findChild<QLabel*>("lblPrompt");
            ASSERT_NE(prompt, nullptr);
            EXPECT_EQ(prompt->text(), "Napište řetězec:\n\n");
            auto* edit = window->findChild<QLineEdit*>("edtValue");
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(edit->text(), "původní");
            edit->setText("CHCI SMAZAT");
            ButtonWithText(window, c.button)->click();
        });
        QString value = "původní";
        EXPECT_EQ(AskInput("Potvrzení", "Napište řetězec:\r\r", value), c.accepted);
        EXPECT_EQ(value, QString::fromUtf8(c.value));
    }
}

// --- exceptions that no window caught -------------------------------------------------------------

TEST(UncaughtExceptionTest, ShowsTheTextAndGoesOn) {
    TScriptedDialogs dialogs;
    dialogs.ExpectError("Soubor Global.MDB nelze otevřít.");
    EXPECT_FALSE(
        RunShowingExceptions([]() -> bool { throw std::runtime_error("Soubor Global.MDB nelze otevřít."); }));

    dialogs.ExpectError("Neznámá chyba.");
    EXPECT_FALSE(RunShowingExceptions([]() -> bool { throw 42; }));

    EXPECT_TRUE(RunShowingExceptions([] { return true; }));
    EXPECT_EQ(dialogs.Shown().size(), 2u);
}
