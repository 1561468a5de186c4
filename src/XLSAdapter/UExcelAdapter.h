#pragma once

// The one face of a workbook that the report engine and the read-only component see. It says
// nothing of the file format: rows, columns and sheets count from 1, and whatever the workbook
// keeps is reached only through these operations.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

#include "XLSAdapter/UXlsEscher.h"
#include "XLSAdapter/UXlsPalette.h"
#include "XLSAdapter/UXlsRowColEntries.h"

class QIODevice;
class TExcelFile;

namespace XlsMessages {
inline constexpr const char* ErrNoAdapter = "There is no Adapter linked to the report";
inline constexpr const char* ErrFileIsOpen =
    "Can't write to file \"%1\". Check it is not in use by another user";
}  // namespace XlsMessages

// Font style bits of a format, as a set.
enum TXlsFontStyle : int {
    xfsBold = 1,
    xfsItalic = 2,
    xfsStrikeOut = 4,
    xfsSuperscript = 8,
    xfsSubscript = 16,
};

enum class TXlsFontUnderline { None, Single, Double, SingleAccounting, DoubleAccounting };

// A cell format as one record. Colour indexes count from 1 for the first palette entry.
struct TXlsCellFormatInfo {
    QString FontName;
    int FontSize20 = 0;
    int FontColorIndex = 0;
    int FontStyle = 0;  // TXlsFontStyle bits
    TXlsFontUnderline FontUnderline = TXlsFontUnderline::None;
    int LeftStyle = 0, LeftColorIndex = 0;
    int RightStyle = 0, RightColorIndex = 0;
    int TopStyle = 0, TopColorIndex = 0;
    int BottomStyle = 0, BottomColorIndex = 0;
    int DiagonalStyle = 0, DiagonalColorIndex = 0;
    int DiagonalKind = 0;  // 0 none, 1 down, 2 up, 3 both
    QString NumberFormat;
    int FillPattern = 0;
    int FillFgColorIndex = 0;
    int FillBgColorIndex = 0;
    int HAlign = 0;
    int VAlign = 0;
    bool Locked = false;
    bool Hidden = false;
    int ParentXF = 0;
    bool WrapText = false;
    bool ShrinkToFit = false;
    int Indent = 0;
};

// A block of cells, 1-based.
struct TXlsCellRange {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Where a picture sits: its client anchor, with columns and rows made 1-based.
struct TClientAnchor {
    quint16 Flag = 0;
    quint16 Col1 = 0, Dx1 = 0, Row1 = 0, Dy1 = 0;
    quint16 Col2 = 0, Dx2 = 0, Row2 = 0, Dy2 = 0;
};

// Sender is the workbook being saved; the handler may change the name or supply a stream.
using TOnGetFileNameEvent = std::function<void(TExcelFile* Sender, int FileFormat, QString& Filename)>;
using TOnGetOutStreamEvent = std::function<void(TExcelFile* Sender, int FileFormat, QIODevice*& OutStream)>;

// A workbook opened from a template and saved as a new file. Operations marked "sheet" in the
// adapter work on the active sheet; a chart sheet answers them with a neutral value.
class TExcelFile {
public:
    virtual ~TExcelFile() = default;

    virtual QVariant GetCellValue(int Row, int Col) = 0;
    virtual void SetCellValue(int Row, int Col, const QVariant& Value) = 0;
    virtual TXlsCellValue GetCellValueX(int Row, int Col) = 0;
    virtual void SetCellValueX(int Row, int Col, const TXlsCellValue& Value) = 0;
    virtual int GetCommentsCount(int Row) = 0;
    virtual QString GetCommentText(int Row, int Index) = 0;
    virtual QString GetPictureName(int Row, int Index) = 0;
    virtual int GetPicturesCount(int Row) = 0;
    virtual int GetRangeCount() = 0;
    virtual QString GetRangeName(int Index) = 0;
    virtual int GetRangeR1(int Index) = 0;
    virtual int GetRangeR2(int Index) = 0;
    virtual int GetRangeC1(int Index) = 0;
    virtual int GetRangeC2(int Index) = 0;
    virtual int GetRangeSheet(int Index) = 0;
    virtual int GetActiveSheet() = 0;
    virtual void SetActiveSheet(int Sheet) = 0;
    virtual QString GetActiveSheetName() = 0;
    virtual void SetActiveSheetName(const QString& Name) = 0;
    virtual int GetColumnWidth(int Col) = 0;
    virtual int GetRowHeight(int Row) = 0;
    virtual void SetColumnWidth(int Col, int Width) = 0;
    virtual void SetRowHeight(int Row, int Height) = 0;
    virtual int GetDefaultColWidth() = 0;
    virtual int GetDefaultRowHeight() = 0;
    virtual bool GetAutoRowHeight(int Row) = 0;
    virtual void SetAutoRowHeight(int Row, bool Value) = 0;
    virtual int GetColumnFormat(int Col) = 0;
    virtual int GetRowFormat(int Row) = 0;
    virtual void SetColumnFormat(int Col, int XF) = 0;
    virtual void SetRowFormat(int Row, int XF) = 0;
    virtual TColor GetColorPalette(int Index) = 0;
    virtual void SetColorPalette(int Index, TColor Color) = 0;
    virtual TXlsCellFormatInfo GetFormat(int XF) = 0;
    virtual bool GetShowGridLines() = 0;
    virtual void SetShowGridLines(bool Value) = 0;
    virtual void GetCellMergedBounds(int Row, int Col, TXlsCellRange& Range) = 0;
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    virtual void OpenFile(const QString& FileName) = 0;
    virtual void CloseFile() = 0;
    virtual void InsertAndCopySheets(int CopyFrom, int InsertBefore, int Count) = 0;
    virtual int SheetCount() = 0;
    virtual void SelectSheet(int Sheet) = 0;
    virtual void DeleteMarkedRows(const QString& Mark) = 0;
    virtual void MakePageBreaks(const QString& Mark) = 0;
    virtual void PostProcessSheet() = 0;
    virtual void PostProcessFields(const QString& Prefix) = 0;
    virtual void Save(bool AutoClose, const QString& FileName, const TOnGetFileNameEvent& OnGetFilename,
                      const TOnGetOutStreamEvent& OnGetOutStream, QIODevice* DataStream) = 0;
    virtual void InsertAndCopyRows(int FirstRow, int LastRow, int DestRow, int Count, bool OnlyFormulas) = 0;
    virtual void DeleteRows(int Row, int Count) = 0;
    virtual void BuildPicturesRowIndex() = 0;
    virtual void FinishFill(int LastRow) = 0;
    virtual bool CopyFormulasOnly() = 0;
    virtual void AssignPicture(int Row, int Index, const QByteArray& Data, TXlsImgTypes PicType) = 0;
    virtual void GetPicture(int Row, int Index, QIODevice& DataStream, TXlsImgTypes& PicType,
                            TClientAnchor& Anchor) = 0;
    virtual void SetCommentText(int Row, int Index, const QString& Text) = 0;
    virtual int GetRangeColCount(int Row) = 0;
    virtual QVariant GetRangeCellValue(int Row, int Offset) = 0;
    virtual TXlsCellValue GetRangeCellValueX(int Row, int Offset) = 0;
    virtual void SetRangeCellValue(int Row, int Offset, const QVariant& Value) = 0;
    virtual void SetRangeCellValueX(int Row, int Offset, const TXlsCellValue& Value) = 0;
    virtual int GetMaxRow() = 0;
    virtual int GetMaxCol() = 0;
    virtual bool IsEmptyRow(int Row) = 0;
    virtual int GetColByIndex(int Row, int N) = 0;
    virtual int GetColCount(int Row) = 0;
    virtual int GetColIndex(int Row, int Col) = 0;
    virtual void SetCurrentRange(int NameIndex) = 0;
    virtual int GetRangeFirstCol() = 0;
    virtual void BeginFullDataSet(int FirstRow, int FirstOffset, int LastRow, int LastOffset) = 0;
    virtual void SetFullDataSetCell(int Row, int Offset, const QVariant& Value) = 0;
    virtual void EndFullDataSet() = 0;
    virtual bool IsWorksheet(int Sheet) = 0;
    virtual int GetFormatCount() = 0;
};

// Makes the workbook objects of one kind. Components that use a workbook are linked to one; the
// link clears itself when the adapter goes away.
class TExcelAdapter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // A new workbook, the caller's to own; it is not yet connected.
    virtual std::unique_ptr<TExcelFile> CreateWorkbook() = 0;
};
