#include "XLSAdapter/XLSAdapter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "XLSAdapter/UEscherRecords.h"
#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/UXlsFormula.h"
#include "XLSAdapter/UXlsNotes.h"
#include "XLSAdapter/WOLE2Stream.h"
#include "XLSAdapter/XlsBaseTemplateStore.h"
#include "XLSAdapter/XlsMessages.h"

namespace XlsMessages {
inline constexpr const char* ErrInvalidName = "Name number \"%1\" invalid. Must be between %2 and %3";
inline constexpr const char* ErrInvalidFormat = "Format number \"%1\" invalid. Must be between %2 and %3";
inline constexpr const char* ErrInvalidPalette = "Palette entry \"%1\" invalid. Must be between %2 and %3";
}  // namespace XlsMessages

namespace {

const QString kWorkbookStream = QStringLiteral("Workbook");

// Colour indexes below the palette are the eight fixed colours every workbook has.
constexpr TColor kFixedColors[8] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00,
                                    0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00};
constexpr int kFirstPaletteIndex = 8;
constexpr int kPaletteSize = 56;
// The stored font list has no font 4, so indexes above it are one too high.
constexpr int kMissingFont = 4;

}  // namespace

std::unique_ptr<TExcelFile> TXLSAdapter::CreateWorkbook() { return std::make_unique<TXLSFile>(this); }

TXLSFile::TXLSFile(TXLSAdapter* adapter) : Adapter(adapter) {}

TXLSFile::~TXLSFile() = default;

TWorkbook& TXLSFile::Book() const {
    // Every operation needs a connected workbook; using one before Connect is a caller's fault.
    Q_ASSERT(Workbook);
    return *Workbook;
}

TWorkSheet* TXLSFile::Sheet() const {
    TWorkbook& wb = Book();
    int n = ActiveSheet - 1;
    if (n < 0 || n >= wb.Sheets.Count())
        XlsError(XlsMessages::ErrInvalidSheetNo, ActiveSheet, 1, wb.Sheets.Count());
    return wb.IsWorksheet(n) ? &wb.WorkSheets(n) : nullptr;
}

TNameRecord* TXLSFile::Name(int index) const {
    TNameRecordList& names = Book().Globals.Names;
    if (index < 1 || index > names.Count()) XlsError(XlsMessages::ErrInvalidName, index, 1, names.Count());
    return names.Name(index - 1);
}

// --- cells

QVariant TXLSFile::GetCellValue(int Row, int Col) { return GetRangeCellValue(Row, Col - 1 - RangeFirstCol); }

void TXLSFile::SetCellValue(int Row, int Col, const QVariant& Value) {
    SetRangeCellValue(Row, Col - 1 - RangeFirstCol, Value);
}

TXlsCellValue TXLSFile::GetCellValueX(int Row, int Col) {
    return GetRangeCellValueX(Row, Col - 1 - RangeFirstCol);
}

void TXLSFile::SetCellValueX(int Row, int Col, const TXlsCellValue& Value) {
    SetRangeCellValueX(Row, Col - 1 - RangeFirstCol, Value);
}

QVariant TXLSFile::GetRangeCellValue(int Row, int Offset) { return GetRangeCellValueX(Row, Offset).Value; }

TXlsCellValue TXLSFile::GetRangeCellValueX(int Row, int Offset) {
    TWorkSheet* ws = Sheet();
    if (!ws) return {};
    return ws->Cells.CellList.GetValue(Row - 1, RangeFirstCol + Offset);
}

void TXLSFile::SetRangeCellValue(int Row, int Offset, const QVariant& Value) {
    SetRangeCellValueX(Row, Offset, TXlsCellValue{Value, -1, false});
}

void TXLSFile::SetRangeCellValueX(int Row, int Offset, const TXlsCellValue& Value) {
    TWorkSheet* ws = Sheet();
    if (!ws) return;
    ws->Cells.CellList.SetValue(Row - 1, RangeFirstCol + Offset, Value);
}

int TXLSFile::GetRangeColCount(int Row) {
    TWorkSheet* ws = Sheet();
    if (!ws || Row < 1 || Row > ws->Cells.RowList.Count()) return 0;
    return RangeLastCol - RangeFirstCol + 1;
}

// --- comments and pictures

TNoteRecordList* TXLSFile::NotesOfRow(TWorkSheet& ws, int Row) const {
    int row = Row - 1;
    if (row < 0 || row >= ws.Notes.Count()) return nullptr;
    return &ws.Notes.Row(row);
}

int TXLSFile::GetCommentsCount(int Row) {
    TWorkSheet* ws = Sheet();
    TNoteRecordList* notes = ws ? NotesOfRow(*ws, Row) : nullptr;
    return notes ? notes->Count() : 0;
}

QString TXLSFile::GetCommentText(int Row, int Index) {
    TWorkSheet* ws = Sheet();
    TNoteRecordList* notes = ws ? NotesOfRow(*ws, Row) : nullptr;
    if (!notes || Index < 0 || Index >= notes->Count()) return {};
    return notes->Note(Index)->GetText();
}

void TXLSFile::SetCommentText(int Row, int Index, const QString& Text) {
    TWorkSheet* ws = Sheet();
    TNoteRecordList* notes = ws ? NotesOfRow(*ws, Row) : nullptr;
    if (!notes || Index < 0 || Index >= notes->Count()) return;
    if (Text.isEmpty())
        ws->Notes.DeleteNote(Row - 1, Index);
    else
        notes->Note(Index)->SetText(Text);
}

int TXLSFile::PictureIndex(int Row, int Index) const {
    if (Row <= 0) return Index;
    // Until the index is built every row has no pictures.
    if (!PictureRows) XlsError(XlsMessages::ErrIndexOutOfRangeAssert);
    const TCommentRowPos& pos = PictureRows->ForRow(Row);
    if (Index < 0 || Index >= pos.Count()) XlsError(XlsMessages::ErrIndexOutOfRangeAssert);
    return pos.Items(Index);
}

int TXLSFile::GetPicturesCount(int Row) {
    TWorkSheet* ws = Sheet();
    if (!ws) return 0;
    if (Row > 0) return PictureRows ? PictureRows->ForRow(Row).Count() : 0;
    return ws->Drawing.PictureCount();
}

QString TXLSFile::GetPictureName(int Row, int Index) {
    TWorkSheet* ws = Sheet();
    return ws ? ws->Drawing.PictureName(PictureIndex(Row, Index)) : QString();
}

void TXLSFile::AssignPicture(int Row, int Index, const QByteArray& Data, TXlsImgTypes PicType) {
    if (TWorkSheet* ws = Sheet()) ws->Drawing.AssignPicture(PictureIndex(Row, Index), Data, PicType);
}

void TXLSFile::GetPicture(int Row, int Index, QIODevice& DataStream, TXlsImgTypes& PicType,
                          TClientAnchor& Anchor) {
    TWorkSheet* ws = Sheet();
    if (!ws) return;
    int i = PictureIndex(Row, Index);
    ws->Drawing.GetPicture(i, DataStream, PicType);
    QByteArray a = ws->Drawing.PictureAnchor(i);
    auto word = [&](int k) { return GetWord(a, 2 * k); };
    Anchor = {word(0), quint16(word(1) + 1), word(2), quint16(word(3) + 1), word(4), quint16(word(5) + 1),
              word(6), quint16(word(7) + 1), word(8)};
}

void TXLSFile::BuildPicturesRowIndex() {
    PictureRows = std::make_unique<TRowComments>();
    TWorkSheet* ws = Sheet();
    if (!ws) return;
    for (int i = 0; i < ws->Drawing.PictureCount(); ++i) PictureRows->Add(ws->Drawing.PictureRow(i) + 1, i);
}

// --- defined names

int TXLSFile::GetRangeCount() { return Book().Globals.Names.Count(); }
QString TXLSFile::GetRangeName(int Index) { return Name(Index)->Name(); }
int TXLSFile::GetRangeR1(int Index) { return Name(Index)->AreaFirstRow() + 1; }
int TXLSFile::GetRangeR2(int Index) { return Name(Index)->AreaLastRow() + 1; }
int TXLSFile::GetRangeC1(int Index) { return Name(Index)->AreaFirstCol() + 1; }
int TXLSFile::GetRangeC2(int Index) { return Name(Index)->AreaLastCol() + 1; }
int TXLSFile::GetRangeSheet(int Index) { return Name(Index)->AreaSheet(Book().Globals.References) + 1; }

void TXLSFile::SetCurrentRange(int NameIndex) {
    TNameRecord* name = Name(NameIndex);
    RangeFirstCol = name->AreaFirstCol();
    RangeLastCol = name->AreaLastCol();
}

// --- sheets

QString TXLSFile::GetActiveSheetName() {
    Sheet();
    return Book().Globals.SheetName(ActiveSheet - 1);
}

void TXLSFile::SetActiveSheetName(const QString& Name) {
    Sheet();
    Book().Globals.SetSheetName(ActiveSheet - 1, Name);
}

void TXLSFile::InsertAndCopySheets(int CopyFrom, int InsertBefore, int Count) {
    Book().InsertSheets(CopyFrom - 1, InsertBefore - 1, Count % 256);
}

int TXLSFile::SheetCount() { return Book().Globals.SheetCount(); }

void TXLSFile::SelectSheet(int Sheet) {
    TWorkbook& wb = Book();
    if (Sheet < 1 || Sheet > wb.Sheets.Count())
        XlsError(XlsMessages::ErrInvalidSheetNo, Sheet, 1, wb.Sheets.Count());
    // Only one tab may come out selected: two would open grouped, and what the user typed into
    // one would go into both. Sheets copied before the active one leave the workbook's record of
    // which tab was active behind, so every other tab is cleared, not only that one.
    for (int i = 0; i < wb.Sheets.Count(); ++i)
        if (i != Sheet - 1) wb.Sheets[i].SetSelected(false);
    wb.SetActiveSheet(Sheet - 1);
}

bool TXLSFile::IsWorksheet(int Sheet) {
    TWorkbook& wb = Book();
    if (Sheet < 1 || Sheet > wb.Sheets.Count())
        XlsError(XlsMessages::ErrInvalidSheetNo, Sheet, 1, wb.Sheets.Count());
    return wb.IsWorksheet(Sheet - 1);
}

bool TXLSFile::GetShowGridLines() {
    TWorkSheet* ws = Sheet();
    return !ws || ws->ShowGridLines();
}

void TXLSFile::SetShowGridLines(bool Value) {
    if (TWorkSheet* ws = Sheet()) ws->SetShowGridLines(Value);
}

// --- rows and columns

int TXLSFile::GetColumnWidth(int Col) {
    TWorkSheet* ws = Sheet();
    return ws ? ws->ColWidth(Col - 1) : 0;
}

int TXLSFile::GetRowHeight(int Row) {
    TWorkSheet* ws = Sheet();
    return ws ? ws->RowHeight(Row - 1) : 0;
}

void TXLSFile::SetColumnWidth(int Col, int Width) {
    if (TWorkSheet* ws = Sheet()) ws->SetColWidth(Col - 1, Width);
}

void TXLSFile::SetRowHeight(int Row, int Height) {
    if (TWorkSheet* ws = Sheet()) ws->SetRowHeight(Row - 1, Height);
}

int TXLSFile::GetDefaultColWidth() {
    TWorkSheet* ws = Sheet();
    return ws ? ws->DefColWidth : 10;
}

int TXLSFile::GetDefaultRowHeight() {
    TWorkSheet* ws = Sheet();
    return ws ? ws->DefRowHeight : TWorkSheet::kDefaultRowHeight;
}

bool TXLSFile::GetAutoRowHeight(int Row) {
    TWorkSheet* ws = Sheet();
    return !ws || ws->RowHeightAutomatic(Row - 1);
}

void TXLSFile::SetAutoRowHeight(int Row, bool Value) {
    if (TWorkSheet* ws = Sheet()) ws->SetRowHeightAutomatic(Row - 1, Value);
}

int TXLSFile::GetColumnFormat(int Col) {
    TWorkSheet* ws = Sheet();
    return ws ? ws->ColXF(Col - 1) : 0;
}

int TXLSFile::GetRowFormat(int Row) {
    TWorkSheet* ws = Sheet();
    return ws ? ws->RowXF(Row - 1) : 0;
}

void TXLSFile::SetColumnFormat(int Col, int XF) {
    if (TWorkSheet* ws = Sheet()) ws->SetColXF(Col - 1, XF);
}

void TXLSFile::SetRowFormat(int Row, int XF) {
    if (TWorkSheet* ws = Sheet()) ws->SetRowXF(Row - 1, XF);
}

void TXLSFile::GetCellMergedBounds(int Row, int Col, TXlsCellRange& Range) {
    TWorkSheet* ws = Sheet();
    if (!ws) return;
    int c1, r1, c2, r2;
    ws->MergedCellBounds(Row - 1, Col - 1, c1, r1, c2, r2);
    Range = {c1 + 1, r1 + 1, c2 + 1, r2 + 1};
}

void TXLSFile::InsertAndCopyRows(int FirstRow, int LastRow, int DestRow, int Count, bool OnlyFormulas) {
    if (!Sheet()) return;
    Book().InsertAndCopyRows(ActiveSheet - 1, FirstRow - 1, LastRow - 1, DestRow - 1, Count, OnlyFormulas);
}

void TXLSFile::DeleteRows(int Row, int Count) {
    if (!Sheet()) return;
    Book().DeleteRows(ActiveSheet - 1, Row - 1, Count);
}

int TXLSFile::GetMaxRow() {
    TWorkSheet* ws = Sheet();
    if (!ws) return 0;
    const TRowRecordList& rows = ws->Cells.RowList;
    for (int r = rows.Count() - 1; r >= 0; --r)
        if (rows.HasRow(r)) return r + 1;
    return 0;
}

int TXLSFile::GetMaxCol() {
    TWorkSheet* ws = Sheet();
    if (!ws) return 0;
    const TCellList& cells = ws->Cells.CellList;
    int result = 0;
    for (int r = 0; r < cells.Count(); ++r) result = std::max(result, cells.LastColumn(r) + 1);
    return result;
}

bool TXLSFile::IsEmptyRow(int Row) {
    TWorkSheet* ws = Sheet();
    return !(ws && Row >= 1 && Row <= ws->Cells.CellList.Count() && ws->Cells.RowList.HasRow(Row - 1));
}

namespace {

// The row's cells in column order, or none.
TCellRecordList* SortedRow(TWorkSheet* ws, int row) {
    if (!ws || row < 0 || row >= ws->Cells.CellList.Count()) return nullptr;
    TCellRecordList* list = ws->Cells.CellList.Row(row);
    if (!list) return nullptr;
    int ignored;
    list->Find(0, ignored);
    return list;
}

}  // namespace

int TXLSFile::GetColByIndex(int Row, int N) {
    TCellRecordList* list = SortedRow(Sheet(), Row - 1);
    if (!list || N < 1 || N > list->Count()) return 0;
    return list->Column(N - 1) + 1;
}

int TXLSFile::GetColCount(int Row) {
    TCellRecordList* list = SortedRow(Sheet(), Row - 1);
    return list ? list->Count() : 0;
}

int TXLSFile::GetColIndex(int Row, int Col) {
    TWorkSheet* ws = Sheet();
    if (!ws) return 0;
    TCellRecordList* list = SortedRow(ws, Row - 1);
    int below = 0;
    if (list)
        while (below < list->Count() && list->Column(below) < Col) ++below;
    return below + 1;
}

// --- markers

template <typename F>
void TXLSFile::ForMarkedRows(const QString& Mark, F&& marked) {
    TWorkSheet* ws = Sheet();
    if (!ws) return;
    for (int r = ws->Cells.CellList.Count() - 1; r >= 0; --r) {
        // Only reading the marker may fail quietly; a row operation that fails would leave a
        // report whose rows no longer match its data, and that must not be saved as a success.
        QVariant value;
        try {
            value = ws->Cells.CellList.GetValue(r, 0).Value;
        } catch (const EExcelException&) {
            continue;
        }
        if (value.isValid() && value.toString() == Mark) marked(r);
    }
}

void TXLSFile::DeleteMarkedRows(const QString& Mark) {
    ForMarkedRows(Mark, [&](int row) { Book().DeleteRows(ActiveSheet - 1, row, 1); });
}

void TXLSFile::MakePageBreaks(const QString& Mark) {
    ForMarkedRows(Mark, [&](int row) {
        TWorkSheet* ws = Sheet();
        bool present = std::any_of(ws->PageBreaks.Breaks.begin(), ws->PageBreaks.Breaks.end(),
                                   [&](const TPageBreak& b) { return b.Row == row; });
        if (!present) Book().AddPageBreak(ActiveSheet - 1, row);
        ws->Cells.CellList.SetValue(row, 0, TXlsCellValue{});
    });
}

// --- formats and palette

TColor TXLSFile::GetColorPalette(int Index) {
    int colorIndex = (Index & 0x7F) + 7;
    if (colorIndex < kFirstPaletteIndex) return kFixedColors[colorIndex];
    // Indexes past the palette are the system's window colours; text shows black there.
    if (colorIndex >= kFirstPaletteIndex + kPaletteSize) return 0;
    return Book().Globals.PaletteColor(colorIndex - kFirstPaletteIndex);
}

void TXLSFile::SetColorPalette(int Index, TColor Color) {
    int position = (Index & 0x7F) - 1;
    if (position < 0 || position >= kPaletteSize)
        XlsError(XlsMessages::ErrInvalidPalette, Index & 0x7F, 1, kPaletteSize);
    Book().Globals.SetPaletteColor(position, Color);
}

TXlsCellFormatInfo TXLSFile::GetFormat(int XF) {
    TWorkbookGlobals& g = Book().Globals;
    if (XF < 0 || XF >= g.XFs.Count()) XlsError(XlsMessages::ErrInvalidFormat, XF, 0, g.XFs.Count() - 1);
    const TXFRecord& xf = *g.XFs.XF(XF);
    TXlsCellFormatInfo info;

    int fontIndex = xf.FontIndex();
    if (fontIndex > kMissingFont) --fontIndex;
    if (fontIndex < 0 || fontIndex >= g.Fonts.Count()) fontIndex = 0;
    if (g.Fonts.Count() > 0) {
        const TFontRecord& font = *g.Fonts.Font(fontIndex);
        info.FontName = font.Name();
        info.FontSize20 = font.Height();
        info.FontColorIndex = GetWord(font.Data, 4) - 7;
        info.FontStyle = font.Style();
        info.FontUnderline = TXlsFontUnderline(int(font.Underline()));
    }

    const QByteArray& d = xf.Data;
    info.LeftStyle = xf.BorderLeft();
    info.RightStyle = xf.BorderRight();
    info.TopStyle = xf.BorderTop();
    info.BottomStyle = xf.BorderBottom();
    info.LeftColorIndex = xf.BorderLeftColor();
    info.RightColorIndex = xf.BorderRightColor();
    info.TopColorIndex = xf.BorderTopColor();
    info.BottomColorIndex = xf.BorderBottomColor();
    info.DiagonalStyle = xf.BorderDiagonal();
    info.DiagonalColorIndex = xf.BorderDiagonalColor();
    info.DiagonalKind = xf.DiagonalKind();
    info.NumberFormat = g.FormatString(xf.FormatIndex());
    info.FillPattern = xf.FillPattern() + 1;
    info.FillFgColorIndex = (GetWord(d, 18) & 0x7F) - 7;
    info.FillBgColorIndex = ((GetWord(d, 18) >> 7) & 0x7F) - 7;
    info.HAlign = xf.HAlignment();
    info.VAlign = xf.VAlignment();
    info.Locked = xf.Locked();
    info.Hidden = xf.Hidden();
    info.ParentXF = xf.Parent();
    info.WrapText = xf.WrapText();
    info.ShrinkToFit = xf.ShrinkToFit();
    info.Indent = xf.Indent();
    return info;
}

int TXLSFile::GetFormatCount() { return Book().Globals.XFs.Count(); }

// --- life cycle

void TXLSFile::Connect() { Workbook = std::make_unique<TWorkbook>(); }

void TXLSFile::Disconnect() { Workbook.reset(); }

void TXLSFile::OpenFile(const QString& FileName) {
    TemplateStreams = nullptr;
    OwnTemplateStreams.reset();
    if (Adapter && Adapter->TemplateStore) {
        TemplateStreams = Adapter->TemplateStore->GetStorages(FileName);
    } else {
        QString path = FindWorkbookOnPath(FileName);
        OwnTemplateStreams = std::make_unique<TXlsStorageList>();
        OwnTemplateStreams->LoadFromFile(path);
        TemplateStreams = OwnTemplateStreams.get();
    }
    Book().LoadFromData(TemplateStreams->FindStream(kWorkbookStream));
    ActiveSheet = Book().ActiveSheet() + 1;
    PictureRows.reset();
}

void TXLSFile::WriteStorage(TOle2Storage& storage) {
    for (int i = 0; i < TemplateStreams->Count(); ++i) {
        const TXlsStorage& entry = (*TemplateStreams)[i];
        if (entry.Name != kWorkbookStream) entry.SaveToStorage(storage);
    }
    {
        TOle2Stream stream(storage, kWorkbookStream);
        Book().SaveToStream(stream);
    }
    storage.Commit();
}

void TXLSFile::SaveToFile(const QString& fileName) {
    if (QFileInfo::exists(fileName)) XlsError(XlsMessages::ErrFileIsOpen, fileName);
    // The workbook goes to a temporary file beside the target and takes the target's name only
    // when it is whole: a save that fails half-way leaves no half-written report to be opened.
    QFileInfo target(fileName);
    QTemporaryFile temp(target.absolutePath() + "/~" + target.completeBaseName() + "XXXXXX.tmp");
    if (!temp.open()) XlsError(XlsMessages::ErrFileIsOpen, fileName);
    {
        TOle2Storage storage(fileName, &temp, TOle2Storage::Create);
        WriteStorage(storage);
    }
    if (!temp.flush()) XlsError(XlsMessages::ErrCantWrite);
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    // Renaming refuses an existing target, so a file made meanwhile by someone else stays theirs.
    if (!temp.rename(fileName)) XlsError(XlsMessages::ErrFileIsOpen, fileName);
    temp.setAutoRemove(false);
}

void TXLSFile::Save(bool, const QString& FileName, const TOnGetFileNameEvent& OnGetFilename,
                    const TOnGetOutStreamEvent& OnGetOutStream, QIODevice* DataStream) {
    QString name = FileName;
    QIODevice* out = DataStream;
    if (!out && OnGetOutStream) OnGetOutStream(this, 0, out);
    if (out) {
        TOle2Storage storage(name, out, TOle2Storage::Create);
        WriteStorage(storage);
        return;
    }
    if (OnGetFilename) OnGetFilename(this, 0, name);
    SaveToFile(name);
}
