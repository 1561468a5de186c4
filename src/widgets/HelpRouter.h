#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QVariant>
#include <stdexcept>

#include "platform/shell/HtmlHelp.h"

enum THelpType { htWinhelp, htHTMLhelp, htMixedMode };
enum TShowType { stDefault, stMain, stPopup };

class EHelpRouterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Takes over every help request of the application and shows it with the HTML Help engine, the
// older engine or both, and opens topic pages for the help buttons. One exists in the program.
class THelpRouter : public QObject {
    Q_OBJECT
public:
    // Installs the router as the application's help handler; a second router raises
    // EHelpRouterError.
    explicit THelpRouter(QObject* owner = nullptr);
    // Gives the application its previous handler back and frees the help engine.
    ~THelpRouter() override;
    THelpRouter(const THelpRouter&) = delete;
    THelpRouter& operator=(const THelpRouter&) = delete;

    THelpType HelpType = htWinhelp;
    TShowType ShowType = stDefault;
    // Empty: the application's help file.
    QString Helpfile;
    QString CHMPopupTopics = QStringLiteral("CSHelp.txt");
    bool ValidateID = false;
    // Asked first for every request.
    THelpEvent OnHelp;

    // Opens a topic page of the help file (empty: the router's); ".htm" is added to a topic without
    // that extension. Answers whether the help window opened.
    bool ShowHelpTopic(const QString& helpFile, const QString& topic);

    // The application's help handler while the router exists.
    bool HelpHandler(unsigned command, const QVariant& data, bool& callHelp);

    // The single router, or null.
    static THelpRouter* Instance() { return instance_; }

private:
    QString CurrentHelpFile() const;
    bool ShowTextPopup(QPoint position, const QString& text, unsigned context);

    THelpEvent previousHandler_;
    QPoint popupPosition_;
    static THelpRouter* instance_;
};

// The topic name made safe for a page name of the help file: blanks, "%" and "." become "_",
// punctuation that cannot stand in a file name goes, German umlauts lose their marks.
QString ValidateHelpTopic(const QString& topic);

// The HTML Help engine, loaded on first use and freed when the router goes. Loading swallows every
// error: a missing engine only means that help cannot be shown.
bool HtmlHelpIsLoaded();
bool LoadHtmlHelp();
void UnloadHtmlHelp();
bool HtmlHelpAvailable();
