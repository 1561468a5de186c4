#include "XLSAdapter/UEscherGraphToBSE.h"

#include "XLSAdapter/UXlsMD5.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

struct TBlipKind {
    quint8 WinType;
    quint16 RecordType;
    quint16 Instance;
};

// Indexed by TXlsImgTypes: the published blip types, record types and instances.
constexpr TBlipKind kBlipKinds[] = {
    {2, 0xF01A, 0x3D4},  // EMF
    {3, 0xF01B, 0x216},  // WMF
    {5, 0xF01D, 0x46A},  // JPEG
    {6, 0xF01E, 0x6E0},  // PNG
    {7, 0xF01F, 0x7A8},  // DIB
    {1, 0xF019, 0},      // unknown
};

constexpr int kEntrySize = 36;
constexpr int kUidSize = 16;
constexpr int kMetafileHeaderSize = 34;
constexpr quint8 kMacPict = 4;
constexpr quint16 kTagNone = 0x00FF;
constexpr quint8 kCompressionDeflate = 0x00, kCompressionNone = 0xFE, kFilterNone = 0xFE;
constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr int kPlaceableSize = 22;
constexpr int kBitmapFileHeaderSize = 14;
constexpr qint64 kEmuPerInch = 914400;

bool HasTagByte(TXlsImgTypes t) {
    return t == TXlsImgTypes::xli_Jpeg || t == TXlsImgTypes::xli_Png || t == TXlsImgTypes::xli_Bmp;
}

bool IsMetafile(TXlsImgTypes t) { return t == TXlsImgTypes::xli_Emf || t == TXlsImgTypes::xli_Wmf; }

qint32 GetSigned(const QByteArray& d, int pos) { return qint32(GetLongWord(d, pos)); }

// Office keeps a metafile deflated behind a header that gives its size and bounds; a Windows
// metafile is kept without its placeable header, whose bounds move into that header.
QByteArray MetafileBlip(const QByteArray& data, TXlsImgTypes t) {
    QByteArray raw = data;
    qint32 left = 0, top = 0, right = 0, bottom = 0, widthEmu = 0, heightEmu = 0;
    if (t == TXlsImgTypes::xli_Emf && raw.size() >= 40) {
        left = GetSigned(raw, 8);
        top = GetSigned(raw, 12);
        right = GetSigned(raw, 16);
        bottom = GetSigned(raw, 20);
        // The frame is in hundredths of a millimetre: 360 EMU each.
        widthEmu = (GetSigned(raw, 32) - GetSigned(raw, 24)) * 360;
        heightEmu = (GetSigned(raw, 36) - GetSigned(raw, 28)) * 360;
    } else if (t == TXlsImgTypes::xli_Wmf && raw.size() >= kPlaceableSize &&
               GetLongWord(raw, 0) == kPlaceableKey) {
        left = qint16(GetWord(raw, 6));
        top = qint16(GetWord(raw, 8));
        right = qint16(GetWord(raw, 10));
        bottom = qint16(GetWord(raw, 12));
        int inch = GetWord(raw, 14);
        if (inch > 0) {
            widthEmu = qint32(qint64(right - left) * kEmuPerInch / inch);
            heightEmu = qint32(qint64(bottom - top) * kEmuPerInch / inch);
        }
        raw = raw.mid(kPlaceableSize);
    }
    // qCompress puts the length before the zlib stream; the header here carries it instead.
    QByteArray packed = qCompress(raw, 9).mid(4);
    QByteArray header(kMetafileHeaderSize, '\0');
    SetLongWord(header, 0, quint32(raw.size()));
    SetLongWord(header, 4, quint32(left));
    SetLongWord(header, 8, quint32(top));
    SetLongWord(header, 12, quint32(right));
    SetLongWord(header, 16, quint32(bottom));
    SetLongWord(header, 20, quint32(widthEmu));
    SetLongWord(header, 24, quint32(heightEmu));
    SetLongWord(header, 28, quint32(packed.size()));
    header[32] = char(kCompressionDeflate);
    header[33] = char(kFilterNone);
    return header + packed;
}

QByteArray PlaceableHeader(const QByteArray& metaHeader) {
    qint32 left = GetSigned(metaHeader, 4), top = GetSigned(metaHeader, 8);
    qint32 right = GetSigned(metaHeader, 12), bottom = GetSigned(metaHeader, 16);
    qint32 widthEmu = GetSigned(metaHeader, 20);
    // Units per inch from the bounds and the physical size; a twip-based 1440 when unknown.
    int inch = widthEmu > 0 ? int(qint64(right - left) * kEmuPerInch / widthEmu) : 1440;
    if (inch <= 0 || inch > 0xFFFF) inch = 1440;
    QByteArray h(kPlaceableSize, '\0');
    SetLongWord(h, 0, kPlaceableKey);
    SetWord(h, 6, quint16(left));
    SetWord(h, 8, quint16(top));
    SetWord(h, 10, quint16(right));
    SetWord(h, 12, quint16(bottom));
    SetWord(h, 14, quint16(inch));
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2) sum ^= GetWord(h, i);
    SetWord(h, 20, sum);
    return h;
}

QByteArray MetafileBytes(const QByteArray& blip, TXlsImgTypes t) {
    if (blip.size() < kMetafileHeaderSize) XlsError(XlsMessages::ErrProcessingEscher);
    QByteArray header = blip.left(kMetafileHeaderSize);
    QByteArray body = blip.mid(kMetafileHeaderSize);
    QByteArray raw;
    if (quint8(header[32]) == kCompressionDeflate) {
        QByteArray sized(4, '\0');
        quint32 size = GetLongWord(header, 0);
        sized[0] = char(size >> 24);
        sized[1] = char(size >> 16);
        sized[2] = char(size >> 8);
        sized[3] = char(size);
        raw = qUncompress(sized + body);
        if (raw.isEmpty() && size != 0) XlsError(XlsMessages::ErrProcessingEscher);
    } else if (quint8(header[32]) == kCompressionNone) {
        raw = body;
    } else {
        XlsError(XlsMessages::ErrProcessingEscher);
    }
    if (t == TXlsImgTypes::xli_Wmf && !(raw.size() >= 4 && GetLongWord(raw, 0) == kPlaceableKey))
        raw = PlaceableHeader(header) + raw;
    return raw;
}

// A device-independent bitmap becomes a .bmp file: the file header gives the file's size and
// where the pixels start, behind the info header, the colour masks and the palette.
QByteArray BitmapFileHeader(const QByteArray& dib) {
    quint32 offset = kBitmapFileHeaderSize;
    if (dib.size() >= 12) {
        quint32 infoSize = GetLongWord(dib, 0);
        if (infoSize == 12) {
            int bits = GetWord(dib, 10);
            offset += 12 + (bits <= 8 ? 3u << bits : 0);
        } else if (infoSize >= 40 && dib.size() >= 40) {
            int bits = GetWord(dib, 14);
            quint32 compression = GetLongWord(dib, 16), used = GetLongWord(dib, 32);
            quint32 colours = used ? used : (bits <= 8 ? 1u << bits : 0);
            offset += infoSize + 4 * colours;
            if (infoSize == 40 && (compression == 3 || compression == 6))
                offset += compression == 3 ? 12 : 16;
        } else {
            offset += infoSize;
        }
    }
    QByteArray h(kBitmapFileHeaderSize, '\0');
    h[0] = 'B';
    h[1] = 'M';
    SetLongWord(h, 2, quint32(kBitmapFileHeaderSize + dib.size()));
    SetLongWord(h, 10, offset);
    return h;
}

}  // namespace

std::unique_ptr<TEscherBSERecord> ConvertGraphicToBSE(const QByteArray& data, TXlsImgTypes picType,
                                                      TEscherDwgGroupCache* dwgGroupCache) {
    const int t = std::clamp(int(picType), 0, int(TXlsImgTypes::xli_Unknown));
    const TBlipKind& kind = kBlipKinds[t];
    TMd5Stream md5;
    md5.write(data);
    QByteArray uid = md5.Digest();

    QByteArray blip = uid;
    if (HasTagByte(picType))
        blip += char(0xFF) + data;
    else if (IsMetafile(picType))
        blip += MetafileBlip(data, picType);

    QByteArray entry(kEntrySize, '\0');
    entry[0] = char(kind.WinType);
    entry[1] = char(kMacPict);
    entry.replace(2, kUidSize, uid);
    SetWord(entry, 18, kTagNone);
    SetLongWord(entry, 20, quint32(blip.size() + escher::kHeaderSize));

    QByteArray blipHeader(escher::kHeaderSize, '\0');
    SetWord(blipHeader, 0, quint16(kind.Instance << 4));
    SetWord(blipHeader, 2, kind.RecordType);
    SetLongWord(blipHeader, 4, quint32(blip.size()));

    const quint32 length = quint32(blip.size() + kEntrySize + escher::kHeaderSize);
    auto bse = std::make_unique<TEscherBSERecord>(quint16(kind.WinType << 4 | 2), escher::BSE, length,
                                                  nullptr, nullptr, dwgGroupCache);
    bse->Data = entry + blipHeader + blip;
    if (bse->Data.size() != qint64(length)) XlsError(XlsMessages::ErrLogicalError);
    bse->LoadedDataSize = length;
    return bse;
}

QByteArray BSEImageBytes(const TEscherBSERecord& bse, TXlsImgTypes& picType) {
    const QByteArray& d = bse.Data;
    if (d.size() < kEntrySize + escher::kHeaderSize) XlsError(XlsMessages::ErrProcessingEscher);
    switch (quint8(d[0])) {
        case 2:
            picType = TXlsImgTypes::xli_Emf;
            break;
        case 3:
            picType = TXlsImgTypes::xli_Wmf;
            break;
        case 5:
            picType = TXlsImgTypes::xli_Jpeg;
            break;
        case 6:
            picType = TXlsImgTypes::xli_Png;
            break;
        case 7:
            picType = TXlsImgTypes::xli_Bmp;
            break;
        default:
            picType = TXlsImgTypes::xli_Unknown;
            break;
    }
    const quint16 blipInstance = GetWord(d, kEntrySize) >> 4;
    const quint32 blipLength = GetLongWord(d, kEntrySize + 4);
    // An odd instance marks a blip that carries a second picture identifier.
    int start = kEntrySize + escher::kHeaderSize + kUidSize * ((blipInstance & 1) ? 2 : 1);
    if (HasTagByte(picType)) start += 1;
    const qint64 end = std::min<qint64>(d.size(), qint64(kEntrySize + escher::kHeaderSize) + blipLength);
    if (start > end) XlsError(XlsMessages::ErrProcessingEscher);
    QByteArray image = d.mid(start, int(end - start));
    if (IsMetafile(picType)) return MetafileBytes(image, picType);
    if (picType == TXlsImgTypes::xli_Bmp) return BitmapFileHeader(image) + image;
    return image;
}
