#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>

#include "core/Informace.h"

namespace {

// Runs ShowModal and, once the window is up, performs close on it. Closing acts at once (keys
// and actions are delivered synchronously), so a window still open right after it did not close:
// it is ended there, and a broken key binding fails the test instead of hanging it.
struct ModalRun {
    bool closedByAction = false;
    int caretPosition = -1;
    bool wasVisible = false;
};

ModalRun RunModal(TfrmInformace& window, const std::function<void(TfrmInformace&)>& close) {
    ModalRun run;
    const QMetaObject::Connection watch =
        QObject::connect(window.acbtnStorno, &QAction::triggered, [&run] { run.closedByAction = true; });
    QTimer::singleShot(0, &window, [&] {
        run.wasVisible = window.isVisible();
        run.caretPosition = window.reInformace->textCursor().position();
        close(window);
        if (window.isVisible()) window.done(QDialog::Accepted);
    });
    window.ShowModal();
    QObject::disconnect(watch);
    return run;
}

}  // namespace

TEST(TfrmInformace, WindowLooksAsCallersExpect) {
    TfrmInformace window;
    EXPECT_EQ(window.windowTitle(), "Informace");
    EXPECT_EQ(window.size(), QSize(536, 270));
    EXPECT_EQ(window.btnOK->text(), "OK");
    EXPECT_EQ(window.acbtnStorno->text(), "Zavřít");
    EXPECT_EQ(window.findChild<QTextEdit*>("reInformace"), window.reInformace);
    EXPECT_TRUE(window.reInformace->isReadOnly());
    EXPECT_EQ(window.reInformace->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(window.reInformace->palette().color(QPalette::Base),
              window.reInformace->palette().color(QPalette::Button));
    EXPECT_EQ(TfrmInformace::Instance(), &window);
}

TEST(TfrmInformace, ListKeepsEveryLineAsPlainText) {
    TfrmInformace window;
    window.AddLine("stale line of the previous caller");
    window.Clear();
    EXPECT_TRUE(window.Lines().isEmpty());

    // A list may start with an empty line, hold one in the middle, and carry text that looks like markup.
    const QStringList lines = {"", "Zjištěna nekonzistence v databázi:", "• položka <b>\"A&B\"</b>", "",
                               "konec"};
    for (const QString& line : lines) window.AddLine(line);
    EXPECT_EQ(window.Lines(), lines);
    EXPECT_EQ(window.reInformace->toPlainText(), lines.join('\n'));
}

TEST(TfrmInformace, EveryBoundKeyAndTheButtonClose) {
    TfrmInformace window;
    struct Case {
        const char* name;
        std::function<void(TfrmInformace&)> close;
    };
    const Case kCases[] = {
        {"Esc in the memo", [](TfrmInformace& w) { QTest::keyClick(w.reInformace, Qt::Key_Escape); }},
        {"Enter in the memo", [](TfrmInformace& w) { QTest::keyClick(w.reInformace, Qt::Key_Return); }},
        {"keypad Enter", [](TfrmInformace& w) { QTest::keyClick(w.reInformace, Qt::Key_Enter); }},
        {"OK button", [](TfrmInformace& w) { QTest::mouseClick(w.btnOK, Qt::LeftButton); }},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const ModalRun run = RunModal(window, c.close);
        EXPECT_TRUE(run.wasVisible);
        EXPECT_TRUE(run.closedByAction);
        EXPECT_FALSE(window.isVisible());
    }
}

TEST(TfrmInformace, EveryShowingStartsAtTheFirstLine) {
    TfrmInformace window;
    window.Clear();
    for (int i = 0; i < 200; ++i) window.AddLine(QString("• problém %1").arg(i));

    // The previous showing left the caret and the view at the end of a long list.
    for (int showing = 0; showing < 2; ++showing) {
        SCOPED_TRACE(showing);
        int scroll = -1;
        const ModalRun run = RunModal(window, [&scroll](TfrmInformace& w) {
            scroll = w.reInformace->verticalScrollBar()->value();
            w.reInformace->moveCursor(QTextCursor::End);
            w.reInformace->ensureCursorVisible();
            w.acbtnStorno->trigger();
        });
        EXPECT_EQ(run.caretPosition, 0);
        EXPECT_EQ(scroll, 0);
    }
}
