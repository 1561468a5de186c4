#pragma once

#include <QString>

// Jet's lock file beside a database becomes a presence file: "Global.ldb" beside "Global.MDB".
// Every open connection holds it with a shared lock; the database file itself is never locked
// by us (the engine has its own locking).
QString PresenceFileOf(const QString& databasePath);

// True when another connection, here or at another station, has the database of this presence
// file open. Otherwise the file is deleted and the answer is false: a file left by a station
// that ended abnormally does not count. The caller's own connection must be closed first,
// since it is a presence too. A file that cannot be deleted still counts as in use.
bool ProbePresence(const QString& presencePath);
