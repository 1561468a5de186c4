#pragma once

// LibreOffice as a judge of the files we write (workbooks, RTF) and as a writer of files we read.
// A judge that silently never runs proves nothing: where LibreOffice is missing, the tests that
// need it skip on a developer's machine but fail under CI (CI=true), whose setup installs it.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

// What is missing for the tests that need LibreOffice (the spreadsheet part, and with `writer` the
// text part too); empty when everything is there.
QString LibreOfficeMissing(bool writer);

// True when the tests run under CI, where every judge must run.
bool RunningUnderCI();

// Converts the files into outDir with LibreOffice ("--convert-to" with the filter, after the
// extra arguments such as an input filter), all of them in one start: LibreOffice starts slowly.
// Every conversion of one test program shares one private profile, made on first use and removed
// when the program ends, so the user's own profile is never touched. False, with LibreOffice's own
// words in error, when it did not run to its end.
bool ConvertWithLibreOffice(const QStringList& files, const QString& filter, const QString& outDir,
                            const QStringList& extraArgs = {}, QString* error = nullptr);

// Skips the test when LibreOffice (with `writer`, also its text part) is missing, or fails it
// under CI. For the body of a test or a fixture's SetUp.
#define REQUIRE_LIBREOFFICE(writer)                                                                   \
    do {                                                                                              \
        const QString libreOfficeMissing_ = LibreOfficeMissing(writer);                               \
        if (!libreOfficeMissing_.isEmpty()) {                                                         \
            if (RunningUnderCI())                                                                     \
                FAIL() << libreOfficeMissing_.toStdString() << " (scripts/setup --test installs it)"; \
            GTEST_SKIP() << libreOfficeMissing_.toStdString();                                        \
        }                                                                                             \
    } while (0)
