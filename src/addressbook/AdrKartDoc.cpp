#include "addressbook/AdrKartDoc.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "addressbook/AdrKart.h"
#include "addressbook/AresOvereni.h"
#include "addressbook/Dokumenty.h"
#include "addressbook/Kontakt.h"
#include "addressbook/Odkaz.h"
#include "addressbook/Psc.h"
#include "platform/data/Field.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

// Fills the town from the postal code when the user leaves the code's field.
class TPostalCodeExit : public QObject {
public:
    TPostalCodeExit(QLineEdit* postalCode, QLineEdit* town)
        : QObject(postalCode), postalCode_(postalCode), town_(town) {
        postalCode->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == postalCode_ && event->type() == QEvent::FocusOut)
            FillTownFromPostalCode(postalCode_, town_);
        return false;
    }

private:
    QLineEdit* postalCode_;
    QLineEdit* town_;
};

void DrawIconCell(TMemTable& documents, QPainter& canvas, const TRect& rect) {
    if (!documents.Active() || documents.IsEmpty()) return;
    QImage icon;
    icon.loadFromData(documents.FieldByName("SmallIcon")->Value().toByteArray(), "PNG");
    if (!icon.isNull()) canvas.drawImage(QPoint(rect.Left, rect.Top), icon);
}

}  // namespace

TCardDocuments::TCardDocuments(TfrmAdrKart& card) : QObject(&card), card_(card) {
    setObjectName("CardDocuments");
    QVBoxLayout* buttons = card.layDokumentyBtn;
    btnOtevritDoc2 = AddButton(&card, buttons, "btnOtevritDoc2", QString::fromUtf8("Otevřít dokument"),
                               QKeySequence("Alt+D"));
    btnPridatDoc2 =
        AddButton(&card, buttons, "btnPridatDoc2", QString::fromUtf8("Přidat odkaz"), QKeySequence("Alt+P"));
    btnOpravitDoc2 = AddButton(&card, buttons, "btnOpravitDoc2", "Opravit odkaz", QKeySequence("Alt+O"));
    btnSmazatDoc2 = AddButton(&card, buttons, "btnSmazatDoc2", "Vyjmout odkaz", QKeySequence("Alt+V"));
    buttons->addStretch();
    connect(btnOtevritDoc2, &QPushButton::clicked, this, &TCardDocuments::btnOtevritDoc2Click);
    connect(btnPridatDoc2, &QPushButton::clicked, this, &TCardDocuments::btnPridatDoc2Click);
    connect(btnOpravitDoc2, &QPushButton::clicked, this, &TCardDocuments::btnOpravitDoc2Click);
    connect(btnSmazatDoc2, &QPushButton::clicked, this, &TCardDocuments::btnSmazatDoc2Click);

    TVnDBGrid* grid = card.grDokumenty;
    grid->OnDblClick = [this](QObject*) { btnOtevritDoc2Click(); };
    OnEnterKey(grid, [this] { btnOtevritDoc2Click(); });
    grid->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int, TColumn* column,
                                    TGridDrawState) {
        if (column && column->Index() == 0) DrawIconCell(card_.mtTmpDokumenty, canvas, rect);
    };
    UpdateDocumentButtons();
}

void TCardDocuments::btnOtevritDoc2Click() {
    if (btnOtevritDoc2->isEnabled()) {
        DocumentFolderMode = TDocumentFolderMode::Firm;
        OpenDocumentFile(ResolveDocumentPath(card_.mtTmpDokumenty.FieldByName("File")->AsString(),
                                             TDocumentFolderMode::Firm));
    }
    card_.grDokumenty->setFocus();
}

void TCardDocuments::btnPridatDoc2Click() {
    if (btnPridatDoc2->isEnabled()) EditDocumentLink(card_.mtTmpDokumenty, true);
    UpdateDocumentButtons();
    card_.grDokumenty->setFocus();
}

void TCardDocuments::btnOpravitDoc2Click() {
    if (btnOpravitDoc2->isEnabled()) EditDocumentLink(card_.mtTmpDokumenty, false);
    UpdateDocumentButtons();
    card_.grDokumenty->setFocus();
}

void TCardDocuments::btnSmazatDoc2Click() {
    // Only the link goes: the file stays where it is.
    if (btnSmazatDoc2->isEnabled() && AskQuestion(QString::fromUtf8(kConfirmLinkRemove))) {
        card_.mtTmpDokumenty.Delete();
        UpdateDocumentButtons();
    }
    card_.grDokumenty->setFocus();
}

void TCardDocuments::UpdateDocumentButtons() {
    const bool rows = card_.mtTmpDokumenty.Active() && !card_.mtTmpDokumenty.IsEmpty();
    for (QPushButton* b : {btnOtevritDoc2, btnOpravitDoc2, btnSmazatDoc2}) b->setEnabled(rows);
}

void InstallAddressCardServices(TfrmAdrKart& card) {
    new TCardDocuments(card);
    QObject::connect(card.btnVyberPsc, &QPushButton::clicked, &card,
                     [&card] { PickPostalCode(card.edtPsc, card.edtMisto); });
    new TPostalCodeExit(card.edtPsc, card.edtMisto);
    QObject::connect(card.btnARES, &QPushButton::clicked, &card, [&card] {
        CheckAddressInRegister(
            {card.edtNazev, card.edtUlice, card.edtPsc, card.edtMisto, card.edtICO, card.edtDIC});
    });
    QObject::connect(card.btnGoEmail, &QPushButton::clicked, &card,
                     [&card] { SendMailTo(card.edtEmail->text()); });
    QObject::connect(card.btnGoWWW, &QPushButton::clicked, &card,
                     [&card] { OpenWebAddress(card.edtInternet->text()); });
}

TCardDocuments* CardDocuments(TfrmAdrKart& card) { return card.findChild<TCardDocuments*>("CardDocuments"); }

void PrepareCardDocuments(TfrmAdrKart& card, bool copy) {
    TMemTable& documents = card.mtTmpDokumenty;
    DocumentFolderMode = TDocumentFolderMode::Firm;
    for (documents.First(); !documents.Eof(); documents.Next()) {
        const QString stored = documents.FieldByName("File")->AsString();
        const QString path = ResolveDocumentPath(stored, TDocumentFolderMode::Firm);
        documents.Edit();
        // The copy's folder is another firm's: its documents must be copied there on save.
        if (copy && IsSharedFolderPath(stored)) {
            documents.FieldByName("File")->SetAsString(path);
            documents.FieldByName("CopyFile")->SetAsBoolean(true);
        }
        documents.FieldByName("SmallIcon")->SetAsVariant(FileIconBytes(path));
        documents.Post();
    }
    if (TCardDocuments* actions = CardDocuments(card)) actions->UpdateDocumentButtons();
}

void InstallContactCardServices(TfrmKontakt& card) {
    QObject::connect(card.btnVyberPsc, &QPushButton::clicked, &card,
                     [&card] { PickPostalCode(card.edtPSC, card.edtMisto); });
    new TPostalCodeExit(card.edtPSC, card.edtMisto);
    QObject::connect(card.btnGoEmail, &QPushButton::clicked, &card,
                     [&card] { SendMailTo(card.edtEmail->text()); });
}
