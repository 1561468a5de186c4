#pragma once

#include <QString>
#include <stdexcept>

// The library's own English messages. Callers show the text as it stands, so the wording (and
// the placeholders, filled with QString::arg) is part of what the library offers.
namespace XlsMessages {
inline constexpr const char* ErrInvalidFile = "The file \"%1\" is invalid";
inline constexpr const char* ErrCantReadFile = "Can't read file \"%1\"";
inline constexpr const char* ErrCantOpenStream = "Can't open Stream \"%1\"";
inline constexpr const char* ErrCantFindFile = "Can't find the file \"%1\"";
inline constexpr const char* ErrExcelInvalid = "Error reading Excel records. File invalid";
inline constexpr const char* ErrReadingRecord = "Error reading record";
inline constexpr const char* ErrFileIsPasswordProtected = "File is password protected";
inline constexpr const char* ErrWrongExcelVersion = "Template file is saved with an invalid Excel version";
inline constexpr const char* ErrTwoContinues =
    "Trying to add more than one CONTINUE record to the same record";
inline constexpr const char* ErrInvalidRecordId = "Record with ID 0x%1 is invalid";
inline constexpr const char* ErrTooManyEntries =
    "Too many entries for this kind of record (%1 out of a maximum of %2)";
inline constexpr const char* ErrCantWrite = "Error writing output file";
inline constexpr const char* ErrInvalidStringRecord = "Invalid String record";
inline constexpr const char* ErrStrLenLength = "StrLenLength should be 1 or 2";
inline constexpr const char* ErrStringTooLarge = "String too large";
inline constexpr const char* ErrRefsShouldBePositive = "Refs should be >0";
inline constexpr const char* ErrInvalidRow = "Invalid Row (%1)";
inline constexpr const char* ErrInvalidColumn = "Invalid Column (%1)";
inline constexpr const char* ErrDupRow = "Duplicated ROW record";
inline constexpr const char* ErrMissingRow = "Missing ROW Record for row %1";
inline constexpr const char* ErrRowMissing = "Number of ROW record is not the same that the cell count";
inline constexpr const char* ErrInvalidCellValue = "Invalid cell value: \"%1\"";
inline constexpr const char* ErrInvalidErrorCode = "Invalid cell error code: \"%1\"";
inline constexpr const char* ErrTokenNotSupported = "Error reading formula, Token Id: 0x%1 is not supported";
inline constexpr const char* ErrFormulaNotSupported =
    "Formula at Row %1, column %2 is not supported. Token Id: 0x%3";
inline constexpr const char* ErrBadName = "Error in Worksheet name: \"%1\". Token Id: 0x%2";
inline constexpr const char* ErrShrFmlaNotFound = "Can't find Shared Formula";
inline constexpr const char* ErrBadChartFormula = "Error in Chart formula. Token Id: 0x%1";
inline constexpr const char* ErrBadCondFmt = "Bad Conditional format. Token Id: 0x%1";
inline constexpr const char* ErrInvalidCF = "Invalid conditional format record";
inline constexpr const char* ErrTooManyPageBreaks = "Too many manual Page breaks for this sheet";
inline constexpr const char* ErrSectionNotLoaded = "A section of the workbook is not loaded";
inline constexpr const char* ErrInvalidSheetNo = "Sheet number \"%1\" invalid. Must be between %2 and %3";
inline constexpr const char* ErrBadCopyRows = "Ivalid arguments to call InsertAndCopyRows";
inline constexpr const char* ErrDuplicatedSheetName = "Sheet name already exist: %1";
inline constexpr const char* ErrIndexOutOfRange =
    "The index \"%1\" of the property \"%2\" is not in the range %3-%4";
}  // namespace XlsMessages

// Every failure of the library is one of these, carrying one of the messages above.
class EExcelException : public std::runtime_error {
public:
    explicit EExcelException(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& Message() const { return message_; }

private:
    QString message_;
};

// An unsupported formula token; the library replaces it by a message that names the place.
class ETokenException : public EExcelException {
public:
    ETokenException(const QString& message, int tokenId) : EExcelException(message), TokenId(tokenId) {}
    int TokenId;
};

// Raises one of the messages, with its placeholders filled in order.
[[noreturn]] void XlsError(const char* message);
template <typename... Args>
[[noreturn]] void XlsError(const char* message, const Args&... args) {
    QString text = QString::fromUtf8(message);
    ((text = text.arg(args)), ...);
    throw EExcelException(text);
}
