#include "XLSAdapter/UXlsSections.h"

#include <QIODevice>

#include "XLSAdapter/XlsMessages.h"

void TBaseSection::Clear() {
    BOF.reset();
    EOF_.reset();
}

qint64 TBaseSection::TotalSize() { return (BOF ? BOF->TotalSize() : 0) + (EOF_ ? EOF_->TotalSize() : 0); }

void TBaseSection::CheckLoaded() const {
    if (!BOF || !EOF_) XlsError(XlsMessages::ErrSectionNotLoaded);
}

std::unique_ptr<TBaseRecord> ReadSectionRecord(QIODevice& stream) {
    char header[4];
    if (stream.read(header, 4) != 4) XlsError(XlsMessages::ErrExcelInvalid);
    return LoadRecord(stream, header);
}
