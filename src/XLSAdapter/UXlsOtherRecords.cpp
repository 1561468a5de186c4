#include "XLSAdapter/UXlsOtherRecords.h"

#include "XLSAdapter/UXlsStrings.h"
#include "XLSAdapter/XlsMessages.h"

TBOFRecord::TBOFRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(4);
    if (GetWord(Data, 0) != 0x0600) XlsError(XlsMessages::ErrWrongExcelVersion);
}

TBoundSheetRecord::TBoundSheetRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(8);
}

TBoundSheetRecord::TBoundSheetRecord(quint16 options, const QString& name)
    : TBaseRecord(0x0085, QByteArray(6, '\0')) {
    SetWord(Data, 4, options);
    SetSheetName(name);
}

QString TBoundSheetRecord::SheetName() const {
    const TBaseRecord* r = this;
    int pos = 6;
    return TExcelString(1, r, pos).Value();
}

void TBoundSheetRecord::SetSheetName(const QString& name) {
    TExcelString s(1, name);
    Data.resize(6 + s.TotalSize());
    s.CopyToBuffer(Data, 6);
}

TWindow1Record::TWindow1Record(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(16);
}

void TWindow1Record::SetActiveSheet(quint16 sheet) {
    SetWord(Data, 10, sheet);
    SetWord(Data, 12, 0);
    SetWord(Data, 14, 1);
}

TWindow2Record::TWindow2Record(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(2);
}

void TWindow2Record::SetShowGridLines(bool on) {
    SetWord(Data, 0, on ? Options() | 0x0002 : Options() & ~0x0002);
}

void TWindow2Record::SetSelected(bool on) { SetWord(Data, 0, on ? Options() | 0x0200 : Options() & ~0x0200); }

std::unique_ptr<TBaseRecord> TWindow2Record::CreateLike(quint16 id, QByteArray data) const {
    return std::make_unique<TWindow2Record>(id, std::move(data));
}

std::unique_ptr<TBaseRecord> TWindow2Record::Clone() const {
    auto copy = TBaseRecord::Clone();
    static_cast<TWindow2Record&>(*copy).SetSelected(false);
    return copy;
}

TDefColWidthRecord::TDefColWidthRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(2);
}

TDefRowHeightRecord::TDefRowHeightRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(4);
}

TObjRecord::TObjRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    // An OBJ too short for its first sub-record is kept as it is; it just has no known kind.
    if (Data.size() >= 2) ObjKind = GetWord(Data, 0);
    if (ObjKind == 0x15 && Data.size() >= 6) ObjType = GetWord(Data, 4);
}
