#pragma once

#include <QString>
#include <QUrl>

// Opens a web, mail or file address with the desktop's program for it, as the shell's "open" does,
// and does not wait. Answers whether the desktop took the address; when it did not, the user has
// been told in a box.
bool OpenUrl(const QString& target);

// The address as the desktop gets it. One without a scheme ("www.firma.cz") is taken the way a
// user would mean it typed into a browser: a web address, or a file when it is a path.
QUrl DesktopUrl(const QString& target);

// What OpenUrl hands the address to; tests replace it.
extern bool (*UrlLauncher)(const QString& target);
