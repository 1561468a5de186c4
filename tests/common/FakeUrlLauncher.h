#pragma once

#include <QStringList>

#include "platform/shell/OpenUrl.h"

// Records what would have gone to the desktop instead of opening it, for as long as it lives.
struct TFakeLauncher {
    static inline QStringList opened;
    static bool Launch(const QString& target) {
        opened << target;
        return true;
    }
    bool (*saved)(const QString&) = UrlLauncher;
    TFakeLauncher() {
        opened.clear();
        UrlLauncher = Launch;
    }
    ~TFakeLauncher() { UrlLauncher = saved; }
};
