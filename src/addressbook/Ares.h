#pragma once

#include <QString>

// One look-up of a firm in the public company register by its identification number (IČ): the
// register's standard query over HTTP, its XML reply read into the firm's name and registered
// address. Nothing is cached; every look-up asks the register again.

// Where the register answers: "host" or "host:port". Tests point it at a server of their own.
extern QString AresHost;

// The path and query key of the register's standard query.
inline constexpr const char* kAresQueryPath = "/cgi-bin/ares/darv_std.cgi?ico=";

class TAres {
public:
    QString Name;        // are:Obchodni_firma
    QString Street;      // street name and house number
    QString PostalCode;  // dtt:PSC
    QString Town;        // dtt:Nazev_obce
    QString ICO;         // the IČ as the register gives it back
    QString Error;       // why the last look-up failed: a whole sentence, ready for a message

    // True when the register knows the firm: the fields are filled. False with Error set.
    bool AresLookup(const QString& ico);

    // Reads a reply of the register (UTF-8 XML); the IČ (without blanks) goes into the messages.
    bool ReadReply(const QByteArray& reply, const QString& ico);
};

// The IČ with every blank removed, as it is sent and as the messages name it.
QString AresIco(const QString& ico);

inline constexpr const char* kAresUnreachable =
    "přístup k registru ARES selhal, ověřte připojení k internetu.";
inline constexpr const char* kAresUnreadable = "IČ %1 se v registru ARES nepodařilo ověřit/načíst.";
inline constexpr const char* kAresNotFound = "v registru ARES nebyl nalezen žádný záznam pro IČ %1";
