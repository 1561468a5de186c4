#pragma once

// Builds drawing records the way spreadsheet programs lay them out: the picture store in the
// globals, and per sheet a drawing whose shapes are each followed by their OBJ (and a comment's
// text box by its TXO), with NOTE records after the drawing.

#include <QString>
#include <vector>

#include "XlsWorkbookBuilder.h"

namespace xlstest {

inline QByteArray EHeader(int version, int instance, quint16 id, int length) {
    QByteArray h(8, '\0');
    SetWord(h, 0, quint16(version | (instance << 4)));
    SetWord(h, 2, id);
    SetLongWord(h, 4, quint32(length));
    return h;
}
inline QByteArray EAtom(quint16 id, const QByteArray& data, int instance = 0, int version = 0) {
    return EHeader(version, instance, id, data.size()) + data;
}
inline QByteArray EContainer(quint16 id, const QByteArray& children, int instance = 0) {
    return EHeader(0xF, instance, id, children.size()) + children;
}
inline QByteArray Longs(std::initializer_list<quint32> values) {
    QByteArray b;
    for (quint32 v : values) {
        QByteArray w(4, '\0');
        SetLongWord(w, 0, v);
        b += w;
    }
    return b;
}

// A client anchor: flag (move mode), then col1, dx1, row1, dy1, col2, dx2, row2, dy2.
inline QByteArray Anchor(int mode, int col1, int row1, int col2, int row2, int dy1 = 0, int dy2 = 0) {
    return Words({quint16(mode), quint16(col1), 0, quint16(row1), quint16(dy1), quint16(col2), 0,
                  quint16(row2), quint16(dy2)});
}

// A property table: simple (id, value) entries, and the shape name as complex data.
inline QByteArray Properties(std::vector<std::pair<quint16, quint32>> simple, const QString& name,
                             int& count) {
    QByteArray table, complex;
    count = int(simple.size());
    for (auto [id, value] : simple) table += Words({id}) + Longs({value});
    if (!name.isNull()) {
        QByteArray text;
        for (QChar c : name) text += Words({c.unicode()});
        text += Words({0});
        table += Words({0xC380}) + Longs({quint32(text.size())});
        complex += text;
        ++count;
    }
    return table + complex;
}

inline QByteArray ObjRecord(int type, int id, bool ole = false) {
    QByteArray p = Words({0x15, 0x12, quint16(type), quint16(id), 0x6011}) + QByteArray(12, '\0');
    if (ole) p += Words({0x09, 4}) + Longs({0});
    if (type == 0x19) p += Words({0x0D, 22}) + QByteArray(22, '\0');
    return Rec(0x005D, p + Words({0, 0}));
}

// A TXO with its text and formatting runs, as a spreadsheet program writes a comment.
inline QByteArray TxoRecords(const QString& text, bool wide) {
    QByteArray p = Words({0x0212, 0, 0, 0, 0, quint16(text.size()), quint16(text.isEmpty() ? 0 : 16), 0, 0});
    QByteArray out = Rec(0x01B6, p);
    if (text.isEmpty()) return out;
    QByteArray chars = Bytes({wide ? 1 : 0});
    for (QChar c : text) chars += wide ? Words({c.unicode()}) : Bytes({int(c.unicode())});
    out += Rec(0x003C, chars);
    out += Rec(0x003C, Words({0, 0, 0, 0, quint16(text.size()), 0, 0, 0}));
    return out;
}

inline QByteArray NoteRecord(int row, int col, int objId, const QString& author = "Novák") {
    QByteArray p =
        Words({quint16(row), quint16(col), 0, quint16(objId), quint16(author.size())}) + Bytes({0});
    for (QChar c : author) p += Bytes({int(c.unicode())});
    return Rec(0x001C, p + Bytes({0}));
}

struct TShapeDef {
    quint32 ShapeId = 0;
    int ObjId = 0;
    QByteArray AnchorData{};
    int BlipPosition = 0;  // 1-based entry of the picture store; 0 for no picture
    QString Name{};        // null for no name
    bool Comment = false;
    QString Text{};
    bool WideText = false;
    bool Ole = false;
};

// The records of one sheet drawing: MSODRAWING pieces interleaved with the shapes' OBJ and TXO.
inline QByteArray SheetDrawing(const std::vector<TShapeDef>& shapes, int drawingId = 1) {
    struct Piece {
        QByteArray Head, Obj, Tail, Txo;
    };
    std::vector<Piece> pieces;
    int shapesSize = 0;
    quint32 lastId = 1024;
    for (const TShapeDef& s : shapes) {
        int count = 0;
        std::vector<std::pair<quint16, quint32>> simple = {{0x007F, 0x01040104}};
        if (s.BlipPosition) simple.push_back({0x4104, quint32(s.BlipPosition)});
        QByteArray props = Properties(simple, s.Name, count);
        QByteArray inner = EAtom(0xF00A, Longs({s.ShapeId, 0x0A00}), s.Comment ? 202 : 75, 2) +
                           EAtom(0xF00B, props, count, 3) + EAtom(0xF010, s.AnchorData) + EAtom(0xF011, {});
        QByteArray tail = s.Comment ? EAtom(0xF00D, {}) : QByteArray();
        Piece p;
        p.Head = EHeader(0xF, 0, 0xF004, inner.size() + tail.size()) + inner;
        p.Obj = ObjRecord(s.Comment ? 0x19 : 8, s.ObjId, s.Ole);
        p.Tail = tail;
        if (s.Comment) p.Txo = TxoRecords(s.Text, s.WideText);
        shapesSize += p.Head.size() + p.Tail.size();
        lastId = std::max(lastId, s.ShapeId);
        pieces.push_back(p);
    }
    QByteArray patriarch =
        EContainer(0xF004, EAtom(0xF009, QByteArray(16, '\0'), 0, 1) + EAtom(0xF00A, Longs({1024, 5}), 0, 2));
    QByteArray dg = EAtom(0xF008, Longs({quint32(shapes.size() + 1), lastId}), drawingId);
    QByteArray spgrHeader = EHeader(0xF, 0, 0xF003, patriarch.size() + shapesSize);
    QByteArray dgHeader =
        EHeader(0xF, 0, 0xF002, dg.size() + spgrHeader.size() + patriarch.size() + shapesSize);
    QByteArray first = dgHeader + dg + spgrHeader + patriarch;
    QByteArray out;
    if (pieces.empty()) return Rec(0x00EC, first);
    for (size_t i = 0; i < pieces.size(); ++i) {
        out += Rec(0x00EC, (i == 0 ? first : QByteArray()) + pieces[i].Head) + pieces[i].Obj;
        if (!pieces[i].Tail.isEmpty()) out += Rec(0x00EC, pieces[i].Tail) + pieces[i].Txo;
    }
    return out;
}

// A picture store entry as a spreadsheet program stores a PNG.
inline QByteArray PngEntry(const QByteArray& png, quint8 uidByte, int references) {
    QByteArray uid(16, char(uidByte));
    QByteArray blip = uid + Bytes({0xFF}) + png;
    QByteArray entry = Bytes({6, 6}) + uid + Words({0xFF}) +
                       Longs({quint32(blip.size() + 8), quint32(references), 0}) + Bytes({0, 0, 0, 0});
    return EAtom(0xF007, entry + EAtom(0xF01E, blip, 0x6E0), 6, 2);
}

inline QByteArray DrawingGroup(const QByteArray& entries, int entryCount) {
    QByteArray dgg = EAtom(0xF006, Longs({2048, 2, 10, 1, 1, 10}));
    QByteArray store = entryCount ? EContainer(0xF001, entries, entryCount) : QByteArray();
    return Rec(0x00EB, EContainer(0xF000, dgg + store + EAtom(0xF00B, QByteArray(), 0, 3)));
}

// A workbook of one sheet "List1" whose drawing holds the given shapes and notes.
inline QByteArray DrawingWorkbook(const QByteArray& group, const QByteArray& drawing, const QByteArray& notes,
                                  int rows = 12) {
    QByteArray globals = Bof(5) + Window1() + BoundSheet("List1") + group + Eof();
    QByteArray sheet = Bof(0x10);
    for (int r = 0; r < rows; ++r) sheet += RowRec(r);
    for (int r = 0; r < rows; ++r) sheet += Number(r, 0, r + 1);
    sheet += drawing + notes + Window2(true) + Eof();
    return globals + sheet;
}

}  // namespace xlstest
