#include "XLSAdapter/UXlsMD5.h"

TMd5Stream::TMd5Stream() { open(QIODevice::WriteOnly); }

qint64 TMd5Stream::writeData(const char* data, qint64 length) {
    hash_.addData(QByteArrayView(data, length));
    return length;
}
