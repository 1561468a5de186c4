#pragma once

// A workbook's drawing group (the picture store) and a worksheet's drawing (its shapes with
// their client data): loading them from their BIFF records, writing them back with the record
// breaks recomputed, the row and sheet operations, and the pictures of a sheet.

#include <QByteArray>
#include <QIODevice>
#include <functional>
#include <memory>

#include "XLSAdapter/UEscherRecords.h"

class TChart;
class TWorkbookGlobals;

// The kinds of image a picture holds, as the adapter hands them out.
enum class TXlsImgTypes { xli_Emf = 0, xli_Wmf = 1, xli_Jpeg = 2, xli_Png = 3, xli_Bmp = 4, xli_Unknown = 5 };

class TDrawingGroup {
public:
    TDrawingGroup();
    ~TDrawingGroup();
    std::unique_ptr<TEscherContainerRecord> RecordCache;
    TEscherDwgGroupCache DwgGroupCache;

    bool Loaded() const { return RecordCache != nullptr; }
    // Reads the drawing group from the MSODRAWINGGROUP record just read and those that follow.
    void LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> first);
    void SaveToStream(QIODevice& stream);
    qint64 TotalSize();
    void Clear();
};

class TDrawing {
public:
    explicit TDrawing(TDrawingGroup* drawingGroup);
    ~TDrawing();
    TDrawingGroup* DrawingGroup;
    std::unique_ptr<TEscherContainerRecord> RecordCache;
    TEscherDwgCache DwgCache;

    bool Loaded() const { return RecordCache != nullptr; }
    // Reads the drawing from the MSODRAWING record just read and the records that belong to it.
    void LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> first, TWorkbookGlobals* globals);
    void SaveToStream(QIODevice& stream);
    qint64 TotalSize();
    void Clear();
    void CopyFrom(const TDrawing& source);

    // Rows are 0-based.
    void InsertAndCopyRows(int firstRow, int lastRow, int destRow, int count, const SheetInfo& info);
    void DeleteRows(int row, int count, const SheetInfo& info);
    void ArrangeInsert(int row, int count, const SheetInfo& info);
    void ArrangeCopySheet(const SheetInfo& info);
    // Every embedded chart, for the walks of the sheet's formulas.
    void ForEachChart(const std::function<void(TChart&)>& f) const;

    // A shape's top-level container copied into the patriarch, moved by `rowOffset`.
    TEscherRecord* CopyShape(TEscherRecord* topLevelShape, int rowOffset);
    // Takes a top-level shape out of the patriarch and frees it.
    void RemoveShape(TEscherRecord* topLevelShape);

    int PictureCount() const;
    QString PictureName(int index) const;
    int PictureRow(int index) const;
    QByteArray PictureAnchor(int index) const;
    void GetPicture(int index, QIODevice& stream, TXlsImgTypes& picType) const;
    void AssignPicture(int index, const QByteArray& data, TXlsImgTypes picType);

private:
    TEscherOPTRecord* Picture(int index) const;
};
