#include "core/Nastaveni.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <memory>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "offers/Sablony.h"
#include "platform/data/Field.h"
#include "platform/db/Transaction.h"
#include "platform/text/NumberFormat.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/DirectoryEdit.h"

QString FirmName;
QString FirmStreet;
QString FirmPostalCode;
QString FirmTown;
QString FirmCountry;
QString FirmICO;
QString FirmDIC;
QString FirmPhone;
QString FirmFax;
QString FirmMobile;
QString FirmEmail;
QString FirmWeb;
double VatBasicRate = 21;
double VatReducedRate = 15;
int RoundOfferTotal = 1;
QString PictureFolder;
bool LoadPicturesForPrint = true;
QString CurrencySymbol = "Kč";
THistoryLevel HistoryLevel = THistoryLevel::Detailed;
double VatFurtherReducedRate = 0;
bool StampOfferComments = true;
TDefaultVatRate DefaultVatRate = TDefaultVatRate::Basic;
TDefaultPriceType DefaultPriceType = TDefaultPriceType::WithoutVat;
QString OwnPaymentKinds;
QString OwnDeliveryKinds;

bool OfferPrintAfterNew = true;
QString NewOfferTemplate;
bool AskOnLeavingOffer = true;
bool BulkAddMarkedItems = false;
bool HidePurchasePrices = false;

QByteArray FirmLogoData;

std::function<int(TfrmNastaveni& dialog)> ExecSettingsDialog = [](TfrmNastaveni& dialog) {
    return dialog.exec();
};

namespace {

// ---- texts ----------------------------------------------------------------------------------------------

const char* const kCaption = "Nastavení";
const char* const kHelpPage = "pgNastaveni.htm";
const char* const kDataPathMark = "%DATAPATH%";
const char* const kSeriesModule = "NB";
const char* const kLogoDescription = "Logo firmy";

const char* const kMsgFirmName = "Musíte vyplnit název firmy.";
const char* const kMsgPrefix = "Musíte vyplnit prefix číselné řady.";
const char* const kMsgCurrency = "Musíte vyplnit symbol domácí měny (např. Kč apod.).";
const char* const kMsgBasicRate =
    "Zadaná Základní sazba DPH %1%2 se již používá u jiné daňové sazby v tomto programu.";
const char* const kMsgReducedRate =
    "Zadaná Snížená sazba DPH %1%2 se již používá u jiné daňové sazby v tomto programu.";
const char* const kMsgFurtherRate =
    "Zadaná Další snížená sazba DPH %1%2 se již používá u jiné daňové sazby v tomto programu.";
const char* const kMsgSaveFailed =
    "Při ukládání záznamu do \"%1\" došlo k chybě: metoda \"Execute\" selhala.";
const char* const kMsgChangeFolder =
    "Upozornění: funkce \"změna úložiště obrázků\" je určena pouze pro zkušené uživatele, nedoporučuje se "
    "provádět její změnu.\r\rOpravdu chcete pokračovat?";
const char* const kMsgNoPicture = "Soubor \"%1\" nelze načíst jako obrázek.";
const char* const kLogoNote =
    "Pokud chcete tisknout Vaše grafické logo, použijte obrázek ve formátu BMP s poměrem stran 3:2 (více "
    "informací získáte v nápovědě).";
const char* const kLogoFilter = "Bitmapy (*.bmp);;Všechny soubory (*.*)";

// Index = setting number.
const char* const kDescriptions[] = {
    "",
    "Firma - název",
    "Firma - ulice",
    "Firma - PSČ",
    "Firma - místo",
    "Firma - stát",
    "Firma - IČO",
    "Firma - DIČ",
    "Firma - telefon",
    "Firma - fax",
    "Firma - mobil",
    "Firma - e-mail",
    "Firma - internet",
    "Základní sazba DPH",
    "Snížená sazba DPH",
    "Nabídky - zaokrouhlit cenu celkem",
    "Úložiště obrázků",
    "Načítat obr. i při tisku nabídky",
    "Symbol domácí měny",
    // Misspelt since the first version; other stations look rows up by number, but the text is
    // written as it always was.
    "Hisotire akcí - úroveň logování",
    "Další snížená sazba DPH",
    "Vložit značku do komentáře",
    "Výchozí sazba DPH",
    "Výchozí typ ceny",
    "Vlastní zp. platby",
    "Vlastní doprava",
};
constexpr int kSettingCount = 25;

enum TFirmSettingNo : int {
    fsName = 1,
    fsWeb = 12,
    fsBasicRate = 13,
    fsReducedRate = 14,
    fsRoundTotal = 15,
    fsPictureFolder = 16,
    fsPicturesForPrint = 17,
    fsCurrency = 18,
    fsHistoryLevel = 19,
    fsFurtherRate = 20,
    fsStampComments = 21,
    fsDefaultVatRate = 22,
    fsDefaultPriceType = 23,
    fsPaymentKinds = 24,
    fsDeliveryKinds = 25,
};

// The firm's text settings 1 to 12 in number order.
QString* const kFirmTexts[] = {&FirmName, &FirmStreet, &FirmPostalCode, &FirmTown,   &FirmCountry, &FirmICO,
                               &FirmDIC,  &FirmPhone,  &FirmFax,        &FirmMobile, &FirmEmail,   &FirmWeb};

// Field lengths of the dialog.
constexpr int kFirmTextLengths[] = {50, 30, 10, 40, 20, 10, 20, 30, 30, 30, 50, 50};
constexpr int kOwnListLength = 255;
constexpr int kPrefixLength = 5;
constexpr int kMaxSeriesNumber = 999999999;
constexpr int kMinDigits = 3;
constexpr int kMaxDigits = 5;
constexpr int kDefaultDigits = 4;
constexpr int kCurrencyLength = 10;

// ---- conversions ----------------------------------------------------------------------------------------

// Rates are written in the writing station's number format; a row from a station with "." as
// its decimal point is read as well rather than dropped to the default.
bool TryStoredFloat(const QString& text, double& value) {
    if (TryStrToFloat(text.trimmed(), value)) return true;
    TFormatSettings dot = FormatSettings;
    dot.DecimalSeparator = '.';
    dot.ThousandSeparator = ',';
    return TryStrToFloat(text.trimmed(), value, dot);
}

QString RateText(double rate) { return FloatToStr(static_cast<long double>(rate)); }

template <class Enum>
void LoadEnum(const QString& text, Enum& target, int first, int last) {
    int value = 0;
    if (TryStrToInt(text.trimmed(), value) && value >= first && value <= last)
        target = static_cast<Enum>(value);
}

QString ExpandPictureFolder(const QString& stored) {
    QString folder = stored;
    folder.replace(QLatin1String(kDataPathMark), DataFolder, Qt::CaseInsensitive);
    return WithTrailingSlash(folder);
}

QString StoredPictureFolder(const QString& folder) {
    // Kept relative to the data folder, so the pictures are found again after the folder moves.
    if (!DataFolder.isEmpty() && folder.startsWith(DataFolder, Qt::CaseInsensitive))
        return QLatin1String(kDataPathMark) + folder.mid(DataFolder.size());
    return folder;
}

void ResetToDefaults() {
    for (QString* text : kFirmTexts) text->clear();
    VatBasicRate = 21;
    VatReducedRate = 15;
    RoundOfferTotal = 1;
    PictureFolder = DefaultPictureFolder();
    LoadPicturesForPrint = true;
    CurrencySymbol = "Kč";
    HistoryLevel = THistoryLevel::Detailed;
    VatFurtherReducedRate = 0;
    StampOfferComments = true;
    DefaultVatRate = TDefaultVatRate::Basic;
    DefaultPriceType = TDefaultPriceType::WithoutVat;
    OwnPaymentKinds.clear();
    OwnDeliveryKinds.clear();
    OfferPrintAfterNew = true;
    NewOfferTemplate.clear();
    AskOnLeavingOffer = true;
    BulkAddMarkedItems = false;
    HidePurchasePrices = false;
}

void LoadSetting(int number, const QString& text) {
    if (number >= fsName && number <= fsWeb) {
        *kFirmTexts[number - 1] = text;
        return;
    }
    double rate = 0;
    int integer = 0;
    bool flag = false;
    switch (number) {
        case fsBasicRate:
            if (TryStoredFloat(text, rate)) VatBasicRate = rate;
            break;
        case fsReducedRate:
            if (TryStoredFloat(text, rate)) VatReducedRate = rate;
            break;
        case fsFurtherRate:
            if (TryStoredFloat(text, rate)) VatFurtherReducedRate = rate;
            break;
        case fsRoundTotal:
            if (TryStrToInt(text.trimmed(), integer)) RoundOfferTotal = integer;
            break;
        case fsPictureFolder:
            PictureFolder = text;
            break;
        case fsPicturesForPrint:
            LoadPicturesForPrint = true;
            break;
        case fsCurrency:
            CurrencySymbol = text;
            break;
        case fsHistoryLevel:
            LoadEnum(text, HistoryLevel, 0, 2);
            break;
        case fsStampComments:
            if (TryStrToBool(text, flag)) StampOfferComments = flag;
            break;
        case fsDefaultVatRate:
            LoadEnum(text, DefaultVatRate, 0, 3);
            break;
        case fsDefaultPriceType:
            LoadEnum(text, DefaultPriceType, 0, 1);
            break;
        case fsPaymentKinds:
            OwnPaymentKinds = text;
            break;
        case fsDeliveryKinds:
            OwnDeliveryKinds = text;
            break;
        default:
            break;
    }
}

QString SettingText(int number) {
    if (number >= fsName && number <= fsWeb) return *kFirmTexts[number - 1];
    switch (number) {
        case fsBasicRate:
            return RateText(VatBasicRate);
        case fsReducedRate:
            return RateText(VatReducedRate);
        case fsFurtherRate:
            return RateText(VatFurtherReducedRate);
        case fsRoundTotal:
            return QString::number(RoundOfferTotal);
        case fsPictureFolder:
            return StoredPictureFolder(PictureFolder);
        case fsPicturesForPrint:
            return BoolToStoredText(true);
        case fsCurrency:
            return CurrencySymbol;
        case fsHistoryLevel:
            return QString::number(static_cast<int>(HistoryLevel));
        case fsStampComments:
            return BoolToStoredText(StampOfferComments);
        case fsDefaultVatRate:
            return QString::number(static_cast<int>(DefaultVatRate));
        case fsDefaultPriceType:
            return QString::number(static_cast<int>(DefaultPriceType));
        case fsPaymentKinds:
            return OwnPaymentKinds;
        case fsDeliveryKinds:
            return OwnDeliveryKinds;
        default:
            return {};
    }
}

QString LoadedUserValue(int number) {
    QString text;
    UserSetting(kLoad, number, {}, text);
    return text;
}

void LoadUserFlag(int number, bool& target, bool defaultValue) {
    if (!TryStrToBool(LoadedUserValue(number), target)) target = defaultValue;
}

void SaveUserValue(int number, const QString& value) {
    QString unused;
    UserSetting(kSave, number, value, unused);
}

// Closes the scratch query on every way out, so the next user of it finds it free.
struct TQueryCloser {
    TADOQuery& query;
    ~TQueryCloser() { query.Close(); }
};

void OpenFree(TADOQuery& query, const QString& sql) {
    query.Close();
    query.SetSQL(sql);
    query.Open();
}

QByteArray LoadStoredLogo() {
    TADOQuery& query = frmMain->adqAgendaFree1;
    TQueryCloser closer{query};
    OpenFree(query, "SELECT * FROM ImgData");
    if (!query.Locate("IDHodnoty", 1)) return {};
    const QVariant value = query.FieldByName("Hodnota")->Value();
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

void LoadStoredSettings() {
    TADOQuery& query = frmMain->adqAgendaFree1;
    TQueryCloser closer{query};
    OpenFree(query, "SELECT * FROM Nastaveni");
    for (int number = 1; number <= kSettingCount; ++number)
        if (query.Locate("IDHodnoty", number)) LoadSetting(number, query.FieldByName("Hodnota")->AsString());
}

void ApplyPurchasePriceSwitch() {
    ShowPurchasePrices = !HidePurchasePrices;
    TogglePurchasePriceDisplay(false);
}

void SetMainLogo(const QByteArray& data) {
    FirmLogoData = data;
    frmMain->imgLogo = QImage::fromData(data);
}

// ---- saving ---------------------------------------------------------------------------------------------

// False when a command affected no row: the user has been told, and the table is left as far as
// it got.
bool SaveFirmSettings() {
    TADOQuery& query = frmMain->adqAgendaFree1;
    TADOCommand& command = frmMain->adcAgenda1;
    TQueryCloser closer{query};
    OpenFree(query, "SELECT * FROM Nastaveni");
    for (int number = 1; number <= kSettingCount; ++number) {
        // Another station may have added rows since the dialog opened: look again each time.
        RequeryAndLocate(query);
        if (query.Locate("IDHodnoty", number)) {
            command.SetCommandText(
                "UPDATE Nastaveni SET IDHodnoty = :IDHodnoty, Popis = :Popis, Hodnota = :Hodnota WHERE ID "
                "= " +
                QString::number(query.FieldByName("ID")->AsLargeInt()));
        } else {
            command.SetCommandText(
                "INSERT INTO Nastaveni (IDHodnoty, Popis, Hodnota) VALUES (:IDHodnoty, :Popis, :Hodnota)");
        }
        command.Parameters.ParamByName("IDHodnoty")->Value = number;
        command.Parameters.ParamByName("Popis")->Value = FirmSettingDescription(number);
        command.Parameters.ParamByName("Hodnota")->Value = SettingText(number);
        if (command.Execute() == 0) {
            ShowError(QString::fromUtf8(kMsgSaveFailed).arg("Nastaveni"));
            return false;
        }
    }
    return true;
}

void SaveLogo(const QByteArray& data) {
    TADOQuery& query = frmMain->adqAgendaFree1;
    TADOCommand& command = frmMain->adcAgenda1;
    TQueryCloser closer{query};
    OpenFree(query, "SELECT * FROM ImgData");
    if (query.Locate("IDHodnoty", 1)) {
        command.SetCommandText(
            "UPDATE ImgData SET IDHodnoty = :IDHodnoty, Popis = :Popis, Hodnota = :Hodnota WHERE ID = " +
            QString::number(query.FieldByName("ID")->AsLargeInt()));
    } else {
        command.SetCommandText(
            "INSERT INTO ImgData (IDHodnoty, Popis, Hodnota) VALUES (:IDHodnoty, :Popis, :Hodnota)");
    }
    command.Parameters.ParamByName("IDHodnoty")->Value = 1;
    command.Parameters.ParamByName("Popis")->Value = QString::fromUtf8(kLogoDescription);
    // An empty logo is written as an empty picture, not as NULL, as it always was.
    command.Parameters.ParamByName("Hodnota")->Value = data.isNull() ? QByteArray("") : data;
    if (command.Execute() == 0) ShowError(QString::fromUtf8(kMsgSaveFailed).arg("ImgData"));
}

struct TSeries {
    qint64 id = -1;  // -1: the firm has no row of the series yet
    QString prefix;
    int next = 1;
    int digits = kDefaultDigits;
};

TSeries LoadSeries() {
    TADOQuery& query = frmMain->adqAgendaFree1;
    TQueryCloser closer{query};
    query.Close();
    query.SetSQL("SELECT * FROM CisRady WHERE ModulOzn=:ModulOzn");
    query.Parameters().ParamByName("ModulOzn")->Value = QString::fromLatin1(kSeriesModule);
    query.Open();
    TSeries series;
    if (query.IsEmpty()) return series;
    query.First();
    series.id = query.FieldByName("ID")->AsLargeInt();
    series.prefix = query.FieldByName("PrefixOzn")->AsString();
    series.next = query.FieldByName("Cislo")->AsInteger();
    series.digits = query.FieldByName("PocetMist")->AsInteger();
    return series;
}

void SaveSeries(const QString& prefix, int next, int digits) {
    const TSeries stored = LoadSeries();
    TADOCommand& command = frmMain->adcAgenda1;
    if (stored.id < 0) {
        command.SetCommandText(
            "INSERT INTO CisRady (PrefixOzn, Cislo, PocetMist, ModulOzn) VALUES (:PrefixOzn, :Cislo, "
            ":PocetMist, "
            ":ModulOzn)");
    } else {
        command.SetCommandText(
            "UPDATE CisRady SET PrefixOzn = :PrefixOzn, Cislo = :Cislo, PocetMist = :PocetMist, ModulOzn = "
            ":ModulOzn WHERE ID = " +
            QString::number(stored.id));
    }
    command.Parameters.ParamByName("PrefixOzn")->Value = prefix;
    command.Parameters.ParamByName("Cislo")->Value = next;
    command.Parameters.ParamByName("PocetMist")->Value = digits;
    command.Parameters.ParamByName("ModulOzn")->Value = QString::fromLatin1(kSeriesModule);
    if (command.Execute() == 0) ShowError(QString::fromUtf8(kMsgSaveFailed).arg("CisRady"));
}

// ---- the dialog's data ----------------------------------------------------------------------------------

void SetWindowColour(QWidget* widget, bool editable) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base,
                     editable ? QPalette().color(QPalette::Base) : QPalette().color(QPalette::Button));
    widget->setPalette(palette);
}

void FillDialog(TfrmNastaveni& d) {
    QLineEdit* const texts[] = {d.edNazev, d.edUlice,   d.edPSC, d.edMisto, d.edStat,  d.edICO,
                                d.edDIC,   d.edTelefon, d.edFax, d.edMobil, d.edEmail, d.edInternet};
    for (size_t i = 0; i < std::size(texts); ++i) texts[i]->setText(*kFirmTexts[i]);
    d.curZakladni->SetValue(VatBasicRate);
    d.curSnizena->SetValue(VatReducedRate);
    d.chckDalsiSnizena->setChecked(VatFurtherReducedRate != 0);
    d.curDalsiSnizena->SetValue(VatFurtherReducedRate);
    d.chckZaokrouhlit->setChecked(RoundOfferTotal == 1);
    d.cbxLogovani->setCurrentIndex(static_cast<int>(HistoryLevel));
    d.cbxVychoziSazba->setCurrentIndex(static_cast<int>(DefaultVatRate));
    d.cbxVychoziTypCeny->setCurrentIndex(static_cast<int>(DefaultPriceType));
    d.chckKomentar->setChecked(StampOfferComments);
    d.edMena->setText(CurrencySymbol);
    d.chckPlatba->setChecked(!OwnPaymentKinds.isEmpty());
    d.edPlatba->setText(OwnPaymentKinds);
    d.chckDoprava->setChecked(!OwnDeliveryKinds.isEmpty());
    d.edDoprava->setText(OwnDeliveryKinds);
    d.dirObrazky->setText(PictureFolder);
    d.chckTisk->setChecked(OfferPrintAfterNew);
    d.chckSablona->setChecked(!NewOfferTemplate.isEmpty());
    d.edSablona->setText(NewOfferTemplate);
    d.chckDotaz->setChecked(AskOnLeavingOffer);
    d.chckHromadne->setChecked(BulkAddMarkedItems);
    d.chckNezobrazovatNC->setChecked(HidePurchasePrices);

    const TSeries series = LoadSeries();
    d.edPrefix->setText(series.prefix);
    d.spCislo->setValue(series.next);
    d.spPocetMist->setValue(series.digits);
}

void TakeDialog(const TfrmNastaveni& d) {
    const QLineEdit* const texts[] = {d.edNazev, d.edUlice,   d.edPSC, d.edMisto, d.edStat,  d.edICO,
                                      d.edDIC,   d.edTelefon, d.edFax, d.edMobil, d.edEmail, d.edInternet};
    for (size_t i = 0; i < std::size(texts); ++i) *kFirmTexts[i] = texts[i]->text();
    VatBasicRate = static_cast<double>(d.curZakladni->Value());
    VatReducedRate = static_cast<double>(d.curSnizena->Value());
    VatFurtherReducedRate =
        d.chckDalsiSnizena->isChecked() ? static_cast<double>(d.curDalsiSnizena->Value()) : 0;
    RoundOfferTotal = d.chckZaokrouhlit->isChecked() ? 1 : 0;
    HistoryLevel = static_cast<THistoryLevel>(d.cbxLogovani->currentIndex());
    DefaultVatRate = static_cast<TDefaultVatRate>(d.cbxVychoziSazba->currentIndex());
    // A firm without a further reduced rate cannot start items at it.
    if (DefaultVatRate == TDefaultVatRate::FurtherReduced && VatFurtherReducedRate == 0)
        DefaultVatRate = TDefaultVatRate::Basic;
    DefaultPriceType = static_cast<TDefaultPriceType>(d.cbxVychoziTypCeny->currentIndex());
    StampOfferComments = d.chckKomentar->isChecked();
    CurrencySymbol = d.edMena->text();
    OwnPaymentKinds = d.chckPlatba->isChecked() ? d.edPlatba->text() : QString();
    OwnDeliveryKinds = d.chckDoprava->isChecked() ? d.edDoprava->text() : QString();
    PictureFolder = WithTrailingSlash(d.dirObrazky->text().trimmed());
    OfferPrintAfterNew = d.chckTisk->isChecked();
    NewOfferTemplate = d.chckSablona->isChecked() ? d.edSablona->text() : QString();
    AskOnLeavingOffer = d.chckDotaz->isChecked();
    BulkAddMarkedItems = d.chckHromadne->isChecked();
    HidePurchasePrices = d.chckNezobrazovatNC->isChecked();
}

void SaveDialog(const TfrmNastaveni& d) {
    TakeDialog(d);
    if (frmMain->lblAgendaName) frmMain->lblAgendaName->setText(FirmName);
    ApplyPurchasePriceSwitch();
    SetMainLogo(d.LogoData);

    // Every value of the dialog lives in the firm database and is stored as one unit: a save cut
    // short never leaves half of the settings new and half old.
    TTransaction transaction(frmMain->ADOConAgenda);
    SaveFirmSettings();
    SaveUserValue(usOfferPrintAfterNew, BoolToStoredText(OfferPrintAfterNew));
    SaveUserValue(usOfferTemplate, NewOfferTemplate);
    SaveUserValue(usAskOnLeavingOffer, BoolToStoredText(AskOnLeavingOffer));
    SaveUserValue(usBulkAddMarkedItems, BoolToStoredText(BulkAddMarkedItems));
    SaveUserValue(usHidePurchasePrices, BoolToStoredText(HidePurchasePrices));
    SaveLogo(d.LogoData);
    SaveSeries(d.edPrefix->text().trimmed(), d.spCislo->value(), d.spPocetMist->value());
    transaction.Commit();
}

QWidget* Labelled(const char* text, QWidget* field, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QString::fromUtf8(text), row));
    layout->addWidget(field, 1);
    return row;
}

TCurrencyEdit* RateEdit(const char* name, QWidget* parent) {
    auto* edit = new TCurrencyEdit(parent);
    edit->setObjectName(name);
    edit->SetDecimalPlaces(2);
    edit->SetDisplayFormat(",0.00;-,0.00");
    return edit;
}

QLineEdit* TextEdit(const char* name, int length, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(length);
    return edit;
}

QCheckBox* Check(const char* name, const char* text, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(name);
    return box;
}

}  // namespace

// ---- public ---------------------------------------------------------------------------------------------

QString FirmSettingDescription(int number) {
    if (number < 1 || number > kSettingCount) return {};
    return QString::fromUtf8(kDescriptions[number]);
}

QString DefaultPictureFolder() { return DataFolder + "DOKUMENTY/" + CurrentFirm + "/OBRAZKY/"; }

int FirmSettings(bool show) {
    auto dialog = std::make_unique<TfrmNastaveni>(frmMain);
    dialog->pcNastaveni->setCurrentIndex(0);
    ResetToDefaults();
    dialog->SetLogo({});
    SetMainLogo({});

    const QByteArray logo = LoadStoredLogo();
    if (!logo.isEmpty()) {
        dialog->SetLogo(logo);
        SetMainLogo(logo);
    }
    LoadStoredSettings();
    PictureFolder = ExpandPictureFolder(PictureFolder);

    LoadUserFlag(usOfferPrintAfterNew, OfferPrintAfterNew, true);
    NewOfferTemplate = LoadedUserValue(usOfferTemplate);
    LoadUserFlag(usAskOnLeavingOffer, AskOnLeavingOffer, true);
    LoadUserFlag(usBulkAddMarkedItems, BulkAddMarkedItems, false);
    LoadUserFlag(usHidePurchasePrices, HidePurchasePrices, false);
    ApplyPurchasePriceSwitch();
    if (!show) return 0;

    FillDialog(*dialog);
    dialog->pcNastaveni->setTabVisible(dialog->pcNastaveni->indexOf(dialog->tsFirma),
                                       CurrentUser.UdajeFirma_AR);
    dialog->pcNastaveni->setTabVisible(dialog->pcNastaveni->indexOf(dialog->tsGlobalni),
                                       CurrentUser.GlobalniNastaveni_AR);
    dialog->pcNastaveni->setTabVisible(dialog->pcNastaveni->indexOf(dialog->tsUzivatel),
                                       CurrentUser.UzivatelskeNastaveni_AR);
    dialog->edNazev->setFocus();
    if (ExecSettingsDialog(*dialog) == QDialog::Accepted) SaveDialog(*dialog);
    return 0;
}

TfrmNastaveni::TfrmNastaveni(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmNastaveni");
    setWindowTitle(QString::fromUtf8(kCaption));
    ChooseLogoFile = [](QWidget* owner) {
        return QFileDialog::getOpenFileName(owner, {}, {}, QString::fromUtf8(kLogoFilter));
    };

    auto* root = new QVBoxLayout(this);
    pcNastaveni = new QTabWidget(this);
    pcNastaveni->setObjectName("pcNastaveni");
    root->addWidget(pcNastaveni, 1);

    // ---- the firm
    tsFirma = new QWidget(pcNastaveni);
    tsFirma->setObjectName("tsFirma");
    auto* firmLayout = new QVBoxLayout(tsFirma);
    auto* firmForm = new QFormLayout;
    firmLayout->addLayout(firmForm);
    const std::pair<const char*, const char*> firmFields[] = {
        {"edNazev", "Název"}, {"edUlice", "Ulice"}, {"edPSC", "PSČ"},      {"edMisto", "Místo"},
        {"edStat", "Stát"},   {"edICO", "IČO"},     {"edDIC", "DIČ"},      {"edTelefon", "Telefon"},
        {"edFax", "Fax"},     {"edMobil", "Mobil"}, {"edEmail", "E-mail"}, {"edInternet", "Internet"}};
    QLineEdit** const firmEdits[] = {&edNazev, &edUlice,   &edPSC, &edMisto, &edStat,  &edICO,
                                     &edDIC,   &edTelefon, &edFax, &edMobil, &edEmail, &edInternet};
    for (size_t i = 0; i < std::size(firmFields); ++i) {
        *firmEdits[i] = TextEdit(firmFields[i].first, kFirmTextLengths[i], tsFirma);
        firmForm->addRow(QString::fromUtf8(firmFields[i].second), *firmEdits[i]);
    }
    auto* logoRow = new QHBoxLayout;
    btnLogo = new QPushButton(QString::fromUtf8("Logo (obrázek)"), tsFirma);
    btnLogo->setObjectName("btnLogo");
    auto* logoMenu = new QMenu(btnLogo);
    logoMenu->setObjectName("pmLogo");
    QAction* loadLogo = logoMenu->addAction(QString::fromUtf8("Načíst ze souboru"));
    loadLogo->setObjectName("miLogoNacist");
    QAction* clearLogo = logoMenu->addAction(QString::fromUtf8("Smazat"));
    clearLogo->setObjectName("miLogoSmazat");
    connect(loadLogo, &QAction::triggered, this, &TfrmNastaveni::LoadLogoFromFile);
    connect(clearLogo, &QAction::triggered, this, &TfrmNastaveni::ClearLogo);
    btnLogo->setMenu(logoMenu);
    imgLogo = new QLabel(tsFirma);
    imgLogo->setObjectName("imgLogo");
    imgLogo->setFixedSize(150, 100);
    imgLogo->setFrameShape(QFrame::Box);
    imgLogo->setAlignment(Qt::AlignCenter);
    auto* logoNote = new QLabel(QString::fromUtf8(kLogoNote), tsFirma);
    logoNote->setWordWrap(true);
    logoRow->addWidget(btnLogo, 0, Qt::AlignTop);
    logoRow->addWidget(imgLogo);
    logoRow->addWidget(logoNote, 1);
    firmLayout->addLayout(logoRow);
    firmLayout->addStretch();
    pcNastaveni->addTab(tsFirma, QString::fromUtf8("Údaje o firmě"));

    // ---- program-wide choices of the firm
    tsGlobalni = new QWidget(pcNastaveni);
    tsGlobalni->setObjectName("tsGlobalni");
    auto* globalLayout = new QVBoxLayout(tsGlobalni);
    auto* rates = new QGroupBox(QString::fromUtf8("Sazby DPH"), tsGlobalni);
    auto* ratesLayout = new QGridLayout(rates);
    curZakladni = RateEdit("curZakladni", rates);
    curSnizena = RateEdit("curSnizena", rates);
    chckDalsiSnizena = Check("chckDalsiSnizena", "Další snížená", rates);
    curDalsiSnizena = RateEdit("curDalsiSnizena", rates);
    ratesLayout->addWidget(new QLabel(QString::fromUtf8("Základní sazba"), rates), 0, 0);
    ratesLayout->addWidget(curZakladni, 0, 1);
    ratesLayout->addWidget(new QLabel("%", rates), 0, 2);
    ratesLayout->addWidget(new QLabel(QString::fromUtf8("Snížená sazba"), rates), 1, 0);
    ratesLayout->addWidget(curSnizena, 1, 1);
    ratesLayout->addWidget(new QLabel("%", rates), 1, 2);
    ratesLayout->addWidget(chckDalsiSnizena, 2, 0);
    ratesLayout->addWidget(curDalsiSnizena, 2, 1);
    ratesLayout->addWidget(new QLabel("%", rates), 2, 2);
    cbxVychoziSazba = new QComboBox(rates);
    cbxVychoziSazba->setObjectName("cbxVychoziSazba");
    cbxVychoziSazba->addItems({QString::fromUtf8("nulová"), QString::fromUtf8("základní"),
                               QString::fromUtf8("snížená"), QString::fromUtf8("další snížená")});
    cbxVychoziTypCeny = new QComboBox(rates);
    cbxVychoziTypCeny->setObjectName("cbxVychoziTypCeny");
    cbxVychoziTypCeny->addItems({QString::fromUtf8("bez daně"), QString::fromUtf8("s daní")});
    ratesLayout->addWidget(new QLabel(QString::fromUtf8("Výchozí sazba"), rates), 3, 0);
    ratesLayout->addWidget(cbxVychoziSazba, 3, 1, 1, 2);
    ratesLayout->addWidget(new QLabel(QString::fromUtf8("Výchozí typ ceny"), rates), 4, 0);
    ratesLayout->addWidget(cbxVychoziTypCeny, 4, 1, 1, 2);
    globalLayout->addWidget(rates);
    for (TCurrencyEdit* rate : {curZakladni, curSnizena, curDalsiSnizena}) rate->installEventFilter(this);

    auto* offers = new QGroupBox(QString::fromUtf8("Nabídky"), tsGlobalni);
    auto* offersLayout = new QGridLayout(offers);
    chckZaokrouhlit = Check("chckZaokrouhlit", "zaokrouhlit celkovou cenu nabídky", offers);
    chckKomentar = Check("chckKomentar", "při úpravě komentáře vložit datum/čas/jméno uživatele", offers);
    cbxLogovani = new QComboBox(offers);
    cbxLogovani->setObjectName("cbxLogovani");
    cbxLogovani->addItems(
        {QString::fromUtf8("Vypnuto"), QString::fromUtf8("Základní"), QString::fromUtf8("Podrobné")});
    edMena = TextEdit("edMena", kCurrencyLength, offers);
    chckPlatba = Check("chckPlatba", "vlastní hodnoty pro výklopný seznam [Platba] v nabídce *", offers);
    edPlatba = TextEdit("edPlatba", kOwnListLength, offers);
    chckDoprava = Check("chckDoprava", "vlastní hodnoty pro výklopný seznam [Doprava] v nabídce *", offers);
    edDoprava = TextEdit("edDoprava", kOwnListLength, offers);
    offersLayout->addWidget(chckZaokrouhlit, 0, 0, 1, 2);
    offersLayout->addWidget(chckKomentar, 1, 0, 1, 2);
    offersLayout->addWidget(new QLabel(QString::fromUtf8("Logování změn nabídek (historie akcí)"), offers), 2,
                            0);
    offersLayout->addWidget(cbxLogovani, 2, 1);
    offersLayout->addWidget(new QLabel(QString::fromUtf8("Symbol domácí měny"), offers), 3, 0);
    offersLayout->addWidget(edMena, 3, 1);
    offersLayout->addWidget(chckPlatba, 4, 0, 1, 2);
    offersLayout->addWidget(edPlatba, 5, 0, 1, 2);
    offersLayout->addWidget(chckDoprava, 6, 0, 1, 2);
    offersLayout->addWidget(edDoprava, 7, 0, 1, 2);
    globalLayout->addWidget(offers);

    auto* series = new QGroupBox(QString::fromUtf8("Číselná řada nabídek"), tsGlobalni);
    auto* seriesLayout = new QHBoxLayout(series);
    edPrefix = TextEdit("edPrefix", kPrefixLength, series);
    // Prefixes are upper case wherever they are typed.
    connect(edPrefix, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int at = edPrefix->cursorPosition();
        edPrefix->setText(text.toUpper());
        edPrefix->setCursorPosition(at);
    });
    spCislo = new QSpinBox(series);
    spCislo->setObjectName("spCislo");
    spCislo->setRange(1, kMaxSeriesNumber);
    spPocetMist = new QSpinBox(series);
    spPocetMist->setObjectName("spPocetMist");
    spPocetMist->setRange(kMinDigits, kMaxDigits);
    seriesLayout->addWidget(Labelled("Prefix", edPrefix, series));
    seriesLayout->addWidget(Labelled("Další číslo", spCislo, series));
    seriesLayout->addWidget(Labelled("Počet míst", spPocetMist, series));
    globalLayout->addWidget(series);

    auto* pictures = new QWidget(tsGlobalni);
    auto* picturesLayout = new QHBoxLayout(pictures);
    picturesLayout->setContentsMargins(0, 0, 0, 0);
    dirObrazky = new TDirectoryEdit(pictures);
    dirObrazky->setObjectName("dirObrazky");
    dirObrazky->SetDialogTitle(QString::fromUtf8("Vyberte složku"));
    dirObrazky->setReadOnly(true);
    dirObrazky->BrowseAction()->setVisible(false);
    SetWindowColour(dirObrazky, false);
    lblZmenit = new QLabel(QString::fromUtf8("<a href=\"#\">Změnit</a>"), pictures);
    lblZmenit->setObjectName("lblZmenit");
    connect(lblZmenit, &QLabel::linkActivated, this, &TfrmNastaveni::UnlockPictureFolder);
    picturesLayout->addWidget(new QLabel(QString::fromUtf8("Úložiště obrázků"), pictures));
    picturesLayout->addWidget(dirObrazky, 1);
    picturesLayout->addWidget(lblZmenit);
    globalLayout->addWidget(pictures);
    globalLayout->addStretch();
    pcNastaveni->addTab(tsGlobalni, QString::fromUtf8("Globální nastavení"));

    // ---- the user's own
    tsUzivatel = new QWidget(pcNastaveni);
    tsUzivatel->setObjectName("tsUzivatel");
    auto* userLayout = new QVBoxLayout(tsUzivatel);
    chckTisk = Check("chckTisk", "po vytvoření nové nabídky automaticky nabídnout tisk", tsUzivatel);
    chckSablona = Check("chckSablona", "pro novou nabídku automaticky použít šablonu", tsUzivatel);
    edSablona = new QLineEdit(tsUzivatel);
    edSablona->setObjectName("edSablona");
    edSablona->setReadOnly(true);
    btnSablona = new QPushButton("...", tsUzivatel);
    btnSablona->setObjectName("btnSablona");
    connect(btnSablona, &QPushButton::clicked, this, &TfrmNastaveni::PickTemplate);
    auto* templateRow = new QHBoxLayout;
    templateRow->addWidget(chckSablona);
    templateRow->addWidget(edSablona, 1);
    templateRow->addWidget(btnSablona);
    chckDotaz = Check("chckDotaz", "dotázat se při opuštění nabídky bez uložení (doporučeno)", tsUzivatel);
    chckHromadne =
        Check("chckHromadne", "přidávat ozn. ceník. položky hromadně (bez dotazu na počet mj)", tsUzivatel);
    chckNezobrazovatNC =
        Check("chckNezobrazovatNC", "standardně v programu nezobrazovat zisk a nákupní cenu", tsUzivatel);
    userLayout->addWidget(chckTisk);
    userLayout->addLayout(templateRow);
    userLayout->addWidget(chckDotaz);
    userLayout->addWidget(chckHromadne);
    userLayout->addWidget(chckNezobrazovatNC);
    userLayout->addStretch();
    pcNastaveni->addTab(tsUzivatel, QString::fromUtf8("Nastavení profilu uživatele"));

    // ---- buttons and keys
    auto* buttons = new QHBoxLayout;
    btnNapoveda = new QPushButton(QString::fromUtf8("Nápověda"), this);
    btnNapoveda->setObjectName("btnNapoveda");
    btnNapoveda->setAutoDefault(false);
    buttons->addWidget(btnNapoveda);
    buttons->addStretch();
    AddOkStornoButtons(this, buttons, btnOK, btnStorno, true);
    root->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (Validate()) accept();
    });
    connect(btnNapoveda, &QPushButton::clicked, this, [] { ShowHelpTopic(QString::fromLatin1(kHelpPage)); });
    auto* help = new QAction(this);
    help->setObjectName("acNapoveda");
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, btnNapoveda, &QPushButton::click);
    addAction(help);
    AddPurchasePriceAction(this);

    for (QCheckBox* box : {chckDalsiSnizena, chckPlatba, chckDoprava, chckSablona})
        connect(box, &QCheckBox::toggled, this, &TfrmNastaveni::UpdateEnabled);
    UpdateEnabled();
}

void TfrmNastaveni::SetLogo(const QByteArray& data) {
    LogoData = data;
    const QImage image = QImage::fromData(data);
    if (image.isNull()) {
        imgLogo->clear();
        return;
    }
    imgLogo->setPixmap(
        QPixmap::fromImage(image).scaled(imgLogo->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TfrmNastaveni::LoadLogoFromFile() {
    const QString path = ChooseLogoFile(this);
    if (path.isEmpty()) return;
    QFile file(path);
    const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    // Only a picture the program can show again is taken; anything else would be stored and lost.
    if (QImage::fromData(data).isNull()) {
        ShowError(QString::fromUtf8(kMsgNoPicture).arg(path));
        return;
    }
    SetLogo(data);
}

void TfrmNastaveni::ClearLogo() { SetLogo({}); }

void TfrmNastaveni::UnlockPictureFolder() {
    if (!AskQuestion(QString::fromUtf8(kMsgChangeFolder))) return;
    dirObrazky->setReadOnly(false);
    dirObrazky->BrowseAction()->setVisible(true);
    SetWindowColour(dirObrazky, true);
    QString folder = dirObrazky->text();
    if (folder.endsWith('/')) folder.chop(1);
    dirObrazky->setText(folder);
    lblZmenit->setEnabled(false);
}

void TfrmNastaveni::PickTemplate() {
    if (PickOfferTemplate(kTemplatePick, false, true) == kResultOk)
        edSablona->setText(frmMain->adqNabSablony.FieldByName("Zkratka")->AsString());
    frmMain->adqNabSablony.Close();
}

bool TfrmNastaveni::Validate() {
    if (edNazev->text().trimmed().isEmpty()) {
        ShowInformation(QString::fromUtf8(kMsgFirmName));
        return false;
    }
    if (edPrefix->text().trimmed().isEmpty()) {
        ShowInformation(QString::fromUtf8(kMsgPrefix));
        return false;
    }
    if (edMena->text().trimmed().isEmpty()) {
        ShowInformation(QString::fromUtf8(kMsgCurrency));
        return false;
    }
    // Rates are compared as the station writes them, so 15 and 15,00 are the same rate.
    const QString zero = RateText(0);
    const QString basic = RateText(static_cast<double>(curZakladni->Value()));
    const QString reduced = RateText(static_cast<double>(curSnizena->Value()));
    const QString further = RateText(static_cast<double>(curDalsiSnizena->Value()));
    if (basic == zero) {
        ShowError(QString::fromUtf8(kMsgBasicRate).arg(basic, "%"));
        return false;
    }
    if (reduced == zero || reduced == basic) {
        ShowError(QString::fromUtf8(kMsgReducedRate).arg(reduced, "%"));
        return false;
    }
    if (chckDalsiSnizena->isChecked() && (further == zero || further == basic || further == reduced)) {
        ShowError(QString::fromUtf8(kMsgFurtherRate).arg(further, "%"));
        return false;
    }
    return true;
}

bool TfrmNastaveni::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        // A click into a rate selects the whole rate, so typing replaces it.
        if (auto* edit = qobject_cast<TCurrencyEdit*>(watched)) edit->selectAll();
    }
    return TVnDialog::eventFilter(watched, event);
}

void TfrmNastaveni::UpdateEnabled() {
    curDalsiSnizena->setEnabled(chckDalsiSnizena->isChecked());
    edPlatba->setEnabled(chckPlatba->isChecked());
    edDoprava->setEnabled(chckDoprava->isChecked());
    btnSablona->setEnabled(chckSablona->isChecked());
    SetWindowColour(edSablona, chckSablona->isChecked());
}
