#pragma once

#include "platform/data/DataSource.h"
#include "pricelist/PriceListUi.h"

class QPushButton;
class TfrmNabidkaKart;
class TVnDBGrid;

// Offer templates (`NabSablony`): the list "Šablony" that picks and keeps them, the card that edits
// one under its record lock with a unique code, and what the offer card does with a chosen one.
// Templates have no right of their own: every user may keep them. The template query is the main
// window's adqNabSablony; its current row is the chosen template for every caller.

inline constexpr int kTemplatePick = 1;
inline constexpr int kTemplateBrowse = 0;

inline constexpr const char* kTemplateCodeTaken = "Zkratka \"%1\" již v seznamu existuje, zadejte jinou.";
inline constexpr const char* kConfirmTemplateOverwrite =
    "Změna šablony způsobí přepsání polí \"Text před položkami\" a \"Text za položkami\". Pokračovat ?";

// Opens the template query and, with show, the list (mode kTemplatePick or kTemplateBrowse). The list's
// modal result (1 after "OK"); 0 when not shown. With closeAfter the query is closed again; otherwise
// it stays open on the chosen template.
int PickOfferTemplate(int mode, bool closeAfter, bool show);

// The card of a new template or of the current row of adqNabSablony: 0 after a save or a cancel,
// -1 when the card was refused or the save failed (the user has been told).
int EditOfferTemplate(bool isNew);

// Takes the current row of adqNabSablony into the offer card: both texts, the heading and, when the
// template says so, the validity date counted from the date of issue.
void ApplyOfferTemplate(TfrmNabidkaKart& card);
// The card's "Šablony": picks a template and applies it, asking once per opening before texts are
// overwritten. The template query is closed afterwards.
void ChooseOfferTemplate(TfrmNabidkaKart& card);
// The card's question has not been asked yet in this opening (the card calls it when it fills).
void ResetOfferTemplateQuestion(TfrmNabidkaKart& card);

class TfrmSablony : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmSablony(QWidget* parent = nullptr);
    ~TfrmSablony() override;

    TDataSource dsNabSablony;
    TVnDBGrid* grSablony = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnOpravit = nullptr;

    // Pick (1) or browse (0): a double click picks or opens the card.
    int Mode = kTemplateBrowse;

    void UpdateButtons();
    void btnVyjmoutClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AfterCard();
};
