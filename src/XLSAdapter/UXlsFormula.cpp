#include "XLSAdapter/UXlsFormula.h"

#include <QIODevice>
#include <algorithm>
#include <bit>

#include "XLSAdapter/UXlsReferences.h"
#include "XLSAdapter/UXlsStrings.h"
#include "XLSAdapter/UXlsTokenArray.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

constexpr quint16 kNoRow = 0xFFFF;
constexpr int kMaxRow = 65535;
constexpr int kTableRowFields[] = {0, 2, 8, 12};
constexpr quint16 kCalcOnLoad = 0x0002;
constexpr int kMaxNameSheet = 251;

// The tokens of a row copy are walked with no sheet at all: only relative rows move.
const SheetInfo kRowCopyInfo{};

}  // namespace

TTableRecord::TTableRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) { CheckSize(16); }

void TTableRecord::ArrangeInsert(int position, int count) {
    for (int pos : kTableRowFields) {
        quint16 row = GetWord(Data, pos);
        if (row != kNoRow && row >= position) IncWord(Data, pos, count, kMaxRow);
    }
}

void TTableRecord::ArrangeCopy(int offset) {
    for (int pos : kTableRowFields)
        if (GetWord(Data, pos) != kNoRow) IncWord(Data, pos, offset, kMaxRow);
}

TFormulaRecord::TFormulaRecord(quint16 id, QByteArray data, bool fromFile)
    : TCellRecord(id, std::move(data)) {
    CheckSize(22);
    if (!fromFile) return;
    if (GetWord(Data, 12) == 0xFFFF) {
        switch (quint8(Data[6])) {
            case 0:
                FormulaValue = QString();  // the STRING record after it brings the text
                break;
            case 1:
                FormulaValue = quint8(Data[8]) == 1;
                break;
            default:
                break;
        }
    } else {
        quint64 bits = quint64(GetLongWord(Data, 6)) | (quint64(GetLongWord(Data, 10)) << 32);
        FormulaValue = std::bit_cast<double>(bits);
    }
    // What a saved workbook holds must agree with its other cells after we moved them, so the
    // spreadsheet program is told to recalculate instead of trusting an old result.
    QVariant cached = FormulaValue;
    SetCachedValue(QVariant());
    FormulaValue = cached;
}

void TFormulaRecord::SetCachedValue(const QVariant& value) {
    for (int i = 6; i < 14; ++i) Data[i] = 0;
    SetLongWord(Data, 16, 0);
    SetWord(Data, 14, GetWord(Data, 14) | kCalcOnLoad);
    if (value.typeId() == QMetaType::Bool) {
        Data[6] = 1;
        Data[8] = value.toBool() ? 1 : 0;
        SetWord(Data, 12, 0xFFFF);
    } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Int ||
               value.typeId() == QMetaType::LongLong) {
        quint64 bits = std::bit_cast<quint64>(value.toDouble());
        SetLongWord(Data, 6, quint32(bits));
        SetLongWord(Data, 10, quint32(bits >> 32));
    } else {
        // A text result would need a STRING record after the formula, which is never written;
        // saying "text follows" without one makes other readers refuse the file. The placeholder
        // stands until the spreadsheet program recalculates.
        Data[6] = 2;
        SetWord(Data, 12, 0xFFFF);
    }
    FormulaValue = value;
}

std::unique_ptr<TBaseRecord> TFormulaRecord::CreateLike(quint16 id, QByteArray data) const {
    return std::make_unique<TFormulaRecord>(id, std::move(data), false);
}

std::unique_ptr<TBaseRecord> TFormulaRecord::Clone() const {
    auto copy = TCellRecord::Clone();
    auto& f = static_cast<TFormulaRecord&>(*copy);
    f.FormulaValue = FormulaValue;
    if (TableRecord) f.TableRecord = TableRecord->Clone();
    return copy;
}

void TFormulaRecord::SaveToStream(QIODevice& stream) const {
    TCellRecord::SaveToStream(stream);
    if (TableRecord) TableRecord->SaveToStream(stream);
}

qint64 TFormulaRecord::TotalSize() const {
    return TCellRecord::TotalSize() + (TableRecord ? TableRecord->TotalSize() : 0);
}

template <typename F>
void TFormulaRecord::WithCellMessage(F&& walk) const {
    try {
        walk();
    } catch (const ETokenException& e) {
        XlsError(XlsMessages::ErrFormulaNotSupported, Row() + 1, Column() + 1, TokenIdText(e.TokenId));
    }
}

void TFormulaRecord::ArrangeInsert(int position, int count, const SheetInfo& info) {
    WithCellMessage([&] { ArrangeInsertTokens(Data, 22, TokenEnd(), position, count, info, 0); });
    if (TableRecord && info.FormulaSheet == info.InsSheet)
        static_cast<TTableRecord&>(*TableRecord).ArrangeInsert(position, count);
    TCellRecord::ArrangeInsert(position, count, info);
}

void TFormulaRecord::ArrangeCopy(int newRow) {
    int offset = newRow - Row();
    WithCellMessage([&] { ArrangeInsertTokens(Data, 22, TokenEnd(), 0, 0, kRowCopyInfo, offset); });
    if (TableRecord) static_cast<TTableRecord&>(*TableRecord).ArrangeCopy(offset);
    SetRow(quint16(newRow));
}

void TFormulaRecord::CheckTokens() const {
    WithCellMessage([&] { ::CheckTokens(Data, 22, TokenEnd()); });
}

qint64 TFormulaRecord::SharedKey() const {
    if (Data.size() != 27 || GetWord(Data, 20) != 5 || quint8(Data[22]) != 0x01) return -1;
    return GetWord(Data, 23) + qint64(GetWord(Data, 25)) * 65536;
}

int TFormulaRecord::ExpandShared(const TShrFmlaRecord& shared) {
    int before = Data.size();
    QByteArray data = Data.left(20) + shared.Data.mid(8);
    if (data.size() > 0xFFFF || 22 + GetWord(data, 20) > data.size()) XlsError(XlsMessages::ErrExcelInvalid);
    WithCellMessage([&] { ExpandSharedTokens(data, 22, 22 + GetWord(data, 20), Row(), Column()); });
    Data = std::move(data);
    return Data.size() - before;
}

TShrFmlaRecord::TShrFmlaRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(10);
}

TShrFmlaRecord* TShrFmlaRecordList::Find(qint64 key) {
    if (!sorted_) {
        std::stable_sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) {
            return static_cast<TShrFmlaRecord*>(a.get())->Key() <
                   static_cast<TShrFmlaRecord*>(b.get())->Key();
        });
        sorted_ = true;
    }
    auto it = std::lower_bound(items_.begin(), items_.end(), key, [](const auto& r, qint64 k) {
        return static_cast<TShrFmlaRecord*>(r.get())->Key() < k;
    });
    if (it == items_.end() || static_cast<TShrFmlaRecord*>(it->get())->Key() != key) return nullptr;
    return static_cast<TShrFmlaRecord*>(it->get());
}

TNameRecord::TNameRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(15);
    // The name and its formula must lie within the record, or nothing else here can be trusted.
    if (TokenEnd() > Data.size()) XlsError(XlsMessages::ErrExcelInvalid);
}

int TNameRecord::TokenStart() const {
    int chars = quint8(Data[3]);
    return 15 + chars * ((quint8(Data[14]) & 0x01) ? 2 : 1);
}

QString TNameRecord::Name() const {
    int chars = quint8(Data[3]);
    if (quint8(Data[14]) & 0x01) {
        QString s(chars, Qt::Uninitialized);
        for (int i = 0; i < chars; ++i) s[i] = QChar(GetWord(Data, 15 + 2 * i));
        return s;
    }
    return AnsiToWide(Data.mid(15, chars));
}

bool TNameRecord::HasArea() const {
    int start = TokenStart();
    if (start + 11 > TokenEnd()) return false;
    quint8 id = quint8(Data[start]);
    return id == 0x3B || id == 0x5B || id == 0x7B;
}

int TNameRecord::Area(int offset) const { return HasArea() ? GetWord(Data, TokenStart() + 3 + offset) : -1; }

int TNameRecord::AreaSheet(const TReferences& refs) const {
    return HasArea() ? refs.GetSheet(GetWord(Data, TokenStart() + 1)) : -1;
}

template <typename F>
void TNameRecord::WithNameMessage(F&& walk) const {
    try {
        walk();
    } catch (const ETokenException& e) {
        XlsError(XlsMessages::ErrBadName, Name(), TokenIdText(e.TokenId));
    }
}

void TNameRecord::ArrangeInsert(int position, int count, const SheetInfo& info) {
    WithNameMessage([&] { ArrangeInsertTokens(Data, TokenStart(), TokenEnd(), position, count, info, 0); });
}

void TNameRecord::ArrangeInsertSheets(int position, int count) {
    int sheet = SheetIndex();
    if (sheet >= 0 && sheet >= position) IncWord(Data, 8, count, kMaxNameSheet);
}

void TNameRecord::CopyToSheet(const SheetInfo& info) {
    WithNameMessage([&] { ArrangeCopySheetTokens(Data, TokenStart(), TokenEnd(), info); });
    SetWord(Data, 8, quint16(info.InsSheet + 1));
}

void TNameRecord::CheckTokens() const {
    WithNameMessage([&] { ::CheckTokens(Data, TokenStart(), TokenEnd()); });
}

void TNameRecordList::ArrangeInsert(int position, int count, const SheetInfo& info) {
    for (int i = 0; i < Count(); ++i) Name(i)->ArrangeInsert(position, count, info);
}

void TNameRecordList::CheckTokens() const {
    for (int i = 0; i < Count(); ++i) Name(i)->CheckTokens();
}

void TNameRecordList::InsertSheets(int copyFrom, int beforeSheet, const SheetInfo& info, int count,
                                   const TReferences& refs) {
    int existing = Count();
    for (int i = 0; i < existing; ++i) {
        TNameRecord* name = Name(i);
        bool qualifies =
            name->SheetIndex() == copyFrom || (name->SheetIndex() < 0 && name->AreaSheet(refs) == copyFrom);
        if (!qualifies) continue;
        for (int k = 0; k < count; ++k) {
            auto copy = name->Clone();
            SheetInfo target = info;
            target.InsSheet = beforeSheet + k;
            static_cast<TNameRecord&>(*copy).CopyToSheet(target);
            Add(std::move(copy));
        }
    }
    // The copies already stand on their new sheets; moving them again with the names that were
    // there before would put them one block of sheets too far.
    for (int i = 0; i < existing; ++i) Name(i)->ArrangeInsertSheets(beforeSheet, count);
}
