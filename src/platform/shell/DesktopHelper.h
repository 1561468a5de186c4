#pragma once

#include <QString>
#include <QStringList>

// The desktop's own helpers (xdg-open for files and web addresses, xdg-email for mail) find the
// program the user chose for a thing. They say by their exit code when there is none, and that is
// the one thing the program must not pass over in silence: the user would only see nothing happen.

enum class TDesktopHandOver {
    Taken,         // a program has it, or is showing it now
    NoHelper,      // the helper itself is not installed or would not start
    NoProgram,     // no program for this kind of thing
    FileNotFound,  // the file named is not there
    Failed,        // the helper or the program it chose failed
};

// Runs the helper with the arguments and gives it a moment to say how it went. One still running
// by then is showing the thing itself (without a desktop the helper runs the program in its own
// foreground); it lives on beside us and cleans up after itself.
TDesktopHandOver HandToDesktop(const QString& helper, const QStringList& arguments);

inline constexpr const char* kDesktopNoMailProgram =
    "V systému není nainstalován žádný poštovní program, e-mail nelze připravit.";
inline constexpr const char* kDesktopCannotOpen =
    "Adresu %1 se nepodařilo otevřít: v systému není program, který by ji zobrazil.";
