#include "core/Login.h"

#include <QLabel>
#include <memory>

#include "core/DataFolder.h"
#include "core/Main.h"
#include "core/Splash.h"
#include "platform/ui/Dialogs.h"

TUser CurrentUser;

namespace {

// Stations that share a data folder must agree on it. With 0x80 the key of the first 127
// positions has its top bit set, so a typed character never scrambles into a NUL that a text
// column would cut the password at.
constexpr unsigned kScrambleBase = 0x80;

const char* const kUsersSql = "SELECT * FROM Login ORDER BY UzivID";

// Closes a scratch query on every way out, as every user of one must.
struct TCloseOnExit {
    TADOQuery& query;
    ~TCloseOnExit() { query.Close(); }
};

TAccessLevel LevelOf(const TField* field) {
    const qint64 value = field->AsLargeInt();
    // A value no card writes refuses the area rather than opening it.
    if (value < 0 || value > static_cast<int>(TAccessLevel::NoAccess)) return TAccessLevel::NoAccess;
    return static_cast<TAccessLevel>(value);
}

void FillUserFromRow(TUser& user, const TDataSet& row, const QString& typedPassword) {
    auto text = [&row](const char* name) { return row.FieldByName(name)->AsString(); };
    auto flag = [&row](const char* name) { return row.FieldByName(name)->AsBoolean(); };
    auto level = [&row](const char* name) { return LevelOf(row.FieldByName(name)); };
    user.UzivID = row.FieldByName("UzivID")->AsInteger();
    user.ID = user.UzivID;
    user.Jmeno = text("Jmeno");
    user.Konfigurace = text("Konfigurace");
    user.Pwd = typedPassword;
    user.Telefon = text("Telefon");
    user.Email = text("Email");
    user.Adresar_AR = level("Adresar_AR");
    user.Zakazky_AR = level("Zakazky_AR");
    user.Cenik_AR = level("Cenik_AR");
    user.Nabidky_AR = level("Nabidky_AR");
    user.Import_AR = level("Import_AR");
    user.HromadnePreceneni_AR = flag("HromadnePreceneni_AR");
    user.HromadneNastaveni_AR = flag("HromadneNastaveni_AR");
    user.Poznamky_AR = level("Poznamky_AR");
    user.SeznamAgend_AR = level("SeznamAgend_AR");
    user.UdajeFirma_AR = flag("UdajeFirma_AR");
    user.GlobalniNastaveni_AR = flag("GlobalniNastaveni_AR");
    user.UzivatelskeNastaveni_AR = flag("UzivatelskeNastaveni_AR");
    user.VytvoreniZalohy_AR = flag("VytvoreniZalohy_AR");
    user.ObnoveniZalohy_AR = flag("ObnoveniZalohy_AR");
    user.NakupniCeny_AR = flag("NakupniCeny_AR");
    user.Administrator_AR = flag("Administrator_AR");
    user.Zamky_AR = flag("Zamky_AR");
    user.VsechnyNabidky_AR = flag("VsechnyNabidky_AR");
    user.PrefiltrNabidkyVytvorID_AR = text("PrefiltrNabidkyVytvorID_AR");
    user.UseStartDBName = flag("UseStartDBName");
    user.StartDBName = text("StartDBName");
    user.PrenosNaJinyPCExport_AR = flag("PrenosNaJinyPCExport_AR");
    user.PrenosNaJinyPCImport_AR = flag("PrenosNaJinyPCImport_AR");
    user.PrehlSestavyNab_AR = flag("PrehlSestavyNab_AR");
}

// The main window shows who is logged in; it may not have its label (yet), and then there is
// nothing to show.
void ShowUserName(const QString& name) {
    if (!frmMain) return;
    if (auto* label = frmMain->findChild<QLabel*>(QStringLiteral("lblUserName"))) label->setText(name);
}

// The first row, in the order of the user numbers, whose password is the typed one.
bool FindUserByPassword(TDataSet& users, const QString& typed) {
    for (users.First(); !users.Eof(); users.Next())
        if (ScramblePassword(users.FieldByName("Pwd")->AsString()) == typed) return true;
    return false;
}

// The creator numbers of a prefilter. It is spliced into the statement, so only whole numbers
// go there: whatever else a row of the table holds cannot change the statement.
QString CreatorList(const QString& prefilter) {
    QStringList numbers;
    for (const QString& part : prefilter.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 number = part.trimmed().toLongLong(&ok);
        if (ok) numbers << QString::number(number);
    }
    return numbers.join(QLatin1Char(','));
}

}  // namespace

QString ScramblePassword(const QString& text) {
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const unsigned key = (static_cast<unsigned>(i + 1) + kScrambleBase) % 256;
        // Only the low byte of a character changes, so any character comes back, and the
        // characters of an 8-bit code page scramble exactly as their codes do.
        result[i] = QChar(static_cast<char16_t>(result[i].unicode() ^ key));
    }
    return result;
}

QString TUser::AddCreatorFilter(const QString& sqlText) const {
    if (VsechnyNabidky_AR) return sqlText;
    QString text = sqlText;
    text += text.contains(QLatin1String("WHERE"), Qt::CaseSensitive) ? QLatin1String(" AND")
                                                                     : QLatin1String(" WHERE");
    return QStringLiteral("%1 (VytvorID IN (%2))").arg(text, CreatorList(PrefiltrNabidkyVytvorID_AR));
}

QString TUser::GetUserInfo(int uzivID) const {
    if (uzivID == 0) return {};
    TADOQuery& query = frmMain->adqGlobalFree2;
    query.Close();
    query.SetSQL(QStringLiteral("SELECT * FROM Login WHERE UzivID = %1").arg(uzivID));
    query.Open();
    TCloseOnExit closer{query};
    if (query.IsEmpty()) return {};
    QString info = query.FieldByName("Jmeno")->AsString();
    const QString phone = query.FieldByName("Telefon")->AsString();
    if (!phone.isEmpty()) info = QStringLiteral("%1 tel. %2").arg(info, phone);
    const QString email = query.FieldByName("Email")->AsString();
    if (!email.isEmpty()) info = QStringLiteral("%1  %2").arg(info, email);
    return info;
}

void TUser::ShowNoRightsMessage() { ShowInformation(QString::fromUtf8(kNoRightsText)); }

void TUser::ShowReadOnlyMessage() { ShowInformation(QString::fromUtf8(kReadOnlyText)); }

int LoginUser() {
    CurrentUser = TUser();
    TADOQuery& users = frmMain->adqGlobalFree1;
    users.Close();
    users.SetSQL(QString::fromLatin1(kUsersSql));
    users.Open();
    TCloseOnExit closer{users};
    if (users.IsEmpty()) {
        users.Close();
        ShowUserName(CurrentUser.Jmeno);
        return 0;
    }

    // The prompt is the splash window of start-up; without one (a login outside start-up) a
    // window of its own serves.
    std::unique_ptr<TfrmSplash> ownSplash;
    TfrmSplash* prompt = frmSplash;
    if (!prompt) {
        ownSplash = std::make_unique<TfrmSplash>();
        prompt = ownSplash.get();
    }
    prompt->hide();
    prompt->edtPassword->clear();
    for (;;) {
        prompt->PasswordMode = true;
        if (prompt->exec() != QDialog::Accepted) return -1;
        const QString typed = prompt->edtPassword->text();
        if (FindUserByPassword(users, typed)) {
            FillUserFromRow(CurrentUser, users, typed);
            break;
        }
        ShowWarning(QString::fromUtf8(kWrongPasswordText));
        prompt->edtPassword->clear();
    }
    prompt->edtPassword->clear();
    users.Close();
    ShowUserName(CurrentUser.Jmeno);
    if (CurrentUser.UseStartDBName) CurrentFirm = CurrentUser.StartDBName;
    return 0;
}
