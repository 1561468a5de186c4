#include "XLSAdapter/UXlsTokenArray.h"

#include "XLSAdapter/UXlsStrings.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

constexpr int kMaxRow = 65535;
constexpr quint16 kRowRelative = 0x8000;
constexpr quint16 kColRelative = 0x4000;

// What one walk does besides stepping over the tokens.
struct TWalk {
    bool Modify = true;
    int Position = 0;
    int Count = 0;
    int CopyOffset = 0;
    bool OnlyRelative = true;
    bool CopySheet = false;
    bool Expand = false;
    int ExpandRow = 0;
    int ExpandCol = 0;
    const SheetInfo* Info = nullptr;
};

[[noreturn]] void TokenError(int id) {
    throw ETokenException(QString::fromUtf8(XlsMessages::ErrTokenNotSupported).arg(TokenIdText(id)), id);
}

// Operand tokens come in three classes (reference, value, array) that share one layout.
int BaseId(quint8 id) { return id >= 0x20 ? ((id & 0x1F) | 0x20) : id; }

// The token's length, checked to lie within the formula.
int TokenLength(const QByteArray& data, int pos, int end) {
    quint8 id = quint8(data[pos]);
    auto need = [&](int length) {
        if (pos + length > end) TokenError(id);
        return length;
    };
    switch (BaseId(id)) {
        case 0x02:
            return need(5);
        case 0x17: {
            need(3);
            int size = 0;
            try {
                size = GetStrLen(false, data.left(end), pos + 1, false, 0);
            } catch (const EExcelException&) {
                TokenError(id);
            }
            return need(1 + size);
        }
        case 0x19: {
            need(4);
            if (quint8(data[pos + 1]) & 0x04) return need(4 + 2 * GetWord(data, pos + 2) + 2);
            return 4;
        }
        case 0x1C:
        case 0x1D:
            return need(2);
        case 0x1E:
            return need(3);
        case 0x1F:
            return need(9);
        case 0x20:
            return need(8);
        case 0x21:
            return need(3);
        case 0x22:
            return need(4);
        case 0x23:
        case 0x24:
        case 0x2A:
        case 0x2C:
            return need(5);
        case 0x25:
        case 0x2B:
        case 0x2D:
            return need(9);
        case 0x39:
        case 0x3A:
        case 0x3C:
            return need(7);
        case 0x3B:
        case 0x3D:
            return need(11);
        default:
            if (id >= 0x03 && id <= 0x16) return 1;
            TokenError(id);
    }
}

// The #REF! form of a reference token; one already in that form stays.
void MakeError(QByteArray& data, int pos) {
    quint8 id = quint8(data[pos]);
    switch (BaseId(id)) {
        case 0x24:
        case 0x25:
            data[pos] = char(id + 6);
            return;
        case 0x3A:
        case 0x3B:
            data[pos] = char(id + 2);
            return;
        case 0x2A:
        case 0x2B:
        case 0x3C:
        case 0x3D:
            return;
        default:
            TokenError(id);
    }
}

// Moves one row field. Inside a deleted block (lower edge given and delta negative) the reference
// is gone; beyond the last row it sticks there; above the first it is gone.
void IncRowRef(QByteArray& data, int rowPos, int lowerEdge, int tokenPos, int delta) {
    int row = GetWord(data, rowPos);
    if (delta < 0 && lowerEdge >= 0 && row >= lowerEdge && row < lowerEdge - delta) {
        MakeError(data, tokenPos);
        return;
    }
    int moved = row + delta;
    if (moved > kMaxRow) moved = kMaxRow;
    if (moved < 0) {
        MakeError(data, tokenPos);
        return;
    }
    SetWord(data, rowPos, quint16(moved));
}

// One row field with the flags of its own column field.
void MoveRow(QByteArray& data, int tokenPos, int rowPos, int colPos, int sheet, const TWalk& w) {
    bool relative = GetWord(data, colPos) & kRowRelative;
    if (w.Expand) {
        if (relative) SetWord(data, rowPos, quint16(GetWord(data, rowPos) + w.ExpandRow));
        return;
    }
    if (w.Count != 0 && sheet == w.Info->InsSheet && GetWord(data, rowPos) >= w.Position)
        IncRowRef(data, rowPos, w.Position, tokenPos, w.Count);
    if (w.CopyOffset != 0 && (relative || !w.OnlyRelative))
        IncRowRef(data, rowPos, -1, tokenPos, w.CopyOffset);
}

// A shared formula keeps a column offset in the low byte of the column field; it wraps within
// that byte, as the 256 columns of a sheet do, and never spills into the relative flags.
void ExpandColumn(QByteArray& data, int colPos, int column) {
    quint16 field = GetWord(data, colPos);
    if (!(field & kColRelative)) return;
    SetWord(data, colPos, quint16((field & 0xFF00) | ((field + column) & 0xFF)));
}

void Walk(QByteArray& data, int start, int end, const TWalk& w) {
    if (start < 0 || end > data.size() || start > end) XlsError(XlsMessages::ErrExcelInvalid);
    int pos = start;
    while (pos < end) {
        int length = TokenLength(data, pos, end);
        int base = BaseId(quint8(data[pos]));
        if (!w.Modify) {
            pos += length;
            continue;
        }
        int sheet = w.Info ? w.Info->FormulaSheet : -1;
        int fields = pos + 1;  // first row field
        bool is3D = base >= 0x3A && base <= 0x3D;
        if (is3D) {
            if (w.Info && w.Info->GetSheet) sheet = w.Info->GetSheet(GetWord(data, pos + 1));
            if (w.CopySheet && sheet == w.Info->FormulaSheet && w.Info->SetSheet) {
                int index = w.Info->SetSheet(w.Info->InsSheet);
                if (index >= 0) SetWord(data, pos + 1, quint16(index));
            }
            fields = pos + 3;
        }
        if (w.Expand) {
            // Only the relative tokens of a shared formula hold offsets from the cell; every other
            // token already says what it means.
            if (base == 0x2C || base == 0x2D) {
                data[pos] = char(quint8(data[pos]) - 8);
                if (base == 0x2C) {
                    MoveRow(data, pos, pos + 1, pos + 3, sheet, w);
                    ExpandColumn(data, pos + 3, w.ExpandCol);
                } else {
                    MoveRow(data, pos, pos + 1, pos + 5, sheet, w);
                    MoveRow(data, pos, pos + 3, pos + 7, sheet, w);
                    ExpandColumn(data, pos + 5, w.ExpandCol);
                    ExpandColumn(data, pos + 7, w.ExpandCol);
                }
            }
            pos += length;
            continue;
        }
        switch (base) {
            case 0x02:
                // A data table's reference has no #REF! form: it moves only within its own sheet.
                if (!w.CopySheet && w.Info && w.Info->FormulaSheet == w.Info->InsSheet) {
                    int row = GetWord(data, pos + 1);
                    if (w.Count != 0 && row >= w.Position) {
                        if (w.Count < 0 && row < w.Position - w.Count) TokenError(0x02);
                        row = std::clamp(row + w.Count, 0, kMaxRow);
                    }
                    row += w.CopyOffset;
                    if (row < 0 || row > kMaxRow) TokenError(0x02);
                    SetWord(data, pos + 1, quint16(row));
                }
                break;
            case 0x24:
            case 0x2A:
            case 0x3A:
            case 0x3C:
                if (!w.CopySheet) MoveRow(data, pos, fields, fields + 2, sheet, w);
                break;
            case 0x25:
            case 0x2B:
            case 0x3B:
            case 0x3D:
                if (!w.CopySheet) {
                    MoveRow(data, pos, fields, fields + 4, sheet, w);
                    MoveRow(data, pos, fields + 2, fields + 6, sheet, w);
                }
                break;
            default:
                break;
        }
        pos += length;
    }
}

}  // namespace

QString TokenIdText(int id) { return QStringLiteral("%1").arg(id, 2, 16, QChar(u' ')).toUpper(); }

void ArrangeInsertTokens(QByteArray& data, int start, int end, int position, int count, const SheetInfo& info,
                         int copyOffset, bool onlyRelative) {
    TWalk w;
    w.Position = position;
    w.Count = count;
    w.CopyOffset = copyOffset;
    w.OnlyRelative = onlyRelative;
    w.Info = &info;
    Walk(data, start, end, w);
}

void ArrangeCopySheetTokens(QByteArray& data, int start, int end, const SheetInfo& info) {
    TWalk w;
    w.CopySheet = true;
    w.Info = &info;
    Walk(data, start, end, w);
}

void ExpandSharedTokens(QByteArray& data, int start, int end, int row, int column) {
    TWalk w;
    w.Expand = true;
    w.ExpandRow = row;
    w.ExpandCol = column;
    Walk(data, start, end, w);
}

void CheckTokens(const QByteArray& data, int start, int end) {
    TWalk w;
    w.Modify = false;
    Walk(const_cast<QByteArray&>(data), start, end, w);
}
