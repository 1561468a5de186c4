// Files exchanged all together or not at all: a swap stopped at any step, as a killed program stops,
// is brought to one whole state by the recovery, and what it left beside the files goes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "common/TempDir.h"
#include "platform/files/FileSwap.h"

namespace {

// What a killed program does at a step: nothing more.
struct TKilled {};

class FileSwapTest : public TempDirTest {
protected:
    void SetUp() override {
        QDir().mkpath(PathOf("data/PRINT"));
        QDir().mkpath(PathOf("new"));
        Write(PathOf("new/a"), "A2");
        Write(PathOf("new/b"), "B2");
        Write(PathOf("new/c"), "C2");
    }
    void TearDown() override { TFileSwap::BeforeStep = nullptr; }

    QString Data(const QString& name) const { return PathOf("data/" + name); }
    QString Journal() const { return Data("~obnova.jrn"); }

    static void Write(const QString& path, const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    // The old state: two files and no third one; the swap brings all three new.
    void ArrangeOld() {
        Write(Data("firma.mdb"), "A1");
        Write(Data("PRINT/moje.frx"), "B1");
        QFile::remove(Data("PRINT/nova.xls"));
    }
    QString State() const {
        const QByteArray a = Read(Data("firma.mdb")), b = Read(Data("PRINT/moje.frx")),
                         c = Read(Data("PRINT/nova.xls"));
        if (a == "A1" && b == "B1" && c == "<none>") return "old";
        if (a == "A2" && b == "B2" && c == "C2") return "new";
        return QString("mixed %1 %2 %3").arg(a, b, c);
    }
    QStringList Leftovers() const {
        QStringList found;
        for (const QString& folder : {Data(""), Data("PRINT/")})
            for (const QString& name : QDir(folder).entryList({"*~*"}, QDir::Files)) found.append(name);
        return found;
    }

    TFileSwap Swap() const {
        TFileSwap swap(Journal());
        swap.Add(PathOf("new/a"), Data("firma.mdb"));
        swap.Add(PathOf("new/b"), Data("PRINT/moje.frx"));
        swap.Add(PathOf("new/c"), Data("PRINT/nova.xls"));
        return swap;
    }
    // Runs the swap, killed at the step; true when the kill came before the swap was through.
    bool RunKilledAt(int stop, bool& ran) {
        int steps = 0;
        TFileSwap::BeforeStep = [&] {
            if (++steps == stop) throw TKilled{};
        };
        bool killed = false;
        QString failed;
        try {
            ran = Swap().Run(failed);
        } catch (const TKilled&) {
            killed = true;
        }
        TFileSwap::BeforeStep = nullptr;
        return killed;
    }
    void RecoverAsTheNextStartDoes(TSwapRecovery expected) {
        EXPECT_EQ(RecoverFileSwap(Journal()), expected);
        for (const QString& folder : {Data(""), Data("PRINT/")}) RemoveFileSwapLeftovers(folder);
    }
};

}  // namespace

TEST_F(FileSwapTest, KilledAtAnyStepIsWhollyOldOrWhollyNewAfterRecovery) {
    int stop = 1;
    for (;; ++stop) {
        SCOPED_TRACE(stop);
        ArrangeOld();
        bool ran = false;
        if (!RunKilledAt(stop, ran)) {
            EXPECT_TRUE(ran);
            EXPECT_EQ(State(), "new");
            EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(' ').toStdString();
            break;
        }
        // Killed before its journal existed, the swap had changed nothing but its copies; from then on
        // every new file was whole, so it is finished.
        const bool journalled = QFile::exists(Journal());
        EXPECT_EQ(journalled, stop > 1);
        RecoverAsTheNextStartDoes(journalled ? TSwapRecovery::Finished : TSwapRecovery::None);
        EXPECT_EQ(State(), journalled ? "new" : "old");
        EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(Journal()));
    }
    // The journal, five renames, two old files removed, the journal removed.
    EXPECT_EQ(stop, 10);
}

TEST_F(FileSwapTest, RefusedRenameIsUndoneAndSoIsAKillDuringTheUndo) {
    // A folder standing where the old file would be set aside makes that rename fail.
    const QString blocker = Data("PRINT/moje.frx") + kSwapKeptSuffix;
    QDir().mkpath(blocker + "/x");
    ArrangeOld();
    int steps = 0;
    TFileSwap::BeforeStep = [&] { ++steps; };
    QString failed;
    EXPECT_FALSE(Swap().Run(failed));
    TFileSwap::BeforeStep = nullptr;
    EXPECT_EQ(failed, Data("PRINT/moje.frx"));
    EXPECT_EQ(State(), "old");
    EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(Journal()));

    // The journal, the first file aside and in place, the refused rename; the undo follows.
    constexpr int kRefusedAt = 4;
    ASSERT_GT(steps, kRefusedAt);
    for (int stop = kRefusedAt + 1; stop <= steps; ++stop) {
        SCOPED_TRACE(stop);
        ArrangeOld();
        bool ran = true;
        ASSERT_TRUE(RunKilledAt(stop, ran));
        if (stop == kRefusedAt + 1) {
            // Killed before the journal was turned round: the next start tries to finish, meets the
            // same refusal and keeps the journal; once the cause is gone, a start finishes it.
            EXPECT_EQ(RecoverFileSwap(Journal()), TSwapRecovery::Failed);
            EXPECT_TRUE(QFile::exists(Journal()));
            QDir(blocker).removeRecursively();
            RecoverAsTheNextStartDoes(TSwapRecovery::Finished);
            EXPECT_EQ(State(), "new");
            QDir().mkpath(blocker + "/x");
        } else {
            // Turned round before its first step back, the journal leads the recovery back too.
            RecoverAsTheNextStartDoes(TSwapRecovery::Undone);
            EXPECT_EQ(State(), "old");
        }
        EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(Journal()));
    }
    QDir(blocker).removeRecursively();
}

TEST_F(FileSwapTest, LeftoversWithoutAJournalAreRemovedAndAnOnlyCopyIsPutBack) {
    Write(Data("firma.mdb"), "A1");
    Write(Data("firma.mdb") + kSwapFreshSuffix, "A2");
    Write(Data("firma.mdb") + kSwapFreshSuffix + ".Xy12Ab", "A2 half");  // a copy still being written
    Write(Data("PRINT/moje.frx"), "B2");
    Write(Data("PRINT/moje.frx") + kSwapKeptSuffix, "B1");
    Write(Data("PRINT/nova.xls") + kSwapKeptSuffix, "C1");  // its target is gone: the only copy
    EXPECT_TRUE(HasFileSwapLeftovers(Data("")));
    EXPECT_TRUE(HasFileSwapLeftovers(Data("PRINT/")));

    EXPECT_EQ(RemoveFileSwapLeftovers(Data("")).size(), 2);
    EXPECT_EQ(RemoveFileSwapLeftovers(Data("PRINT/")).size(), 2);
    EXPECT_FALSE(HasFileSwapLeftovers(Data("")));
    EXPECT_FALSE(HasFileSwapLeftovers(Data("PRINT/")));
    EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(' ').toStdString();
    EXPECT_EQ(Read(Data("firma.mdb")), "A1");
    EXPECT_EQ(Read(Data("PRINT/moje.frx")), "B2");
    EXPECT_EQ(Read(Data("PRINT/nova.xls")), "C1");
}
