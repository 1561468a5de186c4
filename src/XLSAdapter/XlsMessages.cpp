#include "XLSAdapter/XlsMessages.h"

void XlsError(const char* message) { throw EExcelException(QString::fromUtf8(message)); }
