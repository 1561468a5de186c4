// The layers of the program depend downwards only: platform knows nothing above it, widgets and
// the workbook adapter build on platform alone, the subsystems may use all three, and only the
// programs on top (the entry point, the shipped tools) may use everything. An include that
// reaches upwards is reported with its file and line, so the build that adds it fails at once.

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <vector>

namespace {

const QStringList kSubsystems = {"core", "pricelist", "offers", "addressbook", "exchange", "import"};

// Which folders a file of the given top folder may include from; empty means "anything".
QSet<QString> AllowedFrom(const QString& top) {
    if (top == u"platform") return {"platform"};
    if (top == u"widgets") return {"platform", "widgets"};
    if (top == u"XLSAdapter") return {"platform", "XLSAdapter"};
    if (kSubsystems.contains(top)) {
        QSet<QString> allowed = {"platform", "widgets", "XLSAdapter"};
        for (const QString& s : kSubsystems) allowed.insert(s);
        return allowed;
    }
    return {};
}

// The source tree, found from this file's own path (the build may hand it in relative to the
// build folder, where the tests run).
QString SourceRoot() {
    const QString base = qEnvironmentVariable("VN_BUILD_DIR", QDir::currentPath());
    QDir dir(QFileInfo(QDir(base).absoluteFilePath(QString::fromUtf8(__FILE__))).absolutePath());
    dir.cdUp();  // tests/app -> tests
    dir.cdUp();  // tests -> root
    return dir.absolutePath();
}

struct Violation {
    QString file;
    int line;
    QString text;
};

// Every include of a project header in the files under src/, checked against the layer of the
// file that holds it. Includes without a folder name the including file's own folder.
std::vector<Violation> FindViolations(const QString& srcRoot, const QSet<QString>& srcFolders) {
    static const QRegularExpression kInclude(QStringLiteral(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])"));
    std::vector<Violation> found;
    QDirIterator it(srcRoot, {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(srcRoot).relativeFilePath(path);
        const QString top = relative.section(u'/', 0, 0);
        const QSet<QString> allowed = AllowedFrom(top);
        if (allowed.isEmpty()) continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            found.push_back({path, 0, QStringLiteral("cannot be read")});
            continue;
        }
        QTextStream in(&file);
        int lineNo = 0;
        while (!in.atEnd()) {
            const QString line = in.readLine();
            ++lineNo;
            const auto m = kInclude.match(line);
            if (!m.hasMatch()) continue;
            const QString target = m.captured(1);
            if (!target.contains(u'/')) continue;  // a system header or one beside the file
            const QString targetTop = target.section(u'/', 0, 0);
            if (!srcFolders.contains(targetTop)) continue;  // a library's own folder, like <QtCore/...>
            if (!allowed.contains(targetTop)) found.push_back({path, lineNo, line.trimmed()});
        }
    }
    return found;
}

QSet<QString> FoldersOf(const QString& srcRoot) {
    QSet<QString> folders;
    for (const QString& name : QDir(srcRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders.insert(name);
    return folders;
}

TEST(Layering, NoSourceFileIncludesFromALayerAboveIt) {
    const QString srcRoot = SourceRoot() + "/src";
    ASSERT_TRUE(QFileInfo(srcRoot + "/platform").isDir())
        << "source tree not found at " << srcRoot.toStdString();
    const QSet<QString> folders = FoldersOf(srcRoot);
    for (const Violation& v : FindViolations(srcRoot, folders))
        ADD_FAILURE_AT(v.file.toStdString().c_str(), v.line)
            << "include from a layer above this file's: " << v.text.toStdString();
}

// The check itself must catch what it is there for: a small tree with one include of each kind.
TEST(Layering, WrongIncludesAreFoundWithTheirLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    auto write = [&](const QString& name, const QByteArray& text) {
        QDir().mkpath(QFileInfo(root + "/" + name).absolutePath());
        QFile f(root + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write(
        "platform/db/A.cpp",
        "#include \"platform/db/A.h\"\n#include <QString>\n#include \"A.h\"\n  #  include \"offers/N.h\"\n");
    write("widgets/W.cpp", "#include \"platform/ui/Dialogs.h\"\n#include <XLSAdapter/X.h>\n");
    write("XLSAdapter/X.cpp", "#include \"widgets/W.h\"\n#include \"platform/data/MemTable.h\"\n");
    write("offers/N.cpp", "#include \"offers/N.h\"\n#include \"XLSAdapter/X.h\"\n#include \"app/x.h\"\n");
    write("app/main.cpp", "#include \"offers/N.h\"\n");
    write("tools/mkres/main.cpp", "#include \"core/DbTemplates.h\"\n");

    std::vector<Violation> found = FindViolations(root, FoldersOf(root));
    std::sort(found.begin(), found.end(),
              [](const Violation& a, const Violation& b) { return a.file < b.file; });
    std::string listed;
    for (const Violation& v : found) listed += v.file.toStdString() + ":" + std::to_string(v.line) + " ";
    ASSERT_EQ(found.size(), 4u) << listed;
    EXPECT_TRUE(found[0].file.endsWith("XLSAdapter/X.cpp"));
    EXPECT_EQ(found[0].line, 1);
    EXPECT_TRUE(found[1].file.endsWith("offers/N.cpp"));
    EXPECT_EQ(found[1].line, 3);
    EXPECT_TRUE(found[2].file.endsWith("platform/db/A.cpp"));
    EXPECT_EQ(found[2].line, 4);
    EXPECT_EQ(found[2].text, "#  include \"offers/N.h\"");
    EXPECT_TRUE(found[3].file.endsWith("widgets/W.cpp"));
    EXPECT_EQ(found[3].line, 2);
}

}  // namespace
