#pragma once

// A sheet's comments: the NOTE records by row, each tied to the shape of the sheet's drawing
// that shows its text. A NOTE moves, copies and removes its shape together with itself.

#include <QString>
#include <memory>
#include <vector>

#include "XLSAdapter/UXlsBaseRecordLists.h"

class TDrawing;
class TEscherClientDataRecord;
class TTXO;

class TNoteRecord : public TBaseRowColRecord {
public:
    TNoteRecord(quint16 id, QByteArray data);
    // The client data of the comment's shape; not owned, none when no shape carries the NOTE.
    TEscherClientDataRecord* Dwg = nullptr;
    TDrawing* Drawing = nullptr;

    quint16 ObjId() const { return GetWord(Data, 6); }
    QString GetText() const;
    void SetText(const QString& text);
    // Shares the shape until placed: ArrangeCopy gives the copy a shape of its own.
    std::unique_ptr<TBaseRecord> Clone() const override;
    void ArrangeInsert(int position, int count, const SheetInfo& info) override;
    void ArrangeCopy(int newRow) override;
    // Frees the comment's shape; the NOTE is freed by its list.
    void RemoveShape();
    void Link(TEscherClientDataRecord* dwg, TDrawing* drawing);

protected:
    std::unique_ptr<TBaseRecord> CreateLike(quint16 id, QByteArray data) const override;

private:
    TTXO* TextBox() const;
};

class TNoteRecordList : public TBaseRowColRecordList {
public:
    TNoteRecord* Note(int i) const { return static_cast<TNoteRecord*>(items_[size_t(i)].get()); }
};

class TNoteList {
public:
    // Rows up to the last one that has a NOTE; rows between hold empty lists.
    int Count() const { return int(rows_.size()); }
    TNoteRecordList& Row(int row) const { return *rows_[size_t(row)]; }

    void AddRecord(std::unique_ptr<TNoteRecord> note);
    // Removes a comment: its shape leaves the drawing and the NOTE is freed.
    void DeleteNote(int row, int index);
    // Ties every NOTE to the shape whose OBJ has its object identifier.
    void FixDwg(TDrawing& drawing);

    void DeleteRows(int row, int count, const SheetInfo& info);
    void InsertAndCopyRows(int first, int last, int destination, int copies, const SheetInfo& info);
    void CopyFrom(const TNoteList& other);
    void Clear() { rows_.clear(); }
    void SaveToStream(QIODevice& stream) const;
    qint64 TotalSize() const;

private:
    std::vector<std::unique_ptr<TNoteRecordList>> rows_;
    TNoteRecordList& EnsureRow(int row);
    // Rows after the last NOTE are not counted.
    void Trim();
};
