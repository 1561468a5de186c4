#pragma once

#include <QString>
#include <deque>
#include <initializer_list>
#include <vector>

#include "platform/ui/Dialogs.h"

// One message a test expects, with the answer the scripted user gives.
struct TExpectedDialog {
    TDialogKind kind = TDialogKind::Information;
    // The shown text (the prompt of an input box) must contain it; empty matches any text.
    QString fragment;
    // Questions: Yes; input boxes: OK.
    bool accept = true;
    // Input boxes: what the user types over the preset value.
    QString input;

    TExpectedDialog() = default;
    TExpectedDialog(TDialogKind kind, const QString& fragment, bool accept = true, const QString& input = {})
        : kind(kind), fragment(fragment), accept(accept), input(input) {}

    static TExpectedDialog Information(const QString& fragment) {
        return {TDialogKind::Information, fragment};
    }
    static TExpectedDialog Warning(const QString& fragment) { return {TDialogKind::Warning, fragment}; }
    static TExpectedDialog Error(const QString& fragment) { return {TDialogKind::Error, fragment}; }
    static TExpectedDialog Question(const QString& fragment, bool yes) {
        return {TDialogKind::Question, fragment, yes};
    }
    static TExpectedDialog Input(const QString& fragment, const QString& typed) {
        return {TDialogKind::Input, fragment, true, typed};
    }
    static TExpectedDialog InputCancelled(const QString& fragment) {
        return {TDialogKind::Input, fragment, false};
    }
};

// One message that was shown.
struct TShownDialog {
    TDialogKind kind;
    QString text;     // the message, or the prompt of an input box
    QString caption;  // input boxes only
};

// The dialog service of tests. Created, it takes the place of the installed service; destroyed,
// it puts that one back. Expected messages are met in the order they were queued. A message that
// does not match the next expected one fails the test and is answered No (or cancelled); expected
// messages that were never shown fail the test when it is verified or destroyed.
class TScriptedDialogs final : public IDialogService {
public:
    TScriptedDialogs();
    ~TScriptedDialogs() override;
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

    TScriptedDialogs& Expect(const TExpectedDialog& expected);
    TScriptedDialogs& Expect(std::initializer_list<TExpectedDialog> expected);
    template <class Range>
    TScriptedDialogs& ExpectAll(const Range& expected) {
        for (const TExpectedDialog& e : expected) Expect(e);
        return *this;
    }

    TScriptedDialogs& ExpectInformation(const QString& f) { return Expect(TExpectedDialog::Information(f)); }
    TScriptedDialogs& ExpectWarning(const QString& f) { return Expect(TExpectedDialog::Warning(f)); }
    TScriptedDialogs& ExpectError(const QString& f) { return Expect(TExpectedDialog::Error(f)); }
    TScriptedDialogs& ExpectQuestion(const QString& f, bool yes) {
        return Expect(TExpectedDialog::Question(f, yes));
    }
    TScriptedDialogs& ExpectInput(const QString& f, const QString& typed) {
        return Expect(TExpectedDialog::Input(f, typed));
    }

    // Fails the test for every expected message not shown yet, and forgets them.
    void Verify();
    // Every message shown since creation (or the last ClearShown), in order.
    const std::vector<TShownDialog>& Shown() const { return shown_; }
    void ClearShown() { shown_.clear(); }
    size_t PendingCount() const { return expected_.size(); }

    void Information(const QString& text) override;
    void Warning(const QString& text) override;
    void Error(const QString& text) override;
    bool Question(const QString& text) override;
    bool InputBox(const QString& caption, const QString& prompt, QString& value) override;

private:
    // Takes the next expectation when the message matches it; otherwise reports the failure.
    bool Take(TDialogKind kind, const QString& text, TExpectedDialog& matched);

    IDialogService* previous_;
    std::deque<TExpectedDialog> expected_;
    std::vector<TShownDialog> shown_;
};

const char* DialogKindName(TDialogKind kind);
