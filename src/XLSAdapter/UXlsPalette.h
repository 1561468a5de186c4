#pragma once

#include "XLSAdapter/UXlsBaseRecords.h"

// Colours are Windows colour values: red in the low byte, then green, then blue.
using TColor = quint32;

class TPaletteRecord : public TBaseRecord {
    XLS_CLONEABLE(TPaletteRecord)
    TPaletteRecord(quint16 id, QByteArray data);
    // A palette of the 56 default colours.
    TPaletteRecord();

    int Count() const;
    // Position p holds the colour of colour index p + 8.
    TColor GetColor(int position) const;
    void SetColor(int position, TColor color);
};

TColor DefaultColor(int position);
