#pragma once

#include "XLSAdapter/UXlsBaseRecords.h"

// The small records whose fields other parts of the library read or set.

class TBOFRecord : public TBaseRecord {
    XLS_CLONEABLE(TBOFRecord)
    // Only BIFF8 (version 0x0600) is accepted.
    TBOFRecord(quint16 id, QByteArray data);
    enum : quint16 { Globals = 0x0005, Worksheet = 0x0010, Chart = 0x0020 };
    quint16 SubstreamType() const { return GetWord(Data, 2); }
};

class TBoundSheetRecord : public TBaseRecord {
    XLS_CLONEABLE(TBoundSheetRecord)
    TBoundSheetRecord(quint16 id, QByteArray data);
    TBoundSheetRecord(quint16 options, const QString& name);
    quint32 StreamPosition() const { return GetLongWord(Data, 0); }
    void SetStreamPosition(quint32 position) { SetLongWord(Data, 0, position); }
    quint16 Options() const { return GetWord(Data, 4); }
    QString SheetName() const;
    void SetSheetName(const QString& name);
};

class TWindow1Record : public TBaseRecord {
    XLS_CLONEABLE(TWindow1Record)
    TWindow1Record(quint16 id, QByteArray data);
    quint16 ActiveSheet() const { return GetWord(Data, 10); }
    // The active sheet is also the first visible tab and the only selected one.
    void SetActiveSheet(quint16 sheet);
};

class TWindow2Record : public TBaseRecord {
public:
    TWindow2Record(quint16 id, QByteArray data);
    quint16 Options() const { return GetWord(Data, 0); }
    bool ShowGridLines() const { return Options() & 0x0002; }
    void SetShowGridLines(bool on);
    bool Selected() const { return Options() & 0x0200; }
    void SetSelected(bool on);
    // A copied sheet must not also come out selected.
    std::unique_ptr<TBaseRecord> Clone() const override;

protected:
    std::unique_ptr<TBaseRecord> CreateLike(quint16 id, QByteArray data) const override;
};

class TDefColWidthRecord : public TBaseRecord {
    XLS_CLONEABLE(TDefColWidthRecord)
    TDefColWidthRecord(quint16 id, QByteArray data);
    quint16 Width() const { return GetWord(Data, 0); }
    void SetWidth(quint16 width) { SetWord(Data, 0, width); }
};

class TDefRowHeightRecord : public TBaseRecord {
    XLS_CLONEABLE(TDefRowHeightRecord)
    TDefRowHeightRecord(quint16 id, QByteArray data);
    quint16 Height() const { return GetWord(Data, 2); }
    void SetHeight(quint16 height) { SetWord(Data, 2, height); }
};

class TObjRecord : public TBaseRecord {
    XLS_CLONEABLE(TObjRecord)
    TObjRecord(quint16 id, QByteArray data);
    quint16 ObjKind = 0;  // kind of the first sub-record
    quint16 ObjType = 0;  // object type, when the first sub-record is the common object data
};

XLS_PLAIN_RECORD(TTXORecord, TBaseRecord)
