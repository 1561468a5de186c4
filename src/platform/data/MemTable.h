#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"

enum TMemIndexOption : unsigned {
    ixDescending = 1,
    ixCaseInsensitive = 2,
    ixNonMaintained = 4,
    ixUnique = 8
};
using TMemIndexOptions = unsigned;

// A named record order of a memory table. Text keys always compare as the database compares
// text (case-insensitive), so ixCaseInsensitive is kept for the stored definition only.
struct TMemIndexDef {
    QString Name;
    QString Fields;  // "A;B"
    QString DisplayName;
    TMemIndexOptions Options = 0;
};

// A table that lives only in memory: grid layouts, card data, print data, copies of query rows.
// Fields come from FieldDefs (CreateTable) or from another dataset (LoadFromDataSet). Closing a
// memory table drops its records and keeps its fields.
class TMemTable : public TDataSet {
public:
    TMemTable();
    ~TMemTable() override;

    TFieldDefs& FieldDefs() { return fieldDefs_; }
    // Builds the fields from FieldDefs (replacing any earlier ones) and opens the table empty.
    void CreateTable();
    // Removes every record; the table stays open.
    void EmptyTable();
    // Copies the records of source (in its current order and filter) into this table; with
    // copyStructure the fields are first made like source's. The source keeps its position.
    void LoadFromDataSet(TDataSet* source, bool copyStructure = true);

    // --- indexes
    std::vector<TMemIndexDef>& IndexDefs() { return indexDefs_; }
    void AddIndex(const QString& name, const QString& fields, TMemIndexOptions options = 0);
    void DeleteIndex(const QString& name);
    const QString& IndexName() const { return indexName_; }
    // "" returns to the natural order; an unknown name raises EDataSetError.
    void SetIndexName(const QString& name);
    const QString& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const QString& fields);
    // Switching indexes off shows the natural order without forgetting the chosen index.
    bool IndexesActive() const { return indexesActive_; }
    void SetIndexesActive(bool active);

    // Exact match on the leading fields of the current index (one value per field given).
    bool FindKey(const QVariantList& values);
    // The first record whose key is not below the values; the last record when all are below.
    void FindNearest(const QVariantList& values);

    // --- master/detail: only records whose DetailFields equal the master's MasterFields show.
    TDataSource* MasterSource() const;
    void SetMasterSource(TDataSource* source);
    const QString& MasterFields() const { return masterFields_; }
    void SetMasterFields(const QString& fields);
    const QString& DetailFields() const { return detailFields_; }
    void SetDetailFields(const QString& fields);

protected:
    void InternalOpen() override;
    bool RecordInRange(uint32_t row) const override;
    void InitNewRecord() override;
    void AfterInternalOpen() override;

private:
    class TMasterLink;
    friend class TMasterLink;

    void ApplyIndex();
    std::vector<TSortKey> IndexOrder() const;
    std::vector<TSortKey> OpenOrder() override;
    void MasterChanged();
    bool LinkReady() const;
    // The sort key of a searched text and its prefix; a null key for other values.
    struct TSearchKey {
        QByteArray Key;
        TSortKeyPrefix Prefix;
    };
    int CompareKey(uint32_t row, const QVariantList& values, const std::vector<TSearchKey>& textKeys) const;
    std::vector<TSearchKey> SearchTextKeys(const QVariantList& key) const;
    size_t SeekKey(const QVariantList& key, const std::vector<TSearchKey>& textKeys) const;
    QVariantList NormalizeKey(const QVariantList& values) const;

    TFieldDefs fieldDefs_;
    std::vector<TMemIndexDef> indexDefs_;
    QString indexName_;
    QString indexFieldNames_;
    bool indexesActive_ = true;
    std::unique_ptr<TMasterLink> masterLink_;
    QString masterFields_;
    QString detailFields_;
    // Master values the range was last built for (in the detail fields' types), so a master
    // scroll that stays on equal keys costs nothing.
    bool ComputeRange();
    bool rangeReady_ = false;
    bool masterEmpty_ = false;
    QVariantList rangeValues_;
    std::vector<int> detailIndexes_;
};
