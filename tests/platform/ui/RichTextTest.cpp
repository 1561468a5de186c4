#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include "common/LibreOffice.h"
#include "common/TempDir.h"
#include "platform/ui/RichText.h"

namespace {

// One run of text with the formatting it was read with.
struct TRun {
    QString text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QString family;
    qreal points = 0;
    QColor colour;
};

std::vector<std::vector<TRun>> Paragraphs(const QTextDocument& document) {
    std::vector<std::vector<TRun>> paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        std::vector<TRun> runs;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QStringList families = f.fontFamilies().toStringList();
            runs.push_back({it.fragment().text(), f.fontWeight() >= QFont::DemiBold, f.fontItalic(),
                            f.fontUnderline(), families.isEmpty() ? QString() : families.first(),
                            f.fontPointSize(),
                            f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : QColor()});
        }
        paragraphs.push_back(runs);
    }
    return paragraphs;
}

QTextCharFormat Format(bool bold, bool italic, bool underline, const QString& family, qreal points,
                       const QColor& colour = {}) {
    QTextCharFormat f;
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(italic);
    f.setFontUnderline(underline);
    f.setFontFamilies({family});
    f.setFontPointSize(points);
    if (colour.isValid()) f.setForeground(colour);
    return f;
}

QString Read(const char* rtf) {
    QTextDocument document;
    EXPECT_TRUE(RtfToDocument(QByteArray(rtf), document));
    return document.toPlainText();
}

TEST(RichTextTest, OwnWriterRoundTripKeepsTextAndFormatting) {
    QTextDocument source;
    QTextCursor cursor(&source);
    cursor.insertText(QString::fromUtf8("Příliš "), Format(true, false, false, "Arial", 12));
    cursor.insertText(QString::fromUtf8("žluťoučký"),
                      Format(false, true, true, "Times New Roman", 14, Qt::red));
    cursor.insertText(" {kůň} \\ ", Format(false, false, false, "Arial", 10, QColor(0, 128, 255)));
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centred);
    cursor.insertText(
        QString::fromUtf8("úpěl\tďábelské") + QChar(QChar::LineSeparator) + QString::fromUtf8("ódy €"),
        Format(true, true, false, "Arial", 9));
    cursor.insertBlock(QTextBlockFormat());  // an empty paragraph in the middle
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(QString::fromUtf8("ŘŠČ"), Format(false, false, false, "Arial", 12));

    const QByteArray rtf = DocumentToRtf(source);
    // Plain ASCII: every reader takes it whatever code page it assumes.
    for (char c : rtf) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << rtf.constData();

    QTextDocument read;
    ASSERT_TRUE(RtfToDocument(rtf, read));
    EXPECT_EQ(read.toPlainText(), source.toPlainText());
    const auto expected = Paragraphs(source);
    const auto got = Paragraphs(read);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t p = 0; p < expected.size(); ++p) {
        ASSERT_EQ(got[p].size(), expected[p].size()) << "paragraph " << p;
        for (size_t r = 0; r < expected[p].size(); ++r) {
            SCOPED_TRACE(expected[p][r].text.toStdString());
            EXPECT_EQ(got[p][r].text, expected[p][r].text);
            EXPECT_EQ(got[p][r].bold, expected[p][r].bold);
            EXPECT_EQ(got[p][r].italic, expected[p][r].italic);
            EXPECT_EQ(got[p][r].underline, expected[p][r].underline);
            EXPECT_EQ(got[p][r].family, expected[p][r].family);
            EXPECT_EQ(got[p][r].points, expected[p][r].points);
            EXPECT_EQ(got[p][r].colour, expected[p][r].colour);
        }
    }
    EXPECT_EQ(read.begin().next().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

TEST(RichTextTest, CzechLettersAreWrittenAsUnicodeWithCodePageFallback) {
    QTextDocument document;
    QTextCursor cursor(&document);
    // A family set as the single one, as a font combo box of an editor sets it.
    QTextCharFormat single;
    single.setProperty(QTextFormat::FontFamily, QString("Courier New"));
    cursor.insertText(QString::fromUtf8("č€"), single);
    const QByteArray rtf = DocumentToRtf(document);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1250"));
    EXPECT_TRUE(rtf.contains("\\u269\\'e8")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\u8364\\'80")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("{\\f0\\fnil\\fcharset238 Courier New;}")) << rtf.constData();
}

TEST(RichTextTest, ReaderHandlesWhatWordProcessorsWrite) {
    struct Case {
        const char* name;
        const char* rtf;
        const char* text;
    };
    const Case kCases[] = {
        {"code page bytes", "{\\rtf1\\ansi\\ansicpg1250 \\'e8\\'ed\\'9a}", "číš"},
        {"font character set wins over the document's",
         "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset238 Arial;}{\\f1\\fcharset0 Arial;}}"
         "\\f0\\'e8\\f1\\'e8}",
         "čè"},
        {"unicode with one fallback character skipped", "{\\rtf1\\uc1 a\\u345?b}", "ařb"},
        {"unicode with an escaped fallback", "{\\rtf1\\uc1 \\u345\\'f8x}", "řx"},
        {"no fallback after \\uc0", "{\\rtf1\\uc0\\u345 x}", "řx"},
        {"negative unicode", "{\\rtf1\\u-4064?}", "\xef\x80\xa0"},
        {"ignorable destinations",
         "{\\rtf1{\\*\\generator LibreOffice;}{\\info{\\title T}}a{\\*\\bkmkstart x}b}", "ab"},
        {"tables, styles and pictures",
         "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\colortbl;\\red1\\green2\\blue3;}{\\pict 0A0B}x}", "x"},
        {"trailing paragraph mark adds no line", "{\\rtf1 a\\par b\\par}", "a\nb"},
        {"empty paragraph between", "{\\rtf1 a\\par\\par b}", "a\n\nb"},
        {"escaped symbols", "{\\rtf1 \\{x\\}\\\\}", "{x}\\"},
        {"tab and line break", "{\\rtf1 a\\tab b\\line c}", "a\tb\nc"},
        {"source line ends are no text", "{\\rtf1 a\r\nb}", "ab"},
        {"field result kept, instruction dropped",
         "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt odkaz}}}", "odkaz"},
        {"unbalanced groups read as far as they go", "{\\rtf1 a}}}b", "ab"},
        {"unclosed group", "{\\rtf1 {\\b a", "a"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const QString text = Read(c.rtf);
        // A document's own paragraph separators read as line ends of the plain text.
        EXPECT_EQ(QString(text).replace(QChar::ParagraphSeparator, '\n'), QString::fromUtf8(c.text));
    }
}

TEST(RichTextTest, GroupsRestoreFormattingAndPlainResetsIt) {
    QTextDocument document;
    ASSERT_TRUE(RtfToDocument(QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                                         "{\\colortbl;\\red255\\green0\\blue0;}"
                                         "\\f0\\fs20 a{\\b\\i\\ul\\f1\\fs32\\cf1 b}c\\b d\\plain e}"),
                              document));
    const auto runs = Paragraphs(document).at(0);
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].text, "a");
    EXPECT_FALSE(runs[0].bold);
    EXPECT_EQ(runs[0].family, "Arial");
    EXPECT_EQ(runs[0].points, 10);
    EXPECT_EQ(runs[1].text, "b");
    EXPECT_TRUE(runs[1].bold && runs[1].italic && runs[1].underline);
    EXPECT_EQ(runs[1].family, "Courier New");
    EXPECT_EQ(runs[1].points, 16);
    EXPECT_EQ(runs[1].colour, QColor(255, 0, 0));
    EXPECT_EQ(runs[2].text, "c");
    EXPECT_FALSE(runs[2].bold);
    EXPECT_EQ(runs[2].points, 10);
    EXPECT_EQ(runs[3].text, "d");
    EXPECT_TRUE(runs[3].bold);
    // \plain goes back to the document's defaults: 12 points, the default font, no emphasis.
    EXPECT_EQ(runs[4].text, "e");
    EXPECT_FALSE(runs[4].bold);
    EXPECT_EQ(runs[4].points, 12);
    EXPECT_EQ(runs[4].family, "Arial");
}

TEST(RichTextTest, TextThatIsNotRtfOrIsHostileIsRefusedOrBounded) {
    QTextDocument document;
    document.setPlainText("old");
    EXPECT_FALSE(RtfToDocument(QByteArray("plain text"), document));
    EXPECT_TRUE(document.isEmpty());
    EXPECT_FALSE(IsRtfText("{\\rt"));
    EXPECT_TRUE(IsRtfText("  {\\rtf1 x}"));

    // Deep nesting stops the reading instead of growing without end.
    QByteArray deep = "{\\rtf1 a";
    deep += QByteArray(100000, '{');
    deep += "b";
    EXPECT_TRUE(RtfToDocument(deep, document));
    EXPECT_TRUE(document.toPlainText().startsWith("a"));
    // A huge parameter and a cut-off escape do no harm.
    EXPECT_EQ(Read("{\\rtf1 \\fs99999999999999999999 x\\'e"), "x");
}

// ---- LibreOffice reads what we write, and we read what it writes ----------------------------------------

class RichTextOfficeTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        REQUIRE_LIBREOFFICE(true);
    }

    // Converts the file in the temporary folder and answers the converted file's bytes.
    QByteArray Convert(const QString& file, const QString& format, const QString& extension) {
        QString error;
        EXPECT_TRUE(ConvertWithLibreOffice({Folder() + file}, format, Folder(), {}, &error))
            << error.toStdString();
        QFile out(Folder() + QFileInfo(file).completeBaseName() + "." + extension);
        if (!out.open(QIODevice::ReadOnly)) return {};
        return out.readAll();
    }

    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

TEST_F(RichTextOfficeTest, OurRtfOpensInLibreOffice) {
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(QString::fromUtf8("Nabídka č. 7"), Format(true, false, false, "Arial", 12));
    cursor.insertBlock();
    cursor.insertText(QString::fromUtf8("Příliš žluťoučký kůň úpěl ďábelské ódy"),
                      Format(false, true, false, "Arial", 10, Qt::blue));
    Write(Folder() + "ours.rtf", DocumentToRtf(document));

    const QByteArray text = Convert("ours.rtf", "txt:Text (encoded):UTF8", "txt");
    ASSERT_FALSE(text.isEmpty()) << "LibreOffice did not convert the file";
    QString plain = QString::fromUtf8(text);
    plain.remove(QChar(0xFEFF));
    EXPECT_EQ(plain.trimmed().replace("\r\n", "\n"),
              QString::fromUtf8("Nabídka č. 7\nPříliš žluťoučký kůň úpěl ďábelské ódy"));
}

TEST_F(RichTextOfficeTest, RtfWrittenByLibreOfficeReadsWithFormattingAndCzechLetters) {
    // A flat OpenDocument text made here, so the RTF is LibreOffice's own writing.
    Write(Folder() + "source.fodt", QString::fromUtf8(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles>
<style:style style:name="B" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
<style:style style:name="I" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>
</office:automatic-styles>
<office:body><office:text>
<text:p><text:span text:style-name="B">Tučný</text:span> a <text:span text:style-name="I">kurzíva</text:span></text:p>
<text:p>Příliš žluťoučký kůň úpěl ďábelské ódy</text:p>
</office:text></office:body></office:document>
)")
                                        .toUtf8());
    const QByteArray rtf = Convert("source.fodt", "rtf", "rtf");
    ASSERT_TRUE(rtf.startsWith("{\\rtf")) << "LibreOffice did not write RTF";

    QTextDocument document;
    ASSERT_TRUE(RtfToDocument(rtf, document));
    EXPECT_EQ(document.toPlainText(),
              QString::fromUtf8("Tučný a kurzíva\nPříliš žluťoučký kůň úpěl ďábelské ódy"));
    bool boldSeen = false, italicSeen = false, plainSeen = false;
    const auto paragraphs = Paragraphs(document);
    for (const TRun& run : paragraphs.at(0)) {
        if (run.text.contains(QString::fromUtf8("Tučný"))) boldSeen = run.bold && !run.italic;
        if (run.text.contains(QString::fromUtf8("kurzíva"))) italicSeen = run.italic && !run.bold;
        if (run.text.contains(" a ")) plainSeen = !run.bold && !run.italic;
    }
    EXPECT_TRUE(boldSeen);
    EXPECT_TRUE(italicSeen);
    EXPECT_TRUE(plainSeen);
}

}  // namespace
