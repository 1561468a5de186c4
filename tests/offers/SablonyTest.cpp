#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "common/LockHolder.h"
#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "offers/EditTRtf.h"
#include "offers/OfferFixture.h"
#include "offers/Sablony.h"
#include "offers/SablonyDetail.h"
#include "platform/db/DatabaseError.h"
#include "platform/ui/ModalHelper.h"
#include "platform/ui/RichText.h"
#include "platform/ui/RxSpinEdit.h"

namespace {

class SablonyTest : public OfferFixture {
protected:
    void TearDown() override {
        main_->adqNabSablony.Close();
        OfferFixture::TearDown();
    }

    TADOQuery& Templates() { return main_->adqNabSablony; }

    // Opens the list in pick mode; the script plays the user and must close it.
    int WithList(const std::function<void(TfrmSablony&)>& script) {
        OnNextModal([&](QWidget* modal) {
            auto* window = qobject_cast<TfrmSablony*>(modal);
            ASSERT_NE(window, nullptr);
            script(*window);
        });
        return PickOfferTemplate(kTemplatePick, false, true);
    }

    // The next template card, played by the script.
    static void OnCard(const std::function<void(TfrmSablonyDetail&)>& script) {
        OnNextModal([script](QWidget* modal) {
            auto* card = qobject_cast<TfrmSablonyDetail*>(modal);
            ASSERT_NE(card, nullptr);
            script(*card);
        });
    }

    QVariant Stored(const QString& column, const QString& code) {
        return Scalar(QString("SELECT %1 FROM NabSablony WHERE Zkratka = '%2'").arg(column, code));
    }
};

}  // namespace

TEST_F(SablonyTest, ANewTemplateTakesAnUpperCaseCodeThatNoOtherTemplateHas) {
    // The code is checked once the card has closed, so the messages are expected for the whole run.
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(QString::fromUtf8(kTemplateCodeMissing));
    dialogs.ExpectInformation(QString::fromUtf8(kTemplateCodeTaken).arg("ELEKTRO"));
    int result = WithList([&](TfrmSablony& list) {
        OnCard([](TfrmSablonyDetail& card) {
            QTest::keyClicks(card.edtZkratka, "   ");
            card.btnOK->click();
            EXPECT_TRUE(card.isVisible());
            QTest::keyClicks(card.edtZkratka, "elektro");
            card.edtNazev->setText(QString::fromUtf8("Druhá elektroinstalace"));
            // The taken code is refused and the card comes back as the user left it.
            OnCard([](TfrmSablonyDetail& again) {
                EXPECT_EQ(again.edtNazev->text(), QString::fromUtf8("Druhá elektroinstalace"));
                again.edtZkratka->clear();
                QTest::keyClicks(again.edtZkratka, "ab");
                again.chckAutoPlatnostDo->setChecked(false);
                EXPECT_FALSE(again.edtAutoPlatnostPocet->isEnabled());
                again.edtAutoPlatnostPocet->SetValue(14);
                again.btnOK->click();
            });
            card.btnOK->click();
        });
        list.btnPridat->click();
        EXPECT_EQ(Templates().FieldByName("Zkratka")->AsString(), "AB");
        list.btnOK->click();
    });
    EXPECT_EQ(result, kResultOk);
    // The days are kept even with the box unchecked.
    EXPECT_EQ(Stored("AutoPlatnostPocet", "AB").toInt(), 14);
    EXPECT_FALSE(Stored("AutoPlatnostDo", "AB").toBool());
    EXPECT_EQ(Count("NabSablony", "Zkratka = 'ELEKTRO'"), 1);
    EXPECT_TRUE(Templates().Active());
}

TEST_F(SablonyTest, AnExistingTemplateKeepsItsCodeOrTakesAFreeOne) {
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kTemplateCodeTaken).arg("VOLNA"));
    WithList([&](TfrmSablony& list) {
        ASSERT_TRUE(Templates().Locate("Zkratka", "REVIZE"));
        // Saved under its own code: no clash with itself.
        OnCard([](TfrmSablonyDetail& card) {
            EXPECT_EQ(card.edtZkratka->text(), "REVIZE");
            EXPECT_TRUE(card.chckAutoPlatnostDo->isChecked());
            EXPECT_EQ(card.edtAutoPlatnostPocet->Value(), 14);
            card.edtNazev->setText(QString::fromUtf8("Revize a měření"));
            card.btnOK->click();
        });
        list.btnOpravit->click();
        EXPECT_EQ(Templates().FieldByName("Nazev")->AsString(), QString::fromUtf8("Revize a měření"));

        OnCard([](TfrmSablonyDetail& card) {
            card.edtZkratka->setText("VOLNA");
            OnCard([](TfrmSablonyDetail& again) {
                again.edtZkratka->setText("MERENI");
                again.btnOK->click();
            });
            card.btnOK->click();
        });
        list.btnOpravit->click();
        EXPECT_EQ(Templates().FieldByName("Zkratka")->AsString(), "MERENI");
        EXPECT_EQ(Templates().FieldByName("AutoPlatnostPocet")->AsInteger(), 14);
        list.btnStorno->click();
    });
    EXPECT_EQ(Count("NabSablony", "Zkratka = 'REVIZE'"), 0);
    EXPECT_EQ(Count("NabSablony", "Zkratka = 'VOLNA'"), 1);
}

TEST_F(SablonyTest, AWriteTheDatabaseRefusesBringsTheCardBackAsTheUserLeftIt) {
    Firm().Execute(
        "CREATE TRIGGER Odmitnout BEFORE UPDATE ON NabSablony BEGIN SELECT RAISE(ABORT, 'zapis odmitnut'); "
        "END");
    TScriptedDialogs dialogs;
    dialogs.ExpectError(
        QString::fromUtf8(kSaveNotDoneText).arg(DatabaseFailureText(EDatabaseError("zapis odmitnut"))));
    QString shownAgain;
    QVariant storedMeanwhile;
    WithList([&](TfrmSablony& list) {
        ASSERT_TRUE(Templates().Locate("Zkratka", "REVIZE"));
        OnCard([&](TfrmSablonyDetail& card) {
            OnCard([&](TfrmSablonyDetail& again) {
                shownAgain = again.edtNazev->text();
                storedMeanwhile = Stored("Nazev", "REVIZE");
                Firm().Execute("DROP TRIGGER Odmitnout");
                again.btnOK->click();
            });
            card.edtNazev->setText(QString::fromUtf8("Revize a měření"));
            card.btnOK->click();
        });
        list.btnOpravit->click();
        list.btnStorno->click();
    });
    dialogs.Verify();
    EXPECT_EQ(shownAgain, QString::fromUtf8("Revize a měření"));
    EXPECT_NE(storedMeanwhile.toString(), shownAgain);
    EXPECT_EQ(Stored("Nazev", "REVIZE").toString(), shownAgain);
}

TEST_F(SablonyTest, TheTextEditorReplacesATextOnlyWhenConfirmed) {
    TfrmSablonyDetail card;
    LoadRichText("Původní text", card.reTextPred);
    OnNextModal([](QWidget* modal) {
        auto* editor = qobject_cast<TfrmEditTRtf*>(modal);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->reText->toPlainText(), QString::fromUtf8("Původní text"));
        editor->reText->setPlainText("Zahozeno");
        editor->btnStorno->click();
    });
    TfrmSablonyDetail::EditText(card.reTextPred);
    EXPECT_EQ(card.reTextPred->toPlainText(), QString::fromUtf8("Původní text"));

    OnNextModal([](QWidget* modal) {
        auto* editor = qobject_cast<TfrmEditTRtf*>(modal);
        editor->reText->setPlainText(QString::fromUtf8("Nový tučný text"));
        editor->reText->selectAll();
        editor->tools.acTucne->trigger();
        editor->btnOK->click();
    });
    TfrmSablonyDetail::EditText(card.reTextPred);
    EXPECT_EQ(card.reTextPred->toPlainText(), QString::fromUtf8("Nový tučný text"));
    QTextCursor cursor(card.reTextPred->document());
    cursor.setPosition(2);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
}

TEST_F(SablonyTest, DeletingStandsOnThePreviousTemplateAndAnEmptyListDisablesItsButtons) {
    const int count = Count("NabSablony");
    ASSERT_GE(count, 2);
    WithList([&](TfrmSablony& list) {
        Templates().Last();
        Templates().Prior();
        const int previous = Templates().FieldByName("ID")->AsInteger();
        Templates().Last();
        list.btnVyjmout->click();
        EXPECT_EQ(Templates().FieldByName("ID")->AsInteger(), previous);
        while (!Templates().IsEmpty()) list.btnVyjmout->click();
        for (QPushButton* b : {list.btnOK, list.btnVyjmout, list.btnOpravit}) EXPECT_FALSE(b->isEnabled());
        EXPECT_TRUE(list.btnPridat->isEnabled());
        list.btnStorno->click();
    });
    EXPECT_EQ(Count("NabSablony"), 0);
}

TEST_F(SablonyTest, ATemplateOpenOnAnotherStationIsReadOnlyAndCannotBeDeleted) {
    const int id = Scalar("SELECT ID FROM NabSablony WHERE Zkratka = 'ELEKTRO'").toInt();
    LockHolder station(RecordLockPath("NabSablony", id), true);
    ASSERT_TRUE(station.Start());
    WithList([&](TfrmSablony& list) {
        ASSERT_TRUE(Templates().Locate("ID", id));
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kRecordInUseText));
        bool okEnabled = true;
        OnCard([&](TfrmSablonyDetail& card) {
            okEnabled = card.btnOK->isEnabled();
            card.btnStorno->click();
        });
        list.btnOpravit->click();
        EXPECT_FALSE(okEnabled);
        dialogs.ExpectWarning(QString::fromUtf8(kCannotDeleteInUseText));
        list.btnVyjmout->click();
        list.btnStorno->click();
    });
    EXPECT_EQ(Count("NabSablony", "ID = " + QString::number(id)), 1);
}

TEST_F(SablonyTest, WithoutShowingThePickerOpensTheQueryAndAnswersZero) {
    EXPECT_EQ(PickOfferTemplate(kTemplatePick, false, false), 0);
    EXPECT_TRUE(Templates().Active());
    EXPECT_EQ(Templates().RecordCount(), Count("NabSablony"));
    EXPECT_EQ(PickOfferTemplate(kTemplatePick, true, false), 0);
    EXPECT_FALSE(Templates().Active());
}
