#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/PlantedLink.h"
#include "common/TempDir.h"
#include "platform/files/FileUtils.h"

class FileUtilsTest : public TempDirTest {
protected:
    void Touch(const QString& name, const QByteArray& content = "x") {
        QDir().mkpath(QFileInfo(PathOf(name)).path());
        QFile f(PathOf(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
};

TEST(FilePaths, NamesAndExtensions) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
        const char* ext;
        const char* asPdf;
    };
    const Case kCases[] = {
        {"/data/DEMO.MDB", "/data/", "DEMO.MDB", ".MDB", "/data/DEMO.pdf"},
        {"/data/archiv.2024/zaloha", "/data/archiv.2024/", "zaloha", "", "/data/archiv.2024/zaloha.pdf"},
        {"report.frx", "", "report.frx", ".frx", "report.pdf"},
        {"/data/", "/data/", "", "", "/data/.pdf"},
        {"a.b.c", "", "a.b.c", ".c", "a.b.pdf"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ExtractFilePath(c.path).toStdString(), c.folder);
        EXPECT_EQ(ExtractFileName(c.path).toStdString(), c.name);
        EXPECT_EQ(ExtractFileExt(c.path).toStdString(), c.ext);
        EXPECT_EQ(ChangeFileExt(c.path, ".pdf").toStdString(), c.asPdf);
    }
    EXPECT_EQ(IncludeTrailingPathDelimiter("/data"), "/data/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/data/"), "/data/");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "");
}

TEST_F(FileUtilsTest, ExistenceAndFolders) {
    Touch("f.txt");
    EXPECT_TRUE(FileExists(PathOf("f.txt")));
    EXPECT_FALSE(FileExists(Folder()));
    EXPECT_TRUE(DirectoryExists(Folder()));
    EXPECT_FALSE(DirectoryExists(PathOf("f.txt")));
    EXPECT_TRUE(ForceDirectories(PathOf("DATA/LOCK/deep")));
    EXPECT_TRUE(DirectoryExists(PathOf("DATA/LOCK/deep/")));
    EXPECT_TRUE(ForceDirectories(PathOf("DATA/LOCK")));  // already there
    EXPECT_FALSE(ForceDirectories(PathOf("f.txt/sub")));
}

TEST_F(FileUtilsTest, DeleteTreeRemovesLinksWithoutFollowingThem) {
    const TPlantedLink outside(PathOf("cizi"), PathOf("strom/odkaz"));
    const TPlantedLink top(PathOf("cizi2"), PathOf("odkaz nahore"));
    Touch("strom/sub/soubor.txt");
    QFile::link(PathOf("cizi/smlouva.odt"), PathOf("strom/sub/odkaz na soubor"));
    QFile::link(PathOf("nikam"), PathOf("strom/mrtvy odkaz"));

    EXPECT_TRUE(DeleteTree(PathOf("strom") + "/"));
    EXPECT_FALSE(QFileInfo::exists(PathOf("strom")));
    EXPECT_TRUE(DeleteTree(PathOf("odkaz nahore") + "/"));
    EXPECT_FALSE(QFileInfo(PathOf("odkaz nahore")).isSymLink());
    EXPECT_TRUE(outside.Intact());
    EXPECT_TRUE(top.Intact());
    EXPECT_TRUE(DeleteTree(PathOf("nebylo")));
}

TEST_F(FileUtilsTest, SameFileThroughLinksAndDots) {
    Touch("a.mdb");
    ASSERT_TRUE(QDir().mkpath(PathOf("sub")));
    ASSERT_TRUE(QFile::link(PathOf("a.mdb"), PathOf("link.mdb")));
    EXPECT_TRUE(SameFileName(PathOf("a.mdb"), PathOf("sub/../a.mdb")));
    EXPECT_TRUE(SameFileName(PathOf("a.mdb"), Folder() + "/./a.mdb"));
    EXPECT_TRUE(SameFileName(PathOf("a.mdb"), PathOf("link.mdb")));
    EXPECT_FALSE(SameFileName(PathOf("a.mdb"), PathOf("A.mdb")));
    EXPECT_TRUE(SameFileName(PathOf("new.mdb"), PathOf("sub/../new.mdb")));
    EXPECT_FALSE(SameFileName(PathOf("a.mdb"), ""));
}

TEST_F(FileUtilsTest, FindsFilesWhateverTheirCase) {
    Touch("DEMO.MDB");
    Touch("Firma.mdb");
    Touch("firma.MDB");
    EXPECT_EQ(FindFileCaseInsensitive(Folder(), "demo.mdb"), PathOf("DEMO.MDB"));
    EXPECT_EQ(FindFileCaseInsensitive(tempDir_.path(), "DEMO.mdb"), PathOf("DEMO.MDB"));
    EXPECT_EQ(FindFileCaseInsensitive(Folder(), "firma.MDB"), PathOf("firma.MDB"));  // exact wins
    EXPECT_EQ(FindFileCaseInsensitive(Folder(), "Chybi.mdb"), "");
    EXPECT_EQ(FindFileCaseInsensitive(Folder(), "../DEMO.MDB"), "");
    EXPECT_EQ(FindFileCaseInsensitive(PathOf("nofolder"), "x"), "");
}

TEST_F(FileUtilsTest, CopyKeepsTheDateAndRespectsFailIfExists) {
    Touch("src.res", "template");
    const QDateTime old(QDate(2020, 5, 6), QTime(7, 8, 9));
    {
        QFile f(PathOf("src.res"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    ASSERT_TRUE(CopyFileKeepDate(PathOf("src.res"), PathOf("copy.mdb")));
    EXPECT_EQ(QFileInfo(PathOf("copy.mdb")).lastModified(), old);
    QFile copy(PathOf("copy.mdb"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "template");
    copy.close();

    Touch("existing.mdb", "mine");
    EXPECT_FALSE(CopyFileKeepDate(PathOf("src.res"), PathOf("existing.mdb"), true));
    QFile kept(PathOf("existing.mdb"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "mine");
    EXPECT_TRUE(CopyFileKeepDate(PathOf("src.res"), PathOf("existing.mdb"), false));

    EXPECT_FALSE(CopyFileKeepDate(PathOf("missing"), PathOf("x")));
    EXPECT_FALSE(QFile::exists(PathOf("x")));
    EXPECT_FALSE(CopyFileKeepDate(PathOf("src.res"), PathOf("src.res")));  // never onto itself
    EXPECT_FALSE(CopyFileKeepDate(PathOf("src.res"), PathOf("nofolder/x")));
}
