#include "XLSAdapter/UXlsBaseRecords.h"

#include <QIODevice>
#include <cstring>
#include <typeinfo>

#include "XLSAdapter/UXlsBaseRecordLists.h"
#include "XLSAdapter/UXlsCellRecords.h"
#include "XLSAdapter/UXlsChart.h"
#include "XLSAdapter/UXlsColInfo.h"
#include "XLSAdapter/UXlsCondFmt.h"
#include "XLSAdapter/UXlsFormula.h"
#include "XLSAdapter/UXlsNotes.h"
#include "XLSAdapter/UXlsOtherRecords.h"
#include "XLSAdapter/UXlsPageBreaks.h"
#include "XLSAdapter/UXlsPalette.h"
#include "XLSAdapter/UXlsRangeRecords.h"
#include "XLSAdapter/UXlsReferences.h"
#include "XLSAdapter/UXlsSST.h"
#include "XLSAdapter/UXlsXF.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

enum : quint16 {
    xlr_FORMULA = 0x0006,
    xlr_EOF = 0x000A,
    xlr_EXTERNSHEET = 0x0017,
    xlr_NAME = 0x0018,
    xlr_HPAGEBREAKS = 0x001B,
    xlr_NOTE = 0x001C,
    xlr_FILEPASS = 0x002F,
    xlr_FONT = 0x0031,
    xlr_CONTINUE = 0x003C,
    xlr_WINDOW1 = 0x003D,
    xlr_DEFCOLWIDTH = 0x0055,
    xlr_XCT = 0x0059,
    xlr_CRN = 0x005A,
    xlr_OBJ = 0x005D,
    xlr_COLINFO = 0x007D,
    xlr_BOUNDSHEET = 0x0085,
    xlr_PALETTE = 0x0092,
    xlr_MULRK = 0x00BD,
    xlr_MULBLANK = 0x00BE,
    xlr_DBCELL = 0x00D7,
    xlr_XF = 0x00E0,
    xlr_MERGEDCELLS = 0x00E5,
    xlr_MSODRAWINGSELECTION = 0x00ED,
    xlr_SST = 0x00FC,
    xlr_LABELSST = 0x00FD,
    xlr_EXTSST = 0x00FF,
    xlr_SUPBOOK = 0x01AE,
    xlr_CONDFMT = 0x01B0,
    xlr_CF = 0x01B1,
    xlr_DVAL = 0x01B2,
    xlr_TXO = 0x01B6,
    xlr_RECALCID = 0x01C1,
    xlr_DIMENSIONS = 0x0200,
    xlr_BLANK = 0x0201,
    xlr_NUMBER = 0x0203,
    xlr_BOOLERR = 0x0205,
    xlr_STRING = 0x0207,
    xlr_ROW = 0x0208,
    xlr_INDEX = 0x020B,
    xlr_ARRAY = 0x0221,
    xlr_DEFAULTROWHEIGHT = 0x0225,
    xlr_TABLE = 0x0236,
    xlr_WINDOW2 = 0x023E,
    xlr_RK = 0x027E,
    xlr_STYLE = 0x0293,
    xlr_FORMAT = 0x041E,
    xlr_SHRFMLA = 0x04BC,
    xlr_BOF = 0x0809,
    xlr_CHARTAI = 0x1051,
};

std::unique_ptr<TBaseRecord> MakeRecord(quint16 id, QByteArray data) {
    switch (id) {
        case xlr_FORMULA:
            return std::make_unique<TFormulaRecord>(id, std::move(data));
        case xlr_EOF:
            return std::make_unique<TEOFRecord>(id, std::move(data));
        case xlr_EXTERNSHEET:
            return std::make_unique<TExternSheetRecord>(id, std::move(data));
        case xlr_NAME:
            return std::make_unique<TNameRecord>(id, std::move(data));
        case xlr_HPAGEBREAKS:
            return std::make_unique<THPageBreakRecord>(id, std::move(data));
        case xlr_NOTE:
            return std::make_unique<TNoteRecord>(id, std::move(data));
        case xlr_MERGEDCELLS:
            return std::make_unique<TCellMergingRecord>(id, std::move(data));
        case xlr_SUPBOOK:
            return std::make_unique<TSupBookRecord>(id, std::move(data));
        case xlr_CONDFMT:
            return std::make_unique<TCondFmtRecord>(id, std::move(data));
        case xlr_CF:
            return std::make_unique<TCFRecord>(id, std::move(data));
        case xlr_DVAL:
            return std::make_unique<TDValRecord>(id, std::move(data));
        case xlr_SHRFMLA:
            return std::make_unique<TShrFmlaRecord>(id, std::move(data));
        case xlr_CHARTAI:
            return std::make_unique<TChartAIRecord>(id, std::move(data));
        case xlr_FILEPASS:
            XlsError(XlsMessages::ErrFileIsPasswordProtected);
        case xlr_FONT:
            return std::make_unique<TFontRecord>(id, std::move(data));
        case xlr_CONTINUE:
            return std::make_unique<TContinueRecord>(id, std::move(data));
        case xlr_WINDOW1:
            return std::make_unique<TWindow1Record>(id, std::move(data));
        case xlr_DEFCOLWIDTH:
            return std::make_unique<TDefColWidthRecord>(id, std::move(data));
        case xlr_XCT:
        case xlr_CRN:
        case xlr_DBCELL:
        case xlr_MSODRAWINGSELECTION:
        case xlr_EXTSST:
        case xlr_RECALCID:
        case xlr_DIMENSIONS:
        case xlr_INDEX:
            return std::make_unique<TIgnoreRecord>(id, std::move(data));
        case xlr_OBJ:
            return std::make_unique<TObjRecord>(id, std::move(data));
        case xlr_COLINFO:
            return std::make_unique<TColInfoRecord>(id, std::move(data));
        case xlr_BOUNDSHEET:
            return std::make_unique<TBoundSheetRecord>(id, std::move(data));
        case xlr_PALETTE:
            return std::make_unique<TPaletteRecord>(id, std::move(data));
        case xlr_MULRK:
            return std::make_unique<TMulRKRecord>(id, std::move(data));
        case xlr_MULBLANK:
            return std::make_unique<TMulBlankRecord>(id, std::move(data));
        case xlr_XF:
            return std::make_unique<TXFRecord>(id, std::move(data));
        case xlr_SST:
            return std::make_unique<TSSTRecord>(id, std::move(data));
        case xlr_LABELSST:
            return std::make_unique<TLabelSSTRecord>(id, std::move(data));
        case xlr_TXO:
            return std::make_unique<TTXORecord>(id, std::move(data));
        case xlr_BLANK:
            return std::make_unique<TBlankRecord>(id, std::move(data));
        case xlr_NUMBER:
            return std::make_unique<TNumberRecord>(id, std::move(data));
        case xlr_BOOLERR:
            return std::make_unique<TBoolErrRecord>(id, std::move(data));
        case xlr_STRING:
            return std::make_unique<TStringRecord>(id, std::move(data));
        case xlr_ROW:
            return std::make_unique<TRowRecord>(id, std::move(data));
        case xlr_ARRAY:
            return std::make_unique<TCellRecord>(id, std::move(data));
        case xlr_DEFAULTROWHEIGHT:
            return std::make_unique<TDefRowHeightRecord>(id, std::move(data));
        case xlr_TABLE:
            return std::make_unique<TTableRecord>(id, std::move(data));
        case xlr_WINDOW2:
            return std::make_unique<TWindow2Record>(id, std::move(data));
        case xlr_RK:
            return std::make_unique<TRKRecord>(id, std::move(data));
        case xlr_STYLE:
            return std::make_unique<TStyleRecord>(id, std::move(data));
        case xlr_FORMAT:
            return std::make_unique<TFormatRecord>(id, std::move(data));
        case xlr_BOF:
            return std::make_unique<TBOFRecord>(id, std::move(data));
        // Every other record (drawings among them) is kept byte for byte.
        default:
            return std::make_unique<TBaseRecord>(id, std::move(data));
    }
}

// The stream a workbook loads from, when its bytes can be shared. Asked once per record, so the
// exact type is compared rather than searched for through the class tree.
TSharedPayloadBuffer* SharedBuffer(QIODevice& stream) {
    return typeid(stream) == typeid(TSharedPayloadBuffer) ? static_cast<TSharedPayloadBuffer*>(&stream)
                                                          : nullptr;
}

QByteArray ReadPayload(QIODevice& stream, quint16 size) {
    if (auto* shared = SharedBuffer(stream)) {
        const QByteArray& all = shared->buffer();
        qint64 pos = shared->pos();
        if (pos + size > all.size()) XlsError(XlsMessages::ErrExcelInvalid);
        shared->seek(pos + size);
        return QByteArray::fromRawData(all.constData() + pos, size);
    }
    QByteArray data = stream.read(size);
    if (data.size() != size) XlsError(XlsMessages::ErrExcelInvalid);
    return data;
}

}  // namespace

quint16 GetWord(const QByteArray& data, int pos) {
    Q_ASSERT(pos >= 0 && pos + 2 <= data.size());
    return quint16(quint8(data[pos]) | (quint8(data[pos + 1]) << 8));
}

quint32 GetLongWord(const QByteArray& data, int pos) {
    return quint32(GetWord(data, pos)) | (quint32(GetWord(data, pos + 2)) << 16);
}

void SetWord(QByteArray& data, int pos, quint16 value) {
    Q_ASSERT(pos >= 0 && pos + 2 <= data.size());
    data[pos] = char(value & 0xFF);
    data[pos + 1] = char(value >> 8);
}

void SetLongWord(QByteArray& data, int pos, quint32 value) {
    SetWord(data, pos, quint16(value & 0xFFFF));
    SetWord(data, pos + 2, quint16(value >> 16));
}

void IncWord(QByteArray& data, int pos, int delta, int maximum) {
    int result = GetWord(data, pos) + delta;
    if (result < 0 || result > maximum) XlsError(XlsMessages::ErrTooManyEntries, result, maximum);
    SetWord(data, pos, quint16(result));
}

void IncMax(quint16& counter, int delta, int maximum) {
    int result = counter + delta;
    if (result < 0 || result > maximum) XlsError(XlsMessages::ErrTooManyEntries, result, maximum);
    counter = quint16(result);
}

void IncWordClamp(quint16& value, int delta, int maximum, int minimum) {
    value = quint16(std::clamp(value + delta, minimum, maximum));
}

bool IsWide(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 255) return true;
    return false;
}

QByteArray WideToAnsi(const QString& text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    for (int i = 0; i < text.size(); ++i) out[i] = char(text[i].unicode() & 0xFF);
    return out;
}

QString AnsiToWide(const QByteArray& text) {
    QString out(text.size(), Qt::Uninitialized);
    for (int i = 0; i < text.size(); ++i) out[i] = QChar(quint8(text[i]));
    return out;
}

void WriteBytes(QIODevice& stream, const char* data, qint64 count) {
    if (count > 0 && stream.write(data, count) != count) XlsError(XlsMessages::ErrCantWrite);
}

TBaseRecord::TBaseRecord(quint16 id, QByteArray data) : Id(id), Data(std::move(data)) {
    Q_ASSERT(Data.size() <= 0xFFFF);
}

TBaseRecord::~TBaseRecord() {
    // Unlinks the chain one by one: a file may hold tens of thousands of CONTINUE records, and
    // freeing them recursively would run the stack out.
    std::unique_ptr<TContinueRecord> next = std::move(Continue);
    while (next) next = std::move(next->Continue);
}

std::unique_ptr<TBaseRecord> TBaseRecord::CreateLike(quint16 id, QByteArray data) const {
    return std::make_unique<TBaseRecord>(id, std::move(data));
}

void TBaseRecord::CloneChainInto(TBaseRecord& copy) const {
    TBaseRecord* tail = &copy;
    for (const TContinueRecord* c = Continue.get(); c; c = c->Continue.get()) {
        tail->Continue = std::make_unique<TContinueRecord>(c->Id, c->Data);
        tail = tail->Continue.get();
    }
}

std::unique_ptr<TBaseRecord> TBaseRecord::Clone() const {
    std::unique_ptr<TBaseRecord> copy = CreateLike(Id, Data);
    CloneChainInto(*copy);
    return copy;
}

void TBaseRecord::SaveChain(QIODevice& stream) const {
    for (const TBaseRecord* r = this; r; r = r->Continue.get()) {
        char header[4];
        header[0] = char(r->Id & 0xFF);
        header[1] = char(r->Id >> 8);
        header[2] = char(r->DataSize() & 0xFF);
        header[3] = char(r->DataSize() >> 8);
        WriteBytes(stream, header, 2);
        WriteBytes(stream, header + 2, 2);
        WriteBytes(stream, r->Data.constData(), r->DataSize());
    }
}

void TBaseRecord::SaveToStream(QIODevice& stream) const { SaveChain(stream); }

qint64 TBaseRecord::TotalSize() const {
    qint64 size = 0;
    for (const TBaseRecord* r = this; r; r = r->Continue.get()) size += 4 + r->DataSize();
    return size;
}

qint64 TBaseRecord::TotalSizeNoHeaders() const {
    qint64 size = 0;
    for (const TBaseRecord* r = this; r; r = r->Continue.get()) size += r->DataSize();
    return size;
}

void TBaseRecord::AddContinue(std::unique_ptr<TContinueRecord> next) {
    if (Continue) XlsError(XlsMessages::ErrTwoContinues);
    Continue = std::move(next);
}

void TBaseRecord::CheckSize(int needed) const {
    if (Data.size() < needed) XlsError(XlsMessages::ErrInvalidRecordId, QString::number(Id, 16));
}

void TSubListRecord::SaveToStream(QIODevice& stream) const {
    if (SubList) SubList->SaveToStream(stream);
}

TBaseRowColRecord::TBaseRowColRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(4);
}

void TBaseRowColRecord::ArrangeInsert(int position, int count, const SheetInfo& info) {
    CheckSize(4);
    if (info.InsSheet < 0 || info.InsSheet != info.FormulaSheet) return;
    if (Row() >= position) IncWord(Data, 0, count, 0xFFFF);
}

void TBaseRowColRecord::ArrangeCopy(int newRow) {
    CheckSize(4);
    SetRow(quint16(newRow));
}

TCellRecord::TCellRecord(quint16 id, QByteArray data) : TBaseRowColRecord(id, std::move(data)) {
    CheckSize(6);
}

std::unique_ptr<TBaseRecord> LoadRecord(QIODevice& stream, const char header[4]) {
    quint16 id = quint16(quint8(header[0]) | (quint8(header[1]) << 8));
    quint16 size = quint16(quint8(header[2]) | (quint8(header[3]) << 8));
    std::unique_ptr<TBaseRecord> record = MakeRecord(id, ReadPayload(stream, size));

    // CONTINUE records are taken in a loop rather than by recursion, so a long chain costs no
    // stack; they belong to the record that opened the chain, which also decides whether a
    // TABLE or STRING may follow.
    TBaseRecord* tail = record.get();
    TSharedPayloadBuffer* shared = SharedBuffer(stream);
    for (;;) {
        char next[4];
        if (shared) {
            // The next header is looked at in place: reading it and seeking back cost more than
            // the rest of a small record's load.
            const QByteArray& all = shared->buffer();
            const qint64 pos = shared->pos();
            if (pos + 4 > all.size()) return record;
            std::memcpy(next, all.constData() + pos, 4);
            const quint16 peeked = quint16(quint8(next[0]) | (quint8(next[1]) << 8));
            if (peeked != xlr_CONTINUE && peeked != xlr_TABLE && peeked != xlr_STRING) return record;
            shared->seek(pos + 4);
        } else {
            qint64 got = stream.read(next, 4);
            if (got < 4) {
                if (got > 0) stream.seek(stream.pos() - got);
                return record;
            }
        }
        quint16 nextId = quint16(quint8(next[0]) | (quint8(next[1]) << 8));
        quint16 nextSize = quint16(quint8(next[2]) | (quint8(next[3]) << 8));
        if (nextId == xlr_CONTINUE) {
            tail->AddContinue(std::make_unique<TContinueRecord>(nextId, ReadPayload(stream, nextSize)));
            tail = tail->Continue.get();
            continue;
        }
        if (nextId == xlr_TABLE) {
            auto* formula = dynamic_cast<TFormulaRecord*>(record.get());
            if (!formula || formula->TableRecord) XlsError(XlsMessages::ErrExcelInvalid);
            formula->TableRecord = LoadRecord(stream, next);
            return record;
        }
        // An array formula with a text result is written as FORMULA, ARRAY, STRING: the text
        // still belongs to the formula, which the sheet loader remembers.
        if (nextId == xlr_STRING && id != xlr_FORMULA && id != xlr_SHRFMLA && id != xlr_TABLE &&
            id != xlr_ARRAY)
            XlsError(XlsMessages::ErrExcelInvalid);
        stream.seek(stream.pos() - 4);
        return record;
    }
}

void ReadMem(const TBaseRecord*& record, int& position, int count, QByteArray* destination) {
    while (count > 0) {
        if (position > record->DataSize()) XlsError(XlsMessages::ErrReadingRecord);
        if (position == record->DataSize()) {
            if (!record->Continue) XlsError(XlsMessages::ErrReadingRecord);
            record = record->Continue.get();
            position = 0;
            continue;
        }
        int n = std::min(count, record->DataSize() - position);
        if (destination) destination->append(record->Data.constData() + position, n);
        position += n;
        count -= n;
    }
}
