// The offer card's way to the address book's document services: the shared link card and the
// opening of a file with its program. Kept apart from the documents page, which works on the
// offer's own document model.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "addressbook/Dokumenty.h"
#include "addressbook/Odkaz.h"
#include "offers/NabidkaKart.h"
#include "platform/ui/VnDialog.h"

// The shared link card of the address book and the offers, over the card's values.
bool ShowOfferLinkCard(TfrmNabidkaKart::TLinkCardData& data) {
    TfrmOdkaz card(ApplicationMainWindow());
    card.setWindowTitle(data.Caption);
    card.edtPopis->setText(data.Description);
    card.edtOdkaz->setText(data.Link);
    card.chckZkopirovat->setChecked(data.CopyFile);
    card.chckZkopirovat->setVisible(data.CopyVisible);
    card.btnProchazet->setEnabled(data.BrowseEnabled);
    card.BrowseOnShow = data.BrowseAtOnce && data.BrowseEnabled;
    card.DocumentFolder = data.DocumentFolder;
    const bool shared = !data.SharedFolder.isEmpty();
    card.lblSouborJeUm->setVisible(shared);
    card.edtSdilenySoubor->setVisible(shared);
    card.edtSdilenySoubor->setText(data.SharedFolder);
    if (card.exec() != kResultOk) return false;
    data.Description = card.edtPopis->text();
    data.Link = card.edtOdkaz->text();
    data.CopyFile = data.CopyVisible && card.chckZkopirovat->isChecked();
    return true;
}

void OpenOfferDocument(const QString& path) { OpenDocumentFile(path); }
