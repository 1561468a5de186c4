#pragma once

#include <QByteArray>
#include <QString>

// windows-1250, the code page of Czech Windows, in which the exchange formats (XML export, dBase
// and text sources of the import) keep their text.
//
// Encoding never fails: a character the code page lacks becomes "?" (one for each character, also
// outside the basic plane). Decoding never fails either: the five bytes the code page leaves
// undefined (0x81, 0x83, 0x88, 0x90, 0x98) become the control characters of the same number, as
// Windows reads them, so they survive a round trip.
QByteArray EncodeCp1250(const QString& text);
QString DecodeCp1250(const QByteArray& bytes);
