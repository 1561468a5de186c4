#pragma once

#include <QString>

#include "offers/StoredRecord.h"
#include "platform/text/OleDate.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TCurrencyEdit;
class TDateEdit;

// Orders (jobs, `Zakazka`): the offers of one job refer to it by its code. One TZakazka loads,
// checks, saves, copies or deletes one order; its card is `TfrmZakazka`. The user's level
// `Zakazky_AR` governs them; they take no record lock. An order's code never changes once it exists.

inline constexpr int kOrderCodeLength = 10;
inline constexpr int kOrderNameLength = 50;

inline constexpr const char* kOrderNotFound = "Záznam ID %1 nebyl nalezen.";
inline constexpr const char* kOrderLoadFailed = "Při načítání záznamu ID %1 došlo k chybě. ";
inline constexpr const char* kOrderNoCode = "Není vyplněna Zkratka.";
inline constexpr const char* kOrderNoName = "Není vyplněn Název.";
inline constexpr const char* kOrderCodeTaken = "Zakázka \"%1\" již existuje, zadejte jinou Zkratku.";
inline constexpr const char* kOrderSaveFailed = "Uložení záznamu selhalo.";
inline constexpr const char* kOrderDeleteFailed = "Metoda \"Delete\" selhala.";
inline constexpr const char* kOrderGone = "Tato zakázka již neexistuje.";
inline constexpr const char* kOrderCardCaption = "Karta zakázky";
inline constexpr const char* kOrderViewSuffix = " - prohlížení";

class TZakazka : public TStoredRecord {
public:
    TZakazka() = default;

    bool ReadOnly = false;
    QString Zkratka;
    QString Nazev;
    QString Poznamka;  // CR LF line ends, as memo texts are kept
    bool Uzavrena = false;
    // 0 means "not set" (stored as null).
    TDateTime DatumPlanZahajeni = 0;
    TDateTime DatumZahajeni = 0;
    TDateTime DatumPlanPredani = 0;
    TDateTime DatumPredani = 0;
    int Hodnoceni = 0;

    bool Load(int id) override;
    bool Validate();
    bool Save();
    // Shows an error box itself when the order cannot be loaded (deleted meanwhile).
    bool Delete(int id);
    bool Add();
    bool Edit(int id);
    bool Copy(int id);
    // The ID of the order with the code; 0 when there is none.
    static int FindIdByZkratka(const QString& code);
    // The card; true when it closed with OK (the order was saved).
    bool ShowDialog();
};

// The card "Karta zakázky".
class TfrmZakazka : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmZakazka(TZakazka& order, QWidget* parent = nullptr);

    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QLineEdit* edtZkratka = nullptr;
    QLineEdit* edtNazev = nullptr;
    TDateEdit* edtDatumPlanZahajeni = nullptr;
    TDateEdit* edtDatumPlanPredani = nullptr;
    TDateEdit* edtDatumZahajeni = nullptr;
    TDateEdit* edtDatumPredani = nullptr;
    QCheckBox* chckUzavrena = nullptr;
    TCurrencyEdit* curHodnoceni = nullptr;
    QPlainTextEdit* memPoznamka = nullptr;

    // "OK": every field into the order and the order saved; the card stays open on a failure.
    void btnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TZakazka& order_;
};
