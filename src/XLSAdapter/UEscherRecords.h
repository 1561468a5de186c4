#pragma once

// The tree of Office drawing records that a workbook's drawings are stored in. Only what the
// library edits is interpreted (picture store, shape identifiers, anchors, properties, rules and
// the client data of shapes); every other byte is carried as read. Nothing here knows BIFF
// record boundaries except the reader and the writer, which map the tree onto MSODRAWING,
// MSODRAWINGGROUP and CONTINUE records.

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

#include "XLSAdapter/UXlsBaseRecords.h"

class TBaseClientData;
class TEscherRecord;
class TEscherSPRecord;
class TEscherOPTRecord;
class TEscherClientAnchorRecord;
class TEscherClientDataRecord;
class TEscherDgRecord;
class TEscherDggRecord;
class TEscherBStoreRecord;
class TEscherBSERecord;
class TEscherSolverContainerRecord;
class TEscherSpgrContainerRecord;
class TEscherSpContainerRecord;
class TSST;

namespace XlsMessages {
inline constexpr const char* ErrUnsupportedDrawing = "The file has an usupported drawing record";
inline constexpr const char* ErrLoadingEscher = "Error loading Escher record";
inline constexpr const char* ErrBStoreDuplicated = "Error loading Escher record. Duplicated BStore";
inline constexpr const char* ErrDgDuplicated = "Error loading Escher record. Duplicated Dg";
inline constexpr const char* ErrDggDuplicated = "Error loading Escher record. Duplicated Dgg";
inline constexpr const char* ErrSolverDuplicated = "Error loading Escher record. Duplicated Solver container";
inline constexpr const char* ErrNotImplemented = "This file has a not implemented kind of record: %1";
inline constexpr const char* ErrEscherNotLoaded = "Escher record is not fully loaded";
inline constexpr const char* ErrCantCopyOle = "Can't copy OLE objects embedded on a sheet";
inline constexpr const char* ErrLogicalError = "Workbook: Logical Error";
inline constexpr const char* ErrProcessingEscher = "Error processing Escher record";
inline constexpr const char* ErrIndexOutOfRangeAssert = "Index out of range";
}  // namespace XlsMessages

namespace escher {
enum : quint16 {
    DggContainer = 0xF000,
    BStoreContainer = 0xF001,
    DgContainer = 0xF002,
    SpgrContainer = 0xF003,
    SpContainer = 0xF004,
    SolverContainer = 0xF005,
    Dgg = 0xF006,
    BSE = 0xF007,
    Dg = 0xF008,
    Sp = 0xF00A,
    OPT = 0xF00B,
    ClientTextbox = 0xF00D,
    ClientAnchor = 0xF010,
    ClientData = 0xF011,
    ConnectorRule = 0xF012,
    AlignRule = 0xF013,
    ArcRule = 0xF014,
    CalloutRule = 0xF017,
};
inline constexpr int kHeaderSize = 8;
// Every BIFF8 record holds at most this many bytes of data.
inline constexpr int kMaxBiffData = 8224;
}  // namespace escher

// The indexes of one sheet drawing. Records add themselves when made and leave when freed, so
// row operations and picture lookups never walk the tree.
struct TEscherDwgCache {
    // Set while the whole drawing is freed: nothing is then worth keeping up to date.
    bool Destroying = false;
    quint16 MaxObjId = 0;
    TEscherDgRecord* Dg = nullptr;
    TEscherSolverContainerRecord* Solver = nullptr;
    TEscherSpgrContainerRecord* Patriarch = nullptr;
    std::vector<TEscherClientAnchorRecord*> Anchor;
    std::vector<TEscherSPRecord*> Shape;
    std::vector<TEscherClientDataRecord*> Obj;
    // Shapes that show a picture of the store, in the order the picture index counts them.
    std::vector<TEscherOPTRecord*> Blip;
};

// The workbook drawing group's indexes.
struct TEscherDwgGroupCache {
    TEscherBStoreRecord* BStore = nullptr;
    TEscherDggRecord* Dgg = nullptr;
};

// Where loading stands: the drawing bytes of the current BIFF record (with its CONTINUE
// records, whose data simply goes on) and the read position in them.
struct TEscherReader {
    QByteArray Data;
    int Pos = 0;
    int Remaining() const { return int(Data.size()) - Pos; }
};

// How a record is copied: into which indexes, by how many rows its anchor moves, and whether
// shapes and objects get new identifiers (a row copy inside one drawing) or keep theirs (a copy
// of the whole sheet).
struct TEscherCopyContext {
    TEscherDwgCache* DwgCache = nullptr;
    TEscherDwgGroupCache* DwgGroupCache = nullptr;
    int RowOffset = 0;
    bool Renumber = false;
};

// The drawing bytes being written and what interrupts them: the client data records written
// after their shape, and the header positions that a record break must not split.
struct TEscherWriter {
    struct Run {
        QByteArray Bytes;
        std::vector<int> Headers;
        TBaseClientData* ClientData = nullptr;  // written after Bytes; none for the last run
    };
    std::vector<Run> Runs{Run{}};
    void AppendHeader(quint16 pre, quint16 id, quint32 length);
    void Append(const QByteArray& bytes) { Runs.back().Bytes += bytes; }
    void EndRun(TBaseClientData* clientData);
};

class TEscherRecord {
public:
    TEscherRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent, TEscherDwgCache* dwgCache,
                  TEscherDwgGroupCache* dwgGroupCache);
    virtual ~TEscherRecord();
    TEscherRecord(const TEscherRecord&) = delete;
    TEscherRecord& operator=(const TEscherRecord&) = delete;

    TEscherRecord* Parent;
    TEscherDwgCache* DwgCache;
    TEscherDwgGroupCache* DwgGroupCache;
    quint16 Pre;
    quint16 Id;
    quint32 TotalDataSize;
    quint32 LoadedDataSize = 0;
    TEscherRecord* CopiedTo = nullptr;

    int Version() const { return Pre & 0xF; }
    int Instance() const { return Pre >> 4; }
    bool IsContainer() const { return Version() == 0xF; }

    // A new record of the same class and content under `parent`; remembered in CopiedTo.
    virtual std::unique_ptr<TEscherRecord> CopyTo(const TEscherCopyContext& context, TEscherRecord* parent);
    virtual void AfterLoad() {}
    virtual void Load(TEscherReader& reader) = 0;
    virtual void SaveToStream(TEscherWriter& writer) = 0;
    // The record with its header, as it will be written.
    virtual qint64 TotalSize() const = 0;
    bool IsLoaded() const;
    // A client data or client text box record that is complete but has no client data yet.
    virtual bool WaitingClientData(quint16& clientRecordId) const;
    virtual void AssignClientData(std::unique_ptr<TBaseClientData> clientData);
    // Shifts a shape's anchor for rows inserted (count > 0) or deleted above it.
    virtual void ArrangeInsert(int row, int count, bool forceMove, const SheetInfo& info);
    virtual void ArrangeCopySheet(const SheetInfo&) {}
    virtual void ClearCopiedTo() { CopiedTo = nullptr; }
    virtual TEscherRecord* FindRecord(quint16 id);
    virtual int CompareRec(const TEscherRecord& other) const;

    // The child of the patriarch that holds this record (itself when it is one), or none.
    TEscherRecord* TopLevelShape();

protected:
    // Asks the parent's copy for a home: a copied record belongs under the copy of its parent.
    void CheckFullyLoaded() const;
};

// An atom: its data kept as bytes.
class TEscherDataRecord : public TEscherRecord {
public:
    using TEscherRecord::TEscherRecord;
    QByteArray Data;
    std::unique_ptr<TEscherRecord> CopyTo(const TEscherCopyContext& context, TEscherRecord* parent) override;
    void Load(TEscherReader& reader) override;
    void SaveToStream(TEscherWriter& writer) override;
    qint64 TotalSize() const override { return escher::kHeaderSize + qint64(TotalDataSize); }
    int CompareRec(const TEscherRecord& other) const override;

protected:
    // Makes an empty record of the same class for CopyTo.
    virtual std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                          TEscherRecord* parent) const;
};

class TEscherContainerRecord : public TEscherRecord {
public:
    using TEscherRecord::TEscherRecord;
    ~TEscherContainerRecord() override;
    std::vector<std::unique_ptr<TEscherRecord>> FContainedRecords;

    std::unique_ptr<TEscherRecord> CopyTo(const TEscherCopyContext& context, TEscherRecord* parent) override;
    void Load(TEscherReader& reader) override;
    void SaveToStream(TEscherWriter& writer) override;
    qint64 TotalSize() const override;
    bool WaitingClientData(quint16& clientRecordId) const override;
    void AssignClientData(std::unique_ptr<TBaseClientData> clientData) override;
    void ArrangeInsert(int row, int count, bool forceMove, const SheetInfo& info) override;
    void ArrangeCopySheet(const SheetInfo& info) override;
    void ClearCopiedTo() override;
    TEscherRecord* FindRecord(quint16 id) override;

    void Add(std::unique_ptr<TEscherRecord> child);
    // Frees a child (and everything under it); false when it is not one of ours.
    bool Remove(TEscherRecord* child);
    int Count() const { return int(FContainedRecords.size()); }

protected:
    virtual std::unique_ptr<TEscherContainerRecord> CreateLike(const TEscherCopyContext& context,
                                                               TEscherRecord* parent) const;
    // A child has been made or copied into this container.
    virtual void ChildAdded(TEscherRecord*) {}
};

class TEscherSpContainerRecord : public TEscherContainerRecord {
public:
    using TEscherContainerRecord::TEscherContainerRecord;
    TEscherSPRecord* SP = nullptr;
    TEscherOPTRecord* Opt = nullptr;
    TEscherClientAnchorRecord* ClientAnchor = nullptr;

protected:
    std::unique_ptr<TEscherContainerRecord> CreateLike(const TEscherCopyContext& context,
                                                       TEscherRecord* parent) const override;
    void ChildAdded(TEscherRecord* child) override;
};

class TEscherSpgrContainerRecord : public TEscherContainerRecord {
public:
    TEscherSpgrContainerRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                               TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache);
    ~TEscherSpgrContainerRecord() override;

protected:
    std::unique_ptr<TEscherContainerRecord> CreateLike(const TEscherCopyContext& context,
                                                       TEscherRecord* parent) const override;
};

class TEscherSolverContainerRecord : public TEscherContainerRecord {
public:
    TEscherSolverContainerRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                                 TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache);
    ~TEscherSolverContainerRecord() override;
    quint32 MaxRuleId = 0;
    // A shape is going: rules that depend on it go too, others forget it.
    void DeleteRef(TEscherSPRecord* shape);
    void FixPointers();
    void ArrangeCopyRows();

protected:
    std::unique_ptr<TEscherContainerRecord> CreateLike(const TEscherCopyContext& context,
                                                       TEscherRecord* parent) const override;
};

// The picture store. Entries are kept sorted (by size, then picture identifier) so an image is
// found by binary search; positions are renumbered on every change.
class TEscherBStoreRecord : public TEscherContainerRecord {
public:
    TEscherBStoreRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                        TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache);
    ~TEscherBStoreRecord() override;
    void AfterLoad() override;
    void SaveToStream(TEscherWriter& writer) override;
    // The entry at a 1-based position of the file as it was read; none when out of range.
    TEscherBSERecord* LoadedEntry(quint32 position) const;
    TEscherBSERecord* Entry(int i) const;
    // Binary search: true and the entry's index when an equal one exists, else the insertion index.
    bool Find(const TEscherBSERecord& bse, int& index) const;
    void InsertEntry(int index, std::unique_ptr<TEscherBSERecord> bse);
    void RemoveEntry(TEscherBSERecord* bse);
    void Sort();
    void Renumber();

private:
    std::vector<TEscherBSERecord*> loadOrder_;
};

class TEscherBSERecord : public TEscherDataRecord {
public:
    using TEscherDataRecord::TEscherDataRecord;
    int BStorePos = 0;
    quint32 References() const;
    void SetReferences(quint32 count);
    void AddReference(int delta);
    int CompareRec(const TEscherRecord& other) const override;

protected:
    std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                  TEscherRecord* parent) const override;
};

class TEscherDgRecord : public TEscherDataRecord {
public:
    TEscherDgRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent, TEscherDwgCache* dwgCache,
                    TEscherDwgGroupCache* dwgGroupCache);
    ~TEscherDgRecord() override;
    void Load(TEscherReader& reader) override;
    quint32 ShapeCount() const { return GetLongWord(Data, 0); }
    quint32 LastShapeId() const { return GetLongWord(Data, 4); }
    quint32 IncMaxShapeId();
    void DecShapeCount();

protected:
    std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                  TEscherRecord* parent) const override;
};

class TEscherDggRecord : public TEscherDataRecord {
public:
    TEscherDggRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                     TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache);
    ~TEscherDggRecord() override;
    void Load(TEscherReader& reader) override;
    // One more drawing saved in the workbook (a sheet copy brings its own).
    void AddSavedDrawing();

protected:
    std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                  TEscherRecord* parent) const override;
};

class TEscherSPRecord : public TEscherDataRecord {
public:
    TEscherSPRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent, TEscherDwgCache* dwgCache,
                    TEscherDwgGroupCache* dwgGroupCache);
    ~TEscherSPRecord() override;
    void Load(TEscherReader& reader) override;
    std::unique_ptr<TEscherRecord> CopyTo(const TEscherCopyContext& context, TEscherRecord* parent) override;
    quint32 ShapeId() const { return GetLongWord(Data, 0); }

protected:
    std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                  TEscherRecord* parent) const override;
};

class TEscherOPTRecord : public TEscherDataRecord {
public:
    TEscherOPTRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                     TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache);
    ~TEscherOPTRecord() override;
    std::vector<TEscherBSERecord*> Blips;
    std::vector<int> BlipPositions;
    QString ShapeName;
    void AfterLoad() override;
    std::unique_ptr<TEscherRecord> CopyTo(const TEscherCopyContext& context, TEscherRecord* parent) override;
    void SaveToStream(TEscherWriter& writer) override;
    // Shows another picture store entry in place of its only one.
    void ReplaceBlip(TEscherBSERecord* bse);

protected:
    std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                  TEscherRecord* parent) const override;

private:
    void JoinPictureIndex();
};

class TEscherClientAnchorRecord : public TEscherDataRecord {
public:
    TEscherClientAnchorRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                              TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache);
    ~TEscherClientAnchorRecord() override;
    enum class TMoveMode { MoveAndSize = 0, DontMoveOrSize = 1, MoveDontSize = 2, DontMoveOrSize3 = 3 };
    void Load(TEscherReader& reader) override;
    std::unique_ptr<TEscherRecord> CopyTo(const TEscherCopyContext& context, TEscherRecord* parent) override;
    void ArrangeInsert(int row, int count, bool forceMove, const SheetInfo& info) override;
    TMoveMode MoveMode() const { return TMoveMode(GetWord(Data, 0) & 3); }
    int Row1() const { return GetWord(Data, 6); }
    int Row2() const { return GetWord(Data, 14); }
    void SetRows(int row1, int row2);

protected:
    std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                  TEscherRecord* parent) const override;
};

class TEscherClientDataRecord : public TEscherDataRecord {
public:
    TEscherClientDataRecord(quint16 pre, quint16 id, quint32 length, TEscherRecord* parent,
                            TEscherDwgCache* dwgCache, TEscherDwgGroupCache* dwgGroupCache);
    ~TEscherClientDataRecord() override;
    std::unique_ptr<TBaseClientData> ClientData;
    // A NOTE shows this shape as its comment, so the NOTE moves, copies and removes it.
    int NoteLinks = 0;

    std::unique_ptr<TEscherRecord> CopyTo(const TEscherCopyContext& context, TEscherRecord* parent) override;
    void SaveToStream(TEscherWriter& writer) override;
    bool WaitingClientData(quint16& clientRecordId) const override;
    void AssignClientData(std::unique_ptr<TBaseClientData> clientData) override;
    void ArrangeInsert(int row, int count, bool forceMove, const SheetInfo& info) override;
    void ArrangeCopySheet(const SheetInfo& info) override;
    // The BIFF record its client data starts with.
    virtual quint16 ClientRecordId() const;

protected:
    std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                  TEscherRecord* parent) const override;
};

class TEscherClientTextBoxRecord : public TEscherClientDataRecord {
public:
    using TEscherClientDataRecord::TEscherClientDataRecord;
    quint16 ClientRecordId() const override;

protected:
    std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                  TEscherRecord* parent) const override;
};

// A rule of the solver container; it refers to shapes by identifier in the file and by pointer
// while loaded.
class TRuleRecord : public TEscherDataRecord {
public:
    using TEscherDataRecord::TEscherDataRecord;
    // Forgets a shape that is going; true when the rule must go with it.
    virtual bool DeleteRef(TEscherSPRecord* shape) = 0;
    virtual void FixPointers() = 0;
    // After a row copy: a copy of the rule for a copied shape, added to the solver.
    virtual void ArrangeCopyRows() = 0;
    void SaveToStream(TEscherWriter& writer) override;
    quint32 RuleId() const { return GetLongWord(Data, 0); }

protected:
    // Which 32-bit fields of the data hold shape identifiers, and which of them the rule
    // depends on (it goes when that shape goes).
    virtual std::vector<int> ShapeFields() const = 0;
    virtual int OwnerField() const = 0;
    std::vector<TEscherSPRecord*> shapes_;
    TEscherSPRecord* FindShape(quint32 id) const;
    void CopyRuleInto(TEscherSolverContainerRecord* solver);
};

class TEscherConnectorRuleRecord : public TRuleRecord {
public:
    using TRuleRecord::TRuleRecord;
    bool DeleteRef(TEscherSPRecord* shape) override;
    void FixPointers() override;
    void ArrangeCopyRows() override;

protected:
    std::vector<int> ShapeFields() const override { return {4, 8, 12}; }
    int OwnerField() const override { return 2; }
    std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                  TEscherRecord* parent) const override;
};

// Arc and callout rules hang on one shape and go with it.
class TEscherSingleShapeRuleRecord : public TRuleRecord {
public:
    using TRuleRecord::TRuleRecord;
    bool DeleteRef(TEscherSPRecord* shape) override;
    void FixPointers() override;
    void ArrangeCopyRows() override;

protected:
    std::vector<int> ShapeFields() const override { return {4}; }
    int OwnerField() const override { return 0; }
    std::unique_ptr<TEscherDataRecord> CreateLike(const TEscherCopyContext& context,
                                                  TEscherRecord* parent) const override;
};

// Makes the record a header announces, under `parent`.
std::unique_ptr<TEscherRecord> CreateEscherRecord(quint16 pre, quint16 id, quint32 length,
                                                  TEscherRecord* parent, TEscherDwgCache* dwgCache,
                                                  TEscherDwgGroupCache* dwgGroupCache);

// Reads an 8-byte header at the reader's position.
void ReadEscherHeader(TEscherReader& reader, quint16& pre, quint16& id, quint32& length);

// Writes the runs of a drawing as BIFF records: each run as `firstId` followed by CONTINUE
// records of at most 8224 data bytes, never breaking inside a drawing record header, and after
// each run its client data's own records. With no stream only the size is counted.
qint64 WriteEscherRuns(const TEscherWriter& writer, quint16 firstId, QIODevice* stream);
