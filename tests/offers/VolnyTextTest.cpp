#include <gtest/gtest.h>

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

#include "offers/OfferFixture.h"
#include "offers/VolnyText.h"
#include "offers/VolnyTextList.h"
#include "platform/ui/ModalHelper.h"
#include "platform/ui/RichText.h"

namespace {

class VolnyTextTest : public OfferFixture {
protected:
    int AddText(const QString& name, const QString& text) {
        TVolnyText t;
        t.Nazev = name;
        t.MemoText = text;
        EXPECT_TRUE(t.Save()) << t.ErrorText.toStdString();
        return t.ID;
    }

    // Shows the list standing on selected; the script plays the user and must close it.
    bool WithList(int selected, const std::function<void(TfrmVolnyTextList&, TVolnyTextList&)>& script,
                  bool plainTarget = false) {
        TVolnyTextList list;
        list.SelectedID = selected;
        list.PlainTarget = plainTarget;
        OnNextModal([&](QWidget* modal) {
            auto* window = qobject_cast<TfrmVolnyTextList*>(modal);
            ASSERT_NE(window, nullptr);
            script(*window, list);
        });
        const bool chosen = list.ShowDialog();
        if (chosen) chosen_ = list.SelectedID;
        return chosen;
    }

    QString Current(TVolnyTextList& list) { return list.Query().FieldByName("Nazev")->AsString(); }

    int chosen_ = 0;
};

}  // namespace

TEST_F(VolnyTextTest, ATextIsSavedLoadedAndDeletedAndEachFailureSaysWhy) {
    TVolnyText empty;
    EXPECT_FALSE(empty.Save());
    EXPECT_EQ(empty.ErrorText, QString::fromUtf8(kFreeTextNoName));

    const QString rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Z\\u225?ruka \\b 24\\b0  m\\u283?s\\u237?c\\u367?\\par}";
    const int id = AddText(QString::fromUtf8("Záruka"), rtf);
    ASSERT_GT(id, 0);
    TVolnyText loaded;
    ASSERT_TRUE(loaded.Load(id));
    EXPECT_FALSE(loaded.IsNew);
    EXPECT_EQ(loaded.Nazev, QString::fromUtf8("Záruka"));
    EXPECT_EQ(loaded.MemoText, rtf);
    EXPECT_EQ(loaded.GetPlainText(), QString::fromUtf8("Záruka 24 měsíců"));

    // A name with a quote reaches the database as typed.
    loaded.Nazev = QString::fromUtf8("Záruka \"plná\" a 'krátká'");
    ASSERT_TRUE(loaded.Save());
    EXPECT_EQ(Scalar("SELECT Nazev FROM VolnyText WHERE ID = " + QString::number(id)).toString(),
              loaded.Nazev);

    TVolnyText other;
    ASSERT_TRUE(other.Delete(id));
    EXPECT_EQ(Count("VolnyText", "ID = " + QString::number(id)), 0);

    // Another station deleted it meanwhile.
    EXPECT_FALSE(other.Load(id));
    EXPECT_EQ(other.ErrorText, QString::fromUtf8(kFreeTextNotFound).arg(id));
    loaded.Nazev = "Nic";
    EXPECT_FALSE(loaded.Save());
    EXPECT_EQ(loaded.ErrorText, QString::fromUtf8(kFreeTextSaveFailed));
    TScriptedDialogs dialogs;
    dialogs.ExpectError(QString::fromUtf8(kFreeTextNotFound).arg(id));
    EXPECT_FALSE(other.Delete(id));
    dialogs.ExpectError(QString::fromUtf8(kFreeTextNotFound).arg(id));
    EXPECT_FALSE(other.Edit(id));
}

TEST_F(VolnyTextTest, TheCardRefusesAnEmptyNameAndWarnsOfAPlainTarget) {
    for (const bool plain : {false, true}) {
        SCOPED_TRACE(plain);
        TVolnyText text;
        text.PlainTarget = plain;
        bool warned = false;
        OnNextModal([&](QWidget* modal) {
            auto* card = qobject_cast<TfrmVolnyText*>(modal);
            ASSERT_NE(card, nullptr);
            warned = card->panNoRTFInfo->isVisible();
            {
                TScriptedDialogs dialogs;
                dialogs.ExpectError(QString::fromUtf8(kFreeTextNoName));
                card->btnOK->click();
            }
            EXPECT_TRUE(card->isVisible());
            card->edtNazev->setText(plain ? "Poznámka" : "Úvod");
            card->reText->setPlainText("Text");
            card->reText->selectAll();
            card->tools.acTucne->trigger();
            card->btnOK->click();
        });
        EXPECT_TRUE(text.Add());
        EXPECT_EQ(warned, plain);
        TVolnyText saved;
        ASSERT_TRUE(saved.Load(text.ID));
        // Stored with its formatting even for a plain target; the target takes the plain text.
        EXPECT_TRUE(IsRtfText(saved.MemoText));
        EXPECT_TRUE(saved.MemoText.contains("\\b"));
        EXPECT_EQ(saved.GetPlainText(), "Text");
    }
}

TEST_F(VolnyTextTest, TheListAddsCopiesAndDeletesAndStandsWhereItShould) {
    Firm().Execute("DELETE FROM VolnyText");
    const int first = AddText(QString::fromUtf8("Dodací podmínky"), "Do 14 dnů.");
    const int second = AddText(QString::fromUtf8("Platební podmínky"), "Převodem.");

    // A text that no longer exists leaves the list on its first row.
    WithList(second + 100, [&](TfrmVolnyTextList& window, TVolnyTextList& list) {
        EXPECT_EQ(list.Query().FieldByName("ID")->AsInteger(), first);
        window.btnStorno->click();
    });

    // A copy confirmed without a change is a second row with the same name and text.
    WithList(second, [&](TfrmVolnyTextList& window, TVolnyTextList& list) {
        EXPECT_EQ(Current(list), QString::fromUtf8("Platební podmínky"));
        OnNextModal([](QWidget* modal) { qobject_cast<TfrmVolnyText*>(modal)->btnOK->click(); });
        window.btnKopirovat->click();
        EXPECT_EQ(list.Query().RecordCount(), 3);
        EXPECT_NE(list.Query().FieldByName("ID")->AsInteger(), second);
        EXPECT_EQ(Current(list), QString::fromUtf8("Platební podmínky"));
        window.btnStorno->click();
    });
    EXPECT_EQ(Count("VolnyText", QString::fromUtf8("Nazev = 'Platební podmínky'")), 2);
    TVolnyText source;
    ASSERT_TRUE(source.Load(second));
    EXPECT_EQ(source.MemoText, QString::fromUtf8("Převodem."));

    // Deleting the last row stands on the one before it; deleting the only row disables the buttons.
    WithList(0, [&](TfrmVolnyTextList& window, TVolnyTextList& list) {
        list.Query().Last();
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectQuestion(QString::fromUtf8(kConfirmRecordDelete), false);
            window.btnVyjmout->click();
        }
        EXPECT_EQ(list.Query().RecordCount(), 3);
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kConfirmRecordDelete), true);
        window.btnVyjmout->click();
        EXPECT_EQ(list.Query().RecordCount(), 2);
        EXPECT_EQ(list.Query().FieldByName("ID")->AsInteger(), second);
        for (int i = 0; i < 2; ++i) {
            dialogs.ExpectQuestion(QString::fromUtf8(kConfirmRecordDelete), true);
            window.btnVyjmout->click();
        }
        EXPECT_TRUE(list.Query().IsEmpty());
        for (QPushButton* b : {window.btnOK, window.btnOpravit, window.btnKopirovat, window.btnVyjmout})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_TRUE(window.btnPridat->isEnabled());

        // A new text appears in the list and becomes its current row; OK picks it.
        OnNextModal([](QWidget* modal) {
            auto* card = qobject_cast<TfrmVolnyText*>(modal);
            card->edtNazev->setText(QString::fromUtf8("Záruka"));
            card->reText->setPlainText(QString::fromUtf8("36 měsíců"));
            card->btnOK->click();
        });
        window.btnPridat->click();
        EXPECT_EQ(Current(list), QString::fromUtf8("Záruka"));
        EXPECT_TRUE(window.btnOK->isEnabled());
        window.btnOK->click();
    });
    EXPECT_EQ(Scalar("SELECT Nazev FROM VolnyText WHERE ID = " + QString::number(chosen_)).toString(),
              QString::fromUtf8("Záruka"));
}

TEST_F(VolnyTextTest, EditingOrDeletingATextGoneFromAnotherStationSaysSoOnce) {
    const int id = AddText("Zmizelý text", "x");
    WithList(id, [&](TfrmVolnyTextList& window, TVolnyTextList&) {
        Firm().Execute("DELETE FROM VolnyText WHERE ID = " + QString::number(id));
        TScriptedDialogs dialogs;
        dialogs.ExpectError(QString::fromUtf8(kFreeTextNotFound).arg(id));
        window.btnOpravit->click();
        dialogs.ExpectError(QString::fromUtf8(kFreeTextNotFound).arg(id));
        window.btnKopirovat->click();
        dialogs.ExpectQuestion(QString::fromUtf8(kConfirmRecordDelete), true);
        dialogs.ExpectError(QString::fromUtf8(kFreeTextNotFound).arg(id));
        window.btnVyjmout->click();
        dialogs.Verify();
        window.btnStorno->click();
    });
}
