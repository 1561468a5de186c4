#include "platform/shell/HelpViewer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/shell/HtmlHelp.h"
#include "platform/shell/OpenUrl.h"

namespace {

const char* const kViewerCaption = "Nápověda";
const char* const kMissingPage = "Stránka nápovědy \"%1\" nebyla nalezena.";
// The page a request without a page of its own (contents, index) shows.
const char* const kStartPage = "pgUvod.htm";

// The file of the page inside the folder, found whatever the case of its name (page names in links
// and in the windows are not always spelled as the files are); empty when it is not there or lies
// outside the folder.
QString PageFile(const QString& folder, const QString& name) {
    if (name.isEmpty()) return {};
    const QString path = QDir::cleanPath(folder + '/' + name);
    if (!path.startsWith(folder + '/')) return {};
    const QFileInfo info(path);
    if (info.isFile()) return path;
    const QDir dir = info.dir();
    for (const QString& entry : dir.entryList(QDir::Files))
        if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    return {};
}

// The program's help engine: the help viewer window.
class TViewerEngine final : public IHtmlHelp {
public:
    bool HtmlHelp(const QString& file, unsigned command, const QVariant& data) override {
        QString folder, page;
        switch (command) {
            case HH_DISPLAY_TOPIC:
                SplitHelpTarget(file, folder, page);
                return Show(folder, page.isEmpty() ? QString::fromLatin1(kStartPage) : page);
            case HH_DISPLAY_TOC:
            case HH_DISPLAY_INDEX:
                // The help has neither contents nor index of its own; its first page leads on.
                SplitHelpTarget(file, folder, page);
                return Show(folder, QString::fromLatin1(kStartPage));
            case HH_DISPLAY_TEXT_POPUP: {
                const THHPopup popup = data.value<THHPopup>();
                // Numbered pop-up topics would come from a source inside the help file; the help
                // pages have none, so only pop-ups with a text of their own can be shown.
                if (popup.idString != 0 || popup.pszText.isEmpty()) return false;
                QToolTip::showText(popup.pt, popup.pszText);
                return true;
            }
            case HH_CLOSE_ALL:
                if (viewer_) viewer_->close();
                QToolTip::hideText();
                return true;
            default:
                // Context numbers would need a map from numbers to pages, which the help lacks.
                return false;
        }
    }

    ~TViewerEngine() override { delete viewer_; }

private:
    bool Show(const QString& folder, const QString& page) {
        // A modal window would block the help that was asked for from it, unless the help window
        // belongs to it; it then goes when that window goes, and the next request makes a new one.
        QWidget* owner = QApplication::activeModalWidget();
        if (!viewer_)
            viewer_ = new THelpViewer(owner);
        else if (viewer_->parentWidget() != owner)
            viewer_->setParent(owner, Qt::Window);
        const bool shown = viewer_->ShowPage(folder, page);
        viewer_->show();
        viewer_->raise();
        viewer_->activateWindow();
        return shown;
    }

    QPointer<THelpViewer> viewer_;
};

}  // namespace

std::unique_ptr<IHtmlHelp> LoadHelpViewerEngine() { return std::make_unique<TViewerEngine>(); }

QString MissingHelpPageText(const QString& page) { return QString::fromUtf8(kMissingPage).arg(page); }

THelpViewer::THelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpViewer");
    setWindowTitle(QString::fromUtf8(kViewerCaption));
    resize(640, 480);
    browser = new QTextBrowser(this);
    browser->setObjectName("browser");
    // Links are followed here, so that a page missing from the folder gives a message and not an
    // empty window, and web addresses go to the browser of the desktop.
    browser->setOpenLinks(false);
    browser->setOpenExternalLinks(false);
    connect(browser, &QTextBrowser::anchorClicked, this, &THelpViewer::LinkClicked);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
}

bool THelpViewer::ShowPage(const QString& helpFolder, const QString& page) {
    folder_ = QDir::cleanPath(helpFolder);
    const qsizetype hash = page.indexOf('#');
    const QString name = hash < 0 ? page : page.left(hash);
    const QString file = PageFile(folder_, name);
    if (file.isEmpty()) {
        ShowMissing(page);
        return false;
    }
    QUrl url = QUrl::fromLocalFile(file);
    if (hash >= 0) url.setFragment(page.mid(hash + 1));
    browser->setSource(url);
    page_ = QDir(folder_).relativeFilePath(file);
    return true;
}

void THelpViewer::ShowMissing(const QString& page) {
    page_.clear();
    browser->setPlainText(MissingHelpPageText(page));
}

void THelpViewer::LinkClicked(const QUrl& link) {
    if (!link.scheme().isEmpty() && !link.isLocalFile()) {
        OpenUrl(link.toString());
        return;
    }
    if (link.path().isEmpty() && link.hasFragment()) {
        browser->scrollToAnchor(link.fragment());
        return;
    }
    QString target;
    if (link.isLocalFile()) {
        target = QDir(folder_).relativeFilePath(link.toLocalFile());
    } else {
        // A relative link is relative to the page it stands on.
        const QString from = page_.isEmpty() ? QString() : QFileInfo(page_).path() + '/';
        target = QDir::cleanPath(from + link.path());
    }
    if (link.hasFragment()) target += '#' + link.fragment();
    ShowPage(folder_, target);
}
