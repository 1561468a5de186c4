#pragma once

#include <QString>

// Path helpers with the names and meanings the program's file code is written with. Paths use "/";
// folder values end in "/".

// The path with a "/" at its end (an empty path stays empty).
QString IncludeTrailingPathDelimiter(const QString& path);
// Everything up to and including the last "/"; empty when there is none.
QString ExtractFilePath(const QString& path);
// Everything after the last "/".
QString ExtractFileName(const QString& path);
// The extension of the file name with its dot ("" when the name has none).
QString ExtractFileExt(const QString& path);
// The path with the extension of its file name replaced; `ext` carries its dot ("" removes it).
QString ChangeFileExt(const QString& path, const QString& ext);

// A file (not a folder) exists at the path.
bool FileExists(const QString& path);
bool DirectoryExists(const QString& path);
// Makes the folder and every missing folder above it; true when it exists afterwards.
bool ForceDirectories(const QString& path);
// Removes whatever stands at the path: a file, a folder with everything in it, or a link. A link is
// removed itself and never followed, so clearing a folder cannot reach past it. True when nothing
// stands there afterwards (also when nothing stood there before).
bool DeleteTree(const QString& path);

// True when both paths name one file: links, "..", "." and doubled "/" are resolved; for paths
// that do not exist (yet), their cleaned absolute forms are compared.
bool SameFileName(const QString& a, const QString& b);

// The path of the entry of `folder` whose name equals `name` without regard to case ("Demo.mdb"
// finds "DEMO.MDB"); an exact match wins. Empty when there is none. Files made on Windows keep
// whatever case they were given, and this is how the program finds them again.
QString FindFileCaseInsensitive(const QString& folder, const QString& name);

// Copies a file keeping its modification time, as file copies on Windows do. With `failIfExists`
// an existing target is left alone and the copy fails. The target appears whole or not at all.
bool CopyFileKeepDate(const QString& source, const QString& target, bool failIfExists = false);
