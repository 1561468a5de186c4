#include <gtest/gtest.h>

#include <QMainWindow>
#include <QTest>

#include "platform/ui/VnDialog.h"

namespace {

// A shown main window that a modal dialog has disabled, and a dialog over it.
class MinimiseRuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        main_.show();
        main_.setEnabled(false);
        dialog_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    }
    void TearDown() override {
        dialog_.hide();
        main_.hide();
    }

    QMainWindow main_;
    TVnDialog dialog_{&main_};
};

TEST_F(MinimiseRuleTest, MinimisingTheDialogMinimisesTheApplication) {
    EXPECT_TRUE(dialog_.windowFlags() & Qt::WindowMinimizeButtonHint);
    dialog_.setWindowState(Qt::WindowMinimized);

    EXPECT_TRUE(main_.isEnabled());
    EXPECT_TRUE(main_.isMinimized());
    EXPECT_TRUE(dialog_.isMinimized());
}

TEST_F(MinimiseRuleTest, OtherStateChangesTakeTheirNormalCourse) {
    dialog_.setWindowState(Qt::WindowMaximized);

    EXPECT_FALSE(main_.isEnabled());
    EXPECT_FALSE(main_.isMinimized());
    EXPECT_TRUE(dialog_.isMaximized());
}

TEST_F(MinimiseRuleTest, AMinimisedDialogWithinTheRoundDoesNotStartItAgain) {
    // A second dialog open over the first is minimised as part of the same round.
    TVnDialog second(&dialog_);
    second.show();
    second.setWindowState(Qt::WindowMinimized);

    EXPECT_TRUE(main_.isMinimized());
    EXPECT_TRUE(dialog_.isMinimized());
    EXPECT_TRUE(second.isMinimized());
}

}  // namespace
