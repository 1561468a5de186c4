#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/data/MemTable.h"
#include "platform/shell/DesktopHelper.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class TfrmTisk;

// Sending the current offer by e-mail as a PDF, and moving an offer that was printed or sent from
// in preparation or correction to sent. The mail client only gets the message to show: the user
// completes and sends it there. The current offer is the current row of the offer list query.

// The recipient and whether the offer's linked documents go along.
class TfrmPoslatMail : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmPoslatMail(QWidget* parent = nullptr);

    QLineEdit* edtEmailAdresa = nullptr;
    QCheckBox* chckPripojDoc = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;
    // The attachment paths in order, the PDF first.
    TMemTable mtAttach;

    // OK needs an address.
    void acbtnOkExecute();
};

// What the mail client is handed: one recipient, no subject, no body, the files in order.
struct TMailMessage {
    QString To;
    QStringList Attachments;
};
// How handing a message to the desktop's mail client went.
enum class TMailResult {
    Handed,         // the client shows the message
    NoMailProgram,  // no mail program is installed (or no way to reach one)
    Failed,         // the client was there but did not take the message
};
// Hands the message to the desktop's mail client. Tests replace it.
extern std::function<TMailResult(const TMailMessage&)> MailSender;

// The e-mail of the dialog's current offer report: 0 when the mail client was called, else -1.
int SendOfferByEmail(TfrmTisk& dialog);

// Offers to mark the current offer as sent. -1 when the question was not asked because of the
// user's rights or the offer's lock (locked flag, or the offer open elsewhere); 0 otherwise.
int MarkOfferSent();

// The fixed name of the e-mailed PDF in the private temporary folder.
QString OfferPdfPath();

inline constexpr const char* kMailCaption = "Odeslat e-mail";
inline constexpr const char* kCannotOverwriteTemp = "Nelze přepsat dočasný soubor %1";
inline constexpr const char* kEnterEmail = "Zadejte platnou e-mailovou adresu.";
inline constexpr const char* kGeneratingMail =
    "Generování e-mailu, spouštění výchozího poštovního klienta\r[prosím čekejte]";
inline constexpr const char* kMissingAttachment =
    "Soubor %1 neexistuje a nebude tedy připojen k e-mailu. Chcete pokračovat ?";
inline constexpr const char* kNoMailProgram = kDesktopNoMailProgram;
inline constexpr const char* kMailProgramFailed = "Poštovní program nepřevzal e-mail k odeslání.";
inline constexpr const char* kSavePdfInstead = "\r\rChcete nabídku místo toho uložit jako soubor PDF?";
inline constexpr const char* kSavePdfTitle = "Uložit nabídku jako PDF";
inline constexpr const char* kSavePdfFilter = "Soubory PDF (*.pdf)|*.pdf|Všechny soubory (*.*)|*.*";
inline constexpr const char* kPdfSaved = "Nabídka byla uložena do souboru %1.";
inline constexpr const char* kPdfNotSaved = "Soubor %1 nelze uložit.";
inline constexpr const char* kMarkSentQuestion =
    "Chcete nabídku %1 označit příznakem \"odeslaná (čekáme na vyjádření odběratele)\" ?";
