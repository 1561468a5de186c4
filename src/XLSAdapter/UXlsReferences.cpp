#include "XLSAdapter/UXlsReferences.h"

#include <QIODevice>

#include "XLSAdapter/XlsMessages.h"

namespace {

// 0xFFFE stands for the workbook itself (references to global names) and 0xFFFF for a deleted
// sheet: neither is a sheet index, and neither moves when sheets are inserted.
bool IsSheet(quint16 s) { return s < 0xFFFE; }
constexpr int kMaxSheets = 250;
// Entries of one EXTERNSHEET record: 1370 × 6 bytes plus the count fill a record's 8222 bytes.
constexpr int kEntriesPerRecord = 1370;

}  // namespace

void TReferences::AddSupBook(std::unique_ptr<TBaseRecord> record) {
    auto* supBook = dynamic_cast<TSupBookRecord*>(record.get());
    if (supBook && supBook->IsLocal()) LocalSupBook = SupBooks.Count();
    SupBooks.Add(std::move(record));
}

void TReferences::AddExternSheet(const TBaseRecord& record) {
    const TBaseRecord* r = &record;
    int pos = 0;
    QByteArray buf;
    ReadMem(r, pos, 2, &buf);
    int count = GetWord(buf, 0);
    ExternRefs.reserve(ExternRefs.size() + size_t(count));
    for (int i = 0; i < count; ++i) {
        buf.clear();
        ReadMem(r, pos, 6, &buf);
        ExternRefs.push_back({GetWord(buf, 0), GetWord(buf, 2), GetWord(buf, 4)});
    }
}

int TReferences::GetSheet(int index) const {
    if (index < 0 || index >= int(ExternRefs.size()) || LocalSupBook < 0) return -1;
    const TExternRef& e = ExternRefs[size_t(index)];
    if (e.SupBook != LocalSupBook || e.FirstSheet != e.LastSheet) return -1;
    return e.FirstSheet;
}

int TReferences::SetSheet(int sheet) {
    if (LocalSupBook < 0) return -1;
    for (size_t i = 0; i < ExternRefs.size(); ++i) {
        const TExternRef& e = ExternRefs[i];
        if (e.SupBook == LocalSupBook && e.FirstSheet == sheet && e.LastSheet == sheet) return int(i);
    }
    ExternRefs.push_back({quint16(LocalSupBook), quint16(sheet), quint16(sheet)});
    return int(ExternRefs.size()) - 1;
}

void TReferences::InsertSheets(int position, int count) {
    if (LocalSupBook < 0) return;
    auto* local = dynamic_cast<TSupBookRecord*>(SupBooks[LocalSupBook]);
    if (!local || !local->IsLocal()) XlsError(XlsMessages::ErrExcelInvalid);
    // Checked first so that a refusal leaves every entry as it was.
    quint16 sheets = GetWord(local->Data, 0);
    IncMax(sheets, count, kMaxSheets);
    for (const TExternRef& e : ExternRefs) {
        if (e.SupBook != LocalSupBook) continue;
        for (quint16 s : {e.FirstSheet, e.LastSheet}) {
            quint16 moved = s;
            if (IsSheet(s) && s >= position) IncMax(moved, count, kMaxSheets);
        }
    }
    for (TExternRef& e : ExternRefs) {
        if (e.SupBook != LocalSupBook) continue;
        if (IsSheet(e.FirstSheet) && e.FirstSheet >= position) e.FirstSheet += count;
        if (IsSheet(e.LastSheet) && e.LastSheet >= position) e.LastSheet += count;
    }
    SetWord(local->Data, 0, sheets);
}

void TReferences::SaveToStream(QIODevice& stream) const {
    SupBooks.SaveToStream(stream);
    int total = int(ExternRefs.size());
    int done = 0;
    do {
        int n = std::min(kEntriesPerRecord, total - done);
        bool first = done == 0;
        QByteArray rec(4 + (first ? 2 : 0) + 6 * n, '\0');
        SetWord(rec, 0, first ? 0x0017 : 0x003C);
        SetWord(rec, 2, quint16(rec.size() - 4));
        int pos = 4;
        if (first) {
            SetWord(rec, 4, quint16(total));
            pos = 6;
        }
        for (int i = 0; i < n; ++i, pos += 6) {
            const TExternRef& e = ExternRefs[size_t(done + i)];
            SetWord(rec, pos, e.SupBook);
            SetWord(rec, pos + 2, e.FirstSheet);
            SetWord(rec, pos + 4, e.LastSheet);
        }
        WriteBytes(stream, rec.constData(), rec.size());
        done += n;
    } while (done < total);
}

qint64 TReferences::TotalSize() const {
    qint64 entries = qint64(ExternRefs.size());
    if (entries == 0) return SupBooks.TotalSize() + 6;
    return SupBooks.TotalSize() + 6 + 6 * entries + 4 * ((6 * entries - 1) / (6 * kEntriesPerRecord));
}

void TReferences::Clear() {
    SupBooks.Clear();
    ExternRefs.clear();
    LocalSupBook = -1;
}

void TReferences::Bind(SheetInfo& info) {
    info.GetSheet = [this](int index) { return GetSheet(index); };
    info.SetSheet = [this](int sheet) { return SetSheet(sheet); };
}
