#include "XLSAdapter/UXlsNotes.h"

#include <QIODevice>

#include "XLSAdapter/UXlsClientData.h"
#include "XLSAdapter/UXlsEscher.h"
#include "XLSAdapter/UXlsSections.h"
#include "XLSAdapter/XlsMessages.h"

namespace {
constexpr int kNoteMinSize = 8;
}

TNoteRecord::TNoteRecord(quint16 id, QByteArray data) : TBaseRowColRecord(id, std::move(data)) {
    CheckSize(kNoteMinSize);
}

std::unique_ptr<TBaseRecord> TNoteRecord::CreateLike(quint16 id, QByteArray data) const {
    return std::make_unique<TNoteRecord>(id, std::move(data));
}

std::unique_ptr<TBaseRecord> TNoteRecord::Clone() const {
    std::unique_ptr<TBaseRecord> copy = TBaseRecord::Clone();
    auto* note = static_cast<TNoteRecord*>(copy.get());
    note->Dwg = Dwg;
    note->Drawing = Drawing;
    return copy;
}

void TNoteRecord::Link(TEscherClientDataRecord* dwg, TDrawing* drawing) {
    Dwg = dwg;
    Drawing = drawing;
    if (Dwg) ++Dwg->NoteLinks;
}

TTXO* TNoteRecord::TextBox() const {
    if (!Dwg) return nullptr;
    TEscherRecord* top = Dwg->TopLevelShape();
    if (!top) return nullptr;
    auto* box = dynamic_cast<TEscherClientDataRecord*>(top->FindRecord(escher::ClientTextbox));
    return box ? dynamic_cast<TTXO*>(box->ClientData.get()) : nullptr;
}

QString TNoteRecord::GetText() const {
    TTXO* txo = TextBox();
    return txo ? txo->GetText() : QString();
}

void TNoteRecord::SetText(const QString& text) {
    if (TTXO* txo = TextBox()) txo->SetText(text);
}

void TNoteRecord::ArrangeInsert(int position, int count, const SheetInfo& info) {
    TBaseRowColRecord::ArrangeInsert(position, count, info);
    if (!Dwg) return;
    // The comment box goes with its cell whatever its own anchoring says.
    if (TEscherRecord* top = Dwg->TopLevelShape())
        if (TEscherRecord* anchor = top->FindRecord(escher::ClientAnchor))
            anchor->ArrangeInsert(position, count, true, info);
}

void TNoteRecord::ArrangeCopy(int newRow) {
    if (Dwg && Drawing) {
        if (TEscherRecord* top = Dwg->TopLevelShape()) {
            TEscherRecord* copy = Drawing->CopyShape(top, newRow - Row());
            auto* client = dynamic_cast<TEscherClientDataRecord*>(copy->FindRecord(escher::ClientData));
            Dwg = nullptr;
            Link(client, Drawing);
            if (client && client->ClientData) SetWord(Data, 6, quint16(client->ClientData->GetObjId()));
        }
    }
    TBaseRowColRecord::ArrangeCopy(newRow);
}

void TNoteRecord::RemoveShape() {
    if (!Dwg) return;
    if (!Drawing || !Drawing->DwgCache.Patriarch) XlsError(XlsMessages::ErrLoadingEscher);
    TEscherRecord* top = Dwg->TopLevelShape();
    Dwg = nullptr;
    if (top) Drawing->RemoveShape(top);
}

TNoteRecordList& TNoteList::EnsureRow(int row) {
    while (int(rows_.size()) <= row) rows_.push_back(std::make_unique<TNoteRecordList>());
    return *rows_[size_t(row)];
}

void TNoteList::Trim() {
    while (!rows_.empty() && rows_.back()->Count() == 0) rows_.pop_back();
}

void TNoteList::AddRecord(std::unique_ptr<TNoteRecord> note) {
    int row = note->Row();
    EnsureRow(row).Add(std::move(note));
}

void TNoteList::DeleteNote(int row, int index) {
    TNoteRecordList& list = Row(row);
    list.Note(index)->RemoveShape();
    list.Delete(index);
    Trim();
}

void TNoteList::FixDwg(TDrawing& drawing) {
    for (const auto& row : rows_) {
        for (int i = 0; i < row->Count(); ++i) {
            TNoteRecord* note = row->Note(i);
            note->Dwg = nullptr;
            TEscherClientDataRecord* found = nullptr;
            for (TEscherClientDataRecord* client : drawing.DwgCache.Obj) {
                if (client->ClientData && client->ClientData->RecordClass() == xlr::OBJ &&
                    client->ClientData->GetObjId() == note->ObjId()) {
                    found = client;
                    break;
                }
            }
            // A shape shows one comment: a second NOTE with the same object (a damaged file)
            // would otherwise free the shape under the first one when it goes.
            if (found && found->NoteLinks > 0) found = nullptr;
            note->Link(found, &drawing);
        }
    }
}

void TNoteList::DeleteRows(int row, int count, const SheetInfo& info) {
    const int end = std::min(row + count, Count());
    for (int r = row; r < end; ++r) {
        TNoteRecordList& list = *rows_[size_t(r)];
        while (list.Count() > 0) {
            list.Note(list.Count() - 1)->RemoveShape();
            list.Delete(list.Count() - 1);
        }
    }
    if (row < end) rows_.erase(rows_.begin() + row, rows_.begin() + end);
    for (const auto& list : rows_) list->ArrangeInsert(row, -count, info);
    Trim();
}

void TNoteList::InsertAndCopyRows(int first, int last, int destination, int copies, const SheetInfo& info) {
    const int height = last - first + 1;
    for (const auto& list : rows_) list->ArrangeInsert(destination, copies * height, info);
    int i = destination, shift = 0;
    for (int k = 0; k < copies; ++k) {
        for (int r = first; r <= last; ++r) {
            auto copy = std::make_unique<TNoteRecordList>();
            const int source = r + shift;
            if (source < Count()) {
                TNoteRecordList& from = *rows_[size_t(source)];
                for (int n = 0; n < from.Count(); ++n) {
                    std::unique_ptr<TBaseRecord> note = from.Note(n)->Clone();
                    static_cast<TNoteRecord&>(*note).ArrangeCopy(i);
                    copy->Add(std::move(note));
                }
            }
            if (copy->Count() > 0 || i < Count()) {
                while (Count() < i) rows_.push_back(std::make_unique<TNoteRecordList>());
                rows_.insert(rows_.begin() + i, std::move(copy));
            }
            ++i;
            if (first >= destination) ++shift;
        }
    }
    Trim();
}

void TNoteList::CopyFrom(const TNoteList& other) {
    rows_.clear();
    for (const auto& list : other.rows_) {
        auto copy = std::make_unique<TNoteRecordList>();
        for (int i = 0; i < list->Count(); ++i) copy->Add(list->Note(i)->Clone());
        rows_.push_back(std::move(copy));
    }
}

void TNoteList::SaveToStream(QIODevice& stream) const {
    for (const auto& list : rows_) list->SaveToStream(stream);
}

qint64 TNoteList::TotalSize() const {
    qint64 size = 0;
    for (const auto& list : rows_) size += list->TotalSize();
    return size;
}
