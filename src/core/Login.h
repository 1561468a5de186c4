#pragma once

#include <QString>
#include <cstdint>

// Who works with the program and what he may do: the logged-in user with his rights, the login on
// the password prompt, and the scrambling of stored passwords. Every module asks CurrentUser
// before it opens a list, a card or a function; nothing here ever writes the table of users.

// How far a user may go in one area of the program (the values stored in the table of users).
enum class TAccessLevel : uint8_t {
    Full = 0,      // everything
    NoDelete = 1,  // everything but deleting
    ReadOnly = 2,  // cards open for viewing only
    NoAccess = 3,  // the area is refused
};

// The texts of the four levels, in the order of their values (the level combo boxes).
inline constexpr const char* kAccessLevelTexts[] = {"plný přístup", "bez práva smazat záznam",
                                                    "pouze pro čtení", "nepřístupno"};

inline constexpr const char* kNoRightsText =
    "Litujeme, ale pro tuto funkci nemáte potřebná přístupová práva.";
inline constexpr const char* kReadOnlyText =
    "Záznam je k dispozici pouze pro čtení, provedené změny nebude možné uložit.";
inline constexpr const char* kWrongPasswordText =
    "Zadané heslo je chybné (pozor: program rozlišuje velikost písmen).";

// The logged-in user. The defaults are the user of a program without users: every area open,
// every right granted, all offers shown, no start firm.
class TUser {
public:
    // The number the action history records as the acting user: the login fills it with the
    // user number, by which every other table refers to users.
    int32_t ID = 0;
    int32_t UzivID = 0;
    QString Jmeno;
    QString Konfigurace;
    QString Pwd;  // as typed at login, in clear
    QString Telefon;
    QString Email;
    TAccessLevel Adresar_AR = TAccessLevel::Full;
    TAccessLevel Zakazky_AR = TAccessLevel::Full;
    TAccessLevel Cenik_AR = TAccessLevel::Full;
    TAccessLevel Nabidky_AR = TAccessLevel::Full;
    TAccessLevel Import_AR = TAccessLevel::Full;
    bool HromadnePreceneni_AR = true;
    bool HromadneNastaveni_AR = true;
    TAccessLevel Poznamky_AR = TAccessLevel::Full;
    TAccessLevel SeznamAgend_AR = TAccessLevel::Full;
    bool UdajeFirma_AR = true;
    bool GlobalniNastaveni_AR = true;
    bool UzivatelskeNastaveni_AR = true;
    bool VytvoreniZalohy_AR = true;
    bool ObnoveniZalohy_AR = true;
    bool NakupniCeny_AR = true;
    bool Administrator_AR = true;
    bool Zamky_AR = true;
    bool VsechnyNabidky_AR = true;
    QString PrefiltrNabidkyVytvorID_AR;  // user numbers separated by ";"
    bool UseStartDBName = false;
    QString StartDBName;
    bool PrenosNaJinyPCExport_AR = true;
    bool PrenosNaJinyPCImport_AR = true;
    bool PrehlSestavyNab_AR = true;

    // The statement limited to the offers of the creators the user may see; unchanged for a user
    // who sees all offers.
    QString AddCreatorFilter(const QString& sqlText) const;
    // "name tel. phone  e-mail" of the user with the number, the parts he has; empty for 0 or a
    // number nobody has. Reads the main database.
    QString GetUserInfo(int uzivID) const;

    // What a refused function tells the user; the caller then stops.
    static void ShowNoRightsMessage();
    // What a card opened for viewing only tells the user; the caller goes on read-only.
    static void ShowReadOnlyMessage();
};

// The logged-in user, from the login to the end of the program. Before any login it is the
// default user.
extern TUser CurrentUser;

// The reversible scrambling of stored passwords: the same call scrambles and unscrambles.
QString ScramblePassword(const QString& text);

// Logs a user in on the password prompt when the table of users has rows, filling CurrentUser;
// with no users CurrentUser gets every right without a question. 0 when a user is logged in,
// -1 when the prompt was cancelled. The user's start firm, when he has one, becomes CurrentFirm.
int LoginUser();
