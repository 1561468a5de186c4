#pragma once

#include "XLSAdapter/USheetNameList.h"
#include "XLSAdapter/UXlsBaseRecordLists.h"
#include "XLSAdapter/UXlsEscher.h"
#include "XLSAdapter/UXlsFormula.h"
#include "XLSAdapter/UXlsOtherRecords.h"
#include "XLSAdapter/UXlsPalette.h"
#include "XLSAdapter/UXlsReferences.h"
#include "XLSAdapter/UXlsSST.h"
#include "XLSAdapter/UXlsSections.h"
#include "XLSAdapter/UXlsXF.h"

// The workbook globals: everything before the first sheet that every sheet shares (strings,
// formats, names, references, the sheet directory).
class TWorkbookGlobals : public TBaseSection {
public:
    TWorkbookGlobals();
    TSST SST;
    TReferences References;
    TBaseRecordList BoundSheets;
    TSheetNameList SheetNames;
    TBaseRecordList HeadRecords;
    TNameRecordList Names;
    // The workbook's picture store and drawing defaults.
    TDrawingGroup DrawingGroup;
    TWindow1Record* Window1 = nullptr;
    TXFRecordList XFs;
    TFontRecordList Fonts;
    TFormatRecordList Formats;
    TPaletteRecord* Palette = nullptr;
    int PaletteInsertPos = 0;

    void Clear() override;
    qint64 TotalSize() override;
    // Reads the records after the BOF (already read) up to EOF.
    void LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> bof);
    void SaveToStream(QIODevice& stream) override;
    // Where position 0 of the device lies in the workbook stream (the string table's index
    // records absolute offsets).
    qint64 StreamOffset = 0;

    int SheetCount() const { return BoundSheets.Count(); }
    TBoundSheetRecord* BoundSheet(int n) const { return static_cast<TBoundSheetRecord*>(BoundSheets[n]); }
    QString SheetName(int n) const { return BoundSheet(n)->SheetName(); }
    void SetSheetName(int n, const QString& name);
    quint16 SheetOptions(int n) const { return BoundSheet(n)->Options(); }
    void SetSheetOffset(int n, quint32 position) { BoundSheet(n)->SetStreamPosition(position); }
    // New BOUNDSHEET records for copies of sheet `copyFrom`, each named uniquely from "Sheet".
    void InsertSheets(int copyFrom, int beforeSheet, int count);

    int ActiveSheet() const { return Window1 ? Window1->ActiveSheet() : 0; }
    void SetActiveSheet(int n);

    TColor PaletteColor(int index) const;
    void SetPaletteColor(int index, TColor color);
    QString FormatString(int formatIndex) { return Formats.FormatString(formatIndex); }
};
