// The XML export of offers and addresses and its dialog. Documents are written line by line as
// text, not through an XML library: their exact form (indentation, CR LF, the windows-1250 code
// page, which characters are escaped) is what the programs that read them were written against.

#include "exchange/ExpXML.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "addressbook/Adresar.h"
#include "core/CommonUtils.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "exchange/Tisk.h"
#include "offers/NabidkaTisk.h"
#include "offers/Nabidky.h"
#include "offers/RozpisIdentif.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/files/FileUtils.h"
#include "platform/shell/ShellExecute.h"
#include "platform/text/Cp1250.h"
#include "platform/text/DateFormat.h"
#include "platform/text/NumberFormat.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/RichText.h"
#include "pricelist/PriceListUi.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>";
constexpr const char* kRoot = "VNData";
constexpr const char* kOffersDescription = "Nabídky";
constexpr const char* kAddressesDescription = "Adresář";
constexpr const char* kLineEnd = "\r\n";
// The depths of the document: list, element of the list, field of an element, element of a
// nested list, field of that element.
constexpr int kListIndent = 2;
constexpr int kElementIndent = 4;
constexpr int kFieldIndent = 6;
constexpr int kNestedElementIndent = 8;
constexpr int kNestedFieldIndent = 10;

constexpr const char* kHelpText =
    "Pokud chcete exportovat více záznamů najednou, označte je nejprve v seznamu. Můžete také zadat "
    "externí program (např. pro další zpracování XML souboru), který se automaticky spustí po "
    "dokončení exportu.";
constexpr const char* kHelpPage = "pgXMLExport.htm";
constexpr const char* kSaveTitle = "Exportovat do souboru";
constexpr const char* kSaveFilter = "Soubory XML (*.xml)|*.xml|Všechny soubory (*.*)|*.*";
constexpr const char* kSaveExtension = ".XML";
constexpr const char* kProgramTitle = "Vyberte externí program";
constexpr const char* kProgramFilter = "Programy (*.exe)|*.exe|Všechny soubory (*.*)|*.*";
constexpr const char* kProgramExtension = ".EXE";

// The per-user settings of a kind: export file, external program, start it, pass the file.
struct TXmlSettings {
    int File, Program, Start, Parameter;
};
constexpr TXmlSettings kOfferSettings{34, 35, 36, 37};
constexpr TXmlSettings kAddressSettings{40, 41, 42, 43};

const TXmlSettings& SettingsOf(TXmlExportKind kind) {
    return kind == TXmlExportKind::Offers ? kOfferSettings : kAddressSettings;
}

QString Blanks(int count) { return QString(count, QLatin1Char(' ')); }

// Numbers go out with a decimal point whatever the station's settings: the reading programs
// parse them as XML numbers.
const TFormatSettings& PointSettings() {
    static const TFormatSettings settings = [] {
        TFormatSettings s = FormatSettings;
        s.DecimalSeparator = QLatin1Char('.');
        return s;
    }();
    return settings;
}

bool IsHeaderDate(const QString& name) {
    for (const char* date : {"DatVystaveni", "DatVyrizeni", "DatPlatnosti"})
        if (name.compare(QLatin1String(date), Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool IsHeaderRichText(const QString& name) {
    return name.compare(QLatin1String("TextPred"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("TextZa"), Qt::CaseInsensitive) == 0;
}

// The text a rich-text control shows for the value, with the CR LF line ends of memo text. A value
// that is not rich text is shown as it stands.
QString RichPlainText(const QString& value) {
    if (!IsRtfText(value)) return value;
    QTextDocument document;
    if (!RtfToDocument(value, document)) return value;
    QString plain = document.toPlainText();
    plain.replace(QLatin1Char('\n'), QLatin1String(kLineEnd));
    return plain;
}

// Header dates are kept as short-date text for the reports; other programs get them in the one
// form that does not depend on the station.
QString IsoDate(const QString& text) {
    if (text.isEmpty()) return text;
    TDateTime date = 0;
    if (!TryStrToDate(text, date)) return text;
    return FormatDateTime(QStringLiteral("yyyy-mm-dd"), date);
}

QString FieldText(const TField& field, bool header) {
    if (IsFloatType(field.DataType())) return FloatToStr(field.AsFloat(), PointSettings());
    if (field.DataType() == ftBoolean)
        return field.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    const QString text = field.AsString();
    if (header && IsHeaderDate(field.FieldName())) return IsoDate(text);
    if (header && IsHeaderRichText(field.FieldName())) return RichPlainText(text);
    return text;
}

// The field lines of the current row; pictures are left out, they are no text.
void AppendFields(QStringList& lines, const TDataSet& row, int indent, bool header) {
    const QString blanks = Blanks(indent);
    for (int i = 0; i < row.FieldCount(); ++i) {
        const TField& field = *row.Fields()[i];
        if (field.DataType() == ftGraphic) continue;
        const QString& name = field.FieldName();
        lines << blanks + "<" + name + ">" + EscapeXmlValue(FieldText(field, header)) + "</" + name + ">";
    }
}

// A nested list of the offer: left out as a whole when it has no rows.
void AppendRows(QStringList& lines, TDataSet& rows, const char* listName, const char* elementName) {
    if (rows.IsEmpty()) return;
    const QString list = QString::fromLatin1(listName);
    const QString element = QString::fromLatin1(elementName);
    lines << Blanks(kFieldIndent) + "<" + list + ">";
    for (rows.First(); !rows.Eof(); rows.Next()) {
        lines << Blanks(kNestedElementIndent) + "<" + element + ">";
        AppendFields(lines, rows, kNestedFieldIndent, false);
        lines << Blanks(kNestedElementIndent) + "</" + element + ">";
    }
    lines << Blanks(kFieldIndent) + "</" + list + ">";
}

QString QtFilter(const QString& filter) {
    // "text|pattern|text|pattern": the texts carry their patterns in brackets, as Qt wants them.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList texts;
    for (int i = 0; i < parts.size(); i += 2) texts << parts[i];
    return texts.join(QLatin1String(";;"));
}

bool ReadFlag(int number) {
    QString stored;
    UserSetting(kLoad, number, {}, stored);
    bool flag = false;
    return TryStrToBool(stored, flag) && flag;
}

// Steps through the offers of the export and puts the list back as it was on every way out: its
// position, its controls and the breakdown window the print data made.
class TOfferListVisit {
public:
    explicit TOfferListVisit(TDataSet& list) : list_(list), here_(list.GetBookmark()) {
        list_.DisableControls();
    }
    ~TOfferListVisit() {
        if (list_.BookmarkValid(here_)) list_.GotoBookmark(here_);
        list_.EnableControls();
        ReleasePrintBreakdownWindow();
    }
    TOfferListVisit(const TOfferListVisit&) = delete;
    TOfferListVisit& operator=(const TOfferListVisit&) = delete;

    const TBookmark& Here() const { return here_; }

private:
    TDataSet& list_;
    TBookmark here_;
};

// The offers to export, as bookmarks of the list: the mark list from its last position to its
// first, which for marks set one by one is the order the user set them in; the current offer when
// nothing is marked. Marks of rows that have gone since are passed over.
QStringList OffersToExport(TDataSet& list, const TBookmark& current) {
    QStringList chosen;
    TfrmNabidky* window = TfrmNabidky::Existing();
    TBookmarkList* marks = window ? &window->grNabidky->MarkedRows() : nullptr;
    if (marks && marks->MarkCount() > 0) {
        for (int i = marks->MarkCount() - 1; i >= 0; --i)
            if (list.BookmarkValid(marks->MarkAt(i))) chosen << marks->MarkAt(i);
    } else {
        chosen << current;
    }
    return chosen;
}

int ReportSaveFailure(const QString& reason) {
    ShowError(QString::fromUtf8(kXmlSaveFailed) + reason);
    return -1;
}

}  // namespace

std::function<TDateTime()> XmlExportClock = [] { return Now(); };

std::function<QString(const QString&, const QString&, const QString&)> XmlExportSaveDialog =
    [](const QString& folder, const QString& title, const QString& filter) {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, folder, QtFilter(filter));
    };
std::function<QString(const QString&, const QString&, const QString&)> XmlExportOpenDialog =
    [](const QString& folder, const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, folder, QtFilter(filter));
    };

QString EscapeXmlValue(const QString& text) {
    QString escaped = text;
    // The ampersand goes first, so that the entities put in afterwards are not escaped again.
    escaped.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    escaped.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    escaped.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return escaped;
}

QStringList XmlDocumentStart(const QString& description, const QString& listName, TDateTime when) {
    const QString root = QString::fromLatin1(kRoot);
    return {QString::fromLatin1(kDeclaration),
            QStringLiteral("<%1 description=\"%2\" ExportDate=\"%3\" ExportTime=\"%4\">")
                .arg(root, EscapeXmlValue(description), FormatDateTime(QStringLiteral("yyyy-mm-dd"), when),
                     FormatDateTime(QStringLiteral("hh:nn:ss"), when)),
            Blanks(kListIndent) + "<" + listName + ">"};
}

QStringList XmlDocumentEnd(const QString& listName) {
    return {Blanks(kListIndent) + "</" + listName + ">", "</" + QString::fromLatin1(kRoot) + ">"};
}

void AppendXmlOffer(QStringList& lines, TDataSet& header, TDataSet& items, TDataSet& identifiers) {
    lines << Blanks(kElementIndent) + "<Nabidka>";
    header.First();
    AppendFields(lines, header, kFieldIndent, true);
    AppendRows(lines, items, "SeznamPolozek", "Polozka");
    AppendRows(lines, identifiers, "RozpisIdentif", "Identifikator");
    lines << Blanks(kElementIndent) + "</Nabidka>";
}

void AppendXmlAddresses(QStringList& lines, TDataSet& addresses) {
    for (addresses.First(); !addresses.Eof(); addresses.Next()) {
        lines << Blanks(kElementIndent) + "<Adresa>";
        AppendFields(lines, addresses, kFieldIndent, false);
        lines << Blanks(kElementIndent) + "</Adresa>";
    }
}

bool SaveXmlLines(const QStringList& lines, const QString& path, QString& error) {
    QByteArray bytes;
    for (const QString& line : lines) bytes += EncodeCp1250(line + QLatin1String(kLineEnd));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = file.errorString();
        return false;
    }
    // A short write (a full disk) must not pass for a saved document.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        error = file.errorString();
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    return true;
}

int ExportOffersXml(const QString& path) {
    TADOQuery& list = frmMain->adqNabidky;
    const QString listName = QStringLiteral("SeznamNabidek");
    QString error;
    try {
        QStringList lines =
            XmlDocumentStart(QString::fromUtf8(kOffersDescription), listName, XmlExportClock());
        // The list offers the export only while it has rows; an empty one gives an empty list.
        if (list.Active() && !list.IsEmpty()) {
            TOfferListVisit visit(list);
            TOfferPrintTables& tables = OfferPrintTables();
            for (const TBookmark& offer : OffersToExport(list, visit.Here())) {
                list.GotoBookmark(offer);
                BuildOfferPrintData();
                AppendXmlOffer(lines, tables.mtHlavickaNab, tables.mtPolozkyNab,
                               PrintBreakdownWindow()->mtRozpisIdentif);
            }
        }
        lines << XmlDocumentEnd(listName);
        if (SaveXmlLines(lines, path, error)) return 0;
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    return ReportSaveFailure(error);
}

int ExportAddressesXml(const QString& path) {
    const QString listName = QStringLiteral("SeznamAdres");
    QString error;
    try {
        BuildAddressExportTable();
        QStringList lines =
            XmlDocumentStart(QString::fromUtf8(kAddressesDescription), listName, XmlExportClock());
        AppendXmlAddresses(lines, AddressListWindow()->mtSeznamAdres);
        lines << XmlDocumentEnd(listName);
        if (SaveXmlLines(lines, path, error)) return 0;
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    return ReportSaveFailure(error);
}

// ---- the dialog -----------------------------------------------------------------------------------

TfrmExpXML::TfrmExpXML(TXmlExportKind kind, QWidget* parent) : TVnDialog(parent), kind_(kind) {
    setObjectName("frmExpXML");
    setWindowTitle(QString::fromUtf8(kXmlExportCaption));
    auto* layout = new QVBoxLayout(this);

    lblNapoveda = new QLabel(QString::fromUtf8(kHelpText), this);
    lblNapoveda->setObjectName("lblNapoveda");
    lblNapoveda->setWordWrap(true);
    layout->addWidget(lblNapoveda);

    auto* fileLabel = new QLabel(QString::fromUtf8(kSaveTitle), this);
    layout->addWidget(fileLabel);
    auto* fileRow = new QHBoxLayout;
    edtExpSoubor = new QLineEdit(this);
    edtExpSoubor->setObjectName("edtExpSoubor");
    fileLabel->setBuddy(edtExpSoubor);
    fileRow->addWidget(edtExpSoubor, 1);
    btnProchazet = new TSchemeButton(this);
    btnProchazet->setObjectName("btnProchazet");
    btnProchazet->setText("...");
    fileRow->addWidget(btnProchazet);
    layout->addLayout(fileRow);

    chckExtProgram = new QCheckBox(QString::fromUtf8("po dokončení spustit externí program"), this);
    chckExtProgram->setObjectName("chckExtProgram");
    layout->addWidget(chckExtProgram);
    auto* programRow = new QHBoxLayout;
    edtExtProgram = new QLineEdit(this);
    edtExtProgram->setObjectName("edtExtProgram");
    programRow->addWidget(edtExtProgram, 1);
    btnProchazetExtProg = new TSchemeButton(this);
    btnProchazetExtProg->setObjectName("btnProchazetExtProg");
    btnProchazetExtProg->setText("...");
    programRow->addWidget(btnProchazetExtProg);
    layout->addLayout(programRow);
    chckPridatParam = new QCheckBox(QString::fromUtf8("jako parametr přidat exportní soubor"), this);
    chckPridatParam->setObjectName("chckPridatParam");
    layout->addWidget(chckPridatParam);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = AddButton(this, buttons, "btnOk", "OK", QKeySequence(Qt::Key_Return));
    btnStorno =
        AddButton(this, buttons, "btnStorno", QString::fromUtf8("Zpět"), QKeySequence(Qt::Key_Escape));
    btnNapoveda =
        AddButton(this, buttons, "btnNapoveda", QString::fromUtf8("Nápověda"), QKeySequence(Qt::Key_F1));
    layout->addLayout(buttons);
    AddPurchasePriceAction(this);

    connect(btnProchazet, &TSchemeButton::clicked, this, &TfrmExpXML::btnProchazetClick);
    connect(btnProchazetExtProg, &TSchemeButton::clicked, this, &TfrmExpXML::btnProchazetExtProgClick);
    connect(chckExtProgram, &QCheckBox::clicked, this, &TfrmExpXML::UpdateControls);
    connect(btnOk, &QPushButton::clicked, this, &TfrmExpXML::acbtnOkExecute);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnNapoveda, &QPushButton::clicked, this, [] { ShowHelpTopic(QString::fromLatin1(kHelpPage)); });
    resize(480, 260);
}

void TfrmExpXML::LoadSettings() {
    const TXmlSettings& s = SettingsOf(kind_);
    QString text;
    UserSetting(kLoad, s.File, {}, text);
    edtExpSoubor->setText(text);
    UserSetting(kLoad, s.Program, {}, text);
    edtExtProgram->setText(text);
    chckExtProgram->setChecked(ReadFlag(s.Start));
    chckPridatParam->setChecked(ReadFlag(s.Parameter));
    UpdateControls();
}

void TfrmExpXML::SaveSettings() {
    const TXmlSettings& s = SettingsOf(kind_);
    QString unused;
    UserSetting(kSave, s.File, edtExpSoubor->text(), unused);
    UserSetting(kSave, s.Program, edtExtProgram->text(), unused);
    UserSetting(kSave, s.Start, BoolToStoredText(chckExtProgram->isChecked()), unused);
    UserSetting(kSave, s.Parameter, BoolToStoredText(chckPridatParam->isChecked()), unused);
}

void TfrmExpXML::UpdateControls() {
    const bool on = chckExtProgram->isChecked();
    edtExtProgram->setEnabled(on);
    btnProchazetExtProg->setEnabled(on);
    chckPridatParam->setEnabled(on);
    // A disabled entry looks like the window around it, so that nobody tries to type into it.
    QPalette palette = edtExtProgram->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(on ? QPalette::Base : QPalette::Button));
    edtExtProgram->setPalette(palette);
}

void TfrmExpXML::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    UpdateControls();
}

void TfrmExpXML::btnProchazetClick() {
    const QString chosen = XmlExportSaveDialog(ExtractFilePath(edtExpSoubor->text()),
                                               QString::fromUtf8(kSaveTitle), QString::fromUtf8(kSaveFilter));
    if (chosen.isEmpty()) return;
    edtExpSoubor->setText(QFileInfo(chosen).suffix().isEmpty() ? chosen + kSaveExtension : chosen);
}

void TfrmExpXML::btnProchazetExtProgClick() {
    const QString chosen =
        XmlExportOpenDialog(ExtractFilePath(edtExtProgram->text()), QString::fromUtf8(kProgramTitle),
                            QString::fromUtf8(kProgramFilter));
    if (chosen.isEmpty()) return;
    // Programs here seldom have an extension: the default one is only put on a name that is not
    // there as it was chosen.
    const QFileInfo info(chosen);
    edtExtProgram->setText(info.exists() || !info.suffix().isEmpty() ? chosen : chosen + kProgramExtension);
}

bool TfrmExpXML::ReadyToExport(const QString& path) {
    if (path.isEmpty()) {
        ShowInformation(QString::fromUtf8(kExportFileMissing));
        return false;
    }
    if (chckExtProgram->isChecked() && edtExtProgram->text().trimmed().isEmpty()) {
        ShowInformation(QString::fromUtf8(kXmlNoProgram));
        return false;
    }
    if (!EnsureExportFolder(path)) return false;
    if (QFileInfo::exists(path)) {
        if (!AskQuestion(QString::fromUtf8(kExportOverwrite).arg(path))) return false;
        QFile::remove(path);
        if (QFileInfo::exists(path)) {
            ShowWarning(QString::fromUtf8(kXmlCannotOverwrite).arg(path));
            return false;
        }
    }
    return true;
}

void TfrmExpXML::acbtnOkExecute() {
    const QString path = edtExpSoubor->text().trimmed();
    if (!ReadyToExport(path)) return;
    int result = -1;
    {
        TWorkingShown working(QString::fromUtf8(kXmlExportWorking));
        result = kind_ == TXmlExportKind::Offers ? ExportOffersXml(path) : ExportAddressesXml(path);
    }
    if (result != 0) return;
    ShowInformation(QString::fromUtf8(kXmlExportDone).arg(QFileInfo(path).absoluteFilePath()));
    accept();
}

int ShowXmlExportDialog(TXmlExportKind kind) {
    QWidget* owner = QApplication::activeModalWidget();
    TfrmExpXML window(kind, owner ? owner : QApplication::activeWindow());
    window.LoadSettings();
    if (window.exec() != QDialog::Accepted) return 0;
    if (window.chckExtProgram->isChecked())
        ShellExecute(window.edtExtProgram->text().trimmed(),
                     window.chckPridatParam->isChecked() ? window.edtExpSoubor->text().trimmed() : QString());
    window.SaveSettings();
    return 0;
}
