// The e-mail of an offer and the "sent" mark: who gets the message with which files, and which
// offers may be marked.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "common/LockHolder.h"
#include "common/PlantedLink.h"
#include "core/CardProtocol.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "exchange/PoslatMail.h"
#include "exchange/PrintFixture.h"
#include "offers/NabidkaData.h"
#include "platform/data/Field.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/PriceListUi.h"

namespace {

class PoslatMailTest : public PrintFixture {
protected:
    void SetUp() override {
        PrintFixture::SetUp();
        user_ = CurrentUser;
        ExecAgenda("DELETE FROM Nabidky");
        ExecAgenda("DELETE FROM DokumentyNab");
    }
    void TearDown() override {
        CurrentUser = user_;
        main_->adqNabidky.Close();
        PrintFixture::TearDown();
    }

    // One offer, the current row of the offer list.
    int OpenOffer(int state, bool locked = false, int customer = 0) {
        ExecAgenda(
            "INSERT INTO Nabidky (Doklad, AdrNazev, IDStav, Zamek, AdrCislo, Celkem, CelkemBDPH) VALUES "
            "('NB00042', 'Odběratel', :IDStav, :Zamek, :AdrCislo, 1210, 1000)",
            {{"IDStav", state}, {"Zamek", locked}, {"AdrCislo", customer}});
        const int id = LastInsertedId();
        TADOQuery& list = main_->adqNabidky;
        list.Close();
        list.SetSQL("SELECT * FROM Nabidky");
        list.Open();
        list.Locate("ID", id);
        return id;
    }
    int State(int id) { return Firm(QString("SELECT IDStav FROM Nabidky WHERE ID = %1").arg(id)).toInt(); }
    int FirmWithEmail(const QString& email) {
        ExecAgenda("INSERT INTO Adresar (Nazev, Email) VALUES ('Adresát', :Email)", {{"Email", email}});
        return LastInsertedId();
    }

    // Sends the current offer from the print dialog with the standard offer report; the script
    // fills the e-mail window.
    void Send(const std::function<void(TfrmPoslatMail&)>& fill) {
        TModalDriver driver;
        driver.On("frmTisk", [&](QWidget* w) {
            auto& d = *static_cast<TfrmTisk*>(w);
            result_ = SendOfferByEmail(d);
            d.reject();
        });
        if (fill) driver.On("frmPoslatMail", [&](QWidget* w) { fill(*static_cast<TfrmPoslatMail*>(w)); });
        ShowPrintDialog(pmOffer);
    }

    TUser user_;
    int result_ = 99;
};

TEST_F(PoslatMailTest, OnlyAnOfferInPreparationOrCorrectionIsOfferedTheSentMark) {
    struct Case {
        int state;
        bool locked;
        TAccessLevel level;
        bool asked;
        int result;
    };
    const Case kCases[] = {
        {0, false, TAccessLevel::Full, true, 0},       {2, false, TAccessLevel::NoDelete, true, 0},
        {1, false, TAccessLevel::Full, false, 0},      {3, false, TAccessLevel::Full, false, 0},
        {6, false, TAccessLevel::Full, false, 0},      {0, true, TAccessLevel::Full, false, -1},
        {0, false, TAccessLevel::ReadOnly, false, -1}, {2, false, TAccessLevel::NoAccess, false, -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.state << " " << c.locked << " " << static_cast<int>(c.level));
        CurrentUser.Nabidky_AR = c.level;
        const int id = OpenOffer(c.state, c.locked);
        TScriptedDialogs dialogs;
        if (c.asked) dialogs.ExpectQuestion(QString::fromUtf8(kMarkSentQuestion).arg("NB00042"), true);
        EXPECT_EQ(MarkOfferSent(), c.result);
        EXPECT_EQ(State(id), c.asked ? 1 : c.state);
        // The list stays on the offer.
        EXPECT_EQ(main_->adqNabidky.FieldByName("ID")->AsInteger(), id);
    }
    // Declining keeps the state.
    CurrentUser.Nabidky_AR = TAccessLevel::Full;
    const int id = OpenOffer(2);
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion("NB00042", false);
    EXPECT_EQ(MarkOfferSent(), 0);
    EXPECT_EQ(State(id), 2);
}

TEST_F(PoslatMailTest, AnOfferOpenOnAnotherStationIsNotMarked) {
    const int id = OpenOffer(0);
    LockHolder other(RecordLockPath("Nabidky", id), true);
    ASSERT_TRUE(other.Start());
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kRecordInUseText));
    EXPECT_EQ(MarkOfferSent(), -1);
    EXPECT_EQ(State(id), 0);
    other.Stop();
    // Once the other station let go, the lock is ours for the change and gone again after it.
    dialogs.ExpectQuestion("NB00042", true);
    EXPECT_EQ(MarkOfferSent(), 0);
    EXPECT_EQ(State(id), 1);
    EXPECT_FALSE(QFile::exists(RecordLockPath("Nabidky", id)));
}

TEST_F(PoslatMailTest, TheMailGetsTheCustomersAddressThePdfAndTheLinkedDocumentsInOrder) {
    const int customer = FirmWithEmail("nakup@adresat.cz");
    const int id = OpenOffer(0, false, customer);
    const QString folder = OfferDocumentFolder(id);
    QDir().mkpath(folder);
    ProgramFixture::WriteText(folder + "x.doc", "doc");
    const QString own = Folder() + "vykres.pdf";
    ProgramFixture::WriteText(own, "pdf");
    ExecAgenda("INSERT INTO DokumentyNab (CisloNab, Soubor) VALUES (:ID, '%SDILENA_SLOZKA%x.doc')",
               {{"ID", id}});
    ExecAgenda("INSERT INTO DokumentyNab (CisloNab, Soubor) VALUES (:ID, :S)", {{"ID", id}, {"S", own}});
    ExecAgenda("INSERT INTO DokumentyNab (CisloNab, Soubor) VALUES (:ID, '/nikde/neni.txt')", {{"ID", id}});
    TFakeReportProgram program;
    TFakeMailer mailer;
    QString proposed;
    bool attachUnchecked = false;
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kMissingAttachment).arg("/nikde/neni.txt"), true);
    dialogs.ExpectQuestion(QString::fromUtf8(kMarkSentQuestion).arg("NB00042"), true);
    Send([&](TfrmPoslatMail& m) {
        proposed = m.edtEmailAdresa->text();
        attachUnchecked = !m.chckPripojDoc->isChecked();
        m.chckPripojDoc->setChecked(true);
        m.btnOk->click();
    });
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(proposed, "nakup@adresat.cz");
    EXPECT_TRUE(attachUnchecked);
    ASSERT_EQ(program.jobs.size(), 1u);
    EXPECT_EQ(program.jobs[0].Info("OperationType"), "PDFEXPORT");
    EXPECT_EQ(program.jobs[0].Info("ExportFileName"), OfferPdfPath());
    ASSERT_EQ(mailer.messages.size(), 1u);
    EXPECT_EQ(mailer.messages[0].To, "nakup@adresat.cz");
    EXPECT_EQ(mailer.messages[0].Attachments, QStringList({OfferPdfPath(), folder + "x.doc", own}));
    EXPECT_EQ(State(id), 1);
}

TEST_F(PoslatMailTest, ALinkPlantedAsTheOffersPdfIsReplacedAndWhatItPointsToStays) {
    const int id = OpenOffer(0, false, FirmWithEmail("nakup@adresat.cz"));
    const TPlantedLink planted(Folder() + "cizi dokumenty", OfferPdfPath());
    TFakeReportProgram program;
    TFakeMailer mailer;
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kMarkSentQuestion).arg("NB00042"), false);
    Send([&](TfrmPoslatMail& m) { m.btnOk->click(); });
    EXPECT_EQ(result_, 0);
    EXPECT_TRUE(planted.Intact());
    ASSERT_EQ(mailer.messages.size(), 1u);
    EXPECT_TRUE(QFileInfo(OfferPdfPath()).isFile());
    EXPECT_EQ(State(id), 0);
}

TEST_F(PoslatMailTest, AnAddressIsRequiredAndCancelSendsNothing) {
    // A typed customer, and a customer deleted meanwhile, both start with an empty address.
    for (int customer : {0, 99999}) {
        SCOPED_TRACE(customer);
        const int id = OpenOffer(0, false, customer);
        TFakeReportProgram program;
        TFakeMailer mailer;
        QString proposed = "?";
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(QString::fromUtf8(kEnterEmail));
        Send([&](TfrmPoslatMail& m) {
            proposed = m.edtEmailAdresa->text();
            m.btnOk->click();
            EXPECT_TRUE(m.isVisible());
            m.btnStorno->click();
        });
        EXPECT_EQ(proposed, "");
        EXPECT_EQ(result_, -1);
        EXPECT_TRUE(mailer.messages.empty());
        EXPECT_EQ(State(id), 0);
    }
}

TEST_F(PoslatMailTest, AFailedPdfOrRefusedMessageLeavesTheOfferAsItWas) {
    const int id = OpenOffer(0, false, FirmWithEmail("a@b.cz"));
    {
        TFakeReportProgram program;
        program.startable = false;
        TFakeMailer mailer;
        TScriptedDialogs dialogs;
        dialogs.ExpectError(QString::fromUtf8(kProgramStartFailed).arg(ProgramFolder + "zelvorn"));
        Send(nullptr);
        EXPECT_EQ(result_, -1);
        EXPECT_TRUE(mailer.messages.empty());
    }
    {
        // A client that does not take the message is said so; declining the PDF leaves it there.
        TFakeReportProgram program;
        TFakeMailer mailer;
        mailer.result = TMailResult::Failed;
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kMailProgramFailed) + QString::fromUtf8(kSavePdfInstead),
                               false);
        Send([](TfrmPoslatMail& m) { m.btnOk->click(); });
        EXPECT_EQ(result_, 0);
        EXPECT_EQ(mailer.messages.size(), 1u);
        EXPECT_EQ(State(id), 0);
    }
}

TEST_F(PoslatMailTest, WithoutAMailProgramTheOfferMaySaveItsPdfUnderItsNumber) {
    const int id = OpenOffer(0, false, FirmWithEmail("a@b.cz"));
    TFakeReportProgram program;
    TFakeMailer mailer;
    mailer.result = TMailResult::NoMailProgram;
    const auto savedPicker = PrintSaveDialog;
    QString proposed;
    const QString target = Folder() + "moje/NB00042.pdf";
    QDir().mkpath(Folder() + "moje");
    PrintSaveDialog = [&](const QString& start, const QString&, const QString&) {
        proposed = start;
        return target;
    };
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kNoMailProgram) + QString::fromUtf8(kSavePdfInstead), true);
        dialogs.ExpectInformation(QString::fromUtf8(kPdfSaved).arg(target));
        Send([](TfrmPoslatMail& m) { m.btnOk->click(); });
    }
    EXPECT_EQ(QFileInfo(proposed).fileName(), "NB00042.pdf");
    QFile saved(target);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().startsWith("%PDF"));
    // Not sent, so not marked.
    EXPECT_EQ(State(id), 0);

    // A place that cannot be written is told, not passed over.
    PrintSaveDialog = [&](const QString&, const QString&, const QString&) { return Folder() + "neni/x.pdf"; };
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kNoMailProgram), true);
        dialogs.ExpectError(QString::fromUtf8(kPdfNotSaved).arg(Folder() + "neni/x.pdf"));
        Send([](TfrmPoslatMail& m) { m.btnOk->click(); });
    }
    PrintSaveDialog = savedPicker;
}

TEST_F(PoslatMailTest, TheDesktopMailHelperIsAskedAndItsFailuresAreToldApart) {
    const QByteArray path = qgetenv("PATH");
    const QString bin = Folder() + "bin/";
    QDir().mkpath(bin);
    qputenv("PATH", bin.toLocal8Bit());
    const TMailMessage message{"nakup@firma.cz", {Folder() + "nabidka s mezerou.pdf"}};
    EXPECT_EQ(MailSender(message), TMailResult::NoMailProgram);
    struct Case {
        int exitCode;
        TMailResult result;
    };
    const Case kCases[] = {
        {0, TMailResult::Handed},
        {3, TMailResult::NoMailProgram},
        {4, TMailResult::Failed},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.exitCode);
        ProgramFixture::WriteText(
            bin + "xdg-email", QString("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '%1'\nexit %2\n")
                                   .arg(Folder() + "args")
                                   .arg(c.exitCode)
                                   .toUtf8());
        QFile::setPermissions(bin + "xdg-email", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(MailSender(message), c.result);
    }
    QFile args(Folder() + "args");
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(args.readAll()),
              "--attach\n" + Folder() + "nabidka s mezerou.pdf\nnakup@firma.cz\n");
    qputenv("PATH", path);
}

TEST_F(PoslatMailTest, APrintThatFailedIsNoPrintAndOnlyTheUntoldFailureIsShown) {
    struct Case {
        int exitCode;
        const char* errorText;
        bool asked;
        bool errorShown;
    };
    const Case kCases[] = {
        {kReportProgramDone, "", true, false},
        // The report program has shown the reason itself (no printer, say).
        {kReportProgramFailed, "Tiskárna \"\" není k dispozici.", false, false},
        // It could not take the job over and showed nothing: its reason reaches the user here.
        {kReportProgramNotTaken, "Datový soubor /tmp/x nelze přečíst: není", false, true},
        {134, "", false, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.exitCode);
        const int id = OpenOffer(0);
        TFakeReportProgram program;
        program.exitCode = c.exitCode;
        program.errorText = QString::fromUtf8(c.errorText);
        TScriptedDialogs dialogs;
        if (c.asked) dialogs.ExpectQuestion(QString::fromUtf8(kMarkSentQuestion).arg("NB00042"), false);
        if (c.errorShown) {
            QString text = QString::fromUtf8(kProgramEndedWithError).arg(ProgramFolder + "zelvorn");
            if (!program.errorText.isEmpty()) text += "\r" + program.errorText;
            dialogs.ExpectError(text);
        }
        TModalDriver driver;
        driver.On("frmTisk", [&](QWidget* w) { static_cast<TfrmTisk*>(w)->btnTisk->click(); });
        ShowPrintDialog(pmOffer);
        EXPECT_EQ(program.jobs.size(), 1u);
        EXPECT_EQ(State(id), 0);
    }
    // Nor does an e-mail go out without its PDF.
    OpenOffer(0, false, FirmWithEmail("a@b.cz"));
    TFakeReportProgram program;
    program.exitCode = kReportProgramFailed;
    TFakeMailer mailer;
    TScriptedDialogs dialogs;
    Send(nullptr);
    EXPECT_EQ(result_, -1);
    EXPECT_TRUE(mailer.messages.empty());
}

}  // namespace
