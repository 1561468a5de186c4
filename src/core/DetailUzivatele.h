#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>

#include "platform/ui/RxSpinEdit.h"
#include "platform/ui/VnDialog.h"

// The card of one user: name, profile, number, password, contacts, the level of every area and
// every yes/no right, the offers he sees and the firm he starts in. The card checks what it can
// see by itself; EditUser checks the rest against the table and writes it.
class TfrmDetailUzivatele : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmDetailUzivatele(QWidget* parent = nullptr);

    QLineEdit* edtJmeno = nullptr;
    QLineEdit* edtKonfigurace = nullptr;
    TRxSpinEdit* edtIDUziv = nullptr;
    QLineEdit* edtHeslo = nullptr;
    QLineEdit* edtHeslo2 = nullptr;
    QLineEdit* edtTelefon = nullptr;
    QLineEdit* edtEmail = nullptr;
    QPushButton* btnPrefiltr = nullptr;
    QCheckBox* chckUseStartDBName = nullptr;
    QLineEdit* edtStartDBName = nullptr;
    QPushButton* btnStartDBName = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    // The level combo box and the check box of each right, by the column they are stored in.
    QComboBox* Level(const QString& column) const { return levels_.value(column); }
    QCheckBox* Right(const QString& column) const { return rights_.value(column); }
    const QMap<QString, QComboBox*>& Levels() const { return levels_; }
    const QMap<QString, QCheckBox*>& Rights() const { return rights_; }

    // The creator prefilter as the card edits it; written only when the card is saved.
    QString PrefiltrList;

    // OK keeps the card open while the name is missing, the start firm is on without a firm, or
    // the two passwords differ.
    void btnOKClick();
    void UpdateControls();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QMap<QString, QComboBox*> levels_;
    QMap<QString, QCheckBox*> rights_;
};

// The card of a new user, or of the user the list stands on. 0 when saved or cancelled, -1 when
// the user has gone or the write failed (the user has been told).
int EditUser(bool isNew);

inline constexpr const char* kNameMissingText = "Zadejte jméno uživatele.";
inline constexpr const char* kStartFirmMissingText =
    "Vyberte firmu, do které se program po přihlášení automaticky přepne (případně funkci vypněte).";
inline constexpr const char* kPasswordsDifferText =
    "Zadaná hesla se neshodují (upozornění: program rozlišuje velikost písmen).";
inline constexpr const char* kPasswordTakenText =
    "Zadané heslo již existuje. Heslo musí být jedinečné, zadejte jiné.";
inline constexpr const char* kUserNumberTakenText =
    "Zadané ID uživatele již existuje. Toto číslo musí být jedinečné, zadejte jiné.";
inline constexpr const char* kNoAdministratorText = "Alespoň jeden uživatel musí mít práva administrátora.";
inline constexpr const char* kUserChangedText =
    "Změny se projeví až po ukončení programu a opětovném přihlášení daného uživatele.";
