#pragma once

#include <QByteArray>
#include <QString>

#include "platform/shell/HttpGet.h"

// One look-up of a firm in the public company register by its identification number (IČ): a GET
// of the register's address with the IČ appended, its answer read into the firm's name, registered
// address and VAT number. The register answers JSON; an answer in the register's older XML form is
// read as well, for an address that still gives one. Nothing is cached; every look-up asks the
// register again.

// Where the register answers: the IČ is appended to this address. Tests point it at a server of
// their own.
extern QString AresAddress;
inline constexpr const char* kAresDefaultAddress =
    "https://ares.gov.cz/ekonomicke-subjekty-v-be/rest/ekonomicke-subjekty/";
// How long a look-up may take; tests shorten it.
extern THttpOptions AresHttpOptions;

class TAres {
public:
    QString Name;        // obchodniJmeno
    QString Street;      // street name and house number
    QString PostalCode;  // psc
    QString Town;        // nazevObce
    QString ICO;         // the IČ as the register gives it back
    QString DIC;         // the VAT number, empty when the firm has none
    QString Error;       // why the last look-up failed: a whole sentence, ready for a message

    // True when the register knows the firm: the fields are filled. False with Error set.
    bool AresLookup(const QString& ico);

    // Reads an answer of the register (UTF-8 JSON, or the older XML); the IČ (without blanks)
    // goes into the messages.
    bool ReadReply(const QByteArray& reply, const QString& ico);

private:
    bool ReadJsonReply(const QByteArray& reply);
    bool ReadXmlReply(const QByteArray& reply, const QString& ico);
};

// The IČ with every blank removed, as it is sent and as the messages name it.
QString AresIco(const QString& ico);

inline constexpr const char* kAresUnreachable =
    "přístup k registru ARES selhal, ověřte připojení k internetu.";
inline constexpr const char* kAresUnreadable = "IČ %1 se v registru ARES nepodařilo ověřit/načíst.";
inline constexpr const char* kAresNotFound = "v registru ARES nebyl nalezen žádný záznam pro IČ %1";
