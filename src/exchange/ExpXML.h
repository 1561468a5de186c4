#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/text/OleDate.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDataSet;
class TSchemeButton;

// The XML export of offers and addresses for other programs: a plain windows-1250 text file with
// the root element VNData, one element per line, the offers made by the same print data as the
// offer report and the addresses from the address list's export table. Other programs read these
// files by their element names, so names, order and value forms never change. The export reads
// the data and never writes to a database.

// What a dialog exports; the numbers are those the lists open the dialog with.
enum class TXmlExportKind : int { Offers = 1, Addresses = 4 };

// Opens the export dialog of the kind, modal; starts the chosen external program after a
// successful export. Always 0.
int ShowXmlExportDialog(TXmlExportKind kind);

// Write the document of the marked offers of the offer list (the current one when none is marked)
// or of the address list's export table to the path: 0 on success, -1 when the file could not be
// written (the user has been told).
int ExportOffersXml(const QString& path);
int ExportAddressesXml(const QString& path);

// The moment a document is stamped with; tests fix it.
extern std::function<TDateTime()> XmlExportClock;

// The file pickers of the dialog: folder to start in, title and filter ("text|pattern|..."); they
// answer the chosen path or empty. Tests replace them.
extern std::function<QString(const QString& folder, const QString& title, const QString& filter)>
    XmlExportSaveDialog;
extern std::function<QString(const QString& folder, const QString& title, const QString& filter)>
    XmlExportOpenDialog;

// The pieces of a document, kept apart from the lists so that they can be checked on their own.
// The opening lines: the declaration, the root start tag stamped with the moment, and the list's
// start tag.
QStringList XmlDocumentStart(const QString& description, const QString& listName, TDateTime when);
// The closing lines of the list and the root.
QStringList XmlDocumentEnd(const QString& listName);
// One Nabidka element: the header's one row, then the item and identifier lists when not empty.
void AppendXmlOffer(QStringList& lines, TDataSet& header, TDataSet& items, TDataSet& identifiers);
// One Adresa element per row of the address export table.
void AppendXmlAddresses(QStringList& lines, TDataSet& addresses);
// The text of a value with "&", "<" and ">" replaced by their entities, and nothing else.
QString EscapeXmlValue(const QString& text);
// Writes the lines, each ended by CR LF, in windows-1250. False with the reason when it failed.
bool SaveXmlLines(const QStringList& lines, const QString& path, QString& error);

class TfrmExpXML : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmExpXML(TXmlExportKind kind, QWidget* parent = nullptr);

    TXmlExportKind Kind() const { return kind_; }

    QLabel* lblNapoveda = nullptr;
    QLineEdit* edtExpSoubor = nullptr;
    TSchemeButton* btnProchazet = nullptr;
    QCheckBox* chckExtProgram = nullptr;
    QLineEdit* edtExtProgram = nullptr;
    TSchemeButton* btnProchazetExtProg = nullptr;
    QCheckBox* chckPridatParam = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnNapoveda = nullptr;

    // The four remembered values of the kind into the controls, and back.
    void LoadSettings();
    void SaveSettings();
    // The program entry, its browse button and the parameter box follow "spustit externí program".
    void UpdateControls();
    void btnProchazetClick();
    void btnProchazetExtProgClick();
    // Checks the entries, prepares the folder and the file, exports, and closes with OK when the
    // file was written.
    void acbtnOkExecute();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The checks and preparations before the export; false means stay open (the user has been told
    // or has said no).
    bool ReadyToExport(const QString& path);

    TXmlExportKind kind_;
};

// Texts of the dialog that callers and checks share.
inline constexpr const char* kXmlExportCaption = "Export do XML";
inline constexpr const char* kXmlExportWorking = "Probíhá export do XML\rprosím čekejte...";
inline constexpr const char* kXmlNoProgram =
    "Zadejte buď cestu k externímu programu nebo zrušte zaškrtnutí přepínače.";
inline constexpr const char* kXmlCannotOverwrite = "Chyba: nelze přepsat výstupní soubor \"%1\"";
inline constexpr const char* kXmlSaveFailed = "Při ukládání výstupního souboru došlo k chybě:\r\r";
// Told after every export, so the user knows it happened and where the file is.
inline constexpr const char* kXmlExportDone =
    "Export do XML je dokončen, data byla uložena do souboru\r\"%1\".";
