#include "addressbook/Ares.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include "addressbook/XXmlDom.h"

QString AresAddress = QString::fromLatin1(kAresDefaultAddress);

// The register answers within seconds; a look-up that hangs longer than this blocks the user for
// nothing. The register has moved before: a redirect to its new place is followed.
THttpOptions AresHttpOptions{10000, 30000, 5};

namespace {

// The register's answer for an IČ it does not know.
constexpr long kHttpNotFound = 404;

// Only an IČ made of digits is sent: anything else cannot be an IČ, and sending it as it stands
// would let the text reach the address unchecked.
bool SendableIco(const QString& ico) {
    if (ico.isEmpty()) return false;
    for (const QChar c : ico)
        if (c < u'0' || c > u'9') return false;
    return true;
}

TXmlDNode* Child(const TXmlDNode* node, const char* name) {
    return node ? node->FindChild(QString::fromLatin1(name)) : nullptr;
}

// House numbers and postal codes come as numbers, other values as texts; the card wants text.
QString Text(const QJsonValue& value) {
    if (value.isString()) return value.toString();
    if (value.isDouble()) return QString::number(static_cast<qint64>(value.toDouble()));
    return {};
}

// The number of a building as Czech addresses write it: the house number, and after a slash the
// number on the street with its letter ("1754/48a").
QString HouseNumber(const QJsonObject& seat) {
    QString number = Text(seat.value("cisloDomovni"));
    const QString onStreet = Text(seat.value("cisloOrientacni")) + Text(seat.value("cisloOrientacniPismeno"));
    if (!onStreet.isEmpty()) number = number.isEmpty() ? onStreet : number + u'/' + onStreet;
    return number;
}

}  // namespace

QString AresIco(const QString& ico) {
    QString plain = ico;
    plain.remove(u' ');
    return plain;
}

bool TAres::AresLookup(const QString& ico) {
    const QString plain = AresIco(ico);
    Error = QString::fromUtf8(kAresUnreadable).arg(plain);
    if (!SendableIco(plain)) return false;
    const THttpAnswer answer = HttpGetAnswer(AresAddress + plain, AresHttpOptions);
    if (!answer.Answered) {
        Error = QString::fromUtf8(kAresUnreachable);
        return false;
    }
    if (answer.Status == kHttpNotFound) {
        Error = QString::fromUtf8(kAresNotFound).arg(plain);
        return false;
    }
    // Any other refusal (an overloaded or broken register) is the register out of reach.
    if (answer.Status < 200 || answer.Status > 299) {
        Error = QString::fromUtf8(kAresUnreachable);
        return false;
    }
    return ReadReply(answer.Body, plain);
}

bool TAres::ReadReply(const QByteArray& reply, const QString& ico) {
    Error = QString::fromUtf8(kAresUnreadable).arg(ico);
    const bool read = reply.trimmed().startsWith('<') ? ReadXmlReply(reply, ico) : ReadJsonReply(reply);
    if (read) Error.clear();
    return read;
}

bool TAres::ReadJsonReply(const QByteArray& reply) {
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(reply, &parsed);
    if (parsed.error != QJsonParseError::NoError || !document.isObject()) return false;
    const QJsonObject firm = document.object();
    // An answer without the firm's number is no record of a firm.
    if (Text(firm.value("ico")).isEmpty()) return false;
    Name = Text(firm.value("obchodniJmeno"));
    ICO = Text(firm.value("ico"));
    DIC = Text(firm.value("dic"));
    const QJsonObject seat = firm.value("sidlo").toObject();
    Street = Text(seat.value("nazevUlice"));
    // A house without a street still gets its number, after a blank like any other.
    const QString number = HouseNumber(seat);
    if (!number.isEmpty()) Street += u' ' + number;
    PostalCode = Text(seat.value("psc"));
    Town = Text(seat.value("nazevObce"));
    return true;
}

bool TAres::ReadXmlReply(const QByteArray& reply, const QString& ico) {
    // The reply is read as the UTF-8 it is sent in, so every Czech letter of a name arrives whole.
    try {
        const TRef<TXmlDDocument> document = MakeRef<TXmlDDocument>();
        QBuffer buffer;
        buffer.setData(reply);
        buffer.open(QIODevice::ReadOnly);
        document->LoadFromStream(buffer);
        TXmlDNode* answer = Child(document->DocumentElement(), "are:Odpoved");
        TXmlDNode* count = Child(answer, "are:Pocet_zaznamu");
        if (!count) return false;
        if (count->GetText() == u"0") {
            Error = QString::fromUtf8(kAresNotFound).arg(ico);
            return false;
        }
        TXmlDNode* record = Child(answer, "are:Zaznam");
        if (!record) return false;
        if (TXmlDNode* name = Child(record, "are:Obchodni_firma")) Name = name->GetText();
        if (TXmlDNode* number = Child(record, "are:ICO")) ICO = number->GetText();
        if (TXmlDNode* address = Child(Child(record, "are:Identifikace"), "are:Adresa_ARES")) {
            if (TXmlDNode* street = Child(address, "dtt:Nazev_ulice")) Street = street->GetText();
            // A house without a street still gets its number, after a blank like any other.
            TXmlDNode* house = Child(address, "dtt:Cislo_domovni");
            if (!house) house = Child(address, "dtt:Cislo_do_adresy");
            if (house) Street += u' ' + house->GetText();
            if (TXmlDNode* code = Child(address, "dtt:PSC")) PostalCode = code->GetText();
            if (TXmlDNode* town = Child(address, "dtt:Nazev_obce")) Town = town->GetText();
        }
    } catch (const std::exception&) {
        // A reply that is no readable XML is a failed look-up like any other.
        return false;
    }
    return true;
}
