#pragma once

// A write-only stream that digests everything written to it, so an image is identified by the
// same bytes it is stored with. Reading and seeking are refused.

#include <QCryptographicHash>
#include <QIODevice>

class TMd5Stream : public QIODevice {
public:
    TMd5Stream();
    bool isSequential() const override { return true; }
    // The 16-byte MD5 digest of all bytes written so far.
    QByteArray Digest() const { return hash_.result(); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    QCryptographicHash hash_{QCryptographicHash::Md5};
};
