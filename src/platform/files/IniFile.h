#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

// A writing failure of an ini file, or a write refused (a file that exists but could not be read,
// a section or key name the file could not hold); the message names the file.
class EIniFileException : public std::runtime_error {
public:
    explicit EIniFileException(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// A Windows-style ini file: "[Section]" lines and "key=value" lines, section and key names
// compared without regard to case, values taken as they stand between the "=" and the line end
// (blanks around trimmed, no escapes, no quoting). People edit these files by hand, so everything
// this class does not itself change is written back as it was: comments, blank lines, other keys,
// their order and spelling, and the line ends the file uses.
//
// Every write goes to disk at once, replacing the file in one step so that a failure halfway never
// leaves half a file; a failure throws EIniFileException. A file that is not valid UTF-8 is read as
// windows-1250 (older files came from Windows); it is written back as UTF-8.
//
// A file that exists but cannot be read (no permission, not a file) reads as empty, and every
// write to it is refused: writing it out would replace all the settings we could not see.
// Names that the file could not give back as they were written are refused too: a section
// name holding "]" or a key name holding "=" would read back cut short, a line break would
// start a line of its own.
class TIniFile {
public:
    explicit TIniFile(const QString& fileName);

    const QString& FileName() const { return fileName_; }
    // False when the file exists but could not be read; such a file is never written.
    bool Readable() const { return readable_; }

    QString ReadString(const QString& section, const QString& ident, const QString& def) const;
    // Decimal or hexadecimal ("$1F", "0x1F"); a missing, empty or unreadable value gives `def`.
    int ReadInteger(const QString& section, const QString& ident, int def) const;
    // An integer: 0 is false, any other true; anything else gives `def`.
    bool ReadBool(const QString& section, const QString& ident, bool def) const;

    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int value);
    void WriteBool(const QString& section, const QString& ident, bool value);  // "1" or "0"

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& ident) const;
    // The key names of a section, in file order.
    QStringList ReadSection(const QString& section) const;
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& ident);
    // Writes the file out now (every write already does; this rewrites it as held).
    void UpdateFile();

private:
    struct Line {
        QString text;     // as read or as last written
        QString section;  // for a section header: its name
        QString key;      // for a key line: its name
        bool isSection = false;
        bool isKey = false;
    };

    int FindSection(const QString& section) const;
    int FindKey(int sectionLine, const QString& ident) const;
    int SectionEnd(int sectionLine) const;
    void Save();
    void CheckWritable() const;
    void CheckNames(const QString& section, const QString* ident) const;

    QString fileName_;
    bool readable_ = true;
    std::vector<Line> lines_;
    QString lineEnd_ = "\n";
};
