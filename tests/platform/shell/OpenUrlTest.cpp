// Web and mail addresses handed to the desktop's helpers, and what the user hears when the desktop
// has no program for them.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/ScriptedDialogs.h"
#include "platform/shell/DesktopHelper.h"
#include "platform/shell/OpenUrl.h"

namespace {

// A PATH of the test's own, holding only the helpers it writes, for as long as it lives.
class OpenUrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = qgetenv("PATH");
        bin_ = dir_.path() + "/bin/";
        QDir().mkpath(bin_);
        qputenv("PATH", QFile::encodeName(bin_));
    }
    void TearDown() override { qputenv("PATH", path_); }
    // A helper that writes its arguments, one a line, and ends with the code.
    void Helper(const char* name, int exitCode) {
        QFile file(bin_ + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QString("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '%1'\nexit %2\n")
                       .arg(dir_.path() + "/args")
                       .arg(exitCode)
                       .toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString Arguments() const {
        QFile file(dir_.path() + "/args");
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir dir_;
    QString bin_;
    QByteArray path_;
};

}  // namespace

TEST_F(OpenUrlTest, MailGoesToTheMailHelperAndTheRestToTheOpener) {
    Helper("xdg-email", 0);
    Helper("xdg-open", 0);
    TScriptedDialogs dialogs;
    EXPECT_TRUE(OpenUrl("mailto:nakup@firma.cz"));
    EXPECT_EQ(Arguments(), "mailto:nakup@firma.cz\n");
    EXPECT_TRUE(OpenUrl("www.firma.cz"));
    EXPECT_EQ(Arguments(), "http://www.firma.cz\n");
}

TEST_F(OpenUrlTest, ADesktopWithoutAProgramForTheAddressIsToldInCzech) {
    struct Case {
        const char* what;
        const char* helper;  // written with the exit code, or none at all
        int exitCode;
        const char* address;
        QString told;
    };
    const Case kCases[] = {
        {"no mail helper", nullptr, 0, "mailto:nakup@firma.cz", QString::fromUtf8(kDesktopNoMailProgram)},
        {"no mail program", "xdg-email", 3, "mailto:nakup@firma.cz",
         QString::fromUtf8(kDesktopNoMailProgram)},
        {"no browser", "xdg-open", 3, "https://www.firma.cz",
         QString::fromUtf8(kDesktopCannotOpen).arg("https://www.firma.cz")},
        {"a browser that failed", "xdg-open", 4, "https://www.firma.cz",
         QString::fromUtf8(kDesktopCannotOpen).arg("https://www.firma.cz")},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        for (const char* name : {"xdg-email", "xdg-open"}) QFile::remove(bin_ + name);
        if (c.helper) Helper(c.helper, c.exitCode);
        TScriptedDialogs dialogs;
        dialogs.ExpectError(c.told);
        EXPECT_FALSE(OpenUrl(QString::fromLatin1(c.address)));
    }
}
