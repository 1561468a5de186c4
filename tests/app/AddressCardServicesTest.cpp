// The address card's documents, postal codes and company register, reached as the user reaches them:
// from the main window's "Adresář" button through the address list.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <memory>

#include "addressbook/AddressBookFixture.h"
#include "addressbook/AdrKart.h"
#include "addressbook/AdrKartDoc.h"
#include "addressbook/Ares.h"
#include "addressbook/AresOvereni.h"
#include "addressbook/Dokumenty.h"
#include "addressbook/Kontakt.h"
#include "addressbook/Odkaz.h"
#include "addressbook/Psc.h"
#include "common/FakeUrlLauncher.h"
#include "common/LoopbackHttpServer.h"
#include "core/CommonUtils.h"
#include "core/UserSettings.h"
#include "widgets/VnDBGrids.h"

namespace {

// Hands the window to the handler once a modal window of the class is up. Windows that only pass on
// the way (the list while the card is loading under the working window) are waited out.
template <class Window>
void OnModal(std::function<void(Window&)> handle) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, handle, attempts] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        if ((!window || !window->isVisible()) && ++*attempts < 500) return;
        timer->stop();
        timer->deleteLater();
        if (!window) {
            ADD_FAILURE() << "The window never came up";
            return;
        }
        handle(*window);
        if (window->isVisible()) {
            ADD_FAILURE() << "The handler left the window open";
            window->reject();
        }
    });
    timer->start();
}

class AddressCardServicesTest : public AddressBookFixture {
protected:
    void SetUp() override {
        AddressBookFixture::SetUp();
        savedAddress_ = AresAddress;
        AresAddress =
            QString::fromLatin1("http://" + server_.HostAndPort() + "/cgi-bin/ares/darv_std.cgi?ico=");
        savedChooser_ = ChooseDocumentFile;
        savedBrowse_ = LastDocumentBrowseFolder;
    }
    void TearDown() override {
        AresAddress = savedAddress_;
        ChooseDocumentFile = savedChooser_;
        LastDocumentBrowseFolder = savedBrowse_;
        AddressBookFixture::TearDown();
    }

    // Opens the list from the main window, stands on the firm and opens its card with "Opravit".
    void EditFirm(const QString& name, const std::function<void(TfrmAdrKart&)>& handle) {
        WithList([&](TfrmAdresar& list) {
            ASSERT_TRUE(List().Locate("Nazev", name));
            OnModal<TfrmAdrKart>(handle);
            list.btnAdrOpravit->click();
        });
    }
    static QPushButton* Button(QWidget* window, const char* name) {
        auto* button = window->findChild<QPushButton*>(name);
        EXPECT_NE(button, nullptr) << name;
        return button;
    }
    static void Leave(QLineEdit* edit) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(edit, &out);
    }
    QString FirmValue(int id, const char* column) {
        return Value(QString("SELECT %1 FROM Adresar WHERE ID = %2").arg(column).arg(id)).toString();
    }

    TLoopbackHttpServer server_;

private:
    QString savedAddress_;
    std::function<QString(QWidget*, const QString&)> savedChooser_;
    QString savedBrowse_;
};

const char* const kFirm = "Stavby Novák s.r.o.";

QByteArray RegisterReply() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<are:Ares_odpovedi xmlns:are=\"http://example.invalid/are\" "
           "xmlns:dtt=\"http://example.invalid/dtt\">"
           "<are:Odpoved><are:Pocet_zaznamu>1</are:Pocet_zaznamu><are:Zaznam>"
           "<are:Obchodni_firma>Kovárna Říha s.r.o.</are:Obchodni_firma><are:ICO>27074358</are:ICO>"
           "<are:Identifikace><are:Adresa_ARES><dtt:Nazev_obce>Šumperk</dtt:Nazev_obce>"
           "<dtt:Nazev_ulice>Žerotínova</dtt:Nazev_ulice><dtt:Cislo_domovni>12</dtt:Cislo_domovni>"
           "<dtt:PSC>78701</dtt:PSC></are:Adresa_ARES></are:Identifikace>"
           "</are:Zaznam></are:Odpoved></are:Ares_odpovedi>";
}

}  // namespace

TEST_F(AddressCardServicesTest, ALinkedDocumentIsCopiedIntoTheFirmsSharedFolderOnSave) {
    const QString source = Folder() + "podklady/Nabídka střechy.pdf";
    QDir().mkpath(Folder() + "podklady");
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4");
    }
    ChooseDocumentFile = [source](QWidget*, const QString&) { return source; };
    const int id = IdOf(QString::fromUtf8(kFirm));
    TScriptedDialogs dialogs;
    EditFirm(QString::fromUtf8(kFirm), [&](TfrmAdrKart& card) {
        card.pgcPrilohy->setCurrentIndex(1);
        EXPECT_FALSE(Button(&card, "btnOtevritDoc2")->isEnabled());
        OnModal<TfrmOdkaz>([](TfrmOdkaz& link_) {
            auto* link = &link_;
            QCoreApplication::processEvents();
            EXPECT_EQ(link->edtPopis->text(), QString::fromUtf8("Nabídka střechy"));
            link->chckZkopirovat->setChecked(true);
            link->btnOK->click();
        });
        Button(&card, "btnPridatDoc2")->click();
        EXPECT_TRUE(Button(&card, "btnOtevritDoc2")->isEnabled());
        card.btnOK->click();
    });
    const QString copy =
        DataFolder + QString("Dokumenty/DEMO/%1/").arg(id) + QString::fromUtf8("Nabídka střechy.pdf");
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_TRUE(QFile::exists(source)) << "the original stays where it was";
    EXPECT_EQ(Value(QString("SELECT Soubor FROM Dokumenty WHERE CisloAdr = %1").arg(id)).toString(),
              QString::fromUtf8("%SDILENA_SLOZKA%Nabídka střechy.pdf"));

    // Opened again, the document opens from the shared folder.
    static QStringList opened;
    opened.clear();
    const auto savedShell = ShellOpenLauncher;
    ShellOpenLauncher = [](const QString& path) {
        opened << path;
        return 42;
    };
    EditFirm(QString::fromUtf8(kFirm), [&](TfrmAdrKart& card) {
        card.pgcPrilohy->setCurrentIndex(1);
        Button(&card, "btnOtevritDoc2")->click();
        card.btnStorno->click();
    });
    ShellOpenLauncher = savedShell;
    EXPECT_EQ(opened, QStringList{copy});
}

TEST_F(AddressCardServicesTest, TheDocumentGridShowsTheIconColumnFrozenBeforeTheLinks) {
    struct Case {
        const char* field;
        const char* title;
        int width;
    };
    const Case kCases[] = {{"Empty", "I", 16}, {"Popis", "Popis", 290}, {"File", "Odkaz na soubor", 248}};
    TScriptedDialogs dialogs;
    EditFirm(QString::fromUtf8(kFirm), [&](TfrmAdrKart& card) {
        TDBGridColumns& columns = card.grDokumenty->Columns();
        ASSERT_EQ(columns.Count(), 3);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(kCases[i].field);
            EXPECT_EQ(columns.ColumnAt(i)->FieldName(), kCases[i].field);
            EXPECT_EQ(columns.ColumnAt(i)->Title()->Caption(), QString::fromUtf8(kCases[i].title));
            EXPECT_EQ(columns.ColumnAt(i)->Width(), kCases[i].width);
        }
        EXPECT_EQ(card.grDokumenty->FrozenCols(), 1);
        card.btnStorno->click();
    });
}

TEST_F(AddressCardServicesTest, ThePostalCodeFieldFindsItsTownAndThePickerFillsBoth) {
    TScriptedDialogs dialogs;
    EditFirm(QString::fromUtf8(kFirm), [&](TfrmAdrKart& card) {
        card.edtMisto->clear();
        card.edtPsc->setText("779 00");
        Leave(card.edtPsc);
        EXPECT_EQ(card.edtMisto->text(), "Olomouc");
        // With a town typed nothing is looked up.
        card.edtPsc->setText("60200");
        Leave(card.edtPsc);
        EXPECT_EQ(card.edtMisto->text(), "Olomouc");

        OnModal<TfrmPsc>([](TfrmPsc& list_) {
            auto* list = &list_;
            ASSERT_TRUE(frmMain->adqGlobalFree1.Locate("PSC", "37001"));
            list->btnOK->click();
        });
        card.btnVyberPsc->click();
        EXPECT_EQ(card.edtPsc->text(), "37001");
        EXPECT_EQ(card.edtMisto->text(), QString::fromUtf8("České Budějovice"));

        // The contact card finds a town the same way.
        OnModal<TfrmKontakt>([](TfrmKontakt& contact_) {
            auto* contact = &contact_;
            contact->edtPSC->setText("530 02");
            AddressCardServicesTest::Leave(contact->edtPSC);
            EXPECT_EQ(contact->edtMisto->text(), "Pardubice");
            contact->btnStorno->click();
        });
        card.btnPridatKont->click();
        card.btnOK->click();
    });
    const int id = IdOf(QString::fromUtf8(kFirm));
    EXPECT_EQ(FirmValue(id, "Psc"), "37001");
    EXPECT_EQ(FirmValue(id, "Misto"), QString::fromUtf8("České Budějovice"));
    EXPECT_FALSE(main_->adqGlobalFree1.Active());
}

TEST_F(AddressCardServicesTest, AFirmAddedFromTheRegisterIsSavedWithExactlyTheRegistersValues) {
    server_.SetBody(RegisterReply());
    TScriptedDialogs dialogs;
    dialogs.ExpectInput("", " 270 743 58 ");
    WithList([&](TfrmAdresar& list) {
        OnModal<TfrmAdrKart>([](TfrmAdrKart& card) {
            EXPECT_EQ(card.edtNazev->text(), QString::fromUtf8("Kovárna Říha s.r.o."));
            card.btnOK->click();
        });
        list.miPridatAdresuARES->trigger();
    });
    ASSERT_EQ(server_.Requests().size(), 1);
    EXPECT_TRUE(server_.Requests()[0].endsWith("ico=27074358"));
    const int id = IdOf(QString::fromUtf8("Kovárna Říha s.r.o."));
    ASSERT_GT(id, 0);
    EXPECT_EQ(FirmValue(id, "Ulice"), QString::fromUtf8("Žerotínova 12"));
    EXPECT_EQ(FirmValue(id, "Psc"), "78701");
    EXPECT_EQ(FirmValue(id, "Misto"), QString::fromUtf8("Šumperk"));
    EXPECT_EQ(FirmValue(id, "ICO"), "27074358");
}

TEST_F(AddressCardServicesTest, TheRegisterButtonVerifiesAFilledCardAndTheWebButtonsOpenTheDesktop) {
    server_.SetBody(RegisterReply());
    TFakeLauncher launcher;
    TScriptedDialogs dialogs;
    EditFirm(QString::fromUtf8(kFirm), [&](TfrmAdrKart& card) {
        card.edtICO->setText("27074358");
        const QString phone = card.edtTelefon->text();
        OnModal<TfrmAresOvereni>([](TfrmAresOvereni& window_) {
            auto* window = &window_;
            window->btnAno->click();
        });
        card.btnARES->click();
        EXPECT_EQ(card.edtNazev->text(), QString::fromUtf8("Kovárna Říha s.r.o."));
        EXPECT_EQ(card.edtUlice->text(), QString::fromUtf8("Žerotínova 12"));
        EXPECT_EQ(card.edtTelefon->text(), phone);

        card.edtEmail->setText("info@kovarna-riha.cz");
        card.btnGoEmail->click();
        card.edtInternet->setText("www.kovarna-riha.cz");
        card.btnGoWWW->click();
        card.btnStorno->click();
    });
    EXPECT_EQ(TFakeLauncher::opened,
              (QStringList{"mailto:info@kovarna-riha.cz", "http://www.kovarna-riha.cz"}));
    // Cancelled: nothing of it was stored.
    EXPECT_GT(IdOf(QString::fromUtf8(kFirm)), 0);
}

TEST_F(AddressCardServicesTest, ACopiedFirmGetsItsOwnCopyOfTheDocumentsInTheSourceFirmsFolder) {
    const int source = IdOf(QString::fromUtf8(kFirm));
    const QString sourceFolder = DataFolder + QString("Dokumenty/DEMO/%1/").arg(source);
    QDir().mkpath(sourceFolder);
    {
        QFile file(sourceFolder + "smlouva.pdf");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("smlouva");
    }
    main_->ADOConAgenda.Execute(QString("INSERT INTO Dokumenty (CisloAdr, Popis, Soubor) VALUES (%1, "
                                        "'Smlouva', '%SDILENA_SLOZKA%smlouva.pdf')")
                                    .arg(source));
    TScriptedDialogs dialogs;
    WithList([&](TfrmAdresar& list) {
        ASSERT_TRUE(List().Locate("Nazev", QString::fromUtf8(kFirm)));
        OnModal<TfrmAdrKart>([](TfrmAdrKart& card) {
            card.edtNazev->setText(QString::fromUtf8("Stavby Novák - pobočka"));
            card.btnOK->click();
        });
        list.btnAdrKopirovat->click();
    });
    const int copy = IdOf(QString::fromUtf8("Stavby Novák - pobočka"));
    ASSERT_GT(copy, 0);
    QFile copied(DataFolder + QString("Dokumenty/DEMO/%1/smlouva.pdf").arg(copy));
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), "smlouva");
    EXPECT_TRUE(QFile::exists(sourceFolder + "smlouva.pdf"));
    EXPECT_EQ(Value(QString("SELECT Soubor FROM Dokumenty WHERE CisloAdr = %1").arg(copy)).toString(),
              "%SDILENA_SLOZKA%smlouva.pdf");
}
