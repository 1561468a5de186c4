#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>

#include "core/CommonUtils.h"
#include "platform/data/MemTable.h"
#include "widgets/VnDBGrids.h"

TEST(CommonUtilsTest, OfferStateNames) {
    EXPECT_EQ(OfferStateName(0), QString::fromUtf8("rozpracovaná (zatím neodeslaná)"));
    EXPECT_EQ(OfferStateName(3), QString::fromUtf8("uzavřená (odběratel nabídku akceptoval)"));
    EXPECT_EQ(OfferStateName(6), QString::fromUtf8("stornovaná"));
    EXPECT_EQ(OfferStateName(7), QString());
    // A negative state stored by mistake arrives as a huge unsigned value.
    EXPECT_EQ(OfferStateName(static_cast<unsigned>(-1)), QString());
}

TEST(CommonUtilsTest, SplitToStringList) {
    struct Case {
        const char* delimiter;
        const char* text;
        QStringList parts;
    };
    const Case kCases[] = {
        {";", "a;b;", {"a", "b", ""}},
        {";", ";a", {"", "a"}},
        {";", "", {}},
        {";", "abc", {"abc"}},
        {"::", "a::b", {"a", "b"}},
        {";", "a;;b", {"a", "", "b"}},
        {"", "a;b", {"a;b"}},
        // Matches do not overlap: ":::" holds one "::" and a ":" left over.
        {"::", "x:::y", {"x", ":y"}},
        {"ab", "a", {"a"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.delimiter) + " | " + c.text);
        const std::unique_ptr<QStringList> parts = SplitToStringList(c.delimiter, c.text);
        EXPECT_EQ(*parts, c.parts);
    }
}

TEST(CommonUtilsTest, WindowsVersion) {
    struct Case {
        const char* value;
        bool ok;
        int major, minor;
    };
    const Case kCases[] = {
        {"6.3", true, 6, 3},  {"10", false, 0, 0}, {"6.x", false, 0, 0},
        {"a.1", false, 0, 0}, {"", false, 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.value);
        int major = -1, minor = -1;
        EXPECT_EQ(ParseWindowsVersion(c.value, major, minor), c.ok);
        EXPECT_EQ(major, c.major);
        EXPECT_EQ(minor, c.minor);
    }
    int major = -1, minor = -1;
    EXPECT_FALSE(GetWindowsVersion(major, minor));
    EXPECT_EQ(major, 0);
    EXPECT_EQ(minor, 0);
}

TEST(CommonUtilsTest, TextHelpers) {
    EXPECT_EQ(JetDateLiteral(DateTimeToOle(QDate(2024, 3, 5))), "#2024-3-5#");
    EXPECT_EQ(JetDateLiteral(DateTimeToOle(QDate(2024, 12, 31), QTime(23, 59))), "#2024-12-31#");
    EXPECT_EQ(FormatMoney(Currency::FromDouble(1234567.5)), "1 234 567,50");
    EXPECT_EQ(FormatMoney(Currency::FromDouble(-0.5)), "-0,50");
    EXPECT_EQ(CapitalizeFirst(QString::fromUtf8("čtvrtek je")), QString::fromUtf8("Čtvrtek je"));
    EXPECT_EQ(CapitalizeFirst(""), "");
    EXPECT_EQ(CommentTargetTable(0), "Nabidky");
    EXPECT_EQ(CommentTargetTable(1), "");

    QTextEdit edit;
    LoadRichText("a\r\nb", &edit);
    EXPECT_EQ(edit.toPlainText(), "a\nb");
}

TEST(CommonUtilsTest, LoadRichTextShowsRtfFormattedAndOtherTextAsLines) {
    QTextEdit edit;
    LoadRichText("{\\rtf1\\ansi\\ansicpg1250 {\\b Tu\\'e8n\\'fd} text\\par druh\\'fd}", &edit);
    EXPECT_EQ(edit.toPlainText(), QString::fromUtf8("Tučný text\ndruhý"));
    QTextCursor cursor(edit.document());
    cursor.setPosition(2);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
    cursor.setPosition(8);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Normal);

    // Text that only looks like RTF further on is shown as it stands.
    LoadRichText("pozn. {\\rtf1 x}\r\ndalší", &edit);
    EXPECT_EQ(edit.toPlainText(), "pozn. {\\rtf1 x}\ndalší");
}

TEST(CommonUtilsTest, ShellOpenOfMissingFileIsFileNotFound) {
    EXPECT_EQ(ShellOpen("/nonexistent/folder/file.pdf"), 2);

    int (*previous)(const QString&) = ShellOpenLauncher;
    static QString opened;
    ShellOpenLauncher = [](const QString& target) {
        opened = target;
        return 42;
    };
    EXPECT_EQ(ShellOpen("http://www.varnobis.cz"), 42);
    EXPECT_EQ(opened, "http://www.varnobis.cz");
    ShellOpenLauncher = previous;
}

TEST(CommonUtilsTest, ShellOpenTellsWhenNoProgramTakesTheFile) {
    QTemporaryDir dir;
    const QString bin = dir.path() + "/bin/";
    QDir().mkpath(bin);
    const QString file = dir.path() + "/cenik.xls";
    QFile(file).open(QIODevice::WriteOnly);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toLocal8Bit());
    // No desktop helper at all, then one that finds a program, one that finds none, one that fails.
    EXPECT_EQ(ShellOpen(file), 31);
    struct Case {
        int exitCode;
        int result;
    };
    const Case kCases[] = {{0, 42}, {3, 31}, {4, 31}, {2, 2}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.exitCode);
        QFile opener(bin + "xdg-open");
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly | QIODevice::Truncate));
        opener.write(QString("#!/bin/sh\nexit %1\n").arg(c.exitCode).toUtf8());
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(ShellOpen(file), c.result);
    }
    qputenv("PATH", path);
}

TEST(CommonUtilsTest, GridColumnIndexMatchesFieldNamesExactly) {
    TMemTable table;
    table.FieldDefs().Add("ID", ftInteger);
    table.FieldDefs().Add("Nazev", ftString, 20);
    table.CreateTable();
    TDataSource source(&table);
    TVnDBGrid grid;
    grid.SetDataSource(&source);
    TDBGridColumns& columns = grid.Columns();
    columns.Clear();
    for (const char* name : {"Nazev", "ID", "Nazev"}) columns.AddColumn()->SetFieldName(name);

    struct Case {
        const char* name;
        int index;
    };
    const Case kCases[] = {
        {"Nazev", 0},                 // the first of two columns showing the field
        {"ID", 1},    {"nazev", -1},  // the dataset would find it, the grid's columns do not
        {"Id", -1},   {"Cena", -1},  {"", -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GridColumnIndex(&grid, c.name), c.index);
    }
}
