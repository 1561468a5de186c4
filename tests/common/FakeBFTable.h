#pragma once

// A stand-in for the accounting program's database server: data files are in-memory rows keyed
// by their path without ".dat". It answers as the server does (0 opened, 7 found, 1 past the
// end) and remembers what was opened and closed. Install() puts it behind CreateBFTable and the
// destructor of the returned guard takes it away again.

#include <QMap>
#include <QSet>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/shell/BFTable.h"

struct TFakeBFServer {
    QMap<QString, std::vector<QVariantMap>> files;
    QSet<QString> unopenable;  // paths whose Open fails
    QSet<QString> noIndex;     // paths whose SetIndex fails
    QStringList opened, closed;
    int created = 0;

    struct TInstalled {
        std::function<std::unique_ptr<TBFTable>()> saved;
        ~TInstalled() { CreateBFTable = saved; }
    };
    [[nodiscard]] std::unique_ptr<TInstalled> Install();
    // The paths opened and not closed.
    QStringList StillOpen() const {
        QStringList open = opened;
        for (const QString& c : closed) open.removeOne(c);
        return open;
    }
};

class TFakeBFTable : public TBFTable {
public:
    explicit TFakeBFTable(TFakeBFServer& server) : server_(server) {}

    int Open(const QString& fileName) override {
        if (server_.unopenable.contains(fileName) || !server_.files.contains(fileName)) return 2;
        file_ = fileName;
        rows_ = server_.files.value(fileName);
        index_.clear();
        pos_ = 0;
        server_.opened << fileName;
        return kBFOk;
    }
    void Close() override {
        if (!file_.isEmpty()) server_.closed << file_;
        file_.clear();
        rows_.clear();
    }
    int SetIndex(const QString& expression) override {
        if (server_.noIndex.contains(file_)) return 3;
        index_ = expression.split('+');
        std::stable_sort(rows_.begin(), rows_.end(), [this](const QVariantMap& a, const QVariantMap& b) {
            for (const QString& f : index_) {
                const int c = Compare(a.value(f), b.value(f));
                if (c != 0) return c < 0;
            }
            return false;
        });
        return kBFOk;
    }
    int RecordCount() override { return static_cast<int>(rows_.size()); }
    void First() override { pos_ = 0; }
    int Next() override {
        if (pos_ < static_cast<int>(rows_.size())) ++pos_;
        return pos_ >= static_cast<int>(rows_.size()) ? kBFEndPassed : 0;
    }
    int Find(const QVariant& key) override {
        const QVariantList keys = key.typeId() == QMetaType::QVariantList ? key.toList() : QVariantList{key};
        for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
            bool match = keys.size() <= index_.size();
            for (int k = 0; match && k < keys.size(); ++k)
                match = Compare(rows_[i].value(index_[k]), keys[k]) == 0;
            if (match) {
                pos_ = i;
                return kBFFound;
            }
        }
        return 5;
    }
    QVariant Value(const QString& field) override {
        return pos_ < static_cast<int>(rows_.size()) ? rows_[pos_].value(field) : QVariant();
    }

private:
    static int Compare(const QVariant& a, const QVariant& b) {
        bool okA = false, okB = false;
        const double x = a.toDouble(&okA), y = b.toDouble(&okB);
        if (okA && okB) return x < y ? -1 : x > y ? 1 : 0;
        return a.toString().compare(b.toString());
    }
    TFakeBFServer& server_;
    QString file_;
    std::vector<QVariantMap> rows_;
    QStringList index_;
    int pos_ = 0;
};

inline std::unique_ptr<TFakeBFServer::TInstalled> TFakeBFServer::Install() {
    auto installed = std::make_unique<TInstalled>();
    installed->saved = CreateBFTable;
    CreateBFTable = [this]() -> std::unique_ptr<TBFTable> {
        ++created;
        return std::make_unique<TFakeBFTable>(*this);
    };
    return installed;
}
