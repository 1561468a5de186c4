#include "XLSAdapter/UEscherRecords.h"

#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <functional>

#include "XLSAdapter/UXlsClientData.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

constexpr quint16 kContinueId = 0x003C;
constexpr int kMaxRow = 65535;
// A single atom larger than this cannot be held in memory as one byte array; no real drawing
// comes near it, so such a length can only be damage.
constexpr quint32 kMaxAtomSize = 0x7FFF0000u;

template <typename T>
void Unregister(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

QByteArray Header(quint16 pre, quint16 id, quint32 length) {
    QByteArray h(escher::kHeaderSize, '\0');
    SetWord(h, 0, pre);
    SetWord(h, 2, id);
    SetLongWord(h, 4, length);
    return h;
}

}  // namespace

// ---- reading and writing -----------------------------------------------------------------

void ReadEscherHeader(TEscherReader& reader, quint16& pre, quint16& id, quint32& length) {
    if (reader.Remaining() < escher::kHeaderSize) XlsError(XlsMessages::ErrExcelInvalid);
    pre = GetWord(reader.Data, reader.Pos);
    id = GetWord(reader.Data, reader.Pos + 2);
    length = GetLongWord(reader.Data, reader.Pos + 4);
    reader.Pos += escher::kHeaderSize;
}

void TEscherWriter::AppendHeader(quint16 pre, quint16 id, quint32 length) {
    Runs.back().Headers.push_back(int(Runs.back().Bytes.size()));
    Runs.back().Bytes += Header(pre, id, length);
}

void TEscherWriter::EndRun(TBaseClientData* clientData) {
    Runs.back().ClientData = clientData;
    Runs.push_back(Run{});
}

qint64 WriteEscherRuns(const TEscherWriter& writer, quint16 firstId, QIODevice* stream) {
    qint64 total = 0;
    for (const TEscherWriter::Run& run : writer.Runs) {
        const int length = int(run.Bytes.size());
        int pos = 0;
        bool first = true;
        while (pos < length) {
            int end = std::min(pos + escher::kMaxBiffData, length);
            if (end < length) {
                // A record break inside a drawing record header would leave readers with half a
                // header at the end of one record: the break moves back to where the header starts.
                auto it =
                    std::lower_bound(run.Headers.begin(), run.Headers.end(), end - escher::kHeaderSize + 1);
                if (it != run.Headers.end() && *it<end&& * it> pos) end = *it;
            }
            const int size = end - pos;
            if (stream) {
                QByteArray h(4, '\0');
                SetWord(h, 0, first ? firstId : kContinueId);
                SetWord(h, 2, quint16(size));
                WriteBytes(*stream, h.constData(), 4);
                WriteBytes(*stream, run.Bytes.constData() + pos, size);
            }
            total += 4 + size;
            pos = end;
            first = false;
        }
        if (run.ClientData) {
            if (stream) run.ClientData->SaveToStream(*stream);
            total += run.ClientData->TotalSize();
        }
    }
    return total;
}

// ---- the base record ---------------------------------------------------------------------

TEscherRecord::TEscherRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                             TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache)
    : Parent(parent),
      DwgCache(dwgCache),
      DwgGroupCache(dwgGroupCache),
      Pre(pre),
      Id(id),
      TotalDataSize(length) {}

TEscherRecord::~TEscherRecord() = default;

std::unique_ptr<TEscherRecord> TEscherRecord::CopyTo(const TEscherCopyContext&, TEscherRecord*) {
    XlsError(XlsMessages::ErrLogicalError);
}

bool TEscherRecord::IsLoaded() const {
    if (LoadedDataSize > TotalDataSize) XlsError(XlsMessages::ErrLogicalError);
    return LoadedDataSize == TotalDataSize;
}

void TEscherRecord::CheckFullyLoaded() const {
    if (!IsLoaded()) XlsError(XlsMessages::ErrEscherNotLoaded);
}

bool TEscherRecord::WaitingClientData(quint16&) const { return false; }

void TEscherRecord::AssignClientData(std::unique_ptr<TBaseClientData>) {
    XlsError(XlsMessages::ErrLoadingEscher);
}

void TEscherRecord::ArrangeInsert(int, int, bool, const SheetInfo&) {}

TEscherRecord* TEscherRecord::FindRecord(quint16) { return nullptr; }

int TEscherRecord::CompareRec(const TEscherRecord& other) const {
    if (Id != other.Id) return Id < other.Id ? -1 : 1;
    if (Pre != other.Pre) return Pre < other.Pre ? -1 : 1;
    if (TotalDataSize != other.TotalDataSize) return TotalDataSize < other.TotalDataSize ? -1 : 1;
    return 0;
}

TEscherRecord* TEscherRecord::TopLevelShape() {
    if (!DwgCache || !DwgCache->Patriarch) return nullptr;
    TEscherRecord* r = this;
    while (r->Parent && r->Parent != DwgCache->Patriarch) r = r->Parent;
    return r->Parent == DwgCache->Patriarch ? r : nullptr;
}

// ---- atoms -------------------------------------------------------------------------------

std::unique_ptr<TEscherDataRecord> TEscherDataRecord::CreateLike(const TEscherCopyContext& context,
                                                                 TEscherRecord* parent) const {
    return std::make_unique<TEscherDataRecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                               context.DwgGroupCache);
}

std::unique_ptr<TEscherRecord> TEscherDataRecord::CopyTo(const TEscherCopyContext& context,
                                                         TEscherRecord* parent) {
    CheckFullyLoaded();
    std::unique_ptr<TEscherDataRecord> copy = CreateLike(context, parent);
    copy->Data = Data;
    copy->LoadedDataSize = LoadedDataSize;
    CopiedTo = copy.get();
    return copy;
}

void TEscherDataRecord::Load(TEscherReader& reader) {
    if (TotalDataSize > kMaxAtomSize) XlsError(XlsMessages::ErrLoadingEscher);
    const qint64 wanted = qint64(TotalDataSize) - LoadedDataSize;
    const int n = int(std::min<qint64>(wanted, reader.Remaining()));
    if (n < 0) XlsError(XlsMessages::ErrLoadingEscher);
    Data.append(reader.Data.constData() + reader.Pos, n);
    reader.Pos += n;
    LoadedDataSize += quint32(n);
}

void TEscherDataRecord::SaveToStream(TEscherWriter& writer) {
    CheckFullyLoaded();
    if (Data.size() != qint64(TotalDataSize)) XlsError(XlsMessages::ErrLogicalError);
    writer.AppendHeader(Pre, Id, TotalDataSize);
    writer.Append(Data);
}

int TEscherDataRecord::CompareRec(const TEscherRecord& other) const {
    int c = TEscherRecord::CompareRec(other);
    if (c != 0) return c;
    const auto* o = dynamic_cast<const TEscherDataRecord*>(&other);
    if (!o) return 0;
    return std::clamp(std::memcmp(Data.constData(), o->Data.constData(), size_t(Data.size())), -1, 1);
}

// ---- containers --------------------------------------------------------------------------

TEscherContainerRecord::~TEscherContainerRecord() {
    // Children unhook themselves from the indexes as they go; the last first keeps the vectors
    // of the indexes cheap to shrink.
    while (!FContainedRecords.empty()) FContainedRecords.pop_back();
}

std::unique_ptr<TEscherContainerRecord> TEscherContainerRecord::CreateLike(const TEscherCopyContext& context,
                                                                           TEscherRecord* parent) const {
    return std::make_unique<TEscherContainerRecord>(Pre, Id, 0, parent, context.DwgCache,
                                                    context.DwgGroupCache);
}

std::unique_ptr<TEscherRecord> TEscherContainerRecord::CopyTo(const TEscherCopyContext& context,
                                                              TEscherRecord* parent) {
    CheckFullyLoaded();
    std::unique_ptr<TEscherContainerRecord> copy = CreateLike(context, parent);
    CopiedTo = copy.get();
    for (const auto& child : FContainedRecords) copy->Add(child->CopyTo(context, copy.get()));
    copy->TotalDataSize = copy->LoadedDataSize = quint32(copy->TotalSize() - escher::kHeaderSize);
    return copy;
}

void TEscherContainerRecord::Load(TEscherReader& reader) {
    if (LoadedDataSize > TotalDataSize) XlsError(XlsMessages::ErrExcelInvalid);
    // Nothing more is read until the shape's client data has come in its own record.
    quint16 waiting;
    if (WaitingClientData(waiting)) return;
    while (LoadedDataSize < TotalDataSize) {
        TEscherRecord* last = FContainedRecords.empty() ? nullptr : FContainedRecords.back().get();
        if (!last || last->IsLoaded()) {
            // A header cut by the end of the record is read once the next record has come.
            if (reader.Remaining() < escher::kHeaderSize) return;
            quint16 pre, id;
            quint32 length;
            ReadEscherHeader(reader, pre, id, length);
            // A child must fit in what its container declared, or every size after it is wrong.
            if (qint64(LoadedDataSize) + escher::kHeaderSize + length > qint64(TotalDataSize))
                XlsError(XlsMessages::ErrExcelInvalid);
            Add(CreateEscherRecord(pre, id, length, this, DwgCache, DwgGroupCache));
            last = FContainedRecords.back().get();
        }
        if (!last->IsLoaded()) last->Load(reader);
        // A child that could not finish waits for the next record; so does its container.
        if (!last->IsLoaded()) return;
        LoadedDataSize += escher::kHeaderSize + last->TotalDataSize;
        last->AfterLoad();
        quint16 client;
        if (WaitingClientData(client)) return;
    }
}

void TEscherContainerRecord::SaveToStream(TEscherWriter& writer) {
    CheckFullyLoaded();
    writer.AppendHeader(Pre, Id, quint32(TotalSize() - escher::kHeaderSize));
    for (const auto& child : FContainedRecords) child->SaveToStream(writer);
}

qint64 TEscherContainerRecord::TotalSize() const {
    // Until loaded, the header's own length is all there is to go by.
    if (LoadedDataSize < TotalDataSize) return escher::kHeaderSize + qint64(TotalDataSize);
    qint64 size = escher::kHeaderSize;
    for (const auto& child : FContainedRecords) size += child->TotalSize();
    return size;
}

bool TEscherContainerRecord::WaitingClientData(quint16& clientRecordId) const {
    return !FContainedRecords.empty() && FContainedRecords.back()->WaitingClientData(clientRecordId);
}

void TEscherContainerRecord::AssignClientData(std::unique_ptr<TBaseClientData> clientData) {
    if (FContainedRecords.empty()) XlsError(XlsMessages::ErrLoadingEscher);
    FContainedRecords.back()->AssignClientData(std::move(clientData));
}

void TEscherContainerRecord::ArrangeInsert(int row, int count, bool forceMove, const SheetInfo& info) {
    for (const auto& child : FContainedRecords) child->ArrangeInsert(row, count, forceMove, info);
}

void TEscherContainerRecord::ArrangeCopySheet(const SheetInfo& info) {
    for (const auto& child : FContainedRecords) child->ArrangeCopySheet(info);
}

void TEscherContainerRecord::ClearCopiedTo() {
    CopiedTo = nullptr;
    for (const auto& child : FContainedRecords) child->ClearCopiedTo();
}

TEscherRecord* TEscherContainerRecord::FindRecord(quint16 id) {
    for (const auto& child : FContainedRecords) {
        if (child->Id == id) return child.get();
        if (TEscherRecord* r = child->FindRecord(id)) return r;
    }
    return nullptr;
}

void TEscherContainerRecord::Add(std::unique_ptr<TEscherRecord> child) {
    TEscherRecord* c = child.get();
    c->Parent = this;
    FContainedRecords.push_back(std::move(child));
    ChildAdded(c);
}

bool TEscherContainerRecord::Remove(TEscherRecord* child) {
    for (auto it = FContainedRecords.begin(); it != FContainedRecords.end(); ++it) {
        if (it->get() != child) continue;
        // Taken out first: the child's destructor may reach back into this container (a rule
        // going with its shape), which must not see a half-erased list.
        std::unique_ptr<TEscherRecord> gone = std::move(*it);
        FContainedRecords.erase(it);
        return true;
    }
    return false;
}

std::unique_ptr<TEscherContainerRecord> TEscherSpContainerRecord::CreateLike(
    const TEscherCopyContext& context, TEscherRecord* parent) const {
    return std::make_unique<TEscherSpContainerRecord>(Pre, Id, 0, parent, context.DwgCache,
                                                      context.DwgGroupCache);
}

void TEscherSpContainerRecord::ChildAdded(TEscherRecord* child) {
    if (auto* sp = dynamic_cast<TEscherSPRecord*>(child)) SP = sp;
    if (auto* opt = dynamic_cast<TEscherOPTRecord*>(child)) Opt = opt;
    if (auto* anchor = dynamic_cast<TEscherClientAnchorRecord*>(child)) ClientAnchor = anchor;
}

TEscherSpgrContainerRecord::TEscherSpgrContainerRecord(quint16 pre, quint16 id, quint32 length,
                                                       TEscherRecord* parent, TEscherDwgCache* dwgCache,
                                                       TEscherDwgGroupCache* dwgGroupCache)
    : TEscherContainerRecord(pre, id, length, parent, dwgCache, dwgGroupCache) {
    if (DwgCache && !DwgCache->Patriarch) DwgCache->Patriarch = this;
}

TEscherSpgrContainerRecord::~TEscherSpgrContainerRecord() {
    // The children go before the patriarch mark: they find their top-level shape through it.
    while (!FContainedRecords.empty()) FContainedRecords.pop_back();
    if (DwgCache && DwgCache->Patriarch == this) DwgCache->Patriarch = nullptr;
}

std::unique_ptr<TEscherContainerRecord> TEscherSpgrContainerRecord::CreateLike(
    const TEscherCopyContext& context, TEscherRecord* parent) const {
    return std::make_unique<TEscherSpgrContainerRecord>(Pre, Id, 0, parent, context.DwgCache,
                                                        context.DwgGroupCache);
}

// ---- solver and rules --------------------------------------------------------------------

TEscherSolverContainerRecord::TEscherSolverContainerRecord(quint16 pre, quint16 id, quint32 length,
                                                           TEscherRecord* parent, TEscherDwgCache* dwgCache,
                                                           TEscherDwgGroupCache* dwgGroupCache)
    : TEscherContainerRecord(pre, id, length, parent, dwgCache, dwgGroupCache) {
    if (DwgCache) {
        if (DwgCache->Solver) XlsError(XlsMessages::ErrSolverDuplicated);
        DwgCache->Solver = this;
    }
}

TEscherSolverContainerRecord::~TEscherSolverContainerRecord() {
    while (!FContainedRecords.empty()) FContainedRecords.pop_back();
    if (DwgCache && DwgCache->Solver == this) DwgCache->Solver = nullptr;
}

std::unique_ptr<TEscherContainerRecord> TEscherSolverContainerRecord::CreateLike(
    const TEscherCopyContext& context, TEscherRecord* parent) const {
    auto copy = std::make_unique<TEscherSolverContainerRecord>(Pre, Id, 0, parent, context.DwgCache,
                                                               context.DwgGroupCache);
    copy->MaxRuleId = MaxRuleId;
    return copy;
}

void TEscherSolverContainerRecord::DeleteRef(TEscherSPRecord* shape) {
    for (int i = Count() - 1; i >= 0; --i) {
        auto* rule = dynamic_cast<TRuleRecord*>(FContainedRecords[size_t(i)].get());
        if (rule && rule->DeleteRef(shape)) Remove(rule);
    }
}

void TEscherSolverContainerRecord::FixPointers() {
    for (const auto& child : FContainedRecords)
        if (auto* rule = dynamic_cast<TRuleRecord*>(child.get())) rule->FixPointers();
}

void TEscherSolverContainerRecord::ArrangeCopyRows() {
    // Copies are added at the end and must not be copied again.
    std::vector<TRuleRecord*> rules;
    for (const auto& child : FContainedRecords)
        if (auto* rule = dynamic_cast<TRuleRecord*>(child.get())) rules.push_back(rule);
    for (TRuleRecord* rule : rules) rule->ArrangeCopyRows();
}

TEscherSPRecord* TRuleRecord::FindShape(quint32 id) const {
    if (!DwgCache || id == 0) return nullptr;
    for (TEscherSPRecord* sp : DwgCache->Shape)
        if (sp->ShapeId() == id) return sp;
    return nullptr;
}

void TRuleRecord::SaveToStream(TEscherWriter& writer) {
    std::vector<int> fields = ShapeFields();
    if (shapes_.size() == fields.size())
        for (size_t k = 0; k < fields.size(); ++k)
            SetLongWord(Data, fields[k], shapes_[k] ? shapes_[k]->ShapeId() : 0);
    TEscherDataRecord::SaveToStream(writer);
}

void TRuleRecord::CopyRuleInto(TEscherSolverContainerRecord* solver) {
    TEscherCopyContext context{DwgCache, DwgGroupCache, 0, false};
    auto copy = CreateLike(context, solver);
    copy->Data = Data;
    copy->LoadedDataSize = LoadedDataSize;
    auto* rule = static_cast<TRuleRecord*>(copy.get());
    solver->MaxRuleId += 2;
    SetLongWord(rule->Data, 0, solver->MaxRuleId);
    rule->shapes_.clear();
    for (TEscherSPRecord* sp : shapes_)
        rule->shapes_.push_back(sp && sp->CopiedTo ? static_cast<TEscherSPRecord*>(sp->CopiedTo) : nullptr);
    solver->Add(std::move(copy));
    solver->TotalDataSize = solver->LoadedDataSize = quint32(solver->TotalSize() - escher::kHeaderSize);
}

namespace {

void FixRule(TRuleRecord& rule, const std::vector<int>& fields, std::vector<TEscherSPRecord*>& shapes,
             const std::function<TEscherSPRecord*(quint32)>& find) {
    if (rule.Data.size() < fields.back() + 4) XlsError(XlsMessages::ErrLoadingEscher);
    shapes.clear();
    for (int f : fields) shapes.push_back(find(GetLongWord(rule.Data, f)));
    if (auto* solver = dynamic_cast<TEscherSolverContainerRecord*>(rule.Parent))
        solver->MaxRuleId = std::max(solver->MaxRuleId, rule.RuleId());
}

}  // namespace

bool TEscherConnectorRuleRecord::DeleteRef(TEscherSPRecord* shape) {
    bool goes = false;
    for (size_t k = 0; k < shapes_.size(); ++k) {
        if (shapes_[k] != shape) continue;
        if (int(k) == OwnerField()) goes = true;
        shapes_[k] = nullptr;
    }
    return goes;
}

void TEscherConnectorRuleRecord::FixPointers() {
    FixRule(*this, ShapeFields(), shapes_, [this](quint32 id) { return FindShape(id); });
}

void TEscherConnectorRuleRecord::ArrangeCopyRows() {
    TEscherSPRecord* owner = shapes_.size() > size_t(OwnerField()) ? shapes_[size_t(OwnerField())] : nullptr;
    if (owner && owner->CopiedTo) CopyRuleInto(static_cast<TEscherSolverContainerRecord*>(Parent));
}

std::unique_ptr<TEscherDataRecord> TEscherConnectorRuleRecord::CreateLike(const TEscherCopyContext& context,
                                                                          TEscherRecord* parent) const {
    return std::make_unique<TEscherConnectorRuleRecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                                        context.DwgGroupCache);
}

bool TEscherSingleShapeRuleRecord::DeleteRef(TEscherSPRecord* shape) {
    return !shapes_.empty() && shapes_[0] == shape;
}

void TEscherSingleShapeRuleRecord::FixPointers() {
    FixRule(*this, ShapeFields(), shapes_, [this](quint32 id) { return FindShape(id); });
}

void TEscherSingleShapeRuleRecord::ArrangeCopyRows() {
    if (!shapes_.empty() && shapes_[0] && shapes_[0]->CopiedTo)
        CopyRuleInto(static_cast<TEscherSolverContainerRecord*>(Parent));
}

std::unique_ptr<TEscherDataRecord> TEscherSingleShapeRuleRecord::CreateLike(const TEscherCopyContext& context,
                                                                            TEscherRecord* parent) const {
    return std::make_unique<TEscherSingleShapeRuleRecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                                          context.DwgGroupCache);
}

// ---- picture store -----------------------------------------------------------------------

TEscherBStoreRecord::TEscherBStoreRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                                         TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache)
    : TEscherContainerRecord(pre, id, length, parent, dwgCache, dwgGroupCache) {
    if (DwgGroupCache) {
        if (DwgGroupCache->BStore) XlsError(XlsMessages::ErrBStoreDuplicated);
        DwgGroupCache->BStore = this;
    }
}

TEscherBStoreRecord::~TEscherBStoreRecord() {
    while (!FContainedRecords.empty()) FContainedRecords.pop_back();
    if (DwgGroupCache && DwgGroupCache->BStore == this) DwgGroupCache->BStore = nullptr;
}

void TEscherBStoreRecord::AfterLoad() {
    for (const auto& child : FContainedRecords) {
        auto* bse = dynamic_cast<TEscherBSERecord*>(child.get());
        if (!bse || bse->Data.size() < 36) XlsError(XlsMessages::ErrLoadingEscher);
        // The counts are rebuilt from the shapes that use each picture as the sheets load: a
        // count taken from the file could free a picture still in use, or keep one forever.
        bse->SetReferences(0);
        loadOrder_.push_back(bse);
    }
    Sort();
}

TEscherBSERecord* TEscherBStoreRecord::LoadedEntry(quint32 position) const {
    if (position < 1 || position > loadOrder_.size()) return nullptr;
    return loadOrder_[position - 1];
}

TEscherBSERecord* TEscherBStoreRecord::Entry(int i) const {
    return static_cast<TEscherBSERecord*>(FContainedRecords[size_t(i)].get());
}

bool TEscherBStoreRecord::Find(const TEscherBSERecord& bse, int& index) const {
    int low = 0, high = Count() - 1;
    bool found = false;
    while (low <= high) {
        int middle = (low + high) / 2;
        int c = Entry(middle)->CompareRec(bse);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                low = middle;
            }
        }
    }
    index = low;
    return found;
}

void TEscherBStoreRecord::InsertEntry(int index, std::unique_ptr<TEscherBSERecord> bse) {
    loadOrder_.clear();
    bse->Parent = this;
    FContainedRecords.insert(FContainedRecords.begin() + index, std::move(bse));
    Renumber();
}

void TEscherBStoreRecord::RemoveEntry(TEscherBSERecord* bse) {
    loadOrder_.clear();
    Remove(bse);
    Renumber();
}

void TEscherBStoreRecord::Sort() {
    std::stable_sort(FContainedRecords.begin(), FContainedRecords.end(),
                     [](const auto& a, const auto& b) { return a->CompareRec(*b) < 0; });
    Renumber();
}

void TEscherBStoreRecord::Renumber() {
    for (int i = 0; i < Count(); ++i) Entry(i)->BStorePos = i + 1;
    // The container's instance is its number of entries.
    Pre = quint16((Count() << 4) | 0xF);
    TotalDataSize = LoadedDataSize = quint32(TotalSize() - escher::kHeaderSize);
}

void TEscherBStoreRecord::SaveToStream(TEscherWriter& writer) {
    Renumber();
    TEscherContainerRecord::SaveToStream(writer);
}

std::unique_ptr<TEscherDataRecord> TEscherBSERecord::CreateLike(const TEscherCopyContext& context,
                                                                TEscherRecord* parent) const {
    return std::make_unique<TEscherBSERecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                              context.DwgGroupCache);
}

quint32 TEscherBSERecord::References() const { return GetLongWord(Data, 24); }

void TEscherBSERecord::SetReferences(quint32 count) { SetLongWord(Data, 24, count); }

void TEscherBSERecord::AddReference(int delta) {
    qint64 n = qint64(References()) + delta;
    SetReferences(quint32(std::max<qint64>(n, 0)));
}

int TEscherBSERecord::CompareRec(const TEscherRecord& other) const {
    const auto& o = static_cast<const TEscherBSERecord&>(other);
    if (TotalDataSize != o.TotalDataSize) return TotalDataSize < o.TotalDataSize ? -1 : 1;
    // The picture identifier and the tag's low byte decide between pictures of one size.
    for (int i = 2; i < 19; ++i) {
        quint8 a = quint8(Data[i]), b = quint8(o.Data[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    return 0;
}

// ---- drawing and group records -----------------------------------------------------------

TEscherDgRecord::TEscherDgRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                                 TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache)
    : TEscherDataRecord(pre, id, length, parent, dwgCache, dwgGroupCache) {
    if (DwgCache) {
        if (DwgCache->Dg) XlsError(XlsMessages::ErrDgDuplicated);
        DwgCache->Dg = this;
    }
}

TEscherDgRecord::~TEscherDgRecord() {
    if (DwgCache && DwgCache->Dg == this) DwgCache->Dg = nullptr;
}

void TEscherDgRecord::Load(TEscherReader& reader) {
    if (TotalDataSize < 8) XlsError(XlsMessages::ErrLoadingEscher);
    TEscherDataRecord::Load(reader);
}

quint32 TEscherDgRecord::IncMaxShapeId() {
    quint32 id = LastShapeId() + 1;
    SetLongWord(Data, 4, id);
    SetLongWord(Data, 0, ShapeCount() + 1);
    return id;
}

void TEscherDgRecord::DecShapeCount() {
    if (ShapeCount() > 0) SetLongWord(Data, 0, ShapeCount() - 1);
}

std::unique_ptr<TEscherDataRecord> TEscherDgRecord::CreateLike(const TEscherCopyContext& context,
                                                               TEscherRecord* parent) const {
    return std::make_unique<TEscherDgRecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                             context.DwgGroupCache);
}

TEscherDggRecord::TEscherDggRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                                   TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache)
    : TEscherDataRecord(pre, id, length, parent, dwgCache, dwgGroupCache) {
    if (DwgGroupCache) {
        if (DwgGroupCache->Dgg) XlsError(XlsMessages::ErrDggDuplicated);
        DwgGroupCache->Dgg = this;
    }
}

TEscherDggRecord::~TEscherDggRecord() {
    if (DwgGroupCache && DwgGroupCache->Dgg == this) DwgGroupCache->Dgg = nullptr;
}

void TEscherDggRecord::Load(TEscherReader& reader) {
    if (TotalDataSize < 16) XlsError(XlsMessages::ErrLoadingEscher);
    TEscherDataRecord::Load(reader);
}

void TEscherDggRecord::AddSavedDrawing() { SetLongWord(Data, 12, GetLongWord(Data, 12) + 1); }

std::unique_ptr<TEscherDataRecord> TEscherDggRecord::CreateLike(const TEscherCopyContext& context,
                                                                TEscherRecord* parent) const {
    return std::make_unique<TEscherDggRecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                              context.DwgGroupCache);
}

// ---- shapes ------------------------------------------------------------------------------

TEscherSPRecord::TEscherSPRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                                 TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache)
    : TEscherDataRecord(pre, id, length, parent, dwgCache, dwgGroupCache) {
    if (DwgCache) DwgCache->Shape.push_back(this);
}

TEscherSPRecord::~TEscherSPRecord() {
    if (!DwgCache || DwgCache->Destroying) return;
    Unregister(DwgCache->Shape, this);
    if (DwgCache->Dg) DwgCache->Dg->DecShapeCount();
    if (DwgCache->Solver) DwgCache->Solver->DeleteRef(this);
}

void TEscherSPRecord::Load(TEscherReader& reader) {
    if (TotalDataSize < 4) XlsError(XlsMessages::ErrLoadingEscher);
    TEscherDataRecord::Load(reader);
}

std::unique_ptr<TEscherRecord> TEscherSPRecord::CopyTo(const TEscherCopyContext& context,
                                                       TEscherRecord* parent) {
    auto copy = TEscherDataRecord::CopyTo(context, parent);
    auto* sp = static_cast<TEscherSPRecord*>(copy.get());
    if (context.Renumber && context.DwgCache && context.DwgCache->Dg)
        SetLongWord(sp->Data, 0, context.DwgCache->Dg->IncMaxShapeId());
    return copy;
}

std::unique_ptr<TEscherDataRecord> TEscherSPRecord::CreateLike(const TEscherCopyContext& context,
                                                               TEscherRecord* parent) const {
    return std::make_unique<TEscherSPRecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                             context.DwgGroupCache);
}

TEscherOPTRecord::TEscherOPTRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                                   TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache)
    : TEscherDataRecord(pre, id, length, parent, dwgCache, dwgGroupCache) {}

TEscherOPTRecord::~TEscherOPTRecord() {
    if (!DwgCache || DwgCache->Destroying) return;
    Unregister(DwgCache->Blip, this);
    // A picture that is no longer shown loses a user; the entry itself stays, since shapes of
    // other drawings may point at its position.
    for (TEscherBSERecord* bse : Blips) bse->AddReference(-1);
}

void TEscherOPTRecord::JoinPictureIndex() {
    if (DwgCache && !Blips.empty()) DwgCache->Blip.push_back(this);
}

void TEscherOPTRecord::AfterLoad() {
    // The drawing group's default properties name no pictures of a sheet.
    if (!DwgCache) return;
    constexpr int kEntrySize = 6;
    constexpr quint16 kBlipFlag = 0x4000, kComplexFlag = 0x8000, kShapeName = 0x380;
    const int count = Instance();
    if (qint64(count) * kEntrySize > Data.size()) XlsError(XlsMessages::ErrLoadingEscher);
    qint64 complex = qint64(count) * kEntrySize;
    TEscherBStoreRecord* store = DwgGroupCache ? DwgGroupCache->BStore : nullptr;
    for (int i = 0; i < count; ++i) {
        const int p = i * kEntrySize;
        const quint16 property = GetWord(Data, p);
        const quint32 value = GetLongWord(Data, p + 2);
        if (!(property & kComplexFlag) && (property & kBlipFlag)) {
            // A position that names no entry is left as it stands: it is no picture of ours.
            if (TEscherBSERecord* bse = store ? store->LoadedEntry(value) : nullptr) {
                Blips.push_back(bse);
                BlipPositions.push_back(p + 2);
                bse->AddReference(1);
            }
        }
        if ((property & 0x3FFF) == kShapeName && (property & kComplexFlag) && value >= 2 &&
            complex + value <= Data.size()) {
            const int chars = int(value / 2 - 1);
            QString name(chars, Qt::Uninitialized);
            for (int c = 0; c < chars; ++c) name[c] = QChar(GetWord(Data, int(complex) + 2 * c));
            ShapeName = name;
        }
        if (property & kComplexFlag) complex += value;
    }
    JoinPictureIndex();
}

std::unique_ptr<TEscherRecord> TEscherOPTRecord::CopyTo(const TEscherCopyContext& context,
                                                        TEscherRecord* parent) {
    auto copy = TEscherDataRecord::CopyTo(context, parent);
    auto* opt = static_cast<TEscherOPTRecord*>(copy.get());
    opt->Blips = Blips;
    opt->BlipPositions = BlipPositions;
    opt->ShapeName = ShapeName;
    for (TEscherBSERecord* bse : opt->Blips) bse->AddReference(1);
    opt->JoinPictureIndex();
    return copy;
}

void TEscherOPTRecord::SaveToStream(TEscherWriter& writer) {
    if (Blips.size() != BlipPositions.size()) XlsError(XlsMessages::ErrLogicalError);
    for (size_t k = 0; k < Blips.size(); ++k)
        SetLongWord(Data, BlipPositions[k], quint32(Blips[k]->BStorePos));
    TEscherDataRecord::SaveToStream(writer);
}

void TEscherOPTRecord::ReplaceBlip(TEscherBSERecord* bse) {
    if (Blips.size() != 1) XlsError(XlsMessages::ErrProcessingEscher);
    Blips[0] = bse;
}

std::unique_ptr<TEscherDataRecord> TEscherOPTRecord::CreateLike(const TEscherCopyContext& context,
                                                                TEscherRecord* parent) const {
    return std::make_unique<TEscherOPTRecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                              context.DwgGroupCache);
}

TEscherClientAnchorRecord::TEscherClientAnchorRecord(quint16 pre, quint16 id, quint32 length,
                                                     TEscherRecord* parent, TEscherDwgCache* dwgCache,
                                                     TEscherDwgGroupCache* dwgGroupCache)
    : TEscherDataRecord(pre, id, length, parent, dwgCache, dwgGroupCache) {
    if (DwgCache) DwgCache->Anchor.push_back(this);
}

TEscherClientAnchorRecord::~TEscherClientAnchorRecord() {
    if (DwgCache && !DwgCache->Destroying) Unregister(DwgCache->Anchor, this);
}

void TEscherClientAnchorRecord::Load(TEscherReader& reader) {
    if (TotalDataSize < 18) XlsError(XlsMessages::ErrLoadingEscher);
    TEscherDataRecord::Load(reader);
}

void TEscherClientAnchorRecord::SetRows(int row1, int row2) {
    SetWord(Data, 6, quint16(std::clamp(row1, 0, kMaxRow)));
    SetWord(Data, 14, quint16(std::clamp(row2, 0, kMaxRow)));
}

std::unique_ptr<TEscherRecord> TEscherClientAnchorRecord::CopyTo(const TEscherCopyContext& context,
                                                                 TEscherRecord* parent) {
    auto copy = TEscherDataRecord::CopyTo(context, parent);
    auto* anchor = static_cast<TEscherClientAnchorRecord*>(copy.get());
    if (context.RowOffset != 0) anchor->SetRows(Row1() + context.RowOffset, Row2() + context.RowOffset);
    return copy;
}

void TEscherClientAnchorRecord::ArrangeInsert(int row, int count, bool forceMove, const SheetInfo& info) {
    if (info.InsSheet < 0 || info.InsSheet != info.FormulaSheet) return;
    TMoveMode mode = forceMove ? TMoveMode::MoveDontSize : MoveMode();
    auto shift = [&](int at, int dyAt, int minimum) {
        int moved = GetWord(Data, at) + count;
        if (moved < row) SetWord(Data, dyAt, 0);
        int kept = std::clamp(moved, minimum, kMaxRow);
        SetWord(Data, at, quint16(kept));
        return kept;
    };
    if (mode == TMoveMode::MoveAndSize) {
        if (Row1() >= row) shift(6, 8, row);
        if (Row2() >= row) shift(14, 16, row);
    } else if (mode == TMoveMode::MoveDontSize) {
        if (Row1() < row) return;
        int newRow1 = shift(6, 8, row);
        SetWord(Data, 14, quint16(std::clamp(Row2() + count, newRow1, kMaxRow)));
    }
}

std::unique_ptr<TEscherDataRecord> TEscherClientAnchorRecord::CreateLike(const TEscherCopyContext& context,
                                                                         TEscherRecord* parent) const {
    return std::make_unique<TEscherClientAnchorRecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                                       context.DwgGroupCache);
}

// ---- client data -------------------------------------------------------------------------

TEscherClientDataRecord::TEscherClientDataRecord(quint16 pre, quint16 id, quint32 length,
                                                 TEscherRecord* parent, TEscherDwgCache* dwgCache,
                                                 TEscherDwgGroupCache* dwgGroupCache)
    : TEscherDataRecord(pre, id, length, parent, dwgCache, dwgGroupCache) {
    if (DwgCache) DwgCache->Obj.push_back(this);
}

TEscherClientDataRecord::~TEscherClientDataRecord() {
    if (DwgCache && !DwgCache->Destroying) Unregister(DwgCache->Obj, this);
}

quint16 TEscherClientDataRecord::ClientRecordId() const { return 0x005D; }

quint16 TEscherClientTextBoxRecord::ClientRecordId() const { return 0x01B6; }

bool TEscherClientDataRecord::WaitingClientData(quint16& clientRecordId) const {
    if (LoadedDataSize != TotalDataSize || ClientData) return false;
    clientRecordId = ClientRecordId();
    return true;
}

void TEscherClientDataRecord::AssignClientData(std::unique_ptr<TBaseClientData> clientData) {
    ClientData = std::move(clientData);
    if (DwgCache && ClientData)
        DwgCache->MaxObjId = quint16(std::max(int(DwgCache->MaxObjId), ClientData->GetObjId()));
}

std::unique_ptr<TEscherRecord> TEscherClientDataRecord::CopyTo(const TEscherCopyContext& context,
                                                               TEscherRecord* parent) {
    // Refused before anything is made, so a failed copy leaves no half-built shape behind.
    std::unique_ptr<TBaseClientData> data = ClientData ? ClientData->CopyTo() : nullptr;
    auto copy = TEscherDataRecord::CopyTo(context, parent);
    auto* client = static_cast<TEscherClientDataRecord*>(copy.get());
    client->ClientData = std::move(data);
    if (client->ClientData && context.DwgCache) {
        if (context.Renumber) {
            client->ClientData->NewObjId(context.DwgCache->MaxObjId);
            client->ClientData->ArrangeCopyRows(context.RowOffset);
        } else {
            context.DwgCache->MaxObjId =
                quint16(std::max(int(context.DwgCache->MaxObjId), client->ClientData->GetObjId()));
        }
    }
    return copy;
}

void TEscherClientDataRecord::SaveToStream(TEscherWriter& writer) {
    TEscherDataRecord::SaveToStream(writer);
    // The shape's own BIFF records follow its client data atom; the drawing goes on in a new
    // MSODRAWING record after them.
    if (ClientData) writer.EndRun(ClientData.get());
}

void TEscherClientDataRecord::ArrangeInsert(int row, int count, bool, const SheetInfo& info) {
    if (ClientData) ClientData->ArrangeInsert(row, count, info);
}

void TEscherClientDataRecord::ArrangeCopySheet(const SheetInfo& info) {
    if (ClientData) ClientData->ArrangeCopySheet(info);
}

std::unique_ptr<TEscherDataRecord> TEscherClientDataRecord::CreateLike(const TEscherCopyContext& context,
                                                                       TEscherRecord* parent) const {
    return std::make_unique<TEscherClientDataRecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                                     context.DwgGroupCache);
}

std::unique_ptr<TEscherDataRecord> TEscherClientTextBoxRecord::CreateLike(const TEscherCopyContext& context,
                                                                          TEscherRecord* parent) const {
    return std::make_unique<TEscherClientTextBoxRecord>(Pre, Id, TotalDataSize, parent, context.DwgCache,
                                                        context.DwgGroupCache);
}

// ---- the record factory ------------------------------------------------------------------

std::unique_ptr<TEscherRecord> CreateEscherRecord(quint16 pre, quint16 id, quint32 length,
                                                  TEscherRecord* parent, TEscherDwgCache* dwgCache,
                                                  TEscherDwgGroupCache* dwgGroupCache) {
    if ((pre & 0xF) == 0xF) {
        switch (id) {
            case escher::BStoreContainer:
                return std::make_unique<TEscherBStoreRecord>(pre, id, length, parent, dwgCache,
                                                             dwgGroupCache);
            case escher::SpgrContainer:
                return std::make_unique<TEscherSpgrContainerRecord>(pre, id, length, parent, dwgCache,
                                                                    dwgGroupCache);
            case escher::SpContainer:
                return std::make_unique<TEscherSpContainerRecord>(pre, id, length, parent, dwgCache,
                                                                  dwgGroupCache);
            case escher::SolverContainer:
                return std::make_unique<TEscherSolverContainerRecord>(pre, id, length, parent, dwgCache,
                                                                      dwgGroupCache);
            default:
                return std::make_unique<TEscherContainerRecord>(pre, id, length, parent, dwgCache,
                                                                dwgGroupCache);
        }
    }
    switch (id) {
        case escher::Dgg:
            return std::make_unique<TEscherDggRecord>(pre, id, length, parent, dwgCache, dwgGroupCache);
        case escher::BSE:
            return std::make_unique<TEscherBSERecord>(pre, id, length, parent, dwgCache, dwgGroupCache);
        case escher::Dg:
            return std::make_unique<TEscherDgRecord>(pre, id, length, parent, dwgCache, dwgGroupCache);
        case escher::Sp:
            return std::make_unique<TEscherSPRecord>(pre, id, length, parent, dwgCache, dwgGroupCache);
        case escher::OPT:
            return std::make_unique<TEscherOPTRecord>(pre, id, length, parent, dwgCache, dwgGroupCache);
        case escher::ClientTextbox:
            return std::make_unique<TEscherClientTextBoxRecord>(pre, id, length, parent, dwgCache,
                                                                dwgGroupCache);
        case escher::ClientAnchor:
            return std::make_unique<TEscherClientAnchorRecord>(pre, id, length, parent, dwgCache,
                                                               dwgGroupCache);
        case escher::ClientData:
            return std::make_unique<TEscherClientDataRecord>(pre, id, length, parent, dwgCache,
                                                             dwgGroupCache);
        case escher::ConnectorRule:
            return std::make_unique<TEscherConnectorRuleRecord>(pre, id, length, parent, dwgCache,
                                                                dwgGroupCache);
        case escher::AlignRule:
            XlsError(XlsMessages::ErrNotImplemented, QStringLiteral("Align Rule"));
        case escher::ArcRule:
        case escher::CalloutRule:
            return std::make_unique<TEscherSingleShapeRuleRecord>(pre, id, length, parent, dwgCache,
                                                                  dwgGroupCache);
        default:
            return std::make_unique<TEscherDataRecord>(pre, id, length, parent, dwgCache, dwgGroupCache);
    }
}
