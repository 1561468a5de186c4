#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class TMemTable;

// Documents linked to a firm or an offer, and the shared document folder under the data folder in
// which the program keeps its own copies of them, so that every station finds them. A stored path
// is either a full path, used as it stands, or the shared-folder token followed by a file name in
// the record's own folder. Nothing here ever deletes a linked document; only a copy that the user
// agreed to overwrite is replaced.

// Whose documents the helpers resolve: the address card's (the firm of adqAdresar's current row)
// or the offer card's (the offer of adqNabidky's current row).
enum class TDocumentFolderMode { Firm = 1, Offer = 2 };

// Set by the card that handles documents: the address card sets Firm, the offer card Offer.
extern TDocumentFolderMode DocumentFolderMode;
// The offers know the same setting by this name.
inline TDocumentFolderMode& DocumentContext = DocumentFolderMode;

// A stored path that begins with it (in any letter case) names a file in the record's folder.
inline constexpr const char* kSharedFolderToken = "%SDILENA_SLOZKA%";

// DataFolder + "Dokumenty/" + CurrentFirm + "/" + the firm's ID + "/" (Firm), or
// + "Nabidky/" + the offer's ID + "/" (Offer). Empty when the list has no current row. The folder
// need not exist.
QString GetDocumentFolder(TDocumentFolderMode mode);

// True when the stored path begins with the token.
bool IsSharedFolderPath(const QString& stored);
// The file a stored path names, the token replaced by the record's folder of the mode.
QString ResolveDocumentPath(const QString& stored, TDocumentFolderMode mode);
// The same with the record's folder given.
QString ResolveDocumentPathIn(const QString& stored, const QString& folder);

// Opens the file with its program; tells the user when it does not exist or no program takes it.
void OpenDocumentFile(const QString& path);
// Opens a web address; one without a scheme is taken as an "http://" address.
void OpenWebAddress(const QString& text);
// Starts a message to the address in the mail program.
void SendMailTo(const QString& address);

// The file's small icon (16 by 16), taken from the larger one; a missing file gives a blank icon.
QImage DrawFileIcon(const QString& path);
// The icon as the document rows keep it (PNG bytes of a SmallIcon field).
QByteArray FileIconBytes(const QString& path);

// Makes the memory table of a card's documents: Popis, File, Empty (the icon column), CopyFile,
// SmallIcon and ID (-1 for a link not stored yet), with the indexes "Popis" and "ID".
void PrepareDocumentTable(TMemTable& documents);

// Copies every row's file that is flagged CopyFile into the record's folder of the mode, asking
// before an existing copy is overwritten. A copied row's File becomes the token and the file name;
// a row that cannot be copied keeps its path (the user has been told why). Every row leaves without
// the flag.
void CopyDocumentsToSharedFolder(TMemTable& documents, TDocumentFolderMode mode);

inline constexpr const char* kFileMissing = "Soubor %1 neexistuje!";
inline constexpr const char* kNoAssociation = "Se souborem %1 není asociován žádný program.";
inline constexpr const char* kCannotMakeSharedFolder =
    "Nelze vytvořit sdílený adresář %1 pro zkopírování dokumentu.";
inline constexpr const char* kSourceMissing =
    "Odkaz na dokument %1 již není platný (soubor fyzicky neexistuje) - nelze ho proto zkopírovat do "
    "sdílené složky.";
inline constexpr const char* kSameSourceAndTarget =
    "Zdrojový odkaz dokumentu je stejný jako cílový - nelze kopírovat soubor sám na sebe.";
inline constexpr const char* kOverwriteQuestion = "Soubor %1 již existuje, opravdu ho chcete přepsat ?";
inline constexpr const char* kCannotOverwrite = "Nelze přepsat soubor (dokument) %1.";
inline constexpr const char* kCopyFailed = "Při kopírování souboru %1 na %2 došlo k chybě.";
