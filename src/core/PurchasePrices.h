#pragma once

#include <QStringList>
#include <functional>

class QAction;
class QWidget;
class TColumn;

// The one switch that shows or hides purchase prices, margins, rabats and profit on screen for
// the whole program. It lives in memory only: every firm opening and the settings dialog set it
// again from the user's profile, and Ctrl+Q flips it in between. A user without the right to see
// purchase prices never gets it on.

// True means shown.
extern bool ShowPurchasePrices;

// With ask, the user confirms the flip first (-1 when he declines, nothing changed); without it
// the current value is only applied. Without the right the switch goes off without a question.
// The value is then applied to the long-lived windows that show purchase prices. 0 otherwise.
int TogglePurchasePriceDisplay(bool ask);

// Shows or hides a window's purchase-price controls and grid columns, for the windows made at
// start-up that carry them (found by their object name); other windows are left alone.
void ApplyPurchasePriceDisplay(QWidget* window, bool visible);

// Hides a grid column without moving it or changing its width or the user's stored layout: its
// numbers print as blanks, and its title and footer texts take their own background colours.
void SetPurchasePriceColumnVisible(TColumn* column, bool visible, bool withFooter);

// Gives the window the action acSHNC (Ctrl+Q) that flips the switch after the confirmation;
// afterToggle runs when the switch was applied, so a window can show or hide its own labels.
QAction* AddPurchasePriceAction(QWidget* window, std::function<void()> afterToggle = {});

inline constexpr const char* kHidePurchasePricesQuestion =
    "Opravdu chcete vypnout zobrazování nákupních cen a zisku ?";
inline constexpr const char* kShowPurchasePricesQuestion =
    "Opravdu chcete zapnout zobrazování nákupních cen a zisku ?";
