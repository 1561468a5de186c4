#include "XLSAdapter/UXlsEscher.h"

#include <algorithm>

#include "XLSAdapter/UEscherGraphToBSE.h"
#include "XLSAdapter/UXlsChart.h"
#include "XLSAdapter/UXlsClientData.h"
#include "XLSAdapter/UXlsSections.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

constexpr int kAnchorSize = 18;

// The drawing bytes of a record and of the CONTINUE records that carry its data on.
QByteArray ChainData(const TBaseRecord& record) {
    QByteArray data;
    for (const TBaseRecord* r = &record; r; r = r->Continue.get()) data += r->Data;
    return data;
}

std::unique_ptr<TEscherContainerRecord> ReadRoot(TEscherReader& reader, TEscherDwgCache* cache,
                                                 TEscherDwgGroupCache* groupCache) {
    quint16 pre, id;
    quint32 length;
    ReadEscherHeader(reader, pre, id, length);
    if ((pre & 0xF) != 0xF) XlsError(XlsMessages::ErrExcelInvalid);
    std::unique_ptr<TEscherRecord> root = CreateEscherRecord(pre, id, length, nullptr, cache, groupCache);
    return std::unique_ptr<TEscherContainerRecord>(static_cast<TEscherContainerRecord*>(root.release()));
}

// More drawing bytes from the next record, after what the last one left unread (a header that
// its writer split between two records).
void AppendRecord(TEscherReader& reader, const TBaseRecord& record) {
    reader.Data = reader.Data.mid(reader.Pos) + ChainData(record);
    reader.Pos = 0;
}

// A comment's shape belongs to its NOTE, which moves, copies and removes it together with
// itself; the drawing's own row operations leave it alone so that happens once.
bool IsNoteShape(TEscherRecord* topLevelShape) {
    if (!topLevelShape) return false;
    auto* client = dynamic_cast<TEscherClientDataRecord*>(topLevelShape->FindRecord(escher::ClientData));
    return client && client->NoteLinks > 0;
}

TEscherClientAnchorRecord* AnchorOf(TEscherOPTRecord* opt) {
    if (auto* sp = dynamic_cast<TEscherSpContainerRecord*>(opt->Parent); sp && sp->ClientAnchor)
        return sp->ClientAnchor;
    // A picture inside a group reports the group's anchor.
    if (TEscherRecord* top = opt->TopLevelShape())
        return dynamic_cast<TEscherClientAnchorRecord*>(top->FindRecord(escher::ClientAnchor));
    return nullptr;
}

}  // namespace

// ---- drawing group -----------------------------------------------------------------------

TDrawingGroup::TDrawingGroup() = default;

TDrawingGroup::~TDrawingGroup() { Clear(); }

void TDrawingGroup::Clear() {
    RecordCache.reset();
    DwgGroupCache = {};
}

void TDrawingGroup::LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> first) {
    if (RecordCache) XlsError(XlsMessages::ErrExcelInvalid);
    TEscherReader reader;
    reader.Data = ChainData(*first);
    RecordCache = ReadRoot(reader, nullptr, &DwgGroupCache);
    for (;;) {
        RecordCache->Load(reader);
        if (RecordCache->IsLoaded()) break;
        std::unique_ptr<TBaseRecord> next = ReadSectionRecord(stream);
        if (next->Id != xlr::MSODRAWINGGROUP) XlsError(XlsMessages::ErrExcelInvalid);
        AppendRecord(reader, *next);
    }
    RecordCache->AfterLoad();
}

void TDrawingGroup::SaveToStream(QIODevice& stream) {
    if (!RecordCache) return;
    TEscherWriter writer;
    RecordCache->SaveToStream(writer);
    WriteEscherRuns(writer, xlr::MSODRAWINGGROUP, &stream);
}

qint64 TDrawingGroup::TotalSize() {
    if (!RecordCache) return 0;
    TEscherWriter writer;
    RecordCache->SaveToStream(writer);
    return WriteEscherRuns(writer, xlr::MSODRAWINGGROUP, nullptr);
}

// ---- sheet drawing -----------------------------------------------------------------------

TDrawing::TDrawing(TDrawingGroup* drawingGroup) : DrawingGroup(drawingGroup) {}

TDrawing::~TDrawing() { Clear(); }

void TDrawing::Clear() {
    DwgCache.Destroying = true;
    RecordCache.reset();
    DwgCache = {};
}

void TDrawing::LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> first,
                              TWorkbookGlobals* globals) {
    if (RecordCache) XlsError(XlsMessages::ErrExcelInvalid);
    TEscherReader reader;
    reader.Data = ChainData(*first);
    RecordCache = ReadRoot(reader, &DwgCache, &DrawingGroup->DwgGroupCache);
    for (;;) {
        RecordCache->Load(reader);
        quint16 clientId;
        if (RecordCache->WaitingClientData(clientId)) {
            // A shape's client data comes in its own records, once its drawing record has ended.
            if (reader.Remaining() != 0) XlsError(XlsMessages::ErrExcelInvalid);
            std::unique_ptr<TBaseRecord> next = ReadSectionRecord(stream);
            if (next->Id != clientId) XlsError(XlsMessages::ErrUnsupportedDrawing);
            if (clientId == xlr::OBJ) {
                auto obj = std::make_unique<TMsObj>();
                obj->LoadFromStream(stream, std::move(next), globals);
                std::unique_ptr<TContinueRecord> remaining = std::move(obj->RemainingData);
                RecordCache->AssignClientData(std::move(obj));
                if (remaining) AppendRecord(reader, *remaining);
            } else {
                auto txo = std::make_unique<TTXO>();
                txo->LoadFromStream(std::move(next));
                RecordCache->AssignClientData(std::move(txo));
            }
            continue;
        }
        if (RecordCache->IsLoaded()) break;
        std::unique_ptr<TBaseRecord> next = ReadSectionRecord(stream);
        if (next->Id != xlr::MSODRAWING) XlsError(XlsMessages::ErrExcelInvalid);
        AppendRecord(reader, *next);
    }
    std::sort(DwgCache.Shape.begin(), DwgCache.Shape.end(),
              [](TEscherSPRecord* a, TEscherSPRecord* b) { return a->ShapeId() < b->ShapeId(); });
    if (DwgCache.Solver) DwgCache.Solver->FixPointers();
}

void TDrawing::SaveToStream(QIODevice& stream) {
    if (!RecordCache) return;
    TEscherWriter writer;
    RecordCache->SaveToStream(writer);
    WriteEscherRuns(writer, xlr::MSODRAWING, &stream);
}

qint64 TDrawing::TotalSize() {
    if (!RecordCache) return 0;
    TEscherWriter writer;
    RecordCache->SaveToStream(writer);
    return WriteEscherRuns(writer, xlr::MSODRAWING, nullptr);
}

void TDrawing::CopyFrom(const TDrawing& source) {
    Clear();
    if (!source.RecordCache) return;
    TEscherCopyContext context{&DwgCache, &DrawingGroup->DwgGroupCache, 0, false};
    std::unique_ptr<TEscherRecord> copy = source.RecordCache->CopyTo(context, nullptr);
    source.RecordCache->ClearCopiedTo();
    RecordCache.reset(static_cast<TEscherContainerRecord*>(copy.release()));
    std::sort(DwgCache.Shape.begin(), DwgCache.Shape.end(),
              [](TEscherSPRecord* a, TEscherSPRecord* b) { return a->ShapeId() < b->ShapeId(); });
    if (DwgCache.Solver) DwgCache.Solver->FixPointers();
    if (DrawingGroup->DwgGroupCache.Dgg) DrawingGroup->DwgGroupCache.Dgg->AddSavedDrawing();
}

TEscherRecord* TDrawing::CopyShape(TEscherRecord* topLevelShape, int rowOffset) {
    if (!DwgCache.Patriarch) XlsError(XlsMessages::ErrLoadingEscher);
    TEscherCopyContext context{&DwgCache, &DrawingGroup->DwgGroupCache, rowOffset, true};
    std::unique_ptr<TEscherRecord> copy = topLevelShape->CopyTo(context, DwgCache.Patriarch);
    TEscherRecord* result = copy.get();
    DwgCache.Patriarch->Add(std::move(copy));
    return result;
}

void TDrawing::RemoveShape(TEscherRecord* topLevelShape) {
    if (!DwgCache.Patriarch) XlsError(XlsMessages::ErrLoadingEscher);
    DwgCache.Patriarch->Remove(topLevelShape);
}

void TDrawing::InsertAndCopyRows(int firstRow, int lastRow, int destRow, int count, const SheetInfo& info) {
    if (!RecordCache || DwgCache.Shape.empty()) return;
    const int height = lastRow - firstRow + 1;
    ArrangeInsert(destRow, count * height, info);
    // The source block has moved down when the rows went in above it.
    const int shift = firstRow >= destRow ? count * height : 0;
    const int sourceFirst = firstRow + shift, sourceLast = lastRow + shift;
    for (int k = 0; k < count; ++k) {
        const int target = destRow + k * height;
        RecordCache->ClearCopiedTo();
        const std::vector<TEscherClientAnchorRecord*> anchors = DwgCache.Anchor;
        for (TEscherClientAnchorRecord* anchor : anchors) {
            auto mode = anchor->MoveMode();
            if (mode != TEscherClientAnchorRecord::TMoveMode::MoveAndSize &&
                mode != TEscherClientAnchorRecord::TMoveMode::MoveDontSize)
                continue;
            if (anchor->Row1() < sourceFirst || anchor->Row2() > sourceLast) continue;
            TEscherRecord* top = anchor->TopLevelShape();
            if (!top || top->CopiedTo || IsNoteShape(top)) continue;
            CopyShape(top, target - sourceFirst);
        }
        if (DwgCache.Solver) DwgCache.Solver->ArrangeCopyRows();
    }
    RecordCache->ClearCopiedTo();
}

void TDrawing::DeleteRows(int row, int count, const SheetInfo& info) {
    if (!RecordCache) return;
    std::vector<TEscherRecord*> gone;
    for (TEscherClientAnchorRecord* anchor : DwgCache.Anchor) {
        if (anchor->MoveMode() != TEscherClientAnchorRecord::TMoveMode::MoveAndSize) continue;
        if (anchor->Row1() < row || anchor->Row2() >= row + count) continue;
        TEscherRecord* top = anchor->TopLevelShape();
        if (!top) XlsError(XlsMessages::ErrLoadingEscher);
        if (IsNoteShape(top) || std::find(gone.begin(), gone.end(), top) != gone.end()) continue;
        gone.push_back(top);
    }
    for (TEscherRecord* top : gone) RemoveShape(top);
    ArrangeInsert(row, -count, info);
}

void TDrawing::ArrangeInsert(int row, int count, const SheetInfo& info) {
    if (!RecordCache) return;
    for (TEscherClientAnchorRecord* anchor : DwgCache.Anchor)
        if (!IsNoteShape(anchor->TopLevelShape())) anchor->ArrangeInsert(row, count, false, info);
    for (TEscherClientDataRecord* client : DwgCache.Obj) client->ArrangeInsert(row, count, false, info);
}

void TDrawing::ArrangeCopySheet(const SheetInfo& info) {
    for (TEscherClientDataRecord* client : DwgCache.Obj) client->ArrangeCopySheet(info);
}

void TDrawing::ForEachChart(const std::function<void(TChart&)>& f) const {
    for (TEscherClientDataRecord* client : DwgCache.Obj)
        if (auto* obj = dynamic_cast<TMsObj*>(client->ClientData.get()); obj && obj->Chart) f(*obj->Chart);
}

// ---- pictures ----------------------------------------------------------------------------

int TDrawing::PictureCount() const { return int(DwgCache.Blip.size()); }

TEscherOPTRecord* TDrawing::Picture(int index) const {
    if (index < 0 || index >= PictureCount()) XlsError(XlsMessages::ErrIndexOutOfRangeAssert);
    return DwgCache.Blip[size_t(index)];
}

QString TDrawing::PictureName(int index) const { return Picture(index)->ShapeName; }

int TDrawing::PictureRow(int index) const {
    TEscherClientAnchorRecord* anchor = AnchorOf(Picture(index));
    return anchor ? anchor->Row1() : 0;
}

QByteArray TDrawing::PictureAnchor(int index) const {
    TEscherClientAnchorRecord* anchor = AnchorOf(Picture(index));
    return anchor ? anchor->Data.left(kAnchorSize) : QByteArray(kAnchorSize, '\0');
}

void TDrawing::GetPicture(int index, QIODevice& stream, TXlsImgTypes& picType) const {
    TEscherOPTRecord* opt = Picture(index);
    if (opt->Blips.size() != 1) XlsError(XlsMessages::ErrProcessingEscher);
    QByteArray image = BSEImageBytes(*opt->Blips[0], picType);
    WriteBytes(stream, image.constData(), image.size());
}

void TDrawing::AssignPicture(int index, const QByteArray& data, TXlsImgTypes picType) {
    TEscherOPTRecord* opt = Picture(index);
    if (opt->Blips.size() != 1) XlsError(XlsMessages::ErrProcessingEscher);
    TEscherBStoreRecord* store = DrawingGroup->DwgGroupCache.BStore;
    if (!store) XlsError(XlsMessages::ErrProcessingEscher);
    std::unique_ptr<TEscherBSERecord> bse = ConvertGraphicToBSE(data, picType, &DrawingGroup->DwgGroupCache);
    int position;
    TEscherBSERecord* chosen;
    if (store->Find(*bse, position)) {
        chosen = store->Entry(position);
    } else {
        chosen = bse.get();
        store->InsertEntry(position, std::move(bse));
    }
    TEscherBSERecord* old = opt->Blips[0];
    if (chosen == old) return;
    chosen->AddReference(1);
    old->AddReference(-1);
    opt->ReplaceBlip(chosen);
    if (old->References() == 0) store->RemoveEntry(old);
}
