#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "PriceListFixture.h"
#include "platform/data/Field.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/SezIdentif.h"
#include "widgets/VnDBGrids.h"

TEST(IdentifierList, ParseFindsTheCodesBetweenSeparators) {
    struct Case {
        const char* list;
        QStringList codes;
    };
    const Case kCases[] = {
        {"", {}},
        {"AB", {}},
        {"_A_B_", {"A", "B"}},
        {"_A_BC_D_", {"A", "BC", "D"}},
        // Text before the first separator is no code, nor is a code that nothing closes.
        {"X_A_B", {"A"}},
        // Two separators in a row end the list after an empty code.
        {"_A__B_", {"A", ""}},
        {"_ABCDEFGHIJKL_", {"ABCDEFGHIJ"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.list);
        EXPECT_EQ(ParseIdentifierList(c.list), c.codes);
    }
}

TEST(IdentifierList, BuildClosesTheListAndLeavesNoCodesEmpty) {
    EXPECT_EQ(BuildIdentifierList({"A", "BC", "D"}), "_A_BC_D_");
    EXPECT_EQ(BuildIdentifierList({"A", "BC", "D"}).size(), 8);
    EXPECT_EQ(BuildIdentifierList({}), "");
}

TEST(IdentifierList, MergeAddsAndRemovesWholeCodesInUpperCase) {
    struct Case {
        const char* list;
        const char* changes;
        int mode;
        int result;
        const char* merged;
    };
    const Case kCases[] = {
        {"_a_B_", "_c_b_", 1, 0, "_A_B_C_"},
        {"", "_x_", 1, 0, "_X_"},
        {"_A_", "_a_", 2, 0, ""},
        {"_A_B_C_", "_B_", 2, 0, "_A_C_"},
        // "A" is a code of its own: it must not match inside "AB".
        {"_AB_", "_A_", 2, 0, "_AB_"},
        {"_AB_", "_A_", 1, 0, "_AB_A_"},
        {"_a_", "", 1, -1, "_A_"},
        {"_a_", "_B_", 3, -1, "_A_"},
        {"_čaj_", "_ČAJ_", 2, 0, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.list) + " / " + c.changes);
        QString merged;
        EXPECT_EQ(MergeIdentifierList(c.list, c.changes, c.mode, merged), c.result);
        EXPECT_EQ(merged, c.merged);
    }
}

namespace {

class EditorIdentifTest : public PriceListTest {
protected:
    // A list of the codes "C01".."Cnn", each of three characters and its separator.
    static QString ListOf(int codes, int lastLength = 3) {
        QStringList list;
        for (int i = 0; i < codes; ++i) list << QString("C%1").arg(i, 2, 10, QChar('0'));
        if (!list.isEmpty()) list.last() = list.last().leftJustified(lastLength, 'X');
        return BuildIdentifierList(list);
    }
};

}  // namespace

TEST_F(EditorIdentifTest, OkOnAnEmptyEditorGivesTheEmptyList) {
    TModalDriver driver;
    driver.Press("frmEditorIdentif", "btnOK");
    QString edited = "stale";
    EXPECT_EQ(EditIdentifierList("", edited, true), kResultOk);
    EXPECT_EQ(edited, "");
}

TEST_F(EditorIdentifTest, ParseOnlyFillsTheEditorsTable) {
    QString edited = "stale";
    EXPECT_EQ(EditIdentifierList("_A_BC_", edited, false), -1);
    EXPECT_EQ(edited, "");
    EXPECT_EQ(TfrmEditorIdentif::Instance()->Codes(), QStringList({"A", "BC"}));
}

TEST_F(EditorIdentifTest, A255CharacterListIsAcceptedAnd256IsRefusedUntilShortened) {
    // 63 codes of 3 characters and their separators make 253; a longer last code sets the total.
    const QString exact = ListOf(63, 5);
    ASSERT_EQ(exact.size(), 255);
    {
        TModalDriver driver;
        driver.Press("frmEditorIdentif", "btnOK");
        QString edited;
        EXPECT_EQ(EditIdentifierList(exact, edited, true), kResultOk);
        EXPECT_EQ(edited, exact);
    }
    const QString tooLong = ListOf(63, 6);
    ASSERT_EQ(tooLong.size(), 256);
    dialogs_.ExpectWarning(QString::fromUtf8("Maximální délka řetězce (včetně separátorů) může být 255."));
    TModalDriver driver;
    driver.Press("frmEditorIdentif", "btnOK")
        .On("frmEditorIdentif",
            [](QWidget* w) {
                // The editor is back with every row; the user removes the last code.
                auto* editor = static_cast<TfrmEditorIdentif*>(w);
                EXPECT_EQ(editor->mtIdentif.RecordCount(), 63);
                editor->mtIdentif.Last();
                TModalDriver::Click(w, "btnVyjmout");
            })
        .Press("frmEditorIdentif", "btnOK");
    QString edited;
    EXPECT_EQ(EditIdentifierList(tooLong, edited, true), kResultOk);
    EXPECT_EQ(edited, ListOf(62));
}

TEST_F(EditorIdentifTest, StornoLeavesTheCallersList) {
    TModalDriver driver;
    driver.On("frmEditorIdentif", [](QWidget* w) {
        auto* editor = static_cast<TfrmEditorIdentif*>(w);
        QTest::keyClick(editor->grIdentif, Qt::Key_Delete);
        EXPECT_TRUE(editor->mtIdentif.IsEmpty());
        EXPECT_FALSE(editor->btnVyjmout->isEnabled());
        TModalDriver::Click(w, "btnStorno");
    });
    QString edited;
    EXPECT_EQ(EditIdentifierList("_A_", edited, true), kResultCancel);
    EXPECT_EQ(edited, "");
}

TEST_F(EditorIdentifTest, AddingPicksFromTheCatalogueAndRefusesACodeAlreadyListed) {
    Exec("INSERT INTO SezIdentif (Zkratka, Popis, Nepouzivat) VALUES ('KABEL', 'Kabely', 0)");
    Exec("INSERT INTO SezIdentif (Zkratka, Popis, Nepouzivat) VALUES ('PRACE', 'Práce', 0)");
    dialogs_.ExpectInformation(QString::fromUtf8("Zkratka \"KABEL\" již v seznamu existuje."));
    TModalDriver driver;
    const auto pick = [](const char* code) {
        return [code](QWidget* w) {
            EXPECT_TRUE(frmMain->adqAgendaFree1.Locate("Zkratka", code));
            TModalDriver::Click(w, "btnOK");
        };
    };
    driver.Press("frmEditorIdentif", "btnPridat")
        .On("frmSezIdentif", pick("KABEL"))
        .Press("frmEditorIdentif", "btnPridat")
        .On("frmSezIdentif", pick("PRACE"))
        .Press("frmEditorIdentif", "btnOK");
    QString edited;
    // The list holds the code in another letter case: still the same code.
    EXPECT_EQ(EditIdentifierList("_kabel_", edited, true), kResultOk);
    EXPECT_EQ(edited, "_kabel_PRACE_");
    EXPECT_FALSE(frmMain->adqAgendaFree1.Active());
}
