#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The desktop calculator, started without waiting. There is no calculator every system has, so
// the first of a few well-known ones found on the program path is taken.

// The calculator programs looked for, in order of preference: the big desktops' own first, so a
// user gets the one his desktop shows him elsewhere.
QStringList CalculatorPrograms();

// The full path of the first calculator found on the program path; empty when none is installed.
QString FindCalculator();

// What starts the calculator (its full path); false when it would not start. Tests replace it.
extern std::function<bool(const QString& program)> CalculatorLauncher;
