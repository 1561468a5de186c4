#pragma once

// Makes a picture store entry from image bytes: the entry a shape references to show them.

#include <QByteArray>
#include <memory>

#include "XLSAdapter/UEscherRecords.h"
#include "XLSAdapter/UXlsEscher.h"

std::unique_ptr<TEscherBSERecord> ConvertGraphicToBSE(const QByteArray& data, TXlsImgTypes picType,
                                                      TEscherDwgGroupCache* dwgGroupCache);

// The image bytes a stored picture entry holds, as a file of its type would hold them.
QByteArray BSEImageBytes(const TEscherBSERecord& bse, TXlsImgTypes& picType);
