#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The one place where datasets reach the text comparison of the database engine, so that sorting,
// locating and filtering in memory order and match texts exactly as the database does.
int DataCompareText(const QString& a, const QString& b);
QByteArray DataSortKey(const QString& text);
// The same key in a buffer that the next call reuses.
QByteArrayView DataSortKeyView(const QString& text);
// Filter LIKE: "*" any run, "?" one character, compared as the database compares text.
bool DataLike(const QString& text, const QString& pattern);
