// The documents page of the offer card: links to files kept with the offer
// until it is saved. Nothing here writes to the database or copies a file; the
// offer document does both on saving.

#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CommonUtils.h"
#include "core/Main.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr int kIconColumnWidth = 16;
constexpr int kDescriptionWidth = 290;
constexpr int kLinkWidth = 251;
constexpr int kFindMargin = 12;

}  // namespace

QWidget* TfrmNabidkaKart::BuildDocumentsPage() {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    auto* bar = new QHBoxLayout;
    btnOtevritDoc = AddButton(page, bar, "btnOtevritDoc", QString::fromUtf8("Otevřít dokument"));
    btnPridatDoc = AddButton(page, bar, "btnPridatDoc", QString::fromUtf8("Přidat odkaz"));
    btnOpravitDoc = AddButton(page, bar, "btnOpravitDoc", "Opravit odkaz");
    btnSmazatDoc = AddButton(page, bar, "btnSmazatDoc", "Vyjmout odkaz");
    bar->addStretch();
    for (QPushButton* b : {btnOtevritDoc, btnPridatDoc, btnOpravitDoc, btnSmazatDoc})
        b->setAutoDefault(false);

    grDokumenty = new TVnDBGrid(page);
    grDokumenty->setObjectName("grDokumenty");
    grDokumenty->SetReadOnly(true);
    grDokumenty->SetOptions((grDokumenty->Options() | dgRowSelect | dgTitleClicked) & ~dgEditing);
    grDokumenty->SetDataSource(&dsTmpDokumenty);
    grDokumenty->Columns().Clear();
    auto add = [this](const char* field, const QString& title, int width, bool indexed) {
        TColumn* c = grDokumenty->Columns().AddColumn();
        c->SetFieldName(field);
        c->Title()->SetCaption(title);
        c->SetWidth(width);
        c->SetIndexed(indexed);
        return c;
    };
    add("Empty", "I", kIconColumnWidth, false)->Title()->SetAlignment(taCenter);
    add("Popis", "Popis", kDescriptionWidth, true)->SetIndexStyle(idxAscending);
    add("File", "Odkaz na soubor", kLinkWidth, true);
    grDokumenty->SetFrozenCols(1);
    grDokumenty->SetDefaultDrawing(false);
    grDokumenty->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                           TColumn* c, TGridDrawState state) {
        DrawDocumentCell(canvas, rect, dataColumn, c, state);
    };
    grDokumenty->OnTitleClick = [this](TColumn* c) { SortDocumentsByColumn(c); };
    grDokumenty->OnDblClick = [this](QObject*) { btnOtevritDocClick(); };
    OnEnterKey(grDokumenty, [this] { btnOtevritDocClick(); });
    grDokumenty->OnKeyPress = [this](QObject*, QChar& key) {
        if (key.unicode() > 31) {
            OpenDocumentFind(key);
            key = QChar();
        }
    };

    panDokumentyFind = new QFrame(page);
    panDokumentyFind->setObjectName("panDokumentyFind");
    auto* find = new QHBoxLayout(panDokumentyFind);
    find->setContentsMargins(0, 0, 0, 0);
    edtDokumentyFind = new QLineEdit(panDokumentyFind);
    edtDokumentyFind->setObjectName("edtDokumentyFind");
    find->addWidget(edtDokumentyFind);
    find->addStretch();
    panDokumentyFind->hide();
    connect(edtDokumentyFind, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!panDokumentyFind->isVisible() || text.isEmpty() || document_ == nullptr) return;
        TMemTable& docs = Documents();
        if (docs.IndexName().isEmpty()) return;
        docs.FindNearest({text});
    });
    connect(edtDokumentyFind, &QLineEdit::returnPressed, this, &TfrmNabidkaKart::CloseDocumentFind);
    edtDokumentyFind->installEventFilter(this);

    column->addLayout(bar);
    column->addWidget(grDokumenty, 1);
    column->addWidget(panDokumentyFind);

    connect(btnOtevritDoc, &QPushButton::clicked, this, &TfrmNabidkaKart::btnOtevritDocClick);
    connect(btnPridatDoc, &QPushButton::clicked, this, [this] { EditOfferDocument(true); });
    connect(btnOpravitDoc, &QPushButton::clicked, this, [this] {
        if (btnOpravitDoc->isEnabled()) EditOfferDocument(false);
    });
    connect(btnSmazatDoc, &QPushButton::clicked, this, &TfrmNabidkaKart::btnSmazatDocClick);
    return page;
}

void TfrmNabidkaKart::UpdateOfferDocButtons() {
    const bool rows = document_ != nullptr && !Documents().IsEmpty();
    for (QPushButton* b : {btnOtevritDoc, btnOpravitDoc, btnSmazatDoc}) b->setEnabled(rows);
}

QString TfrmNabidkaKart::ResolveLink(const QString& link) const {
    // The folder is always the card's own offer's. A new offer has no folder
    // before it is saved, so a token link of a new offer names a file in no
    // existing folder (offer numbers start at 1), never in the folder of whatever
    // offer the list stands on.
    return OfferDocumentFullPath(link, document_->EditedOfferID);
}

void TfrmNabidkaKart::EditOfferDocument(bool isNew) {
    TMemTable& docs = Documents();
    DocumentContext = TDocumentFolderMode::Offer;
    TLinkCardData card;
    card.DocumentFolder = OfferDocumentFolder(document_->EditedOfferID);
    card.Caption = QString::fromUtf8(kOfferAddLinkCaption);
    card.BrowseEnabled = true;
    card.BrowseAtOnce = true;
    card.CopyVisible = true;
    if (!isNew) {
        card.Description = docs.FieldByName("Popis")->AsString();
        card.Link = docs.FieldByName("File")->AsString();
        card.Caption = QString::fromUtf8(kOfferEditLinkCaption);
        card.BrowseAtOnce = false;
        card.CopyVisible = false;
    }
    if (IsSharedFolderPath(card.Link)) {
        card.BrowseEnabled = false;
        card.SharedFolder = card.DocumentFolder;
    }
    const bool ok = LinkCardHandler ? LinkCardHandler(card) : ShowOfferLinkCard(card);
    if (ok) {
        SetModified();
        const QString index = docs.IndexName();
        docs.SetIndexName(QString());
        if (isNew) {
            docs.Append();
            docs.FieldByName("ID")->SetAsInteger(kNotStored);
        } else {
            docs.Edit();
        }
        docs.FieldByName("Popis")->SetAsString(card.Description);
        docs.FieldByName("File")->SetAsString(card.Link);
        docs.FieldByName("CopyFile")->SetAsBoolean(card.CopyFile);
        docs.FieldByName("SmallIcon")->SetAsVariant(FileIconBytes(ResolveLink(card.Link)));
        docs.Post();
        docs.SetIndexName(index);
    }
    UpdateOfferDocButtons();
    grDokumenty->setFocus();
}

void TfrmNabidkaKart::btnOtevritDocClick() {
    if (!btnOtevritDoc->isEnabled() || Documents().IsEmpty()) return;
    const QString path = ResolveLink(Documents().FieldByName("File")->AsString());
    if (OpenDocumentHandler)
        OpenDocumentHandler(path);
    else
        OpenOfferDocument(path);
    grDokumenty->setFocus();
}

void TfrmNabidkaKart::btnSmazatDocClick() {
    if (!btnSmazatDoc->isEnabled() || Documents().IsEmpty()) return;
    if (AskQuestion(QString::fromUtf8(kConfirmRemoveLink))) {
        Documents().Delete();
        SetModified();
    }
    UpdateOfferDocButtons();
    grDokumenty->setFocus();
}

void TfrmNabidkaKart::SortDocumentsByColumn(TColumn* column) {
    if (column == nullptr || !column->Indexed()) return;
    TMemTable& docs = Documents();
    const TBookmark here = docs.IsEmpty() ? TBookmark() : docs.GetBookmark();
    grDokumenty->Columns().Move(column->Index(), 1);
    for (int i = 0; i < grDokumenty->Columns().Count(); ++i) {
        TColumn* c = grDokumenty->Columns().ColumnAt(i);
        c->SetIndexStyle(c == column ? idxAscending : idxNone);
    }
    docs.SetIndexName(column->FieldName());
    if (!here.isEmpty()) docs.GotoBookmark(here);
    grDokumenty->SetCol(grDokumenty->DataToRawColumn(1));
}

void TfrmNabidkaKart::OpenDocumentFind(QChar typed) {
    if (grDokumenty->Columns().Count() > 1)
        edtDokumentyFind->setFixedWidth(
            std::max(40, grDokumenty->Columns().ColumnAt(1)->Width() - kFindMargin));
    panDokumentyFind->show();
    edtDokumentyFind->setText(QString(typed));
    edtDokumentyFind->setFocus();
    edtDokumentyFind->setCursorPosition(edtDokumentyFind->text().size());
}

void TfrmNabidkaKart::CloseDocumentFind() {
    edtDokumentyFind->clear();
    panDokumentyFind->hide();
    grDokumenty->setFocus();
}

void TfrmNabidkaKart::DrawDocumentCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                                       TGridDrawState state) {
    canvas.fillRect(rect.ToQRect(), canvas.brush());
    if (column->FieldName() == "Empty") {
        QImage icon;
        icon.loadFromData(Documents().FieldByName("SmallIcon")->AsVariant().toByteArray());
        if (!icon.isNull()) canvas.drawImage(rect.Left, rect.Top, icon);
        return;
    }
    grDokumenty->DrawCellDefault(canvas, rect, dataColumn, column, state);
}
