#pragma once

#include <QString>
#include <functional>

#include "pricelist/PriceListUi.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TMemTable;

// The card of one linked document: its description, the path of the file, and whether the file
// is to be copied into the record's shared folder when the record is saved. It closes with OK only
// on a link that is filled in and either names an existing file or was confirmed as it is.
class TfrmOdkaz : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmOdkaz(QWidget* parent = nullptr);

    QLineEdit* edtPopis = nullptr;
    QLineEdit* edtOdkaz = nullptr;
    QPushButton* btnProchazet = nullptr;
    QCheckBox* chckZkopirovat = nullptr;
    QLabel* lblSouborJeUm = nullptr;
    QLineEdit* edtSdilenySoubor = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnNapoveda = nullptr;

    // Opens the file dialog as soon as the card shows (a link being added).
    bool BrowseOnShow = false;
    // The record's shared folder, in which a link with the token is looked for. The caller's,
    // since the address card and the offer card keep their documents in different folders.
    QString DocumentFolder;

    void btnProchazetClick();
    void btnOkClick();

    static constexpr const char* kHelpPage = "pgDokumenty.htm";

protected:
    void showEvent(QShowEvent* event) override;
};

// The file dialog of the card: gets the card and the folder to start in, answers the chosen file's
// path or an empty text. Tests replace it.
extern std::function<QString(QWidget* parent, const QString& folder)> ChooseDocumentFile;

// Adds a link to the card's documents, or edits the current one. Answers the card's modal result.
int EditDocumentLink(TMemTable& documents, bool adding);

inline constexpr const char* kLinkMissing = "Není zadán odkaz na soubor.";
inline constexpr const char* kLinkCannotCopy =
    "Zadaný odkaz na soubor %1 není platný (soubor fyzicky neexistuje), není možné ho proto zkopírovat.";
inline constexpr const char* kLinkSaveAnyway =
    "Zadaný odkaz na soubor %1 není platný (soubor fyzicky neexistuje), opravdu chcete uložit záznam ?";
inline constexpr const char* kAddLinkCaption = "Přidat odkaz na dokument";
inline constexpr const char* kEditLinkCaption = "Opravit odkaz na dokument";
