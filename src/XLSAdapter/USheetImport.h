#pragma once

// Plain reading of one workbook: open it, read cells of the sheet that was active when it was
// saved, learn its last row, close it. The whole file is read into memory on opening, so the file
// on disk is never held.

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <memory>

#include "XLSAdapter/UExcelAdapter.h"

namespace XlsMessages {
inline constexpr const char* ErrNoOpenFile = "There is no open file";
}

class TSheetImport : public QObject {
    Q_OBJECT
public:
    explicit TSheetImport(QObject* Owner = nullptr);
    ~TSheetImport() override;

    TExcelAdapter* Adapter() const { return adapter_; }
    void SetAdapter(TExcelAdapter* Value) { adapter_ = Value; }
    TExcelFile* Workbook() const { return workbook_.get(); }

    // A failed open leaves the component closed and lets the failure through.
    void OpenWorkbook(const QString& FileName);
    // Row and column from 1; a missing cell gives an invalid variant, not an empty text.
    QVariant GetCellValue(int Row, int Col);
    int GetLastRow();
    void CloseWorkbook();

private:
    QPointer<TExcelAdapter> adapter_;
    std::unique_ptr<TExcelFile> workbook_;
    TExcelFile& Open() const;
};
