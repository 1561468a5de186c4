// Starting the program the user named: its parameter text arrives whole, and a document named in
// its place is opened by the desktop rather than run.

#include <gtest/gtest.h>

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "common/FakeProgramLauncher.h"
#include "platform/shell/ShellExecute.h"

TEST(ShellExecuteTest, TheParameterTextReachesTheProgramAsOneArgument) {
    QTemporaryDir folder;
    const QString document = folder.filePath("zprava.txt");
    QFile file(document);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString opener = QStandardPaths::findExecutable("xdg-open");
    struct Case {
        const char* name;
        QString file;
        QString parameters;
        QString program;  // empty: nothing is started
        QStringList arguments;
    };
    const Case kCases[] = {
        {"a path with blanks",
         "/opt/zpracovani/nacti",
         "/tmp/moje exporty/nabidka.xml",
         "/opt/zpracovani/nacti",
         {"/tmp/moje exporty/nabidka.xml"}},
        {"no parameters", "nacti", "", "nacti", {}},
        {"a document", document, "/tmp/a.xml", opener, {document}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TFakeProgramLauncher launcher;
        const bool started = ShellExecute(c.file, c.parameters);
        if (c.program.isEmpty()) {
            EXPECT_FALSE(started);
            EXPECT_TRUE(launcher.started.empty());
            continue;
        }
        EXPECT_TRUE(started);
        ASSERT_EQ(launcher.started.size(), 1u);
        EXPECT_EQ(launcher.started[0].first, c.program);
        EXPECT_EQ(launcher.started[0].second, c.arguments);
    }
}
