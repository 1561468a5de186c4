#include <gtest/gtest.h>

#include <QTest>

#include "core/Working.h"

TEST(WorkingTest, ShowReplacesTextAndInterruptLabel) {
    ShowWorking(true, "Načítám adresu\rprosím čekejte...", false);
    TfrmWorking* window = TfrmWorking::Instance();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->lblPrerusit->isVisible());
    EXPECT_EQ(window->lblInfo->text(), QString::fromUtf8("Načítám adresu\nprosím čekejte..."));
    EXPECT_EQ(window->size(), QSize(346, 74));

    ShowWorking(true, "Jiný text", true);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->lblPrerusit->isVisible());
    EXPECT_EQ(window->lblPrerusit->text(), QString::fromUtf8("<zrušit>"));
    EXPECT_EQ(window->lblInfo->text(), QString::fromUtf8("Jiný text"));

    ShowWorking(false, "ignored", true);
    EXPECT_FALSE(window->isVisible());
}

TEST(WorkingTest, ClickOnInterruptLabelOnlySetsTheFlag) {
    WorkingCancelled = false;
    ShowWorking(true, "Přeceňuji", true);
    TfrmWorking* window = TfrmWorking::Instance();
    QTest::mouseClick(window->lblPrerusit, Qt::LeftButton);
    EXPECT_TRUE(WorkingCancelled);
    EXPECT_TRUE(window->isVisible());
    // Showing the window again does not clear the flag; only the operations do.
    ShowWorking(true, "Další krok", true);
    EXPECT_TRUE(WorkingCancelled);
    ShowWorking(false);
    WorkingCancelled = false;
}
