#pragma once

#include <QString>
#include <QVariant>
#include <array>
#include <functional>
#include <memory>

#include "platform/data/DataSource.h"
#include "platform/ui/VnDialog.h"
#include "widgets/VnEditTools.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TADOQuery;
class TColumn;
class TVnDBGrid;
class TfrmNabFiltr;

// The offer list "Seznam nabídek" over the main window's adqNabidky: the offers of the open firm
// as the user's rights and prefilter let him see them, with flags, edit locks and comments. The
// window lives for the whole run; every opening rebuilds its query. It never writes an offer's
// header or items itself: that is the offer card's business.

// The coloured flag an offer carries (`Nabidky.FlagID`).
enum class TOfferFlag : int { None = 0, Red = 1, Green = 2, Blue = 3, Grey = 4, Yellow = 5, Purple = 6 };

// The modal result that asks the caller to open the list again with archived offers shown.
inline constexpr int kOfferListShowArchived = -999;
// The modal result of "Zavřít".
inline constexpr int kOfferListClosed = 2;

inline constexpr const char* kOfferListCaption = "Seznam nabídek";
inline constexpr const char* kOfferListLoading = "Načítám seznam Nabídek\rprosím čekejte...";
inline constexpr const char* kConfirmDeleteOne =
    "Vyjmutí dokladu je nevratná operace. Opravdu chcete pokračovat ?";
inline constexpr const char* kConfirmDeleteMarked =
    "Varování: chystáte se smazat několik záznamů najednou!\r\rVyjmutí dokladu je nevratná operace - opravdu "
    "chcete pokračovat a nenávratně smazat označené doklady?";
inline constexpr const char* kDeletingOffers = "Mazání dokladů\rprosím čekejte...";
inline constexpr const char* kLockedOfferCannotBeDeleted = "Uzamčený doklad není možné smazat.";
inline constexpr const char* kSettingLocks = "Nastavení zámků";
inline constexpr const char* kSettingFlags = "Nastavení vlajek";
inline constexpr const char* kShowArchivedCaption = "Znovu zobrazit seznam nabídek včetně archivovaných";
inline constexpr const char* kClearArchiveCaption = "Zrušit příznak archivace u označených dokladů";
inline constexpr const char* kConfirmArchiveMarked =
    "Opravdu chcete označené doklady přesunout do archivu (tzn. nezobrazovat v seznamu nabídek)?%1Pozn.: "
    "budete-li chtít v budoucnu archivované doklady znovu zviditelnit, zvolte z menu \"%2\".";
inline constexpr const char* kArchiving = "Probíhá archivace";
inline constexpr const char* kClearingArchive = "Probíhá zrušení archivace";
inline constexpr const char* kCommentTitle = "                  Komentář k nabídce %1";
inline constexpr const char* kFindHint = "vyhledávací políčko zavřete klávesou Tab";
// A flag, lock or archive mark that could not be written is not passed over in silence.
inline constexpr const char* kOfferFieldNotSaved =
    "Při ukládání záznamu došlo k chybě: metoda \"Execute\" tabulky %1 selhala.";

class TfrmNabidky : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmNabidky(QWidget* parent = nullptr);
    ~TfrmNabidky() override;

    // The one list of the run: made at start-up, or on first use where start-up did not run.
    static TfrmNabidky* Instance();
    static TfrmNabidky* Existing();

    TADOQuery& List() const;

    TDataSource dsNabidky;
    TVnDBGrid* grNabidky = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnOpravit = nullptr;
    QPushButton* btnKopirovat = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnObnovit = nullptr;
    QPushButton* btnFiltr = nullptr;
    QPushButton* btnTisk = nullptr;
    QPushButton* btnOstatni = nullptr;
    QPushButton* btnNapoveda = nullptr;
    QCheckBox* chckLegenda = nullptr;
    QFrame* panLegenda = nullptr;
    QLabel* imgKomentarLegenda = nullptr;
    QLabel* imgZamekLegenda = nullptr;
    QLabel* imgVlajkaLegenda = nullptr;

    QMenu* pmOstatni = nullptr;
    QAction* acSoucet = nullptr;
    QAction* acExportXml = nullptr;
    QAction* acHistorieAkci = nullptr;
    QAction* acPrehledoveSestavy = nullptr;
    QMenu* mnuArchivace = nullptr;
    QAction* acArchivovatStarsi = nullptr;
    QAction* acArchivovatOznacene = nullptr;
    QAction* acZrusitArchivaci = nullptr;
    QAction* acZobrazitArchivovane = nullptr;
    QAction* acUzamknout = nullptr;
    QAction* acOdemknout = nullptr;
    QAction* acKomentar = nullptr;

    QMenu* pmNabidky = nullptr;
    std::array<QAction*, 6> pmVlajky{};
    QAction* pmVymazatVlajku = nullptr;
    QAction* pmUzamknout = nullptr;
    QAction* pmOdemknout = nullptr;
    QAction* pmKomentar = nullptr;

    QFrame* panNabidkyFind = nullptr;
    QLineEdit* edtNabidkyFind = nullptr;
    QLabel* lblNabidkyFindHint = nullptr;

    QFrame* panCommentPanel = nullptr;
    QLabel* lblCommentTitle = nullptr;
    QPlainTextEdit* memComment = nullptr;
    QPushButton* btnCommentEdit = nullptr;

    // The filter window of the current opening: made at its first use, released at closing, so that
    // no choice survives a reopening.
    std::unique_ptr<TfrmNabFiltr> frmNabFiltr;
    TfrmNabFiltr& FilterWindow();

    bool ShowArchived() const { return showArchived_; }
    void SetShowArchived(bool value) { showArchived_ = value; }
    int Mode() const { return mode_; }
    void SetMode(int value) { mode_ = value; }
    int CommentRow() const { return commentRow_; }

    void UpdateOfferListButtons();
    // Writes one column on the marked offers, or on the current one when none is marked.
    void SetMarkedOffersField(const QString& fieldName, const QVariant& value, bool clearMarks,
                              const QString& workingText);
    // False when the column could not be written on the current offer.
    bool SetOfferField(const QString& fieldName, const QVariant& value);
    void ShowOfferListLegend(bool visible);
    void btnVyjmoutClick();
    void btnObnovitClick();
    // The title click of a sortable column.
    void SortByColumn(TColumn* column);
    // Opens the find strip with the typed character.
    void OpenFind(QChar typed);
    void CloseFind();
    // The comment panel for the pointer at the grid's client point.
    void TrackComment(int x, int y);
    // The archive entries and the comment of the "Ostatní" menu.
    void ArchiveOlderOffers();
    void ArchiveMarkedOffers();
    void EditCurrentComment();
    void EditComment(int offerId);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void BuildMenus();
    void BuildLegend(QWidget* parent);
    void BuildFindStrip(QWidget* parent);
    void BuildCommentPanel();
    void DrawOfferCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                       TGridDrawState state);
    void Guarded(QPushButton* button, const std::function<void()>& action);
    void OpenOffer(bool isNew, bool isCopy);
    void ShowHistory();
    bool DeleteOne(int id);

    TImageList ilMain;
    bool showArchived_ = false;
    int mode_ = 0;
    int commentRow_ = -1;
    int commentOfferID_ = 0;
    bool inHandler_ = false;
};

// The offer list, modal. Mode 0 lets double-click and Enter open an offer. Answers the modal
// result: -1 without the right, kOfferListShowArchived when the user asked for archived offers.
int OpenOfferList(int mode, bool closeAfter, bool showArchived);

// Rebuilds the list's query and puts it where the user left it, as every opening does before the
// window shows.
void PrepareOfferList(TfrmNabidky& window, int mode, bool showArchived);

// The list query's text for the current user: archived offers left out unless asked for, then
// the user's creator prefilter.
QString OfferListSql(bool showArchived);
