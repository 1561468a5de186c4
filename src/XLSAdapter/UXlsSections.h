#pragma once

#include <memory>

#include "XLSAdapter/UXlsBaseRecords.h"

// Record ids the section loaders route by.
namespace xlr {
enum : quint16 {
    FORMULA = 0x0006,
    EOF_ = 0x000A,
    EXTERNSHEET = 0x0017,
    NAME = 0x0018,
    HPAGEBREAKS = 0x001B,
    NOTE = 0x001C,
    FONT = 0x0031,
    WINDOW1 = 0x003D,
    DEFCOLWIDTH = 0x0055,
    OBJ = 0x005D,
    COLINFO = 0x007D,
    BOUNDSHEET = 0x0085,
    PALETTE = 0x0092,
    MULRK = 0x00BD,
    MULBLANK = 0x00BE,
    XF = 0x00E0,
    MERGEDCELLS = 0x00E5,
    MSODRAWINGGROUP = 0x00EB,
    MSODRAWING = 0x00EC,
    SST = 0x00FC,
    LABELSST = 0x00FD,
    SUPBOOK = 0x01AE,
    CONDFMT = 0x01B0,
    CF = 0x01B1,
    DVAL = 0x01B2,
    TXO = 0x01B6,
    BLANK = 0x0201,
    NUMBER = 0x0203,
    BOOLERR = 0x0205,
    STRING = 0x0207,
    ROW = 0x0208,
    ARRAY = 0x0221,
    DEFAULTROWHEIGHT = 0x0225,
    WINDOW2 = 0x023E,
    RK = 0x027E,
    STYLE = 0x0293,
    FORMAT = 0x041E,
    SHRFMLA = 0x04BC,
    BOF = 0x0809,
    CHARTAI = 0x1051,
};
}  // namespace xlr

// One substream of the workbook stream: the records from its BOF to its EOF.
class TBaseSection {
public:
    virtual ~TBaseSection() = default;
    std::unique_ptr<TBaseRecord> BOF;
    // EOF is taken by the C library.
    std::unique_ptr<TBaseRecord> EOF_;

    virtual void Clear();
    // The bytes SaveToStream writes, headers included.
    virtual qint64 TotalSize();
    virtual void SaveToStream(QIODevice& stream) = 0;

protected:
    // A section without both ends was never loaded and cannot be written.
    void CheckLoaded() const;
};

// The next record of a section; a header cut short means the file is invalid.
std::unique_ptr<TBaseRecord> ReadSectionRecord(QIODevice& stream);
