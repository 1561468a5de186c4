#include <gtest/gtest.h>

#include "XLSAdapter/USheetImport.h"
#include "XLSAdapter/XLSAdapter.h"
#include "XlsTemplate.h"
#include "common/TempDir.h"

using namespace xlstest;

namespace {

class SheetImportTest : public TempDirTest {
protected:
    // A key list the way a customer sends one: codes and quantities on the second sheet, which
    // was the active one when saved, with a gap of empty rows and a formula.
    QString MakeKeyList(const QString& name = "klice.xls") {
        QString path = PathOf(name);
        MakeTemplate(path,
                     "wb.add_sheet('Info').write(0, 0, 'jiny list')\n"
                     "ws = wb.add_sheet(u'Položky')\n"
                     "ws.write(0, 0, u'Kód'); ws.write(0, 1, u'Množství')\n"
                     "ws.write(1, 0, 'K-01'); ws.write(1, 1, 3)\n"
                     "ws.write(2, 0, 'K-02'); ws.write(2, 1, 2.5)\n"
                     "ws.write(3, 1, '')\n"
                     "ws.write(9, 0, 'K-10'); ws.write(9, 1, xlwt.Formula('B2*4'))\n"
                     "wb.set_active_sheet(1)\n",
                     {});
        return path;
    }
};

}  // namespace

TEST_F(SheetImportTest, ReadsTheKeyListOfTheActiveSheet) {
    TXLSAdapter adapter;
    TSheetImport import;
    import.SetAdapter(&adapter);
    import.OpenWorkbook(MakeKeyList());
    ASSERT_EQ(import.GetLastRow(), 10);
    QStringList keys;
    for (int r = 2; r <= import.GetLastRow(); ++r) {
        QVariant key = import.GetCellValue(r, 1);
        if (key.isValid()) keys << key.toString() + "=" + import.GetCellValue(r, 2).toString();
    }
    EXPECT_EQ(keys.join(','), "K-01=3,K-02=2.5,K-10=" + import.GetCellValue(10, 2).toString());
    EXPECT_TRUE(import.Workbook()->GetCellValueX(10, 2).IsFormula);
    EXPECT_EQ(import.GetCellValue(1, 2), QVariant(QString::fromUtf8("Množství")));

    // An empty cell is no value, which differs from an empty text.
    EXPECT_FALSE(import.GetCellValue(5, 1).isValid());
    EXPECT_EQ(MessageOf([&] { import.GetCellValue(0, 1); }),
              QString::fromUtf8(XlsMessages::ErrInvalidRow).arg(-1));

    // What was read stays, whatever happens to the file meanwhile.
    ASSERT_TRUE(QFile::remove(PathOf("klice.xls")));
    EXPECT_EQ(import.GetCellValue(2, 1), QVariant(QString("K-01")));
}

TEST_F(SheetImportTest, OpenAndCloseStates) {
    TSheetImport import;
    EXPECT_EQ(MessageOf([&] { import.OpenWorkbook(MakeKeyList()); }), XlsMessages::ErrNoAdapter);
    EXPECT_EQ(MessageOf([&] { import.GetCellValue(1, 1); }), XlsMessages::ErrNoOpenFile);
    EXPECT_EQ(MessageOf([&] { import.GetLastRow(); }), XlsMessages::ErrNoOpenFile);

    auto adapter = std::make_unique<TXLSAdapter>();
    import.SetAdapter(adapter.get());
    import.OpenWorkbook(PathOf("klice.xls"));
    EXPECT_EQ(import.GetLastRow(), 10);

    // A second file replaces the first; a missing one leaves the component closed.
    MakeTemplate(PathOf("jiny.xls"), "wb.add_sheet('A').write(2, 0, 'x')\n", {});
    import.OpenWorkbook(PathOf("jiny.xls"));
    EXPECT_EQ(import.GetLastRow(), 3);
    EXPECT_EQ(MessageOf([&] { import.OpenWorkbook(PathOf("neni.xls")); }),
              QString::fromUtf8(XlsMessages::ErrCantFindFile).arg(PathOf("neni.xls")));
    EXPECT_EQ(import.Workbook(), nullptr);
    EXPECT_EQ(MessageOf([&] { import.GetCellValue(1, 1); }), XlsMessages::ErrNoOpenFile);

    import.OpenWorkbook(PathOf("jiny.xls"));
    import.CloseWorkbook();
    EXPECT_EQ(MessageOf([&] { import.GetLastRow(); }), XlsMessages::ErrNoOpenFile);

    // The adapter going away unlinks it.
    adapter.reset();
    EXPECT_EQ(import.Adapter(), nullptr);
    EXPECT_EQ(MessageOf([&] { import.OpenWorkbook(PathOf("jiny.xls")); }), XlsMessages::ErrNoAdapter);
}
