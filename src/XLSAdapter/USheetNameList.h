#pragma once

#include <QSet>
#include <QString>
#include <vector>

// The sheet names of a workbook, so that a copied sheet gets a name no other sheet has.
class TSheetNameList {
public:
    // A name read from the file; one already there raises "Sheet name already exist".
    void Add(const QString& name);
    // A new unique name made from a base ("Sheet", "Sheet3", ...), kept in the set.
    QString AddUniqueName(const QString& base);
    bool Contains(const QString& name) const { return names_.contains(name); }
    void Clear();

private:
    struct TEntry {
        QString Base;
        int Number = 0;
    };
    std::vector<TEntry> entries_;
    QSet<QString> names_;
    static QString FullName(const TEntry& e);
};
