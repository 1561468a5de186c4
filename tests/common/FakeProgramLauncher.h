#pragma once

#include <QStringList>
#include <utility>
#include <vector>

#include "platform/shell/ShellExecute.h"

// Records the programs that would have been started instead of starting them, for as long as it
// lives.
struct TFakeProgramLauncher {
    static inline std::vector<std::pair<QString, QStringList>> started;
    static bool Launch(const QString& program, const QStringList& arguments) {
        started.emplace_back(program, arguments);
        return true;
    }
    bool (*saved)(const QString&, const QStringList&) = ProgramLauncher;
    TFakeProgramLauncher() {
        started.clear();
        ProgramLauncher = Launch;
    }
    ~TFakeProgramLauncher() { ProgramLauncher = saved; }
};
