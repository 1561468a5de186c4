#include "XLSAdapter/UXlsClientData.h"

#include "XLSAdapter/UEscherRecords.h"
#include "XLSAdapter/UXlsChart.h"
#include "XLSAdapter/UXlsSections.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

constexpr int kObjIdPos = 6;
constexpr quint16 kFtCmo = 0x15, kFtEnd = 0x00, kFtPictFmla = 0x09;
constexpr int kObjTypeChart = 5;
constexpr int kTxoCountPos = 10, kTxoRunsPos = 12, kTxoMinSize = 14;
constexpr int kRunSize = 8;
// A comment's text goes into one CONTINUE record after its option byte.
constexpr int kMaxTextBytes = escher::kMaxBiffData - 1;

}  // namespace

// ---- OBJ ---------------------------------------------------------------------------------

TMsObj::TMsObj() = default;
TMsObj::~TMsObj() = default;

void TMsObj::LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> first,
                            TWorkbookGlobals* globals) {
    auto* obj = dynamic_cast<TObjRecord*>(first.get());
    if (!obj) XlsError(XlsMessages::ErrUnsupportedDrawing);
    first.release();
    Obj.reset(obj);
    const QByteArray& d = Obj->Data;
    for (int pos = 0; pos + 4 <= d.size();) {
        quint16 kind = GetWord(d, pos), size = GetWord(d, pos + 2);
        if (kind == kFtPictFmla) HasOleObject = true;
        if (kind == kFtEnd) break;
        pos += 4 + size;
    }
    // What still hangs on the OBJ is the drawing of the next shape, written as a CONTINUE.
    RemainingData = std::move(Obj->Continue);
    if (ObjType() == kObjTypeChart) {
        std::unique_ptr<TBaseRecord> bof = ReadSectionRecord(stream);
        auto* b = dynamic_cast<TBOFRecord*>(bof.get());
        if (!b || b->SubstreamType() != TBOFRecord::Chart) XlsError(XlsMessages::ErrExcelInvalid);
        Chart = std::make_unique<TChart>(globals);
        Chart->LoadFromStream(stream, std::move(bof));
    }
}

int TMsObj::ObjType() const {
    if (!Obj || Obj->Data.size() < 6 || GetWord(Obj->Data, 0) != kFtCmo) return 0;
    return GetWord(Obj->Data, 4);
}

int TMsObj::GetObjId() const {
    return Obj && Obj->Data.size() >= kObjIdPos + 2 ? GetWord(Obj->Data, kObjIdPos) : 0;
}

void TMsObj::SetObjId(int id) {
    if (Obj && Obj->Data.size() >= kObjIdPos + 2) SetWord(Obj->Data, kObjIdPos, quint16(id));
}

void TMsObj::NewObjId(quint16& maxId) {
    IncMax(maxId, 1, 0xFFFF);
    SetObjId(maxId);
}

std::unique_ptr<TBaseClientData> TMsObj::CopyTo() const {
    // An embedded OLE object lives in a storage of its own that a copy would have to share.
    if (HasOleObject) XlsError(XlsMessages::ErrCantCopyOle);
    auto copy = std::make_unique<TMsObj>();
    std::unique_ptr<TBaseRecord> obj = Obj->Clone();
    copy->Obj.reset(static_cast<TObjRecord*>(obj.release()));
    if (Chart) {
        std::unique_ptr<TSheet> chart = Chart->Clone();
        copy->Chart.reset(static_cast<TChart*>(chart.release()));
    }
    return copy;
}

void TMsObj::SaveToStream(QIODevice& stream) const {
    Obj->SaveToStream(stream);
    if (Chart) Chart->SaveToStream(stream);
}

qint64 TMsObj::TotalSize() const { return Obj->TotalSize() + (Chart ? Chart->TotalSize() : 0); }

void TMsObj::ArrangeCopySheet(const SheetInfo& info) {
    if (Chart) Chart->ArrangeCopySheet(info);
}

void TMsObj::ArrangeInsert(int row, int count, const SheetInfo& info) {
    if (Chart) Chart->ArrangeInsert(row, count, info);
}

void TMsObj::ArrangeCopyRows(int offset) {
    if (Chart) Chart->ArrangeCopyRows(offset);
}

quint16 TMsObj::RecordClass() const { return xlr::OBJ; }

// ---- TXO ---------------------------------------------------------------------------------

void TTXO::LoadFromStream(std::unique_ptr<TBaseRecord> first) {
    if (first->Data.size() < kTxoMinSize) XlsError(XlsMessages::ErrExcelInvalid);
    Txo = std::move(first);
}

std::unique_ptr<TBaseClientData> TTXO::CopyTo() const {
    auto copy = std::make_unique<TTXO>();
    copy->Txo = Txo->Clone();
    return copy;
}

void TTXO::SaveToStream(QIODevice& stream) const { Txo->SaveToStream(stream); }

qint64 TTXO::TotalSize() const { return Txo->TotalSize(); }

quint16 TTXO::RecordClass() const { return xlr::TXO; }

QString TTXO::GetText() const {
    const int count = GetWord(Txo->Data, kTxoCountPos);
    if (!Txo->Continue || count == 0) return {};
    const TBaseRecord* record = Txo->Continue.get();
    int pos = 0;
    QString text;
    text.reserve(count);
    bool wide = false;
    auto readOption = [&] {
        if (pos >= record->DataSize()) XlsError(XlsMessages::ErrReadingRecord);
        quint8 option = quint8(record->Data[pos++]);
        if (option > 1) XlsError(XlsMessages::ErrExcelInvalid);
        wide = option == 1;
    };
    readOption();
    while (text.size() < count) {
        if (pos >= record->DataSize()) {
            // A text that goes on into another CONTINUE record starts it with its own option
            // byte, as every continued BIFF string does.
            if (!record->Continue) XlsError(XlsMessages::ErrReadingRecord);
            record = record->Continue.get();
            pos = 0;
            readOption();
            continue;
        }
        if (wide) {
            if (pos + 2 > record->DataSize()) XlsError(XlsMessages::ErrReadingRecord);
            text += QChar(GetWord(record->Data, pos));
            pos += 2;
        } else {
            text += QChar(quint8(record->Data[pos++]));
        }
    }
    return text;
}

void TTXO::SetText(const QString& value) {
    QString text = value;
    const bool wide = IsWide(text);
    const int maxChars = wide ? kMaxTextBytes / 2 : kMaxTextBytes;
    if (text.size() > maxChars) {
        text.truncate(maxChars);
        // Half a surrogate pair is no character at all.
        if (text.back().isHighSurrogate()) text.chop(1);
    }
    const int n = int(text.size());
    SetWord(Txo->Data, kTxoCountPos, quint16(n));
    SetWord(Txo->Data, kTxoRunsPos, quint16(n == 0 ? 0 : 2 * kRunSize));
    Txo->Continue.reset();
    if (n == 0) return;

    QByteArray chars;
    if (wide) {
        chars.append(char(1));
        for (QChar c : text) {
            chars.append(char(c.unicode() & 0xFF));
            chars.append(char(c.unicode() >> 8));
        }
    } else {
        chars.append(char(0));
        chars += WideToAnsi(text);
    }
    QByteArray runs(2 * kRunSize, '\0');
    SetWord(runs, kRunSize, quint16(n));
    Txo->Continue = std::make_unique<TContinueRecord>(quint16(0x003C), chars);
    Txo->Continue->Continue = std::make_unique<TContinueRecord>(quint16(0x003C), runs);
}
