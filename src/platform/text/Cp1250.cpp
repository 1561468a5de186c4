#include "platform/text/Cp1250.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <stdexcept>
#include <vector>

namespace {

struct Tables {
    std::array<char16_t, 256> decode{};
    std::vector<unsigned char> encode;  // by UTF-16 unit; 0 means "not in the code page"
};

// The tables are read from the system's converter once; all later work is table lookups.
const Tables& Cp1250Tables() {
    static const Tables tables = [] {
        Tables t;
        iconv_t cd = iconv_open("UTF-16LE", "WINDOWS-1250");
        if (cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("windows-1250 converter is missing");
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            unsigned char out[8] = {};
            char* inPtr = &in;
            char* outPtr = reinterpret_cast<char*>(out);
            size_t inLeft = 1, outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
                            sizeof out - outLeft == 2;
            t.decode[b] = ok ? static_cast<char16_t>(out[0] | (out[1] << 8)) : static_cast<char16_t>(b);
        }
        iconv_close(cd);
        t.encode.assign(0x10000, 0);
        for (int b = 255; b >= 1; --b) t.encode[t.decode[b]] = static_cast<unsigned char>(b);
        return t;
    }();
    return tables;
}

}  // namespace

QByteArray EncodeCp1250(const QString& text) {
    const Tables& t = Cp1250Tables();
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (u == 0) {
            out.append('\0');
        } else if (QChar::isHighSurrogate(u) || QChar::isLowSurrogate(u)) {
            // A pair is one character, and one the code page cannot hold.
            if (QChar::isHighSurrogate(u) && i + 1 < n && text[i + 1].isLowSurrogate()) ++i;
            out.append('?');
        } else {
            const unsigned char b = t.encode[u];
            out.append(b ? static_cast<char>(b) : '?');
        }
    }
    return out;
}

QString DecodeCp1250(const QByteArray& bytes) {
    const Tables& t = Cp1250Tables();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* p = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) p[i] = QChar(t.decode[static_cast<unsigned char>(bytes[i])]);
    return out;
}
