#include <gtest/gtest.h>

#include <QAction>

#include "common/TempDir.h"
#include "platform/ui/DirectoryEdit.h"

namespace {

TEST(DirectoryEditTest, FolderValuesEndInOneSlash) {
    struct Case {
        const char* folder;
        const char* value;
    };
    const Case kCases[] = {
        {"/srv/data", "/srv/data/"},
        {"/srv/data/", "/srv/data/"},
        {"/", "/"},
        {"", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(WithTrailingSlash(c.folder), c.value);
    }
}

class DirectoryEditBrowseTest : public TempDirTest {};

TEST_F(DirectoryEditBrowseTest, BrowseStartsAtTheFieldsFolderAndTakesTheChoice) {
    TDirectoryEdit edit;
    edit.SetDialogTitle("Vyberte datovou složku");
    edit.setText(Folder());
    QString askedTitle, askedStart;
    edit.ChooseFolder = [&](QWidget*, const QString& title, const QString& start) {
        askedTitle = title;
        askedStart = start;
        return tempDir_.path() + "/DATA";
    };
    edit.BrowseAction()->trigger();
    EXPECT_EQ(askedTitle, "Vyberte datovou složku");
    EXPECT_EQ(askedStart, Folder());
    EXPECT_EQ(edit.text(), Folder() + "DATA/");
}

TEST_F(DirectoryEditBrowseTest, CancelledBrowseKeepsTheText) {
    TDirectoryEdit edit;
    edit.setText("/nikde/neexistuje/");
    QString askedStart;
    edit.ChooseFolder = [&](QWidget*, const QString&, const QString& start) {
        askedStart = start;
        return QString();
    };
    EXPECT_FALSE(edit.Browse());
    EXPECT_EQ(edit.text(), "/nikde/neexistuje/");
    // A folder that has gone is no place to start browsing from.
    EXPECT_NE(askedStart, "/nikde/neexistuje/");

    edit.setReadOnly(true);
    edit.ChooseFolder = [](QWidget*, const QString&, const QString&) -> QString {
        ADD_FAILURE() << "a read-only field must not browse";
        return "/x";
    };
    EXPECT_FALSE(edit.Browse());
}

}  // namespace
