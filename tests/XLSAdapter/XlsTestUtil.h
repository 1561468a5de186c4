#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <functional>
#include <memory>
#include <vector>

#include "XLSAdapter/UXlsBaseRecords.h"
#include "XLSAdapter/XlsMessages.h"

namespace xlstest {

// One record as it stands in a stream.
inline QByteArray Rec(quint16 id, const QByteArray& payload) {
    QByteArray r(4, '\0');
    SetWord(r, 0, id);
    SetWord(r, 2, quint16(payload.size()));
    return r + payload;
}

inline QByteArray Words(std::initializer_list<quint16> words) {
    QByteArray b;
    for (quint16 w : words) {
        b.append(char(w & 0xFF));
        b.append(char(w >> 8));
    }
    return b;
}

// Every record of a stream, read the way the workbook loader reads them.
// With a TSharedPayloadBuffer the records' payloads point into `stream`, which must outlive them.
template <typename Buffer = QBuffer>
std::vector<std::unique_ptr<TBaseRecord>> LoadAll(const QByteArray& stream) {
    Buffer in;
    in.setData(stream);
    in.open(QIODevice::ReadOnly);
    std::vector<std::unique_ptr<TBaseRecord>> out;
    char header[4];
    while (in.read(header, 4) == 4) {
        if (header[0] == 0 && header[1] == 0) break;
        out.push_back(LoadRecord(in, header));
    }
    return out;
}

// The raw (id, payload) sequence of a stream, without interpreting anything.
inline std::vector<std::pair<quint16, QByteArray>> Split(const QByteArray& stream) {
    std::vector<std::pair<quint16, QByteArray>> out;
    int pos = 0;
    while (pos + 4 <= stream.size()) {
        quint16 id = GetWord(stream, pos), size = GetWord(stream, pos + 2);
        if (id == 0) break;
        out.push_back({id, stream.mid(pos + 4, size)});
        pos += 4 + size;
    }
    return out;
}

// The message a call fails with, so that tests compare it with the text the user is shown.
inline QString MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EExcelException& e) {
        return e.Message();
    }
    return "(no exception)";
}

template <typename T>
QByteArray Saved(T&& thing) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    thing.SaveToStream(out);
    return out.data();
}

// Runs a Python script with the Debian interpreter (the one the checker modules are for).
inline QString Python(const QString& script, const QStringList& args) {
    QProcess p;
    p.start(QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3",
            QStringList{"-c", script} + args);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace xlstest
