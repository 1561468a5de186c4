#include "addressbook/XXml.h"

#include <QIODevice>
#include <algorithm>

namespace {

// The library speaks Russian, as it always has; callers show its texts as they stand.
const QString kPrefix = QStringLiteral("Ошибка в XML-документе: ");
const QString kPINoName = kPrefix + QStringLiteral("не задано имя в обрабатывающей инструкции");
const QString kPINotClosed = kPrefix + QStringLiteral("ожидается \"?>\"");
const QString kDocTypeNoName = kPrefix + QStringLiteral("не задано имя в типе документа");
const QString kDocTypeNotClosed = kPrefix + QStringLiteral("ожидается \">\" для типа документа");
const QString kCommentNotClosed = kPrefix + QStringLiteral("ожидается \"-->\"");
const QString kCDataNoGt = kPrefix + QStringLiteral("ожидается \"]]>\"");
const QString kCDataNotClosed = kPrefix + QStringLiteral("ожидается \"]]\"");
const QString kStartTagNotClosed = kPrefix + QStringLiteral("ожидается \">\" для открывающего тэга элемента");
const QString kStartTagNoName = kPrefix + QStringLiteral("не задано имя открывающего тэга элемента");
const QString kEndTagMismatch =
    kPrefix + QStringLiteral("несоответствие имени закрывающего тэга имени открывающему");
const QString kEndTagNotClosed = kPrefix + QStringLiteral("ожидается \">\" для закрывающего тэга элемента");
const QString kEndTagNoName = kPrefix + QStringLiteral("не задано имя закрывающего тэга элемента");
const QString kEmptyTagNotClosed = kPrefix + QStringLiteral("ожидается \"/>\"");
const QString kAttrNoEquals = kPrefix + QStringLiteral("ожидается \"=\" для атрибута элемента");
const QString kAttrNoName = kPrefix + QStringLiteral("не задано имя атрибута элемента");
const QString kAttrNoValue = kPrefix + QStringLiteral("не задано значение атрибута элемента");
const QString kAttrNotFinished = kPrefix + QStringLiteral("ожидается атрибут элемента");
const QString kUnexpectedEnd = kPrefix + QStringLiteral("неожидаемое завершение текста");
const QString kUnknownSpecial = kPrefix + QStringLiteral("неизвестная специальная инструкция");
const QString kTextOutside = kPrefix + QStringLiteral("текст вне элемента");

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kByteOrderMark = 0xFEFF;

bool IsBlank(char32_t ch) { return ch <= 32; }

}  // namespace

// ---- TXmlReaderStream ----

TXmlReaderStream::TXmlReaderStream(QIODevice* stream, bool ownsStream)
    : owned_(ownsStream ? stream : nullptr), reader_(stream, kBufferSize) {
    // A byte-order mark says nothing the reader does not assume already, and left in place it
    // would read as text before the first element.
    if (!reader_.Eof()) {
        const char32_t first = Decode();
        if (first != kByteOrderMark) PushBack(first);
    }
}

TXmlReaderStream::~TXmlReaderStream() = default;

// One character from UTF-8. Every byte that is not part of a well-formed sequence becomes the
// replacement character, so binary input reads as odd text rather than as something else.
char32_t TXmlReaderStream::Decode() {
    const auto lead = static_cast<unsigned char>(reader_.ReadChar());
    if (lead < 0x80) return lead;
    int more;
    char32_t ch;
    char32_t least;
    if ((lead & 0xE0) == 0xC0) {
        more = 1, ch = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        more = 2, ch = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        more = 3, ch = lead & 0x07, least = 0x10000;
    } else {
        return kReplacement;
    }
    for (int i = 0; i < more; ++i) {
        // A byte that cannot continue the sequence is left to start the next character.
        if (reader_.Eof()) return kReplacement;
        const auto next = static_cast<unsigned char>(reader_.PeekChar());
        if ((next & 0xC0) != 0x80) return kReplacement;
        reader_.ReadChar();
        ch = (ch << 6) | (next & 0x3F);
    }
    if (ch < least || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return kReplacement;
    return ch;
}

bool TXmlReaderStream::Eof() { return pushedBack_.empty() && reader_.Eof(); }

char32_t TXmlReaderStream::ReadChar(bool consume) {
    if (!pushedBack_.empty()) {
        const char32_t ch = pushedBack_.back();
        if (consume) pushedBack_.pop_back();
        return ch;
    }
    // Nothing is pushed back at the end: the 0 stands for "no character", not for one.
    if (reader_.Eof()) return 0;
    const char32_t ch = Decode();
    if (!consume) pushedBack_.push_back(ch);
    return ch;
}

void TXmlReaderStream::PushBack(char32_t ch) { pushedBack_.push_back(ch); }

void TXmlReaderStream::PushBackText(const QString& text) {
    const QList<uint> chars = text.toUcs4();
    for (auto it = chars.crbegin(); it != chars.crend(); ++it) PushBack(*it);
}

void TXmlReaderStream::SkipBlanks() {
    while (!Eof() && IsBlank(ReadChar(false))) ReadChar(true);
}

bool TXmlReaderStream::Match(const QString& text, bool consume) {
    const QList<uint> expected = text.toUcs4();
    std::vector<char32_t> read;
    read.reserve(expected.size());
    auto giveBack = [&] {
        for (auto it = read.crbegin(); it != read.crend(); ++it) PushBack(*it);
    };
    for (const uint want : expected) {
        if (Eof()) {
            giveBack();
            return false;
        }
        read.push_back(ReadChar(true));
        if (read.back() != want) {
            giveBack();
            return false;
        }
    }
    if (!consume) giveBack();
    return true;
}

// ---- TXmlReader ----

void TXmlReader::TScratch::Add(char32_t ch, QString& target) {
    chars_[count_++] = ch;
    if (count_ == kSize - 1) FlushTo(target);
}

void TXmlReader::TScratch::Clear() { count_ = 0; }

void TXmlReader::TScratch::FlushTo(QString& target) {
    if (count_ == 0) return;
    target.append(QString::fromUcs4(chars_, count_));
    count_ = 0;
}

TXmlReader::TXmlReader() : scratch_(std::make_unique<TScratch>()) {}

TXmlReader::~TXmlReader() { Close(); }

void TXmlReader::Open(QIODevice* stream, bool ownsStream) {
    Close();
    source_ = std::make_unique<TXmlReaderStream>(stream, ownsStream);
    continuation_ = ctNone;
    tokenKind_ = xtNone;
    eof_ = source_->Eof();
    elements_.clear();
}

void TXmlReader::Close() {
    source_.reset();
    continuation_ = ctNone;
    tokenKind_ = xtNone;
    eof_ = true;
    elements_.clear();
}

TXmlTokenKind TXmlReader::Read() {
    name_.clear();
    value_.clear();
    firstChunk_ = true;
    lastChunk_ = true;
    // Whatever a failed Read had gathered belongs to no token.
    scratch_->Clear();
    TXmlTokenKind result = xtNone;
    if (!eof_ && source_ && !source_->Eof()) {
        TXmlReaderStream& src = *source_;
        if (continuation_ != ctNone) {
            switch (continuation_) {
                case ctText:
                    firstChunk_ = false;
                    result = ReadText();
                    break;
                case ctComment:
                    firstChunk_ = false;
                    result = ReadComment();
                    break;
                case ctCData:
                    firstChunk_ = false;
                    result = ReadCData();
                    break;
                default:
                    result = ReadAttribute();
                    break;
            }
        } else {
            // Blanks between top-level constructs carry nothing; inside an element they are text.
            if (Depth() == 0) src.SkipBlanks();
            if (!src.Eof()) {
                char32_t ch = src.ReadChar();
                if (ch == '<') {
                    if (src.Eof()) throw EXmlError(kUnexpectedEnd);
                    ch = src.ReadChar();
                    if (ch == '!') {
                        if (src.Match(QStringLiteral("--"), true))
                            result = ReadComment();
                        else if (src.Match(QStringLiteral("[CDATA["), true))
                            result = ReadCData();
                        else if (src.Match(QStringLiteral("DOCTYPE"), true))
                            result = ReadDocumentType();
                        else
                            throw EXmlError(kUnknownSpecial);
                    } else if (ch == '/') {
                        result = ReadEndTag();
                    } else if (ch == '?') {
                        result = ReadProcessingInstruction();
                    } else {
                        src.PushBack(ch);
                        result = ReadStartTag();
                    }
                } else {
                    src.PushBack(ch);
                    if (Depth() == 0) throw EXmlError(kTextOutside);
                    result = ReadText();
                }
            }
        }
    }
    if (result == xtNone) eof_ = true;
    tokenKind_ = result;
    return result;
}

bool TXmlReader::ChunkFull(int gathered, TContinuation continuation) {
    if (chunkLimit_ <= 0 || gathered < chunkLimit_) return false;
    lastChunk_ = false;
    continuation_ = continuation;
    return true;
}

TXmlTokenKind TXmlReader::ReadProcessingInstruction() {
    TXmlReaderStream& src = *source_;
    src.SkipBlanks();
    while (!src.Eof()) {
        const char32_t ch = src.ReadChar(false);
        if (IsBlank(ch) || ch == '?' || ch == '>') break;
        scratch_->Add(src.ReadChar(), name_);
    }
    scratch_->FlushTo(name_);
    if (name_.isEmpty()) throw EXmlReader(kPINoName);
    src.SkipBlanks();
    for (;;) {
        if (src.Eof()) throw EXmlReader(kPINotClosed);
        const char32_t ch = src.ReadChar();
        if (ch == '?' && src.Match(QStringLiteral(">"), true)) break;
        scratch_->Add(ch, value_);
    }
    scratch_->FlushTo(value_);
    continuation_ = ctNone;
    return xtProcessingInstruction;
}

TXmlTokenKind TXmlReader::ReadDocumentType() {
    TXmlReaderStream& src = *source_;
    src.SkipBlanks();
    while (!src.Eof()) {
        const char32_t ch = src.ReadChar(false);
        if (IsBlank(ch) || ch == '>') break;
        scratch_->Add(src.ReadChar(), name_);
    }
    scratch_->FlushTo(name_);
    if (name_.isEmpty()) throw EXmlReader(kDocTypeNoName);
    src.SkipBlanks();
    // The internal subset holds declarations in angle brackets of its own.
    int nesting = 1;
    for (;;) {
        if (src.Eof()) throw EXmlReader(kDocTypeNotClosed);
        const char32_t ch = src.ReadChar();
        if (ch == '<') {
            ++nesting;
        } else if (ch == '>' && --nesting == 0) {
            break;
        }
        scratch_->Add(ch, value_);
    }
    scratch_->FlushTo(value_);
    continuation_ = ctNone;
    return xtDocumentType;
}

TXmlTokenKind TXmlReader::ReadComment() {
    TXmlReaderStream& src = *source_;
    continuation_ = ctNone;
    int gathered = 0;
    for (;;) {
        if (src.Eof()) throw EXmlReader(kCommentNotClosed);
        const char32_t ch = src.ReadChar();
        if (ch == '-' && src.Match(QStringLiteral("->"), true)) break;
        scratch_->Add(ch, value_);
        if (ChunkFull(++gathered, ctComment)) break;
    }
    scratch_->FlushTo(value_);
    return xtComment;
}

TXmlTokenKind TXmlReader::ReadCData() {
    TXmlReaderStream& src = *source_;
    continuation_ = ctNone;
    int gathered = 0;
    for (;;) {
        if (src.Eof()) throw EXmlReader(kCDataNotClosed);
        const char32_t ch = src.ReadChar();
        if (ch == ']' && src.Match(QStringLiteral("]"), true)) {
            src.SkipBlanks();
            if (src.Eof() || src.ReadChar() != '>') throw EXmlError(kCDataNoGt);
            break;
        }
        scratch_->Add(ch, value_);
        if (ChunkFull(++gathered, ctCData)) break;
    }
    scratch_->FlushTo(value_);
    return xtCData;
}

TXmlTokenKind TXmlReader::ReadStartTag() {
    TXmlReaderStream& src = *source_;
    src.SkipBlanks();
    for (;;) {
        if (src.Eof()) throw EXmlReader(kStartTagNotClosed);
        const char32_t ch = src.ReadChar(false);
        if (IsBlank(ch) || ch == '/' || ch == '>') break;
        scratch_->Add(src.ReadChar(), name_);
    }
    scratch_->FlushTo(name_);
    if (name_.isEmpty()) throw EXmlReader(kStartTagNoName);
    elements_.append(name_);
    AfterTagItem(src.ReadChar());
    return xtStartTag;
}

void TXmlReader::AfterTagItem(char32_t reached) {
    TXmlReaderStream& src = *source_;
    if (IsBlank(reached)) {
        src.SkipBlanks();
        // A text cut off inside a tag ends there; the next Read reports the end of input.
        if (src.Eof()) {
            continuation_ = ctTag;
            return;
        }
        reached = src.ReadChar();
    }
    if (reached == '>') {
        continuation_ = ctNone;
    } else {
        src.PushBack(reached);
        continuation_ = ctTag;
    }
}

TXmlTokenKind TXmlReader::ReadAttribute() {
    TXmlReaderStream& src = *source_;
    src.SkipBlanks();
    if (!src.Eof() && src.ReadChar(false) == '/') {
        src.ReadChar();
        if (src.Eof() || src.ReadChar() != '>') throw EXmlReader(kEmptyTagNotClosed);
        if (elements_.isEmpty()) throw EXmlError(kEndTagMismatch);
        name_ = elements_.takeLast();
        continuation_ = ctNone;
        return xtEndTag;
    }
    char32_t reached = 0;
    bool ended = true;
    while (!src.Eof()) {
        reached = src.ReadChar();
        if (IsBlank(reached) || reached == '=' || reached == '>') {
            ended = false;
            break;
        }
        scratch_->Add(reached, name_);
    }
    scratch_->FlushTo(name_);
    if (!ended && IsBlank(reached)) {
        src.SkipBlanks();
        ended = src.Eof();
        if (!ended) reached = src.ReadChar();
    }
    if (ended || reached != '=') throw EXmlReader(kAttrNoEquals);
    if (name_.isEmpty()) throw EXmlReader(kAttrNoName);

    src.SkipBlanks();
    if (src.Eof()) throw EXmlReader(kAttrNoValue);
    const char32_t first = src.ReadChar();
    if (first == '"' || first == '\'') {
        for (;;) {
            if (src.Eof()) throw EXmlReader(kAttrNotFinished);
            const char32_t ch = src.ReadChar();
            if (ch == first) break;
            scratch_->Add(ch, value_);
        }
        scratch_->FlushTo(value_);
        if (src.Eof())
            continuation_ = ctTag;
        else
            AfterTagItem(src.ReadChar());
    } else {
        scratch_->Add(first, value_);
        for (;;) {
            if (src.Eof()) throw EXmlReader(kAttrNotFinished);
            const char32_t ch = src.ReadChar();
            if (IsBlank(ch) || ch == '/' || ch == '>') {
                scratch_->FlushTo(value_);
                AfterTagItem(ch);
                break;
            }
            scratch_->Add(ch, value_);
        }
    }
    return xtAttribute;
}

TXmlTokenKind TXmlReader::ReadEndTag() {
    TXmlReaderStream& src = *source_;
    src.SkipBlanks();
    char32_t reached;
    for (;;) {
        if (src.Eof()) throw EXmlReader(kEndTagNotClosed);
        reached = src.ReadChar();
        if (IsBlank(reached) || reached == '>') break;
        scratch_->Add(reached, name_);
    }
    scratch_->FlushTo(name_);
    if (IsBlank(reached)) {
        src.SkipBlanks();
        if (src.Eof() || src.ReadChar() != '>') throw EXmlReader(kEndTagNotClosed);
    }
    if (name_.isEmpty()) throw EXmlReader(kEndTagNoName);
    if (elements_.isEmpty() || elements_.last() != name_) throw EXmlError(kEndTagMismatch);
    elements_.removeLast();
    continuation_ = ctNone;
    return xtEndTag;
}

TXmlTokenKind TXmlReader::ReadText() {
    TXmlReaderStream& src = *source_;
    continuation_ = ctNone;
    int gathered = 0;
    while (!src.Eof()) {
        if (src.ReadChar(false) == '<') break;
        scratch_->Add(src.ReadChar(), value_);
        if (ChunkFull(++gathered, ctText)) break;
    }
    scratch_->FlushTo(value_);
    return xtText;
}
