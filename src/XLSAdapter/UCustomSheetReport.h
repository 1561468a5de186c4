#pragma once

// The template report engine: repeats the bands of a hand-made workbook once per record of their
// datasets, replaces field and value references by data, and saves the result as a new file. It
// knows workbooks only through TExcelFile and data only through the dataset interfaces; where the
// datasets and values come from is left to a subclass.

#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "XLSAdapter/UExcelAdapter.h"
#include "XLSAdapter/UFlxFullDataSets.h"
#include "XLSAdapter/UXlsDB.h"

class QIODevice;

namespace XlsMessages {
inline constexpr const char* ErrTooManySheets = "Trying to insert more sheets than the maximum allowed";
inline constexpr const char* ErrPropNotPublished = "Property \"%1\" has not been defined or is not published";
inline constexpr const char* ErrPropNotVariant =
    "Error trying to retrieve property \"%1\". Verify it is a variant";
inline constexpr const char* ErrPropDimensions = "The property \"%1\" has only %2 dimensions";
inline constexpr const char* ErrInvalidDrawingType = "Drawing type \"%1\" invalid";
}  // namespace XlsMessages

// A value array of more than one dimension, as a published property may hold one: the bounds of
// each dimension and the elements with the first dimension varying fastest.
struct TXlsVarArray {
    struct TBounds {
        int Low = 0, High = -1;
    };
    std::vector<TBounds> Bounds;
    QVariantList Items;
};
Q_DECLARE_METATYPE(TXlsVarArray)

using TOnGenerateEvent = std::function<void(QObject* Sender, TExcelFile* ExcelApp)>;
using TOnGeneratePageEvent = std::function<void(QObject* Sender, TExcelFile* ExcelApp)>;
using TOnGetCellValue = std::function<void(QObject* Sender, const QString& FieldName, QVariant& FieldValue)>;

// A range of template rows named as a band, with the datasets it repeats over.
class TExcelBand {
public:
    int Top = 0, Bottom = 0;  // 1-based template rows
    int NameIndex = 0;
    std::vector<std::unique_ptr<TExcelBand>> Children;
    // One per dataset name of the band; none where no dataset has that name.
    std::vector<IXlsDataSetPtr> DataSets;
    int Height() const { return Bottom - Top + 1; }
};

// One parsed template cell.
struct TOneBandValue {
    enum TKind : quint8 { bvPlain = 0, bvField = 2, bvProperty = 3, bvFullDataSet = 4 };
    int Col = 0;  // offset from the main band's first column
    QString Text;
    TKind Kind = bvPlain;
    TXlsCellValue Value;
    IXlsFieldPtr Field;
    QMetaProperty PropInfo;
    QString Indexes;
    QString PropName;
};
using TBandValue = std::vector<TOneBandValue>;
using TBandValueList = std::vector<TBandValue>;

class TCustomSheetReport : public QObject {
    Q_OBJECT
public:
    explicit TCustomSheetReport(QObject* Owner = nullptr);
    ~TCustomSheetReport() override;

    QString Template;
    // Must not exist yet: a report never overwrites a file.
    QString FileName;
    bool AutoClose = false;
    QString PagesDataField;
    QPointer<TExcelAdapter> Adapter;

    TOnGenerateEvent OnBeforeGenerateWorkbook, OnAfterGenerateWorkbook;
    TOnGeneratePageEvent OnBeforeGeneratePage, OnAfterGeneratePage;
    TOnGetFileNameEvent OnGetFilename;
    TOnGetOutStreamEvent OnGetOutStream;
    TOnGetCellValue OnGetCellValue;

    // Fills Template and writes FileName; failures propagate with the library's messages.
    void GenerateReport() { Run(nullptr); }

    static constexpr const char* kDeleteRowMark = "...delete row...";
    static constexpr const char* kPageBreakMark = "...page break...";
    static constexpr int kMaxPageSheets = 250;

protected:
    virtual IXlsDataSetPtr GetDataSet(const QString& Name) = 0;
    // An invalid property when the name is not a published property.
    virtual QMetaProperty GetPropInfo(const QString& Name) = 0;
    virtual QVariant GetPropValue(const QMetaProperty& PropInfo) = 0;
    virtual IXlsDataSetPtr GetPagesDataSet() = 0;
    virtual QObject* GetDataModule() = 0;

    // With an output stream the result goes there instead of to FileName.
    void Run(QIODevice* OutStream);

private:
    struct TRun;
    TRun* run_ = nullptr;

    void UseDataSet(const IXlsDataSetPtr& ds);
    IXlsDataSetPtr NeedDataSet(const QString& name);
    std::unique_ptr<TExcelBand> FindBand(int Top, int Bottom);
    void FindBands(TExcelBand& parent);
    bool IsBandName(int index, QString& rest);
    int BandRecordCount(TExcelBand& band);
    static bool AllNone(const TExcelBand& band);
    static bool AllEof(const TExcelBand& band);
    static void NextRecord(TExcelBand& band);
    void InsertRows(TExcelBand& band, int& Offset);
    void FillBand(TExcelBand& band, int& Row, int MainTop);
    void FillRow(int templateRow, int Row);
    void FillComments(int Row);
    void FillPictures(int Row);
    bool FillSheet();
    void FillFullDataSets();
    void MakePageSheets(int firstPageSheet, const IXlsDataSetPtr& pages);
    void NamePageSheet(const IXlsDataSetPtr& pages);
    TOneBandValue Parse(const TXlsCellValue& cell);
    QVariant Evaluate(TOneBandValue& value, int Row);
    QVariant PropertyValue(const TOneBandValue& value);
};

// A sheet name Excel accepts, made from any text: at most 31 characters, none of : \ / ? * [ ],
// no apostrophe at either end, and unlike every name in `taken` (compared without case). Empty
// when nothing usable is left.
QString MakeValidSheetName(const QString& text, const QStringList& taken);
