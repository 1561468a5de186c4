#include <gtest/gtest.h>

#include <QFile>

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
