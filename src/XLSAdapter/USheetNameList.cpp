#include "XLSAdapter/USheetNameList.h"

#include "XLSAdapter/XlsMessages.h"

QString TSheetNameList::FullName(const TEntry& e) {
    return e.Number == 0 ? e.Base : e.Base + QString::number(e.Number);
}

void TSheetNameList::Add(const QString& name) {
    if (names_.contains(name)) XlsError(XlsMessages::ErrDuplicatedSheetName, name);
    entries_.push_back({name, 0});
    names_.insert(name);
}

QString TSheetNameList::AddUniqueName(const QString& base) {
    const TEntry* found = nullptr;
    for (const TEntry& e : entries_)
        if (e.Base == base && (!found || e.Number > found->Number)) found = &e;
    TEntry entry{base, 0};
    if (found || names_.contains(base)) {
        // Counting on from the highest number given to this base keeps names of earlier copies
        // from being probed again and again.
        entry.Number = found ? found->Number + 1 : 1;
        while (names_.contains(FullName(entry))) ++entry.Number;
    }
    entries_.push_back(entry);
    names_.insert(FullName(entry));
    return FullName(entry);
}

void TSheetNameList::Clear() {
    entries_.clear();
    names_.clear();
}
