#include "offers/Nabidky.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/HistoryAction.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "exchange/ExpXML.h"
#include "exchange/Tisk.h"
#include "offers/CommentUpdater.h"
#include "offers/MassChangesNabidky.h"
#include "offers/NabFiltr.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/SoucetCen.h"
#include "offers/SummaryReportNabidky.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Transaction.h"
#include "platform/text/OleDate.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "widgets/VnDBGrids.h"

namespace {

TfrmNabidky* theList = nullptr;

const char* const kHelpPage = "pgSezNab.htm";
const char* const kFilterCaption = "Filtr";
const char* const kSortDefault = "DOKLAD";
constexpr int kRowHeight = 17;
constexpr int kFindMargin = 12;
constexpr int kFindHintGap = 5;
constexpr int kCommentOffset = 20;

// Pictures of ilMain: the comment corner, the lock, then one per flag (flag + 1).
constexpr int kCommentPicture = 0;
constexpr int kLockPicture = 1;
constexpr int kFirstFlagPicture = 2;

// Offer states as the list colours them (`Nabidky.IDStav`).
constexpr int kStateInPreparation = 0;
constexpr int kStateCorrection = 2;
constexpr int kStateAccepted = 3;
constexpr int kStateFirstRejected = 4;
constexpr int kStateCancelled = 6;

struct TFlagItem {
    const char* name;
    const char* caption;
    QColor colour;
};
const TFlagItem kFlags[] = {
    {"pmVlajkaCervena", "Označit červenou vlajkou", QColor(220, 0, 0)},
    {"pmVlajkaZelena", "Označit zelenou vlajkou", QColor(0, 160, 0)},
    {"pmVlajkaModra", "Označit modrou vlajkou", QColor(0, 0, 220)},
    {"pmVlajkaSeda", "Označit šedou vlajkou", QColor(128, 128, 128)},
    {"pmVlajkaZluta", "Označit žlutou vlajkou", QColor(240, 210, 0)},
    {"pmVlajkaFialova", "Označit fialovou vlajkou", QColor(150, 0, 150)},
};

// The legend explains the colours of the list, line by line, as the cell drawing applies them.
const char* const kLegendLines[] = {
    "modrá - rozpracovaná nabídka (zatím neodeslaná)",
    "černá - vytištěná/odeslaná nabídka (čekáme na vyjádření odběratele)",
    "fialová - korekce (probíhá dodatečná úprava nabídky)",
    "zelená - uzavřená nabídka (odběratel nabídku akceptoval)",
    "červená - zamítnutá nabídka nebo nabídka bez reakce",
};

QImage CommentCorner() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 0, 0));
    p.drawPolygon(QPolygon({QPoint(0, 0), QPoint(6, 0), QPoint(0, 6)}));
    return image;
}

QImage LockPicture() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 1, 7, 8), 0, 180 * 16);
    p.setPen(QColor(120, 90, 0));
    p.setBrush(QColor(230, 180, 40));
    p.drawRect(QRectF(3, 6, 9, 7));
    return image;
}

QImage FlagPicture(const QColor& colour) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(QColor(60, 60, 60));
    p.drawLine(3, 1, 3, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(4, 2, 9, 6);
    return image;
}

QPixmap Picture(const TImageList& images, int index) { return QPixmap::fromImage(images.Image(index)); }

}  // namespace

// ---- the list query -----------------------------------------------------------------------------------

QString OfferListSql(bool showArchived) {
    QString sql = "SELECT * FROM Nabidky";
    if (!showArchived) sql = QString("%1 WHERE (Archivovano = False)").arg(sql);
    return CurrentUser.AddCreatorFilter(sql);
}

// ---- the window ---------------------------------------------------------------------------------------

TfrmNabidky::TfrmNabidky(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmNabidky");
    setWindowTitle(QString::fromUtf8(kOfferListCaption));
    ilMain.AddMasked(CommentCorner(), clNone);
    ilMain.AddMasked(LockPicture(), clNone);
    for (const TFlagItem& flag : kFlags) ilMain.AddMasked(FlagPicture(flag.colour), clNone);
    dsNabidky.SetDataSet(&frmMain->adqNabidky);
    BuildWindow();
    BuildMenus();
    BuildCommentPanel();
    AddPurchasePriceAction(this);
    SetSessionGrid(TSessionGrid::OfferList, grNabidky);
    SetSessionWindow(TSessionWindow::OfferList, this);
    ApplyGridLayout(TSessionGrid::OfferList, grNabidky, QString());
    resize(900, 560);
    if (theList == nullptr) {
        theList = this;
        OfferCardHooks().ClearOfferListMarks = [this] { grNabidky->MarkedRows().ClearMarks(); };
        OfferCardHooks().UpdateOfferListButtons = [this] { UpdateOfferListButtons(); };
        OfferCardHooks().PrintNewOffer = [] { ShowPrintDialog(pmOffer, "TypSest=1"); };
    }
}

TfrmNabidky::~TfrmNabidky() {
    if (theList == this) {
        theList = nullptr;
        SetSessionGrid(TSessionGrid::OfferList, nullptr);
        SetSessionWindow(TSessionWindow::OfferList, nullptr);
        OfferCardHooks().ClearOfferListMarks = nullptr;
        OfferCardHooks().UpdateOfferListButtons = nullptr;
        OfferCardHooks().PrintNewOffer = nullptr;
    }
    // The grid goes before the source it shows.
    delete grNabidky;
    grNabidky = nullptr;
}

TfrmNabidky* TfrmNabidky::Instance() {
    // Owned by the main window, so it never outlives the query it shows.
    if (theList == nullptr) new TfrmNabidky(frmMain);
    return theList;
}

TfrmNabidky* TfrmNabidky::Existing() { return theList; }

TADOQuery& TfrmNabidky::List() const { return frmMain->adqNabidky; }

void TfrmNabidky::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* bar = new QHBoxLayout;
    btnStorno = AddButton(this, bar, "btnStorno", QString::fromUtf8("Zavřít"), QKeySequence(Qt::Key_Escape));
    btnPridat =
        AddButton(this, bar, "btnPridat", QString::fromUtf8("Přidat novou nabídku"), QKeySequence("Alt+P"));
    btnOpravit = AddButton(this, bar, "btnOpravit", "Opravit", QKeySequence("Alt+O"));
    btnKopirovat =
        AddButton(this, bar, "btnKopirovat", QString::fromUtf8("Kopírovat"), QKeySequence("Alt+K"));
    btnVyjmout = AddButton(this, bar, "btnVyjmout", "Vyjmout");
    btnObnovit = AddButton(this, bar, "btnObnovit", "Obnovit");
    btnFiltr = AddButton(this, bar, "btnFiltr", QString::fromUtf8(kFilterCaption));
    btnTisk = AddButton(this, bar, "btnTisk", "Tisk", QKeySequence("Alt+T"));
    btnOstatni = AddButton(this, bar, "btnOstatni", QString::fromUtf8("Ostatní"));
    btnNapoveda =
        AddButton(this, bar, "btnNapoveda", QString::fromUtf8("Nápověda"), QKeySequence(Qt::Key_F1));
    bar->addStretch();
    chckLegenda = new QCheckBox(QString::fromUtf8("Legenda"), this);
    chckLegenda->setObjectName("chckLegenda");
    bar->addWidget(chckLegenda);
    layout->addLayout(bar);

    grNabidky = new TVnDBGrid(this);
    grNabidky->setObjectName("grNabidky");
    grNabidky->SetReadOnly(true);
    grNabidky->SetOptions(
        (grNabidky->Options() | dgIndicator | dgMultiSelect | dgRowSelect | dgTitleClicked) & ~dgEditing);
    grNabidky->SetDataSource(&dsNabidky);
    grNabidky->SetDefaultRowHeight(kRowHeight);
    QFont titles = grNabidky->font();
    titles.setBold(true);
    grNabidky->SetTitleFont(titles);
    grNabidky->SetFrozenCols(kOfferListFixedColumns);
    grNabidky->SetDefaultDrawing(false);
    grNabidky->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                         TColumn* column, TGridDrawState state) {
        DrawOfferCell(canvas, rect, dataColumn, column, state);
    };
    grNabidky->OnTitleClick = [this](TColumn* column) { SortByColumn(column); };
    grNabidky->OnDblClick = [this](QObject*) {
        if (mode_ == 0 && btnOpravit->isEnabled()) btnOpravit->click();
    };
    OnEnterKey(grNabidky, [this] {
        if (mode_ == 0 && btnOpravit->isEnabled()) btnOpravit->click();
    });
    grNabidky->OnKeyPress = [this](QObject*, QChar& key) {
        if (key.unicode() > 31) {
            OpenFind(key);
            key = QChar();
        }
    };
    grNabidky->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int x, int y) { TrackComment(x, y); };
    grNabidky->setMouseTracking(true);
    grNabidky->viewport()->setMouseTracking(true);
    layout->addWidget(grNabidky, 1);

    BuildFindStrip(this);
    layout->addWidget(panNabidkyFind);
    BuildLegend(this);
    layout->addWidget(panLegenda);

    connect(btnStorno, &QPushButton::clicked, this, [this] { done(kOfferListClosed); });
    connect(btnPridat, &QPushButton::clicked, this,
            [this] { Guarded(btnPridat, [this] { OpenOffer(true, false); }); });
    connect(btnOpravit, &QPushButton::clicked, this, [this] {
        if (btnOpravit->isEnabled()) Guarded(btnOpravit, [this] { OpenOffer(false, false); });
    });
    connect(btnKopirovat, &QPushButton::clicked, this, [this] {
        if (btnKopirovat->isEnabled()) Guarded(btnKopirovat, [this] { OpenOffer(false, true); });
    });
    connect(btnVyjmout, &QPushButton::clicked, this, [this] {
        if (btnVyjmout->isEnabled()) Guarded(btnVyjmout, [this] { btnVyjmoutClick(); });
    });
    connect(btnObnovit, &QPushButton::clicked, this, &TfrmNabidky::btnObnovitClick);
    connect(btnFiltr, &QPushButton::clicked, this, [this] {
        BuildOfferFilter();
        UpdateOfferListButtons();
        grNabidky->setFocus();
    });
    connect(btnTisk, &QPushButton::clicked, this, [this] {
        if (btnTisk->isEnabled()) Guarded(btnTisk, [] { ShowPrintDialog(pmOffer); });
    });
    connect(btnNapoveda, &QPushButton::clicked, this, [] { ShowHelpTopic(QString::fromLatin1(kHelpPage)); });
    connect(chckLegenda, &QCheckBox::clicked, this, [this](bool checked) { ShowOfferListLegend(checked); });
}

void TfrmNabidky::BuildMenus() {
    auto item = [this](QMenu* menu, QAction*& action, const char* name, const QString& caption,
                       std::function<void()> handler) {
        action = menu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, std::move(handler));
    };
    auto lock = [this](bool value) {
        SetMarkedOffersField("Zamek", value, false, QString::fromUtf8(kSettingLocks));
    };

    pmOstatni = new QMenu(this);
    pmOstatni->setObjectName("pmOstatni");
    item(pmOstatni, acSoucet, "acSoucet", QString::fromUtf8("Součet"), [this] { SumOfferList(*this); });
    item(pmOstatni, acExportXml, "acExportXml", "Export do XML",
         [] { ShowXmlExportDialog(TXmlExportKind::Offers); });
    item(pmOstatni, acHistorieAkci, "acHistorieAkci", QString::fromUtf8("Historie akcí"),
         [this] { ShowHistory(); });
    item(pmOstatni, acPrehledoveSestavy, "acPrehledoveSestavy", QString::fromUtf8("Přehledové sestavy"), [] {
        TSummaryReportNabidky report;
        report.Execute();
    });
    mnuArchivace = pmOstatni->addMenu("Archivace");
    mnuArchivace->setObjectName("mnuArchivace");
    item(mnuArchivace, acArchivovatStarsi, "acArchivovatStarsi",
         QString::fromUtf8("Hromadně archivovat doklady starší než..."), [this] { ArchiveOlderOffers(); });
    item(mnuArchivace, acArchivovatOznacene, "acArchivovatOznacene",
         QString::fromUtf8("Hromadně archivovat označené doklady"), [this] { ArchiveMarkedOffers(); });
    item(mnuArchivace, acZrusitArchivaci, "acZrusitArchivaci", QString::fromUtf8(kClearArchiveCaption),
         [this] { SetMarkedOffersField("Archivovano", false, false, QString::fromUtf8(kClearingArchive)); });
    item(mnuArchivace, acZobrazitArchivovane, "acZobrazitArchivovane",
         QString::fromUtf8(kShowArchivedCaption), [this] { done(kOfferListShowArchived); });
    item(pmOstatni, acUzamknout, "acUzamknout", "Uzamknout doklad", [lock] { lock(true); });
    item(pmOstatni, acOdemknout, "acOdemknout", "Odemknout doklad", [lock] { lock(false); });
    item(pmOstatni, acKomentar, "acKomentar", QString::fromUtf8("Upravit komentář k nabídce"),
         [this] { EditCurrentComment(); });
    connect(btnOstatni, &QPushButton::clicked, this, [this] {
        if (btnOstatni->isEnabled())
            pmOstatni->popup(btnOstatni->mapToGlobal(QPoint(0, btnOstatni->height())));
    });

    pmNabidky = new QMenu(this);
    pmNabidky->setObjectName("pmNabidky");
    for (size_t i = 0; i < std::size(kFlags); ++i) {
        const int value = static_cast<int>(i) + 1;
        item(pmNabidky, pmVlajky[i], kFlags[i].name, QString::fromUtf8(kFlags[i].caption), [this, value] {
            SetMarkedOffersField("FlagID", value, false, QString::fromUtf8(kSettingFlags));
        });
        pmVlajky[i]->setIcon(QIcon(Picture(ilMain, kFirstFlagPicture + static_cast<int>(i))));
    }
    item(pmNabidky, pmVymazatVlajku, "pmVymazatVlajku", "Vymazat vlajku", [this] {
        SetMarkedOffersField("FlagID", static_cast<int>(TOfferFlag::None), false,
                             QString::fromUtf8(kSettingFlags));
    });
    pmNabidky->addSeparator();
    item(pmNabidky, pmUzamknout, "pmUzamknout", "Uzamknout doklad", [lock] { lock(true); });
    item(pmNabidky, pmOdemknout, "pmOdemknout", "Odemknout doklad", [lock] { lock(false); });
    pmNabidky->addSeparator();
    item(pmNabidky, pmKomentar, "pmKomentar", QString::fromUtf8("Upravit komentář k nabídce"),
         [this] { EditCurrentComment(); });
    connect(pmNabidky, &QMenu::aboutToShow, this, [this] {
        const bool rows = List().Active() && !List().IsEmpty();
        for (QAction* action : pmNabidky->actions()) action->setEnabled(rows);
    });
    grNabidky->OnPopupMenu = [this](QObject*, int, TGridCoord, QMenu*& popup) { popup = pmNabidky; };
}

void TfrmNabidky::BuildLegend(QWidget* parent) {
    panLegenda = new QFrame(parent);
    panLegenda->setObjectName("panLegenda");
    panLegenda->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QHBoxLayout(panLegenda);
    auto* colours = new QVBoxLayout;
    const QColor kLegendColours[] = {Qt::blue, Qt::black, QColor(128, 0, 128), QColor(0, 128, 0), Qt::red};
    for (size_t i = 0; i < std::size(kLegendLines); ++i) {
        auto* label = new QLabel(QString::fromUtf8(kLegendLines[i]), panLegenda);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, kLegendColours[i]);
        label->setPalette(palette);
        colours->addWidget(label);
    }
    grid->addLayout(colours);
    auto* styles = new QVBoxLayout;
    auto styled = [&](const char* sample, const char* text, auto setup) {
        auto* row = new QHBoxLayout;
        auto* first = new QLabel(QString::fromUtf8(sample), panLegenda);
        QFont font = first->font();
        setup(font);
        first->setFont(font);
        row->addWidget(first);
        row->addWidget(new QLabel(QString::fromUtf8(text), panLegenda));
        row->addStretch();
        styles->addLayout(row);
        return first;
    };
    QLabel* struck =
        styled("červená přeškrtnutá", "- stornovaná nabídka", [](QFont& f) { f.setStrikeOut(true); });
    QPalette red = struck->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    struck->setPalette(red);
    styled("tučné písmo", "- prošlá (datum platnosti je nižší než dnešní)",
           [](QFont& f) { f.setBold(true); });
    styled("kurzíva", "- archivovaná (skrytá) nabídka", [](QFont& f) { f.setItalic(true); });
    grid->addLayout(styles);
    auto* pictures = new QVBoxLayout;
    auto pictured = [&](QLabel*& image, const char* name, const char* text) {
        auto* row = new QHBoxLayout;
        image = new QLabel(panLegenda);
        image->setObjectName(name);
        image->setFixedSize(16, 16);
        row->addWidget(image);
        row->addWidget(new QLabel(QString::fromUtf8(text), panLegenda));
        row->addStretch();
        pictures->addLayout(row);
    };
    pictured(imgZamekLegenda, "imgZamekLegenda", "- nabídka uzamknutá pro úpravy");
    pictured(imgKomentarLegenda, "imgKomentarLegenda",
             "- komentář k nabídce (po najetí myši na růžek se zobrazí text komentáře) *");
    pictured(
        imgVlajkaLegenda, "imgVlajkaLegenda",
        "- informační vlajka pro libovolné použití * Komentáře a vlajky lze přiřadit pravým tlačítkem myši "
        "na záznamu.");
    grid->addLayout(pictures, 1);
}

void TfrmNabidky::BuildFindStrip(QWidget* parent) {
    panNabidkyFind = new QFrame(parent);
    panNabidkyFind->setObjectName("panNabidkyFind");
    auto* row = new QHBoxLayout(panNabidkyFind);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kFindHintGap);
    edtNabidkyFind = new QLineEdit(panNabidkyFind);
    edtNabidkyFind->setObjectName("edtNabidkyFind");
    lblNabidkyFindHint = new QLabel(QString::fromUtf8(kFindHint), panNabidkyFind);
    lblNabidkyFindHint->setObjectName("lblNabidkyFindHint");
    row->addWidget(edtNabidkyFind);
    row->addWidget(lblNabidkyFindHint);
    row->addStretch();
    panNabidkyFind->hide();
    connect(edtNabidkyFind, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!panNabidkyFind->isVisible() || text.isEmpty()) return;
        const QString field = List().Sort().isEmpty() ? QString::fromLatin1(kSortDefault) : List().Sort();
        // No match leaves the current row: the user sees where he was.
        List().Locate(field, text, loCaseInsensitive | loPartialKey);
    });
    connect(edtNabidkyFind, &QLineEdit::returnPressed, this, &TfrmNabidky::CloseFind);
    edtNabidkyFind->installEventFilter(this);
}

void TfrmNabidky::BuildCommentPanel() {
    panCommentPanel = new QFrame(this);
    panCommentPanel->setObjectName("panCommentPanel");
    panCommentPanel->setFrameShape(QFrame::Box);
    panCommentPanel->setAutoFillBackground(true);
    auto* column = new QVBoxLayout(panCommentPanel);
    lblCommentTitle = new QLabel(panCommentPanel);
    lblCommentTitle->setObjectName("lblCommentTitle");
    memComment = new QPlainTextEdit(panCommentPanel);
    memComment->setObjectName("memComment");
    memComment->setReadOnly(true);
    btnCommentEdit = new QPushButton("Upravit", panCommentPanel);
    btnCommentEdit->setObjectName("btnCommentEdit");
    column->addWidget(lblCommentTitle);
    column->addWidget(memComment);
    column->addWidget(btnCommentEdit, 0, Qt::AlignRight);
    panCommentPanel->resize(320, 160);
    panCommentPanel->hide();
    connect(btnCommentEdit, &QPushButton::clicked, this, [this] { EditComment(commentOfferID_); });
}

bool TfrmNabidky::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtNabidkyFind && event->type() == QEvent::FocusOut && panNabidkyFind->isVisible())
        CloseFind();
    return TVnDialog::eventFilter(watched, event);
}

void TfrmNabidky::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    UpdateOfferListButtons();
    ShowOfferListLegend(chckLegenda->isChecked());
    grNabidky->setFocus();
}

void TfrmNabidky::closeEvent(QCloseEvent* event) {
    OfferListLegendShown = chckLegenda->isChecked();
    TVnDialog::closeEvent(event);
}

void TfrmNabidky::Guarded(QPushButton* button, const std::function<void()>& action) {
    RunGuarded(button, action);
    grNabidky->setFocus();
}

TfrmNabFiltr& TfrmNabidky::FilterWindow() {
    if (!frmNabFiltr) frmNabFiltr = std::make_unique<TfrmNabFiltr>(this);
    return *frmNabFiltr;
}

void TfrmNabidky::ArchiveOlderOffers() {
    TMassChangesNabidky changes(0);
    if (changes.Execute()) btnObnovitClick();
}

void TfrmNabidky::ArchiveMarkedOffers() {
    const QString question =
        QString::fromUtf8(kConfirmArchiveMarked).arg("\r\r", QString::fromUtf8(kShowArchivedCaption));
    if (!AskQuestion(question)) return;
    // Archived offers leave a list that hides them, and their marks with them.
    SetMarkedOffersField("Archivovano", true, !showArchived_, QString::fromUtf8(kArchiving));
}

void TfrmNabidky::EditCurrentComment() {
    if (!List().Active() || List().IsEmpty()) return;
    EditComment(List().FieldByName("ID")->AsInteger());
}

void TfrmNabidky::EditComment(int offerId) {
    TCommentUpdater updater(0, offerId);
    if (!updater.Execute()) return;
    btnObnovitClick();
    panCommentPanel->hide();
    commentRow_ = -1;
}

void TfrmNabidky::OpenOffer(bool isNew, bool isCopy) {
    TfrmNabidkaKart::Instance();
    EditOffer(isNew, isCopy);
    UpdateOfferListButtons();
}

void TfrmNabidky::ShowHistory() {
    if (!List().Active() || List().IsEmpty()) return;
    THistoryAction history;
    history.ShowHistory(THistoryObjectType::Offer, List().FieldByName("ID")->AsInteger());
}

void TfrmNabidky::UpdateOfferListButtons() {
    const bool rows = List().Active() && !List().IsEmpty();
    for (QPushButton* b : {btnOpravit, btnVyjmout, btnKopirovat, btnTisk, btnOstatni}) b->setEnabled(rows);
    const bool filtered = List().Active() && List().Filtered();
    btnFiltr->setText(QString::fromUtf8(kFilterCaption) + (filtered ? " !" : ""));
    QFont font = btnFiltr->font();
    font.setBold(filtered);
    btnFiltr->setFont(font);
    acZrusitArchivaci->setVisible(showArchived_);
}

void TfrmNabidky::ShowOfferListLegend(bool visible) {
    imgKomentarLegenda->setPixmap(Picture(ilMain, kCommentPicture));
    imgZamekLegenda->setPixmap(Picture(ilMain, kLockPicture));
    imgVlajkaLegenda->setPixmap(Picture(ilMain, kFirstFlagPicture));
    panLegenda->setVisible(visible);
}

void TfrmNabidky::btnObnovitClick() {
    grNabidky->MarkedRows().ClearMarks();
    RequeryAndLocate(List());
    UpdateOfferListButtons();
    grNabidky->setFocus();
}

// ---- flags, locks and archive marks -------------------------------------------------------------------

bool TfrmNabidky::SetOfferField(const QString& fieldName, const QVariant& value) {
    TADOQuery& list = List();
    const int id = list.FieldByName("ID")->AsInteger();
    try {
        // The field name comes from the program, never from the user; the value is bound.
        return ExecAgenda(QString("UPDATE Nabidky SET %1 = :%1 WHERE ID = :ID").arg(fieldName),
                          {{fieldName, value}, {"ID", id}}) > 0;
    } catch (const std::exception&) {
        return false;
    }
}

void TfrmNabidky::SetMarkedOffersField(const QString& fieldName, const QVariant& value, bool clearMarks,
                                       const QString& workingText) {
    const TAccessLevel level = CurrentUser.Nabidky_AR;
    if ((fieldName.toUpper() == "ZAMEK" && !CurrentUser.Zamky_AR) || level == TAccessLevel::ReadOnly ||
        level == TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return;
    }
    TADOQuery& list = List();
    if (!list.Active() || list.IsEmpty()) return;
    int failed = 0;
    TBookmarkList& marks = grNabidky->MarkedRows();
    if (marks.MarkCount() == 0) {
        if (!SetOfferField(fieldName, value)) ++failed;
    } else {
        TWorkingShown working(workingText + "\r" + QString::fromUtf8("prosím čekejte..."));
        const TBookmark here = list.GetBookmark();
        list.DisableControls();
        for (int i = 0; i < marks.MarkCount(); ++i) {
            const TBookmark mark = marks.MarkAt(i);
            if (!list.BookmarkValid(mark)) continue;
            list.GotoBookmark(mark);
            if (!SetOfferField(fieldName, value)) ++failed;
        }
        if (list.BookmarkValid(here)) list.GotoBookmark(here);
        list.EnableControls();
    }
    if (clearMarks) marks.ClearMarks();
    RequeryAndLocate(list);
    if (failed > 0) ShowError(QString::fromUtf8(kOfferFieldNotSaved).arg("Nabidky"));
    grNabidky->setFocus();
}

// ---- deleting -----------------------------------------------------------------------------------------

bool TfrmNabidky::DeleteOne(int id) {
    TADOQuery& list = List();
    if (TestRecordLock(RecordLockPath("Nabidky", id))) {
        ShowWorking(false);
        ShowWarning(QString::fromUtf8(kCannotDeleteInUseText));
        return false;
    }
    if (list.FieldByName("Zamek")->AsBoolean()) {
        ShowWorking(false);
        ShowWarning(QString::fromUtf8(kLockedOfferCannotBeDeleted));
        return false;
    }
    // The offer goes with its items, documents and history, or not at all.
    TTransaction transaction(frmMain->ADOConAgenda);
    ExecAgenda("DELETE FROM Nabidky WHERE ID = :ID", {{"ID", id}});
    ExecAgenda("DELETE FROM NabPolozky WHERE CisloNab = :ID", {{"ID", id}});
    ExecAgenda("DELETE FROM DokumentyNab WHERE CisloNab = :ID", {{"ID", id}});
    ExecAgenda("DELETE FROM Akce WHERE (ObjectID = :ID) AND (ObjectType = :ObjectType)",
               {{"ID", id}, {"ObjectType", static_cast<int>(THistoryObjectType::Offer)}});
    transaction.Commit();
    return true;
}

void TfrmNabidky::btnVyjmoutClick() {
    if (CurrentUser.Nabidky_AR != TAccessLevel::Full) {
        TUser::ShowNoRightsMessage();
        return;
    }
    TADOQuery& list = List();
    TBookmarkList& marks = grNabidky->MarkedRows();
    const bool marked = marks.MarkCount() > 0;
    if (!AskQuestion(QString::fromUtf8(marked ? kConfirmDeleteMarked : kConfirmDeleteOne))) return;
    if (marked) {
        // Marks are bookmarks of the rows as they are now; they are all read before the first goes.
        QStringList ids;
        for (int i = 0; i < marks.MarkCount(); ++i) ids << marks.MarkAt(i);
        ShowWorking(true, QString::fromUtf8(kDeletingOffers));
        for (const TBookmark& mark : ids) {
            if (!list.BookmarkValid(mark)) continue;
            list.GotoBookmark(mark);
            if (!DeleteOne(list.FieldByName("ID")->AsInteger())) break;
        }
        ShowWorking(false);
        RequeryAndLocate(list);
        marks.ClearMarks();
    } else {
        marks.ClearMarks();
        if (RequeryAndLocate(list) != 0) {
            ShowWarning(QString::fromUtf8(kRecordVanishedText));
            UpdateOfferListButtons();
            return;
        }
        const int id = list.FieldByName("ID")->AsInteger();
        const int standOn = GetIDAfterDelete(list, "ID");
        if (DeleteOne(id)) {
            list.Requery();
            if (standOn >= 0) list.Locate("ID", standOn);
        }
    }
    UpdateOfferListButtons();
    grNabidky->setFocus();
}

// ---- sorting and finding ------------------------------------------------------------------------------

void TfrmNabidky::SortByColumn(TColumn* column) {
    if (column == nullptr || !column->Indexed()) return;
    TADOQuery& list = List();
    const TBookmark here = list.Active() ? list.GetBookmark() : TBookmark();
    grNabidky->Columns().Move(column->Index(), kOfferListFixedColumns);
    const QString filter = list.Filter();
    list.SetSort(column->FieldName());
    list.SetFilter(filter);
    if (!here.isEmpty() && list.BookmarkValid(here)) list.GotoBookmark(here);
    ApplySortField(grNabidky, column->FieldName(), QString::fromLatin1(kSortDefault));
    grNabidky->SetCol(grNabidky->DataToRawColumn(kOfferListFixedColumns));
}

void TfrmNabidky::OpenFind(QChar typed) {
    const int third = kOfferListFixedColumns;
    if (third < grNabidky->Columns().Count())
        edtNabidkyFind->setFixedWidth(
            std::max(40, grNabidky->Columns().ColumnAt(third)->Width() - kFindMargin));
    panNabidkyFind->show();
    edtNabidkyFind->setText(QString(typed));
    edtNabidkyFind->setFocus();
    edtNabidkyFind->setCursorPosition(edtNabidkyFind->text().size());
}

void TfrmNabidky::CloseFind() {
    panNabidkyFind->hide();
    edtNabidkyFind->clear();
    grNabidky->setFocus();
}

// ---- the comment panel --------------------------------------------------------------------------------

void TfrmNabidky::TrackComment(int x, int y) {
    const TGridCoord cell = grNabidky->CellAtPoint(x, y);
    const int row = cell.Y - 1;
    if (row == commentRow_ && panCommentPanel->isVisible()) return;
    TADOQuery& list = List();
    const bool overFlag = list.Active() && row >= 0 && row < grNabidky->DataLink()->RecordCount() &&
                          grNabidky->RawToDataColumn(cell.X) == 0;
    QString comment;
    QString number;
    int id = 0;
    if (overFlag) {
        TGridDataLink* link = grNabidky->DataLink();
        const int current = link->ActiveRecord();
        link->SetActiveRecord(row);
        comment = list.FieldByName("TextKomentare")->AsString();
        number = list.FieldByName("Doklad")->AsString();
        id = list.FieldByName("ID")->AsInteger();
        link->SetActiveRecord(current);
    }
    if (comment.isEmpty()) {
        panCommentPanel->hide();
        commentRow_ = -1;
        return;
    }
    commentRow_ = row;
    commentOfferID_ = id;
    const QPoint at = grNabidky->viewport()->mapTo(this, QPoint(x + kCommentOffset, y + kCommentOffset));
    panCommentPanel->move(at);
    lblCommentTitle->setText(QString::fromUtf8(kCommentTitle).arg(number));
    memComment->setPlainText(comment);
    panCommentPanel->raise();
    panCommentPanel->show();
}

// ---- drawing ------------------------------------------------------------------------------------------

void TfrmNabidky::DrawOfferCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                                TGridDrawState state) {
    TADOQuery& list = List();
    const int stateNo = list.FieldByName("IDStav")->AsInteger();
    const double validTo = list.FieldByName("DatPlatnosti")->AsFloat();
    const double today = Date();
    QFont font = grNabidky->font();
    if (stateNo < kStateAccepted && validTo != 0 && today > validTo) font.setBold(true);
    if (list.FieldByName("Archivovano")->AsBoolean()) {
        font.setBold(false);
        font.setItalic(true);
    }
    // Colours start as the grid set them for this cell: state 1 keeps them.
    QColor fontColour = canvas.pen().color();
    QColor brush = canvas.brush().color();
    bool coloured = true;
    if (stateNo == kStateInPreparation) {
        fontColour = ToQColor(clBlue);
    } else if (stateNo == kStateCorrection) {
        fontColour = ToQColor(clFuchsia);
    } else if (stateNo == kStateAccepted) {
        fontColour = ToQColor(clGreen);
    } else if (stateNo >= kStateFirstRejected && stateNo <= kStateCancelled) {
        fontColour = ToQColor(clRed);
        if (stateNo == kStateCancelled) {
            font.setBold(false);
            font.setItalic(false);
            font.setStrikeOut(true);
        }
    } else {
        coloured = false;
    }
    const bool plainSelected = (state & gdSelected) && !(state & gdFocused) && !(state & gdFixed);
    if (plainSelected && coloured) {
        fontColour = ToQColor(clWhite);
        if (stateNo == kStateInPreparation)
            brush = ToQColor(clBlue);
        else if (stateNo == kStateCorrection)
            brush = ToQColor(clPurple);
        else if (stateNo == kStateAccepted)
            brush = ToQColor(clGreen);
        else
            brush = ToQColor(clMaroon);
    }
    if (grNabidky->MarkedRows().IsCurrentRowMarked()) {
        fontColour = ToQColor(clWhite);
        brush = ToQColor(plainSelected ? clNavy : clGray);
    }
    canvas.setFont(font);
    canvas.setBrush(brush);
    canvas.setPen(fontColour);
    canvas.fillRect(rect.ToQRect(), brush);
    const QString field = column->FieldName();
    if (field.compare("FlagID", Qt::CaseInsensitive) == 0) {
        if (!list.FieldByName("TextKomentare")->AsString().isEmpty())
            ilMain.Draw(canvas, rect.Left + 2, rect.Top, kCommentPicture);
        const int flag = list.FieldByName("FlagID")->AsInteger();
        if (flag > 0 && flag <= static_cast<int>(std::size(kFlags)))
            ilMain.Draw(canvas, rect.Left + 1, rect.Top + 1, flag + 1);
        return;
    }
    if (field.compare("Zamek", Qt::CaseInsensitive) == 0) {
        if (list.FieldByName("Zamek")->AsBoolean())
            ilMain.Draw(canvas, rect.Left + 1, rect.Top + 1, kLockPicture);
        return;
    }
    grNabidky->DrawCellDefault(canvas, rect, dataColumn, column, state);
}

// ---- opening ------------------------------------------------------------------------------------------

void PrepareOfferList(TfrmNabidky& window, int mode, bool showArchived) {
    TADOQuery& list = window.List();
    window.SetShowArchived(showArchived);
    list.Close();
    list.SetFiltered(false);
    list.SetFilter(QString());
    list.SetSQL(OfferListSql(showArchived));
    list.Open();
    const QString sort =
        ApplySortField(window.grNabidky, OfferListSortField, QString::fromLatin1(kSortDefault));
    list.SetSort(sort.isEmpty() ? QString::fromLatin1(kSortDefault) : sort);
    if (!list.Locate("ID", OfferListLastID)) list.First();
    window.SetMode(mode);
    // Every opening starts without a filter; the window is made when "Filtr" is first pressed.
    window.frmNabFiltr.reset();
    window.grNabidky->MarkedRows().ClearMarks();
    window.chckLegenda->setChecked(OfferListLegendShown);
}

int OpenOfferList(int mode, bool closeAfter, bool showArchived) {
    if (CurrentUser.Nabidky_AR == TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    TfrmNabidky* window = TfrmNabidky::Instance();
    TADOQuery& list = window->List();
    {
        TWorkingShown working(QString::fromUtf8(kOfferListLoading));
        PrepareOfferList(*window, mode, showArchived);
    }
    const int result = window->exec();
    OfferListLegendShown = window->chckLegenda->isChecked();
    window->SetMode(0);
    if (list.Active() && !list.IsEmpty()) OfferListLastID = list.FieldByName("ID")->AsInteger();
    OfferListSortField = list.Sort().toUpper();
    if (closeAfter) list.Close();
    window->frmNabFiltr.reset();
    return result;
}
