#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The program's log lines (Qt's information messages) while it lives; other messages go where they
// went before. The handler that was installed is put back at the end.
class TLogCapture {
public:
    TLogCapture() : previous_(qInstallMessageHandler(&Handle)) { current_ = this; }
    ~TLogCapture() {
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }
    TLogCapture(const TLogCapture&) = delete;
    TLogCapture& operator=(const TLogCapture&) = delete;

    const QStringList& Lines() const { return lines_; }
    bool Mentions(const QString& text) const { return lines_.join('\n').contains(text); }

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtInfoMsg && current_) {
            current_->lines_.append(text);
            return;
        }
        if (current_ && current_->previous_) current_->previous_(type, context, text);
    }
    static inline TLogCapture* current_ = nullptr;
    QtMessageHandler previous_;
    QStringList lines_;
};
