#pragma once

#include <QString>
#include <functional>

#include "core/Locks.h"

class EDatabaseError;
class QWidget;
class TDataSet;
class TADOQuery;

// What every list does around its record cards: refresh the list and find its record again,
// hold the record's lock while the card is open, and pick the row to stand on after a delete.

// Requeries the list and stands again on the record it stood on (by its "ID"). 0 when found, -1
// when it has gone (another station deleted it) or the list was empty.
int RequeryAndLocate(TADOQuery& dataset);

// The key (the integer field fieldName) of the row to stand on once the current row is deleted:
// the next row, or the previous one when the current is the last. -1 with fewer than 2 rows.
// The cursor ends where it started.
int GetIDAfterDelete(TDataSet& query, const QString& fieldName);

inline constexpr const char* kAccessDeniedText =
    "Litujeme, ale pro tuto funkci nemáte potřebná přístupová práva.";
inline constexpr const char* kRecordVanishedText =
    "Při obnově tabulky došlo k chybě, požadovaný záznam byl pravděpodobně smazán jiným uživatelem.";
inline constexpr const char* kRecordInUseText =
    "Záznam je právě používán jiným uživatelem. Případné změny nebude možné uložit!";
inline constexpr const char* kCannotDeleteInUseText =
    "Záznam není možné smazat - je právě používán jiným uživatelem.";
inline constexpr const char* kSaveFailedText =
    "Při ukládání záznamu došlo k chybě: metoda \"Execute\" selhala.";
inline constexpr const char* kNewRecordNotFoundText = "Chyba: nelze nalézt nově vložený záznam!";

// One opening of a record card. Its lock is released on every way out of the card: when the
// session ends, whatever ended it.
//
//   TCardSession card;
//   if (!card.Begin(CurrentUser.Cenik_AR < 3, &adqZasoby, "Zasoby", isNew)) return;
//   if (!isNew && !card.Lock(RecordLockPath("Zasoby", id))) return;
//   window.btnOk->setEnabled(!card.ReadOnly());
//   ... show the card, write the record ...
//   card.AfterSave(adqZasoby, rowsAffected, newId);
class TCardSession {
public:
    TCardSession() = default;
    TCardSession(const TCardSession&) = delete;
    TCardSession& operator=(const TCardSession&) = delete;

    // The right (without it the user gets the no-rights information) and the list refresh. A list of a
    // stamped table (stampedTable not empty) is requeried only when the table's stamp changed since this
    // station last saw it. False means stop: the user has been told (no right, or the record has gone and the
    // card is not for a new record).
    bool Begin(bool hasRight, TADOQuery* list, const QString& stampedTable, bool newRecord);

    // Takes the record's lock. When someone else holds it the user is told and the card opens
    // read-only; false means stop (the lock file could not be made, and the user has been told).
    bool Lock(const QString& lockPath);
    bool ReadOnly() const { return readOnly_; }
    bool Locked() const { return lock_.Held(); }

    // After the card wrote its record: no row affected is an error; then the list is requeried
    // and stands on the record (newId for a new record, 0 after an update). False when the save
    // failed or the new record is not found (the user has been told).
    bool AfterSave(TADOQuery& list, int rowsAffected, int newId);

    // Lets the lock go (also done when the session ends).
    void Release() { lock_.Release(); }

private:
    TRecordLock lock_;
    bool readOnly_ = false;
};

// Whether the list's current record may be deleted: it must still exist and nobody may hold it.
// On true, standOnId is the key to stand on after the delete (GetIDAfterDelete). On false the
// user has been told why.
bool PrepareRecordDelete(TADOQuery& list, const QString& lockPath, int& standOnId);

// A card's save that met a database error it could not wait out: the user stopped waiting for
// another station's write, the share went away, the disk is full, the file is damaged. The user
// is told in Czech what happened; the card stays open with what he typed, and its save, done as
// one transaction, has left the database as it was, so that OK can simply be pressed again.
void ShowSaveFailure(const EDatabaseError& error);
// The Czech words for what went wrong, in the middle of the message ShowSaveFailure shows.
QString DatabaseFailureText(const EDatabaseError& error);
// Runs a card's save from its OK. True when it ran through; a database error is shown by
// ShowSaveFailure and answers false: the card stays open.
bool SaveKeepingCardOpen(const std::function<void()>& save);
// What a card's OK does with the save its opener gave it (none: nothing): the card takes no input
// while the save runs, since the working window pumps messages meanwhile and a second OK or a
// Storno would land in the middle of it. False keeps the card open.
bool RunCardSave(QWidget* card, const std::function<bool()>& save);

inline constexpr const char* kSaveNotDoneText =
    "Záznam se nepodařilo uložit: %1\rÚdaje zůstávají na kartě, uložení můžete zopakovat.";
