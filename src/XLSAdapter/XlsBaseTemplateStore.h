#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class TOle2Storage;
class TXlsStorage;

// The entries of a template's storage, in the order the storage enumerated them.
class TXlsStorageList {
public:
    void Clear() { items_.clear(); }
    int Count() const { return int(items_.size()); }
    TXlsStorage& operator[](int i) const { return *items_[size_t(i)]; }
    TXlsStorage& Add();

    void LoadFromFile(const QString& fileName);
    // The same from a whole file already in memory; `name` appears in messages.
    void LoadFromData(const QByteArray& bytes, const QString& name);
    // The data of the first top-level stream with exactly this name.
    QByteArray& FindStream(const QString& name) const;

private:
    std::vector<std::unique_ptr<TXlsStorage>> items_;
    friend class TXlsStorage;
    void LoadEntries(TOle2Storage& storage);
};

// One entry of a template: a stream with its bytes, or a storage with its entries.
class TXlsStorage {
public:
    QString Name;  // UTF-16, as the container keeps it
    QByteArray Data;
    TXlsStorageList Children;

    // Writes the entry into the current storage of a storage in create mode. An empty stream or
    // an empty storage is not written.
    void SaveToStorage(TOle2Storage& storage) const;
};

// Supplies template entries from somewhere other than a file on the search path; the store owns
// the lists it hands out, so one template can serve several reports.
class TXlsBaseTemplateStore {
public:
    virtual ~TXlsBaseTemplateStore() = default;
    virtual TXlsStorageList* GetStorages(const QString& fileName) = 0;
};

// The full path of a template found the way the system searches for programs' files: the
// program's folder, the current folder, then PATH; ".xls" is added to a name without extension.
QString FindWorkbookOnPath(const QString& name);
