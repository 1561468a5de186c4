#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTest>
#include <QTextBrowser>

#include "common/Artifacts.h"
#include "common/FakeUrlLauncher.h"
#include "common/TempDir.h"
#include "platform/shell/HelpViewer.h"
#include "platform/shell/HtmlHelp.h"
#include "platform/shell/OpenUrl.h"

namespace {

// A program folder with a help file name beside a help/ folder of three pages that link each other.
class HelpViewerTest : public TempDirTest {
protected:
    void SetUp() override {
        QDir(Folder()).mkpath("help/sub");
        Write("help/pgUvod.htm",
              "<h1>Úvod</h1><p>Začátek nápovědy.</p><a href=\"pgSitovyProvoz.htm#slozka\">síť</a>"
              "<a href=\"sub/pgDalsi.htm\">další</a><a href=\"pgChybi.htm\">chybí</a>"
              "<a href=\"https://www.example.cz/\">web</a>");
        Write("help/pgSitovyProvoz.htm",
              "<h1>Síťový provoz</h1><p><a name=\"slozka\">Sdílená složka dat.</a></p>");
        Write("help/sub/pgDalsi.htm", "<p>Další stránka.</p><a href=\"../pgUvod.htm\">zpět</a>");
    }

    void Write(const QString& name, const char* html) {
        QFile file(PathOf(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html><head><meta charset=\"utf-8\"></head><body>");
        file.write(html);
        file.write("</body></html>");
    }

    QString HelpFolder() const { return PathOf("help"); }
    static QString Text(const THelpViewer& viewer) { return viewer.browser->toPlainText(); }
};

TEST(HelpTargetTest, SplitsIntoTheHelpFolderAndThePage) {
    const QString programDir = QCoreApplication::applicationDirPath();
    struct Case {
        QString target, folder, page;
    };
    const Case cases[] = {
        {"/opt/vn/Varnobis.chm::/pgSezNab.htm", "/opt/vn/help", "pgSezNab.htm"},
        {"/opt/vn/Varnobis.chm::/sub/page.htm#part", "/opt/vn/help", "sub/page.htm#part"},
        {"/opt/vn/Varnobis.chm", "/opt/vn/help", ""},
        // A help file without a folder is the one beside the program, wherever it was started from.
        {"Varnobis.chm::/pgUvod.htm", programDir + "/help", "pgUvod.htm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        QString folder, page;
        SplitHelpTarget(c.target, folder, page);
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(page, c.page);
    }
}

TEST_F(HelpViewerTest, ShowsPagesAndFollowsLinksBetweenThem) {
    TFakeLauncher launcher;
    THelpViewer viewer;
    ASSERT_TRUE(viewer.ShowPage(HelpFolder(), "pgUvod.htm"));
    EXPECT_TRUE(Text(viewer).contains("Začátek nápovědy."));

    struct Step {
        const char* link;
        const char* page;  // empty: a message stands in for the page
        const char* text;
    };
    // Each link is clicked on the page the step before it left on screen.
    const Step steps[] = {
        {"sub/pgDalsi.htm", "sub/pgDalsi.htm", "Další stránka."},
        {"../pgUvod.htm", "pgUvod.htm", "Začátek nápovědy."},
        {"pgSitovyProvoz.htm#slozka", "pgSitovyProvoz.htm", "Sdílená složka dat."},
        {"pgChybi.htm", "", "pgChybi.htm"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.link);
        emit viewer.browser->anchorClicked(QUrl(QString::fromUtf8(s.link)));
        EXPECT_EQ(viewer.CurrentPage(), QString::fromUtf8(s.page));
        EXPECT_TRUE(Text(viewer).contains(QString::fromUtf8(s.text))) << Text(viewer).toStdString();
    }
    EXPECT_EQ(Text(viewer), MissingHelpPageText("pgChybi.htm"));
    EXPECT_TRUE(launcher.opened.isEmpty());

    // Web addresses leave the help for the desktop's browser; the page stays.
    ASSERT_TRUE(viewer.ShowPage(HelpFolder(), "pgUvod.htm"));
    emit viewer.browser->anchorClicked(QUrl("https://www.example.cz/"));
    EXPECT_EQ(launcher.opened, QStringList{"https://www.example.cz/"});
    EXPECT_EQ(viewer.CurrentPage(), "pgUvod.htm");
}

TEST_F(HelpViewerTest, PagesOutsideTheFolderOrMissingGiveTheMessage) {
    QFile outside(PathOf("secret.htm"));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.write("<p>secret</p>");
    outside.close();

    THelpViewer viewer;
    for (const char* page : {"../secret.htm", "pgNeni.htm", "", "sub"}) {
        SCOPED_TRACE(page);
        EXPECT_FALSE(viewer.ShowPage(HelpFolder(), QString::fromUtf8(page)));
        EXPECT_EQ(Text(viewer), MissingHelpPageText(QString::fromUtf8(page)));
        EXPECT_TRUE(viewer.CurrentPage().isEmpty());
    }
    // Page names are found whatever their case.
    EXPECT_TRUE(viewer.ShowPage(HelpFolder(), "PGSITOVYPROVOZ.HTM"));
    EXPECT_EQ(viewer.CurrentPage(), "pgSitovyProvoz.htm");
}

TEST_F(HelpViewerTest, EngineOpensTheViewerWindowOnTheRequestedPage) {
    std::unique_ptr<IHtmlHelp> engine = LoadHelpViewerEngine();
    const QString helpFile = PathOf("Varnobis.chm");
    ASSERT_TRUE(engine->HtmlHelp(helpFile + "::/pgSitovyProvoz.htm", HH_DISPLAY_TOPIC, {}));

    auto* viewer = qobject_cast<THelpViewer*>(QApplication::activeWindow());
    if (!viewer)
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* v = qobject_cast<THelpViewer*>(w); v && v->isVisible()) viewer = v;
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    EXPECT_EQ(viewer->windowTitle(), "Nápověda");
    EXPECT_EQ(viewer->CurrentPage(), "pgSitovyProvoz.htm");
    const QPixmap picture = viewer->grab();
    EXPECT_TRUE(picture.save(ArtifactPath("help-viewer.png")));

    // The help file alone, contents and index start at the first page.
    for (unsigned command : {HH_DISPLAY_TOPIC, HH_DISPLAY_TOC, HH_DISPLAY_INDEX}) {
        SCOPED_TRACE(command);
        ASSERT_TRUE(engine->HtmlHelp(helpFile, command, {}));
        EXPECT_EQ(viewer->CurrentPage(), "pgUvod.htm");
    }
    // A missing page is reported, and the window says so.
    EXPECT_FALSE(engine->HtmlHelp(helpFile + "::/pgNeni.htm", HH_DISPLAY_TOPIC, {}));
    EXPECT_EQ(viewer->browser->toPlainText(), MissingHelpPageText("pgNeni.htm"));
    // Numbered topics and pop-ups need maps the help pages do not have.
    EXPECT_FALSE(engine->HtmlHelp(helpFile, HH_HELP_CONTEXT, 1000));
    THHPopup numbered;
    numbered.idString = 5;
    EXPECT_FALSE(
        engine->HtmlHelp(helpFile + "::/CSHelp.txt", HH_DISPLAY_TEXT_POPUP, QVariant::fromValue(numbered)));

    EXPECT_TRUE(engine->HtmlHelp({}, HH_CLOSE_ALL, {}));
    EXPECT_FALSE(viewer->isVisible());
}

TEST_F(HelpViewerTest, HelpAskedForFromAModalWindowBelongsToIt) {
    std::unique_ptr<IHtmlHelp> engine = LoadHelpViewerEngine();
    const QString target = PathOf("Varnobis.chm") + "::/pgUvod.htm";
    auto findViewer = [] {
        THelpViewer* found = nullptr;
        for (QWidget* w : QApplication::allWidgets())
            if (auto* v = qobject_cast<THelpViewer*>(w); v && v->isVisible()) found = v;
        return found;
    };
    {
        QDialog dialog;
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
        ASSERT_TRUE(engine->HtmlHelp(target, HH_DISPLAY_TOPIC, {}));
        THelpViewer* viewer = findViewer();
        ASSERT_NE(viewer, nullptr);
        EXPECT_EQ(viewer->parentWidget(), &dialog);
        EXPECT_TRUE(viewer->isWindow());
    }
    // The dialog took its help window along; the next request opens a free-standing one.
    EXPECT_EQ(findViewer(), nullptr);
    ASSERT_TRUE(engine->HtmlHelp(target, HH_DISPLAY_TOPIC, {}));
    ASSERT_NE(findViewer(), nullptr);
    EXPECT_EQ(findViewer()->parentWidget(), nullptr);
}

TEST(DesktopUrlTest, AddressesAsTheDesktopGetsThem) {
    struct Case {
        const char* target;
        const char* url;
    };
    const Case cases[] = {
        {"www.firma.cz", "http://www.firma.cz"},
        {"http://www.firma.cz/cenik", "http://www.firma.cz/cenik"},
        {"mailto:podpora@firma.cz?Subject=Dotaz&Body=a%0A%0Db%0A%0D",
         "mailto:podpora@firma.cz?Subject=Dotaz&Body=a%0A%0Db%0A%0D"},
        {"/tmp/nabidka 1.pdf", "file:///tmp/nabidka%201.pdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(DesktopUrl(QString::fromUtf8(c.target)).toString(QUrl::FullyEncoded),
                  QString::fromUtf8(c.url));
    }
    TFakeLauncher launcher;
    EXPECT_FALSE(OpenUrl({}));
    EXPECT_TRUE(launcher.opened.isEmpty());
}

}  // namespace
