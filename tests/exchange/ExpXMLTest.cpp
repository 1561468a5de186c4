// The XML export as the programs that read it see the files: exact documents of a small offer and
// of two addresses, the offers chosen by marks, a file that cannot be written, and the dialog that
// checks the target, remembers its choices and starts the external program.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTime>

#include "addressbook/Adresar.h"
#include "common/FakeProgramLauncher.h"
#include "common/FilePermissions.h"
#include "common/ScriptedDialogs.h"
#include "core/Login.h"
#include "core/Nastaveni.h"
#include "core/UserSettings.h"
#include "exchange/ExpXML.h"
#include "exchange/Tisk.h"
#include "offers/NabidkaTisk.h"
#include "offers/Nabidky.h"
#include "offers/OfferFixture.h"
#include "offers/RozpisIdentif.h"
#include "platform/files/FileUtils.h"
#include "platform/text/Cp1250.h"
#include "platform/text/OleDate.h"
#include "platform/ui/ModalHelper.h"
#include "platform/ui/RichText.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

namespace {

// The firm's own data goes into every offer header; the test fixes it so the document is known.
struct TFirmData {
    QString* value;
    const char* fixed;
};

class ExpXMLTest : public OfferFixture {
protected:
    void SetUp() override {
        OfferFixture::SetUp();
        const TFirmData kFirm[] = {
            {&FirmName, "Elektro Světlo s.r.o."},
            {&FirmStreet, "Masarykova 12"},
            {&FirmPostalCode, "602 00"},
            {&FirmTown, "Brno"},
            {&FirmICO, "12345678"},
            {&FirmDIC, "CZ12345678"},
            {&FirmPhone, "545 000 111"},
            {&FirmFax, ""},
            {&FirmMobile, "602 111 222"},
            {&FirmEmail, "info@svetlo.cz"},
            {&FirmWeb, "www.svetlo.cz"},
            {&FirmCountry, "Česko"},
            {&CurrencySymbol, "Kč"},
            {&CurrentUser.Jmeno, "Jana Malá"},
        };
        for (const TFirmData& f : kFirm) {
            saved_.emplace_back(f.value, *f.value);
            *f.value = QString::fromUtf8(f.fixed);
        }
        savedLogo_ = FirmLogoData;
        FirmLogoData = QByteArray("\x89PNG", 4);
        savedClock_ = XmlExportClock;
        XmlExportClock = [] { return DateTimeToOle(QDate(2026, 12, 11), QTime(8, 5, 9)); };
        // A message nobody expects fails the test instead of waiting for a user.
        quiet_ = std::make_unique<TScriptedDialogs>();
    }
    void TearDown() override {
        quiet_.reset();
        for (auto& [value, old] : saved_) *value = old;
        FirmLogoData = savedLogo_;
        XmlExportClock = savedClock_;
        if (TfrmNabidky* list = TfrmNabidky::Existing()) list->grNabidky->MarkedRows().ClearMarks();
        OfferFixture::TearDown();
    }

    TParameters Params(std::initializer_list<std::pair<const char*, QVariant>> values) {
        TParameters params;
        for (const auto& [name, value] : values) params.AddParameter(QLatin1String(name))->Value = value;
        return params;
    }

    // A small offer with something of every kind of value: a typed customer whose name needs
    // escaping, a rich text before the items, a memo of two lines, a validity date, a heading and
    // one priced item with an identifier.
    int AddSmallOffer() {
        QTextDocument rich;
        rich.setHtml(QString::fromUtf8("<p><b>Vážený</b> zákazníku,</p><p>nabízíme &amp; dodáme:</p>"));
        Firm().Execute(
            "INSERT INTO Nabidky (Doklad, Popis, ZpPlatby, Doprava, DatVystaveni, DatPlatnosti, AdrCislo, "
            "AdrNazev, AdrUlice, AdrPsc, AdrMisto, AdrICO, Nadpis, TextPred, TextZa, Poznamka, Celkem, "
            "CelkemBDPH, CelkemNC, Zisk, SazDPHZakl, SazDPHSniz, SazDPHDalsiSniz, Vytvoril, VytvorID, "
            "Zakazka) VALUES ('NB24017', :Popis, 'převodem', '', :Vyst, :Plat, 0, 'A & B <x>', 'Nádražní 5', "
            "'796 01', 'Prostějov', '87654321', 'Cenová nabídka', :TextPred, 'Děkujeme.', :Poznamka, "
            "1250.5, 1033.47, 800, 200, 21, 12, 0, 'Jana Malá', 0, 'ZAK-7')",
            Params({{"Popis", QString::fromUtf8("Rozvody \"U Lípy\"")},
                    {"Vyst", DateTimeToOle(QDate(2024, 12, 1))},
                    {"Plat", DateTimeToOle(QDate(2024, 12, 31))},
                    {"TextPred", QString::fromLatin1(DocumentToRtf(rich))},
                    {"Poznamka", QString::fromUtf8("první řádek\r\ndruhý řádek")}}));
        const int id = Scalar("SELECT MAX(ID) FROM Nabidky").toInt();
        Firm().Execute(
            "INSERT INTO NabPolozky (CisloNab, Poradi, Popis, Nadpisova, Textova, Nakladova) "
            "VALUES (:ID, 1, 'Materiál', True, False, False)",
            Params({{"ID", id}}));
        Firm().Execute(
            "INSERT INTO NabPolozky (CisloNab, Poradi, Popis, Nadpisova, Textova, Nakladova, SazbaDPH, "
            "PocetMJ, MJ, ProdCena, NakCena, PCBDPHMJ, PCSDPHMJ, PCBDPHPOL, PCSDPHPOL, VyseDPHMJ, "
            "VyseDPHPol, ZiskMJ, ZiskPol, Sleva, Marze, Rabat, Identif, Zkratka, CisloKarty, CisloSkladu, "
            "CisloSkup, SDPH) VALUES (:ID, 2, 'Kabel <CYKY> 3x1,5', False, False, False, 21, 2, 'm', 500, "
            "400, 500, 605, 1000, 1210, 105, 210, 100, 200, 0, 25, 0, '_KABEL_', 'CYKY315', 0, 0, 0, False)",
            Params({{"ID", id}}));
        return id;
    }

    void StandOn(int id) {
        List().Close();
        List().Open();
        ASSERT_TRUE(List().Locate("ID", id));
    }

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The header numbers of the offers in a document, in document order.
    static QStringList OfferNumbers(const QByteArray& document) {
        QStringList numbers;
        for (const QString& line : DecodeCp1250(document).split("\r\n"))
            if (line.startsWith("      <Doklad>")) numbers << line.mid(14, line.indexOf("</") - 14);
        return numbers;
    }

    std::vector<std::pair<QString*, QString>> saved_;
    QByteArray savedLogo_;
    std::function<TDateTime()> savedClock_;
    std::unique_ptr<TScriptedDialogs> quiet_;
};

// The document of the small offer: the header without the logo, the heading and the item, and the
// one identifier shown (the heading's empty code is kept out of the breakdown).
const char* const kSmallOfferDocument = R"(<?xml version="1.0" encoding="windows-1250"?>
<VNData description="Nabídky" ExportDate="2026-12-11" ExportTime="08:05:09">
  <SeznamNabidek>
    <Nabidka>
      <Doklad>NB24017</Doklad>
      <Popis>Rozvody "U Lípy"</Popis>
      <ZpPlatby>převodem</ZpPlatby>
      <Doprava></Doprava>
      <DatVystaveni>2024-12-01</DatVystaveni>
      <DatVyrizeni></DatVyrizeni>
      <DatPlatnosti>2024-12-31</DatPlatnosti>
      <AdrNazev>A &amp; B &lt;x&gt;</AdrNazev>
      <AdrUlice>Nádražní 5</AdrUlice>
      <AdrPsc>796 01</AdrPsc>
      <AdrMisto>Prostějov</AdrMisto>
      <AdrICO>87654321</AdrICO>
      <AdrDIC></AdrDIC>
      <Nadpis>Cenová nabídka</Nadpis>
      <TextPred>Vážený zákazníku,
nabízíme &amp; dodáme:</TextPred>
      <TextZa>Děkujeme.</TextZa>
      <Poznamka>první řádek
druhý řádek</Poznamka>
      <AdrKontakt></AdrKontakt>
      <Celkem>1250.5</Celkem>
      <DodNazev>Elektro Světlo s.r.o.</DodNazev>
      <DodUlice>Masarykova 12</DodUlice>
      <DodPSC>602 00</DodPSC>
      <DodMisto>Brno</DodMisto>
      <DodICO>12345678</DodICO>
      <DodDIC>CZ12345678</DodDIC>
      <DodTel>545 000 111</DodTel>
      <DodFax></DodFax>
      <DodMobil>602 111 222</DodMobil>
      <DodEmail>info@svetlo.cz</DodEmail>
      <DodWWW>www.svetlo.cz</DodWWW>
      <CelkemBDPH>1033.47</CelkemBDPH>
      <DodStat>Česko</DodStat>
      <CelkemNC>800</CelkemNC>
      <Zisk>200</Zisk>
      <Vytvoril>Jana Malá</Vytvoril>
      <Uzivatel>Jana Malá</Uzivatel>
      <AdrStat></AdrStat>
      <AdrTelefon></AdrTelefon>
      <AdrFax></AdrFax>
      <AdrEmail></AdrEmail>
      <AdrWWW></AdrWWW>
      <AdrPoznamka></AdrPoznamka>
      <AdrEANKod></AdrEANKod>
      <AdrZprava></AdrZprava>
      <ZaklSazbaDPH>21</ZaklSazbaDPH>
      <SnizSazbaDPH>12</SnizSazbaDPH>
      <ZakladDPHNula>0</ZakladDPHNula>
      <ZakladDPHSniz>0</ZakladDPHSniz>
      <ZakladDPHZakl>1000</ZakladDPHZakl>
      <DPHSniz>0</DPHSniz>
      <DPHZakl>210</DPHZakl>
      <CelkemSDPHSniz>0</CelkemSDPHSniz>
      <CelkemSDPHZakl>1210</CelkemSDPHZakl>
      <Zaokrouhleno>40.5</Zaokrouhleno>
      <Mena>Kč</Mena>
      <KontaktVytvoril></KontaktVytvoril>
      <CelkemVyseSlevyBDPH>0</CelkemVyseSlevyBDPH>
      <CelkemVyseSlevySDPH>0</CelkemVyseSlevySDPH>
      <DalsiSnizSazbaDPH>0</DalsiSnizSazbaDPH>
      <ZakladDPHDalsiSniz>0</ZakladDPHDalsiSniz>
      <DPHDalsiSniz>0</DPHDalsiSniz>
      <CelkemSDPHDalsiSniz>0</CelkemSDPHDalsiSniz>
      <TextKomentare></TextKomentare>
      <Zakazka>ZAK-7</Zakazka>
      <SeznamPolozek>
        <Polozka>
          <Popis>Materiál</Popis>
          <Poradi>1</Poradi>
          <Katalog></Katalog>
          <BarCode></BarCode>
          <Poznamka></Poznamka>
          <SazbaDPH>0</SazbaDPH>
          <Sleva>0</Sleva>
          <NakCena>0</NakCena>
          <PocetMJ>0</PocetMJ>
          <MJ></MJ>
          <PCSDPHMJ>0</PCSDPHMJ>
          <PCBDPHMJ>0</PCBDPHMJ>
          <PCSDPHPOL>0</PCSDPHPOL>
          <PCBDPHPOL>0</PCBDPHPOL>
          <ZiskMJ>0</ZiskMJ>
          <ZiskPol>0</ZiskPol>
          <VyseDPHMJ>0</VyseDPHMJ>
          <VyseDPHPol>0</VyseDPHPol>
          <PLU></PLU>
          <Zkratka></Zkratka>
          <ProdCena>0</ProdCena>
          <NakCenaPol>0</NakCenaPol>
          <Marze>0</Marze>
          <Rabat>0</Rabat>
          <IDKarty>0</IDKarty>
          <IDListu>0</IDListu>
          <IDSkupiny>0</IDSkupiny>
          <CenHladina></CenHladina>
          <Identif></Identif>
          <Obrazek></Obrazek>
          <Mena>Kč</Mena>
          <Nadpisova>True</Nadpisova>
          <Textova>False</Textova>
          <VyseSlBDPHCelk>0</VyseSlBDPHCelk>
          <VyseSlSDPHCelk>0</VyseSlSDPHCelk>
        </Polozka>
        <Polozka>
          <Popis>Kabel &lt;CYKY&gt; 3x1,5</Popis>
          <Poradi>2</Poradi>
          <Katalog></Katalog>
          <BarCode></BarCode>
          <Poznamka></Poznamka>
          <SazbaDPH>21</SazbaDPH>
          <Sleva>0</Sleva>
          <NakCena>400</NakCena>
          <PocetMJ>2</PocetMJ>
          <MJ>m</MJ>
          <PCSDPHMJ>605</PCSDPHMJ>
          <PCBDPHMJ>500</PCBDPHMJ>
          <PCSDPHPOL>1210</PCSDPHPOL>
          <PCBDPHPOL>1000</PCBDPHPOL>
          <ZiskMJ>100</ZiskMJ>
          <ZiskPol>200</ZiskPol>
          <VyseDPHMJ>105</VyseDPHMJ>
          <VyseDPHPol>210</VyseDPHPol>
          <PLU></PLU>
          <Zkratka>CYKY315</Zkratka>
          <ProdCena>500</ProdCena>
          <NakCenaPol>800</NakCenaPol>
          <Marze>25</Marze>
          <Rabat>0</Rabat>
          <IDKarty>0</IDKarty>
          <IDListu>0</IDListu>
          <IDSkupiny>0</IDSkupiny>
          <CenHladina></CenHladina>
          <Identif>_KABEL_</Identif>
          <Obrazek></Obrazek>
          <Mena>Kč</Mena>
          <Nadpisova>False</Nadpisova>
          <Textova>False</Textova>
          <VyseSlBDPHCelk>0</VyseSlBDPHCelk>
          <VyseSlSDPHCelk>0</VyseSlSDPHCelk>
        </Polozka>
      </SeznamPolozek>
      <RozpisIdentif>
        <Identifikator>
          <ZkrIdent>KABEL</ZkrIdent>
          <PopisIdent>Kabely a vodiče</PopisIdent>
          <NakCena>800</NakCena>
          <ProdBDPH>1000</ProdBDPH>
          <ProdSDPH>1210</ProdSDPH>
          <Zisk>200</Zisk>
          <Nepouzivat>False</Nepouzivat>
        </Identifikator>
      </RozpisIdentif>
    </Nabidka>
  </SeznamNabidek>
</VNData>
)";

// The golden text as the file holds it: CR LF line ends, windows-1250.
QByteArray FileBytes(const char* golden) {
    QString text = QString::fromUtf8(golden);
    text.replace("\n", "\r\n");
    return EncodeCp1250(text);
}

}  // namespace

TEST_F(ExpXMLTest, TheCurrentOfferIsWrittenAsTheExactDocumentWhenNothingIsMarked) {
    const int id = AddSmallOffer();
    StandOn(id);
    const QString path = PathOf("nabidka.xml");
    ASSERT_EQ(ExportOffersXml(path), 0);
    const QByteArray written = ReadFile(path);
    EXPECT_EQ(written, FileBytes(kSmallOfferDocument));
    // Czech letters are single windows-1250 bytes ("í" is 0xED), not UTF-8 pairs.
    EXPECT_TRUE(
        written.contains("description=\"Nab\xED"
                         "dky\""));
    // The list stands where it stood, and the breakdown window of the print data is gone.
    EXPECT_EQ(List().FieldByName("ID")->AsInteger(), id);
    EXPECT_EQ(PrintBreakdownWindow(), nullptr);
}

TEST_F(ExpXMLTest, MarkedOffersAreWrittenInTheOrderTheyWereMarkedAndTheListKeepsItsPlace) {
    TfrmNabidky* window = TfrmNabidky::Instance();
    TBookmarkList& marks = window->grNabidky->MarkedRows();
    QStringList numbers;
    for (List().First(); !List().Eof(); List().Next()) numbers << List().FieldByName("Doklad")->AsString();
    ASSERT_GE(numbers.size(), 4);
    const QStringList chosen = {numbers[2], numbers[0], numbers.last()};
    for (const QString& number : chosen) {
        ASSERT_TRUE(List().Locate("Doklad", number));
        marks.SetCurrentRowMarked(true);
    }
    ASSERT_TRUE(List().Locate("Doklad", numbers[1]));
    const QString path = PathOf("oznacene.xml");
    ASSERT_EQ(ExportOffersXml(path), 0);
    EXPECT_EQ(OfferNumbers(ReadFile(path)), chosen);
    EXPECT_EQ(List().FieldByName("Doklad")->AsString(), numbers[1]);
    EXPECT_EQ(marks.MarkCount(), 3);

    marks.ClearMarks();
    ASSERT_EQ(ExportOffersXml(path), 0);
    EXPECT_EQ(OfferNumbers(ReadFile(path)), QStringList{numbers[1]});
}

TEST_F(ExpXMLTest, AllDemoOffersMakeADocumentThatXmllintAccepts) {
    TBookmarkList& marks = TfrmNabidky::Instance()->grNabidky->MarkedRows();
    for (List().First(); !List().Eof(); List().Next()) marks.SetCurrentRowMarked(true);
    const int offers = marks.MarkCount();
    const QString path = PathOf("demo.xml");
    ASSERT_EQ(ExportOffersXml(path), 0);
    const QByteArray written = ReadFile(path);
    EXPECT_EQ(OfferNumbers(written).size(), offers);
    // The demo items carry identifiers, so the breakdown reaches the document.
    EXPECT_TRUE(written.contains("        <Identifikator>\r\n          <ZkrIdent>"));

    const QString xmllint = QStandardPaths::findExecutable("xmllint");
    if (xmllint.isEmpty()) GTEST_SKIP() << "xmllint is not installed";
    QProcess lint;
    lint.start(xmllint, {"--noout", path});
    ASSERT_TRUE(lint.waitForFinished(30000));
    EXPECT_EQ(lint.exitCode(), 0) << lint.readAllStandardError().toStdString();
    lint.start(xmllint, {"--xpath", "count(/VNData/SeznamNabidek/Nabidka)", path});
    ASSERT_TRUE(lint.waitForFinished(30000));
    EXPECT_EQ(lint.readAllStandardOutput().trimmed(), QByteArray::number(offers));
}

TEST_F(ExpXMLTest, AFileThatCannotBeWrittenIsReportedAndTheListIsLeftAsItWas) {
    StandOn(AddSmallOffer());
    QDir().mkdir(PathOf("zamceno"));
    QFile::setPermissions(PathOf("zamceno"), QFile::ReadOwner | QFile::ExeOwner);
    TScriptedDialogs dialogs;
    dialogs.ExpectError(QString::fromUtf8(kXmlSaveFailed));
    {
        TFilePermissionsApply modes;
        EXPECT_EQ(ExportOffersXml(PathOf("zamceno/nabidka.xml")), -1);
    }
    dialogs.Verify();
    EXPECT_FALSE(QFile::exists(PathOf("zamceno/nabidka.xml")));
    EXPECT_EQ(List().FieldByName("Doklad")->AsString(), "NB24017");
    EXPECT_EQ(PrintBreakdownWindow(), nullptr);
    QFile::setPermissions(PathOf("zamceno"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// ---- addresses

namespace {

const char* const kAddressDocument = R"(<?xml version="1.0" encoding="windows-1250"?>
<VNData description="Adresář" ExportDate="2026-12-11" ExportTime="08:05:09">
  <SeznamAdres>
    <Adresa>
      <Nazev>Kovo &amp; Dřevo &lt;Zlín&gt;</Nazev>
      <Ulice>Třída Tomáše Bati 21</Ulice>
      <Misto>Zlín</Misto>
      <Psc>760 01</Psc>
      <Stat>Česko</Stat>
      <ICO>11223344</ICO>
      <Telefon>577 000 111</Telefon>
      <Fax></Fax>
      <Email>kovo@drevo.cz</Email>
      <WWW></WWW>
      <Poznamka>Volat "dopoledne"
jen v týdnu</Poznamka>
      <DIC>CZ11223344</DIC>
      <EANKod></EANKod>
      <CenHladina>VO</CenHladina>
      <Zprava></Zprava>
      <ID>%1</ID>
    </Adresa>
  </SeznamAdres>
</VNData>
)";

}  // namespace

TEST_F(ExpXMLTest, MarkedAddressesAreWrittenAsTheExactDocumentAndAnEmptyListAsAnEmptyOne) {
    Firm().Execute(
        "INSERT INTO Adresar (Nazev, Ulice, Misto, Psc, Stat, ICO, Telefon, Email, Poznamka, DIC, "
        "CenHladina) "
        "VALUES ('Kovo & Dřevo <Zlín>', 'Třída Tomáše Bati 21', 'Zlín', '760 01', 'Česko', '11223344', "
        "'577 000 111', 'kovo@drevo.cz', :Poznamka, 'CZ11223344', 'VO')",
        Params({{"Poznamka", QString::fromUtf8("Volat \"dopoledne\"\r\njen v týdnu")}}));
    const int id = Scalar("SELECT MAX(ID) FROM Adresar").toInt();
    TfrmAdresar* window = AddressListWindow();
    TADOQuery& addresses = main_->adqAdresar;
    addresses.Close();
    addresses.SetSQL("SELECT * FROM Adresar ORDER BY Nazev");
    addresses.Open();
    ASSERT_TRUE(addresses.Locate("ID", id));
    window->grAdresar->MarkedRows().SetCurrentRowMarked(true);
    addresses.First();

    const QString path = PathOf("adresy.xml");
    ASSERT_EQ(ExportAddressesXml(path), 0);
    EXPECT_EQ(ReadFile(path), FileBytes(QString::fromUtf8(kAddressDocument).arg(id).toUtf8().constData()));
    window->grAdresar->MarkedRows().ClearMarks();

    // Nothing to list gives no Adresa element rather than one of empty fields.
    addresses.Close();
    addresses.SetSQL("SELECT * FROM Adresar WHERE ID = 0");
    addresses.Open();
    ASSERT_EQ(ExportAddressesXml(path), 0);
    EXPECT_EQ(DecodeCp1250(ReadFile(path)).split("\r\n").mid(2, 2),
              (QStringList{"  <SeznamAdres>", "  </SeznamAdres>"}));
    addresses.Close();
}

// ---- the dialog

namespace {

class ExpXMLDialogTest : public ExpXMLTest {
protected:
    void SetUp() override {
        ExpXMLTest::SetUp();
        StandOn(AddSmallOffer());
    }
    static QString Stored(int number) {
        QString value;
        UserSetting(kLoad, number, {}, value);
        return value;
    }
    static void Store(int number, const QString& value) {
        QString unused;
        UserSetting(kSave, number, value, unused);
    }
};

}  // namespace

TEST_F(ExpXMLDialogTest, OkChecksTheTargetAndTheProgramBeforeItExports) {
    enum TSetup { Nothing, FileThere, ReadOnlyFolder };
    struct Case {
        const char* name;
        const char* path;  // in a fresh folder unless blank or a bare name
        bool program;
        const char* programPath;
        TSetup setup;
        std::vector<TExpectedDialog> dialogs;
        bool exported;
    };
    const TExpectedDialog noFile = TExpectedDialog::Information(QString::fromUtf8(kExportFileMissing));
    const TExpectedDialog noProgram = TExpectedDialog::Information(QString::fromUtf8(kXmlNoProgram));
    const TExpectedDialog noFolder = TExpectedDialog::Information(QString::fromUtf8(kExportFolderMissing));
    auto create = [](bool yes) { return TExpectedDialog::Question("neexistuje. Chcete ji vytvořit?", yes); };
    auto overwrite = [](bool yes) {
        return TExpectedDialog::Question("již existuje, chcete ho přepsat ?", yes);
    };
    // Every export that was written says where.
    const TExpectedDialog done = TExpectedDialog::Information("Export do XML je dokončen");
    const Case kCases[] = {
        {"empty path", "   ", false, "", Nothing, {noFile}, false},
        {"program asked for but not named", "a.xml", true, "  ", Nothing, {noProgram}, false},
        {"no folder", "nabidka.xml", false, "", Nothing, {noFolder}, false},
        {"missing folder refused", "nova/a.xml", false, "", Nothing, {create(false)}, false},
        {"missing folder made", "nova/a.xml", false, "", Nothing, {create(true), done}, true},
        {"two missing folders",
         "x/y/a.xml",
         false,
         "",
         Nothing,
         {create(true), TExpectedDialog::Error("Chyba : nelze vytvořit adresář")},
         false},
        {"file kept", "a.xml", false, "", FileThere, {overwrite(false)}, false},
        {"file replaced", "a.xml", false, "", FileThere, {overwrite(true), done}, true},
        {"file that cannot go",
         "ro/a.xml",
         false,
         "",
         ReadOnlyFolder,
         {overwrite(true), TExpectedDialog::Warning("Chyba: nelze přepsat výstupní soubor")},
         false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString base = folder.path() + "/";
        QString path = QString::fromUtf8(c.path);
        if (path.contains('/') || c.setup != Nothing || c.program) path = base + path;
        if (c.setup != Nothing) {
            QDir().mkpath(ExtractFilePath(path));
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        if (c.setup == ReadOnlyFolder)
            QFile::setPermissions(ExtractFilePath(path), QFile::ReadOwner | QFile::ExeOwner);
        TfrmExpXML window(TXmlExportKind::Offers);
        window.edtExpSoubor->setText(path);
        window.chckExtProgram->setChecked(c.program);
        window.edtExtProgram->setText(QString::fromUtf8(c.programPath));
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectAll(c.dialogs);
            TFilePermissionsApply modes;
            window.btnOk->click();
            dialogs.Verify();
            if (c.exported) {
                EXPECT_EQ(dialogs.Shown().back().text, QString::fromUtf8(kXmlExportDone).arg(path));
            }
        }
        EXPECT_EQ(window.result() == QDialog::Accepted, c.exported);
        if (c.exported) {
            EXPECT_TRUE(ReadFile(path).startsWith("<?xml"));
        } else if (c.setup == FileThere) {
            EXPECT_EQ(ReadFile(path), "old");
        }
        if (c.setup == ReadOnlyFolder)
            QFile::setPermissions(ExtractFilePath(path),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST_F(ExpXMLDialogTest, TheChoicesOfAKindAreRememberedAfterOkAndTheProgramGetsTheFile) {
    // The address settings must not leak into the offer dialog, nor a value that is no flag.
    Store(34, PathOf("stara.xml"));
    Store(35, "/opt/zpracovani/nacti");
    Store(36, "-1");
    Store(37, "ano");
    Store(43, "-1");
    TFakeProgramLauncher launcher;
    const QString path = PathOf("s mezerou/nabidka.xml");
    QDir().mkdir(PathOf("s mezerou"));
    OnNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<TfrmExpXML*>(modal);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(kXmlExportCaption));
        EXPECT_EQ(window->edtExpSoubor->text(), PathOf("stara.xml"));
        EXPECT_TRUE(window->chckExtProgram->isChecked());
        EXPECT_FALSE(window->chckPridatParam->isChecked());
        EXPECT_TRUE(window->edtExtProgram->isEnabled());
        // The program's entry, its button and the parameter box follow the check box.
        window->chckExtProgram->click();
        EXPECT_FALSE(window->edtExtProgram->isEnabled());
        EXPECT_FALSE(window->btnProchazetExtProg->isEnabled());
        EXPECT_FALSE(window->chckPridatParam->isEnabled());
        EXPECT_NE(window->edtExtProgram->palette().color(QPalette::Base),
                  QApplication::palette().color(QPalette::Base));
        window->chckExtProgram->click();
        EXPECT_TRUE(window->chckPridatParam->isEnabled());
        EXPECT_EQ(window->edtExtProgram->palette().color(QPalette::Base),
                  QApplication::palette().color(QPalette::Base));
        window->chckPridatParam->setChecked(true);
        window->edtExpSoubor->setText(" " + path + " ");
        window->btnOk->click();
    });
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kXmlExportDone).arg(path));
        EXPECT_EQ(ShowXmlExportDialog(TXmlExportKind::Offers), 0);
    }
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0].first, "/opt/zpracovani/nacti");
    // The path with its blank reaches the program whole, as its one argument.
    EXPECT_EQ(launcher.started[0].second, QStringList{path});
    EXPECT_EQ(OfferNumbers(ReadFile(path)), QStringList{"NB24017"});
    EXPECT_EQ(Stored(34), " " + path + " ");
    EXPECT_EQ(Stored(36), "-1");
    EXPECT_EQ(Stored(37), "-1");

    // Without the parameter box the program starts without arguments; Storno then keeps everything.
    Store(37, "0");
    OnNextModal([&](QWidget* modal) { qobject_cast<TfrmExpXML*>(modal)->btnOk->click(); });
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion("již existuje", true);
        dialogs.ExpectInformation(QString::fromUtf8(kXmlExportDone).arg(path));
        ShowXmlExportDialog(TXmlExportKind::Offers);
    }
    ASSERT_EQ(launcher.started.size(), 2u);
    EXPECT_TRUE(launcher.started[1].second.isEmpty());
    OnNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<TfrmExpXML*>(modal);
        window->edtExpSoubor->setText(PathOf("jina.xml"));
        window->chckExtProgram->setChecked(false);
        window->btnStorno->click();
    });
    ShowXmlExportDialog(TXmlExportKind::Offers);
    EXPECT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(Stored(34), " " + path + " ");
    EXPECT_EQ(Stored(36), "-1");
    EXPECT_FALSE(QFile::exists(PathOf("jina.xml")));
}

TEST_F(ExpXMLDialogTest, AFailedSaveKeepsTheDialogOpenAndStartsNoProgram) {
    QDir().mkdir(PathOf("zamceno"));
    QFile::setPermissions(PathOf("zamceno"), QFile::ReadOwner | QFile::ExeOwner);
    Store(34, PathOf("zamceno/nabidka.xml"));
    Store(35, "/opt/zpracovani/nacti");
    Store(36, "-1");
    TFakeProgramLauncher launcher;
    bool stayedOpen = false;
    OnNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<TfrmExpXML*>(modal);
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectError(QString::fromUtf8(kXmlSaveFailed));
            TFilePermissionsApply modes;
            window->btnOk->click();
        }
        stayedOpen = window->isVisible();
        window->btnStorno->click();
    });
    ShowXmlExportDialog(TXmlExportKind::Offers);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(launcher.started.empty());
    QFile::setPermissions(PathOf("zamceno"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(ExpXMLDialogTest, TheBrowseButtonsStartInTheFolderOfTheirPathAndPutOnTheDefaultExtension) {
    auto savedSave = XmlExportSaveDialog;
    auto savedOpen = XmlExportOpenDialog;
    QStringList asked;
    QString answer;
    XmlExportSaveDialog =
        XmlExportOpenDialog = [&](const QString& folder, const QString& title, const QString& filter) {
            asked << folder << title << filter;
            return answer;
        };
    TfrmExpXML window(TXmlExportKind::Addresses);
    window.edtExpSoubor->setText("/data/export/adresy.xml");
    answer = "/data/jine/adresar";
    window.btnProchazet->click();
    EXPECT_EQ(window.edtExpSoubor->text(), "/data/jine/adresar.XML");
    EXPECT_EQ(asked, (QStringList{"/data/export/", "Exportovat do souboru",
                                  QString::fromUtf8("Soubory XML (*.xml)|*.xml|Všechny soubory (*.*)|*.*")}));
    // A program that is there keeps its name; a cancelled pick keeps the entry.
    asked.clear();
    window.edtExtProgram->setText("/usr/bin/nic");
    answer = QStandardPaths::findExecutable("sh");
    window.btnProchazetExtProg->click();
    EXPECT_EQ(window.edtExtProgram->text(), answer);
    EXPECT_EQ(asked.mid(0, 2), (QStringList{"/usr/bin/", QString::fromUtf8("Vyberte externí program")}));
    answer.clear();
    window.btnProchazetExtProg->click();
    EXPECT_EQ(window.edtExtProgram->text(), QStandardPaths::findExecutable("sh"));
    XmlExportSaveDialog = savedSave;
    XmlExportOpenDialog = savedOpen;
}
