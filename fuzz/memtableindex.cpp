// Drives a memory table with a Czech text index through the changes the lists make (appends,
// inserts, edits of the key, deletes, searches, the index switched off and on) as the bytes
// dictate, keeping a plain model beside it. After every step the table must hold exactly the
// model's records, in the order of the text comparison; a search must find what the model has.
// The bytes pick texts from a small alphabet, so equal keys, shared prefixes and NULLs are common.
#include <QString>
#include <cstdint>
#include <map>

#include "platform/data/MemTable.h"
#include "platform/text/JetText.h"

namespace {

class TBytes {
public:
    TBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

QVariant Text(TBytes& in) {
    static const QString kLetters = QString::fromUtf8("aAáchCHčdeéěhrřsšzž 09-\u0301");
    const uint8_t length = in.Next() % 24;
    if (length == 23) return QVariant();
    QString s;
    for (uint8_t i = 0; i < length; ++i) s += kLetters[in.Next() % kLetters.size()];
    return s;
}

void Check(TMemTable& t, const std::map<qint64, QVariant>& model, bool indexed) {
    if (t.RecordCount() != static_cast<int>(model.size())) __builtin_trap();
    QVariant previous;
    bool first = true;
    for (t.First(); !t.Eof(); t.Next()) {
        const QVariant name = t.FieldByName("Nazev")->Value();
        const auto it = model.find(t.FieldByName("ID")->AsLargeInt());
        if (it == model.end() || it->second != name) __builtin_trap();
        if (indexed && !first) {
            // NULLs first, then texts in the comparison's order.
            if (previous.isValid() && !name.isValid()) __builtin_trap();
            if (previous.isValid() && CompareJetText(previous.toString(), name.toString()) > 0)
                __builtin_trap();
        }
        previous = name;
        first = false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TBytes in(data, size);
    TMemTable t;
    t.FieldDefs().Add("ID", ftInteger);
    t.FieldDefs().Add("Nazev", ftString, 40);
    t.CreateTable();
    t.AddIndex("ixNazev", "Nazev");
    t.SetIndexName("ixNazev");
    bool indexed = true;
    std::map<qint64, QVariant> model;
    qint64 nextId = 1;
    while (!in.Empty()) {
        const uint8_t op = in.Next() % 8;
        if (!t.IsEmpty()) t.SetRecNo(1 + in.Next() % t.RecordCount());
        switch (op) {
            case 0:
            case 1: {
                if (op == 0)
                    t.Append();
                else
                    t.Insert();
                const QVariant name = Text(in);
                t.FieldByName("ID")->SetValue(nextId);
                t.FieldByName("Nazev")->SetValue(name);
                t.Post();
                model[nextId++] = name;
                break;
            }
            case 2:
            case 3: {
                if (t.IsEmpty()) break;
                const QVariant name = Text(in);
                const qint64 id = t.FieldByName("ID")->AsLargeInt();
                t.Edit();
                t.FieldByName("Nazev")->SetValue(name);
                t.Post();
                model[id] = name;
                break;
            }
            case 4:
            case 5:
                if (t.IsEmpty()) break;
                model.erase(t.FieldByName("ID")->AsLargeInt());
                t.Delete();
                break;
            case 6: {
                if (!indexed) break;
                const QVariant name = Text(in);
                bool present = false;
                for (const auto& [id, have] : model)
                    if (have.isValid() == name.isValid() &&
                        (!name.isValid() || CompareJetText(have.toString(), name.toString()) == 0))
                        present = true;
                if (t.FindKey({name}) != present) __builtin_trap();
                break;
            }
            default:
                indexed = !indexed;
                t.SetIndexName(indexed ? QStringLiteral("ixNazev") : QString());
                break;
        }
        Check(t, model, indexed);
    }
    return 0;
}
