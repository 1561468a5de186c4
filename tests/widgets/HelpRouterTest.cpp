#include <gtest/gtest.h>

#include <QCursor>
#include <vector>

#include "widgets/HelpRouter.h"

namespace {

struct TCall {
    QString file;
    unsigned command;
    QVariant data;
};

// Stand-ins for both help engines: they record every call and answer as the test says.
struct TFakeEngines {
    static inline std::vector<TCall> html, win;
    static inline int loads = 0;
    static inline bool missing = false, throws = false, htmlAnswer = true;
    static inline std::vector<bool> winAnswers;

    struct TEngine final : IHtmlHelp {
        bool HtmlHelp(const QString& file, unsigned command, const QVariant& data) override {
            html.push_back({file, command, data});
            return htmlAnswer;
        }
    };
    static std::unique_ptr<IHtmlHelp> Load() {
        ++loads;
        if (throws) throw std::runtime_error("engine broken");
        return missing ? nullptr : std::make_unique<TEngine>();
    }
    static bool WinHelp(const QString& file, unsigned command, const QVariant& data) {
        win.push_back({file, command, data});
        if (winAnswers.empty()) return false;
        const bool answer = winAnswers.front();
        winAnswers.erase(winAnswers.begin());
        return answer;
    }
};

class HelpRouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedLoad_ = LoadHtmlHelpLibrary;
        savedWin_ = WinHelpEngine;
        LoadHtmlHelpLibrary = TFakeEngines::Load;
        WinHelpEngine = TFakeEngines::WinHelp;
        TFakeEngines::html.clear();
        TFakeEngines::win.clear();
        TFakeEngines::winAnswers.clear();
        TFakeEngines::loads = 0;
        TFakeEngines::missing = TFakeEngines::throws = false;
        TFakeEngines::htmlAnswer = true;
        ApplicationHelpFile() = "/opt/vn/Varnobis.chm";
    }
    void TearDown() override {
        UnloadHtmlHelp();
        LoadHtmlHelpLibrary = savedLoad_;
        WinHelpEngine = savedWin_;
        ApplicationHelpFile().clear();
    }

    // A request as the application makes it; callHelp tells whether it was left to the default.
    static bool Request(THelpRouter& router, unsigned command, const QVariant& data,
                        bool* callHelpOut = nullptr) {
        bool callHelp = true;
        const bool result = router.HelpHandler(command, data, callHelp);
        if (callHelpOut) *callHelpOut = callHelp;
        return result;
    }

private:
    std::unique_ptr<IHtmlHelp> (*savedLoad_)() = nullptr;
    bool (*savedWin_)(const QString&, unsigned, const QVariant&) = nullptr;
};

TEST_F(HelpRouterTest, TopicTargetForTheHtmlEngine) {
    struct Case {
        const char* helpFile;
        const char* topic;
        bool validate;
        const char* target;
    };
    const Case cases[] = {
        {"/opt/vn/Varnobis.chm", "pgSezNab.htm", false, "/opt/vn/Varnobis.chm::/pgSezNab.htm"},
        {"/opt/vn/Varnobis.chm", "pgSezNab", false, "/opt/vn/Varnobis.chm::/pgSezNab.htm"},
        {"/opt/vn/Varnobis.chm", "pgSezNab.html", false, "/opt/vn/Varnobis.chm::/pgSezNab.html"},
        {"/opt/vn/Varnobis.chm", "pgSezNab.HTM", false, "/opt/vn/Varnobis.chm::/pgSezNab.HTM"},
        {"/opt/vn/Varnobis.chm", "pgSezNab.txt", false, "/opt/vn/Varnobis.chm::/pgSezNab.txt.htm"},
        {"/opt/vn/Varnobis.chm", "", false, "/opt/vn/Varnobis.chm"},
        {"/opt/vn/Varnobis.hlp", "pgUvod.htm", false, "/opt/vn/Varnobis.chm::/pgUvod.htm"},
        {"/opt/vn.1/Varnobis", "pgUvod.htm", false, "/opt/vn.1/Varnobis.chm::/pgUvod.htm"},
        {"/opt/vn/Varnobis.chm", "Ceník & sklady", true, "/opt/vn/Varnobis.chm::/Ceník_+_sklady.htm"},
        {"/opt/vn/Varnobis.chm", "Ceník & sklady", false, "/opt/vn/Varnobis.chm::/Ceník & sklady.htm"},
        // A name that already ends in ".htm" is not cleaned.
        {"/opt/vn/Varnobis.chm", "a b.htm", true, "/opt/vn/Varnobis.chm::/a b.htm"},
        // Without a file: the application's.
        {"", "pgUvod.htm", false, "/opt/vn/Varnobis.chm::/pgUvod.htm"},
    };
    THelpRouter router;
    router.HelpType = htHTMLhelp;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        TFakeEngines::html.clear();
        router.ValidateID = c.validate;
        EXPECT_TRUE(router.ShowHelpTopic(QString::fromUtf8(c.helpFile), QString::fromUtf8(c.topic)));
        ASSERT_EQ(TFakeEngines::html.size(), 1u);
        EXPECT_EQ(TFakeEngines::html[0].file, QString::fromUtf8(c.target));
        EXPECT_EQ(TFakeEngines::html[0].command, HH_DISPLAY_TOPIC);
    }
    // The router's own file comes before the application's; the engine's answer is the result.
    router.Helpfile = "/srv/Jiny.chm";
    TFakeEngines::htmlAnswer = false;
    EXPECT_FALSE(router.ShowHelpTopic({}, "pgUvod"));
    EXPECT_EQ(TFakeEngines::html.back().file, "/srv/Jiny.chm::/pgUvod.htm");
    EXPECT_EQ(TFakeEngines::loads, 1);
    EXPECT_TRUE(TFakeEngines::win.empty());
}

TEST(HelpTopicCleaningTest, ReplacesWhatCannotStandInAPageName) {
    struct Case {
        const char* topic;
        const char* cleaned;
    };
    const Case cases[] = {
        {" %.", "___"},
        {"\"',/:?\\|ż", ""},
        {"&*", "++"},
        {"<>", "~~"},
        {"[x]", "(x)"},
        {"ÄäÖöÜüß", "aaoouus"},
        {"Žluťoučký kůň", "Žluťoučký_kůň"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.topic);
        EXPECT_EQ(ValidateHelpTopic(QString::fromUtf8(c.topic)), QString::fromUtf8(c.cleaned));
    }
}

TEST_F(HelpRouterTest, MissingOrBrokenEngineAnswersFalseQuietly) {
    THelpRouter router;
    router.HelpType = htHTMLhelp;
    TFakeEngines::missing = true;
    EXPECT_FALSE(router.ShowHelpTopic("/opt/vn/Varnobis.chm", "pgUvod"));
    TFakeEngines::missing = false;
    TFakeEngines::throws = true;
    EXPECT_FALSE(router.ShowHelpTopic("/opt/vn/Varnobis.chm", "pgUvod"));
    EXPECT_FALSE(HtmlHelpIsLoaded());
    // An engine that turns up later is loaded on the next request.
    TFakeEngines::throws = false;
    EXPECT_TRUE(router.ShowHelpTopic("/opt/vn/Varnobis.chm", "pgUvod"));
    EXPECT_EQ(TFakeEngines::loads, 3);

    // A request to the application is then left to the default handling: the older engine.
    UnloadHtmlHelp();
    TFakeEngines::missing = true;
    bool callHelp = false;
    EXPECT_FALSE(Request(router, HELP_CONTENTS, 0, &callHelp));
    EXPECT_TRUE(callHelp);
    EXPECT_FALSE(ApplicationHelpCommand(HELP_CONTENTS, 0));
    ASSERT_EQ(TFakeEngines::win.size(), 1u);
    EXPECT_EQ(TFakeEngines::win[0].file, "/opt/vn/Varnobis.chm");
}

TEST_F(HelpRouterTest, OlderEngineOpensTheContentsThenJumpsToTheTopic) {
    THelpRouter router;
    // The contents cannot be opened: no jump follows.
    EXPECT_FALSE(router.ShowHelpTopic("/opt/vn/Varnobis.chm", "pgUvod"));
    ASSERT_EQ(TFakeEngines::win.size(), 1u);
    EXPECT_EQ(TFakeEngines::win[0].file, "/opt/vn/Varnobis.hlp");
    EXPECT_EQ(TFakeEngines::win[0].command, HELP_CONTENTS);

    TFakeEngines::win.clear();
    TFakeEngines::winAnswers = {true, true};
    EXPECT_TRUE(router.ShowHelpTopic("/opt/vn/Varnobis.chm", "pgUvod"));
    ASSERT_EQ(TFakeEngines::win.size(), 2u);
    EXPECT_EQ(TFakeEngines::win[1].command, HELP_COMMAND);
    EXPECT_EQ(TFakeEngines::win[1].data.toString(), "JumpID(\"\", \"pgUvod\")");

    // The macro is cut to the length the engine takes.
    TFakeEngines::win.clear();
    TFakeEngines::winAnswers = {true, false};
    EXPECT_FALSE(router.ShowHelpTopic("/opt/vn/Varnobis.chm", QString(300, 'x')));
    EXPECT_EQ(TFakeEngines::win[1].data.toString().size(), 255);
    EXPECT_EQ(TFakeEngines::loads, 0);
}

TEST_F(HelpRouterTest, OneRouterHoldsTheApplicationsHelpWhileItLives) {
    std::vector<unsigned> previousSaw;
    ApplicationOnHelp() = [&](unsigned command, const QVariant&, bool&) {
        previousSaw.push_back(command);
        return false;
    };
    {
        THelpRouter router;
        EXPECT_EQ(THelpRouter::Instance(), &router);
        try {
            THelpRouter second;
            ADD_FAILURE() << "a second router was made";
        } catch (const EHelpRouterError& e) {
            EXPECT_STREQ(e.what(), "Multiple instances of THelpRouter are not allowed");
        }
        EXPECT_EQ(THelpRouter::Instance(), &router);

        // The router's own handler first; the one before it is asked while the request is open.
        router.HelpType = htHTMLhelp;
        router.OnHelp = [](unsigned command, const QVariant&, bool& callHelp) {
            if (command == HELP_CONTENTS) callHelp = false;
            return true;
        };
        EXPECT_TRUE(ApplicationHelpCommand(HELP_CONTENTS, 0));
        EXPECT_TRUE(previousSaw.empty());
        EXPECT_TRUE(TFakeEngines::html.empty());
        EXPECT_TRUE(ApplicationHelpCommand(HELP_FINDER, 0));
        EXPECT_EQ(previousSaw, std::vector<unsigned>{HELP_FINDER});
        ASSERT_EQ(TFakeEngines::html.size(), 1u);
        EXPECT_EQ(TFakeEngines::html[0].command, HH_DISPLAY_TOC);
    }
    EXPECT_EQ(THelpRouter::Instance(), nullptr);
    EXPECT_FALSE(HtmlHelpIsLoaded());
    // The handler from before the router is back.
    ApplicationHelpCommand(HELP_QUIT, 0);
    EXPECT_EQ(previousSaw.back(), HELP_QUIT);
    ApplicationOnHelp() = nullptr;
    THelpRouter again;
    EXPECT_EQ(THelpRouter::Instance(), &again);
}

TEST_F(HelpRouterTest, ApplicationRequestsBecomeHtmlHelpCalls) {
    THelpRouter router;
    router.HelpType = htHTMLhelp;
    // Closing help that was never shown does not load the engine.
    bool callHelp = false;
    EXPECT_TRUE(Request(router, HELP_QUIT, 0, &callHelp));
    EXPECT_EQ(TFakeEngines::loads, 0);

    struct Case {
        unsigned command;
        QVariant data;
        bool answered;  // the engine was called
        QString file;
        unsigned htmlCommand;
        QVariant htmlData;
    };
    const QString chm = "/opt/vn/Varnobis.chm";
    const Case cases[] = {
        {HELP_CONTEXT, 120, true, chm, HH_HELP_CONTEXT, 120},
        {HELP_CONTENTS, 0, true, chm, HH_DISPLAY_TOC, {}},
        {HELP_FINDER, 0, true, chm, HH_DISPLAY_TOC, {}},
        {HELP_TAB, 0, true, chm, HH_DISPLAY_TOC, {}},
        {HELP_TAB, 3, true, chm, HH_DISPLAY_INDEX, 3},
        {HELP_KEY, "ceník", true, chm, HH_DISPLAY_INDEX, "ceník"},
        {HELP_PARTIALKEY, "cen", true, chm, HH_DISPLAY_INDEX, "cen"},
        {HELP_QUIT, 0, true, {}, HH_CLOSE_ALL, {}},
        {99, 0, false, {}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        TFakeEngines::html.clear();
        EXPECT_EQ(Request(router, c.command, c.data, &callHelp), c.answered);
        EXPECT_FALSE(callHelp);
        ASSERT_EQ(TFakeEngines::html.size(), c.answered ? 1u : 0u);
        if (!c.answered) continue;
        EXPECT_EQ(TFakeEngines::html[0].file, c.file);
        EXPECT_EQ(TFakeEngines::html[0].command, c.htmlCommand);
        EXPECT_EQ(TFakeEngines::html[0].data, c.htmlData);
    }
    EXPECT_EQ(TFakeEngines::loads, 1);
}

TEST_F(HelpRouterTest, ContextPopUpsAtTheStoredPositionOrAsTopics) {
    THelpRouter router;
    router.HelpType = htHTMLhelp;
    // x 100 in the low word, y -20 in the high word.
    const qint64 packed = (static_cast<qint64>(0xFFEC) << 16) | 100;
    EXPECT_FALSE(Request(router, HELP_SETPOPUP_POS, packed));
    EXPECT_TRUE(Request(router, HELP_CONTEXTPOPUP, 7));
    ASSERT_EQ(TFakeEngines::html.size(), 1u);
    EXPECT_EQ(TFakeEngines::html[0].file, "/opt/vn/Varnobis.chm::/CSHelp.txt");
    EXPECT_EQ(TFakeEngines::html[0].command, HH_DISPLAY_TEXT_POPUP);
    const THHPopup popup = TFakeEngines::html[0].data.value<THHPopup>();
    EXPECT_EQ(popup.cbStruct, 52);
    EXPECT_EQ(popup.idString, 7u);
    EXPECT_EQ(popup.pt, QPoint(100, -20));
    EXPECT_EQ(popup.clrForeground, kHelpDefaultColor);
    EXPECT_EQ(popup.rcMargins.left(), -1);
    EXPECT_EQ(popup.rcMargins.bottom(), -1);
    EXPECT_EQ(popup.pszFont, "MS Sans Serif, 8");

    // The stored position serves one pop-up; the next one goes to the mouse.
    QCursor::setPos(5, 6);
    router.CHMPopupTopics.clear();
    EXPECT_TRUE(Request(router, HELP_CONTEXTPOPUP, 8));
    EXPECT_EQ(TFakeEngines::html[1].data.value<THHPopup>().pt, QCursor::pos());
    EXPECT_EQ(TFakeEngines::html[1].file, "/opt/vn/Varnobis.chm::/CSHelp.txt");

    // Shown in the main window, a context pop-up is the context's topic.
    router.ShowType = stMain;
    EXPECT_TRUE(Request(router, HELP_CONTEXTPOPUP, 9));
    EXPECT_EQ(TFakeEngines::html[2].command, HH_HELP_CONTEXT);
    EXPECT_EQ(TFakeEngines::html[2].data, 9);
}

TEST_F(HelpRouterTest, MixedModeSendsPopUpsToTheOlderEngine) {
    THelpRouter router;
    router.HelpType = htMixedMode;
    router.CHMPopupTopics = "Popups.hlp";
    bool callHelp = true;
    EXPECT_FALSE(Request(router, HELP_CONTEXTPOPUP, 7, &callHelp));
    EXPECT_FALSE(callHelp);
    ASSERT_EQ(TFakeEngines::win.size(), 1u);
    EXPECT_EQ(TFakeEngines::win[0].file, "/opt/vn/Popups.hlp");
    EXPECT_EQ(TFakeEngines::win[0].command, HELP_CONTEXTPOPUP);
    // A pop-up file with a folder of its own is taken as it stands; other requests go to HTML Help.
    router.CHMPopupTopics = "/srv/help/Popups.hlp";
    Request(router, HELP_CONTEXTPOPUP, 7);
    EXPECT_EQ(TFakeEngines::win[1].file, "/srv/help/Popups.hlp");
    EXPECT_TRUE(Request(router, HELP_CONTEXT, 7));
    EXPECT_EQ(TFakeEngines::html.size(), 1u);
    EXPECT_EQ(TFakeEngines::win.size(), 2u);
}

}  // namespace
