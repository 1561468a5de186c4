#pragma once

#include <QObject>

class QPushButton;
class TfrmAdrKart;
class TfrmKontakt;

// What the address card and the contact card take from the documents, postal codes and the
// company register: the "Dokumenty" tab's buttons, the postal-code picker and look-up, the register
// button, and the mail and web buttons. The cards build their fields; this wires the services in.

// The document actions of the address card, on its "Dokumenty" tab. Each acts only while its
// button is enabled and gives the focus back to the grid.
class TCardDocuments : public QObject {
    Q_OBJECT
public:
    explicit TCardDocuments(TfrmAdrKart& card);

    QPushButton* btnOtevritDoc2 = nullptr;
    QPushButton* btnPridatDoc2 = nullptr;
    QPushButton* btnOpravitDoc2 = nullptr;
    QPushButton* btnSmazatDoc2 = nullptr;

    void btnOtevritDoc2Click();
    void btnPridatDoc2Click();
    void btnOpravitDoc2Click();
    void btnSmazatDoc2Click();
    // Opening, editing and removing need a document.
    void UpdateDocumentButtons();

private:
    TfrmAdrKart& card_;
};

// Connects the address card's services; the card owns what is made.
void InstallAddressCardServices(TfrmAdrKart& card);
// The document actions installed on the card.
TCardDocuments* CardDocuments(TfrmAdrKart& card);

// After the card's documents were read: every row gets its file's icon, and for a copy a document
// in the source firm's folder becomes its full path, flagged to be copied into the new firm's folder.
void PrepareCardDocuments(TfrmAdrKart& card, bool copy);

// Connects the contact card's postal-code and mail buttons.
void InstallContactCardServices(TfrmKontakt& card);

inline constexpr const char* kConfirmLinkRemove = "Opravdu chcete vyjmout označený odkaz ?";
