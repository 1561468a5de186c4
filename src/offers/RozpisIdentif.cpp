// The identifier breakdown of the offer open in the card.

#include "offers/RozpisIdentif.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

#include "core/CommonUtils.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/NabidkaSoucty.h"
#include "offers/NabidkaTisk.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/PriceListUi.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kMoneyFormat = "# ### ### ##0.00";
const char* const kHelpPage = "pgRozpisIdentif.htm";
const char* const kAmountFields[] = {"NakCena", "ProdBDPH", "ProdSDPH", "Zisk"};
const char* const kNote =
    "Součet všech záznamů v tabulce nemusí souhlasit s celkovou cenou nabídky v těchto případech:\n"
    "- nabídka obsahuje jednu nebo více položek bez identifikátoru\n"
    "- nějaký identifikátor (uvedený na položce nabídky) má aktivní přepínač \"nepoužívat v rozpisu\"\n"
    "- některá položka v nabídce obsahuje více identifikátorů";

bool MarksItem(const QString& identifiers, const QString& code) {
    return identifiers.toUpper().contains("_" + code.toUpper() + "_");
}

// The print data's window belongs to the main window, so that it never outlives the application
// even when nobody releases it.
QPointer<TfrmRozpisIdentif> g_printBreakdown;

}  // namespace

TfrmRozpisIdentif::TfrmRozpisIdentif(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmRozpisIdentif");
    setWindowTitle(QString::fromUtf8(kBreakdownCaption));
    TFieldDefs& d = mtRozpisIdentif.FieldDefs();
    d.Add("ZkrIdent", ftString, 10);
    d.Add("PopisIdent", ftString, 50);
    for (const char* money : kAmountFields) d.Add(money, ftFloat);
    d.Add("Nepouzivat", ftBoolean);
    mtRozpisIdentif.CreateTable();
    for (const char* money : kAmountFields)
        mtRozpisIdentif.FieldByName(money)->SetDisplayFormat(kMoneyFormat);
    dsRozpisIdentif.SetDataSet(&mtRozpisIdentif);

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    btnOznacit = AddButton(this, bar, "btnOznacit", QString::fromUtf8("Označit v nabídce"), QKeySequence(),
                           QString::fromUtf8("Označit vybrané identifikátory v nabídce (Enter)"));
    btnZavrit = AddButton(this, bar, "btnZavrit", QString::fromUtf8("Zavřít"));
    btnNapoveda =
        AddButton(this, bar, "btnNapoveda", QString::fromUtf8("Nápověda"), QKeySequence(Qt::Key_F1));
    bar->addStretch();
    chckSouctovat = new QCheckBox(QString::fromUtf8("součet ozn."), this);
    chckSouctovat->setObjectName("chckSouctovat");
    chckSouctovat->setToolTip(QString::fromUtf8("Součtovat označené položky"));
    bar->addWidget(chckSouctovat);
    layout->addLayout(bar);

    grRozpisIdentif = new TVnDBGrid(this);
    grRozpisIdentif->setObjectName("grRozpisIdentif");
    grRozpisIdentif->SetReadOnly(true);
    grRozpisIdentif->SetOptions((grRozpisIdentif->Options() | dgRowSelect | dgMultiSelect) & ~dgEditing);
    grRozpisIdentif->SetDataSource(&dsRozpisIdentif);
    grRozpisIdentif->Columns().Clear();
    const struct {
        const char* field;
        const char* title;
        int width;
        QColor colour;
    } kColumns[] = {{"ZkrIdent", "Zkratka", 75, QColor()},
                    {"PopisIdent", "Popis", 147, QColor()},
                    {"NakCena", "Nák. cena ", 90, QColor(255, 233, 213)},
                    {"ProdBDPH", "Bez DPH ", 90, QColor()},
                    {"ProdSDPH", "S DPH ", 90, QColor(221, 236, 236)},
                    {"Zisk", "Zisk ", 90, QColor(208, 238, 209)}};
    for (const auto& c : kColumns) {
        TColumn* column = grRozpisIdentif->Columns().AddColumn();
        column->SetFieldName(c.field);
        column->Title()->SetCaption(QString::fromUtf8(c.title));
        column->SetWidth(c.width);
        if (c.colour.isValid()) column->SetColor(FromQColor(c.colour));
        if (c.width == 90) {
            column->Title()->SetAlignment(taRightJustify);
            TColumnFooterPanel* footer = column->FooterPanel();
            if (c.colour.isValid()) footer->SetColor(FromQColor(c.colour));
            footer->SetAlignment(taRightJustify);
            footer->SetVisible(true);
        }
    }
    // Marked rows stand out whatever the colour of their columns.
    grRozpisIdentif->SetDefaultDrawing(false);
    grRozpisIdentif->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                               TColumn* column, TGridDrawState state) {
        if (grRozpisIdentif->MarkedRows().IsCurrentRowMarked()) {
            const bool plainSelected = (state & gdSelected) && !(state & gdFocused) && !(state & gdFixed);
            canvas.setBrush(ToQColor(plainSelected ? clNavy : clGray));
            canvas.setPen(ToQColor(clWhite));
        }
        canvas.fillRect(rect.ToQRect(), canvas.brush());
        grRozpisIdentif->DrawCellDefault(canvas, rect, dataColumn, column, state);
    };
    layout->addWidget(grRozpisIdentif, 1);
    auto* note = new QLabel(QString::fromUtf8(kNote), this);
    note->setObjectName("panStatus");
    layout->addWidget(note);

    pmRozpis = new QMenu(this);
    connect(pmRozpis->addAction(QString::fromUtf8("Označit vše (Ctrl+plus)")), &QAction::triggered, this,
            [this] {
                grRozpisIdentif->MarkedRows().MarkAllRows();
                UpdateFooter();
            });
    connect(pmRozpis->addAction(QString::fromUtf8("Zrušit označení (Ctrl+mínus)")), &QAction::triggered, this,
            [this] {
                grRozpisIdentif->MarkedRows().ClearMarks();
                UpdateFooter();
            });
    grRozpisIdentif->OnPopupMenu = [this](QObject*, int, TGridCoord, QMenu*& popup) { popup = pmRozpis; };
    dsRozpisIdentif.OnDataChange = [this](TDataSource*, TField*) {
        if (isVisible() && !computingFooter_) UpdateFooter();
    };
    OnEnterKey(grRozpisIdentif, [this] { btnOznacit->click(); });
    connect(btnOznacit, &QPushButton::clicked, this, [this] {
        if (btnOznacit->isEnabled()) accept();
    });
    connect(btnZavrit, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnNapoveda, &QPushButton::clicked, this, [] { ShowHelpTopic(QString::fromLatin1(kHelpPage)); });
    connect(chckSouctovat, &QCheckBox::clicked, this, [this] { UpdateFooter(); });
    AddPurchasePriceAction(this, [this] { ApplyPurchasePrices(); });
    resize(640, 420);
}

TfrmRozpisIdentif::~TfrmRozpisIdentif() {
    // The grid goes before the source it shows.
    delete grRozpisIdentif;
    grRozpisIdentif = nullptr;
}

void TfrmRozpisIdentif::Build(TDataSet& items) {
    mtRozpisIdentif.SetFiltered(false);
    mtRozpisIdentif.EmptyTable();
    if (items.Active() && !items.IsEmpty()) {
        chckSouctovat->setChecked(SumMarkedItems);
        TADOQuery& catalogue = frmMain->adqAgendaFree1;
        catalogue.Close();
        catalogue.SetSQL("SELECT * FROM SezIdentif");
        catalogue.Open();
        const bool prices = CurrentUser.NakupniCeny_AR;
        const TBookmark here = items.GetBookmark();
        items.DisableControls();
        for (items.First(); !items.Eof(); items.Next()) {
            QStringList codes = ParseIdentifierList(items.FieldByName("Identif")->AsString());
            if (codes.isEmpty()) codes << QString();
            for (const QString& code : codes) {
                // The search stops on the row it found. Stepping past it and back would not come
                // back to the last row, since a step past the end stays where it is.
                bool found = false;
                for (mtRozpisIdentif.First(); !mtRozpisIdentif.Eof(); mtRozpisIdentif.Next()) {
                    found = mtRozpisIdentif.FieldByName("ZkrIdent")
                                ->AsString()
                                .compare(code, Qt::CaseInsensitive) == 0;
                    if (found) break;
                }
                if (found) {
                    mtRozpisIdentif.Edit();
                } else {
                    mtRozpisIdentif.Append();
                    mtRozpisIdentif.FieldByName("ZkrIdent")->SetAsString(code);
                    for (const char* money : kAmountFields) mtRozpisIdentif.FieldByName(money)->SetAsFloat(0);
                    if (code.isEmpty()) {
                        mtRozpisIdentif.FieldByName("Nepouzivat")->SetAsBoolean(true);
                    } else if (catalogue.Locate("Zkratka", code, loCaseInsensitive)) {
                        mtRozpisIdentif.FieldByName("PopisIdent")
                            ->SetAsString(catalogue.FieldByName("Popis")->AsString());
                        mtRozpisIdentif.FieldByName("Nepouzivat")
                            ->SetAsBoolean(catalogue.FieldByName("Nepouzivat")->AsBoolean());
                    } else {
                        // A code missing from the catalogue is still shown.
                        mtRozpisIdentif.FieldByName("Nepouzivat")->SetAsBoolean(false);
                    }
                }
                auto add = [&](const char* field, double value) {
                    TField* sum = mtRozpisIdentif.FieldByName(field);
                    sum->SetAsFloat(sum->AsFloat() + value);
                };
                add("ProdBDPH", items.FieldByName("PCBDPHPOL")->AsFloat());
                add("ProdSDPH", items.FieldByName("PCSDPHPOL")->AsFloat());
                if (prices) {
                    add("NakCena",
                        items.FieldByName("NakCena")->AsFloat() * items.FieldByName("PocetMJ")->AsFloat());
                    add("Zisk", items.FieldByName("ZiskPol")->AsFloat());
                } else {
                    mtRozpisIdentif.FieldByName("NakCena")->SetAsFloat(0);
                    mtRozpisIdentif.FieldByName("Zisk")->SetAsFloat(0);
                }
                mtRozpisIdentif.Post();
            }
        }
        items.GotoBookmark(here);
        items.EnableControls();
        catalogue.Close();
    }
    mtRozpisIdentif.SetFilter("Nepouzivat = False");
    mtRozpisIdentif.SetFiltered(true);
    mtRozpisIdentif.First();
}

void TfrmRozpisIdentif::UpdateFooter() {
    computingFooter_ = true;
    grRozpisIdentif->Footer().SetVisible(chckSouctovat->isChecked());
    if (chckSouctovat->isChecked()) {
        double sums[4] = {0, 0, 0, 0};
        TBookmarkList& marks = grRozpisIdentif->MarkedRows();
        if (marks.MarkCount() > 0) {
            const TBookmark here = mtRozpisIdentif.GetBookmark();
            mtRozpisIdentif.DisableControls();
            for (int i = 0; i < marks.MarkCount(); ++i) {
                mtRozpisIdentif.GotoBookmark(marks.MarkAt(i));
                for (int f = 0; f < 4; ++f)
                    sums[f] += mtRozpisIdentif.FieldByName(kAmountFields[f])->AsFloat();
            }
            mtRozpisIdentif.GotoBookmark(here);
            mtRozpisIdentif.EnableControls();
        }
        for (int i = 0; i < grRozpisIdentif->Columns().Count(); ++i) {
            TColumn* column = grRozpisIdentif->Columns().ColumnAt(i);
            for (int f = 0; f < 4; ++f)
                if (column->FieldName() == kAmountFields[f])
                    column->FooterPanel()->SetText(MarkedSumFooterText(sums[f]));
        }
    }
    grRozpisIdentif->viewport()->update();
    computingFooter_ = false;
}

void TfrmRozpisIdentif::ApplyPurchasePrices() {
    for (int i = 0; i < grRozpisIdentif->Columns().Count(); ++i) {
        TColumn* column = grRozpisIdentif->Columns().ColumnAt(i);
        if (column->FieldName() == "NakCena" || column->FieldName() == "Zisk")
            column->SetVisible(ShowPurchasePrices);
    }
}

void TfrmRozpisIdentif::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    btnOznacit->setEnabled(!mtRozpisIdentif.IsEmpty());
    UpdateFooter();
    ApplyPurchasePrices();
}

TfrmRozpisIdentif* PrintBreakdownWindow() { return g_printBreakdown.data(); }

void ReleasePrintBreakdownWindow() { delete g_printBreakdown.data(); }

int ShowIdentifierBreakdown(int source) {
    if (source == 0) {
        if (!g_printBreakdown) g_printBreakdown = new TfrmRozpisIdentif(frmMain);
        g_printBreakdown->Build(OfferPrintTables().mtPolozkyNab);
        return 0;
    }
    TfrmNabidkaKart* card = TfrmNabidkaKart::Existing();
    if (source != 1 || card == nullptr) return 0;
    TMemTable& items = card->Items();
    TfrmRozpisIdentif window(card);
    window.Build(items);
    const bool mark = window.exec() == QDialog::Accepted;
    SumMarkedItems = window.chckSouctovat->isChecked();
    if (!mark || window.mtRozpisIdentif.IsEmpty()) return 0;
    TBookmarkList& chosen = window.grRozpisIdentif->MarkedRows();
    if (chosen.MarkCount() == 0) chosen.SetCurrentRowMarked(true);
    QStringList codes;
    for (int i = 0; i < chosen.MarkCount(); ++i) {
        window.mtRozpisIdentif.GotoBookmark(chosen.MarkAt(i));
        codes << window.mtRozpisIdentif.FieldByName("ZkrIdent")->AsString();
    }
    TBookmarkList& itemMarks = card->grPolozky->MarkedRows();
    itemMarks.ClearMarks();
    const TBookmark here = items.GetBookmark();
    for (const QString& code : codes) {
        for (items.First(); !items.Eof(); items.Next())
            if (MarksItem(items.FieldByName("Identif")->AsString(), code))
                itemMarks.SetCurrentRowMarked(true);
    }
    items.GotoBookmark(here);
    card->UpdateMarkLabel();
    card->grPolozky->viewport()->update();
    return 0;
}
