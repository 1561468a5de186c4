#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "common/Artifacts.h"
#include "common/ScriptedDialogs.h"
#include "core/Informace.h"
#include "core/Login.h"
#include "core/PurchasePrices.h"
#include "platform/data/MemTable.h"
#include "widgets/VnDBGrids.h"

namespace {

// The user and the switch come back as they were.
class PurchasePricesTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedUser_ = CurrentUser;
        savedShow_ = ShowPurchasePrices;
    }
    void TearDown() override {
        CurrentUser = savedUser_;
        ShowPurchasePrices = savedShow_;
    }

private:
    TUser savedUser_;
    bool savedShow_ = true;
};

TEST_F(PurchasePricesTest, SwitchFollowsTheRightAndTheAnswer) {
    struct Case {
        const char* name;
        bool right;
        bool before;
        bool ask;
        const char* question;  // null: none asked
        bool yes;
        int result;
        bool after;
    };
    const Case kCases[] = {
        {"shown, Yes hides", true, true, true, kHidePurchasePricesQuestion, true, 0, false},
        {"hidden, Yes shows", true, false, true, kShowPurchasePricesQuestion, true, 0, true},
        {"shown, No keeps", true, true, true, kHidePurchasePricesQuestion, false, -1, true},
        {"hidden, No keeps", true, false, true, kShowPurchasePricesQuestion, false, -1, false},
        {"without asking the value stays", true, false, false, nullptr, false, 0, false},
        {"without asking, shown stays", true, true, false, nullptr, false, 0, true},
        {"no right: off without a question", false, true, true, nullptr, false, 0, false},
        {"no right, already off", false, false, true, nullptr, false, 0, false},
        {"no right, not asking", false, true, false, nullptr, false, 0, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        CurrentUser.NakupniCeny_AR = c.right;
        ShowPurchasePrices = c.before;
        TScriptedDialogs dialogs;
        if (c.question) dialogs.ExpectQuestion(c.question, c.yes);
        EXPECT_EQ(TogglePurchasePriceDisplay(c.ask), c.result);
        EXPECT_EQ(ShowPurchasePrices, c.after);
        dialogs.Verify();
    }
}

// A stand-in of the offer list and of the offer card as far as the switch is concerned: their
// object names, their grids with the columns named as the real ones, and a total label.
struct TFakeWindows {
    TMemTable table;
    TDataSource source{&table};
    QWidget list;
    QWidget card;
    TVnDBGrid* grNabidky = nullptr;
    TVnDBGrid* grPolozky = nullptr;
    QLabel* lblZiskCelkem = nullptr;

    TFakeWindows() {
        table.FieldDefs().Add("Doklad", ftString, 20);
        table.FieldDefs().Add("Zisk", ftFloat);
        table.FieldDefs().Add("NakCena", ftFloat);
        table.CreateTable();
        table.Append();
        table.FieldByName("Doklad")->SetAsString("NB0001");
        table.FieldByName("Zisk")->SetAsFloat(1250.5);
        table.FieldByName("NakCena")->SetAsFloat(99);
        table.Post();

        list.setObjectName("frmNabidky");
        grNabidky = MakeGrid(&list, "grNabidky");
        card.setObjectName("frmNabidkaKart");
        grPolozky = MakeGrid(&card, "grPolozky");
        lblZiskCelkem = new QLabel("1 250,50", &card);
        lblZiskCelkem->setObjectName("lblZiskCelkem");
        list.show();
        card.show();
    }

    TVnDBGrid* MakeGrid(QWidget* window, const char* name) {
        auto* grid = new TVnDBGrid(window);
        grid->setObjectName(name);
        grid->SetDataSource(&source);
        grid->Columns().Clear();
        for (const char* field : {"Doklad", "Zisk", "NakCena"}) {
            TColumn* column = grid->Columns().AddColumn();
            column->SetFieldName(field);
            column->SetWidth(80);
        }
        return grid;
    }
};

QString CellText(TVnDBGrid* grid, int column) { return grid->GetCellText(grid->Columns().ColumnAt(column)); }

TEST_F(PurchasePricesTest, HiddenColumnsKeepTheirPlaceAndShowBlanks) {
    TFakeWindows windows;
    TColumn* zisk = windows.grNabidky->Columns().ColumnAt(1);
    TColumn* polozkyNakCena = windows.grPolozky->Columns().ColumnAt(2);
    const QString shownProfit = CellText(windows.grNabidky, 1);
    ASSERT_FALSE(shownProfit.trimmed().isEmpty());

    CurrentUser.NakupniCeny_AR = true;
    ShowPurchasePrices = true;
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(kHidePurchasePricesQuestion, true)
        .ExpectQuestion(kShowPurchasePricesQuestion, true);

    ASSERT_EQ(TogglePurchasePriceDisplay(true), 0);
    EXPECT_TRUE(CellText(windows.grNabidky, 1).trimmed().isEmpty());
    EXPECT_EQ(zisk->Title()->FontColor(), zisk->Title()->Color());
    EXPECT_EQ(zisk->Width(), 80);
    EXPECT_EQ(zisk->Index(), 1);
    // Only the purchase-price columns of each window's grid; the document number stays.
    EXPECT_EQ(CellText(windows.grNabidky, 0), "NB0001");
    EXPECT_FALSE(
        CellText(windows.grNabidky, 2).trimmed().isEmpty());  // the list shows no purchase price column
    EXPECT_TRUE(CellText(windows.grPolozky, 2).trimmed().isEmpty());
    EXPECT_EQ(polozkyNakCena->FooterPanel()->FontColor(), polozkyNakCena->FooterPanel()->Color());
    EXPECT_TRUE(windows.lblZiskCelkem->isHidden());

    ASSERT_EQ(TogglePurchasePriceDisplay(true), 0);
    EXPECT_EQ(CellText(windows.grNabidky, 1), shownProfit);
    EXPECT_EQ(zisk->Title()->FontColor(), clWindowText);
    EXPECT_EQ(polozkyNakCena->FooterPanel()->FontColor(), clWindowText);
    EXPECT_FALSE(windows.lblZiskCelkem->isHidden());
    dialogs.Verify();
}

TEST_F(PurchasePricesTest, HiddenTitleIsPaintedInItsOwnColour) {
    TFakeWindows windows;
    TVnDBGrid* grid = windows.grNabidky;
    grid->resize(300, 80);
    CurrentUser.NakupniCeny_AR = false;
    ASSERT_EQ(TogglePurchasePriceDisplay(true), 0);
    const QImage hidden = grid->viewport()->grab().toImage();
    hidden.save(ArtifactPath("purchase_prices_hidden.png"));
    // The title cell of the profit column holds no dark text pixel; the document column's still does.
    auto hasTextPixel = [&hidden, grid](int rawColumn) {
        const TRect cell = grid->CellRect(rawColumn, 0);
        for (int y = cell.Top + 2; y < cell.Bottom - 2; ++y)
            for (int x = cell.Left + 3; x < cell.Right - 3; ++x)
                if (hidden.pixelColor(x, y).lightness() < 100) return true;
        return false;
    };
    EXPECT_TRUE(hasTextPixel(1));
    EXPECT_FALSE(hasTextPixel(2));
}

TEST_F(PurchasePricesTest, CtrlQInTheInformationWindowAsks) {
    CurrentUser.NakupniCeny_AR = true;
    ShowPurchasePrices = true;
    TfrmInformace window;
    auto* action = window.findChild<QAction*>("acSHNC");
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(kHidePurchasePricesQuestion, true);
    QTimer::singleShot(0, &window, [&window] {
        // Shortcuts reach the active window only.
        QApplication::setActiveWindow(&window);
        QTest::keyClick(window.reInformace, Qt::Key_Q, Qt::ControlModifier);
        window.acbtnStorno->trigger();
    });
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, &window, [&window] { window.reject(); });
    fallback.start(3000);
    window.ShowModal();
    EXPECT_FALSE(ShowPurchasePrices);
    dialogs.Verify();
}

}  // namespace
