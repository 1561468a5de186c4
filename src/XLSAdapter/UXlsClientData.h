#pragma once

// The BIFF records a drawing shape carries between its drawing records: the OBJ record (with an
// embedded chart's substream) and the TXO record of a text box with its text. They are written
// right after the shape's client data atom, so the drawing writer asks them for their bytes.

#include <QIODevice>
#include <QString>
#include <memory>

#include "XLSAdapter/UXlsBaseRecords.h"
#include "XLSAdapter/UXlsOtherRecords.h"

class TChart;
class TWorkbookGlobals;
class TSST;

class TBaseClientData {
public:
    virtual ~TBaseClientData() = default;
    virtual int GetObjId() const { return 0; }
    virtual void SetObjId(int) {}
    // Takes the next free object identifier of the drawing.
    virtual void NewObjId(quint16&) {}
    virtual std::unique_ptr<TBaseClientData> CopyTo() const = 0;
    virtual void SaveToStream(QIODevice& stream) const = 0;
    virtual qint64 TotalSize() const = 0;
    virtual void ArrangeCopySheet(const SheetInfo&) {}
    virtual void ArrangeInsert(int, int, const SheetInfo&) {}
    virtual void ArrangeCopyRows(int) {}
    virtual quint16 RecordClass() const = 0;
};

// An OBJ record, with the chart it introduces when it is one.
class TMsObj : public TBaseClientData {
public:
    TMsObj();
    ~TMsObj() override;
    std::unique_ptr<TObjRecord> Obj;
    std::unique_ptr<TChart> Chart;
    bool HasOleObject = false;
    // Drawing data of the next shape that followed the OBJ in a CONTINUE record.
    std::unique_ptr<TContinueRecord> RemainingData;

    // Takes the OBJ just read; a chart object also reads its substream from `stream`.
    void LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> first, TWorkbookGlobals* globals);
    int GetObjId() const override;
    void SetObjId(int id) override;
    void NewObjId(quint16& maxId) override;
    std::unique_ptr<TBaseClientData> CopyTo() const override;
    void SaveToStream(QIODevice& stream) const override;
    qint64 TotalSize() const override;
    void ArrangeCopySheet(const SheetInfo& info) override;
    void ArrangeInsert(int row, int count, const SheetInfo& info) override;
    void ArrangeCopyRows(int offset) override;
    quint16 RecordClass() const override;
    // The object type of the common object data (25 for a comment), 0 when there is none.
    int ObjType() const;
};

// A TXO record with its CONTINUE records: the text, then its formatting runs.
class TTXO : public TBaseClientData {
public:
    std::unique_ptr<TBaseRecord> Txo;
    void LoadFromStream(std::unique_ptr<TBaseRecord> first);
    std::unique_ptr<TBaseClientData> CopyTo() const override;
    void SaveToStream(QIODevice& stream) const override;
    qint64 TotalSize() const override;
    quint16 RecordClass() const override;

    QString GetText() const;
    // Replaces text and formatting: the whole text in font 0.
    void SetText(const QString& text);
};
