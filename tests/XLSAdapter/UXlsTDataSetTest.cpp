#include <gtest/gtest.h>

#include <QDate>

#include "XLSAdapter/UXlsTDataSet.h"
#include "XlsTestUtil.h"
#include "platform/data/MemTable.h"

using namespace xlstest;

namespace {

void MakeTable(TMemTable& t) {
    t.FieldDefs().Add("Kod", ftString, 20);
    t.FieldDefs().Add("Dodano", ftDate);
    t.FieldDefs().Add("Cas", ftTime);
    t.FieldDefs().Add("Popis", ftMemo);
    t.FieldDefs().Add("Cena", ftFloat);
    t.CreateTable();
    t.FieldByName("Cena")->SetDisplayLabel(QString::fromUtf8("Cena bez DPH"));
}

}  // namespace

TEST(XlsTDataSetTest, WrapsADatasetAndItsFields) {
    TMemTable t;
    MakeTable(t);
    auto ds = std::make_shared<TXlsTDataSet>(&t, "mtPolozky", nullptr, nullptr);
    // An empty open dataset is at its end at once.
    EXPECT_TRUE(ds->GetActive());
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->RecordCount(), 0);

    t.Append();
    t.FieldByName("Kod")->SetAsString("K-01");
    t.FieldByName("Dodano")->SetValue(QDate(2024, 2, 29));
    t.FieldByName("Cas")->SetValue(QTime(12, 0));
    t.FieldByName("Popis")->SetAsString("a\r\nb");
    t.FieldByName("Cena")->SetAsFloat(120.5);
    t.Post();
    ds->First();
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(ds->DataSetName(), "mtPolozky");
    EXPECT_EQ(ds->FieldCount(), 5);

    struct Case {
        const char* Name;
        bool IsDateTime, IsMemo;
        double AsFloat;
    };
    const Case kCases[] = {
        {"Dodano", true, false, 45351.0},
        {"Cas", true, false, 0.5},
        {"Popis", false, true, 0},
        {"Cena", false, false, 120.5},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.Name);
        IXlsFieldPtr f = ds->FieldByName(c.Name);
        EXPECT_EQ(f->IsDateTime(), c.IsDateTime);
        EXPECT_EQ(f->IsMemo(), c.IsMemo);
        if (!c.IsMemo) {
            EXPECT_DOUBLE_EQ(f->AsFloat(), c.AsFloat);
        }
    }
    EXPECT_EQ(ds->GetField(4)->DisplayName(), QString::fromUtf8("Cena bez DPH"));
    EXPECT_EQ(ds->GetField(0)->DisplayName(), "Kod");
    EXPECT_EQ(ds->GetField(0)->Value(), QVariant(QString("K-01")));

    // A field keeps its dataset wrapper alive after every other reference is gone.
    IXlsFieldPtr kept = ds->FieldByName("Kod");
    IXlsDataSet* original = ds.get();
    ds.reset();
    EXPECT_EQ(kept->DataSet().get(), original);
    EXPECT_EQ(kept->DataSet()->DataSetName(), "mtPolozky");
    kept->DataSet()->Next();
    EXPECT_TRUE(kept->DataSet()->Eof());
}

TEST(XlsTDataSetTest, RefusesMissingDatasetsAndFields) {
    EXPECT_EQ(MessageOf([] { TXlsTDataSet(nullptr, "x", nullptr, nullptr); }),
              QString::fromUtf8(XlsMessages::ErrCantFindDataSet).arg(""));
    EXPECT_EQ(MessageOf([] { TXlsTField(nullptr, nullptr); }), XlsMessages::ErrNilField);
    TMemTable t;
    MakeTable(t);
    auto ds = std::make_shared<TXlsTDataSet>(&t, "mt", nullptr, nullptr);
    // The dataset's own error for an unknown field name comes through unchanged.
    EXPECT_THROW(ds->FieldByName("Neni"), EDataSetError);
    int counted = 0;
    auto counting = std::make_shared<TXlsTDataSet>(
        &t, "mt",
        [&](TSheetReport*, TDataSet* d) {
            ++counted;
            return d == &t ? 7 : -1;
        },
        nullptr);
    EXPECT_EQ(counting->RecordCount(), 7);
    EXPECT_EQ(counted, 1);
}
