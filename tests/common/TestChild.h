#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

// A second process for tests that must kill a program halfway or race two of them: this same test
// program, started with "--vn-child <name> <arguments>", runs the function registered under that
// name in place of the tests (inside the same offscreen application) and ends with its answer.
using TTestChildMain = std::function<int(const QStringList& arguments)>;

// Registers a child at program start: `static const TTestChild kChild("name", &Function);`.
class TTestChild {
public:
    TTestChild(const char* name, TTestChildMain main);
};

// Runs the registered child of that name; 2 when there is none.
int RunTestChild(const QString& name, const QStringList& arguments);

// The parent's end: starts the child and reads the lines it writes to its output.
class TTestChildProcess {
public:
    TTestChildProcess() = default;
    ~TTestChildProcess() { Kill(); }
    TTestChildProcess(const TTestChildProcess&) = delete;
    TTestChildProcess& operator=(const TTestChildProcess&) = delete;

    bool Start(const QString& name, const QStringList& arguments);
    // The next line the child writes, trimmed; empty when it ended without one.
    QString ReadLine();
    // Waits for the child to end by itself; its exit code, or -1 when it crashed or hung.
    int Finish();
    // Ends the child as a crash would (SIGKILL): it cleans up nothing.
    void Kill();

private:
    QProcess process_;
};
