#pragma once

#include <QString>

// What the free texts and the orders share as records of one firm-database table that a card
// edits: the failure text a caller shows, whether it has been shown, and loading or deleting by ID.
// A record object never shows its card's own messages twice.
class TStoredRecord {
public:
    virtual ~TStoredRecord() = default;

    // The message of the last failed operation, for the caller to show.
    QString ErrorText;
    // The last failure has already been shown in an error box.
    bool ErrorShown = false;
    // A save inserts a new row; otherwise it updates ID.
    bool IsNew = true;
    int ID = 0;

    virtual bool Load(int id) = 0;

protected:
    // Loads the record, or shows why not (it was deleted meanwhile) and answers false.
    bool LoadOrTell(int id);
    // Deletes the record's row once it loads; a row gone meanwhile sets `failedText`.
    bool DeleteRow(const char* table, int id, const char* failedText);
};
