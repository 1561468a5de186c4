#include "addressbook/Ares.h"

#include <QBuffer>

#include "addressbook/XXmlDom.h"
#include "platform/shell/HttpGet.h"

QString AresHost = QStringLiteral("wwwinfo.mfcr.cz");

namespace {

// The register answers within seconds; a look-up that hangs longer than this blocks the user for
// nothing.
constexpr THttpTimeouts kAresTimeouts{10, 30};

// Only an IČ made of digits is sent: anything else cannot be an IČ, and sending it as it stands
// would let the text reach the query string unchecked.
bool SendableIco(const QString& ico) {
    if (ico.isEmpty()) return false;
    for (const QChar c : ico)
        if (c < u'0' || c > u'9') return false;
    return true;
}

TXmlDNode* Child(const TXmlDNode* node, const char* name) {
    return node ? node->FindChild(QString::fromLatin1(name)) : nullptr;
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
    QByteArray reply;
    if (!HttpGet("http://" + AresHost + QString::fromLatin1(kAresQueryPath) + plain, reply, kAresTimeouts)) {
        Error = QString::fromUtf8(kAresUnreachable);
        return false;
    }
    return ReadReply(reply, plain);
}

bool TAres::ReadReply(const QByteArray& reply, const QString& ico) {
    Error = QString::fromUtf8(kAresUnreadable).arg(ico);
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
    Error.clear();
    return true;
}
