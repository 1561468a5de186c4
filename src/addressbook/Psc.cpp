#include "addressbook/Psc.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "addressbook/PscDetail.h"
#include "core/CardProtocol.h"
#include "core/Locks.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/Startup.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kCaption = "Seznam PSČ";
constexpr int kPscColumnWidth = 60;
constexpr int kMistoColumnWidth = 360;
// The search edit is this much narrower than the first column, and its hint stands this far to
// its right.
constexpr int kSearchEditShrink = 12;
constexpr int kSearchHintGap = 5;

TADOQuery& PostalCodes() { return frmMain->adqGlobalFree1; }

}  // namespace

TfrmPsc::TfrmPsc(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmPsc");
    setWindowTitle(QString::fromUtf8(kCaption));
    grPsc = MakeListGrid(this, "grPsc", &dsGlobalFree1,
                         {{"PSC", QString::fromUtf8("PSČ")}, {"Misto", QString::fromUtf8("Místo")}});
    grPsc->SetOptions(grPsc->Options() | dgTitleClicked);
    grPsc->Columns().ColumnAt(0)->SetWidth(kPscColumnWidth);
    grPsc->Columns().ColumnAt(1)->SetWidth(kMistoColumnWidth);
    // Both columns sort the list.
    for (int i = 0; i < 2; ++i) grPsc->Columns().ColumnAt(i)->SetIndexed(true);

    panHledat = new QWidget(this);
    panHledat->setObjectName("panHledat");
    auto* search = new QHBoxLayout(panHledat);
    search->setContentsMargins(0, 0, 0, 0);
    search->setSpacing(kSearchHintGap);
    edtHledat = new QLineEdit(panHledat);
    edtHledat->setObjectName("edtHledat");
    lblHledat = new QLabel(QString::fromUtf8(kPostalCodeSearchHint), panHledat);
    lblHledat->setObjectName("lblHledat");
    search->addWidget(edtHledat);
    search->addWidget(lblHledat);
    search->addStretch();
    panHledat->hide();
    edtHledat->installEventFilter(this);
    connect(edtHledat, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString field = SearchField();
        if (!text.isEmpty() && !field.isEmpty())
            PostalCodes().Locate(field, text, loCaseInsensitive | loPartialKey);
    });

    auto* buttons = new QVBoxLayout;
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    buttons->addSpacing(12);
    btnPridat = AddButton(this, buttons, "btnPridat", QString::fromUtf8("Přidat"), QKeySequence("Alt+P"));
    btnOpravit = AddButton(this, buttons, "btnOpravit", "Opravit", QKeySequence("Alt+O"));
    btnVyjmout = AddButton(this, buttons, "btnVyjmout", "Vyjmout");
    btnObnovit = AddButton(this, buttons, "btnObnovit", "Obnovit");
    buttons->addStretch();
    btnOK->setDefault(true);

    connect(btnOK, &QPushButton::clicked, this, [this] { AcceptIfEnabled(btnOK); });
    connect(btnStorno, &QPushButton::clicked, this, &TfrmPsc::reject);
    connect(btnPridat, &QPushButton::clicked, this, [this] { Edit(true); });
    connect(btnOpravit, &QPushButton::clicked, this, [this] {
        if (btnOpravit->isEnabled()) Edit(false);
    });
    connect(btnVyjmout, &QPushButton::clicked, this, &TfrmPsc::btnVyjmoutClick);
    connect(btnObnovit, &QPushButton::clicked, this, &TfrmPsc::btnObnovitClick);
    grPsc->OnDblClick = [this](QObject*) { PickOrEdit(); };
    OnEnterKey(grPsc, [this] { PickOrEdit(); });
    grPsc->OnKeyPress = [this](QObject*, QChar& key) {
        if (!key.isPrint()) return;
        OpenSearch(QString(key));
        key = QChar();
    };
    grPsc->OnTitleClick = [this](TColumn* column) { SortByColumn(column); };

    auto* left = new QVBoxLayout;
    left->addWidget(panHledat);
    left->addWidget(grPsc, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    resize(560, 420);
    AddPurchasePriceAction(this);
}

// The grid reads the data source while it goes, so it goes first.
TfrmPsc::~TfrmPsc() { delete grPsc; }

void TfrmPsc::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    UpdatePostalCodeButtons();
    grPsc->setFocus();
}

void TfrmPsc::UpdatePostalCodeButtons() {
    const bool rows = PostalCodes().Active() && !PostalCodes().IsEmpty();
    for (QPushButton* b : {btnOK, btnOpravit, btnVyjmout}) b->setEnabled(rows);
}

void TfrmPsc::PickOrEdit() {
    if (Tag == kModePick)
        AcceptIfEnabled(btnOK);
    else if (btnOpravit->isEnabled())
        btnOpravit->click();
}

void TfrmPsc::Edit(bool add) {
    EditPostalCode(add);
    UpdatePostalCodeButtons();
    grPsc->setFocus();
}

void TfrmPsc::btnVyjmoutClick() {
    if (!btnVyjmout->isEnabled()) return;
    TADOQuery& list = PostalCodes();
    const int id = list.FieldByName("ID")->AsInteger();
    int standOn = -1;
    // The table is everybody's, but deleting one code is no bulk change: it goes without a question.
    if (PrepareRecordDelete(list, GlobalRecordLockPath("Mista", id), standOn)) {
        TADOCommand& command = frmMain->adcGlobal1;
        command.SetCommandText("DELETE FROM Mista WHERE ID = :ID");
        command.Parameters.ParamByName("ID")->Value = id;
        command.Execute();
        RequeryAndLocate(list);
        list.Locate("ID", standOn);
    }
    UpdatePostalCodeButtons();
    grPsc->setFocus();
}

void TfrmPsc::btnObnovitClick() {
    RequeryAndLocate(PostalCodes());
    UpdatePostalCodeButtons();
}

bool TfrmPsc::MarkSortColumn(const QString& sortField) {
    bool found = false;
    for (int i = 0; i < grPsc->Columns().Count(); ++i) {
        TColumn* column = grPsc->Columns().ColumnAt(i);
        const bool match = column->FieldName().toUpper() == sortField;
        column->SetIndexStyle(match ? idxAscending : idxNone);
        found = found || match;
    }
    return found;
}

void TfrmPsc::SortByColumn(TColumn* column) {
    TADOQuery& list = PostalCodes();
    if (!list.Active()) return;
    const int id = list.IsEmpty() ? 0 : list.FieldByName("ID")->AsInteger();
    const QString field = column->FieldName();
    column->SetIndex(0);
    list.SetSort(field);
    MarkSortColumn(field.toUpper());
    if (id != 0) list.Locate("ID", id);
}

QString TfrmPsc::SearchField() const {
    const QString sort = PostalCodes().Sort();
    if (!sort.isEmpty()) return sort.section(u';', 0, 0).section(u' ', 0, 0);
    return grPsc->Columns().Count() > 0 ? grPsc->Columns().ColumnAt(0)->FieldName() : QString();
}

void TfrmPsc::OpenSearch(const QString& text) {
    const int first = grPsc->Columns().Count() > 0 ? grPsc->Columns().ColumnAt(0)->Width() : 0;
    edtHledat->setFixedWidth(qMax(first - kSearchEditShrink, 20));
    panHledat->show();
    edtHledat->setText(text);
    edtHledat->setFocus();
}

void TfrmPsc::CloseSearch() {
    if (panHledat->isHidden()) return;
    panHledat->hide();
    edtHledat->blockSignals(true);
    edtHledat->clear();
    edtHledat->blockSignals(false);
    grPsc->setFocus();
}

bool TfrmPsc::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtHledat) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                CloseSearch();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            CloseSearch();
        }
    }
    return TPriceListDialog::eventFilter(watched, event);
}

namespace {

// Moves the list to the first code, in the list's order, that begins with the typed one; stays where
// it is when there is none.
void LocatePostalCode(TADOQuery& list, const QString& typed) {
    const QString code = RemoveBlanks(typed.trimmed());
    if (code.isEmpty() || list.IsEmpty()) return;
    const TBookmark here = list.GetBookmark();
    list.DisableControls();
    list.First();
    while (!list.Eof() && !RemoveBlanks(list.FieldByName("PSC")->AsString()).startsWith(code)) list.Next();
    if (list.Eof()) list.GotoBookmark(here);
    list.EnableControls();
}

}  // namespace

int ShowPostalCodeList(int mode, bool closeAfter, const QString& postalCode) {
    TWorkingShown working(QString::fromUtf8(kPostalCodeListLoading));
    TfrmPsc window(ApplicationMainWindow());
    if (!window.MarkSortColumn(LastPostalCodeSort)) LastPostalCodeSort.clear();
    TADOQuery& list = PostalCodes();
    list.Close();
    list.SetSQL("SELECT * FROM Mista");
    list.Open();
    window.dsGlobalFree1.SetDataSet(&list);
    list.SetSort(LastPostalCodeSort);
    list.Locate("ID", LastPostalCodeID);
    LocatePostalCode(list, postalCode);
    window.Tag = mode;
    working.Hide();
    const int result = window.exec();
    window.Tag = 0;
    if (!list.IsEmpty()) LastPostalCodeID = list.FieldByName("ID")->AsInteger();
    LastPostalCodeSort = list.Sort().toUpper();
    if (closeAfter) list.Close();
    window.dsGlobalFree1.SetDataSet(nullptr);
    return result;
}

QString RemoveBlanks(const QString& text) {
    QString plain = text;
    plain.remove(u' ');
    return plain;
}

QString LookupTownByPostalCode(const QString& postalCode) {
    const QString code = RemoveBlanks(postalCode.trimmed());
    if (code.isEmpty()) return {};
    TADOQuery& query = PostalCodes();
    query.Close();
    // The code is bound: a quote typed into the field must not end the statement's text. Codes are
    // kept without blanks; one written with a blank by an older version is found all the same.
    query.SetSQL("SELECT * FROM Mista WHERE Replace(PSC, ' ', '') = :PSC");
    query.Parameters().ParamByName("PSC")->Value = code;
    query.Open();
    const QString town = query.IsEmpty() ? QString() : query.FieldByName("Misto")->AsString();
    query.Close();
    return town;
}

void PickPostalCode(QLineEdit* postalCode, QLineEdit* town) {
    if (ShowPostalCodeList(TfrmPsc::kModePick, false, postalCode->text()) == kResultOk) {
        postalCode->setText(PostalCodes().FieldByName("PSC")->AsString());
        town->setText(PostalCodes().FieldByName("Misto")->AsString());
    }
    PostalCodes().Close();
}

void FillTownFromPostalCode(QLineEdit* postalCode, QLineEdit* town) {
    if (!postalCode->text().isEmpty() && town->text().isEmpty())
        town->setText(LookupTownByPostalCode(postalCode->text()));
}
