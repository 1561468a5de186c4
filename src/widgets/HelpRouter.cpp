#include "widgets/HelpRouter.h"

#include <QCursor>

#include "platform/files/FileUtils.h"

namespace {

const char* const kMultipleInstances = "Multiple instances of THelpRouter are not allowed";
const char* const kDefaultPopupTopics = "CSHelp.txt";
// The older engine takes a macro of at most this many characters.
constexpr int kMaxMacroLength = 255;

std::unique_ptr<IHtmlHelp>& HtmlHelpLibrary() {
    static std::unique_ptr<IHtmlHelp> library;
    return library;
}

// The point packed into a request's data: x in the low word, y in the high word, both signed.
QPoint UnpackPoint(const QVariant& data) {
    const auto packed = static_cast<uint32_t>(data.toLongLong());
    return {static_cast<int16_t>(packed & 0xFFFF), static_cast<int16_t>(packed >> 16)};
}

}  // namespace

THelpRouter* THelpRouter::instance_ = nullptr;

QString ValidateHelpTopic(const QString& topic) {
    QString result;
    result.reserve(topic.size());
    for (const QChar c : topic) {
        switch (c.unicode()) {
            case ' ':
            case '%':
            case '.':
                result += '_';
                break;
            case '"':
            case '\'':
            case ',':
            case '/':
            case ':':
            case '?':
            case '\\':
            case '|':
            case 0x017C:  // byte 191 of the station's code page, windows-1250
                break;
            case '&':
            case '*':
                result += '+';
                break;
            case '<':
            case '>':
                result += '~';
                break;
            case '[':
                result += '(';
                break;
            case ']':
                result += ')';
                break;
            case 0x00C4:
            case 0x00E4:
                result += 'a';
                break;
            case 0x00D6:
            case 0x00F6:
                result += 'o';
                break;
            case 0x00DC:
            case 0x00FC:
                result += 'u';
                break;
            case 0x00DF:
                result += 's';
                break;
            default:
                result += c;
        }
    }
    return result;
}

bool HtmlHelpIsLoaded() { return HtmlHelpLibrary() != nullptr; }

bool LoadHtmlHelp() {
    if (!HtmlHelpIsLoaded()) {
        try {
            HtmlHelpLibrary() = LoadHtmlHelpLibrary();
        } catch (...) {
            // Help that cannot be loaded is help that is not there; the program goes on without it.
            HtmlHelpLibrary().reset();
        }
    }
    return HtmlHelpIsLoaded();
}

void UnloadHtmlHelp() { HtmlHelpLibrary().reset(); }

bool HtmlHelpAvailable() { return LoadHtmlHelp(); }

THelpRouter::THelpRouter(QObject* owner) : QObject(owner) {
    if (instance_) throw EHelpRouterError(kMultipleInstances);
    instance_ = this;
    previousHandler_ = ApplicationOnHelp();
    ApplicationOnHelp() = [this](unsigned command, const QVariant& data, bool& callHelp) {
        return HelpHandler(command, data, callHelp);
    };
}

THelpRouter::~THelpRouter() {
    ApplicationOnHelp() = previousHandler_;
    instance_ = nullptr;
    // The engine's windows must not outlive the application they belong to, and the router lives
    // as long as the program.
    UnloadHtmlHelp();
}

QString THelpRouter::CurrentHelpFile() const {
    // Windows here carry no help file of their own, so the application's stands for theirs.
    return Helpfile.isEmpty() ? ApplicationHelpFile() : Helpfile;
}

bool THelpRouter::ShowHelpTopic(const QString& helpFile, const QString& topic) {
    const QString file = helpFile.isEmpty() ? CurrentHelpFile() : helpFile;
    if (HelpType == htHTMLhelp || HelpType == htMixedMode) {
        if (!HtmlHelpAvailable()) return false;
        QString page = topic;
        if (!page.isEmpty()) {
            if (ExtractFileExt(page).toLower().left(4) != QLatin1String(".htm")) {
                if (ValidateID) page = ValidateHelpTopic(page);
                page += QLatin1String(".htm");
            }
        }
        const QString chm = ChangeFileExt(file, ".chm");
        return HtmlHelpLibrary()->HtmlHelp(page.isEmpty() ? chm : chm + "::/" + page, HH_DISPLAY_TOPIC, {});
    }
    const QString hlp = ChangeFileExt(file, ".hlp");
    if (!WinHelpEngine(hlp, HELP_CONTENTS, 0)) return false;
    const QString macro = QString("JumpID(\"\", \"%1\")").arg(topic).left(kMaxMacroLength);
    return WinHelpEngine(hlp, HELP_COMMAND, macro);
}

bool THelpRouter::HelpHandler(unsigned command, const QVariant& data, bool& callHelp) {
    bool result = false;
    if (OnHelp) result = OnHelp(command, data, callHelp);
    if (callHelp && previousHandler_) result = previousHandler_(command, data, callHelp);
    if (!callHelp) return result;

    QString file = CurrentHelpFile();
    if (ShowType == stMain) {
        if (command == HELP_CONTEXTPOPUP)
            command = HELP_CONTEXT;
        else if (command == HELP_SETPOPUP_POS)
            command = 0;
    }
    const bool html = HelpType == htHTMLhelp || (HelpType == htMixedMode && command != HELP_CONTEXTPOPUP &&
                                                 command != HELP_SETPOPUP_POS);

    if (!html) {
        if (command == 0) return true;
        if (command == HELP_CONTEXTPOPUP && HelpType == htMixedMode &&
            CHMPopupTopics.endsWith(QLatin1String(".hlp"), Qt::CaseInsensitive)) {
            file = ExtractFilePath(CHMPopupTopics).isEmpty() ? ExtractFilePath(file) + CHMPopupTopics
                                                             : CHMPopupTopics;
        }
        result = WinHelpEngine(ChangeFileExt(file, ".hlp"), command, data);
        callHelp = false;
        return result;
    }

    // Quitting help that was never shown must not load the engine only to close nothing.
    if (command == HELP_QUIT && !HtmlHelpIsLoaded()) return true;
    if (!HtmlHelpAvailable()) return result;
    const QString chm = ChangeFileExt(file, ".chm");
    IHtmlHelp& engine = *HtmlHelpLibrary();
    switch (command) {
        case HELP_CONTEXT:
            result = engine.HtmlHelp(chm, HH_HELP_CONTEXT, data);
            break;
        case HELP_QUIT:
            result = engine.HtmlHelp({}, HH_CLOSE_ALL, {});
            break;
        case HELP_CONTENTS:
        case HELP_FINDER:
            result = engine.HtmlHelp(chm, HH_DISPLAY_TOC, {});
            break;
        case HELP_CONTEXTPOPUP: {
            const QPoint position = popupPosition_.isNull() ? QCursor::pos() : popupPosition_;
            ShowTextPopup(position, {}, data.toUInt());
            popupPosition_ = {};
            result = true;
            break;
        }
        case HELP_SETPOPUP_POS:
            popupPosition_ = UnpackPoint(data);
            result = false;
            break;
        case HELP_TAB:
            result = data.toLongLong() != 0 ? engine.HtmlHelp(chm, HH_DISPLAY_INDEX, data)
                                            : engine.HtmlHelp(chm, HH_DISPLAY_TOC, {});
            break;
        case HELP_KEY:
        case HELP_PARTIALKEY:
            result = engine.HtmlHelp(chm, HH_DISPLAY_INDEX, data);
            break;
        default:
            result = false;
    }
    callHelp = false;
    return result;
}

bool THelpRouter::ShowTextPopup(QPoint position, const QString& text, unsigned context) {
    if (!HtmlHelpAvailable()) return false;
    THHPopup popup;
    popup.idString = text.isEmpty() ? context : 0;
    popup.pszText = text;
    popup.pt = position;
    popup.pszFont = QStringLiteral("MS Sans Serif, 8");
    QString source;
    if (text.isEmpty()) {
        const QString topics =
            CHMPopupTopics.isEmpty() ? QString::fromLatin1(kDefaultPopupTopics) : CHMPopupTopics;
        source = ChangeFileExt(CurrentHelpFile(), ".chm") + "::/" + topics;
    }
    return HtmlHelpLibrary()->HtmlHelp(source, HH_DISPLAY_TEXT_POPUP, QVariant::fromValue(popup));
}
