#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A fresh folder for one test, removed with everything in it when the test ends.
class TempDirTest : public ::testing::Test {
protected:
    QTemporaryDir tempDir_;

    // The folder with a trailing "/", as the program writes folder values.
    QString Folder() const { return tempDir_.path() + "/"; }
    QString PathOf(const QString& name) const { return tempDir_.filePath(name); }
};
