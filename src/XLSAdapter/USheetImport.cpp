#include "XLSAdapter/USheetImport.h"

#include "XLSAdapter/XlsMessages.h"

TSheetImport::TSheetImport(QObject* Owner) : QObject(Owner) {}

TSheetImport::~TSheetImport() { CloseWorkbook(); }

void TSheetImport::OpenWorkbook(const QString& FileName) {
    if (!adapter_) XlsError(XlsMessages::ErrNoAdapter);
    CloseWorkbook();
    workbook_ = adapter_->CreateWorkbook();
    try {
        workbook_->Connect();
        workbook_->OpenFile(FileName);
        workbook_->SelectSheet(workbook_->GetActiveSheet());
    } catch (...) {
        CloseWorkbook();
        throw;
    }
}

TExcelFile& TSheetImport::Open() const {
    if (!workbook_) XlsError(XlsMessages::ErrNoOpenFile);
    return *workbook_;
}

QVariant TSheetImport::GetCellValue(int Row, int Col) { return Open().GetCellValue(Row, Col); }

int TSheetImport::GetLastRow() { return Open().GetMaxRow(); }

void TSheetImport::CloseWorkbook() {
    if (!workbook_) return;
    // Closing only lets go of memory; nothing in it can fail in a way the caller could act on.
    try {
        workbook_->CloseFile();
    } catch (...) {
    }
    try {
        workbook_->Disconnect();
    } catch (...) {
    }
    workbook_.reset();
}
