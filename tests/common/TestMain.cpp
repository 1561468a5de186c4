#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

#include "platform/db/ADOConnection.h"
#include "platform/files/FileLock.h"

namespace {

// The far end of LockHolder: takes the lock, says "held", keeps it until its input closes.
int HoldLock(const char* path, const char* mode) {
    TFileLock lock;
    if (!lock.Open(QString::fromLocal8Bit(path), std::strcmp(mode, "exclusive") == 0, true)) {
        std::puts("refused");
        return 2;
    }
    std::puts("held");
    std::fflush(stdout);
    char buffer[256];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    return 0;
}

// The far end of StationWriting: opens the database, begins a write transaction and runs the
// statement in it, says "held", and commits once its input closes.
int HoldWrite(const char* path, const char* sql) {
    TADOConnection con;
    try {
        con.Open(QString::fromLocal8Bit(path));
        con.BeginTrans();
        if (sql) con.Execute(QString::fromUtf8(sql));
    } catch (const EDatabaseError& e) {
        std::printf("refused: %s\n", e.what());
        return 2;
    }
    std::puts("held");
    std::fflush(stdout);
    char buffer[256];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    con.CommitTrans();
    return 0;
}

}  // namespace

#include "common/ScriptedDialogs.h"
#include "common/TestChild.h"

// Every test program runs inside one offscreen application with the fixed font and resolution
// the windows are laid out for, so pixel measurements are the same on every machine.
int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--vn-hold-lock") == 0) return HoldLock(argv[2], argv[3]);
    if (argc >= 3 && std::strcmp(argv[1], "--vn-hold-write") == 0)
        return HoldWrite(argv[2], argc >= 4 ? argv[3] : nullptr);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FONT_DPI", "96");
    qputenv("LC_ALL", "C.UTF-8");
    // Each test program, and every program it starts, keeps its temporary files under a temporary
    // folder of its own, removed when the test program ends; the session's runtime folder is left
    // out of it, so that a test that ends badly leaves nothing there behind.
    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "no temporary folder: %s\n", qPrintable(temp.errorString()));
        return 2;
    }
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    qunsetenv("XDG_RUNTIME_DIR");
    // This program started again by a test, to play a second process (TestChild.h).
    const bool child = argc >= 3 && std::strcmp(argv[1], "--vn-child") == 0;
    QStringList childArguments;
    for (int i = 3; child && i < argc; ++i) childArguments << QString::fromLocal8Bit(argv[i]);
    const QString childName = child ? QString::fromLocal8Bit(argv[2]) : QString();
    if (!child) ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setFont(QFont("DejaVu Sans", 8));
    if (child) return RunTestChild(childName, childArguments);
    // A message box nobody scripted would wait for a click forever; this fails the test instead.
    TScriptedDialogs noMessageExpected;
    return RUN_ALL_TESTS();
}
