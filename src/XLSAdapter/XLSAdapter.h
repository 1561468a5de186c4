#pragma once

// The Excel 97-2003 workbook behind the abstract workbook: every operation of TExcelFile done on
// the in-memory model. It always starts from an existing file and only ever writes a new one; it
// never overwrites a file, and a save that fails leaves no file behind.

#include <memory>

#include "XLSAdapter/UExcelAdapter.h"
#include "XLSAdapter/UFlxRowComments.h"

class TWorkbook;
class TWorkSheet;
class TXlsBaseTemplateStore;
class TXlsStorageList;
class TXLSFile;

class TXLSAdapter : public TExcelAdapter {
    Q_OBJECT
public:
    using TExcelAdapter::TExcelAdapter;
    // When set, templates come from here instead of from disk.
    TXlsBaseTemplateStore* TemplateStore = nullptr;
    std::unique_ptr<TExcelFile> CreateWorkbook() override;
};

class TXLSFile : public TExcelFile {
public:
    explicit TXLSFile(TXLSAdapter* adapter);
    ~TXLSFile() override;

    QVariant GetCellValue(int Row, int Col) override;
    void SetCellValue(int Row, int Col, const QVariant& Value) override;
    TXlsCellValue GetCellValueX(int Row, int Col) override;
    void SetCellValueX(int Row, int Col, const TXlsCellValue& Value) override;
    int GetCommentsCount(int Row) override;
    QString GetCommentText(int Row, int Index) override;
    QString GetPictureName(int Row, int Index) override;
    int GetPicturesCount(int Row) override;
    int GetRangeCount() override;
    QString GetRangeName(int Index) override;
    int GetRangeR1(int Index) override;
    int GetRangeR2(int Index) override;
    int GetRangeC1(int Index) override;
    int GetRangeC2(int Index) override;
    int GetRangeSheet(int Index) override;
    int GetActiveSheet() override { return ActiveSheet; }
    void SetActiveSheet(int Sheet) override { ActiveSheet = Sheet; }
    QString GetActiveSheetName() override;
    void SetActiveSheetName(const QString& Name) override;
    int GetColumnWidth(int Col) override;
    int GetRowHeight(int Row) override;
    void SetColumnWidth(int Col, int Width) override;
    void SetRowHeight(int Row, int Height) override;
    int GetDefaultColWidth() override;
    int GetDefaultRowHeight() override;
    bool GetAutoRowHeight(int Row) override;
    void SetAutoRowHeight(int Row, bool Value) override;
    int GetColumnFormat(int Col) override;
    int GetRowFormat(int Row) override;
    void SetColumnFormat(int Col, int XF) override;
    void SetRowFormat(int Row, int XF) override;
    TColor GetColorPalette(int Index) override;
    void SetColorPalette(int Index, TColor Color) override;
    TXlsCellFormatInfo GetFormat(int XF) override;
    bool GetShowGridLines() override;
    void SetShowGridLines(bool Value) override;
    void GetCellMergedBounds(int Row, int Col, TXlsCellRange& Range) override;
    void Connect() override;
    void Disconnect() override;
    void OpenFile(const QString& FileName) override;
    void CloseFile() override {}
    void InsertAndCopySheets(int CopyFrom, int InsertBefore, int Count) override;
    int SheetCount() override;
    void SelectSheet(int Sheet) override;
    void DeleteMarkedRows(const QString& Mark) override;
    void MakePageBreaks(const QString& Mark) override;
    void PostProcessSheet() override {}
    void PostProcessFields(const QString&) override {}
    void Save(bool AutoClose, const QString& FileName, const TOnGetFileNameEvent& OnGetFilename,
              const TOnGetOutStreamEvent& OnGetOutStream, QIODevice* DataStream) override;
    void InsertAndCopyRows(int FirstRow, int LastRow, int DestRow, int Count, bool OnlyFormulas) override;
    void DeleteRows(int Row, int Count) override;
    void BuildPicturesRowIndex() override;
    void FinishFill(int) override {}
    bool CopyFormulasOnly() override { return true; }
    void AssignPicture(int Row, int Index, const QByteArray& Data, TXlsImgTypes PicType) override;
    void GetPicture(int Row, int Index, QIODevice& DataStream, TXlsImgTypes& PicType,
                    TClientAnchor& Anchor) override;
    void SetCommentText(int Row, int Index, const QString& Text) override;
    int GetRangeColCount(int Row) override;
    QVariant GetRangeCellValue(int Row, int Offset) override;
    TXlsCellValue GetRangeCellValueX(int Row, int Offset) override;
    void SetRangeCellValue(int Row, int Offset, const QVariant& Value) override;
    void SetRangeCellValueX(int Row, int Offset, const TXlsCellValue& Value) override;
    int GetMaxRow() override;
    int GetMaxCol() override;
    bool IsEmptyRow(int Row) override;
    int GetColByIndex(int Row, int N) override;
    int GetColCount(int Row) override;
    int GetColIndex(int Row, int Col) override;
    void SetCurrentRange(int NameIndex) override;
    int GetRangeFirstCol() override { return RangeFirstCol + 1; }
    void BeginFullDataSet(int, int, int, int) override {}
    void SetFullDataSetCell(int Row, int Offset, const QVariant& Value) override {
        SetRangeCellValue(Row, Offset, Value);
    }
    void EndFullDataSet() override {}
    bool IsWorksheet(int Sheet) override;
    int GetFormatCount() override;

    TXLSAdapter* Adapter;
    int ActiveSheet = 0;
    std::unique_ptr<TWorkbook> Workbook;
    TXlsStorageList* TemplateStreams = nullptr;
    std::unique_ptr<TXlsStorageList> OwnTemplateStreams;
    int RangeFirstCol = 0;
    int RangeLastCol = 0;
    std::unique_ptr<TRowComments> PictureRows;

private:
    TWorkbook& Book() const;
    // The active sheet when it is a worksheet; none for a chart sheet.
    TWorkSheet* Sheet() const;
    class TNameRecord* Name(int index) const;
    // Walks column A from the last row up and calls `marked` for each row whose text is Mark.
    template <typename F>
    void ForMarkedRows(const QString& Mark, F&& marked);
    void WriteStorage(class TOle2Storage& storage);
    void SaveToFile(const QString& fileName);
    // The sheet-wide index of a picture: the Index-th of a row through the row index for Row > 0,
    // else Index itself.
    int PictureIndex(int Row, int Index) const;
    class TNoteRecordList* NotesOfRow(TWorkSheet& ws, int Row) const;
};
