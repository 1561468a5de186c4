#pragma once

#include <QLabel>
#include <QStringList>
#include <functional>

#include "platform/ui/CustomGrid.h"

enum TUrlType { utCustom, utFile, utFtp, utGopher, utHttp, utHttps, utMail, utNews, utTelnet, utWais };

// A label that is a link: it builds an address from a link kind and an address, shows it as its
// hint, lights up while the mouse is over it and opens the address with the desktop when clicked.
class TUrlLabel : public QLabel {
    Q_OBJECT
public:
    explicit TUrlLabel(QWidget* parent = nullptr);

    TUrlType URLType() const { return urlType_; }
    void SetURLType(TUrlType type);
    // The address without the kind's prefix.
    QString URL() const { return url_; }
    void SetURL(const QString& url);
    // The prefix of utCustom.
    QString CustomURLType() const { return customUrlType_; }
    void SetCustomURLType(const QString& prefix);
    QString MailSubject() const { return mailSubject_; }
    void SetMailSubject(const QString& subject);
    QStringList MailBody() const { return mailBody_; }
    void SetMailBody(const QStringList& lines);
    QString Cc() const { return cc_; }
    void SetCc(const QString& cc);
    QString Bcc() const { return bcc_; }
    void SetBcc(const QString& bcc);

    // Keeps the hint equal to the link address.
    bool ShowUrlHint() const { return showUrlHint_; }
    void SetShowUrlHint(bool on);
    // Reacts to the mouse; off, the label stays underlined as a static link.
    bool DetectMouse() const { return detectMouse_; }
    void SetDetectMouse(bool on);
    bool UnderlineOnEnter = true;
    TColor ActiveColor = clBlue;
    TColor InactiveColor = clNavy;

    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;

    // The address a click opens: the kind's prefix, the address and, for mail, its fields.
    QString LinkAddress() const;
    // The colour the text is drawn in.
    TColor FontColor() const;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void UpdateHint();
    void SetFontColor(TColor color);

    TUrlType urlType_ = utCustom;
    QString url_, customUrlType_, mailSubject_, cc_, bcc_;
    QStringList mailBody_;
    bool showUrlHint_ = true;
    bool detectMouse_ = true;
    bool pressed_ = false;
};
