#include <gtest/gtest.h>

#include <QBuffer>
#include <QPointer>

#include "addressbook/XXml.h"

namespace {

// Every token of the text as "kind|name|value"; chunked tokens also show their first and last
// flags as "[fl]", "[f-]", "[-l]" or "[--]".
QStringList Tokens(const QByteArray& text, int chunkLimit = 0) {
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    TXmlReader reader;
    reader.SetChunkLimit(chunkLimit);
    reader.Open(&buffer, false);
    QStringList tokens;
    while (reader.Read() != xtNone) {
        QString token = QString("%1|%2|%3").arg(reader.TokenKind()).arg(reader.Name(), reader.Value());
        if (chunkLimit > 0)
            token += QString("[%1%2]").arg(reader.FirstChunk() ? "f" : "-", reader.LastChunk() ? "l" : "-");
        tokens << token;
    }
    EXPECT_TRUE(reader.Eof());
    EXPECT_EQ(reader.TokenKind(), xtNone);
    return tokens;
}

struct ReadFailure {
    QString message;
    bool readerClass = false;
    QStringList tokensBefore;
};

ReadFailure FailureOf(const QByteArray& text) {
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    TXmlReader reader;
    reader.Open(&buffer, false);
    ReadFailure failure;
    try {
        while (reader.Read() != xtNone) failure.tokensBefore << QString::number(reader.TokenKind());
        failure.message = "(no error)";
    } catch (const EXmlReader& e) {
        failure.message = e.Message();
        failure.readerClass = true;
    } catch (const EXmlError& e) {
        failure.message = e.Message();
    }
    return failure;
}

}  // namespace

TEST(XXml, TokenStreams) {
    struct Case {
        QByteArray text;
        QStringList tokens;
    };
    const Case kCases[] = {
        // The declaration is a processing instruction named "xml"; blanks between top-level
        // constructs are skipped.
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a/>\r\n",
         {"0|xml|version=\"1.0\" encoding=\"UTF-8\"", "4|a|", "5|a|"}},
        {"<?pi?><?pi  a ? b ?"
         "?><a/>",
         {"0|pi|", "0|pi|a ? b ?", "4|a|", "5|a|"}},
        // Inside an element blanks and line breaks are text.
        {"<a>\r\n  <b>x</b>\n</a>", {"4|a|", "7||\r\n  ", "4|b|", "7||x", "5|b|", "7||\n", "5|a|"}},
        {"< a ></a >", {"4|a|", "5|a|"}},
        // Attributes quoted either way, unquoted, with blanks round "=" and before "/>".
        {"<a x=\"1\" y='2 \"q\"' z=3 w = 4 v=\"\"/>",
         {"4|a|", "6|x|1", "6|y|2 \"q\"", "6|z|3", "6|w|4", "6|v|", "5|a|"}},
        {"<a z=3>t</a><b q=r/><c s='u' />",
         {"4|a|", "6|z|3", "7||t", "5|a|", "4|b|", "6|q|r", "5|b|", "4|c|", "6|s|u", "5|c|"}},
        // References stay as they stand.
        {"<a x=\"&amp;&lt;\">&amp;&#65;</a>", {"4|a|", "6|x|&amp;&lt;", "7||&amp;&#65;", "5|a|"}},
        // The internal subset is read to the ">" that matches.
        {"<!DOCTYPE r [<!ENTITY e \"v\"><!ELEMENT r ANY>]><r/>",
         {"1|r|[<!ENTITY e \"v\"><!ELEMENT r ANY>]", "4|r|", "5|r|"}},
        {"<!DOCTYPE r><r/>", {"1|r|", "4|r|", "5|r|"}},
        // A single hyphen, or one before ">", does not end a comment.
        {"<!-- a - b -> c --><a><!--x---></a>", {"2|| a - b -> c ", "4|a|", "2||x-", "5|a|"}},
        {"<!----><a/>", {"2||", "4|a|", "5|a|"}},
        {"<a><![CDATA[<x>&amp;] ]]></a>", {"4|a|", "3||<x>&amp;] ", "5|a|"}},
        {"<a><![CDATA[]] \n>x</a>", {"4|a|", "3||", "7||x", "5|a|"}},
        {"<a><?pi d?><!DOCTYPE d></a>", {"4|a|", "0|pi|d", "1|d|", "5|a|"}},
        // Czech letters are ordinary name and text characters.
        {"<čeština jméno=\"Žluťoučký\">Příliš kůň</čeština>",
         {"4|čeština|", "6|jméno|Žluťoučký", "7||Příliš kůň", "5|čeština|"}},
        {"<a:b xmlns:a=\"u\"><a:c/></a:b>", {"4|a:b|", "6|xmlns:a|u", "4|a:c|", "5|a:c|", "5|a:b|"}},
        {"<a/><b></b>", {"4|a|", "5|a|", "4|b|", "5|b|"}},
        // Cut-off text ends where it stops, without an error.
        {"<a><b>te", {"4|a|", "4|b|", "7||te"}},
        {"<a x=\"1\" ", {"4|a|", "6|x|1"}},
        {"<a x=\"1\"", {"4|a|", "6|x|1"}},
        {"<a ", {"4|a|"}},
        {"", {}},
        {" \r\n\t", {}},
        // A byte-order mark is no text; a broken UTF-8 byte reads as the replacement character and
        // a zero byte as an ordinary one.
        {"\xEF\xBB\xBF<a/>", {"4|a|", "5|a|"}},
        {"<a>\xFF\xC3(</a>", {"4|a|", QString("7||") + QChar(0xFFFD) + QChar(0xFFFD) + "(", "5|a|"}},
        {QByteArray("<a>\0b</a>", 9), {"4|a|", QString("7||") + QChar(0) + "b", "5|a|"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(Tokens(c.text), c.tokens);
    }
}

TEST(XXml, LongTokensComeInChunks) {
    EXPECT_EQ(Tokens("<a>abcdefg<!--12345--><![CDATA[wxyz]]><b/>xy</a>", 3),
              (QStringList{"4|a|[fl]", "7||abc[f-]", "7||def[--]", "7||g[-l]", "2||123[f-]", "2||45[-l]",
                           "3||wxy[f-]", "3||z[-l]", "4|b|[fl]", "5|b|[fl]", "7||xy[fl]", "5|a|[fl]"}));
    // A piece that ends right before the closing mark leaves an empty last piece.
    EXPECT_EQ(Tokens("<a>abc</a>", 3), (QStringList{"4|a|[fl]", "7||abc[f-]", "7||[-l]", "5|a|[fl]"}));
    // Names and attribute values are never cut.
    EXPECT_EQ(Tokens("<abcd x=\"12345\"/>", 2), (QStringList{"4|abcd|[fl]", "6|x|12345[fl]", "5|abcd|[fl]"}));
}

TEST(XXml, ValuesLongerThanTheScratchBufferArriveWhole) {
    QByteArray text = "<a n=\"" + QByteArray(20000, 'v') + "\">";
    text += QByteArray(9000, 'x') + "\xC5\xBE" + QByteArray(9000, 'y') + "</a>";
    const QStringList tokens = Tokens(text);
    ASSERT_EQ(tokens.size(), 4);
    EXPECT_EQ(tokens[1], "6|n|" + QString(20000, 'v'));
    EXPECT_EQ(tokens[2], "7||" + QString(9000, 'x') + QString::fromUtf8("ž") + QString(9000, 'y'));
}

TEST(XXml, Errors) {
    struct Case {
        QByteArray text;
        QString message;
        bool readerClass;
    };
    const Case kCases[] = {
        {"<? ?>", "Ошибка в XML-документе: не задано имя в обрабатывающей инструкции", true},
        {"<?>", "Ошибка в XML-документе: не задано имя в обрабатывающей инструкции", true},
        {"<?xml version=\"1.0\"", "Ошибка в XML-документе: ожидается \"?>\"", true},
        {"<?xml version=\"1.0\" ?<a/>", "Ошибка в XML-документе: ожидается \"?>\"", true},
        {"<!DOCTYPE >", "Ошибка в XML-документе: не задано имя в типе документа", true},
        {"<!DOCTYPE", "Ошибка в XML-документе: не задано имя в типе документа", true},
        {"<!DOCTYPE r [<!ELEMENT r ANY>]", "Ошибка в XML-документе: ожидается \">\" для типа документа",
         true},
        {"<!-- x -", "Ошибка в XML-документе: ожидается \"-->\"", true},
        {"<a><![CDATA[x]]y</a>", "Ошибка в XML-документе: ожидается \"]]>\"", false},
        {"<a><![CDATA[x]]", "Ошибка в XML-документе: ожидается \"]]>\"", false},
        {"<a><![CDATA[x]>", "Ошибка в XML-документе: ожидается \"]]\"", true},
        {"<a", "Ошибка в XML-документе: ожидается \">\" для открывающего тэга элемента", true},
        {"<a><b", "Ошибка в XML-документе: ожидается \">\" для открывающего тэга элемента", true},
        {"<>", "Ошибка в XML-документе: не задано имя открывающего тэга элемента", true},
        {"< />", "Ошибка в XML-документе: не задано имя открывающего тэга элемента", true},
        {"<a></b>", "Ошибка в XML-документе: несоответствие имени закрывающего тэга имени открывающему",
         false},
        {"<a><b></a>", "Ошибка в XML-документе: несоответствие имени закрывающего тэга имени открывающему",
         false},
        {"</a>", "Ошибка в XML-документе: несоответствие имени закрывающего тэга имени открывающему", false},
        {"<a></a", "Ошибка в XML-документе: ожидается \">\" для закрывающего тэга элемента", true},
        {"<a></a x>", "Ошибка в XML-документе: ожидается \">\" для закрывающего тэга элемента", true},
        {"<a></>", "Ошибка в XML-документе: не задано имя закрывающего тэга элемента", true},
        {"<a/x>", "Ошибка в XML-документе: ожидается \"/>\"", true},
        {"<a x=\"1\"/", "Ошибка в XML-документе: ожидается \"/>\"", true},
        {"<a x>", "Ошибка в XML-документе: ожидается \"=\" для атрибута элемента", true},
        {"<a x y=\"1\">", "Ошибка в XML-документе: ожидается \"=\" для атрибута элемента", true},
        {"<a x", "Ошибка в XML-документе: ожидается \"=\" для атрибута элемента", true},
        {"<a =\"1\">", "Ошибка в XML-документе: не задано имя атрибута элемента", true},
        {"<a x=", "Ошибка в XML-документе: не задано значение атрибута элемента", true},
        {"<a x = \r\n", "Ошибка в XML-документе: не задано значение атрибута элемента", true},
        {"<a x=\"1>", "Ошибка в XML-документе: ожидается атрибут элемента", true},
        {"<a x=1", "Ошибка в XML-документе: ожидается атрибут элемента", true},
        {"<", "Ошибка в XML-документе: неожидаемое завершение текста", false},
        {"<a><", "Ошибка в XML-документе: неожидаемое завершение текста", false},
        {"<!x>", "Ошибка в XML-документе: неизвестная специальная инструкция", false},
        {"<a><!-x--></a>", "Ошибка в XML-документе: неизвестная специальная инструкция", false},
        {"<a><![CDAT[x]]></a>", "Ошибка в XML-документе: неизвестная специальная инструкция", false},
        {"x<a/>", "Ошибка в XML-документе: текст вне элемента", false},
        {"<a/>x", "Ошибка в XML-документе: текст вне элемента", false},
        {"\xEF\xBB\xBF\xEF\xBB\xBF<a/>", "Ошибка в XML-документе: текст вне элемента", false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text.toStdString());
        const ReadFailure failure = FailureOf(c.text);
        EXPECT_EQ(failure.message, c.message);
        EXPECT_EQ(failure.readerClass, c.readerClass);
    }
}

TEST(XXml, ErrorComesAfterTheTokensBeforeIt) {
    const ReadFailure failure = FailureOf("<?xml v?><a x=\"1\"><b>t</c>");
    EXPECT_EQ(failure.tokensBefore, (QStringList{"0", "4", "6", "4", "7"}));
    EXPECT_FALSE(failure.readerClass);
}

TEST(XXml, ElementStackFollowsTheTags) {
    QBuffer buffer;
    buffer.setData("<a><b><c/>");
    buffer.open(QIODevice::ReadOnly);
    TXmlReader reader;
    reader.Open(&buffer, false);
    QList<int> depths;
    while (reader.Read() != xtNone) depths << reader.Depth();
    EXPECT_EQ(depths, (QList<int>{1, 2, 3, 2}));
    EXPECT_EQ(reader.Elements(), (QStringList{"a", "b"}));
    reader.Close();
    EXPECT_EQ(reader.Depth(), 0);
    EXPECT_TRUE(reader.Eof());
}

TEST(XXml, ReaderCanOwnItsStream) {
    QPointer<QBuffer> buffer = new QBuffer;
    buffer->setData("<a/>");
    buffer->open(QIODevice::ReadOnly);
    {
        TXmlReader reader;
        reader.Open(buffer, true);
        EXPECT_EQ(reader.Read(), xtStartTag);
        // Opening again closes the first input, and frees the stream it owned.
        QBuffer second;
        second.setData("<b/>");
        second.open(QIODevice::ReadOnly);
        reader.Open(&second, false);
        EXPECT_TRUE(buffer.isNull());
        EXPECT_EQ(reader.Read(), xtStartTag);
        EXPECT_EQ(reader.Name(), "b");
    }
}

TEST(XXml, StreamLookAhead) {
    QBuffer buffer;
    buffer.setData(QByteArray("ab čd"));
    buffer.open(QIODevice::ReadOnly);
    TXmlReaderStream stream(&buffer, false);
    EXPECT_EQ(stream.ReadChar(false), U'a');
    EXPECT_TRUE(stream.Match("ab", false));
    EXPECT_FALSE(stream.Match("ax", true));
    EXPECT_TRUE(stream.Match("ab", true));
    stream.PushBackText("xy");
    EXPECT_TRUE(stream.Match("xy", true));
    stream.SkipBlanks();
    EXPECT_EQ(stream.ReadChar(), U'č');
    EXPECT_FALSE(stream.Match("dd", true));
    EXPECT_EQ(stream.ReadChar(), U'd');
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.ReadChar(false), 0u);
    EXPECT_TRUE(stream.Eof());  // the end is not pushed back as a character
}
