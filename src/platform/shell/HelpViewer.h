#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QUrl;

// The help window: shows one page of the help folder at a time; links to other pages of the folder
// open in it, web and mail links go to the desktop's programs.
class THelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit THelpViewer(QWidget* parent = nullptr);

    // Shows a page of the folder (a name within it, "#anchor" allowed). A page that is not there is
    // replaced by a message saying so; answers whether the page was shown.
    bool ShowPage(const QString& helpFolder, const QString& page);
    // The page on screen, empty while a message stands in for a missing one.
    QString CurrentPage() const { return page_; }

    QTextBrowser* browser = nullptr;

private:
    void LinkClicked(const QUrl& link);
    void ShowMissing(const QString& page);

    QString folder_;
    QString page_;
};

// The message shown in place of a page that is not in the help folder.
QString MissingHelpPageText(const QString& page);
