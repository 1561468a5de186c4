#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "addressbook/XUtils.h"

class QIODevice;

// The reader's own errors; a few of its messages are raised as the general EXmlError instead.
class EXmlReader : public EXmlError {
public:
    using EXmlError::EXmlError;
};

// The characters of an XML text, decoded from UTF-8, with as much look-ahead as the parser wants:
// whatever is pushed back is read again first, the last pushed character first.
class TXmlReaderStream {
public:
    static constexpr int kBufferSize = 4096;

    TXmlReaderStream(QIODevice* stream, bool ownsStream);
    ~TXmlReaderStream();
    TXmlReaderStream(const TXmlReaderStream&) = delete;
    TXmlReaderStream& operator=(const TXmlReaderStream&) = delete;

    bool Eof();
    // The next character, or 0 at the end; without consume it stays to be read again.
    char32_t ReadChar(bool consume = true);
    void PushBack(char32_t ch);
    void PushBackText(const QString& text);
    // Consumes every character up to the first one above the blank, which stays to be read.
    void SkipBlanks();
    // True when the next characters are the text; on a mismatch nothing is consumed.
    bool Match(const QString& text, bool consume);

private:
    char32_t Decode();

    std::unique_ptr<QIODevice> owned_;
    TTextReader reader_;
    std::vector<char32_t> pushedBack_;
};

enum TXmlTokenKind {
    xtProcessingInstruction = 0,
    xtDocumentType = 1,
    xtComment = 2,
    xtCData = 3,
    xtStartTag = 4,
    xtEndTag = 5,
    xtAttribute = 6,
    xtText = 7,
    xtNone = 8,
};

// A pull reader: every Read delivers the next token of the text. It checks that end tags match
// their start tags, and nothing more; entity references stay as they stand in the text.
class TXmlReader {
public:
    TXmlReader();
    ~TXmlReader();
    TXmlReader(const TXmlReader&) = delete;
    TXmlReader& operator=(const TXmlReader&) = delete;

    void Open(QIODevice* stream, bool ownsStream);
    void Close();
    TXmlTokenKind Read();

    // When positive, text, comments and CDATA sections longer than this are delivered in pieces.
    int ChunkLimit() const { return chunkLimit_; }
    void SetChunkLimit(int limit) { chunkLimit_ = limit; }

    TXmlTokenKind TokenKind() const { return tokenKind_; }
    const QString& Name() const { return name_; }
    const QString& Value() const { return value_; }
    bool FirstChunk() const { return firstChunk_; }
    bool LastChunk() const { return lastChunk_; }
    bool Eof() const { return eof_; }
    int Depth() const { return static_cast<int>(elements_.size()); }
    const QStringList& Elements() const { return elements_; }

private:
    enum TContinuation { ctNone = 0, ctText = 1, ctTag = 2, ctComment = 3, ctCData = 4 };

    // Characters are gathered here and moved into the name or value a block at a time.
    class TScratch {
    public:
        static constexpr int kSize = 8192;
        void Add(char32_t ch, QString& target);
        void FlushTo(QString& target);
        void Clear();

    private:
        char32_t chars_[kSize];
        int count_ = 0;
    };

    TXmlTokenKind ReadProcessingInstruction();
    TXmlTokenKind ReadDocumentType();
    TXmlTokenKind ReadComment();
    TXmlTokenKind ReadCData();
    TXmlTokenKind ReadStartTag();
    TXmlTokenKind ReadAttribute();
    TXmlTokenKind ReadEndTag();
    TXmlTokenKind ReadText();
    // Closes the tag when the next character is ">", else leaves it open for more attributes.
    void AfterTagItem(char32_t reached);
    // Marks a piece of a long token; true when the token stops here and goes on at the next Read.
    bool ChunkFull(int gathered, TContinuation continuation);

    int chunkLimit_ = 0;
    TXmlTokenKind tokenKind_ = xtNone;
    QString name_;
    QString value_;
    bool firstChunk_ = true;
    bool lastChunk_ = true;
    bool eof_ = true;
    QStringList elements_;
    TContinuation continuation_ = ctNone;
    std::unique_ptr<TXmlReaderStream> source_;
    std::unique_ptr<TScratch> scratch_;
};
