#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>

#include "common/TempDir.h"
#include "platform/storage/CompoundFile.h"

namespace {

TCompoundEntry Stream(const QString& name, QByteArray data) {
    TCompoundEntry e;
    e.Name = name;
    e.Type = TCompoundEntryType::Stream;
    e.Data = std::move(data);
    return e;
}

TCompoundEntry Storage(const QString& name, std::vector<TCompoundEntry> children) {
    TCompoundEntry e;
    e.Name = name;
    e.Type = TCompoundEntryType::Storage;
    e.Children = std::move(children);
    return e;
}

QByteArray Pattern(int size, int seed) {
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) b[i] = char((i * 31 + seed * 7 + i / 251) & 0xFF);
    return b;
}

// Lists every stream of a file as the independent reader sees it: "path size md5" per line.
QStringList OlefileListing(const QString& path) {
    QProcess p;
    // The Debian interpreter, which the checker packages are installed for.
    p.start(QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3",
            {"-c",
             "import sys, olefile, hashlib\n"
             "o = olefile.OleFileIO(sys.argv[1])\n"
             "for e in o.listdir(streams=True, storages=False):\n"
             "    d = o.openstream(e).read()\n"
             "    print('/'.join(e), len(d), hashlib.md5(d).hexdigest())\n",
             path});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

void Flatten(const TCompoundEntry& e, const QString& prefix, QStringList& out) {
    for (const auto& c : e.Children) {
        QString path = prefix.isEmpty() ? c.Name : prefix + "/" + c.Name;
        if (c.Type == TCompoundEntryType::Stream)
            out << QString("%1 %2 %3")
                       .arg(path)
                       .arg(c.Data.size())
                       .arg(QString::fromLatin1(
                           QCryptographicHash::hash(c.Data, QCryptographicHash::Md5).toHex()));
        else
            Flatten(c, path, out);
    }
}

class CompoundFileTest : public TempDirTest {};

}  // namespace

// Streams on both sides of the mini-stream limit, nested storages and non-ASCII names come back
// unchanged from our reader and from an independent one.
TEST_F(CompoundFileTest, TreeRoundTripsAndIndependentReaderAgrees) {
    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    root.Children.push_back(Stream("Workbook", Pattern(5000, 1)));
    root.Children.push_back(Stream(QString(QChar(5)) + "SummaryInformation", Pattern(4095, 2)));
    root.Children.push_back(Stream("Exactly4096", Pattern(4096, 3)));
    root.Children.push_back(Stream("Tiny", Pattern(1, 4)));
    root.Children.push_back(Stream("Empty", {}));
    root.Children.push_back(
        Storage("_VBA_PROJECT_CUR",
                {Stream("PROJECT", Pattern(700, 5)),
                 Storage("VBA", {Stream("dir", Pattern(64, 6)), Stream("Module1", Pattern(9000, 7)),
                                 Stream("ThisWorkbook", Pattern(65, 8))})}));
    root.Children.push_back(Stream(QString::fromUtf8("Přílohy žluťoučký"), Pattern(100, 9)));
    for (int i = 0; i < 20; ++i) root.Children.push_back(Stream(QString("S%1").arg(i), Pattern(10 * i, i)));

    QString path = PathOf("tree.cfb");
    CreateCompoundFile(path, root);
    TCompoundEntry back = ReadCompoundFileFromPath(path);

    QStringList expected, ours;
    Flatten(root, {}, expected);
    Flatten(back, {}, ours);
    expected.sort();
    ours.sort();
    EXPECT_EQ(ours, expected);
    // olefile does not list empty streams differently; it must see the same set.
    EXPECT_EQ(OlefileListing(path), expected);
}

// The enumeration gives children in the directory's name order: shorter names first, then
// case-insensitively, whatever order they were written in.
TEST_F(CompoundFileTest, ChildrenComeInDirectoryOrder) {
    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    for (QString n : {"Workbook", "b", "A", "aa", "C",
                      "\x01"
                      "CompObj",
                      "Ab"})
        root.Children.push_back(Stream(n, QByteArray("x")));
    TCompoundEntry back = ReadCompoundFile(WriteCompoundFile(root));
    QStringList names;
    for (const auto& c : back.Children) names << c.Name;
    EXPECT_EQ(names, (QStringList{"A", "b", "C", "aa", "Ab",
                                  "\x01"
                                  "CompObj",
                                  "Workbook"}));
}

// Past 109 FAT sectors the sector table needs DIFAT sectors of its own.
TEST_F(CompoundFileTest, LargeStreamUsesDifatSectors) {
    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    root.Children.push_back(Stream("Big", Pattern(8 * 1024 * 1024 + 17, 11)));
    root.Children.push_back(Stream("Small", Pattern(300, 12)));
    QByteArray bytes = WriteCompoundFile(root);
    quint32 fatSectors = quint8(bytes[0x2C]) | (quint8(bytes[0x2D]) << 8);
    quint32 difatSectors = quint8(bytes[0x48]) | (quint8(bytes[0x49]) << 8);
    EXPECT_GT(fatSectors, 109u);
    EXPECT_GE(difatSectors, 1u);

    QString path = PathOf("big.cfb");
    CreateCompoundFile(path, root);
    TCompoundEntry back = ReadCompoundFileFromPath(path);
    ASSERT_EQ(back.Children.size(), 2u);
    EXPECT_EQ(back.Children[0].Data, root.Children[0].Data);
    QStringList expected;
    Flatten(root, {}, expected);
    expected.sort();
    EXPECT_EQ(OlefileListing(path), expected);
}

TEST_F(CompoundFileTest, NeverReplacesAnExistingFile) {
    QString path = PathOf("there.xls");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();
    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    EXPECT_THROW(CreateCompoundFile(path, root), EOleError);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("keep me"));
}

// Damaged files end in EOleError, never in a crash or a read beyond the data.
TEST_F(CompoundFileTest, DamagedFilesAreRefused) {
    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    root.Children.push_back(Stream("Workbook", Pattern(6000, 1)));
    root.Children.push_back(Stream("Mini", Pattern(200, 2)));
    root.Children.push_back(Storage("Sub", {Stream("Inner", Pattern(100, 3))}));
    const QByteArray good = WriteCompoundFile(root);
    ASSERT_NO_THROW(ReadCompoundFile(good));

    auto put32 = [](QByteArray& b, int pos, quint32 v) {
        for (int i = 0; i < 4; ++i) b[pos + i] = char((v >> (8 * i)) & 0xFF);
    };
    auto get32 = [](const QByteArray& b, int pos) {
        quint32 v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | quint8(b[pos + i]);
        return v;
    };
    const int fatSector = int(get32(good, 0x4C));
    const int fatOffset = 512 + fatSector * 512;
    const int dirOffset = 512 + int(get32(good, 0x30)) * 512;
    // The first directory entry after the root is a child of the root tree (the sorted median).
    struct Case {
        const char* what;
        std::function<void(QByteArray&)> damage;
    };
    const Case cases[] = {
        {"cut header", [](QByteArray& b) { b.truncate(300); }},
        {"bad version", [](QByteArray& b) { b[0x1A] = 7; }},
        {"fat count beyond file", [&](QByteArray& b) { put32(b, 0x2C, 100000); }},
        {"fat sector out of file", [&](QByteArray& b) { put32(b, 0x4C, 0x00FFFFFF); }},
        {"loop in the fat",
         [&](QByteArray& b) {
             // The Workbook stream's first sector points to itself.
             for (int i = 0; i < 6; ++i) {
                 int e = dirOffset + 128 * i;
                 if (b[e] == 'W') put32(b, fatOffset + 4 * int(get32(b, e + 116)), get32(b, e + 116));
             }
         }},
        {"directory loop", [&](QByteArray& b) { put32(b, dirOffset + 128 + 68, 0); }},
        {"child out of range", [&](QByteArray& b) { put32(b, dirOffset + 76, 5000); }},
        {"size beyond chain",
         [&](QByteArray& b) {
             for (int i = 1; i < 6; ++i)
                 if (b[dirOffset + 128 * i + 66] == 2) put32(b, dirOffset + 128 * i + 120, 0x7FFFFFFF);
         }},
        {"mini stream size beyond chain", [&](QByteArray& b) { put32(b, dirOffset + 120, 0x00FFFFFF); }},
        {"odd name length", [&](QByteArray& b) { b[dirOffset + 128 + 64] = 65; }},
        {"difat loop",
         [&](QByteArray& b) {
             put32(b, 0x2C, 200);
             put32(b, 0x44, 0);
             put32(b, 0x48, 1);
             put32(b, 512 + 508, 0);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bad = good;
        c.damage(bad);
        EXPECT_THROW(ReadCompoundFile(bad), EOleError);
    }
}

TEST(CompoundFileNames, InvalidOrDuplicateNamesAreRefusedOnWrite) {
    for (QString name : {QString(), QString(32, 'x'), QString("a/b"), QString("a!b")}) {
        TCompoundEntry root;
        root.Type = TCompoundEntryType::Root;
        root.Children.push_back(Stream(name, "x"));
        EXPECT_THROW(WriteCompoundFile(root), EOleError) << name.toStdString();
    }
    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    root.Children.push_back(Stream("Book", "x"));
    root.Children.push_back(Stream("BOOK", "y"));
    EXPECT_THROW(WriteCompoundFile(root), EOleError);
}
