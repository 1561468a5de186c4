#include "platform/ui/FontDialog.h"

#include <QComboBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTextCharFormat>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

// The sixteen colours a font dialog of the desktop offers, in its order; texts written by other
// stations and by word processors use these.
const struct {
    const char* name;
    QRgb rgb;
} kColors[] = {
    {"Černá", qRgb(0, 0, 0)},          {"Kaštanová", qRgb(128, 0, 0)},   {"Zelená", qRgb(0, 128, 0)},
    {"Olivová", qRgb(128, 128, 0)},    {"Námořnická", qRgb(0, 0, 128)},  {"Nachová", qRgb(128, 0, 128)},
    {"Šedozelená", qRgb(0, 128, 128)}, {"Šedá", qRgb(128, 128, 128)},    {"Stříbrná", qRgb(192, 192, 192)},
    {"Červená", qRgb(255, 0, 0)},      {"Limetková", qRgb(0, 255, 0)},   {"Žlutá", qRgb(255, 255, 0)},
    {"Modrá", qRgb(0, 0, 255)},        {"Fuchsiová", qRgb(255, 0, 255)}, {"Azurová", qRgb(0, 255, 255)},
    {"Bílá", qRgb(255, 255, 255)},
};

constexpr int kSwatchSize = 12;

QIcon Swatch(const QColor& color) {
    QPixmap pixmap(kSwatchSize, kSwatchSize);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, kSwatchSize - 1, kSwatchSize - 1);
    return QIcon(pixmap);
}

bool ExecFontDialog(QWidget* parent, TFontChoice& choice) {
    TfrmFontDialog dialog(parent);
    dialog.SetChoice(choice);
    if (dialog.exec() != QDialog::Accepted) return false;
    choice = dialog.Choice();
    return true;
}

}  // namespace

std::function<bool(QWidget* parent, TFontChoice& choice)> ExecuteFontDialog = ExecFontDialog;

TfrmFontDialog::TfrmFontDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("frmFontDialog");
    setWindowTitle(QString::fromUtf8(kFontDialogCaption));
    // The font part is Qt's dialog put in as a plain widget, without buttons of its own.
    fontPicker = new QFontDialog(this);
    fontPicker->setObjectName("fontPicker");
    fontPicker->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fontPicker->setWindowFlags(Qt::Widget);

    cbxBarva = new QComboBox(this);
    cbxBarva->setObjectName("cbxBarva");
    for (const auto& c : kColors)
        cbxBarva->addItem(Swatch(QColor(c.rgb)), QString::fromUtf8(c.name), QColor(c.rgb));

    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnStorno = new QPushButton("Storno", this);
    btnStorno->setObjectName("btnStorno");
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);

    auto* colour = new QHBoxLayout;
    colour->addWidget(new QLabel(QString::fromUtf8(kFontColorLabel), this));
    colour->addWidget(cbxBarva);
    colour->addStretch();
    colour->addWidget(btnOK);
    colour->addWidget(btnStorno);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fontPicker, 1);
    layout->addLayout(colour);
}

void TfrmFontDialog::SetChoice(const TFontChoice& choice) {
    fontPicker->setCurrentFont(choice.Font);
    const QColor color = choice.Color.isValid() ? choice.Color : QColor(Qt::black);
    int index = cbxBarva->findData(color);
    if (index < 0) {
        cbxBarva->addItem(Swatch(color), QString::fromUtf8(kOwnColorText), color);
        index = cbxBarva->count() - 1;
    }
    cbxBarva->setCurrentIndex(index);
}

TFontChoice TfrmFontDialog::Choice() const {
    return {fontPicker->currentFont(), cbxBarva->currentData().value<QColor>()};
}

void ApplyFontDialog(QTextEdit* edit, QWidget* parent) {
    // A text never coloured has no colour of its own: it shows in the edit's text colour.
    const QTextCharFormat current = edit->currentCharFormat();
    TFontChoice choice{edit->currentFont(), current.hasProperty(QTextFormat::ForegroundBrush)
                                                ? current.foreground().color()
                                                : edit->palette().color(QPalette::Text)};
    if (ExecuteFontDialog(parent, choice)) {
        QTextCharFormat format;
        format.setFont(choice.Font);
        format.setForeground(choice.Color);
        edit->mergeCurrentCharFormat(format);
    }
    edit->setFocus();
}
