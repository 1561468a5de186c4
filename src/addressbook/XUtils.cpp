#include "addressbook/XUtils.h"

#include <QIODevice>
#include <algorithm>

QString XmlEscapeText(const QString& text) {
    // "&" goes first, or the ampersands of the other entities would be escaped again.
    QString result = text;
    result.replace(u'&', QLatin1String("&amp;"));
    result.replace(u'<', QLatin1String("&lt;"));
    result.replace(u'>', QLatin1String("&gt;"));
    result.replace(u'"', QLatin1String("&quot;"));
    result.replace(u'\'', QLatin1String("&apos;"));
    return result;
}

QString XmlUnescapeText(const QString& text) {
    // "&amp;" goes last, so that "&amp;lt;" comes out as the text "&lt;" and not as "<".
    QString result = text;
    result.replace(QLatin1String("&apos;"), QLatin1String("'"));
    result.replace(QLatin1String("&quot;"), QLatin1String("\""));
    result.replace(QLatin1String("&gt;"), QLatin1String(">"));
    result.replace(QLatin1String("&lt;"), QLatin1String("<"));
    result.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return result;
}

EXmlError::EXmlError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}

void TRefObject::Release() {
    Q_ASSERT(refCount_ > 0);
    if (refCount_ == 1) {
        // Left at 1 while the object dies, so a destructor that takes and drops a reference to
        // the object (through a list it is being removed from) cannot destroy it a second time.
        delete this;
        return;
    }
    --refCount_;
}

TTextReader::TTextReader(QIODevice* stream, int bufferSize)
    : stream_(stream), bufferSize_(std::clamp(bufferSize, 1, kMaxBufferSize)) {
    buffer_ = std::make_unique<char[]>(bufferSize_);
    Fill();
}

bool TTextReader::Fill() {
    position_ = 0;
    end_ = 0;
    if (!stream_) return false;
    // A failing device (-1) ends the text like its end does.
    const qint64 got = stream_->read(buffer_.get(), bufferSize_);
    end_ = got > 0 ? static_cast<int>(got) : 0;
    return end_ > 0;
}

bool TTextReader::Eof() { return position_ >= end_ && !Fill(); }

char TTextReader::ReadChar() {
    if (Eof()) return 0;
    return buffer_[position_++];
}

char TTextReader::PeekChar() {
    if (Eof()) return 0;
    return buffer_[position_];
}
