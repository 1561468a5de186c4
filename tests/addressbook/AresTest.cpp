#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "addressbook/Ares.h"
#include "addressbook/AresOvereni.h"
#include "common/LoopbackHttpServer.h"
#include "common/ScriptedDialogs.h"
#include "platform/ui/ModalHelper.h"

namespace {

// A reply of the register in its own format, with the address elements given.
QByteArray Reply(const QByteArray& address, const QByteArray& name = "Elektro Novák s.r.o.",
                 const QByteArray& count = "1") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<are:Ares_odpovedi xmlns:are=\"http://example.invalid/are\" "
           "xmlns:dtt=\"http://example.invalid/dtt\">\n"
           " <are:Odpoved>\n"
           "  <are:Pocet_zaznamu>" +
           count +
           "</are:Pocet_zaznamu>\n"
           "  <are:Zaznam>\n"
           "   <are:Obchodni_firma>" +
           name +
           "</are:Obchodni_firma>\n"
           "   <are:ICO>25596641</are:ICO>\n"
           "   <are:Identifikace><are:Adresa_ARES>" +
           address +
           "</are:Adresa_ARES></are:Identifikace>\n"
           "  </are:Zaznam>\n"
           " </are:Odpoved>\n"
           "</are:Ares_odpovedi>\n";
}

// The register's answer for a firm, shaped as the register writes it, with the seat given.
QByteArray JsonFirm(const QByteArray& seat, const QByteArray& dic = "\"dic\":\"CZ25596641\",") {
    return "{\"ico\":\"25596641\",\"obchodniJmeno\":\"Elektro Novák s.r.o.\"," + dic +
           "\"pravniForma\":\"112\",\"financniUrad\":\"451\",\"datumVzniku\":\"1998-04-01\",\"sidlo\":{" +
           seat + (seat.isEmpty() ? "" : ",") +
           "\"kodStatu\":\"CZ\",\"nazevStatu\":\"Česká republika\",\"kodKraje\":52},"
           "\"adresaDorucovaci\":{\"radekAdresy1\":\"Gočárova třída 1754/48a\"},"
           "\"seznamRegistraci\":{\"stavZdrojeVr\":\"AKTIVNI\"},\"czNace\":[\"4321\",\"4651\"]}";
}

const QByteArray kJsonSeat =
    "\"nazevObce\":\"Hradec Králové\",\"nazevCastiObce\":\"Pražské Předměstí\",\"nazevUlice\":\"Gočárova "
    "třída\","
    "\"cisloDomovni\":1754,\"cisloOrientacni\":48,\"cisloOrientacniPismeno\":\"a\",\"psc\":50002,"
    "\"textovaAdresa\":\"Gočárova třída 1754/48a, Pražské Předměstí, 50002 Hradec Králové\"";

QByteArray JsonReply(const QByteArray& body, const QByteArray& status = "200 OK") {
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\n\r\n" + body;
}

// Where the register's older XML service asked.
constexpr const char* kXmlQueryPath = "/cgi-bin/ares/darv_std.cgi?ico=";
// Where the register asks now, on the test's server.
constexpr const char* kJsonPath = "/ekonomicke-subjekty-v-be/rest/ekonomicke-subjekty/";

const QByteArray kFullAddress =
    "<dtt:Nazev_obce>Hradec Králové</dtt:Nazev_obce><dtt:Nazev_ulice>Gočárova třída</dtt:Nazev_ulice>"
    "<dtt:Cislo_domovni>1754</dtt:Cislo_domovni><dtt:Cislo_do_adresy>48a</dtt:Cislo_do_adresy>"
    "<dtt:PSC>50002</dtt:PSC>";

// Points the register at a server of the test's own for as long as it lives, asking the way the
// older XML service was asked; the JSON tests ask as the register does now.
class AresTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedAddress_ = AresAddress;
        savedOptions_ = AresHttpOptions;
        AresAddress = Address(kXmlQueryPath);
    }
    void TearDown() override {
        AresAddress = savedAddress_;
        AresHttpOptions = savedOptions_;
    }
    QString Address(const char* path) const {
        return QString::fromLatin1("http://" + server_.HostAndPort()) + QString::fromLatin1(path);
    }

    TLoopbackHttpServer server_;
    QString savedAddress_;
    THttpOptions savedOptions_;
};

}  // namespace

TEST_F(AresTest, AFoundFirmGivesItsNameAndAddressAndTheIcoIsSentWithoutBlanks) {
    server_.SetBody(Reply(kFullAddress));
    TAres ares;
    ASSERT_TRUE(ares.AresLookup(" 255 966 41 "));
    EXPECT_EQ(ares.Name, QString::fromUtf8("Elektro Novák s.r.o."));
    // The house number is the first of the two numbers the register gives.
    EXPECT_EQ(ares.Street, QString::fromUtf8("Gočárova třída 1754"));
    EXPECT_EQ(ares.PostalCode, "50002");
    EXPECT_EQ(ares.Town, QString::fromUtf8("Hradec Králové"));
    EXPECT_EQ(ares.ICO, "25596641");
    EXPECT_TRUE(ares.Error.isEmpty());
    ASSERT_EQ(server_.Requests().size(), 1);
    EXPECT_EQ(server_.Requests()[0], QByteArray(kXmlQueryPath) + "25596641");
}

TEST_F(AresTest, TheRegistersJsonAnswerGivesNameAddressAndVatNumber) {
    AresAddress = Address(kJsonPath);
    server_.SetReply(JsonReply(JsonFirm(kJsonSeat)));
    TAres ares;
    ASSERT_TRUE(ares.AresLookup(" 255 966 41 "));
    EXPECT_EQ(ares.Name, QString::fromUtf8("Elektro Novák s.r.o."));
    EXPECT_EQ(ares.Street, QString::fromUtf8("Gočárova třída 1754/48a"));
    EXPECT_EQ(ares.PostalCode, "50002");
    EXPECT_EQ(ares.Town, QString::fromUtf8("Hradec Králové"));
    EXPECT_EQ(ares.ICO, "25596641");
    EXPECT_EQ(ares.DIC, "CZ25596641");
    EXPECT_TRUE(ares.Error.isEmpty());
    EXPECT_EQ(server_.Requests(), QList<QByteArray>{QByteArray(kJsonPath) + "25596641"});
}

TEST_F(AresTest, TheJsonStreetIsBuiltFromWhatTheSeatHas) {
    AresAddress = Address(kJsonPath);
    struct Case {
        const char* what;
        QByteArray seat;
        const char* street;
    };
    const Case kCases[] = {
        {"street and house", "\"nazevUlice\":\"Palackého\",\"cisloDomovni\":12", "Palackého 12"},
        {"street, house and number on the street",
         "\"nazevUlice\":\"Palackého\",\"cisloDomovni\":12,\"cisloOrientacni\":3", "Palackého 12/3"},
        {"a village without streets", "\"nazevObce\":\"Lhota\",\"cisloDomovni\":45", " 45"},
        {"street without number", "\"nazevUlice\":\"Na Výsluní\"", "Na Výsluní"},
        {"nothing", "", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        server_.SetReply(JsonReply(JsonFirm(c.seat, "")));
        TAres ares;
        ASSERT_TRUE(ares.AresLookup("25596641"));
        EXPECT_EQ(ares.Street, QString::fromUtf8(c.street));
        EXPECT_TRUE(ares.DIC.isEmpty());
    }
}

TEST_F(AresTest, ARegisterThatMovedIsFollowedToItsNewAddress) {
    AresAddress = Address("/stare/");
    server_.SetReplyFor("/stare/25596641",
                        "HTTP/1.1 301 Moved Permanently\r\nLocation: " + Address(kJsonPath).toLatin1() +
                            "25596641\r\nContent-Length: 0\r\n\r\n");
    server_.SetReply(JsonReply(JsonFirm(kJsonSeat)));
    TAres ares;
    ASSERT_TRUE(ares.AresLookup("25596641"));
    EXPECT_EQ(ares.Town, QString::fromUtf8("Hradec Králové"));
}

TEST_F(AresTest, TheStreetIsBuiltFromWhatTheAddressHas) {
    struct Case {
        const char* what;
        QByteArray address;
        const char* street;
    };
    const Case kCases[] = {
        {"street and house",
         "<dtt:Nazev_ulice>Palackého</dtt:Nazev_ulice><dtt:Cislo_domovni>12</dtt:Cislo_domovni>",
         "Palackého 12"},
        {"street and address number only",
         "<dtt:Nazev_ulice>Palackého</dtt:Nazev_ulice><dtt:Cislo_do_adresy>7b</dtt:Cislo_do_adresy>",
         "Palackého 7b"},
        {"a village without streets", "<dtt:Cislo_domovni>45</dtt:Cislo_domovni>", " 45"},
        {"street without number", "<dtt:Nazev_ulice>Na Výsluní</dtt:Nazev_ulice>", "Na Výsluní"},
        {"nothing", "", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        server_.SetBody(Reply(c.address));
        TAres ares;
        ASSERT_TRUE(ares.AresLookup("25596641"));
        EXPECT_EQ(ares.Street, QString::fromUtf8(c.street));
    }
}

TEST_F(AresTest, FailuresCarryTheirOwnSentence) {
    const auto ok = [](const QByteArray& body) {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    };
    const QString unreadable = QString::fromUtf8(kAresUnreadable).arg("25596641");
    const QString unreachable = QString::fromUtf8(kAresUnreachable);
    struct Case {
        const char* path;
        const char* what;
        QByteArray reply;
        QString error;
    };
    const Case kCases[] = {
        {kJsonPath, "unknown IČ",
         JsonReply("{\"kod\":\"NENALEZENO\",\"popis\":\"Ekonomický subjekt nenalezen.\"}", "404 Not Found"),
         QString::fromUtf8(kAresNotFound).arg("25596641")},
        {kJsonPath, "malformed JSON", JsonReply("{\"ico\":\"25596641\",\"obchodniJmeno\":"), unreadable},
        {kJsonPath, "not an object", JsonReply("[]"), unreadable},
        {kJsonPath, "no firm in it", JsonReply("{\"kod\":\"CHYBA\"}"), unreadable},
        {kJsonPath, "JSON server error", JsonReply("{}", "500 Internal Server Error"), unreachable},
        {kJsonPath, "closed at once", "", unreachable},
        {kXmlQueryPath, "count 0", ok(Reply("", "", "0")), QString::fromUtf8(kAresNotFound).arg("25596641")},
        {kXmlQueryPath, "not XML", ok("no answer"), unreadable},
        {kXmlQueryPath, "broken XML", ok("<a><are:Odpoved></a>"), unreadable},
        {kXmlQueryPath, "no answer element",
         ok("<?xml version=\"1.0\"?><are:Ares_odpovedi><are:Jina/></are:Ares_odpovedi>"), unreadable},
        {kXmlQueryPath, "no count",
         ok("<are:Ares_odpovedi><are:Odpoved><are:Zaznam/></are:Odpoved></are:Ares_odpovedi>"), unreadable},
        {kXmlQueryPath, "count without record",
         ok("<are:Ares_odpovedi><are:Odpoved><are:Pocet_zaznamu>1</are:Pocet_zaznamu></are:Odpoved>"
            "</are:Ares_odpovedi>"),
         unreadable},
        {kXmlQueryPath, "cut short",
         "HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\n<?xml version=\"1.0\"?><are:A>", unreachable},
        {kXmlQueryPath, "server error", "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n",
         unreachable},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        AresAddress = Address(c.path);
        server_.SetReply(c.reply);
        TAres ares;
        EXPECT_FALSE(ares.AresLookup("25596641"));
        EXPECT_EQ(ares.Error, c.error);
    }
    // A register that never answers is given up after the look-up's time.
    AresHttpOptions.totalMs = 200;
    server_.SetSilent(true);
    TAres ares;
    EXPECT_FALSE(ares.AresLookup("25596641"));
    EXPECT_EQ(ares.Error, unreachable);
}

TEST_F(AresTest, AnUnreachableRegisterAndAnIcoThatIsNoNumber) {
    // Nobody listens on the port of a server that has gone.
    {
        TLoopbackHttpServer gone;
        AresAddress = QString::fromLatin1("http://" + gone.HostAndPort() + "/");
    }
    TAres ares;
    EXPECT_FALSE(ares.AresLookup("25596641"));
    EXPECT_EQ(ares.Error, QString::fromUtf8(kAresUnreachable));

    // Only digits ever reach the register's query.
    AresAddress = Address(kXmlQueryPath);
    server_.SetBody(Reply(kFullAddress));
    for (const char* ico : {"1234&x=1", "12 34#", "", "   "}) {
        SCOPED_TRACE(ico);
        TAres other;
        EXPECT_FALSE(other.AresLookup(QString::fromLatin1(ico)));
        EXPECT_EQ(other.Error, QString::fromUtf8(kAresUnreadable).arg(AresIco(QString::fromLatin1(ico))));
    }
    EXPECT_TRUE(server_.Requests().isEmpty());
}

namespace {

// The five edits of an address card that the register touches, and one it must never touch.
struct TCardEdits {
    QLineEdit name, street, postalCode, town, ico, phone, dic;
    TRegisterCardFields Fields() { return {&name, &street, &postalCode, &town, &ico, &dic}; }
    QStringList Values() const {
        return {name.text(), street.text(), postalCode.text(), town.text(), ico.text(), phone.text()};
    }
    void Set(const QStringList& values) {
        QLineEdit* edits[] = {&name, &street, &postalCode, &town, &ico, &phone};
        for (int i = 0; i < 6; ++i) edits[i]->setText(values[i]);
    }
};

const QStringList kRegisterValues = {QString::fromUtf8("Elektro Novák s.r.o."),
                                     QString::fromUtf8("Gočárova třída 1754"), "50002",
                                     QString::fromUtf8("Hradec Králové")};

}  // namespace

TEST_F(AresTest, TheRegisterButtonAsksForAnIcoAndFillsAnEmptyCard) {
    server_.SetBody(Reply(kFullAddress));
    TCardEdits card;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kAresNeedsIco));
        CheckAddressInRegister(card.Fields());
    }
    EXPECT_TRUE(server_.Requests().isEmpty());

    card.Set({"", "", "", "", "25596641", "495 000 111"});
    TScriptedDialogs dialogs;
    CheckAddressInRegister(card.Fields());
    EXPECT_EQ(card.Values(), (kRegisterValues + QStringList{"25596641", "495 000 111"}));
}

TEST_F(AresTest, AnEmptyCardTakesTheVatNumberTooAndAVerificationNever) {
    AresAddress = Address(kJsonPath);
    server_.SetReply(JsonReply(JsonFirm(kJsonSeat)));
    TCardEdits card;
    card.ico.setText("25596641");
    {
        TScriptedDialogs dialogs;
        CheckAddressInRegister(card.Fields());
    }
    EXPECT_EQ(card.name.text(), QString::fromUtf8("Elektro Novák s.r.o."));
    EXPECT_EQ(card.dic.text(), "CZ25596641");
    // A filled card is only compared; its VAT number stays whatever it holds.
    card.dic.setText("CZ1");
    card.name.setText("Jiná firma");
    OnNextModal([](QWidget* modal) { modal->findChild<QPushButton*>("btnAno")->click(); });
    TScriptedDialogs dialogs;
    CheckAddressInRegister(card.Fields());
    EXPECT_EQ(card.name.text(), QString::fromUtf8("Elektro Novák s.r.o."));
    EXPECT_EQ(card.dic.text(), "CZ1");
}

TEST_F(AresTest, AFirmTheRegisterDoesNotKnowLeavesOnlyTheIcoOnTheCard) {
    server_.SetBody(Reply("", "", "0"));
    TCardEdits card;
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(
        QString::fromUtf8(kAresCannotLoad).arg(QString::fromUtf8(kAresNotFound).arg("25596641")));
    FillCardFromRegister(card.Fields(), "25596641");
    EXPECT_EQ(card.Values(), (QStringList{"", "", "", "", "25596641", ""}));
}

TEST_F(AresTest, VerifyingAFilledCard) {
    server_.SetBody(Reply(kFullAddress));
    const QStringList filled = {QString::fromUtf8("ELEKTRO NOVÁK s.r.o."),
                                QString::fromUtf8("Gočárova třída 1754"),
                                "500 02",
                                QString::fromUtf8("Hradec Králové"),
                                "25596641",
                                "495 000 111"};
    struct Case {
        const char* what;
        const char* button;
        QStringList after;
    };
    const Case kCases[] = {
        // "Ano" takes exactly the four address values; the IČ and the phone stay.
        {"yes", "btnAno", kRegisterValues + QStringList{"25596641", "495 000 111"}},
        {"no", "btnNe", filled},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        TCardEdits card;
        card.Set(filled);
        QStringList differing;
        OnNextModal([&](QWidget* modal) {
            auto* window = qobject_cast<TfrmAresOvereni*>(modal);
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->lblInfo->text(), QString::fromUtf8("Výsledek ověření IČ 25596641"));
            // A difference only in letter case is a difference.
            for (int row = 0; row < 4; ++row)
                if (window->Differs(row)) differing << window->lblAres[row]->text();
            EXPECT_TRUE(window->lblAres[0]->font().bold());
            EXPECT_FALSE(window->lblAres[1]->font().bold());
            window->findChild<QPushButton*>(c.button)->click();
        });
        TScriptedDialogs dialogs;
        CheckAddressInRegister(card.Fields());
        EXPECT_EQ(differing, (QStringList{kRegisterValues[0], "50002"}));
        EXPECT_EQ(card.Values(), c.after);
    }

    // A card that matches is told so and stays as it is.
    TCardEdits card;
    card.Set(kRegisterValues + QStringList{"25596641", "495 000 111"});
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kAresMatches));
    CheckAddressInRegister(card.Fields());
    EXPECT_EQ(card.Values(), (kRegisterValues + QStringList{"25596641", "495 000 111"}));
}

TEST_F(AresTest, AVerificationThatCannotReachTheRegisterChangesNothing) {
    server_.SetReply("HTTP/1.1 500 Error\r\nContent-Length: 0\r\n\r\n");
    TCardEdits card;
    const QStringList filled = {"Firma", "Ulice 1", "11000", "Praha 1", "25596641", ""};
    card.Set(filled);
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kAresCannotLoad).arg(QString::fromUtf8(kAresUnreachable)));
    CheckAddressInRegister(card.Fields());
    EXPECT_EQ(card.Values(), filled);
}
