#pragma once

#include <QString>
#include <QStringList>

class TfrmMain;

// A way for a test to drive the whole program from outside: when the environment variable
// VN_DIALOG_SCRIPT names a file, its lines answer the program's message boxes and the data-folder
// window in order, and the lines after them act on the main window once it shows. Without the variable
// nothing here does anything. Every box shown is also written to the standard error output, so the
// test can see what the user would have seen.
//
// Lines (blank ones and those starting with "#" are skipped):
//   ok | yes | no | cancel | input <text>        answers the next box
//   datafolder local | datafolder network <folder> | datafolder cancel
//   grab <file>                                   saves a picture of the main window
//   status                                        writes the open firm's name, the notes listed and
//                                                 whether the private temporary folder is private
//   close                                         closes the main window
inline constexpr const char* kDialogScriptVariable = "VN_DIALOG_SCRIPT";

// Reads the script named by the variable and puts its answers in place; false without one.
bool InstallStartupScript();
// Queues the script's main-window actions to run once the message loop starts.
void RunMainWindowScript(TfrmMain& window);

// The script split into what answers the boxes and what acts on the main window.
struct TStartupScript {
    QStringList Answers;
    QStringList WindowActions;
};
TStartupScript ParseStartupScript(const QString& text);
