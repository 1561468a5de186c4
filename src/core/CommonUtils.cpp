#include "core/CommonUtils.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QLocale>
#include <QTextEdit>
#include <QUrl>

#include "platform/shell/DesktopHelper.h"
#include "platform/text/NumberFormat.h"
#include "platform/ui/RichText.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kOfferStates[] = {
    "rozpracovaná (zatím neodeslaná)",
    "odeslaná (čekáme na vyjádření odběratele)",
    "korekce (dodatečná úprava)",
    "uzavřená (odběratel nabídku akceptoval)",
    "bez reakce (vyhrála konkurence ?)",
    "zamítnutá (nechceme pokračovat, jiný důvod)",
    "stornovaná",
};

const char* const kMoneyFormat = "# ### ### ##0.00";

// Result codes of the shell's open call that callers test for.
constexpr int kShellOk = 42;
constexpr int kShellFileNotFound = 2;
constexpr int kShellNoAssociation = 31;

bool LooksLikeUrl(const QString& target) {
    static const char* const kSchemes[] = {"http://", "https://", "mailto:", "ftp://", "file://"};
    for (const char* scheme : kSchemes)
        if (target.startsWith(QLatin1String(scheme), Qt::CaseInsensitive)) return true;
    return target.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
}

int XdgOpen(const QString& target) {
    if (!LooksLikeUrl(target) && !QFileInfo::exists(target)) return kShellFileNotFound;
    QString argument = target;
    if (target.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) argument = "http://" + target;
    switch (HandToDesktop("xdg-open", {argument})) {
        case TDesktopHandOver::Taken:
            return kShellOk;
        case TDesktopHandOver::FileNotFound:
            return kShellFileNotFound;
        default:
            // No helper, no program for the type, or one that failed: to the caller, nothing
            // could show the file.
            return kShellNoAssociation;
    }
}

}  // namespace

int (*ShellOpenLauncher)(const QString& target) = XdgOpen;

QString OfferStateName(unsigned int state) {
    if (state >= std::size(kOfferStates)) return {};
    return QString::fromUtf8(kOfferStates[state]);
}

QString FormatMoney(Currency value) { return FormatCurr(QString::fromLatin1(kMoneyFormat), value); }

std::unique_ptr<QStringList> SplitToStringList(const QString& delimiter, const QString& text) {
    auto parts = std::make_unique<QStringList>();
    if (text.isEmpty()) return parts;
    if (delimiter.isEmpty()) {
        parts->append(text);
        return parts;
    }
    // Matches are tried left to right and never overlap, so ";;" gives an empty part between the
    // two delimiters and a delimiter at either end gives an empty part there.
    qsizetype start = 0;
    qsizetype at = 0;
    while ((at = text.indexOf(delimiter, at, Qt::CaseSensitive)) >= 0) {
        parts->append(text.mid(start, at - start));
        at += delimiter.size();
        start = at;
    }
    parts->append(text.mid(start));
    return parts;
}

bool GetWindowsVersion(int& major, int& minor) {
    major = 0;
    minor = 0;
    return false;
}

bool ParseWindowsVersion(const QString& value, int& major, int& minor) {
    major = 0;
    minor = 0;
    const qsizetype dot = value.indexOf('.');
    if (dot < 0) return false;
    int ma = 0, mi = 0;
    if (!TryStrToInt(value.left(dot), ma) || !TryStrToInt(value.mid(dot + 1), mi)) return false;
    major = ma;
    minor = mi;
    return true;
}

QString JetDateLiteral(TDateTime date) {
    const QDate day = OleToDate(date);
    return QString("#%1-%2-%3#").arg(day.year()).arg(day.month()).arg(day.day());
}

QString CapitalizeFirst(const QString& text) {
    if (text.isEmpty()) return text;
    // Upper-casing one character may give two ("ß"); the rest of the text stays as it is.
    return QLocale(QLocale::Czech).toUpper(text.left(1)) + text.mid(1);
}

int ShellOpen(const QString& path) { return ShellOpenLauncher(path); }

void LoadRichText(const QString& text, QTextEdit* edit) {
    if (IsRtfText(text)) {
        RtfToDocument(text, *edit->document());
        return;
    }
    // Memo texts keep CR LF; the edit wants one line break per line.
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace('\r', '\n');
    edit->setPlainText(plain);
}

QString CommentTargetTable(int targetKind) { return targetKind == 0 ? QStringLiteral("Nabidky") : QString(); }

int GridColumnIndex(TVnCustomDBGrid* grid, const QString& fieldName) {
    // Stored column layouts name fields as the grid does; a name in another case is another field.
    for (int i = 0; i < grid->Columns().Count(); ++i)
        if (grid->Columns().ColumnAt(i)->FieldName().compare(fieldName, Qt::CaseSensitive) == 0) return i;
    return -1;
}

namespace {
std::function<void(const QString&)>& HelpTopicHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}
}  // namespace

void ShowHelpTopic(const QString& page) {
    if (HelpTopicHandler()) HelpTopicHandler()(page);
}

void SetHelpTopicHandler(std::function<void(const QString& page)> handler) {
    HelpTopicHandler() = std::move(handler);
}

void RunGuarded(QAbstractButton* button, const std::function<void()>& action) {
    if (button->property("busy").toBool()) return;
    button->setProperty("busy", true);
    struct TReset {
        QAbstractButton* b;
        ~TReset() { b->setProperty("busy", false); }
    } reset{button};
    action();
}
