#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <optional>

#include "addressbook/AddressBookFixture.h"
#include "addressbook/AdrKart.h"
#include "addressbook/Kontakt.h"
#include "widgets/VnDBGrids.h"

namespace {

// An address card that is not shown: the contact card works on its memory table alone.
class KontaktTest : public AddressBookFixture {
protected:
    void SetUp() override {
        AddressBookFixture::SetUp();
        card_ = std::make_unique<TfrmAdrKart>();
        card_->ClearCard();
    }
    void TearDown() override {
        card_.reset();
        AddressBookFixture::TearDown();
    }

    // Runs the contact card; the user fills it in and presses OK (or Storno).
    int Contact(bool adding, const std::function<void(TfrmKontakt&)>& fill, bool ok = true) {
        OnWindow<TfrmKontakt>([&](TfrmKontakt& window) {
            fill(window);
            (ok ? window.btnOK : window.btnStorno)->click();
        });
        return EditContact(*card_, adding);
    }
    void Add(const QString& surname, std::optional<bool> primary = std::nullopt) {
        Contact(true, [&](TfrmKontakt& k) {
            k.edtPrijmeni->setText(surname);
            if (primary) k.chckZobrazit->setChecked(*primary);
        });
    }
    // The surnames of the primary contacts.
    QStringList Primaries() {
        QStringList names;
        TMemTable& t = card_->mtTmpKontakty;
        for (t.First(); !t.Eof(); t.Next())
            if (t.FieldByName("Zobrazit")->AsBoolean()) names << t.FieldByName("Prijmeni")->AsString();
        return names;
    }
    bool Locate(const QString& surname) { return card_->mtTmpKontakty.Locate("Prijmeni", surname); }

    std::unique_ptr<TfrmAdrKart> card_;
};

TEST_F(KontaktTest, AFirmKeepsAtMostOnePrimaryContact) {
    TScriptedDialogs dialogs;
    Add("Adam");
    Add("Bureš");
    EXPECT_EQ(Primaries(), QStringList{"Adam"});
    Add("Cibulka", true);
    EXPECT_EQ(Primaries(), QStringList{"Cibulka"});

    ASSERT_TRUE(Locate("Bureš"));
    Contact(false, [](TfrmKontakt& k) {
        EXPECT_FALSE(k.chckZobrazit->isChecked());
        k.chckZobrazit->setChecked(true);
    });
    EXPECT_EQ(Primaries(), QStringList{"Bureš"});

    // Clearing the only primary contact leaves the firm without one.
    ASSERT_TRUE(Locate("Bureš"));
    Contact(false, [](TfrmKontakt& k) { k.chckZobrazit->setChecked(false); });
    EXPECT_TRUE(Primaries().isEmpty());
    EXPECT_EQ(card_->mtTmpKontakty.RecordCount(), 3);
}

TEST_F(KontaktTest, EditingKeepsTheContactsIdentityAndTakesTypedTitlesAsTheyAre) {
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kContactSurnameMissing));
    QString repId;
    EXPECT_EQ(Contact(true,
                      [&](TfrmKontakt& k) {
                          EXPECT_EQ(k.cbxTitulPred->count(), 13);
                          EXPECT_EQ(k.cbxTitulPred->itemText(7), "PaeDr.");
                          EXPECT_EQ(k.cbxTitulZa->count(), 2);
                          k.btnOK->click();  // no surname yet
                          EXPECT_TRUE(k.isVisible());
                          k.edtPrijmeni->setText(QString::fromUtf8("Říha"));
                          k.cbxTitulPred->setEditText("doc. Ing.");
                          k.cbxTitulZa->setEditText("MBA");
                          k.memPoznamka->setPlainText("a\nb");
                          repId = k.RepID;
                      }),
              kResultOk);
    TMemTable& t = card_->mtTmpKontakty;
    EXPECT_EQ(t.FieldByName("TitulPred")->AsString(), "doc. Ing.");
    EXPECT_EQ(t.FieldByName("TitulZa")->AsString(), "MBA");
    EXPECT_EQ(t.FieldByName("Poznamka")->AsString(), "a\r\nb");
    EXPECT_EQ(t.FieldByName("LockID")->AsInteger(), -1);
    EXPECT_EQ(t.FieldByName("RepID")->AsString(), repId);
    EXPECT_EQ(repId.size(), 38);

    Contact(false, [&](TfrmKontakt& k) {
        EXPECT_EQ(k.cbxTitulPred->currentText(), "doc. Ing.");
        EXPECT_EQ(k.memPoznamka->toPlainText(), "a\nb");
        EXPECT_EQ(k.RepID, repId);
        k.edtFunkce->setText(QString::fromUtf8("Ředitel"));
    });
    EXPECT_EQ(t.FieldByName("Funkce")->AsString(), QString::fromUtf8("Ředitel"));
    EXPECT_EQ(t.FieldByName("RepID")->AsString(), repId);
}

TEST_F(KontaktTest, CancellingLeavesTheContactsUnchanged) {
    TScriptedDialogs dialogs;
    Add("Adam");
    EXPECT_EQ(Contact(
                  false,
                  [](TfrmKontakt& k) {
                      k.edtPrijmeni->setText("Zelenka");
                      k.chckZobrazit->setChecked(false);
                  },
                  false),
              kResultCancel);
    EXPECT_EQ(Contact(
                  true, [](TfrmKontakt& k) { k.edtPrijmeni->setText("Nový"); }, false),
              kResultCancel);
    EXPECT_EQ(card_->mtTmpKontakty.RecordCount(), 1);
    EXPECT_EQ(Primaries(), QStringList{"Adam"});
}

TEST_F(KontaktTest, TheContactGridSortsBySurnameAndFindsTheNearestTypedSurname) {
    TScriptedDialogs dialogs;
    for (const char* name : {"Novák", "Adámek", "Černý", "Horák"}) Add(QString::fromUtf8(name));
    TMemTable& t = card_->mtTmpKontakty;
    TVnDBGrid* grid = card_->grKontakty;
    TColumn* surname = grid->Columns().ColumnAt(0);
    TColumn* street = grid->Columns().ColumnAt(2);
    // Only the surname sorts; a click on another title changes nothing.
    card_->grKontakty->OnTitleClick(street);
    EXPECT_EQ(grid->Columns().ColumnAt(0), surname);
    ASSERT_TRUE(Locate("Horák"));
    grid->OnTitleClick(surname);
    EXPECT_EQ(surname->IndexStyle(), idxAscending);
    EXPECT_EQ(t.FieldByName("Prijmeni")->AsString(), QString::fromUtf8("Horák"));
    QStringList order;
    for (t.First(); !t.Eof(); t.Next()) order << t.FieldByName("Prijmeni")->AsString();
    EXPECT_EQ(order, QStringList({"Adámek", "Černý", "Horák", "Novák"}));

    // The search works on the shown card.
    card_->show();
    QTest::keyClick(grid, 'c');
    ASSERT_TRUE(card_->panHledatKont->isVisible());
    EXPECT_EQ(t.FieldByName("Prijmeni")->AsString(), QString::fromUtf8("Černý"));
    card_->edtHledatKont->setText("m");
    EXPECT_EQ(t.FieldByName("Prijmeni")->AsString(), QString::fromUtf8("Novák"));
    QTest::keyClick(card_->edtHledatKont, Qt::Key_Return);
    EXPECT_FALSE(card_->panHledatKont->isVisible());
    card_->hide();
}

}  // namespace
