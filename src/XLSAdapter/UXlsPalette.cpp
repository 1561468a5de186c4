#include "XLSAdapter/UXlsPalette.h"

#include "XLSAdapter/XlsMessages.h"

namespace {

// The workbook's colours 8..63 when it brings no palette of its own, as red-green-blue.
const quint32 kDefaultPaletteRgb[56] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000,
    0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF,
    0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000,
    0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696, 0x003366, 0x339966,
    0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

}  // namespace

TColor DefaultColor(int position) {
    if (position < 0 || position > 55)
        XlsError(XlsMessages::ErrIndexOutOfRange, position, QStringLiteral("Palette index"), 0, 55);
    quint32 rgb = kDefaultPaletteRgb[position];
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

TPaletteRecord::TPaletteRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(2);
}

TPaletteRecord::TPaletteRecord() : TBaseRecord(0x0092, QByteArray(2 + 56 * 4, '\0')) {
    SetWord(Data, 0, 56);
    for (int i = 0; i < 56; ++i) SetLongWord(Data, 2 + 4 * i, DefaultColor(i));
}

int TPaletteRecord::Count() const {
    // The count is believed only as far as the record holds colours for it.
    return std::min<int>(GetWord(Data, 0), (Data.size() - 2) / 4);
}

TColor TPaletteRecord::GetColor(int position) const {
    if (position < 0 || position >= Count())
        XlsError(XlsMessages::ErrIndexOutOfRange, position, QStringLiteral("Palette Color Index"), 0,
                 Count() - 1);
    return GetLongWord(Data, 2 + 4 * position);
}

void TPaletteRecord::SetColor(int position, TColor color) {
    if (position < 0 || position >= Count()) XlsError(XlsMessages::ErrTooManyEntries, position, Count() - 1);
    SetLongWord(Data, 2 + 4 * position, color);
}
