#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class TContinueRecord;
class TBaseRecordList;

// Little-endian fields of a record's payload. Callers check the payload's length first.
quint16 GetWord(const QByteArray& data, int pos);
quint32 GetLongWord(const QByteArray& data, int pos);
void SetWord(QByteArray& data, int pos, quint16 value);
void SetLongWord(QByteArray& data, int pos, quint32 value);
// Adds a signed delta to the u16 at `pos`; a result outside 0..maximum raises "Too many entries"
// and leaves the value as it was.
void IncWord(QByteArray& data, int pos, int delta, int maximum);
void IncMax(quint16& counter, int delta, int maximum);
void IncWordClamp(quint16& value, int delta, int maximum, int minimum);

bool IsWide(const QString& text);
QByteArray WideToAnsi(const QString& text);
QString AnsiToWide(const QByteArray& text);

// Writes all bytes or raises "Error writing output file".
void WriteBytes(QIODevice& stream, const char* data, qint64 count);

// Where a reference-moving operation stands: which sheet changes and which sheet holds the record.
struct SheetInfo {
    int InsSheet = -1;
    int FormulaSheet = -1;
    std::function<int(int)> GetSheet;
    std::function<int(int)> SetSheet;
};

// One BIFF8 record: id, payload and the CONTINUE records that followed it in the file.
class TBaseRecord {
public:
    TBaseRecord(quint16 id, QByteArray data);
    virtual ~TBaseRecord();
    TBaseRecord(const TBaseRecord&) = delete;
    TBaseRecord& operator=(const TBaseRecord&) = delete;

    quint16 Id;
    QByteArray Data;
    std::unique_ptr<TContinueRecord> Continue;

    quint16 DataSize() const { return quint16(Data.size()); }
    // A record of the same class with a copy of the payload and of the whole CONTINUE chain.
    virtual std::unique_ptr<TBaseRecord> Clone() const;
    virtual void SaveToStream(QIODevice& stream) const;
    virtual qint64 TotalSize() const;
    qint64 TotalSizeNoHeaders() const;
    // Attaches a CONTINUE; a record can own only one directly.
    void AddContinue(std::unique_ptr<TContinueRecord> next);

protected:
    // The virtual constructor Clone goes through.
    virtual std::unique_ptr<TBaseRecord> CreateLike(quint16 id, QByteArray data) const;
    void CloneChainInto(TBaseRecord& copy) const;
    void SaveChain(QIODevice& stream) const;
    // Refuses a payload shorter than a record kind's fixed fields.
    void CheckSize(int needed) const;
};

// The virtual constructor of a record class, for Clone.
#define XLS_CLONEABLE(T)                                                                  \
protected:                                                                                \
    std::unique_ptr<TBaseRecord> CreateLike(quint16 id, QByteArray data) const override { \
        return std::make_unique<T>(id, std::move(data));                                  \
    }                                                                                     \
                                                                                          \
public:

// A record kind that adds nothing but its class.
#define XLS_PLAIN_RECORD(T, Base) \
    class T : public Base {       \
        XLS_CLONEABLE(T)          \
        using Base::Base;         \
    };

XLS_PLAIN_RECORD(TContinueRecord, TBaseRecord)
XLS_PLAIN_RECORD(TEOFRecord, TBaseRecord)

// Records that are read but never written back (their content is rebuilt or obsolete).
class TIgnoreRecord : public TBaseRecord {
    XLS_CLONEABLE(TIgnoreRecord)
    using TBaseRecord::TBaseRecord;
    void SaveToStream(QIODevice&) const override {}
    qint64 TotalSize() const override { return 0; }
};

XLS_PLAIN_RECORD(TStringRecord, TIgnoreRecord)

// Stands in a record list for a whole list owned elsewhere (fonts, formats, XFs), which the owner
// counts in its own size.
class TSubListRecord : public TBaseRecord {
public:
    explicit TSubListRecord(TBaseRecordList* subList) : TBaseRecord(0, {}), SubList(subList) {}
    TBaseRecordList* SubList;
    std::unique_ptr<TBaseRecord> Clone() const override { return std::make_unique<TSubListRecord>(SubList); }
    void SaveToStream(QIODevice& stream) const override;
    qint64 TotalSize() const override { return 0; }
};

// A record whose payload starts with its row and column.
class TBaseRowColRecord : public TBaseRecord {
    XLS_CLONEABLE(TBaseRowColRecord)
    TBaseRowColRecord(quint16 id, QByteArray data);
    quint16 Row() const { return GetWord(Data, 0); }
    quint16 Column() const { return GetWord(Data, 2); }
    void SetRow(quint16 row) { SetWord(Data, 0, row); }
    void SetColumn(quint16 column) { SetWord(Data, 2, column); }
    // Moves the record by `count` rows when it lies at or below `position` on the changed sheet.
    virtual void ArrangeInsert(int position, int count, const SheetInfo& info);
    virtual void ArrangeCopy(int newRow);
};

// A cell: row, column and XF index, and a value of its kind.
class TCellRecord : public TBaseRowColRecord {
    XLS_CLONEABLE(TCellRecord)
    TCellRecord(quint16 id, QByteArray data);
    quint16 XF() const { return GetWord(Data, 4); }
    void SetXF(quint16 xf) { SetWord(Data, 4, xf); }
    virtual QVariant GetValue() const { return {}; }
    virtual void SetValue(const QVariant&) {}
    virtual bool IsFormula() const { return false; }
};

// A record stream read from bytes that outlive every record made from it: payloads are handed out
// as views into those bytes instead of copies, which saves one allocation per record (a large
// workbook holds hundreds of thousands). A record that is changed copies its payload first, as
// any shared byte array does. Whoever reads through it keeps the bytes alive.
class TSharedPayloadBuffer : public QBuffer {
public:
    using QBuffer::QBuffer;
};

// Reads the payload of the record whose 4-byte header the caller has just read, makes the record
// of its kind, and takes the CONTINUE (and TABLE) records that belong to it.
std::unique_ptr<TBaseRecord> LoadRecord(QIODevice& stream, const char header[4]);

// Copies `count` bytes of a record chain from `position` on, moving into the CONTINUE records;
// record and position end where the copy ended. With no destination the bytes are skipped.
void ReadMem(const TBaseRecord*& record, int& position, int count, QByteArray* destination);
