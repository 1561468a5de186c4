// Feeds arbitrary text to the dataset filter: reading it, binding it to fields of every kind and
// evaluating it on records with and without values. Any outcome but EFilterError is a fault, and
// no text may exhaust the stack however deeply it nests or however long its chains run.
#include <QString>
#include <cstdint>

#include "platform/data/DataSetError.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"

namespace {

TMemTable& Table() {
    static TMemTable* table = [] {
        auto* t = new TMemTable;
        t->FieldDefs().Add("ID", ftInteger);
        t->FieldDefs().Add("Nazev", ftString, 50);
        t->FieldDefs().Add("Cena", ftFloat);
        t->FieldDefs().Add("Datum", ftDateTime);
        t->FieldDefs().Add("Aktivni", ftBoolean);
        t->FieldDefs().Add("Poznamka", ftMemo);
        t->CreateTable();
        t->Append();
        t->FieldByName("ID")->SetValue(1);
        t->FieldByName("Nazev")->SetValue(QString::fromUtf8("Čerpadlo"));
        t->FieldByName("Cena")->SetValue(12.5);
        t->FieldByName("Datum")->SetValue(45356.0);
        t->FieldByName("Aktivni")->SetValue(true);
        t->Post();
        t->Append();  // a record of NULLs
        t->Post();
        return t;
    }();
    return *table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TMemTable& t = Table();
    try {
        t.SetFiltered(false);
        t.SetFilter(text);
        t.SetFiltered(true);
        t.First();
        while (!t.Eof()) t.Next();
    } catch (const EFilterError&) {
    }
    return 0;
}
