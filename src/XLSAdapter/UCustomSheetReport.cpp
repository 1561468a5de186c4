#include "XLSAdapter/UCustomSheetReport.h"

#include <QDateTime>
#include <QStringList>
#include <algorithm>

#include "XLSAdapter/UXlsTDataSet.h"
#include "XLSAdapter/XlsMessages.h"
#include "platform/text/OleDate.h"

namespace {

const QString kBandPrefix = QStringLiteral("__");
const QString kFieldMark = QStringLiteral("##");
const QString kValueMark = QStringLiteral("#.");
const QString kAllFields = QStringLiteral("*");
// The main band is searched for among all rows a sheet can have.
constexpr int kLastRow = 65535;
constexpr int kMaxSheetName = 31;

bool IsEmptyValue(const QVariant& v) {
    return !v.isValid() || v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

QString WithoutCarriageReturns(const QVariant& v) { return v.toString().remove(QChar('\r')); }

// The dataset name of a field reference: from after the first "##" to the next one.
QString DataSetNameOf(const QString& text) {
    int end = text.indexOf(kFieldMark, kFieldMark.size());
    return end < 0 ? QString() : text.mid(kFieldMark.size(), end - kFieldMark.size());
}

}  // namespace

struct TCustomSheetReport::TRun {
    TExcelFile* Workbook = nullptr;
    std::vector<IXlsDataSetPtr> Opened;
    TFullDataSetList Fulls;
    TBandValueList Cache;
    bool Cached = false;

    // Datasets this run opened are closed again, in the order they were opened; those that were
    // open before stay open.
    void CloseOpened() {
        std::vector<IXlsDataSetPtr> opened;
        opened.swap(Opened);
        for (auto& ds : opened) ds->Close();
    }
};

TCustomSheetReport::TCustomSheetReport(QObject* Owner) : QObject(Owner) {}

TCustomSheetReport::~TCustomSheetReport() = default;

void TCustomSheetReport::Run(QIODevice* OutStream) {
    if (!Adapter) XlsError(XlsMessages::ErrNoAdapter);
    std::unique_ptr<TExcelFile> workbook = Adapter->CreateWorkbook();
    TRun run;
    run.Workbook = workbook.get();
    run_ = &run;
    struct TCleanup {
        TCustomSheetReport* Report;
        TRun& Run;
        TExcelFile& Workbook;
        ~TCleanup() {
            Report->run_ = nullptr;
            try {
                Run.CloseOpened();
            } catch (...) {
            }
            try {
                Workbook.Disconnect();
            } catch (...) {
            }
        }
    } cleanup{this, run, *workbook};

    TExcelFile& wb = *workbook;
    wb.Connect();
    wb.OpenFile(Template);
    try {
        IXlsDataSetPtr pages = GetPagesDataSet();
        if (pages) UseDataSet(pages);
        if (OnBeforeGenerateWorkbook) OnBeforeGenerateWorkbook(this, &wb);
        int firstPageSheet = 0;
        if (pages) {
            firstPageSheet = wb.GetActiveSheet();
            MakePageSheets(firstPageSheet, pages);
        }
        int count = wb.SheetCount();
        for (int i = 1; i <= count; ++i) {
            if (OnBeforeGeneratePage) OnBeforeGeneratePage(this, &wb);
            if (!wb.IsWorksheet(i)) continue;
            wb.SetActiveSheet(i);
            run.Fulls.clear();
            if (FillSheet()) {
                FillFullDataSets();
                wb.DeleteMarkedRows(QString::fromLatin1(kDeleteRowMark));
                wb.MakePageBreaks(QString::fromLatin1(kPageBreakMark));
            }
            wb.PostProcessSheet();
            wb.PostProcessFields(kFieldMark);
            if (OnAfterGeneratePage) OnAfterGeneratePage(this, &wb);
            if (pages && i >= firstPageSheet && !pages->Eof()) {
                if (!PagesDataField.isEmpty()) NamePageSheet(pages);
                pages->Next();
            }
            run.Fulls.clear();
        }
        run.CloseOpened();
        wb.SelectSheet(1);
        if (OnAfterGenerateWorkbook) OnAfterGenerateWorkbook(this, &wb);
        wb.Save(AutoClose, FileName, OnGetFilename, OnGetOutStream, OutStream);
    } catch (...) {
        try {
            wb.CloseFile();
        } catch (...) {
        }
        throw;
    }
    if (AutoClose) {
        try {
            wb.CloseFile();
        } catch (...) {
        }
    }
}

// --- datasets

void TCustomSheetReport::UseDataSet(const IXlsDataSetPtr& ds) {
    if (!ds || ds->GetActive()) return;
    ds->Open();
    run_->Opened.push_back(ds);
}

IXlsDataSetPtr TCustomSheetReport::NeedDataSet(const QString& name) {
    IXlsDataSetPtr ds = GetDataSet(name);
    if (!ds) XlsError(XlsMessages::ErrCantFindDataSet, name);
    return ds;
}

int TCustomSheetReport::BandRecordCount(TExcelBand& band) {
    // A band whose name lists no dataset at all is shown once, like one whose dataset is missing;
    // counting it as empty would delete rows that the fill pass still writes into.
    if (band.DataSets.empty()) return 1;
    int result = 0;
    for (auto& ds : band.DataSets) {
        int n = 1;
        if (ds) {
            UseDataSet(ds);
            n = ds->RecordCount();
        }
        result = std::max(result, n);
    }
    return result;
}

bool TCustomSheetReport::AllNone(const TExcelBand& band) {
    return std::all_of(band.DataSets.begin(), band.DataSets.end(),
                       [](const IXlsDataSetPtr& ds) { return !ds; });
}

bool TCustomSheetReport::AllEof(const TExcelBand& band) {
    return std::all_of(band.DataSets.begin(), band.DataSets.end(),
                       [](const IXlsDataSetPtr& ds) { return !ds || ds->Eof(); });
}

void TCustomSheetReport::NextRecord(TExcelBand& band) {
    for (auto& ds : band.DataSets)
        if (ds && !ds->Eof()) ds->Next();
}

// --- bands

bool TCustomSheetReport::IsBandName(int index, QString& rest) {
    TExcelFile& wb = *run_->Workbook;
    QString name = wb.GetRangeName(index);
    name = name.mid(name.indexOf('!') + 1);
    if (!name.startsWith(kBandPrefix)) return false;
    if (wb.GetRangeSheet(index) != wb.GetActiveSheet()) return false;
    rest = name.mid(kBandPrefix.size());
    return true;
}

std::unique_ptr<TExcelBand> TCustomSheetReport::FindBand(int Top, int Bottom) {
    TExcelFile& wb = *run_->Workbook;
    int count = wb.GetRangeCount();
    int bestTop = Bottom, found = 0;
    QString rest;
    for (int i = 1; i <= count; ++i) {
        if (!IsBandName(i, rest)) continue;
        int r1 = wb.GetRangeR1(i), r2 = wb.GetRangeR2(i);
        if (r1 >= Top && r1 <= bestTop && r2 <= Bottom && !(r1 == Top && r2 == Bottom)) {
            bestTop = r1;
            found = i;
        }
    }
    if (!found) return nullptr;
    int bestBottom = bestTop;
    for (int i = 1; i <= count; ++i) {
        if (!IsBandName(i, rest)) continue;
        int r1 = wb.GetRangeR1(i), r2 = wb.GetRangeR2(i);
        if (r1 == bestTop && r2 >= bestBottom && r2 <= Bottom && !(r1 == Top && r2 == Bottom)) {
            bestBottom = r2;
            found = i;
        }
    }

    auto band = std::make_unique<TExcelBand>();
    band->Top = bestTop;
    band->Bottom = bestBottom;
    band->NameIndex = found;
    IsBandName(found, rest);
    // "A__B__" names A and B; a last piece that no "__" closes is not a dataset name.
    QStringList pieces = rest.split(kBandPrefix);
    pieces.removeLast();
    for (const QString& piece : pieces) band->DataSets.push_back(GetDataSet(piece));
    FindBands(*band);
    return band;
}

void TCustomSheetReport::FindBands(TExcelBand& parent) {
    int a = parent.Top;
    while (auto child = FindBand(a, parent.Bottom)) {
        a = child->Bottom + 1;
        parent.Children.push_back(std::move(child));
    }
}

void TCustomSheetReport::InsertRows(TExcelBand& band, int& Offset) {
    TExcelFile& wb = *run_->Workbook;
    int n = BandRecordCount(band);
    int childHeights = 0;
    for (auto& c : band.Children) childHeights += c->Height();
    int own = band.Height() - childHeights;

    if (n >= 2)
        wb.InsertAndCopyRows(Offset + band.Top, Offset + band.Bottom, Offset + band.Bottom + 1, n - 1,
                             wb.CopyFormulasOnly());
    else if (n <= 0)
        wb.DeleteRows(Offset + band.Top, band.Height());

    if (band.Children.empty()) {
        Offset += n * band.Height();
    } else {
        while (AllNone(band) || !AllEof(band)) {
            for (auto& c : band.Children) {
                InsertRows(*c, Offset);
                Offset -= c->Height();
            }
            Offset += childHeights + own;
            if (AllNone(band)) break;
            NextRecord(band);
        }
    }
    for (auto& ds : band.DataSets)
        if (ds) ds->First();
}

void TCustomSheetReport::FillBand(TExcelBand& band, int& Row, int MainTop) {
    while (AllNone(band) || !AllEof(band)) {
        int i = band.Top;
        while (i <= band.Bottom) {
            auto child = std::find_if(band.Children.begin(), band.Children.end(),
                                      [&](const std::unique_ptr<TExcelBand>& c) { return c->Top == i; });
            if (child != band.Children.end()) {
                FillBand(**child, Row, MainTop);
                i = (*child)->Bottom + 1;
                continue;
            }
            FillRow(i - MainTop, Row);
            FillComments(Row);
            FillPictures(Row);
            ++Row;
            ++i;
        }
        if (AllNone(band)) break;
        NextRecord(band);
    }
}

// --- sheets

bool TCustomSheetReport::FillSheet() {
    TRun& run = *run_;
    TExcelFile& wb = *run.Workbook;
    run.Cache.clear();
    run.Cached = false;
    std::unique_ptr<TExcelBand> main = FindBand(1, kLastRow);
    if (!main) return false;

    wb.SetCurrentRange(main->NameIndex);
    if (wb.CopyFormulasOnly()) {
        int columns = wb.GetRangeC2(main->NameIndex) - wb.GetRangeC1(main->NameIndex) + 1;
        for (int r = main->Top; r <= main->Bottom; ++r) {
            TBandValue row;
            for (int c = 0; c < columns; ++c) {
                TXlsCellValue cell = wb.GetRangeCellValueX(r, c);
                if (cell.IsFormula || (cell.XF < 0 && IsEmptyValue(cell.Value))) continue;
                TOneBandValue value = Parse(cell);
                value.Col = c;
                row.push_back(std::move(value));
            }
            run.Cache.push_back(std::move(row));
        }
        run.Cached = true;
    }

    int offset = 0;
    InsertRows(*main, offset);
    int row = main->Top - 1;
    wb.BuildPicturesRowIndex();
    FillBand(*main, row, main->Top);
    wb.FinishFill(row);
    return true;
}

void TCustomSheetReport::FillRow(int templateRow, int Row) {
    TRun& run = *run_;
    TExcelFile& wb = *run.Workbook;
    if (run.Cached) {
        for (TOneBandValue& v : run.Cache[size_t(templateRow)])
            wb.SetRangeCellValueX(Row + 1, v.Col, TXlsCellValue{Evaluate(v, Row), v.Value.XF, false});
        return;
    }
    int columns = wb.GetRangeColCount(Row + 1);
    for (int c = 0; c < columns; ++c) {
        QVariant cell = wb.GetRangeCellValue(Row + 1, c);
        if (IsEmptyValue(cell)) continue;
        TOneBandValue v = Parse(TXlsCellValue{cell, -1, false});
        v.Col = c;
        wb.SetRangeCellValue(Row + 1, c, Evaluate(v, Row));
    }
}

void TCustomSheetReport::FillComments(int Row) {
    TExcelFile& wb = *run_->Workbook;
    for (int i = wb.GetCommentsCount(Row + 1) - 1; i >= 0; --i) {
        QString text = wb.GetCommentText(Row + 1, i);
        TOneBandValue v = Parse(TXlsCellValue{text, -1, false});
        QVariant value = Evaluate(v, Row);
        if (!IsEmptyValue(value) && value.toString() != text) wb.SetCommentText(Row + 1, i, value.toString());
    }
}

void TCustomSheetReport::FillPictures(int Row) {
    TExcelFile& wb = *run_->Workbook;
    int count = wb.GetPicturesCount(Row + 1);
    for (int i = 0; i < count; ++i) {
        QString name = wb.GetPictureName(Row + 1, i);
        int marker = name.lastIndexOf(kFieldMark);
        if (marker < 0) marker = name.lastIndexOf(kValueMark);
        QString kind = marker < 0 ? QStringLiteral("JPEG") : name.mid(marker + 2).toUpper();
        TXlsImgTypes type;
        if (kind == u"EMF")
            type = TXlsImgTypes::xli_Emf;
        else if (kind == u"WMF")
            type = TXlsImgTypes::xli_Wmf;
        else if (kind == u"JPEG")
            type = TXlsImgTypes::xli_Jpeg;
        else if (kind == u"PNG")
            type = TXlsImgTypes::xli_Png;
        else
            XlsError(XlsMessages::ErrInvalidDrawingType, kind);
        TOneBandValue v = Parse(TXlsCellValue{name, -1, false});
        QVariant value = Evaluate(v, Row);
        // No data means no new image: an empty one would leave a picture nothing can show.
        if (IsEmptyValue(value)) continue;
        if (value.typeId() == QMetaType::QString && value.toString() == name) continue;
        wb.AssignPicture(Row + 1, i, value.toByteArray(), type);
    }
}

void TCustomSheetReport::FillFullDataSets() {
    TRun& run = *run_;
    TExcelFile& wb = *run.Workbook;
    for (size_t k = 0; k < run.Fulls.size(); ++k) {
        TFullDataSet e = run.Fulls[k];
        IXlsDataSetPtr ds = NeedDataSet(DataSetNameOf(e.Text));
        UseDataSet(ds);
        int n = ds->RecordCount();
        ds->First();
        if (n < 1)
            wb.DeleteRows(e.Row + 2, 1);
        else
            wb.InsertAndCopyRows(e.Row + 2, e.Row + 2, e.Row + 3, n - 1, false);
        for (size_t j = k + 1; j < run.Fulls.size(); ++j)
            if (run.Fulls[j].Row > e.Row) run.Fulls[j].Row += n - 1;

        int fields = ds->FieldCount();
        wb.BeginFullDataSet(e.Row + 1, e.Col, e.Row + n + 1, e.Col + fields - 1);
        for (int j = 0; j < fields; ++j)
            wb.SetFullDataSetCell(e.Row + 1, e.Col + j, ds->GetField(j)->DisplayName());
        for (int r = 1; r <= n; ++r) {
            for (int j = 0; j < fields; ++j) {
                IXlsFieldPtr f = ds->GetField(j);
                QVariant value = f->IsMemo() ? QVariant(WithoutCarriageReturns(f->Value())) : f->Value();
                wb.SetFullDataSetCell(e.Row + 1 + r, e.Col + j, value);
            }
            ds->Next();
        }
        wb.EndFullDataSet();
    }
}

void TCustomSheetReport::MakePageSheets(int firstPageSheet, const IXlsDataSetPtr& pages) {
    int count = pages ? pages->RecordCount() : 1;
    if (count > kMaxPageSheets) XlsError(XlsMessages::ErrTooManySheets);
    if (count >= 2) run_->Workbook->InsertAndCopySheets(firstPageSheet, firstPageSheet + 1, count - 1);
}

void TCustomSheetReport::NamePageSheet(const IXlsDataSetPtr& pages) {
    TExcelFile& wb = *run_->Workbook;
    int active = wb.GetActiveSheet();
    QStringList taken;
    for (int s = 1; s <= wb.SheetCount(); ++s) {
        if (s == active) continue;
        wb.SetActiveSheet(s);
        taken << wb.GetActiveSheetName();
    }
    wb.SetActiveSheet(active);
    // Page names come from data: a name Excel would refuse makes a file that no one can open.
    QString name = MakeValidSheetName(pages->FieldByName(PagesDataField)->Value().toString(), taken);
    if (!name.isEmpty()) wb.SetActiveSheetName(name);
}

// --- template cells

TOneBandValue TCustomSheetReport::Parse(const TXlsCellValue& cell) {
    TOneBandValue v;
    v.Value = cell;
    v.Text = cell.Value.toString();
    if (v.Text.startsWith(kFieldMark)) {
        QString dsName = DataSetNameOf(v.Text);
        IXlsDataSetPtr ds = NeedDataSet(dsName);
        int start = kFieldMark.size() + int(dsName.size()) + kFieldMark.size();
        int end = v.Text.indexOf(kFieldMark, start);
        QString field = v.Text.mid(start, end < 0 ? -1 : end - start);
        if (field == kAllFields) {
            v.Kind = TOneBandValue::bvFullDataSet;
        } else {
            UseDataSet(ds);
            v.Field = ds->FieldByName(field);
            v.Kind = TOneBandValue::bvField;
        }
    } else if (v.Text.startsWith(kValueMark)) {
        QString rest = v.Text.mid(kValueMark.size());
        int p = rest.indexOf(kValueMark);
        v.PropName = p < 0 ? rest : rest.left(p);
        v.Indexes = p < 0 ? QString() : rest.mid(p + kValueMark.size());
        v.PropInfo = GetPropInfo(v.PropName);
        if (!v.PropInfo.isValid()) XlsError(XlsMessages::ErrPropNotPublished, v.PropName);
        v.Kind = TOneBandValue::bvProperty;
    }
    return v;
}

QVariant TCustomSheetReport::Evaluate(TOneBandValue& value, int Row) {
    switch (value.Kind) {
        case TOneBandValue::bvPlain:
            return value.Value.Value;
        case TOneBandValue::bvField: {
            if (value.Field->DataSet()->Eof()) return {};
            QVariant result;
            if (value.Field->IsDateTime()) {
                QVariant raw = value.Field->Value();
                if (!IsEmptyValue(raw)) result = value.Field->AsFloat();
            } else if (value.Field->IsMemo()) {
                result = WithoutCarriageReturns(value.Field->Value());
            } else {
                result = value.Field->Value();
            }
            if (OnGetCellValue) OnGetCellValue(this, value.Text, result);
            return result;
        }
        case TOneBandValue::bvProperty: {
            QVariant result = PropertyValue(value);
            if (OnGetCellValue) OnGetCellValue(this, value.Text, result);
            if (result.typeId() == QMetaType::QDateTime) return double(QDateTimeToOle(result.toDateTime()));
            if (result.typeId() == QMetaType::QDate) return double(DateTimeToOle(result.toDate()));
            return result;
        }
        case TOneBandValue::bvFullDataSet:
            run_->Fulls.push_back(TFullDataSet{value.Text, Row, value.Col});
            return {};
    }
    return {};
}

namespace {

void CheckIndex(int index, const QString& name, int low, int high) {
    if (index < low || index > high) XlsError(XlsMessages::ErrIndexOutOfRange, index, name, low, high);
}

}  // namespace

QVariant TCustomSheetReport::PropertyValue(const TOneBandValue& value) {
    QVariant result;
    try {
        result = GetPropValue(value.PropInfo);
    } catch (...) {
        XlsError(XlsMessages::ErrPropNotVariant, value.PropName);
    }
    std::vector<int> indexes;
    for (const QString& part : value.Indexes.split(kValueMark, Qt::SkipEmptyParts))
        indexes.push_back(part.toInt());
    if (indexes.empty()) return result;

    if (result.metaType() == QMetaType::fromType<TXlsVarArray>() &&
        result.value<TXlsVarArray>().Bounds.size() > 1) {
        TXlsVarArray array = result.value<TXlsVarArray>();
        if (indexes.size() > array.Bounds.size())
            XlsError(XlsMessages::ErrPropDimensions, value.PropName, int(array.Bounds.size()));
        qsizetype position = 0, stride = 1;
        for (size_t d = 0; d < array.Bounds.size(); ++d) {
            const TXlsVarArray::TBounds& b = array.Bounds[d];
            int index = b.Low;
            if (d < indexes.size()) {
                index = indexes[d];
                CheckIndex(index, value.PropName, b.Low, b.High);
            }
            position += (index - b.Low) * stride;
            stride *= b.High - b.Low + 1;
        }
        return array.Items.value(position);
    }

    // One dimension at a time: each number picks an element, which may be an array itself.
    for (int index : indexes) {
        if (result.typeId() == QMetaType::QVariantList) {
            QVariantList list = result.toList();
            CheckIndex(index, value.PropName, 0, int(list.size()) - 1);
            result = list[index];
        } else if (result.metaType() == QMetaType::fromType<TXlsVarArray>() &&
                   result.value<TXlsVarArray>().Bounds.size() == 1) {
            TXlsVarArray array = result.value<TXlsVarArray>();
            CheckIndex(index, value.PropName, array.Bounds[0].Low, array.Bounds[0].High);
            result = array.Items.value(index - array.Bounds[0].Low);
        } else {
            break;
        }
    }
    return result;
}

QString MakeValidSheetName(const QString& text, const QStringList& taken) {
    static const QString kForbidden = QStringLiteral(":\\/?*[]");
    QString name;
    for (QChar c : text) {
        if (kForbidden.contains(c))
            name += '_';
        else if (c.category() != QChar::Other_Control)
            name += c;
    }
    name = name.trimmed();
    while (name.startsWith('\'')) name.remove(0, 1);
    name = name.left(kMaxSheetName);
    while (name.endsWith('\'')) name.chop(1);
    name = name.trimmed();
    if (name.isEmpty()) return {};

    auto isTaken = [&](const QString& candidate) { return taken.contains(candidate, Qt::CaseInsensitive); };
    QString candidate = name;
    for (int n = 2; isTaken(candidate); ++n) {
        QString suffix = QStringLiteral(" (%1)").arg(n);
        candidate = name.left(kMaxSheetName - int(suffix.size())).trimmed() + suffix;
    }
    return candidate;
}
