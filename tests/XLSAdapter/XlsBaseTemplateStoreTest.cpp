#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>

#include "XLSAdapter/WOLE2Stream.h"
#include "XLSAdapter/XlsBaseTemplateStore.h"
#include "XLSAdapter/XlsMessages.h"
#include "XlsTestUtil.h"
#include "common/TempDir.h"
#include "platform/storage/CompoundFile.h"

using xlstest::MessageOf;

namespace {

TCompoundEntry Entry(const QString& name, QByteArray data, std::vector<TCompoundEntry> children = {}) {
    TCompoundEntry e;
    e.Name = name;
    e.Type = children.empty() && !data.isNull() ? TCompoundEntryType::Stream : TCompoundEntryType::Storage;
    e.Data = std::move(data);
    e.Children = std::move(children);
    return e;
}

// A template with a macro project, property streams, an empty stream and an empty storage.
TCompoundEntry Template(const QString& workbookName = "Workbook") {
    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    root.Children = {
        Entry(workbookName, QByteArray(5000, 'w')),
        Entry(QString(QChar(5)) + "SummaryInformation", QByteArray(300, 's')),
        Entry(QString(QChar(5)) + "DocumentSummaryInformation", QByteArray(5000, 'd')),
        Entry("_VBA_PROJECT_CUR", {},
              {Entry("PROJECT", "ID=\"{0}\""), Entry("VBA", {}, {Entry("dir", QByteArray(90, 'v'))})}),
        Entry("Empty", QByteArray("")),
        Entry("NoChildren", QByteArray()),
    };
    root.Children[4].Type = TCompoundEntryType::Stream;
    root.Children[5].Type = TCompoundEntryType::Storage;
    return root;
}

// Saves a template list the way a workbook is saved: every other entry copied, then Workbook.
void SaveLike(const TXlsStorageList& list, TOle2Storage& storage, const QByteArray& workbook) {
    for (int i = 0; i < list.Count(); ++i)
        if (list[i].Name != "Workbook") list[i].SaveToStorage(storage);
    {
        TOle2Stream stream(storage, "Workbook");
        stream.write(workbook);
    }
    storage.Commit();
}

class TemplateStoreTest : public TempDirTest {};

}  // namespace

TEST_F(TemplateStoreTest, EveryOtherEntryIsCopiedUnchangedAndEmptyOnesAreDropped) {
    QString source = PathOf("template.xls");
    CreateCompoundFile(source, Template());
    TXlsStorageList list;
    list.LoadFromFile(source);
    QStringList names;
    for (int i = 0; i < list.Count(); ++i) names << list[i].Name;
    // The storage's own order: shorter names first.
    EXPECT_EQ(names, (QStringList{"Empty", "Workbook", "NoChildren", "_VBA_PROJECT_CUR",
                                  QString(QChar(5)) + "SummaryInformation",
                                  QString(QChar(5)) + "DocumentSummaryInformation"}));
    EXPECT_EQ(list.FindStream("Workbook"), QByteArray(5000, 'w'));

    QString target = PathOf("out.xls");
    {
        TOle2Storage storage(target, nullptr, TOle2Storage::Create);
        SaveLike(list, storage, "new workbook");
    }
    TCompoundEntry saved = ReadCompoundFileFromPath(target);
    TCompoundEntry expected = Template();
    expected.Children.erase(expected.Children.begin() + 4, expected.Children.end());
    ASSERT_EQ(saved.Children.size(), 4u);
    for (const auto& want : expected.Children) {
        SCOPED_TRACE(want.Name.toStdString());
        auto it = std::find_if(saved.Children.begin(), saved.Children.end(),
                               [&](const TCompoundEntry& e) { return e.Name == want.Name; });
        ASSERT_NE(it, saved.Children.end());
        if (want.Name == "Workbook") {
            EXPECT_EQ(it->Data, QByteArray("new workbook"));
        } else if (want.Type == TCompoundEntryType::Stream) {
            EXPECT_EQ(it->Data, want.Data);
        } else {
            ASSERT_EQ(it->Children.size(), 2u);
            EXPECT_EQ(it->Children[0].Name, "VBA");
            EXPECT_EQ(it->Children[0].Children[0].Data, QByteArray(90, 'v'));
            EXPECT_EQ(it->Children[1].Data, QByteArray("ID=\"{0}\""));
        }
    }

    // The same into memory, for a caller's stream.
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    {
        TOle2Storage storage(QString(), &memory, TOle2Storage::Create);
        SaveLike(list, storage, "new workbook");
    }
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(memory.data(), file.readAll());
}

TEST_F(TemplateStoreTest, RefusedTemplatesAndTargets) {
    for (QString name : {"WORKBOOK", "Book"}) {
        QString path = PathOf(name + ".xls");
        CreateCompoundFile(path, Template(name));
        TXlsStorageList list;
        list.LoadFromFile(path);
        EXPECT_EQ(MessageOf([&] { list.FindStream("Workbook"); }), "Can't open Stream \"Workbook\"");
    }

    QString text = PathOf("plain.xls");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(2000, 'x'));
    f.close();
    TXlsStorageList list;
    EXPECT_EQ(MessageOf([&] { list.LoadFromFile(text); }), QString("The file \"%1\" is invalid").arg(text));
    // A damaged container is the library's error too, not a crash or a platform error.
    QByteArray damaged = WriteCompoundFile(Template());
    damaged.truncate(1024);
    EXPECT_EQ(MessageOf([&] { list.LoadFromData(damaged, "x.xls"); }), "The file \"x.xls\" is invalid");

    // Saving never replaces a file, and a failed save leaves nothing of its own behind.
    EXPECT_THROW(TOle2Storage(text, nullptr, TOle2Storage::Create), EOleError);
    EXPECT_TRUE(QFile::exists(text));
    QString abandoned = PathOf("abandoned.xls");
    { TOle2Storage storage(abandoned, nullptr, TOle2Storage::Create); }
    EXPECT_FALSE(QFile::exists(abandoned));
}

TEST_F(TemplateStoreTest, FindWorkbookOnPathAddsTheExtension) {
    CreateCompoundFile(PathOf("Sablona.xls"), Template());
    QString saved = QDir::currentPath();
    QDir::setCurrent(tempDir_.path());
    EXPECT_EQ(FindWorkbookOnPath("Sablona"), QFileInfo(PathOf("Sablona.xls")).absoluteFilePath());
    EXPECT_EQ(FindWorkbookOnPath("Sablona.xls"), QFileInfo(PathOf("Sablona.xls")).absoluteFilePath());
    EXPECT_EQ(MessageOf([] { FindWorkbookOnPath("Nothing"); }), "Can't find the file \"Nothing\"");
    QDir::setCurrent(saved);
    EXPECT_EQ(FindWorkbookOnPath(PathOf("Sablona")), QFileInfo(PathOf("Sablona.xls")).absoluteFilePath());
}

// Streams and storages created while another stream is still open keep every stream's bytes;
// olefile, an independent reader, sees them all.
TEST_F(TemplateStoreTest, StreamsOpenAcrossNewEntriesKeepTheirData) {
    QString path = PathOf("handles.xls");
    {
        TOle2Storage storage(path, nullptr, TOle2Storage::Create);
        auto first = std::make_unique<TOle2Stream>(storage, "First");
        first->write(QByteArray(5000, 'a'));
        std::vector<std::unique_ptr<TOle2Stream>> more;
        for (int i = 0; i < 20; ++i) {
            more.push_back(std::make_unique<TOle2Stream>(storage, QString("More%1").arg(i)));
            more.back()->write(QByteArray(10 + i, char('b' + i % 20)));
        }
        storage.OpenSubStorage("Sub");
        auto inner = std::make_unique<TOle2Stream>(storage, "Inner");
        inner->write("inner");
        storage.CloseSubStorage();
        TOle2Stream last(storage, "Last");
        last.write("last");
        inner.reset();
        first.reset();
        more.clear();
        last.close();
        storage.Commit();
    }
    QString read = xlstest::Python(
        "import sys, olefile\n"
        "f = olefile.OleFileIO(sys.argv[1])\n"
        "print(len(f.openstream('First').read()), f.openstream('More19').read().decode(),\n"
        "      f.openstream('Sub/Inner').read().decode(), f.openstream('Last').read().decode())\n",
        {path});
    EXPECT_EQ(read, QString("5000 %1 inner last\n").arg(QString(29, QChar('b' + 19))));
}
