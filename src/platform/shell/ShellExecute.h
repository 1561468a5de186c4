#pragma once

#include <QString>
#include <QStringList>

// Starts a program the user named, as the shell's default verb does, and does not wait for it.
// The program's own exit is none of ours: nothing here reports how it ended.

// Starts the program with the parameter text, which reaches it as one argument whatever blanks it
// holds (an empty text gives none). A file that is not a program is opened with the desktop's
// program for its type instead, without the parameter. Answers whether anything was started.
bool ShellExecute(const QString& file, const QString& parameters);

// What ShellExecute hands the program and its arguments to; tests replace it.
extern bool (*ProgramLauncher)(const QString& program, const QStringList& arguments);
