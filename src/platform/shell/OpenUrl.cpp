#include "platform/shell/OpenUrl.h"

#include <QDesktopServices>

namespace {

bool DesktopOpen(const QString& target) { return QDesktopServices::openUrl(DesktopUrl(target)); }

}  // namespace

bool (*UrlLauncher)(const QString& target) = DesktopOpen;

bool OpenUrl(const QString& target) { return !target.isEmpty() && UrlLauncher(target); }

QUrl DesktopUrl(const QString& target) {
    const QUrl url(target, QUrl::TolerantMode);
    // A one-letter "scheme" is a drive letter of a path written the Windows way, not a scheme.
    if (url.isValid() && url.scheme().size() > 1) return url;
    return QUrl::fromUserInput(target);
}
