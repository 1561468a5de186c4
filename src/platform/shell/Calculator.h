#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The desktop calculator, started without waiting. There is no calculator every system has, so
// the first of a few well-known ones found on the program path is taken.

// The calculator programs looked for, in order of preference.
QStringList CalculatorPrograms();

// Starts the first calculator found; false when none is installed or it would not start.
bool StartCalculator();

// What StartCalculator hands the program to (the full path); tests replace it.
extern std::function<bool(const QString& program)> CalculatorLauncher;
