#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontDialog>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>

#include "ModalHelper.h"
#include "common/ScriptedFontDialog.h"
#include "platform/ui/FontDialog.h"
#include "platform/ui/RichText.h"

TEST(FontDialogTest, TheChoiceTakesTheColourBesideTheFont) {
    TfrmFontDialog dialog;
    QFont font("DejaVu Serif", 14);
    font.setBold(true);
    dialog.SetChoice({font, QColor(0, 0, 128)});
    EXPECT_EQ(dialog.cbxBarva->currentData().value<QColor>(), QColor(0, 0, 128));
    EXPECT_EQ(dialog.Choice().Font.pointSize(), 14);
    EXPECT_TRUE(dialog.Choice().Font.bold());

    // A colour of the text that the list does not hold stays the text's colour.
    dialog.SetChoice({font, QColor(10, 20, 30)});
    EXPECT_EQ(dialog.Choice().Color, QColor(10, 20, 30));
    EXPECT_EQ(dialog.cbxBarva->currentText(), QString::fromUtf8(kOwnColorText));

    // The user picks red and confirms; Storno answers no.
    TFontChoice choice{font, Qt::black};
    OnNextModal([](QWidget* modal) {
        auto* shown = qobject_cast<TfrmFontDialog*>(modal);
        ASSERT_NE(shown, nullptr);
        shown->cbxBarva->setCurrentIndex(shown->cbxBarva->findData(QColor(255, 0, 0)));
        shown->btnOK->click();
    });
    ASSERT_TRUE(ExecuteFontDialog(nullptr, choice));
    EXPECT_EQ(choice.Color, QColor(255, 0, 0));
    EXPECT_EQ(choice.Font.pointSize(), 14);
    OnNextModal([](QWidget* modal) { qobject_cast<TfrmFontDialog*>(modal)->btnStorno->click(); });
    TFontChoice kept{font, Qt::blue};
    EXPECT_FALSE(ExecuteFontDialog(nullptr, kept));
    EXPECT_EQ(kept.Color, QColor(Qt::blue));
}

TEST(FontDialogTest, TheSelectionTakesTheChosenFontAndColourAndKeepsThemInRtf) {
    QTextEdit edit;
    SelectStart(edit, QString::fromUtf8("Dobrý den, nabízíme"), 5);
    ScriptedFontDialog user([](TFontChoice& choice) {
        choice.Font.setItalic(true);
        choice.Color = QColor(128, 0, 0);
        return true;
    });
    ApplyFontDialog(&edit, nullptr);
    // The dialog was offered the selection's own look: an uncoloured text in the edit's colour.
    EXPECT_EQ(user.offered.Color, edit.palette().color(QPalette::Text));
    EXPECT_EQ(CharColour(edit, 3), QColor(128, 0, 0));
    EXPECT_EQ(CharColour(edit, 8), QColor()) << "the text after the selection keeps its look";
    EXPECT_TRUE(edit.currentFont().italic());
    EXPECT_TRUE(DocumentToRtf(*edit.document()).contains("\\red128\\green0\\blue0"));

    // Offered again, the dialog starts from the colour the selection has now; Storno changes nothing.
    ScriptedFontDialog cancels([](TFontChoice& choice) {
        choice.Color = Qt::green;
        return false;
    });
    ApplyFontDialog(&edit, nullptr);
    EXPECT_EQ(cancels.offered.Color, QColor(128, 0, 0));
    EXPECT_EQ(CharColour(edit, 3), QColor(128, 0, 0));
}
