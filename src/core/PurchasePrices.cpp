#include "core/PurchasePrices.h"

#include <QAction>
#include <QApplication>
#include <QWidget>
#include <vector>

#include "core/Login.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

bool ShowPurchasePrices = true;

namespace {

struct TPriceColumns {
    const char* grid;
    std::vector<const char*> fields;  // upper case
    bool withFooter;
};

// What each long-lived window shows of purchase prices. Windows made later read the switch
// themselves when they are filled, so they are not here.
struct TPriceWindow {
    const char* window;
    std::vector<const char*> controls;
    std::vector<TPriceColumns> grids;
};

const std::vector<TPriceWindow>& PriceWindows() {
    static const std::vector<TPriceWindow> windows = {
        {"frmKartaZasoby",
         {"lblNakCena", "curNakCena", "lblNakCenaMena", "lblPevnaMarze", "curMarze", "lblPevnaMarzeProc",
          "lblSkutMarze", "curMarzeSkut", "lblSkutMarzeProc", "lblPevnyRabat", "curRabat",
          "lblPevnyRabatProc", "lblSkutRabat", "curRabatSkut", "lblSkutRabatProc", "chckPrepocitatCenu",
          "cbxTypHodnoty", "panZisk"},
         {}},
        {"frmNabidkaKart",
         {"lblNCCelkemLabel", "lblNCCelkemLabelEmpty", "lblNCBDPHCelkem", "lblNCBDPHCelkemMena",
          "lblZiskCelkemLabel", "lblZiskCelkemLabelEmpty", "lblZiskCelkem", "lblZiskCelkemMena"},
         {{"grPolozky", {"MARZE", "RABAT", "NAKCENA", "NAKCENAPOL", "ZISKMJ", "ZISKPOL"}, true},
          {"grNadpisoveSoucty", {"NCBDPH", "ZISK"}, false}}},
        {"frmPolozkaNab",
         {"lblNakCena", "curNakCena", "btnCalcNC", "lblNakCenaMena", "lblMarze", "curMarze", "lblRabat",
          "curRabat", "lblZiskZaMj", "curZiskZaMj", "lblZiskZaMjMena", "lblZiskZaPol", "curZiskZaPol",
          "lblZiskZaPolMena"},
         {}},
        {"frmZasoby", {}, {{"grZasoby", {"NAKCENA"}, false}}},
        {"frmNabidky", {}, {{"grNabidky", {"ZISK"}, false}}},
    };
    return windows;
}

const TPriceWindow* FindPriceWindow(const QString& name) {
    for (const TPriceWindow& w : PriceWindows())
        if (name == QLatin1String(w.window)) return &w;
    return nullptr;
}

// A format of one blank prints every number as a blank.
const char* const kHiddenFormat = " ";

}  // namespace

void SetPurchasePriceColumnVisible(TColumn* column, bool visible, bool withFooter) {
    column->SetDisplayFormat(visible ? QString() : QString::fromLatin1(kHiddenFormat));
    TColumnTitle* title = column->Title();
    title->SetFontColor(visible ? clWindowText : title->Color());
    if (withFooter) {
        TColumnFooterPanel* footer = column->FooterPanel();
        footer->SetFontColor(visible ? clWindowText : footer->Color());
    }
}

void ApplyPurchasePriceDisplay(QWidget* window, bool visible) {
    const TPriceWindow* spec = window ? FindPriceWindow(window->objectName()) : nullptr;
    if (!spec) return;
    for (const char* name : spec->controls)
        if (auto* control = window->findChild<QWidget*>(QLatin1String(name))) control->setVisible(visible);
    for (const TPriceColumns& columns : spec->grids) {
        auto* grid = window->findChild<TVnCustomDBGrid*>(QLatin1String(columns.grid));
        if (!grid) continue;
        for (int i = 0; i < grid->Columns().Count(); ++i) {
            TColumn* column = grid->Columns().ColumnAt(i);
            const QString field = column->FieldName().toUpper();
            for (const char* name : columns.fields)
                if (field == QLatin1String(name))
                    SetPurchasePriceColumnVisible(column, visible, columns.withFooter);
        }
    }
}

int TogglePurchasePriceDisplay(bool ask) {
    if (CurrentUser.NakupniCeny_AR) {
        if (ask) {
            const char* question =
                ShowPurchasePrices ? kHidePurchasePricesQuestion : kShowPurchasePricesQuestion;
            if (!AskQuestion(QString::fromUtf8(question))) return -1;
            ShowPurchasePrices = !ShowPurchasePrices;
        }
    } else {
        ShowPurchasePrices = false;
    }
    for (QWidget* window : QApplication::topLevelWidgets())
        ApplyPurchasePriceDisplay(window, ShowPurchasePrices);
    return 0;
}

QAction* AddPurchasePriceAction(QWidget* window, std::function<void()> afterToggle) {
    auto* action = new QAction(window);
    action->setObjectName("acSHNC");
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Every control of the window, a grid or an edit holding the focus, passes the key on.
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    QObject::connect(action, &QAction::triggered, window, [after = std::move(afterToggle)] {
        if (TogglePurchasePriceDisplay(true) == 0 && after) after();
    });
    return action;
}
