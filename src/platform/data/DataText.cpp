#include "platform/data/DataText.h"

#include "platform/text/JetText.h"

int DataCompareText(const QString& a, const QString& b) { return CompareJetText(a, b); }

QByteArray DataSortKey(const QString& text) { return JetSortKey(text); }

QByteArrayView DataSortKeyView(const QString& text) { return JetSortKeyView(text); }

bool DataLike(const QString& text, const QString& pattern) { return FilterLike(text, pattern); }
