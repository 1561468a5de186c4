#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// Files put in place of others all together or not at all, also when the program is killed in the
// middle. Every new file is first copied whole beside its target and flushed to the disk; then a
// journal naming every target is written and flushed; only then are the targets exchanged, each by
// two renames (the old file aside, the new one into its place). Whoever finds a journal left behind
// brings the exchange to its end with `RecoverFileSwap`: the new files were complete before the
// journal existed, so finishing is always possible. A rename refused while the program runs turns
// the journal round before undoing what was done, so a crash during the undo is undone too.
// Nothing here may run while anything holds the targets open.

// Beside a target: the new file while it waits for its place, and the old one until every file is
// in place.
inline constexpr const char* kSwapFreshSuffix = ".obnova~";
inline constexpr const char* kSwapKeptSuffix = ".puvodni~";

class TFileSwap {
public:
    // The journal's path; targets inside its folder are named relative to it, so a shared folder
    // mounted elsewhere on another station is recovered there as well.
    explicit TFileSwap(const QString& journal) : journal_(journal) {}

    void Add(const QString& source, const QString& target) { files_.push_back({source, target}); }

    // True when every file is in place; otherwise every target is as it was and `failed` names the
    // file that could not be written.
    bool Run(QString& failed);

    // Called before every change to the targets' folders once the new files are copied: the
    // journal's writing, each rename, each removal. Tests stop a swap there as a crash would.
    static std::function<void()> BeforeStep;

private:
    struct TFile {
        QString source;
        QString target;
        bool existed = false;
    };
    void Step() const;
    bool WriteJournal(bool finish) const;
    void Abandon(QString& failed, const QString& target);
    void Discard() const;

    QString journal_;
    std::vector<TFile> files_;
};

enum class TSwapRecovery {
    None,      // no journal: nothing was interrupted
    Finished,  // the interrupted swap has been brought to its end
    Undone,    // a swap that was being undone has been undone
    Failed,    // a rename was refused; the journal stays for the next attempt
};

// Brings the swap of a journal left behind to its end (or back to its start, when it was being
// undone) and removes the journal. `done` receives one line per file put in place or back.
TSwapRecovery RecoverFileSwap(const QString& journal, QStringList* done = nullptr);

// True when an interrupted swap left something in the folder that `RemoveFileSwapLeftovers` cleans.
bool HasFileSwapLeftovers(const QString& folder);
// Cleans what an interrupted swap left in the folder without a journal: new files not yet in
// place are removed; an old file set aside is removed when its target stands, and put back when
// the target is missing (then it is the only copy). Answers the names it removed or put back.
QStringList RemoveFileSwapLeftovers(const QString& folder);

// Writes the file aside, flushes it to the disk and renames it into place, then flushes the folder:
// after a crash the file is there whole with this content, or as it was before.
bool WriteFileDurably(const QString& path, const QByteArray& content);
