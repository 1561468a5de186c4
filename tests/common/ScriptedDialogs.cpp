#include "common/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {

std::string Describe(TDialogKind kind, const QString& text) {
    return std::string(DialogKindName(kind)) + " \"" + text.toStdString() + "\"";
}

}  // namespace

const char* DialogKindName(TDialogKind kind) {
    switch (kind) {
        case TDialogKind::Information:
            return "information";
        case TDialogKind::Warning:
            return "warning";
        case TDialogKind::Error:
            return "error";
        case TDialogKind::Question:
            return "question";
        case TDialogKind::Input:
            return "input box";
    }
    return "?";
}

TScriptedDialogs::TScriptedDialogs() : previous_(SetDialogService(this)) {}

TScriptedDialogs::~TScriptedDialogs() {
    Verify();
    SetDialogService(previous_);
}

TScriptedDialogs& TScriptedDialogs::Expect(const TExpectedDialog& expected) {
    expected_.push_back(expected);
    return *this;
}

TScriptedDialogs& TScriptedDialogs::Expect(std::initializer_list<TExpectedDialog> expected) {
    for (const TExpectedDialog& e : expected) Expect(e);
    return *this;
}

void TScriptedDialogs::Verify() {
    for (const TExpectedDialog& e : expected_)
        ADD_FAILURE() << "Expected " << Describe(e.kind, e.fragment) << " was not shown";
    expected_.clear();
}

bool TScriptedDialogs::Take(TDialogKind kind, const QString& text, TExpectedDialog& matched) {
    if (expected_.empty()) {
        ADD_FAILURE() << "Unexpected " << Describe(kind, text) << " (no message expected)";
        return false;
    }
    const TExpectedDialog& next = expected_.front();
    if (next.kind != kind || !text.contains(next.fragment)) {
        ADD_FAILURE() << "Unexpected " << Describe(kind, text) << "; next expected "
                      << Describe(next.kind, next.fragment);
        return false;
    }
    matched = next;
    expected_.pop_front();
    return true;
}

void TScriptedDialogs::Information(const QString& text) {
    shown_.push_back({TDialogKind::Information, text, {}});
    TExpectedDialog matched;
    Take(TDialogKind::Information, text, matched);
}

void TScriptedDialogs::Warning(const QString& text) {
    shown_.push_back({TDialogKind::Warning, text, {}});
    TExpectedDialog matched;
    Take(TDialogKind::Warning, text, matched);
}

void TScriptedDialogs::Error(const QString& text) {
    shown_.push_back({TDialogKind::Error, text, {}});
    TExpectedDialog matched;
    Take(TDialogKind::Error, text, matched);
}

bool TScriptedDialogs::Question(const QString& text) {
    shown_.push_back({TDialogKind::Question, text, {}});
    TExpectedDialog matched;
    // An unscripted question is answered No, the answer that starts nothing.
    return Take(TDialogKind::Question, text, matched) && matched.accept;
}

bool TScriptedDialogs::InputBox(const QString& caption, const QString& prompt, QString& value) {
    shown_.push_back({TDialogKind::Input, prompt, caption});
    TExpectedDialog matched;
    if (!Take(TDialogKind::Input, prompt, matched) || !matched.accept) return false;
    value = matched.input;
    return true;
}
