#include <gtest/gtest.h>

#include <QDir>
#include <QPixmap>
#include <QTest>

#include "common/Artifacts.h"
#include "core/Main.h"

namespace {

TEST(MainWindowTest, ShowsTheApplicationTitleAndIsPictured) {
    TfrmMain frmMain;
    frmMain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frmMain));
    EXPECT_EQ(frmMain.windowTitle(), "Varnobis");
    EXPECT_EQ(frmMain.objectName(), "frmMain");

    const QPixmap picture = frmMain.grab();
    ASSERT_FALSE(picture.isNull());
    const QString path = ArtifactPath("main-window.png");
    ASSERT_TRUE(picture.save(path)) << path.toStdString();
    EXPECT_FALSE(QPixmap(path).isNull());
}

}  // namespace
