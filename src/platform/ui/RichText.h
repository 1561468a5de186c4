#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

// Rich text in the RTF form the program keeps in memo columns and files: bold, italic, underline,
// font name, size, colour, paragraph alignment and line breaks. Characters outside ASCII are
// written as \uN with a windows-1250 \'xx fallback, so what we write is plain ASCII that word
// processors read back with Czech letters intact. Reading takes what word processors write and
// skips every destination it does not know; it never throws.

// True when the text is RTF (it begins with "{\rtf", blanks before it allowed).
bool IsRtfText(const QString& text);

// The whole document as RTF.
QByteArray DocumentToRtf(const QTextDocument& document);

// Replaces the document's content by the RTF text. Answers false (the document then empty) when
// the text is not RTF at all; text after a damaged spot is read as far as it goes. Bytes above
// 127 outside \'xx escapes are read in the document's code page.
bool RtfToDocument(const QByteArray& rtf, QTextDocument& document);
// The same for RTF held as characters (a memo column): characters above 127 stand for themselves.
bool RtfToDocument(const QString& rtf, QTextDocument& document);
