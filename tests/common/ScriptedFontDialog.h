#pragma once

#include <QColor>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <functional>

#include "platform/ui/FontDialog.h"

// The font dialog's user for one test: sees what the dialog was preset with and answers as the
// script says. The real dialog is back when this goes.
class ScriptedFontDialog {
public:
    explicit ScriptedFontDialog(std::function<bool(TFontChoice&)> user) : saved_(ExecuteFontDialog) {
        ExecuteFontDialog = [this, user](QWidget*, TFontChoice& choice) {
            offered = choice;
            ++shown;
            return user(choice);
        };
    }
    ~ScriptedFontDialog() { ExecuteFontDialog = saved_; }
    ScriptedFontDialog(const ScriptedFontDialog&) = delete;
    ScriptedFontDialog& operator=(const ScriptedFontDialog&) = delete;

    TFontChoice offered;
    int shown = 0;

private:
    std::function<bool(QWidget*, TFontChoice&)> saved_;
};

// The colour the character before the position carries; invalid when it has none of its own.
inline QColor CharColour(const QTextEdit& edit, int position) {
    QTextCursor cursor(edit.document());
    cursor.setPosition(position);
    const QTextCharFormat f = cursor.charFormat();
    return f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : QColor();
}

// Puts the text into the edit and selects its first `length` characters.
inline void SelectStart(QTextEdit& edit, const QString& text, int length) {
    edit.setPlainText(text);
    QTextCursor cursor(edit.document());
    cursor.setPosition(length, QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);
}
