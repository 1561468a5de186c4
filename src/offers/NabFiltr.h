#pragma once

#include <QString>

#include "platform/ui/VnDialog.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class TCurrencyEdit;
class TDateEdit;

// The filter of the offer list: the user's choice of conditions in "Filtr", turned into an
// in-memory filter expression on the list query. It narrows what the query read; it never changes
// the query's SQL (that is the creator prefilter's place) and never touches an offer.

class TfrmNabFiltr : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmNabFiltr(QWidget* parent = nullptr);

    QCheckBox* chckFiltrAktivni = nullptr;
    QGroupBox* gbPodminky = nullptr;
    QCheckBox* chckStav = nullptr;
    QComboBox* cbxStav = nullptr;
    QCheckBox* chckNevyrizene = nullptr;
    QCheckBox* chckNazevFirmy = nullptr;
    QLineEdit* edtNazevFirmy = nullptr;
    QPushButton* btnVyberAdresu = nullptr;
    QCheckBox* chckCastNazevFirmy = nullptr;
    QLineEdit* edtCastNazevFirmy = nullptr;
    QCheckBox* chckdleVystaveni = nullptr;
    TDateEdit* edtDatVystaveniOd = nullptr;
    TDateEdit* edtDatVystaveniDo = nullptr;
    QCheckBox* chckdlePlatnosti = nullptr;
    TDateEdit* edtDatPlatnostiOd = nullptr;
    TDateEdit* edtDatPlatnostiDo = nullptr;
    QCheckBox* chckdleVyrizeni = nullptr;
    TDateEdit* edtDatVyrizeniOd = nullptr;
    TDateEdit* edtDatVyrizeniDo = nullptr;
    QCheckBox* chckDlePopisu = nullptr;
    QLineEdit* edtDlePopisu = nullptr;
    QCheckBox* chckCastkaCelkem = nullptr;
    QComboBox* cbxCelkemSBDPH = nullptr;
    TCurrencyEdit* curCastkaCelkOd = nullptr;
    TCurrencyEdit* curCastkaCelkDo = nullptr;
    QCheckBox* chckCastVystavil = nullptr;
    QLineEdit* edtCastVystavil = nullptr;
    QCheckBox* chckZakazka = nullptr;
    QLineEdit* edtZakazka = nullptr;
    QPushButton* btnVyberZakazka = nullptr;
    QPushButton* btnZrusitZakazka = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    // The chosen firm (`Adresar.ID`, 0 until one is chosen).
    int FirmId() const;
    // The expression of the checked conditions, joined by " AND ".
    QString FilterText() const;
    // Each input enabled exactly while its condition is checked.
    void UpdateFilterControls();
    void btnOKClick();
    void btnVyberAdresuClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Shows the filter window of the open offer list and applies the choice: -1 when cancelled or
// switched off, 0 otherwise.
int BuildOfferFilter();

inline constexpr const char* kOfferFilterCaption = "Filtr";
inline constexpr const char* kPickFirmText = "vyberte z adresáře firem >>>";
inline constexpr const char* kOfferFilterRejected =
    "Některá položka filtru je vyplněná chybně, nelze aplikovat filtr.";
inline constexpr const char* kFillFirmText =
    "Vyplňte políčko \"s názvem firmy obsahující text\" nebo tuto položku vypněte.";
inline constexpr const char* kFillDescriptionText =
    "Vyplňte políčko \"s popisem obsahující text\" nebo tuto položku vypněte.";
inline constexpr const char* kFillCreatorText =
    "Vyplňte políčko \"se jménem \"Vystavil\" (i část)\" nebo tuto položku vypněte.";
