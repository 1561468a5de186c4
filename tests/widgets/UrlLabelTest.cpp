#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QTest>

#include "common/FakeUrlLauncher.h"
#include "platform/shell/OpenUrl.h"
#include "widgets/UrlLabel.h"

namespace {

void Enter(QWidget& widget) {
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

TEST(UrlLabelTest, BuildsTheLinkAddressOfEachKind) {
    struct Case {
        TUrlType type;
        const char* url;
        const char* custom;
        const char* subject;
        QStringList body;
        const char* cc;
        const char* bcc;
        const char* address;
    };
    const Case cases[] = {
        {utHttp, "www.firma.cz", "", "", {}, "", "", "http://www.firma.cz"},
        {utCustom, "www.firma.cz", "", "", {}, "", "", "www.firma.cz"},
        {utCustom, "420123456", "callto:", "", {}, "", "", "callto:420123456"},
        {utFile, "/srv/a.pdf", "", "", {}, "", "", "file:///srv/a.pdf"},
        {utFtp, "ftp.firma.cz", "", "", {}, "", "", "ftp://ftp.firma.cz"},
        {utGopher, "g.cz", "", "", {}, "", "", "gopher://g.cz"},
        {utHttps, "firma.cz", "", "", {}, "", "", "https://firma.cz"},
        {utNews, "cz.comp", "", "", {}, "", "", "news:cz.comp"},
        {utTelnet, "host", "", "", {}, "", "", "telnet:host"},
        {utWais, "host", "", "", {}, "", "", "wais:host"},
        // Mail fields count only for mail.
        {utHttp, "firma.cz", "", "Dotaz", {"a"}, "c@firma.cz", "", "http://firma.cz"},
        {utMail, "podpora@firma.cz", "", "", {}, "", "", "mailto:podpora@firma.cz"},
        {utMail,
         "podpora@firma.cz",
         "",
         "Dotaz na ceník",
         {"Dobrý den,", "prosím o ceník."},
         "",
         "",
         "mailto:podpora@firma.cz?Subject=Dotaz na ceník&Body=Dobrý den,%0A%0Dprosím o ceník.%0A%0D"},
        {utMail,
         "podpora@firma.cz",
         "",
         "",
         {},
         "kopie@firma.cz",
         "",
         "mailto:podpora@firma.cz?Cc=kopie@firma.cz"},
        {utMail,
         "a@firma.cz",
         "",
         "S",
         {"B"},
         "c@firma.cz",
         "s@firma.cz",
         "mailto:a@firma.cz?Subject=S&Body=B%0A%0D&Bcc=s@firma.cz&Cc=c@firma.cz"},
        // "&" and "#" in a field would cut it short where the address is read.
        {utMail,
         "a@firma.cz",
         "",
         "Ceník & sklad #2",
         {"A&B"},
         "",
         "",
         "mailto:a@firma.cz?Subject=Ceník %26 sklad %232&Body=A%26B%0A%0D"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        TUrlLabel label;
        label.SetCustomURLType(QString::fromUtf8(c.custom));
        label.SetMailSubject(QString::fromUtf8(c.subject));
        label.SetMailBody(c.body);
        label.SetCc(QString::fromUtf8(c.cc));
        label.SetBcc(QString::fromUtf8(c.bcc));
        label.SetURL(QString::fromUtf8(c.url));
        label.SetURLType(c.type);
        EXPECT_EQ(label.LinkAddress(), QString::fromUtf8(c.address));
        EXPECT_EQ(label.toolTip(), QString::fromUtf8(c.address));
    }
}

TEST(UrlLabelTest, HintFollowsTheAddressUnlessTheWindowSetsItsOwn) {
    TUrlLabel label;
    label.SetURL("firma.cz");
    EXPECT_EQ(label.toolTip(), "firma.cz");
    // The prefix set after the address still reaches the hint, as it reaches the click.
    label.SetCustomURLType("https://");
    EXPECT_EQ(label.toolTip(), "https://firma.cz");

    label.SetShowUrlHint(false);
    EXPECT_TRUE(label.toolTip().isEmpty());
    label.SetURL("jina.cz");
    EXPECT_TRUE(label.toolTip().isEmpty());
    label.SetShowUrlHint(true);
    EXPECT_EQ(label.toolTip(), "https://jina.cz");

    label.setToolTip("Naše stránky");
    label.SetShowUrlHint(false);
    EXPECT_EQ(label.toolTip(), "Naše stránky");
}

TEST(UrlLabelTest, LightsUpWhileTheMouseIsOver) {
    TUrlLabel label;
    EXPECT_EQ(label.FontColor(), clNavy);
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(label.font().family() == "Tahoma" || label.font().family() == "Arial");

    QStringList events;
    label.OnMouseEnter = [&] { events << "enter:" + QString::number(label.FontColor(), 16); };
    label.OnMouseLeave = [&] { events << "leave:" + QString::number(label.FontColor(), 16); };
    QFont bold = label.font();
    bold.setBold(true);
    label.setFont(bold);
    label.ActiveColor = clRed;
    label.InactiveColor = clGreen;

    Enter(label);
    EXPECT_EQ(label.FontColor(), clRed);
    EXPECT_TRUE(label.font().underline());
    EXPECT_FALSE(label.font().bold());
    Leave(label);
    EXPECT_EQ(label.FontColor(), clGreen);
    EXPECT_FALSE(label.font().underline());
    EXPECT_FALSE(label.font().bold());
    EXPECT_EQ(events, (QStringList{"enter:ff", "leave:8000"}));

    // Without underlining the style stays while the mouse is over; the leaving clears it.
    label.UnderlineOnEnter = false;
    label.setFont(bold);
    Enter(label);
    EXPECT_TRUE(label.font().bold());
    EXPECT_FALSE(label.font().underline());
    Leave(label);
    EXPECT_FALSE(label.font().bold());

    // A static link is underlined for good and ignores the mouse.
    label.SetDetectMouse(false);
    EXPECT_TRUE(label.font().underline());
    Enter(label);
    EXPECT_EQ(label.FontColor(), clGreen);
    Leave(label);
    EXPECT_TRUE(label.font().underline());
    label.SetDetectMouse(true);
    EXPECT_FALSE(label.font().underline());
}

TEST(UrlLabelTest, ClickOpensTheAddress) {
    TFakeLauncher launcher;
    TUrlLabel label;
    label.setText("podpora@firma.cz");
    label.resize(120, 16);
    label.SetURLType(utMail);
    label.SetURL("podpora@firma.cz");
    label.SetMailSubject("Dotaz");
    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(launcher.opened, QStringList{"mailto:podpora@firma.cz?Subject=Dotaz"});

    // Another button, or a release away from the label, opens nothing.
    QTest::mouseClick(&label, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(300, 5));
    EXPECT_EQ(launcher.opened.size(), 1);

    label.SetURLType(utCustom);
    label.SetURL("www.firma.cz");
    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(launcher.opened.last(), "www.firma.cz");
}

}  // namespace
