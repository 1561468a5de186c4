// Feeds arbitrary bytes to the ini file reader as a file on disk, reads it the ways the program
// does, and writes one value back: whatever the file held, everything else must survive the
// write, and nothing but EIniFileException may come out.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>

#include "platform/files/IniFile.h"

namespace {

QString Path() {
    static const QString path = QDir::tempPath() + QStringLiteral("/vn_fuzz_ini_%1.ini").arg(::getpid());
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        QFile f(Path());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    TIniFile ini(Path());
    const QStringList keys = ini.ReadSection("Main");
    for (const QString& key : keys) {
        ini.ReadString("Main", key, QString());
        ini.ReadInteger("Main", key, 0);
    }
    ini.ReadBool("CONFIG", "RunPrgFirst", true);
    const QString before = ini.ReadString("Jine", "Hodnota", "?");
    try {
        ini.WriteString("Main", "DataPath", "/srv/data/");
    } catch (const EIniFileException&) {
        return 0;
    }
    TIniFile reread(Path());
    if (reread.ReadString("Main", "DataPath", QString()) != "/srv/data/") __builtin_trap();
    if (reread.ReadString("Jine", "Hodnota", "?") != before) __builtin_trap();
    return 0;
}
