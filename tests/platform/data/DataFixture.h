#pragma once

#include <QDate>
#include <QVariant>
#include <vector>

#include "platform/data/MemTable.h"

// A small price-list-like table: enough columns of each type class to show what a dataset
// does with texts, numbers, dates, Yes/No and NULLs.
struct FixtureRow {
    qint64 id;
    QVariant name;
    QVariant price;
    QVariant date;
    QVariant flag;
};

inline void BuildItems(TMemTable& t, const std::vector<FixtureRow>& rows) {
    t.FieldDefs().Clear();
    t.FieldDefs().Add("ID", ftInteger);
    t.FieldDefs().Add("Popis", ftString, 50);
    t.FieldDefs().Add("Cena", ftFloat);
    t.FieldDefs().Add("DatVystaveni", ftDateTime);
    t.FieldDefs().Add("Aktivni", ftBoolean);
    t.CreateTable();
    for (const FixtureRow& r : rows) {
        t.Append();
        t.FieldByName("ID")->SetAsInteger(r.id);
        t.FieldByName("Popis")->SetValue(r.name);
        t.FieldByName("Cena")->SetValue(r.price);
        t.FieldByName("DatVystaveni")->SetValue(r.date);
        t.FieldByName("Aktivni")->SetValue(r.flag);
        t.Post();
    }
    t.First();
}

inline QVariant Day(int y, int m, int d) { return DateTimeToOle(QDate(y, m, d)); }

// IDs of the records in cursor order.
inline std::vector<qint64> Ids(TDataSet& t) {
    std::vector<qint64> ids;
    const TBookmark mark = t.GetBookmark();
    for (t.First(); !t.Eof(); t.Next()) ids.push_back(t.FieldByName("ID")->AsLargeInt());
    if (t.BookmarkValid(mark)) t.GotoBookmark(mark);
    return ids;
}
