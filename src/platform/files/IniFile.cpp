#include "platform/files/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include "platform/text/Cp1250.h"
#include "platform/text/NumberFormat.h"

namespace {

QString DecodeIniText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = DecodeCp1250(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
}

// The value part of a key line: everything after the first "=", trimmed.
QString ValueOf(const QString& line) { return line.mid(line.indexOf('=') + 1).trimmed(); }

}  // namespace

TIniFile::TIniFile(const QString& fileName) : fileName_(fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        // A missing file is an empty one; one that is there but shut to us is not.
        readable_ = !QFileInfo::exists(fileName) && !QFileInfo(fileName).isSymLink();
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        readable_ = false;
        return;
    }
    const QString text = DecodeIniText(bytes);
    if (text.contains("\r\n")) lineEnd_ = "\r\n";
    QStringList rows = text.split('\n');
    if (!rows.isEmpty() && rows.last().isEmpty()) rows.removeLast();
    for (QString row : rows) {
        if (row.endsWith('\r')) row.chop(1);
        Line line;
        line.text = row;
        const QString t = row.trimmed();
        if (t.startsWith('[') && t.contains(']')) {
            line.isSection = true;
            line.section = t.mid(1, t.indexOf(']') - 1).trimmed();
        } else if (!t.startsWith(';') && !t.startsWith('#') && t.contains('=')) {
            line.key = t.left(t.indexOf('=')).trimmed();
            line.isKey = !line.key.isEmpty();
        }
        lines_.push_back(line);
    }
}

int TIniFile::FindSection(const QString& section) const {
    // The first of two sections with one name is the one that counts, as on Windows.
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i)
        if (lines_[i].isSection && lines_[i].section.compare(section.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TIniFile::SectionEnd(int sectionLine) const {
    int i = sectionLine + 1;
    while (i < static_cast<int>(lines_.size()) && !lines_[i].isSection) ++i;
    return i;
}

int TIniFile::FindKey(int sectionLine, const QString& ident) const {
    if (sectionLine < 0) return -1;
    const int end = SectionEnd(sectionLine);
    for (int i = sectionLine + 1; i < end; ++i)
        if (lines_[i].isKey && lines_[i].key.compare(ident.trimmed(), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString TIniFile::ReadString(const QString& section, const QString& ident, const QString& def) const {
    const int key = FindKey(FindSection(section), ident);
    return key < 0 ? def : ValueOf(lines_[key].text);
}

int TIniFile::ReadInteger(const QString& section, const QString& ident, int def) const {
    return StrToIntDef(ReadString(section, ident, QString()), def);
}

bool TIniFile::ReadBool(const QString& section, const QString& ident, bool def) const {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TIniFile::CheckWritable() const {
    if (!readable_)
        throw EIniFileException(QString("Unable to read %1; the file is left as it is").arg(fileName_));
}

void TIniFile::CheckNames(const QString& section, const QString* ident) const {
    auto breaksLine = [](const QString& s) { return s.contains('\r') || s.contains('\n'); };
    const QString sec = section.trimmed();
    if (sec.isEmpty() || sec.contains(']') || breaksLine(sec))
        throw EIniFileException(QString("Invalid section name \"%1\" in %2").arg(section, fileName_));
    if (!ident) return;
    // A key that starts like a comment or a section header would not read back as a key.
    const QString key = ident->trimmed();
    if (key.isEmpty() || key.contains('=') || key.contains(']') || breaksLine(key) || key.startsWith(';') ||
        key.startsWith('#') || key.startsWith('['))
        throw EIniFileException(QString("Invalid key name \"%1\" in %2").arg(*ident, fileName_));
}

void TIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    CheckWritable();
    CheckNames(section, &ident);
    // A line break inside a value would start a new line of the file; the rest would be lost or
    // read as another key, so the value is kept on its line.
    QString v = value;
    v.replace("\r\n", " ").replace('\r', ' ').replace('\n', ' ');
    Line line;
    line.isKey = true;
    line.key = ident.trimmed();
    line.text = line.key + "=" + v;
    int sec = FindSection(section);
    if (sec < 0) {
        Line header;
        header.isSection = true;
        header.section = section.trimmed();
        header.text = "[" + header.section + "]";
        lines_.push_back(header);
        lines_.push_back(line);
    } else if (const int key = FindKey(sec, ident); key >= 0) {
        // The key keeps the spelling it has in the file.
        line.key = lines_[key].key;
        line.text = line.key + "=" + v;
        lines_[key] = line;
    } else {
        // After the section's last key, so blank lines and comments that close it stay below.
        int at = sec + 1;
        const int end = SectionEnd(sec);
        for (int i = sec + 1; i < end; ++i)
            if (lines_[i].isKey) at = i + 1;
        lines_.insert(lines_.begin() + at, line);
    }
    Save();
}

void TIniFile::WriteInteger(const QString& section, const QString& ident, int value) {
    WriteString(section, ident, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

bool TIniFile::SectionExists(const QString& section) const { return FindSection(section) >= 0; }

bool TIniFile::ValueExists(const QString& section, const QString& ident) const {
    return FindKey(FindSection(section), ident) >= 0;
}

QStringList TIniFile::ReadSection(const QString& section) const {
    QStringList keys;
    const int sec = FindSection(section);
    if (sec < 0) return keys;
    const int end = SectionEnd(sec);
    for (int i = sec + 1; i < end; ++i)
        if (lines_[i].isKey) keys << lines_[i].key;
    return keys;
}

void TIniFile::EraseSection(const QString& section) {
    CheckWritable();
    const int sec = FindSection(section);
    if (sec < 0) return;
    lines_.erase(lines_.begin() + sec, lines_.begin() + SectionEnd(sec));
    Save();
}

void TIniFile::DeleteKey(const QString& section, const QString& ident) {
    CheckWritable();
    const int key = FindKey(FindSection(section), ident);
    if (key < 0) return;
    lines_.erase(lines_.begin() + key);
    Save();
}

void TIniFile::UpdateFile() {
    CheckWritable();
    Save();
}

void TIniFile::Save() {
    QString text;
    for (const Line& line : lines_) text += line.text + lineEnd_;
    QSaveFile file(fileName_);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw EIniFileException(QString("Unable to write to %1").arg(fileName_));
}
