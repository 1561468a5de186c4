#pragma once

#include <QString>

// A folder only this user can enter, made fresh for one process: what the program keeps in it (an
// offer's PDF on its way to the mail program, a transfer file holding the whole address book, print
// data, a restore's staging area) is nobody else's business, and nobody else can plant a name in it.
// Never hands out a folder that existed before or that another account owns.

// Makes the folder under `XDG_RUNTIME_DIR` when that is set and is this user's own, else under the
// system's temporary folder, with a name that starts with `prefix`; mode 0700. Answers the folder
// with a trailing "/", or empty when none could be made (`error` then says where and why).
QString MakePrivateFolder(const QString& prefix, QString* error = nullptr);

// True when the path is a folder itself (not a link to one), owned by this user and closed to
// everyone else.
bool IsOwnPrivateFolder(const QString& path);
