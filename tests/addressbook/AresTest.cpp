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

const QByteArray kFullAddress =
    "<dtt:Nazev_obce>Hradec Králové</dtt:Nazev_obce><dtt:Nazev_ulice>Gočárova třída</dtt:Nazev_ulice>"
    "<dtt:Cislo_domovni>1754</dtt:Cislo_domovni><dtt:Cislo_do_adresy>48a</dtt:Cislo_do_adresy>"
    "<dtt:PSC>50002</dtt:PSC>";

// Points the register at a server of the test's own for as long as it lives.
class AresTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedHost_ = AresHost;
        AresHost = QString::fromLatin1(server_.HostAndPort());
    }
    void TearDown() override { AresHost = savedHost_; }

    TLoopbackHttpServer server_;
    QString savedHost_;
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
    EXPECT_EQ(server_.Requests()[0], QByteArray(kAresQueryPath) + "25596641");
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
        const char* what;
        QByteArray reply;
        QString error;
    };
    const Case kCases[] = {
        {"count 0", ok(Reply("", "", "0")), QString::fromUtf8(kAresNotFound).arg("25596641")},
        {"not XML", ok("no answer"), unreadable},
        {"broken XML", ok("<a><are:Odpoved></a>"), unreadable},
        {"no answer element", ok("<?xml version=\"1.0\"?><are:Ares_odpovedi><are:Jina/></are:Ares_odpovedi>"),
         unreadable},
        {"no count", ok("<are:Ares_odpovedi><are:Odpoved><are:Zaznam/></are:Odpoved></are:Ares_odpovedi>"),
         unreadable},
        {"count without record",
         ok("<are:Ares_odpovedi><are:Odpoved><are:Pocet_zaznamu>1</are:Pocet_zaznamu></are:Odpoved>"
            "</are:Ares_odpovedi>"),
         unreadable},
        {"cut short", "HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\n<?xml version=\"1.0\"?><are:A>",
         unreachable},
        {"server error", "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n", unreachable},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        server_.SetReply(c.reply);
        TAres ares;
        EXPECT_FALSE(ares.AresLookup("25596641"));
        EXPECT_EQ(ares.Error, c.error);
    }
}

TEST_F(AresTest, AnUnreachableRegisterAndAnIcoThatIsNoNumber) {
    // Nobody listens on the port of a server that has gone.
    {
        TLoopbackHttpServer gone;
        AresHost = QString::fromLatin1(gone.HostAndPort());
    }
    TAres ares;
    EXPECT_FALSE(ares.AresLookup("25596641"));
    EXPECT_EQ(ares.Error, QString::fromUtf8(kAresUnreachable));

    // Only digits ever reach the register's query.
    AresHost = QString::fromLatin1(server_.HostAndPort());
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
    QLineEdit name, street, postalCode, town, ico, phone;
    TRegisterCardFields Fields() { return {&name, &street, &postalCode, &town, &ico}; }
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
