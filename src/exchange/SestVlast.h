#pragma once

#include <QString>
#include <functional>

#include "platform/ui/VnDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The properties of one report definition: its name, description, kind and layout file. Used by
// the print dialog for a copy, a new report from disk and the properties of the current report.
class TfrmSestVlast : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmSestVlast(QWidget* parent = nullptr);

    QLineEdit* edtNazevSestavy = nullptr;
    QPlainTextEdit* edtPopisSestavy = nullptr;
    QLabel* lblTypSestavy = nullptr;
    QComboBox* cbxTypSest = nullptr;
    QLineEdit* edtNazevSouboru = nullptr;
    QLineEdit* edtKoncovka = nullptr;
    QPushButton* btnVyberSouboru = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    // OK checks the names and closes only when they will do.
    void btnOKClick();
    void btnVyberSouboruClick();
};

// The file name proposed for a copy of the layout `source` (without folder and extension): the name
// without a leading "_" and cut before "[", with the first free "[n]" from 2 on; `number` is n
// (1000 when none up to 999 is free, the file then staying at "[999]").
QString CopyFileNameProposal(const QString& source, const QString& extension, int& number);

inline constexpr const char* kReportPropertiesCaption = "Vlastnosti tiskové sestavy";
inline constexpr const char* kFileNameMissing = "Musíte zadat název souboru.";
inline constexpr const char* kFileNameUnderscore =
    "Název souboru uživatelské sestavy nesmí začínat znakem \"_\". Opravte název souboru.";
inline constexpr const char* kReportNameMissing = "Musíte zadat název sestavy.";
inline constexpr const char* kLayoutMissing = "Soubor %1 neexistuje! Zadejte existující název souboru.";
inline constexpr const char* kOverwriteLayout = "Soubor %1 již existuje, opravdu ho chcete přepsat ?";
inline constexpr const char* kCopyLayoutFailed = "Při kopírování souboru %1 na %2 došlo k chybě.";
