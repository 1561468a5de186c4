#include "XLSAdapter/UXlsPageBreaks.h"

#include <QIODevice>
#include <algorithm>

#include "XLSAdapter/XlsMessages.h"

namespace {

constexpr int kMaxRow = 65535;
// One record holds every break; more than this would not fit it.
constexpr int kMaxBreaks = 1026;

}  // namespace

void TPageBreakList::Insert(const TPageBreak& pb) {
    auto it = std::lower_bound(Breaks.begin(), Breaks.end(), pb.Row,
                               [](const TPageBreak& b, int row) { return b.Row < row; });
    if (it != Breaks.end() && it->Row == pb.Row) return;
    Breaks.insert(it, pb);
}

void TPageBreakList::LoadFromRecord(const TBaseRecord& record) {
    const TBaseRecord* r = &record;
    int pos = 0;
    QByteArray buf;
    ReadMem(r, pos, 2, &buf);
    int count = GetWord(buf, 0);
    for (int i = 0; i < count; ++i) {
        buf.clear();
        ReadMem(r, pos, 6, &buf);
        Insert({GetWord(buf, 0), GetWord(buf, 2), GetWord(buf, 4)});
    }
}

void TPageBreakList::AddPageBreak(int row) {
    if (int(Breaks.size()) >= kMaxBreaks) XlsError(XlsMessages::ErrTooManyPageBreaks);
    Insert({quint16(row), 0, 255});
}

void TPageBreakList::DeleteRows(int row, int count) {
    std::erase_if(Breaks, [&](const TPageBreak& b) { return b.Row >= row && b.Row < row + count; });
    for (TPageBreak& b : Breaks)
        if (b.Row >= row + count) b.Row = quint16(b.Row - count);
}

void TPageBreakList::InsertRows(int row, int count) {
    // Checked first, so that a refusal leaves every break where it was.
    for (const TPageBreak& b : Breaks) {
        quint16 moved = b.Row;
        if (b.Row >= row) IncMax(moved, count, kMaxRow);
    }
    for (TPageBreak& b : Breaks)
        if (b.Row >= row) b.Row = quint16(b.Row + count);
}

void TPageBreakList::SaveToStream(QIODevice& stream) const {
    if (Breaks.empty()) return;
    QByteArray rec(4 + 2 + 6 * int(Breaks.size()), '\0');
    SetWord(rec, 0, 0x001B);
    SetWord(rec, 2, quint16(rec.size() - 4));
    SetWord(rec, 4, quint16(Breaks.size()));
    for (size_t i = 0; i < Breaks.size(); ++i) {
        SetWord(rec, 6 + 6 * int(i), Breaks[i].Row);
        SetWord(rec, 8 + 6 * int(i), Breaks[i].FirstCol);
        SetWord(rec, 10 + 6 * int(i), Breaks[i].LastCol);
    }
    WriteBytes(stream, rec.constData(), rec.size());
}
