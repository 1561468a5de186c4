#include <gtest/gtest.h>
#include <zip.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "common/TempDir.h"
#include "platform/files/ZipArchive.h"

class ZipArchiveTest : public TempDirTest {
protected:
    QString Write(const QString& name, const QByteArray& content) {
        QFile f(PathOf(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return PathOf(name);
    }
    QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // An archive as a hostile sender could make it: our writer would never store these names.
    QString Crafted(const QString& archive, const QStringList& names) {
        int code = 0;
        zip_t* za =
            zip_open(QFile::encodeName(PathOf(archive)).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        EXPECT_NE(za, nullptr);
        static const char kBody[] = "payload";
        for (const QString& name : names) {
            zip_source_t* src = zip_source_buffer(za, kBody, sizeof kBody - 1, 0);
            EXPECT_GE(zip_file_add(za, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8), 0);
        }
        EXPECT_EQ(zip_close(za), 0);
        return PathOf(archive);
    }
};

TEST_F(ZipArchiveTest, MembersKeepTheirOrderAndBareNamesAndComeBackWhole) {
    QByteArray big;
    for (int i = 0; i < 20000; ++i) big += QByteArray::number(i) + ";Šroub M8x40 pozink\r\n";
    const QString info = Write("info.ini", "[MAIN]\r\nProgram=VN\r\n");
    const QString firm = Write("DEMO.MDB", big);
    TZipError error;
    const QString archive = PathOf("05-03-2024_DEMO_1.zbf");
    ASSERT_TRUE(ZipCreate(archive, {{"info.ini", info}, {"DEMO.MDB", firm}}, &error))
        << error.message.toStdString();
    EXPECT_EQ(ZipMemberNames(archive, &error), QStringList({"info.ini", "DEMO.MDB"}));

    // Deflated at the highest level: the repetitive database shrinks a lot.
    EXPECT_LT(QFileInfo(archive).size(), big.size() / 4);

    QDir().mkpath(PathOf("out"));
    EXPECT_EQ(ZipExtract(archive, PathOf("out"), {"demo.mdb"}, &error), 1);  // masks ignore case
    EXPECT_EQ(Read(PathOf("out/DEMO.MDB")), big);
    EXPECT_FALSE(QFile::exists(PathOf("out/info.ini")));
    EXPECT_EQ(ZipExtract(archive, PathOf("out"), {}, &error), 2);
    EXPECT_EQ(ZipExtract(archive, PathOf("out"), {"*.frx"}, &error), 0);

    // Another program reads what we write, with the same names.
    const QString unzip = QStandardPaths::findExecutable("unzip");
    if (unzip.isEmpty()) GTEST_SKIP() << "unzip is not installed";
    QProcess process;
    process.start(unzip, {"-Z1", archive});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
              QStringList({"info.ini", "DEMO.MDB"}));
    process.start(unzip, {"-tq", archive});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), 0);
}

TEST_F(ZipArchiveTest, ArchivesWithNamesThatLeaveTheFolderAreRefusedBeforeAnythingIsWritten) {
    const QStringList kUnsafe = {"../x", "a/../../x", "/etc/x", "..\\x", "C:x"};
    QDir().mkpath(PathOf("out"));
    for (const QString& bad : kUnsafe) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_FALSE(ZipMemberNameIsSafe(bad));
        // The harmless member comes first, so a check made member by member would already have written it.
        const QString archive = Crafted("bad.zip", {"ok.txt", bad});
        TZipError error;
        EXPECT_EQ(ZipExtract(archive, PathOf("out"), {}, &error), -1);
        EXPECT_EQ(error.code, kZipErrorUnsafeName);
        EXPECT_FALSE(QFile::exists(PathOf("out/ok.txt")));
        EXPECT_FALSE(QFile::exists(PathOf("x")));
    }
    for (const char* good : {"info.ini", "a..b.frx", "sub/x.xls"}) EXPECT_TRUE(ZipMemberNameIsSafe(good));
}

TEST_F(ZipArchiveTest, FailuresAndCancelsLeaveAnExistingArchiveAsItWas) {
    const QString archive = Write("old.zbf", "earlier backup");
    const QString data = Write("DEMO.MDB", QByteArray(100000, 'a'));
    TZipError error;
    EXPECT_FALSE(ZipCreate(archive, {{"DEMO.MDB", data}}, &error, [](int) { return false; }));
    EXPECT_EQ(error.code, kZipErrorCancelled);
    EXPECT_EQ(Read(archive), "earlier backup");

    EXPECT_FALSE(ZipCreate(archive, {{"gone.MDB", PathOf("missing.MDB")}}, &error));
    EXPECT_NE(error.code, 0);
    EXPECT_FALSE(error.message.isEmpty());
    EXPECT_EQ(Read(archive), "earlier backup");

    // Not an archive at all: reading reports the library's error.
    EXPECT_EQ(ZipExtract(archive, Folder(), {}, &error), -1);
    EXPECT_NE(error.code, 0);
    EXPECT_TRUE(ZipMemberNames(archive, &error).isEmpty());
}
