#include <gtest/gtest.h>

#include <QFile>

#include "common/FilePermissions.h"
#include "common/TempDir.h"
#include "platform/files/IniFile.h"
#include "platform/text/Cp1250.h"

class IniFileTest : public TempDirTest {
protected:
    void WriteRaw(const QByteArray& bytes) {
        QFile f(PathOf("Varnobis.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray ReadRaw() {
        QFile f(PathOf("Varnobis.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(IniFileTest, RoundTripKeepsWhatItDoesNotWrite) {
    WriteRaw(
        "; nastaveni programu\r\n"
        "[Main]\r\n"
        "DataPath = /srv/data/\r\n"
        "RucniKlic=ponechat\r\n"
        "\r\n"
        "[Jine]\r\n"
        "a=1\r\n");
    {
        TIniFile ini(PathOf("Varnobis.ini"));
        EXPECT_EQ(ini.ReadString("MAIN", "datapath", "x"), "/srv/data/");
        ini.WriteString("Main", "DATAPATH", QString::fromUtf8("/mnt/sdílená/"));
        ini.WriteInteger("Main", "LastFirm", 12);
        ini.WriteBool("Nova", "Zap", true);
    }
    EXPECT_EQ(ReadRaw(), QString::fromUtf8("; nastaveni programu\r\n"
                                           "[Main]\r\n"
                                           "DataPath=/mnt/sdílená/\r\n"
                                           "RucniKlic=ponechat\r\n"
                                           "LastFirm=12\r\n"
                                           "\r\n"
                                           "[Jine]\r\n"
                                           "a=1\r\n"
                                           "[Nova]\r\n"
                                           "Zap=1\r\n")
                             .toUtf8());
    TIniFile again(PathOf("Varnobis.ini"));
    EXPECT_EQ(again.ReadString("main", "rucniklic", ""), "ponechat");
    EXPECT_EQ(again.ReadInteger("Main", "LastFirm", 0), 12);
    EXPECT_TRUE(again.ReadBool("NOVA", "zap", false));
    EXPECT_EQ(again.ReadSection("Main"), QStringList({"DataPath", "RucniKlic", "LastFirm"}));
}

TEST_F(IniFileTest, JunkAndMissingValuesReadAsTheDefault) {
    WriteRaw(
        "[S]\n"
        "Empty=\n"
        "Junk=12abc\n"
        "Hex=$1F\n"
        "Neg= -5 \n"
        "Yes=-1\n"
        "No=0\n"
        "Word=True\n"
        "NoEquals\n"
        "=orphan\n");
    TIniFile ini(PathOf("Varnobis.ini"));
    struct Case {
        const char* key;
        int integer;   // with default 99
        bool boolean;  // with default true
    };
    const Case kCases[] = {
        {"Empty", 99, true}, {"Junk", 99, true}, {"Hex", 31, true},  {"Neg", -5, true},
        {"Yes", -1, true},   {"No", 0, false},   {"Word", 99, true}, {"Missing", 99, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ini.ReadInteger("S", c.key, 99), c.integer);
        EXPECT_EQ(ini.ReadBool("S", c.key, true), c.boolean);
    }
    EXPECT_FALSE(ini.ReadBool("S", "Word", false));
    EXPECT_EQ(ini.ReadString("S", "Empty", "def"), "");  // present but empty is empty
    EXPECT_EQ(ini.ReadString("S", "NoEquals", "def"), "def");
    EXPECT_EQ(ini.ReadString("Other", "Empty", "def"), "def");
    EXPECT_TRUE(ini.ValueExists("s", "EMPTY"));
    EXPECT_FALSE(ini.ValueExists("S", "NoEquals"));
}

TEST_F(IniFileTest, EraseDeleteAndFilesThatAreNotThere) {
    TIniFile ini(PathOf("Varnobis.ini"));
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
    ini.WriteString("A", "k", "v");
    ini.WriteString("A", "multi", "one\r\ntwo");  // stays on its line
    ini.WriteString("B", "k", "w");
    EXPECT_EQ(ReadRaw(), "[A]\nk=v\nmulti=one two\n[B]\nk=w\n");
    ini.DeleteKey("a", "K");
    ini.DeleteKey("a", "nothing");
    EXPECT_FALSE(ini.ValueExists("A", "k"));
    ini.EraseSection("a");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_TRUE(ini.SectionExists("b"));
    EXPECT_EQ(ReadRaw(), "[B]\nk=w\n");
    ini.UpdateFile();
    EXPECT_EQ(TIniFile(PathOf("Varnobis.ini")).ReadString("B", "K", ""), "w");
}

TEST_F(IniFileTest, OldWindowsFileIsReadAndAWriteFailureIsReported) {
    WriteRaw(EncodeCp1250(QString::fromUtf8("[Firma]\r\nNazev=Účetní s.r.o.\r\n")));
    TIniFile old(PathOf("Varnobis.ini"));
    EXPECT_EQ(old.ReadString("Firma", "Nazev", ""), QString::fromUtf8("Účetní s.r.o."));
    old.WriteString("Firma", "Mesto", QString::fromUtf8("Brno"));
    EXPECT_EQ(TIniFile(PathOf("Varnobis.ini")).ReadString("Firma", "Nazev", ""),
              QString::fromUtf8("Účetní s.r.o."));

    TIniFile nowhere(PathOf("no/such/folder/x.ini"));
    EXPECT_THROW(nowhere.WriteString("A", "b", "c"), EIniFileException);
}

// A file we may not read holds settings we cannot see: writing it out would lose them all.
TEST_F(IniFileTest, FileThatCannotBeReadIsNeverOverwritten) {
    const QByteArray original = "[Main]\nDataPath=/srv/data/\nJine=ponechat\n";
    WriteRaw(original);
    const QString path = PathOf("Varnobis.ini");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    {
        TFilePermissionsApply asUser;
        TIniFile ini(path);
        EXPECT_FALSE(ini.Readable());
        EXPECT_EQ(ini.ReadString("Main", "DataPath", "x"), "x");
        EXPECT_THROW(ini.WriteString("Main", "LastDBName", "FIRMA"), EIniFileException);
        EXPECT_THROW(ini.DeleteKey("Main", "Jine"), EIniFileException);
        EXPECT_THROW(ini.EraseSection("Main"), EIniFileException);
        EXPECT_THROW(ini.UpdateFile(), EIniFileException);
    }
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(ReadRaw(), original);

    // Something else standing at the path is no ini file to replace either.
    ASSERT_TRUE(QDir().mkpath(PathOf("slozka.ini")));
    TIniFile folder(PathOf("slozka.ini"));
    EXPECT_FALSE(folder.Readable());
    EXPECT_THROW(folder.WriteString("A", "b", "c"), EIniFileException);

    EXPECT_TRUE(TIniFile(PathOf("nove.ini")).Readable()) << "a missing file is an empty one";
}

// A name the file could not give back as written is refused, and the file stays as it was.
TEST_F(IniFileTest, NamesTheFileCannotHoldAreRefused) {
    WriteRaw("[Main]\na=1\n");
    struct Case {
        const char* section;
        const char* key;
    };
    const Case kCases[] = {
        {"Ma]in", "b"},   {"Ma\nin", "b"},  {"Ma\rin", "b"}, {"", "b"},      {"Main", "b=c"}, {"Main", "b]"},
        {"Main", "b\nc"}, {"Main", "b\rc"}, {"Main", "  "},  {"Main", ";b"}, {"Main", "#b"},  {"Main", "[b"},
    };
    TIniFile ini(PathOf("Varnobis.ini"));
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.section) + " / " + c.key);
        EXPECT_THROW(ini.WriteString(c.section, c.key, "x"), EIniFileException);
    }
    EXPECT_EQ(ReadRaw(), "[Main]\na=1\n");

    // Names that merely look odd are kept and read back.
    ini.WriteString("Tisk [A4 - okraje", "levy (mm) ; #1", "10");
    EXPECT_EQ(ReadRaw(), "[Main]\na=1\n[Tisk [A4 - okraje]\nlevy (mm) ; #1=10\n");
    EXPECT_EQ(TIniFile(PathOf("Varnobis.ini")).ReadString("Tisk [A4 - okraje", "levy (mm) ; #1", ""), "10");
}
