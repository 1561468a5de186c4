#pragma once

#include <QString>

#include "platform/ui/VnDialog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The choice of one dealer column's price: none, the base sale price, or a price level picked
// from the level list. It only answers the choice; the options window keeps it.

class TfrmVyberDealerCeny : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmVyberDealerCeny(const QString& columnCaption, QWidget* parent = nullptr);

    QGroupBox* gbxVyber = nullptr;
    QRadioButton* rbNetisknout = nullptr;
    QRadioButton* rbZaklProd = nullptr;
    QRadioButton* rbCenHlad = nullptr;
    QLineEdit* edtCenHlad = nullptr;
    QPushButton* btnVyberCenHlad = nullptr;
    QLabel* lblCenSkup = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;

    // The picked level: its `ID` (0 while none is picked) and code.
    int LevelId() const { return levelId_; }
    QString LevelCode() const;

    void btnVyberCenHladClick();
    void btnOkClick();

private:
    void UpdateState();
    int levelId_ = 0;
};

// Results of ChooseDealerPrice besides a level's `ID`.
inline constexpr int kDealerPriceCancelled = -2;
inline constexpr int kDealerPriceNone = -1;
inline constexpr int kDealerPriceBase = 0;

// -2 cancelled, -1 no price, 0 the base sale price, else the `ID` of the level whose code is put
// into levelCode.
int ChooseDealerPrice(const QString& columnCaption, QString& levelCode);

inline constexpr const char* kSelectLevel = "Vyberte cenovou hladinu.";
