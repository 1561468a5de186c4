#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTextBrowser>

#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/Main.h"
#include "platform/shell/HelpViewer.h"
#include "platform/shell/HtmlHelp.h"
#include "widgets/HelpRouter.h"

namespace {

struct TRecordingEngine final : IHtmlHelp {
    static inline QStringList targets;
    bool HtmlHelp(const QString& file, unsigned, const QVariant&) override {
        targets << file;
        return true;
    }
    static std::unique_ptr<IHtmlHelp> Load() { return std::make_unique<TRecordingEngine>(); }
};

class MainHelpTest : public ::testing::Test {
protected:
    void SetUp() override { savedFolder_ = ProgramFolder; }
    void TearDown() override {
        ProgramFolder = savedFolder_;
        LoadHtmlHelpLibrary = savedLoad_;
    }

private:
    QString savedFolder_;
    std::unique_ptr<IHtmlHelp> (*savedLoad_)() = LoadHtmlHelpLibrary;
};

TEST_F(MainHelpTest, HelpRequestsOfTheWindowsOpenPagesOfTheProgramsHelpFile) {
    LoadHtmlHelpLibrary = TRecordingEngine::Load;
    TRecordingEngine::targets.clear();
    ProgramFolder = "/opt/varnobis/";
    {
        TfrmMain frmMain;
        ASSERT_NE(frmMain.HelpRouter1, nullptr);
        EXPECT_EQ(THelpRouter::Instance(), frmMain.HelpRouter1);
        EXPECT_EQ(frmMain.HelpRouter1->HelpType, htHTMLhelp);
        EXPECT_EQ(frmMain.HelpRouter1->CHMPopupTopics, "CSHelp.txt");
        EXPECT_FALSE(frmMain.HelpRouter1->ValidateID);
        ShowHelpTopic("pgSitovyProvoz.htm");
        ShowHelpTopic("pgUvod");
    }
    EXPECT_EQ(TRecordingEngine::targets, (QStringList{"/opt/varnobis/Varnobis.chm::/pgSitovyProvoz.htm",
                                                      "/opt/varnobis/Varnobis.chm::/pgUvod.htm"}));
    // Gone with the main window, the router takes no more requests.
    EXPECT_EQ(THelpRouter::Instance(), nullptr);
    ShowHelpTopic("pgUvod.htm");
    EXPECT_EQ(TRecordingEngine::targets.size(), 2);
}

TEST_F(MainHelpTest, ShippedPageOfTheDataFolderDialogIsShown) {
    // The program folder as the build lays it out, with the help pages copied from the sources.
    ProgramFolder = qEnvironmentVariable("VN_BUILD_DIR", QDir::currentPath()) + "/bin/";
    TfrmMain frmMain;
    ShowHelpTopic("pgSitovyProvoz.htm");
    THelpViewer* viewer = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = qobject_cast<THelpViewer*>(w); v && v->isVisible()) viewer = v;
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->CurrentPage(), "pgSitovyProvoz.htm");
    EXPECT_TRUE(viewer->browser->toPlainText().contains("Síťový provoz"));
}

}  // namespace
