#include "widgets/UrlLabel.h"

#include <QFontDatabase>
#include <QMouseEvent>

#include "platform/shell/OpenUrl.h"

namespace {

const char* const kPrefixes[] = {"",         "file://", "ftp://", "gopher://", "http://",
                                 "https://", "mailto:", "news:",  "telnet:",   "wais:"};
static_assert(std::size(kPrefixes) == utWais + 1);

// Mail clients read the line breaks of a mail body from the address in this form.
const char* const kMailLineBreak = "%0A%0D";

// A mail field goes into the address as it stands, except for the two characters that would end
// it there: "&" starts the next field and "#" the address's fragment.
QString MailField(const QString& value) {
    QString field = value;
    field.replace('&', QLatin1String("%26")).replace('#', QLatin1String("%23"));
    return field;
}

}  // namespace

TUrlLabel::TUrlLabel(QWidget* parent) : QLabel(parent) {
    QFont f = font();
    f.setFamily(QFontDatabase::hasFamily("Tahoma") ? "Tahoma" : "Arial");
    setFont(f);
    SetFontColor(clNavy);
    setCursor(Qt::PointingHandCursor);
}

QString TUrlLabel::LinkAddress() const {
    QString address =
        (urlType_ == utCustom ? customUrlType_ : QString::fromLatin1(kPrefixes[urlType_])) + url_;
    if (urlType_ != utMail) return address;
    QStringList fields;
    if (!mailSubject_.isEmpty()) fields << "Subject=" + MailField(mailSubject_);
    if (!mailBody_.isEmpty()) {
        QString body;
        for (const QString& line : mailBody_) body += MailField(line) + "\r\n";
        body.replace(QLatin1String("\r\n"), QLatin1String(kMailLineBreak), Qt::CaseInsensitive);
        fields << "Body=" + body;
    }
    if (!bcc_.isEmpty()) fields << "Bcc=" + MailField(bcc_);
    if (!cc_.isEmpty()) fields << "Cc=" + MailField(cc_);
    if (!fields.isEmpty()) address += '?' + fields.join('&');
    return address;
}

TColor TUrlLabel::FontColor() const { return FromQColor(palette().color(QPalette::WindowText)); }

void TUrlLabel::SetFontColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, ToQColor(color));
    setPalette(p);
}

void TUrlLabel::UpdateHint() {
    if (showUrlHint_) setToolTip(LinkAddress());
}

void TUrlLabel::SetURLType(TUrlType type) {
    urlType_ = type;
    UpdateHint();
}

void TUrlLabel::SetURL(const QString& url) {
    url_ = url;
    UpdateHint();
}

void TUrlLabel::SetCustomURLType(const QString& prefix) {
    customUrlType_ = prefix;
    // The prefix is part of the address a click opens, so the hint follows it as well.
    UpdateHint();
}

void TUrlLabel::SetMailSubject(const QString& subject) {
    mailSubject_ = subject;
    UpdateHint();
}

void TUrlLabel::SetMailBody(const QStringList& lines) {
    mailBody_ = lines;
    UpdateHint();
}

void TUrlLabel::SetCc(const QString& cc) {
    cc_ = cc;
    UpdateHint();
}

void TUrlLabel::SetBcc(const QString& bcc) {
    bcc_ = bcc;
    UpdateHint();
}

void TUrlLabel::SetShowUrlHint(bool on) {
    if (on)
        setToolTip(LinkAddress());
    else if (toolTip() == LinkAddress())
        // A hint of the window's own making stays.
        setToolTip({});
    showUrlHint_ = on;
}

void TUrlLabel::SetDetectMouse(bool on) {
    detectMouse_ = on;
    QFont f = font();
    f.setUnderline(!on);
    setFont(f);
}

void TUrlLabel::enterEvent(QEnterEvent* event) {
    if (detectMouse_) {
        SetFontColor(ActiveColor);
        if (UnderlineOnEnter) {
            QFont f = font();
            f.setBold(false);
            f.setItalic(false);
            f.setStrikeOut(false);
            f.setUnderline(true);
            setFont(f);
        }
    }
    QLabel::enterEvent(event);
    if (OnMouseEnter) OnMouseEnter();
}

void TUrlLabel::leaveEvent(QEvent* event) {
    if (detectMouse_) {
        SetFontColor(InactiveColor);
        QFont f = font();
        f.setBold(false);
        f.setItalic(false);
        f.setStrikeOut(false);
        f.setUnderline(false);
        setFont(f);
    }
    QLabel::leaveEvent(event);
    if (OnMouseLeave) OnMouseLeave();
}

void TUrlLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click) OpenUrl(LinkAddress());
}
