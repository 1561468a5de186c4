#include "platform/text/Guid.h"

#include <QUuid>

QString NewGuidText() {
    // Only hexadecimal digits need raising; the full Unicode upper-casing costs an import of many
    // new rows more than the rest of making the key.
    QString text = QUuid::createUuid().toString(QUuid::WithBraces);
    for (QChar& c : text)
        if (c >= u'a' && c <= u'f') c = QChar(c.unicode() - u'a' + u'A');
    return text;
}
