#pragma once

#include <QString>

#include "platform/data/DataSource.h"
#include "pricelist/PriceListUi.h"

class QLabel;
class QPushButton;
class TADOQuery;
class TVnDBGrid;

// The lists of price levels and price groups: browsing them, picking one, and deleting one with
// the rules that name it. Items and addresses that carry a deleted code keep it.

// What the two lists share: a read-only grid of code and name, the buttons and the help panel.
class TPriceCodeList : public TPriceListDialog {
    Q_OBJECT
public:
    static constexpr int kModeBrowse = 0;
    static constexpr int kModePick = 1;

    TPriceCodeList(int mode, TADOQuery& list, const QString& nameTitle, const QString& helpText,
                   QWidget* parent = nullptr);
    ~TPriceCodeList() override;

    int Mode() const { return mode_; }
    TADOQuery& List() const { return list_; }

    TDataSource dsList;
    TVnDBGrid* grList = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnOpravit = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnObnovit = nullptr;
    QLabel* lblNapoveda = nullptr;

    // OK, Opravit and Vyjmout only while the list has rows.
    void UpdateButtons();
    void btnObnovitClick();

protected:
    void showEvent(QShowEvent* event) override;
    virtual void Edit(bool add) = 0;
    virtual void DeleteCurrent() = 0;

private:
    void Open();
    int mode_;
    TADOQuery& list_;
};

class TfrmCenHlad : public TPriceCodeList {
    Q_OBJECT
public:
    explicit TfrmCenHlad(int mode, QWidget* parent = nullptr);

protected:
    void Edit(bool add) override;
    void DeleteCurrent() override;
};

// The list of price levels over the main window's adqCenHlad, standing on levelCode (letter case
// ignored) when given. Mode 1 picks (OK shown), 0 browses. editButtons shows the buttons that
// change the list and the help panel. Unless closeAfter the query stays open on the chosen level.
// Modal result; -1 without the right.
int ShowPriceLevelList(int mode, const QString& levelCode, bool closeAfter, bool editButtons);

// The message of a deleted row that another station removed, and of a held lock, are shared with the
// group list; these are the level's own.
inline constexpr const char* kConfirmLevelDelete =
    "Opravdu chcete smazat cenovou hladinu %1? Cenová hladina bude vymazána také ze všech cenových skupin!";
