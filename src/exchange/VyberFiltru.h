#pragma once

#include <QString>

#include "platform/data/DataSource.h"
#include "platform/ui/VnDialog.h"

class QLineEdit;
class QPushButton;
class TVnDBGrid;

// The named option sets of a module (table `Filtry` of the firm): the picker that lists, renames
// and deletes them, and the dialog that asks for a name. Every user of the firm sees every set.

class TfrmVyberFiltru : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmVyberFiltru(QWidget* parent = nullptr);
    ~TfrmVyberFiltru() override;

    // The picker while it is open (the rename dialog renames its current row).
    static TfrmVyberFiltru* Existing();

    TDataSource dsFiltry;
    TVnDBGrid* grFiltry = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnOpravit = nullptr;
    QPushButton* btnVyjmout = nullptr;

    void btnOpravitClick();
    void btnVyjmoutClick();
    void UpdateButtons();

protected:
    void showEvent(QShowEvent* event) override;
};

class TfrmVyberFiltruDetail : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmVyberFiltruDetail(QWidget* parent = nullptr);
    QLineEdit* edtNazev = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;
    void btnOkClick();
};

// Modal result (1 when a set was chosen) with the chosen set's name and `ID`.
int ChooseSavedSettings(int module, QString& name, int& id);

// The modes of the name dialog: rename the picker's current set, or only ask for a name.
inline constexpr int kSavedSettingsRename = 0;
inline constexpr int kSavedSettingsAskName = 1;
// Modal result; the typed name in name.
int EditSavedSettingsName(int mode, QString& name);

inline constexpr const char* kConfirmPresetDelete = "Opravdu chcete vyjmout tento záznam ?";
inline constexpr const char* kPresetNameMissing = "Musíte zadat název.";
inline constexpr const char* kPresetRenameFailed =
    "Při ukládání záznamu došlo k chybě: metoda \"Execute\" selhala.";
