#include "core/About.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

#include "core/Main.h"
#include "core/Startup.h"
#include "core/Upgrade.h"
#include "widgets/UrlLabel.h"

TfrmAbout::TfrmAbout(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle(QString::fromUtf8("O aplikaci"));

    imgIcon = new QLabel(this);
    imgIcon->setObjectName("imgIcon");
    const QIcon icon = windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon) : windowIcon();
    imgIcon->setPixmap(icon.pixmap(48, 48));
    lblNazev = new QLabel(QString::fromUtf8(kApplicationTitle), this);
    lblNazev->setObjectName("lblNazev");
    QFont big = font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 6);
    lblNazev->setFont(big);
    lblVerze = new QLabel(QString("Verze ") + ProgramVersion, this);
    lblVerze->setObjectName("lblVerze");
    lblEmail = new TUrlLabel(this);
    lblEmail->setObjectName("lblEmail");
    lblEmail->SetURLType(utMail);
    lblEmail->SetURL(QString::fromLatin1(kSupportMailAddress));
    lblEmail->setText(QString::fromLatin1(kSupportMailAddress));
    lblWeb = new TUrlLabel(this);
    lblWeb->setObjectName("lblWeb");
    lblWeb->SetURLType(utHttps);
    lblWeb->SetURL(QString::fromLatin1(kHomePageAddress));
    lblWeb->setText(QString::fromLatin1(kHomePageAddress));
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    // Esc closes as OK does: the box only informs.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(imgIcon, 0, Qt::AlignHCenter);
    layout->addWidget(lblNazev, 0, Qt::AlignHCenter);
    layout->addWidget(lblVerze, 0, Qt::AlignHCenter);
    layout->addWidget(lblEmail, 0, Qt::AlignHCenter);
    layout->addWidget(lblWeb, 0, Qt::AlignHCenter);
    layout->addWidget(btnOK, 0, Qt::AlignHCenter);
}
