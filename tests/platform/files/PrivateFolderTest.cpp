#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/FilePermissions.h"
#include "common/TempDir.h"
#include "common/UserFolders.h"
#include "platform/files/FileUtils.h"
#include "platform/files/PrivateFolder.h"

namespace {

// The folder's permission bits and owner, as the system has them (a link is not followed).
struct TStat {
    mode_t mode = 0;
    uid_t uid = 0;
};
TStat StatOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(QDir::cleanPath(path)).constData(), &st);
    return {static_cast<mode_t>(st.st_mode & 07777), st.st_uid};
}

// XDG_RUNTIME_DIR and TMPDIR as the test sets them; both are put back afterwards.
class PrivateFolderTest : public TempDirTest {
protected:
    void SetUp() override {
        QDir().mkpath(PathOf("tmp"));
        env_.Set("TMPDIR", PathOf("tmp"));
        env_.Unset("XDG_RUNTIME_DIR");
    }
    QString Runtime(mode_t mode) {
        const QString folder = PathOf("run");
        QDir().mkpath(folder);
        ::chmod(QFile::encodeName(folder).constData(), mode);
        env_.Set("XDG_RUNTIME_DIR", folder);
        return folder + "/";
    }
    TScopedEnv env_;
};

TEST_F(PrivateFolderTest, EachCallMakesAFreshFolderOnlyItsUserCanEnter) {
    struct Case {
        const char* name;
        bool runtimeSet;
        mode_t runtimeMode;
        bool underRuntime;
    };
    const Case kCases[] = {
        {"the session's runtime folder", true, 0700, true},
        {"no runtime folder", false, 0, false},
        // A runtime folder others may write into is no place for private files.
        {"a runtime folder open to everyone", true, 0777, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        env_.Unset("XDG_RUNTIME_DIR");
        const QString runtime = c.runtimeSet ? Runtime(c.runtimeMode) : QString();
        const QString first = MakePrivateFolder("varnobis");
        const QString second = MakePrivateFolder("varnobis");
        ASSERT_FALSE(first.isEmpty());
        EXPECT_NE(first, second);
        EXPECT_TRUE(first.endsWith('/'));
        EXPECT_TRUE(first.startsWith((c.underRuntime ? runtime : PathOf("tmp/")) + "varnobis-"))
            << first.toStdString();
        EXPECT_EQ(StatOf(first).mode, 0700u);
        EXPECT_EQ(StatOf(first).uid, ::geteuid());
        EXPECT_TRUE(IsOwnPrivateFolder(first));
    }
}

TEST_F(PrivateFolderTest, OnlyAFolderOfThisUserClosedToOthersCountsAsPrivate) {
    const QString own = MakePrivateFolder("varnobis");
    QDir().mkpath(PathOf("otevrena"));
    ::chmod(QFile::encodeName(PathOf("otevrena")).constData(), 0755);
    QFile::link(QDir::cleanPath(own), PathOf("odkaz"));
    EXPECT_TRUE(IsOwnPrivateFolder(own));
    EXPECT_FALSE(IsOwnPrivateFolder(PathOf("otevrena")));
    EXPECT_FALSE(IsOwnPrivateFolder(PathOf("odkaz")));
    EXPECT_FALSE(IsOwnPrivateFolder(PathOf("neni")));
    EXPECT_FALSE(IsOwnPrivateFolder(QString()));
    // Only the administrator can give a folder away, so only then can a stranger's folder be tried.
    if (::geteuid() == 0) {
        QDir().mkpath(PathOf("cizi"));
        ::chmod(QFile::encodeName(PathOf("cizi")).constData(), 0700);
        ASSERT_EQ(::chown(QFile::encodeName(PathOf("cizi")).constData(), 65534, 65534), 0);
        EXPECT_FALSE(IsOwnPrivateFolder(PathOf("cizi")));
    }
}

TEST_F(PrivateFolderTest, NoFolderWhereNoneCanBeMade) {
    const QString closed = PathOf("zavrena");
    QDir().mkpath(closed);
    ::chmod(QFile::encodeName(closed).constData(), 0555);
    env_.Set("TMPDIR", closed);
    QString error;
    {
        TFilePermissionsApply asAUser;
        EXPECT_TRUE(MakePrivateFolder("varnobis", &error).isEmpty());
    }
    EXPECT_TRUE(error.contains(closed)) << error.toStdString();
    ::chmod(QFile::encodeName(closed).constData(), 0755);
}

}  // namespace
