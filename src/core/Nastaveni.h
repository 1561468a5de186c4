#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

#include "platform/ui/VnDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TCurrencyEdit;
class TDirectoryEdit;

// The firm's own settings (rows of `Nastaveni`, the logo in `ImgData`, the offer number series in
// `CisRady`), held in process-wide values from one firm opening to the next, and the settings
// dialog that edits them with five of the user's own settings. Nothing else writes these rows.

// How much the action history records of offer changes.
enum class THistoryLevel : int { Off = 0, Basic = 1, Detailed = 2 };
// The VAT rate a new item starts with.
enum class TDefaultVatRate : int { Zero = 0, Basic = 1, Reduced = 2, FurtherReduced = 3 };
// Whether a new item's price is typed without or with VAT.
enum class TDefaultPriceType : int { WithoutVat = 0, WithVat = 1 };

// Firm settings (the number is the row's `IDHodnoty`).
extern QString FirmName;                    // 1
extern QString FirmStreet;                  // 2
extern QString FirmPostalCode;              // 3
extern QString FirmTown;                    // 4
extern QString FirmCountry;                 // 5
extern QString FirmICO;                     // 6
extern QString FirmDIC;                     // 7
extern QString FirmPhone;                   // 8
extern QString FirmFax;                     // 9
extern QString FirmMobile;                  // 10
extern QString FirmEmail;                   // 11
extern QString FirmWeb;                     // 12
extern double VatBasicRate;                 // 13, percent
extern double VatReducedRate;               // 14, percent
extern int RoundOfferTotal;                 // 15: 1 rounds offer totals, 0 does not
extern QString PictureFolder;               // 16, ends in "/"
extern bool LoadPicturesForPrint;           // 17, always true
extern QString CurrencySymbol;              // 18
extern THistoryLevel HistoryLevel;          // 19
extern double VatFurtherReducedRate;        // 20, percent; 0 = the firm has none
extern bool StampOfferComments;             // 21
extern TDefaultVatRate DefaultVatRate;      // 22
extern TDefaultPriceType DefaultPriceType;  // 23
extern QString OwnPaymentKinds;             // 24: ";"-separated, empty = the built-in list
extern QString OwnDeliveryKinds;            // 25: ";"-separated, empty = the built-in list

// The user's own settings shown by the dialog (per-user setting numbers 1, 2, 21, 44, 22).
extern bool OfferPrintAfterNew;
extern QString NewOfferTemplate;  // `Zkratka` of the template for every new offer; empty = none
extern bool AskOnLeavingOffer;
extern bool BulkAddMarkedItems;
extern bool HidePurchasePrices;

// The firm's logo as stored (the picture file's own bytes) and as shown.
extern QByteArray FirmLogoData;

// Loads every firm setting and the user's five into the values above; with `show` also runs the
// settings dialog and writes it back on OK. Always 0.
int FirmSettings(bool show);

// The description a firm setting is written with; empty outside 1 to 25.
QString FirmSettingDescription(int number);

// The folder for item pictures when the firm names none.
QString DefaultPictureFolder();

// The settings dialog. Built and filled by FirmSettings; tests reach its controls by name.
class TfrmNastaveni : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmNastaveni(QWidget* parent = nullptr);

    QTabWidget* pcNastaveni = nullptr;
    QWidget* tsFirma = nullptr;
    QWidget* tsGlobalni = nullptr;
    QWidget* tsUzivatel = nullptr;

    QLineEdit* edNazev = nullptr;
    QLineEdit* edUlice = nullptr;
    QLineEdit* edPSC = nullptr;
    QLineEdit* edMisto = nullptr;
    QLineEdit* edStat = nullptr;
    QLineEdit* edICO = nullptr;
    QLineEdit* edDIC = nullptr;
    QLineEdit* edTelefon = nullptr;
    QLineEdit* edFax = nullptr;
    QLineEdit* edMobil = nullptr;
    QLineEdit* edEmail = nullptr;
    QLineEdit* edInternet = nullptr;
    QPushButton* btnLogo = nullptr;
    QLabel* imgLogo = nullptr;

    TCurrencyEdit* curZakladni = nullptr;
    TCurrencyEdit* curSnizena = nullptr;
    QCheckBox* chckDalsiSnizena = nullptr;
    TCurrencyEdit* curDalsiSnizena = nullptr;
    QCheckBox* chckZaokrouhlit = nullptr;
    QComboBox* cbxLogovani = nullptr;
    QComboBox* cbxVychoziSazba = nullptr;
    QComboBox* cbxVychoziTypCeny = nullptr;
    QCheckBox* chckKomentar = nullptr;
    QLineEdit* edMena = nullptr;
    QCheckBox* chckPlatba = nullptr;
    QLineEdit* edPlatba = nullptr;
    QCheckBox* chckDoprava = nullptr;
    QLineEdit* edDoprava = nullptr;
    TDirectoryEdit* dirObrazky = nullptr;
    QLabel* lblZmenit = nullptr;
    QLineEdit* edPrefix = nullptr;
    QSpinBox* spCislo = nullptr;
    QSpinBox* spPocetMist = nullptr;

    QCheckBox* chckTisk = nullptr;
    QCheckBox* chckSablona = nullptr;
    QLineEdit* edSablona = nullptr;
    QPushButton* btnSablona = nullptr;
    QCheckBox* chckDotaz = nullptr;
    QCheckBox* chckHromadne = nullptr;
    QCheckBox* chckNezobrazovatNC = nullptr;

    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnNapoveda = nullptr;

    // The logo held by the dialog until OK: the picture file's bytes, empty for none.
    QByteArray LogoData;
    void SetLogo(const QByteArray& data);

    // The file the logo is loaded from; empty when the user cancelled. Replaceable for tests.
    std::function<QString(QWidget* parent)> ChooseLogoFile;

    // Runs the checks of OK in order; shows the first failure and answers false.
    bool Validate();
    // "Načíst ze souboru" and "Smazat" of the logo button, and "Změnit" of the picture folder.
    void LoadLogoFromFile();
    void ClearLogo();
    void UnlockPictureFolder();
    void PickTemplate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateEnabled();
};

// Runs the dialog modally and answers its result. Replaceable, so that tests can fill it in.
extern std::function<int(TfrmNastaveni& dialog)> ExecSettingsDialog;
