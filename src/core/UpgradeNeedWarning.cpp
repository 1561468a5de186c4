#include "core/UpgradeNeedWarning.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <memory>

#include "core/Startup.h"
#include "core/Upgrade.h"
#include "widgets/UrlLabel.h"

namespace {

const char* const kCaption = "Informace";
const char* const kPanelText = "Byl zjištěn nekompatibilní operační systém! Klepněte zde...";
const char* const kWarning =
    "Varování: právě používaná verze tohoto programu (%1) nemusí být kompatibilní s verzí operačního "
    "systému Windows na tomto počítači!";
const char* const kWhatQuestion = "Co znamená toto varování? ";
const char* const kWhatAnswer =
    "Stávající verze tohoto programu byla vytvořena a otestována pro jiný operační systém Windows, než jaký "
    "máte aktuálně nainstalovaný na tomto počítači. Některé funkce Vašeho operačního systému tedy tato verze "
    "programu nemusí vyhodnotit správně, což může mít za následek nepředvídatelné chování celého programu "
    "(v krajním případě i poškození databáze).";
const char* const kDoQuestion = "Co mám tedy dělat?";
const char* const kDoAnswer =
    "Doporučujeme Vám co nejdříve provést upgrade na vyšší verzi, která je kompatibilní i s novějšími "
    "operačními systémy Windows. Informujte se, prosím, na naší e-mailové adrese, za jakých podmínek můžete "
    "vyšší verzi získat.";
const char* const kContact = "Kontaktní e-mail:";
const char* const kClose = "[zavřít toto okno]";

QLabel* WrappedLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setWordWrap(true);
    return label;
}

QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}

}  // namespace

bool TUpgradeNeedWarning::Show() {
    std::unique_ptr<TfrmUpgradeNeedWarning> window;
    try {
        window = std::make_unique<TfrmUpgradeNeedWarning>(this);
    } catch (...) {
        // The warning is advice; a window that cannot be made costs nothing more than the advice.
        return false;
    }
    return window->exec() == QDialog::Accepted;
}

TfrmUpgradeNeedWarning::TfrmUpgradeNeedWarning(TUpgradeNeedWarning* owner, QWidget* parent)
    : TVnDialog(parent), Owner(owner) {
    setObjectName("frmUpgradeNeedWarning");
    setWindowTitle(QString::fromUtf8(kCaption));
    setFixedSize(460, 400);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    lblCaption = new QLabel(this);
    lblCaption->setObjectName("lblCaption");
    lblCaption->setWordWrap(true);
    lblCaption->setFont(Bold(font()));
    lblCaption->setStyleSheet("color: red");

    auto* what = WrappedLabel(kWhatQuestion, this);
    what->setFont(Bold(font()));
    auto* doWhat = WrappedLabel(kDoQuestion, this);
    doWhat->setFont(Bold(font()));
    lblEmail = new TUrlLabel(this);
    lblEmail->setObjectName("lblEmail");
    lblEmail->SetURLType(utMail);
    lblEmail->SetURL(QString::fromLatin1(kSupportMailAddress));
    lblEmail->setText(QString::fromLatin1(kSupportMailAddress));
    lblZavrit = new QLabel(QString::fromUtf8(kClose), this);
    lblZavrit->setObjectName("lblZavrit");
    lblZavrit->setStyleSheet("color: blue");
    lblZavrit->setCursor(Qt::PointingHandCursor);
    lblZavrit->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCaption);
    layout->addWidget(what);
    layout->addWidget(WrappedLabel(kWhatAnswer, this));
    layout->addWidget(doWhat);
    layout->addWidget(WrappedLabel(kDoAnswer, this));
    layout->addWidget(WrappedLabel(kContact, this));
    layout->addWidget(lblEmail);
    layout->addStretch();
    layout->addWidget(lblZavrit, 0, Qt::AlignRight);
}

void TfrmUpgradeNeedWarning::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    lblCaption->setText(QString::fromUtf8(kWarning).arg(QString::fromLatin1(ProgramVersion)));
}

bool TfrmUpgradeNeedWarning::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblZavrit && event->type() == QEvent::MouseButtonRelease) {
        accept();
        return true;
    }
    return TVnDialog::eventFilter(watched, event);
}

TUpgradeNeedWarningPanel::TUpgradeNeedWarningPanel(QWidget* parent) : QFrame(parent) {
    setObjectName("panUpgradeNeedWarning");
    setAutoFillBackground(true);
    QPalette orange = palette();
    orange.setColor(QPalette::Window, QColor(255, 128, 0));
    setPalette(orange);
    setCursor(Qt::PointingHandCursor);
    lblUpgradeNeedWarning = new QLabel(QString::fromUtf8(kPanelText), this);
    lblUpgradeNeedWarning->setObjectName("lblUpgradeNeedWarning");
    lblUpgradeNeedWarning->setFont(Bold(font()));
    lblUpgradeNeedWarning->setStyleSheet("color: white");
    lblUpgradeNeedWarning->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(lblUpgradeNeedWarning);
}

void TUpgradeNeedWarningPanel::Click() {
    TUpgradeNeedWarning warning;
    warning.Show();
}

void TUpgradeNeedWarningPanel::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) Click();
}

bool TUpgradeNeedWarningPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblUpgradeNeedWarning && event->type() == QEvent::MouseButtonRelease) {
        Click();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}
