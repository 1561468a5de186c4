#pragma once

#include <QMetaType>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>

// Commands of the HTML Help engine, numbered as callers of the engine know them.
enum : unsigned {
    HH_DISPLAY_TOPIC = 0,
    HH_DISPLAY_TOC = 1,
    HH_DISPLAY_INDEX = 2,
    HH_DISPLAY_TEXT_POPUP = 14,
    HH_HELP_CONTEXT = 15,
    HH_CLOSE_ALL = 18,
};

// Commands of a help request made to the application (numbered as for the older help engine).
enum : unsigned {
    HELP_CONTEXT = 1,
    HELP_QUIT = 2,
    HELP_CONTENTS = 3,
    HELP_CONTEXTPOPUP = 8,
    HELP_FINDER = 11,
    HELP_SETPOPUP_POS = 13,
    HELP_TAB = 15,
    HELP_KEY = 257,
    HELP_COMMAND = 258,
    HELP_PARTIALKEY = 261,
};

// "No colour": the engine's own colours.
constexpr int32_t kHelpDefaultColor = 0x1FFFFFFF;

// A text pop-up of the help engine: a text of its own, or (idString not 0) a topic number looked
// up in the pop-up source of the help file.
struct THHPopup {
    int cbStruct = 52;
    unsigned idString = 0;
    QString pszText;
    QPoint pt;
    int32_t clrForeground = kHelpDefaultColor;
    int32_t clrBackground = kHelpDefaultColor;
    QRect rcMargins{QPoint(-1, -1), QPoint(-1, -1)};
    QString pszFont;
};
Q_DECLARE_METATYPE(THHPopup)

// The HTML Help engine.
class IHtmlHelp {
public:
    virtual ~IHtmlHelp() = default;
    // file: a help file, for a topic followed by "::/" and the page ("Varnobis.chm::/pgUvod.htm"),
    // or empty. data, by command: nothing, a context number, an index keyword or a THHPopup.
    // Answers true when the engine showed (or closed) what was asked.
    virtual bool HtmlHelp(const QString& file, unsigned command, const QVariant& data) = 0;
};

// Loads the engine; null when it cannot be had. The program's engine is the help viewer window;
// tests put a fake in its place.
extern std::unique_ptr<IHtmlHelp> (*LoadHtmlHelpLibrary)();
std::unique_ptr<IHtmlHelp> LoadHelpViewerEngine();

// The older help engine (".hlp" files). There is none on this platform, so every request fails;
// tests put a fake in its place.
extern bool (*WinHelpEngine)(const QString& file, unsigned command, const QVariant& data);

// The application's help handler: every help request of the program passes through it first. It
// may clear callHelp to say that it handled the request; its answer is then the request's answer.
using THelpEvent = std::function<bool(unsigned command, const QVariant& data, bool& callHelp)>;
THelpEvent& ApplicationOnHelp();
// The application's help file (the help file in the program folder).
QString& ApplicationHelpFile();
// A help request to the application: the handler first; when it leaves callHelp set, the older
// engine with the application's help file.
bool ApplicationHelpCommand(unsigned command, const QVariant& data);

// Where a help target ("<folder>/Varnobis.chm::/page.htm") is shown: the help/ folder beside the
// help file (beside the program when the file has no folder) and the page within it; a target
// without "::/" gives an empty page.
void SplitHelpTarget(const QString& target, QString& helpFolder, QString& page);
