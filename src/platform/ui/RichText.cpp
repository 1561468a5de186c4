#include "platform/ui/RichText.h"

#include <iconv.h>

#include <QColor>
#include <QFont>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <algorithm>
#include <array>
#include <climits>
#include <map>
#include <vector>

#include "platform/text/Cp1250.h"

namespace {

// The code page of Czech Windows: what we write, and what a document that names none is read in.
constexpr int kDefaultCodePage = 1250;
// Font sizes are counted in half points; a document that sets none is in 12 points.
constexpr int kDefaultHalfPoints = 24;
// Nesting deeper than this is no document a word processor writes; reading stops there rather
// than letting a hostile text grow the state stack without end.
constexpr int kMaxDepth = 1000;

// ---- code pages ----------------------------------------------------------------------------------------

// The 256 characters of a Windows code page, made once per code page the documents name.
const std::array<char16_t, 256>& CodePageTable(int codePage) {
    static std::map<int, std::array<char16_t, 256>> tables;
    auto found = tables.find(codePage);
    if (found != tables.end()) return found->second;
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 128; ++b) table[b] = static_cast<char16_t>(b);
    const QByteArray name = "WINDOWS-" + QByteArray::number(codePage);
    iconv_t cd = iconv_open("UTF-16LE", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // A code page this system does not know: its letters are most likely Czech ones.
        for (int b = 128; b < 256; ++b)
            table[b] = DecodeCp1250(QByteArray(1, static_cast<char>(b))).at(0).unicode();
    } else {
        for (int b = 128; b < 256; ++b) {
            char in = static_cast<char>(b);
            char16_t out = u'?';
            char* inPtr = &in;
            size_t inLeft = 1;
            char* outPtr = reinterpret_cast<char*>(&out);
            size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) out = u'?';
            table[b] = out;
        }
        iconv_close(cd);
    }
    return tables.emplace(codePage, table).first->second;
}

// The code page a font's character set stands for; 0 when the set names none of its own.
int CharsetCodePage(int charset) {
    switch (charset) {
        case 0:
            return 1252;
        case 161:
            return 1253;
        case 162:
            return 1254;
        case 177:
            return 1255;
        case 178:
            return 1256;
        case 186:
            return 1257;
        case 204:
            return 1251;
        case 238:
            return 1250;
        default:
            return 0;
    }
}

// ---- reading ---------------------------------------------------------------------------------------------

enum class TDestination { Text, FontTable, ColourTable, Skip, FieldInstruction };

struct TFontEntry {
    QString name;
    int codePage = 0;
};

struct TReadState {
    TDestination destination = TDestination::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int font = -1;
    int halfPoints = kDefaultHalfPoints;
    int colour = 0;
    int skipAfterUnicode = 1;  // \ucN: characters of fallback text after each \u
    Qt::Alignment alignment = Qt::AlignLeft;
};

class TRtfReader {
public:
    TRtfReader(const QString& text, QTextDocument& document) : text_(text), cursor_(&document) {}

    void Read();

private:
    // ---- tokens
    bool AtEnd() const { return pos_ >= text_.size(); }
    QChar Peek() const { return text_.at(pos_); }
    void ReadControl();
    void ReadControlWord();
    void ReadHexByte();
    void OpenGroup();
    void CloseGroup();

    // ---- content
    void Word(const QString& word, bool hasParam, int param);
    void Character(QChar c);
    void Byte(uchar b);
    void Flush();
    void Paragraph();
    int CodePage() const;
    QTextCharFormat Format() const;

    // ---- tables
    void FontTableText(QChar c);
    void ColourTableText(QChar c);

    QString text_;
    qsizetype pos_ = 0;
    QTextCursor cursor_;
    std::vector<TReadState> stack_;
    TReadState state_;
    QString pending_;          // text read in the current formatting, not inserted yet
    TReadState pendingState_;  // the formatting of pending_
    int skip_ = 0;             // fallback characters still to skip after a \u
    bool paragraphPending_ = false;
    bool firstBlock_ = true;
    int documentCodePage_ = kDefaultCodePage;
    int defaultFont_ = 0;
    std::map<int, TFontEntry> fonts_;
    int fontBeingRead_ = -1;
    QString fontName_;
    std::vector<QColor> colours_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colourHasValue_ = false;
    // A destination that only a \* marks as ignorable is skipped as a whole.
    bool starPending_ = false;
};

void TRtfReader::Read() {
    while (!AtEnd()) {
        const QChar c = Peek();
        if (c == '{') {
            ++pos_;
            OpenGroup();
        } else if (c == '}') {
            ++pos_;
            CloseGroup();
        } else if (c == '\\') {
            ++pos_;
            ReadControl();
        } else {
            ++pos_;
            // Line ends in the source are layout of the file, not of the text.
            if (c == '\r' || c == '\n') continue;
            Character(c);
        }
    }
    Flush();
}

void TRtfReader::OpenGroup() {
    if (static_cast<int>(stack_.size()) >= kMaxDepth) {
        pos_ = text_.size();
        return;
    }
    Flush();
    stack_.push_back(state_);
    starPending_ = false;
}

void TRtfReader::CloseGroup() {
    Flush();
    if (state_.destination == TDestination::FontTable && fontBeingRead_ >= 0) {
        // A font entry that was not closed by ";" before its group ends.
        fonts_[fontBeingRead_].name = fontName_.trimmed();
        fontBeingRead_ = -1;
        fontName_.clear();
    }
    if (stack_.empty()) return;
    state_ = stack_.back();
    stack_.pop_back();
    skip_ = 0;
}

void TRtfReader::ReadControl() {
    if (AtEnd()) return;
    const QChar c = Peek();
    if (c.isLetter() && c.unicode() < 128) {
        ReadControlWord();
        return;
    }
    ++pos_;
    switch (c.unicode()) {
        case '\'':
            ReadHexByte();
            break;
        case '*':
            starPending_ = true;
            break;
        case '~':
            Character(QChar(0x00A0));
            break;
        case '_':
            Character(QChar(0x2011));
            break;
        case '-':
            break;  // an optional hyphen: shown only where a line breaks
        case '\r':
        case '\n':
            Paragraph();
            break;
        default:
            Character(c);
            break;  // \\ \{ \} and other escaped symbols stand for themselves
    }
}

void TRtfReader::ReadControlWord() {
    const qsizetype start = pos_;
    while (!AtEnd() && Peek().isLetter() && Peek().unicode() < 128) ++pos_;
    const QString word = text_.mid(start, pos_ - start);
    bool hasParam = false;
    bool negative = false;
    long long param = 0;
    if (!AtEnd() && Peek() == '-' && pos_ + 1 < text_.size() && text_.at(pos_ + 1).isDigit()) {
        negative = true;
        ++pos_;
    }
    while (!AtEnd() && Peek().isDigit() && Peek().unicode() < 128) {
        hasParam = true;
        // RTF parameters are 16- or 32-bit; longer digit runs are clamped rather than wrapped.
        if (param < 100000000000LL) param = param * 10 + (Peek().unicode() - '0');
        ++pos_;
    }
    if (!AtEnd() && Peek() == ' ') ++pos_;  // the delimiter belongs to the control word
    if (negative) param = -param;
    param = std::clamp<long long>(param, INT32_MIN, INT32_MAX);
    Word(word, hasParam, static_cast<int>(param));
}

void TRtfReader::ReadHexByte() {
    int value = 0;
    int digits = 0;
    while (digits < 2 && !AtEnd()) {
        const char16_t c = Peek().unicode();
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) break;
        value = value * 16 + d;
        ++pos_;
        ++digits;
    }
    // A cut-off escape stands for no character; guessing one would put a wrong letter in.
    if (digits < 2) return;
    Byte(static_cast<uchar>(value));
}

int TRtfReader::CodePage() const {
    const auto font = fonts_.find(state_.font >= 0 ? state_.font : defaultFont_);
    if (font != fonts_.end() && font->second.codePage > 0) return font->second.codePage;
    return documentCodePage_;
}

void TRtfReader::Byte(uchar b) {
    if (state_.destination == TDestination::Text && skip_ > 0) {
        --skip_;
        return;
    }
    Character(QChar(CodePageTable(CodePage())[b]));
}

void TRtfReader::Character(QChar c) {
    switch (state_.destination) {
        case TDestination::Skip:
        case TDestination::FieldInstruction:
            return;
        case TDestination::FontTable:
            FontTableText(c);
            return;
        case TDestination::ColourTable:
            ColourTableText(c);
            return;
        case TDestination::Text:
            break;
    }
    if (skip_ > 0) {
        --skip_;
        return;
    }
    if (paragraphPending_) {
        Flush();
        QTextBlockFormat block;
        block.setAlignment(state_.alignment);
        cursor_.insertBlock(block);
        paragraphPending_ = false;
    }
    if (firstBlock_) {
        QTextBlockFormat block;
        block.setAlignment(state_.alignment);
        cursor_.setBlockFormat(block);
        firstBlock_ = false;
    }
    if (!pending_.isEmpty()) {
        const TReadState& p = pendingState_;
        const bool same = p.bold == state_.bold && p.italic == state_.italic &&
                          p.underline == state_.underline && p.font == state_.font &&
                          p.halfPoints == state_.halfPoints && p.colour == state_.colour;
        if (!same) Flush();
    }
    if (pending_.isEmpty()) pendingState_ = state_;
    pending_.append(c);
}

void TRtfReader::Paragraph() {
    if (state_.destination != TDestination::Text) return;
    // A paragraph mark ends the paragraph before it; a new one begins only when text follows,
    // so the mark every word processor puts after the last paragraph adds no empty line.
    if (paragraphPending_ || firstBlock_) {
        Flush();
        if (firstBlock_) {
            QTextBlockFormat block;
            block.setAlignment(state_.alignment);
            cursor_.setBlockFormat(block);
            firstBlock_ = false;
        } else {
            QTextBlockFormat block;
            block.setAlignment(state_.alignment);
            cursor_.insertBlock(block);
        }
    }
    paragraphPending_ = true;
}

QTextCharFormat TRtfReader::Format() const {
    const TReadState& s = pendingState_;
    QTextCharFormat format;
    format.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(s.italic);
    format.setFontUnderline(s.underline);
    format.setFontPointSize(s.halfPoints / 2.0);
    const auto font = fonts_.find(s.font >= 0 ? s.font : defaultFont_);
    if (font != fonts_.end() && !font->second.name.isEmpty()) format.setFontFamilies({font->second.name});
    // Colour 0 is "automatic": the text then takes the colour of the control.
    if (s.colour > 0 && s.colour < static_cast<int>(colours_.size()) && colours_[s.colour].isValid())
        format.setForeground(colours_[s.colour]);
    return format;
}

void TRtfReader::Flush() {
    if (pending_.isEmpty()) return;
    cursor_.insertText(pending_, Format());
    pending_.clear();
}

void TRtfReader::FontTableText(QChar c) {
    if (c == ';') {
        if (fontBeingRead_ >= 0) fonts_[fontBeingRead_].name = fontName_.trimmed();
        fontBeingRead_ = -1;
        fontName_.clear();
        return;
    }
    if (fontBeingRead_ >= 0) fontName_.append(c);
}

void TRtfReader::ColourTableText(QChar c) {
    if (c != ';') return;
    // An entry without values is the automatic colour, kept as an invalid colour.
    colours_.push_back(colourHasValue_ ? QColor(red_, green_, blue_) : QColor());
    red_ = green_ = blue_ = 0;
    colourHasValue_ = false;
}

void TRtfReader::Word(const QString& word, bool hasParam, int param) {
    const bool star = starPending_;
    starPending_ = false;
    const bool on = !hasParam || param != 0;

    // Destinations first: they decide what the rest of the group is.
    static const QSet<QString> kSkipped = {"stylesheet",
                                           "info",
                                           "pict",
                                           "object",
                                           "header",
                                           "footer",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "footnote",
                                           "annotation",
                                           "themedata",
                                           "colorschememapping",
                                           "latentstyles",
                                           "datastore",
                                           "xmlnstbl",
                                           "listtable",
                                           "listoverridetable",
                                           "rsidtbl",
                                           "generator",
                                           "mmathPr",
                                           "pgdsctbl",
                                           "revtbl",
                                           "filetbl",
                                           "bkmkstart",
                                           "bkmkend",
                                           "nonshppict",
                                           "shp",
                                           "shpinst",
                                           "template",
                                           "xe",
                                           "tc",
                                           "txe",
                                           "private",
                                           "userprops",
                                           "docvar",
                                           "pn",
                                           "pntext",
                                           "listtext"};
    if (word == "fonttbl") {
        state_.destination = TDestination::FontTable;
        return;
    }
    if (word == "colortbl") {
        state_.destination = TDestination::ColourTable;
        colours_.clear();
        return;
    }
    if (word == "fldinst") {
        state_.destination = TDestination::FieldInstruction;
        return;
    }
    if (word == "fldrslt") {
        if (state_.destination != TDestination::Skip) state_.destination = TDestination::Text;
        return;
    }
    if (kSkipped.contains(word) || star) {
        state_.destination = TDestination::Skip;
        return;
    }

    if (state_.destination == TDestination::FontTable) {
        if (word == "f") {
            fontBeingRead_ = param;
            fontName_.clear();
            fonts_[param] = TFontEntry{};
        } else if (word == "fcharset" && fontBeingRead_ >= 0) {
            fonts_[fontBeingRead_].codePage = CharsetCodePage(param);
        } else if (word == "cpg" && fontBeingRead_ >= 0) {
            fonts_[fontBeingRead_].codePage = param;
        }
        return;
    }
    if (state_.destination == TDestination::ColourTable) {
        if (word == "red") red_ = param, colourHasValue_ = true;
        if (word == "green") green_ = param, colourHasValue_ = true;
        if (word == "blue") blue_ = param, colourHasValue_ = true;
        return;
    }
    if (state_.destination != TDestination::Text) return;

    if (word == "ansicpg" && hasParam && param > 0) {
        documentCodePage_ = param;
    } else if (word == "deff") {
        defaultFont_ = param;
    } else if (word == "b") {
        state_.bold = on;
    } else if (word == "i") {
        state_.italic = on;
    } else if (word == "ul") {
        state_.underline = on;
    } else if (word == "ulnone") {
        state_.underline = false;
    } else if (word == "f") {
        state_.font = param;
    } else if (word == "fs") {
        if (hasParam && param > 0) state_.halfPoints = param;
    } else if (word == "cf") {
        state_.colour = param;
    } else if (word == "plain") {
        state_.bold = state_.italic = state_.underline = false;
        state_.font = -1;
        state_.halfPoints = kDefaultHalfPoints;
        state_.colour = 0;
    } else if (word == "pard") {
        state_.alignment = Qt::AlignLeft;
    } else if (word == "ql") {
        state_.alignment = Qt::AlignLeft;
    } else if (word == "qc") {
        state_.alignment = Qt::AlignHCenter;
    } else if (word == "qr") {
        state_.alignment = Qt::AlignRight;
    } else if (word == "qj") {
        state_.alignment = Qt::AlignJustify;
    } else if (word == "par" || word == "sect" || word == "page" || word == "row") {
        Paragraph();
    } else if (word == "line") {
        Character(QChar(QChar::LineSeparator));
    } else if (word == "tab" || word == "cell") {
        Character('\t');
    } else if (word == "uc") {
        if (hasParam && param >= 0) state_.skipAfterUnicode = param;
    } else if (word == "u") {
        if (!hasParam) return;
        // A negative value is the 16-bit unit above 32767 written as signed.
        Character(QChar(static_cast<char16_t>(param < 0 ? param + 65536 : param)));
        skip_ = state_.skipAfterUnicode;
    } else if (word == "emdash") {
        Character(QChar(0x2014));
    } else if (word == "endash") {
        Character(QChar(0x2013));
    } else if (word == "bullet") {
        Character(QChar(0x2022));
    } else if (word == "lquote") {
        Character(QChar(0x2018));
    } else if (word == "rquote") {
        Character(QChar(0x2019));
    } else if (word == "ldblquote") {
        Character(QChar(0x201C));
    } else if (word == "rdblquote") {
        Character(QChar(0x201D));
    }
}

// ---- writing ---------------------------------------------------------------------------------------------

QByteArray EscapedText(const QString& text) {
    QByteArray out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == QChar::LineSeparator || u == '\n') {
            out += "\\line ";
        } else if (u == 0x00A0) {
            out += "\\~";
        } else if (u >= 0x20 && u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x20) {
            // Other control characters have no place in a paragraph.
        } else {
            // \uN for every reader that knows it, the code-page byte for those that do not.
            out += "\\u" + QByteArray::number(u > 32767 ? static_cast<int>(u) - 65536 : static_cast<int>(u));
            const QByteArray fallback = EncodeCp1250(QString(c));
            const uchar b = fallback.isEmpty() ? '?' : static_cast<uchar>(fallback.at(0));
            if (b < 0x80)
                out += static_cast<char>(b == '\\' || b == '{' || b == '}' ? '?' : b);
            else
                out += "\\'" + QByteArray::number(b, 16).rightJustified(2, '0');
        }
    }
    return out;
}

QByteArray FontName(const QString& name) {
    QByteArray out = EscapedText(name);
    out.replace(';', "");
    return out;
}

QByteArray AlignmentWord(Qt::Alignment alignment) {
    if (alignment & Qt::AlignHCenter) return "\\qc";
    if (alignment & Qt::AlignRight) return "\\qr";
    if (alignment & Qt::AlignJustify) return "\\qj";
    return "\\ql";
}

}  // namespace

bool IsRtfText(const QString& text) { return text.trimmed().startsWith(QLatin1String("{\\rtf")); }

bool RtfToDocument(const QString& rtf, QTextDocument& document) {
    document.clear();
    if (!IsRtfText(rtf)) return false;
    TRtfReader reader(rtf, document);
    reader.Read();
    return true;
}

bool RtfToDocument(const QByteArray& rtf, QTextDocument& document) {
    // Raw 8-bit bytes are rare (every writer escapes them); where they occur they are in the
    // document's code page, which for our documents is windows-1250.
    return RtfToDocument(DecodeCp1250(rtf), document);
}

QByteArray DocumentToRtf(const QTextDocument& document) {
    // Fonts and colours are numbered in the order they first occur.
    QStringList fonts;
    std::vector<QColor> colours;
    const QString defaultFamily = document.defaultFont().family();
    const auto fontIndex = [&](const QTextCharFormat& format) {
        // Editors set the family either way: as a list of families or as the single one.
        const QStringList families = format.fontFamilies().toStringList();
        const QString single = format.property(QTextFormat::FontFamily).toString();
        const QString family = !families.isEmpty() ? families.first()
                               : !single.isEmpty() ? single
                                                   : defaultFamily;
        qsizetype at = fonts.indexOf(family);
        if (at < 0) {
            fonts << family;
            at = fonts.size() - 1;
        }
        return static_cast<int>(at);
    };
    const auto colourIndex = [&](const QTextCharFormat& format) {
        if (!format.hasProperty(QTextFormat::ForegroundBrush)) return 0;
        const QColor colour = format.foreground().color();
        for (size_t i = 0; i < colours.size(); ++i)
            if (colours[i] == colour) return static_cast<int>(i) + 1;
        colours.push_back(colour);
        return static_cast<int>(colours.size());
    };
    const qreal defaultSize = document.defaultFont().pointSizeF() > 0 ? document.defaultFont().pointSizeF()
                                                                      : kDefaultHalfPoints / 2.0;

    QByteArray body;
    bool firstBlock = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!firstBlock) body += "\\par\r\n";
        firstBlock = false;
        body += "\\pard" + AlignmentWord(block.blockFormat().alignment());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const QTextCharFormat format = fragment.charFormat();
            const qreal size = format.fontPointSize() > 0 ? format.fontPointSize() : defaultSize;
            body += "\\plain\\f" + QByteArray::number(fontIndex(format)) + "\\fs" +
                    QByteArray::number(qRound(size * 2));
            if (const int colour = colourIndex(format)) body += "\\cf" + QByteArray::number(colour);
            if (format.fontWeight() >= QFont::DemiBold) body += "\\b";
            if (format.fontItalic()) body += "\\i";
            if (format.fontUnderline()) body += "\\ul";
            body += ' ';
            body += EscapedText(fragment.text());
        }
    }
    if (fonts.isEmpty()) fonts << defaultFamily;

    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg" + QByteArray::number(kDefaultCodePage) + "\\deff0\\uc1\r\n{\\fonttbl";
    for (qsizetype i = 0; i < fonts.size(); ++i)
        rtf += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset238 " + FontName(fonts[i]) + ";}";
    rtf += "}\r\n{\\colortbl ;";
    for (const QColor& c : colours)
        rtf += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue" +
               QByteArray::number(c.blue()) + ";";
    rtf += "}\r\n";
    rtf += body;
    rtf += "\\par\r\n}";
    return rtf;
}
