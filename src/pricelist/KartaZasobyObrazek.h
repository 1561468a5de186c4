#pragma once

#include <QString>

// The item's picture: a file in the firm's shared picture store whose name (no folder) the item
// keeps. Pictures are copied into the store, never moved or deleted from it, because other items
// and the price-list print may use the same file.

// The longest name the item can keep, extension included.
inline constexpr int kPictureNameMaxLength = 30;

// The store folder of the open firm, ending in "/".
QString PictureStoreFolder();

// The name a chosen file is stored under: the name itself, or, when it is too long, as much of
// its stem as fits beside its extension.
QString CutPictureName(const QString& fileName);

// Copies the chosen file into the store (asking before it overwrites another file of the name) and
// answers the name it got there; empty when the user stopped or a step failed (after telling him).
QString StorePicture(const QString& sourcePath, const QString& folder);

inline constexpr const char* kPictureFilter =
    "Soubory JPG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Všechny soubory (*.*)|*.*";
inline constexpr const char* kPictureFolderFailed = "Nelze vytvořit adresář pro úložiště obrázků ";
inline constexpr const char* kPictureNameCut =
    "Maximální délka názvu souboru včetně přípony je %1 znaků. Do interního úložiště obrázků bude soubor "
    "zkopírován s oříznutým názvem \"%2\".";
inline constexpr const char* kPictureOverwrite =
    "Soubor s názvem %1 již v úložišti obrázků existuje. Opravdu ho chcete přepsat?";
inline constexpr const char* kPictureCopyFailed = "Při kopírování souboru %1 na %2 došlo k chybě.";
inline constexpr const char* kPictureMissing = "Soubor s obrázkem nebyl na disku nalezen!";
inline constexpr const char* kPictureUnlink = "Opravdu chcete zrušit odkaz na obrázek?";
inline constexpr const char* kPictureStoreInfo =
    "Program používá společné úložiště, do kterého kopíruje všechny nově přidané obrázky. Složka s "
    "úložištěm obrázků:\r\r";
