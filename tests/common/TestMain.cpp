#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>

#include "common/ScriptedDialogs.h"

// Every test program runs inside one offscreen application with the fixed font and resolution
// the windows are laid out for, so pixel measurements are the same on every machine.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FONT_DPI", "96");
    qputenv("LC_ALL", "C.UTF-8");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setFont(QFont("DejaVu Sans", 8));
    // A message box nobody scripted would wait for a click forever; this fails the test instead.
    TScriptedDialogs noMessageExpected;
    return RUN_ALL_TESTS();
}
