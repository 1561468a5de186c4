#include "platform/shell/OpenUrl.h"

#include "platform/shell/DesktopHelper.h"
#include "platform/ui/Dialogs.h"

namespace {

bool IsMailAddress(const QUrl& url) { return url.scheme().compare(u"mailto", Qt::CaseInsensitive) == 0; }

// The desktop's helpers are asked directly, so that a desktop without a program for the address
// says so instead of leaving the user to wonder.
bool DesktopOpen(const QString& target) {
    const QUrl url = DesktopUrl(target);
    const QString helper = IsMailAddress(url) ? QStringLiteral("xdg-email") : QStringLiteral("xdg-open");
    return HandToDesktop(helper, {url.toString(QUrl::FullyEncoded)}) == TDesktopHandOver::Taken;
}

}  // namespace

bool (*UrlLauncher)(const QString& target) = DesktopOpen;

bool OpenUrl(const QString& target) {
    if (target.isEmpty()) return false;
    if (UrlLauncher(target)) return true;
    if (IsMailAddress(DesktopUrl(target)))
        ShowError(QString::fromUtf8(kDesktopNoMailProgram));
    else
        ShowError(QString::fromUtf8(kDesktopCannotOpen).arg(target));
    return false;
}

QUrl DesktopUrl(const QString& target) {
    const QUrl url(target, QUrl::TolerantMode);
    // A one-letter "scheme" is a drive letter of a path written the Windows way, not a scheme.
    if (url.isValid() && url.scheme().size() > 1) return url;
    return QUrl::fromUserInput(target);
}
