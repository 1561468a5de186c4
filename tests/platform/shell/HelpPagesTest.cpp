#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>
#include <QTextBrowser>

#include "platform/shell/HelpViewer.h"

namespace {

// Every page a window of the program asks for; each must ship in the help folder.
const QStringList kPages = {
    "pgUvod",      "pgSezNab",   "pgDokumenty",    "pgCenSkup", "pgZalohaVytvor", "pgZalohaObnov",
    "pgXMLExport", "pgUzivatel", "pgSitovyProvoz", "pgSezCen",  "pgSezAdr",       "pgRozpisIdentif",
    "pgNovaPol",   "pgNovaNab",  "pgNovaCenKarta", "pgNovaAdr", "pgNastaveni",    "pgImport",
};

QString HelpFolder() { return qEnvironmentVariable("VN_BUILD_DIR", QDir::currentPath()) + "/bin/help/"; }

TEST(HelpPagesTest, EveryPageShipsAsTitledUtf8AndLinksOnlyToPagesThatExist) {
    const QDir folder(HelpFolder());
    // Relative links only: web and mail addresses and in-page anchors are not pages of the folder.
    const QRegularExpression href(R"re(href\s*=\s*"([^"#:]*)(#[^"]*)?")re",
                                  QRegularExpression::CaseInsensitiveOption);
    for (const QString& page : kPages) {
        SCOPED_TRACE(page.toStdString());
        QFile file(folder.filePath(page + ".htm"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        ASSERT_FALSE(bytes.trimmed().isEmpty());
        QStringDecoder decoder(QStringConverter::Utf8);
        const QString html = decoder(bytes);
        EXPECT_FALSE(decoder.hasError());
        EXPECT_TRUE(html.contains(R"(<meta charset="utf-8">)"));
        const QRegularExpressionMatch title = QRegularExpression("<title>([^<]+)</title>").match(html);
        ASSERT_TRUE(title.hasMatch());
        EXPECT_FALSE(title.captured(1).trimmed().isEmpty());
        if (page != "pgUvod") {
            EXPECT_TRUE(html.contains(R"(href="pgUvod.htm")"));
        }
        for (auto it = href.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (target.isEmpty()) continue;
            EXPECT_TRUE(QFile::exists(folder.filePath(target))) << "link to " << target.toStdString();
        }
    }
}

TEST(HelpPagesTest, StartPageLinksEveryOtherPageAndShowsInTheViewer) {
    QFile file(HelpFolder() + "pgUvod.htm");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    for (const QString& page : kPages)
        if (page != "pgUvod") {
            EXPECT_TRUE(html.contains("href=\"" + page + ".htm\"")) << page.toStdString();
        }

    THelpViewer viewer;
    ASSERT_TRUE(viewer.ShowPage(HelpFolder(), "pgUvod.htm"));
    EXPECT_EQ(viewer.CurrentPage(), "pgUvod.htm");
    const QString text = viewer.browser->toPlainText();
    EXPECT_NE(text, MissingHelpPageText("pgUvod.htm"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Nabídky")));
}

}  // namespace
