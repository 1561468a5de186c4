// The offers from the main window: the list opens over the firm's offers, and what the user does
// there reaches the database as another station would see it.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <memory>
#include <set>

#include "addressbook/Odkaz.h"
#include "common/Artifacts.h"
#include "common/LockHolder.h"
#include "common/ScriptedDialogs.h"
#include "core/CardProtocol.h"
#include "core/HistoryAction.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/ProgramFixture.h"
#include "core/UserSettings.h"
#include "exchange/Tisk.h"
#include "offers/CommentUpdater.h"
#include "offers/MassChangesNabidky.h"
#include "offers/NabFiltr.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/Nabidky.h"
#include "offers/NadpisovaPol.h"
#include "offers/SoucetCen.h"
#include "offers/SummaryReportNabidky.h"
#include "offers/ZakazkaList.h"
#include "platform/data/Field.h"
#include "platform/text/OleDate.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/DateEdit.h"
#include "platform/ui/ModalHelper.h"
#include "pricelist/PriceListUi.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

namespace {

struct TOfferRow {
    const char* number;
    const char* firm;
    int state;
    bool archived = false;
    bool locked = false;
    int creator = 0;
    const char* comment = "";
};

// The window of the type, once it is the one in front: the windows under it stay modal until then.
template <class TWindow>
void OnWindow(std::function<void(TWindow*)> handle) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, handle, attempts] {
        auto* window = qobject_cast<TWindow*>(QApplication::activeModalWidget());
        if (!window && ++*attempts < 500) return;
        timer->stop();
        timer->deleteLater();
        handle(window);
        if (window && window->isVisible()) {
            ADD_FAILURE() << "The handler left the window open";
            AskOnLeavingOffer = false;
            window->close();
        }
    });
    timer->start();
}

void OnOfferCard(std::function<void(TfrmNabidkaKart*)> handle) {
    OnWindow<TfrmNabidkaKart>(std::move(handle));
}

class OffersTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        ExecAgenda("DELETE FROM Nabidky");
        for (const TOfferRow& row : kOffers) ids_ << AddOffer(row);
    }

    static inline const TOfferRow kOffers[] = {
        {"NB00003", "Stavby Horák s.r.o.", 1},
        {"NB00001", "Elektro Novák a syn", 0, false, false, 0, "Zavolat po 15. lednu"},
        {"NB00002", "Pekárna U Lípy", 3, false, true},
        {"NB00004", "Archiv Brno a.s.", 4, true},
    };

    int AddOffer(const TOfferRow& row) {
        ExecAgenda(
            "INSERT INTO Nabidky (Doklad, AdrNazev, IDStav, Archivovano, Zamek, VytvorID, TextKomentare, "
            "FlagID, "
            "DatVystaveni, DatPlatnosti, Celkem, CelkemBDPH) VALUES (:Doklad, :AdrNazev, :IDStav, "
            ":Archivovano, "
            ":Zamek, :VytvorID, :TextKomentare, 0, :DatVystaveni, :DatPlatnosti, 1210, 1000)",
            {{"Doklad", QString::fromUtf8(row.number)},
             {"AdrNazev", QString::fromUtf8(row.firm)},
             {"IDStav", row.state},
             {"Archivovano", row.archived},
             {"Zamek", row.locked},
             {"VytvorID", row.creator},
             {"TextKomentare", QString::fromUtf8(row.comment)},
             {"DatVystaveni", DateTimeToOle(QDate(2026, 11, 2))},
             {"DatPlatnosti", DateTimeToOle(QDate(2026, 11, 16))}});
        const int id = LastInsertedId();
        ExecAgenda("INSERT INTO NabPolozky (CisloNab, Popis, Poradi) VALUES (:ID, 'Položka', 1)",
                   {{"ID", id}});
        return id;
    }

    // Opens the offers from the main window and hands the list to the script while it shows.
    void WithList(const std::function<void(TfrmNabidky&)>& script) {
        OnNextModal([&](QWidget* modal) {
            auto* list = qobject_cast<TfrmNabidky*>(modal);
            ASSERT_NE(list, nullptr);
            script(*list);
            if (list->isVisible()) list->btnStorno->click();
        });
        main_->btnNabidky->click();
    }

    static QStringList Numbers(TfrmNabidky& list) {
        QStringList numbers;
        TADOQuery& q = list.List();
        const TBookmark here = q.GetBookmark();
        for (q.First(); !q.Eof(); q.Next()) numbers << q.FieldByName("Doklad")->AsString();
        q.GotoBookmark(here);
        return numbers;
    }

    static int Count(const QString& sql, int id) {
        TADOQuery& q = frmMain->adqAgendaFree2;
        q.Close();
        q.SetSQL(sql);
        q.Parameters().ParamByName("ID")->Value = id;
        q.Open();
        const int n = q.RecordCount();
        q.Close();
        return n;
    }

    static QVariant Stored(const QString& field, int id) {
        TADOQuery& q = frmMain->adqAgendaFree2;
        q.Close();
        q.SetSQL(QString("SELECT %1 FROM Nabidky WHERE ID = :ID").arg(field));
        q.Parameters().ParamByName("ID")->Value = id;
        q.Open();
        const QVariant value = q.IsEmpty() ? QVariant() : q.Fields()[0]->Value();
        q.Close();
        return value;
    }

    void Mark(TfrmNabidky& list, const QStringList& numbers) {
        for (const QString& number : numbers) {
            ASSERT_TRUE(list.List().Locate("Doklad", number));
            list.grNabidky->MarkedRows().SetCurrentRowMarked(true);
        }
    }

    QList<int> ids_;
};

}  // namespace

TEST_F(OffersTest, TheMainWindowOpensTheListOfOffersSortedByNumberWithoutArchivedOnes) {
    QStringList numbers;
    bool buttons = false;
    WithList([&](TfrmNabidky& list) {
        EXPECT_EQ(list.windowTitle(), QString::fromUtf8(kOfferListCaption));
        numbers = Numbers(list);
        buttons = list.btnOpravit->isEnabled() && list.btnVyjmout->isEnabled() &&
                  list.btnKopirovat->isEnabled() && list.btnTisk->isEnabled() && list.btnOstatni->isEnabled();
        EXPECT_EQ(list.grNabidky->Columns().ColumnAt(0)->FieldName(), "FlagID");
        EXPECT_EQ(list.grNabidky->Columns().ColumnAt(1)->FieldName(), "Zamek");
        EXPECT_EQ(list.grNabidky->Columns().ColumnAt(2)->IndexStyle(), idxAscending);
        EXPECT_FALSE(list.acZrusitArchivaci->isVisible());
        list.grNabidky->grab().save(ArtifactPath("offer-list.png"));
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00002"));
    });
    EXPECT_EQ(numbers.join('|'), "NB00001|NB00002|NB00003");
    EXPECT_TRUE(buttons);
    // The list remembers where it stood, and the main window's query is closed again.
    EXPECT_EQ(OfferListLastID, ids_[2]);
    EXPECT_EQ(OfferListSortField, "DOKLAD");
    EXPECT_FALSE(main_->adqNabidky.Active());

    WithList([&](TfrmNabidky& list) { EXPECT_EQ(list.List().FieldByName("Doklad")->AsString(), "NB00002"); });
}

TEST_F(OffersTest, AskingForArchivedOffersReopensTheListWithThemUntilItIsClosed) {
    QStringList first, second, third;
    bool clearShown = false;
    OnNextModal([&](QWidget* modal) {
        auto* list = qobject_cast<TfrmNabidky*>(modal);
        first = Numbers(*list);
        OnNextModal([&](QWidget* again) {
            auto* reopened = qobject_cast<TfrmNabidky*>(again);
            second = Numbers(*reopened);
            clearShown = reopened->acZrusitArchivaci->isVisible();
            OnNextModal([&](QWidget* last) {
                third = Numbers(*qobject_cast<TfrmNabidky*>(last));
                qobject_cast<TfrmNabidky*>(last)->btnStorno->click();
            });
            reopened->acZobrazitArchivovane->trigger();
        });
        list->acZobrazitArchivovane->trigger();
    });
    main_->btnNabidky->click();
    EXPECT_EQ(first.size(), 3);
    EXPECT_TRUE(second.contains("NB00004"));
    EXPECT_TRUE(third.contains("NB00004"));
    EXPECT_TRUE(clearShown);

    QStringList later;
    WithList([&](TfrmNabidky& list) { later = Numbers(list); });
    EXPECT_FALSE(later.contains("NB00004"));
}

TEST_F(OffersTest, TheCreatorPrefilterLimitsTheListUnlessTheUserSeesAllOffers) {
    ExecAgenda("UPDATE Nabidky SET VytvorID = 3 WHERE Doklad = 'NB00003'");
    ExecAgenda("UPDATE Nabidky SET VytvorID = 1 WHERE Doklad = 'NB00001'");
    CurrentUser.VsechnyNabidky_AR = false;
    CurrentUser.PrefiltrNabidkyVytvorID_AR = "1;3";
    EXPECT_EQ(OfferListSql(false),
              "SELECT * FROM Nabidky WHERE (Archivovano = False) AND (VytvorID IN (1,3))");
    EXPECT_EQ(OfferListSql(true), "SELECT * FROM Nabidky WHERE (VytvorID IN (1,3))");
    QStringList numbers;
    WithList([&](TfrmNabidky& list) { numbers = Numbers(list); });
    EXPECT_EQ(numbers.join('|'), "NB00001|NB00003");

    CurrentUser.VsechnyNabidky_AR = true;
    EXPECT_EQ(OfferListSql(false), "SELECT * FROM Nabidky WHERE (Archivovano = False)");

    CurrentUser.Nabidky_AR = TAccessLevel::NoAccess;
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kAccessDeniedText));
    main_->btnNabidky->click();
}

TEST_F(OffersTest, DeletingAnOfferRemovesItsItemsAndHistoryAndStandsOnTheNextOne) {
    ExecAgenda("INSERT INTO Akce (ObjectID, ObjectType) VALUES (:ID, 0)", {{"ID", ids_[0]}});
    QString after;
    WithList([&](TfrmNabidky& list) {
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00003"));
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kConfirmDeleteOne), true);
        list.btnVyjmout->click();
        after = list.List().FieldByName("Doklad")->AsString();
    });
    // The last row went: the list stands on the one before it.
    EXPECT_EQ(after, "NB00002");
    EXPECT_EQ(Count("SELECT ID FROM Nabidky WHERE ID = :ID", ids_[0]), 0);
    EXPECT_EQ(Count("SELECT ID FROM NabPolozky WHERE CisloNab = :ID", ids_[0]), 0);
    EXPECT_EQ(Count("SELECT ID FROM Akce WHERE ObjectID = :ID", ids_[0]), 0);
}

TEST_F(OffersTest, DeletingRefusesLockedOffersAndOffersOpenOnAnotherStation) {
    // A locked offer, and one held by another station, stop a run over marks where they stand.
    LockHolder station(RecordLockPath("Nabidky", ids_[1]), true);
    ASSERT_TRUE(station.Start());
    WithList([&](TfrmNabidky& list) {
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00002"));
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectQuestion(QString::fromUtf8(kConfirmDeleteOne), true);
            dialogs.ExpectWarning(QString::fromUtf8(kLockedOfferCannotBeDeleted));
            list.btnVyjmout->click();
        }
        // Newest mark first: NB00003 goes, NB00001 (held elsewhere) stops the run, NB00002 stays.
        Mark(list, {"NB00002", "NB00001", "NB00003"});
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kConfirmDeleteMarked), true);
        dialogs.ExpectWarning(QString::fromUtf8(kCannotDeleteInUseText));
        list.btnVyjmout->click();
        EXPECT_EQ(list.grNabidky->MarkedRows().MarkCount(), 0);
    });
    EXPECT_EQ(Count("SELECT ID FROM Nabidky WHERE ID = :ID", ids_[0]), 0);
    EXPECT_EQ(Count("SELECT ID FROM Nabidky WHERE ID = :ID", ids_[1]), 1);
    EXPECT_EQ(Count("SELECT ID FROM Nabidky WHERE ID = :ID", ids_[2]), 1);

    CurrentUser.Nabidky_AR = TAccessLevel::NoDelete;
    WithList([&](TfrmNabidky& list) {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kAccessDeniedText));
        list.btnVyjmout->click();
    });
}

TEST_F(OffersTest, FlagsAndLocksGoOnTheMarkedOffersOrTheCurrentOne) {
    WithList([&](TfrmNabidky& list) {
        Mark(list, {"NB00001", "NB00003"});
        list.pmVlajky[1]->trigger();
        list.acUzamknout->trigger();
        EXPECT_EQ(list.grNabidky->MarkedRows().MarkCount(), 2);
        list.grNabidky->MarkedRows().ClearMarks();
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00002"));
        list.pmVlajky[5]->trigger();
        list.pmOdemknout->trigger();
    });
    EXPECT_EQ(Stored("FlagID", ids_[0]).toInt(), static_cast<int>(TOfferFlag::Green));
    EXPECT_EQ(Stored("FlagID", ids_[1]).toInt(), static_cast<int>(TOfferFlag::Green));
    EXPECT_EQ(Stored("FlagID", ids_[2]).toInt(), static_cast<int>(TOfferFlag::Purple));
    EXPECT_TRUE(Stored("Zamek", ids_[0]).toBool());
    EXPECT_TRUE(Stored("Zamek", ids_[1]).toBool());
    EXPECT_FALSE(Stored("Zamek", ids_[2]).toBool());

    // Without the right to locks nothing is written; a flag on a read-only list neither.
    CurrentUser.Zamky_AR = false;
    WithList([&](TfrmNabidky& list) {
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00002"));
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kAccessDeniedText));
        list.acUzamknout->trigger();
    });
    EXPECT_FALSE(Stored("Zamek", ids_[2]).toBool());
}

TEST_F(OffersTest, AFlagThatCannotBeWrittenIsReported) {
    WithList([&](TfrmNabidky& list) {
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00001"));
        // Another station deleted the offer after the list was read.
        ExecAgenda("DELETE FROM Nabidky WHERE ID = :ID", {{"ID", ids_[1]}});
        TScriptedDialogs dialogs;
        dialogs.ExpectError(QString::fromUtf8(kOfferFieldNotSaved).arg("Nabidky"));
        list.pmVlajky[0]->trigger();
    });
}

TEST_F(OffersTest, AnEmptyListLeavesOnlyAddingEnabled) {
    ExecAgenda("DELETE FROM Nabidky");
    WithList([&](TfrmNabidky& list) {
        for (QPushButton* b :
             {list.btnOpravit, list.btnVyjmout, list.btnKopirovat, list.btnTisk, list.btnOstatni})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_TRUE(list.btnPridat->isEnabled());
        emit list.pmNabidky->aboutToShow();
        for (QAction* action : list.pmNabidky->actions()) EXPECT_FALSE(action->isEnabled());
    });
}

TEST_F(OffersTest, SortingByATitleAndTypingFindTheOfferByItsFirm) {
    WithList([&](TfrmNabidky& list) {
        TColumn* firm = nullptr;
        for (int i = 0; i < list.grNabidky->Columns().Count(); ++i)
            if (list.grNabidky->Columns().ColumnAt(i)->FieldName() == "AdrNazev")
                firm = list.grNabidky->Columns().ColumnAt(i);
        ASSERT_NE(firm, nullptr);
        list.SortByColumn(firm);
        EXPECT_EQ(firm->Index(), kOfferListFixedColumns);
        EXPECT_EQ(list.List().Sort(), "AdrNazev");
        list.OpenFind(QChar('p'));
        EXPECT_TRUE(list.panNabidkyFind->isVisible());
        EXPECT_EQ(list.List().FieldByName("AdrNazev")->AsString(), QString::fromUtf8("Pekárna U Lípy"));
        QTest::keyClick(list.edtNabidkyFind, Qt::Key_Return);
        EXPECT_FALSE(list.panNabidkyFind->isVisible());
        EXPECT_TRUE(list.edtNabidkyFind->text().isEmpty());
    });
    EXPECT_EQ(OfferListSortField, "ADRNAZEV");
}

TEST_F(OffersTest, TheHistoryOfTheCurrentOfferOpensFromTheList) {
    bool shown = false;
    WithList([&](TfrmNabidky& list) {
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00001"));
        OnNextModal([&](QWidget* modal) {
            shown = modal->objectName() == "frmHistoryAction";
            auto* history = qobject_cast<TfrmHistoryAction*>(modal);
            ASSERT_NE(history, nullptr);
            history->btnZavrit->click();
        });
        list.acHistorieAkci->trigger();
    });
    EXPECT_TRUE(shown);
}

TEST_F(OffersTest, ANewOfferMadeOnTheCardIsSavedAndOpensAgainAsItWasLeft) {
    TNadpisovaPol::ExecHook = [](TfrmNadpisovaPol& window) {
        window.edtNadpis->setText(QString::fromUtf8("Elektroinstalace - 1. etapa"));
        window.btnOKClick();
        return window.result();
    };
    struct TReset {
        ~TReset() { TNadpisovaPol::ExecHook = nullptr; }
    } reset;
    const int before = ids_.size();
    WithList([&](TfrmNabidky& list) {
        OnOfferCard([&](TfrmNabidkaKart* card) {
            ASSERT_NE(card, nullptr);
            EXPECT_EQ(card->edtCisloDokl->text(), QString::fromUtf8(kAutomaticNumberText));
            card->edtPopisDokl->setText(QString::fromUtf8("Rekonstrukce kanceláří"));
            card->edtAdrNazev->setText(QString::fromUtf8("Kovovýroba Hrubý s.r.o."));
            card->edtAdrMisto->setText(QString::fromUtf8("Zlín"));
            card->btnPridatNadpis->click();
            TScriptedDialogs dialogs;
            dialogs.ExpectQuestion(QString::fromUtf8(kTypedCustomerQuestion), true);
            // A new offer is offered for printing at once, with the reports of one offer only.
            OnWindow<TfrmTisk>([&](TfrmTisk* print) {
                ASSERT_NE(print, nullptr);
                EXPECT_EQ(print->mtSestava.RecordCount(), 7);
                print->reject();
            });
            card->btnOK->click();
        });
        list.btnPridat->click();
        EXPECT_EQ(list.List().RecordCount(), before);
        EXPECT_EQ(list.List().FieldByName("Popis")->AsString(), QString::fromUtf8("Rekonstrukce kanceláří"));
        const QString number = list.List().FieldByName("Doklad")->AsString();
        EXPECT_FALSE(number.isEmpty());

        // Opened again, the card shows what was saved, under the drawn number.
        OnOfferCard([&](TfrmNabidkaKart* card) {
            ASSERT_NE(card, nullptr);
            EXPECT_EQ(card->edtCisloDokl->text(), number);
            EXPECT_EQ(card->edtPopisDokl->text(), QString::fromUtf8("Rekonstrukce kanceláří"));
            EXPECT_EQ(card->edtAdrNazev->text(), QString::fromUtf8("Kovovýroba Hrubý s.r.o."));
            EXPECT_EQ(card->edtAdrMisto->text(), QString::fromUtf8("Zlín"));
            EXPECT_EQ(OfferCardData().mtTmpPolozky.RecordCount(), 1);
            EXPECT_EQ(OfferCardData().mtTmpPolozky.FieldByName("Popis")->AsString(),
                      QString::fromUtf8("Elektroinstalace - 1. etapa"));
            EXPECT_TRUE(card->btnOK->isEnabled());
            card->grab().save(ArtifactPath("offer-card-saved.png"));
            card->btnStorno->click();
        });
        list.btnOpravit->click();
    });
}

TEST_F(OffersTest, AnOfferOpenOnAnotherStationOrLockedOpensReadOnly) {
    LockHolder station(RecordLockPath("Nabidky", ids_[1]), true);
    ASSERT_TRUE(station.Start());
    struct Case {
        const char* number;
        const char* message;
    };
    const Case kCases[] = {
        {"NB00001", kRecordInUseText},
        {"NB00002", kOfferLockedText},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.number);
        bool okEnabled = true;
        WithList([&](TfrmNabidky& list) {
            ASSERT_TRUE(list.List().Locate("Doklad", c.number));
            OnOfferCard([&](TfrmNabidkaKart* card) {
                ASSERT_NE(card, nullptr);
                okEnabled = card->btnOK->isEnabled();
                card->btnStorno->click();
            });
            TScriptedDialogs dialogs;
            dialogs.ExpectInformation(QString::fromUtf8(c.message));
            list.btnOpravit->click();
        });
        EXPECT_FALSE(okEnabled);
    }
}

TEST_F(OffersTest, ALinkedDocumentChosenOnTheLinkCardIsSavedWithTheOffer) {
    const QString source = Folder() + "Vykres_rozvadece.pdf";
    WriteText(source, "%PDF-1.4");
    const auto savedChooser = ChooseDocumentFile;
    ChooseDocumentFile = [&](QWidget*, const QString&) { return source; };
    struct TReset {
        std::function<QString(QWidget*, const QString&)> chooser;
        ~TReset() { ChooseDocumentFile = chooser; }
    } reset{savedChooser};
    WithList([&](TfrmNabidky& list) {
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00003"));
        OnOfferCard([&](TfrmNabidkaKart* card) {
            ASSERT_NE(card, nullptr);
            OnWindow<TfrmOdkaz>([&](TfrmOdkaz* link) {
                ASSERT_NE(link, nullptr);
                // Browsing at once filled the link and the description from the chosen file.
                EXPECT_EQ(link->edtOdkaz->text(), source);
                EXPECT_EQ(link->edtPopis->text(), "Vykres_rozvadece");
                EXPECT_TRUE(link->chckZkopirovat->isVisible());
                link->btnOK->click();
            });
            card->btnPridatDoc->click();
            EXPECT_EQ(OfferCardData().mtTmpDokumenty.RecordCount(), 1);
            EXPECT_TRUE(card->btnOtevritDoc->isEnabled());
            card->btnOK->click();
        });
        list.btnOpravit->click();
    });
    EXPECT_EQ(Count("SELECT ID FROM DokumentyNab WHERE CisloNab = :ID", ids_[0]), 1);
}

TEST_F(OffersTest, LinksIntoTheOffersSharedFolderAreCheckedThereAndLoadWithTheirIcons) {
    const QString folder = OfferDocumentFolder(ids_[0]);
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteText(folder + "vykres.pdf", "%PDF-1.4");
    ExecAgenda(
        "INSERT INTO DokumentyNab (Popis, Soubor, CisloNab) VALUES ('Výkres', '%SDILENA_SLOZKA%vykres.pdf', "
        ":ID)",
        {{"ID", ids_[0]}});
    ExecAgenda(
        "INSERT INTO DokumentyNab (Popis, Soubor, CisloNab) VALUES ('Zápis', '%sdilena_slozka%zapis.pdf', "
        ":ID)",
        {{"ID", ids_[0]}});
    const auto savedChooser = ChooseDocumentFile;
    ChooseDocumentFile = [](QWidget*, const QString&) { return QString(); };
    struct TReset {
        std::function<QString(QWidget*, const QString&)> chooser;
        ~TReset() { ChooseDocumentFile = chooser; }
    } reset{savedChooser};

    // Changing a link of the folder: the card shows the offer's folder and checks the file there.
    struct Case {
        const char* description;
        QString file;
        bool exists;
    };
    const Case kCases[] = {{"Výkres", "vykres.pdf", true}, {"Zápis", "zapis.pdf", false}};
    WithList([&](TfrmNabidky& list) {
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00003"));
        OnOfferCard([&](TfrmNabidkaKart* card) {
            ASSERT_NE(card, nullptr);
            TMemTable& docs = OfferCardData().mtTmpDokumenty;
            for (const Case& c : kCases) {
                SCOPED_TRACE(c.description);
                ASSERT_TRUE(docs.Locate("Popis", QString::fromUtf8(c.description)));
                EXPECT_EQ(docs.FieldByName("SmallIcon")->AsVariant().toByteArray(),
                          FileIconBytes(folder + c.file));
                TScriptedDialogs dialogs;
                if (!c.exists)
                    dialogs.ExpectQuestion(QString::fromUtf8(kLinkSaveAnyway).arg(folder + c.file), true);
                OnWindow<TfrmOdkaz>([&](TfrmOdkaz* link) {
                    ASSERT_NE(link, nullptr);
                    EXPECT_EQ(link->edtSdilenySoubor->text(), folder);
                    EXPECT_FALSE(link->btnProchazet->isEnabled());
                    link->btnOK->click();
                });
                card->btnOpravitDoc->click();
            }
            // A new link of the folder, to be copied there: the file is found, so the card takes it.
            TScriptedDialogs dialogs;
            OnWindow<TfrmOdkaz>([&](TfrmOdkaz* link) {
                ASSERT_NE(link, nullptr);
                link->edtPopis->setText(QString::fromUtf8("Druhý výkres"));
                link->edtOdkaz->setText("%SDILENA_SLOZKA%vykres.pdf");
                link->chckZkopirovat->setChecked(true);
                link->btnOK->click();
            });
            card->btnPridatDoc->click();
            EXPECT_EQ(docs.RecordCount(), 3);
            dialogs.ExpectQuestion(QString::fromUtf8(kLeaveUnsavedQuestion), true);
            card->btnStorno->click();
        });
        list.btnOpravit->click();
    });
}

TEST_F(OffersTest, ScrollingToTheEndOfALongListReadsOnlyTheRowsOnScreen) {
    TADOConnection& con = main_->ADOConAgenda;
    con.BeginTrans();
    for (int i = 0; i < 3000; ++i)
        ExecAgenda(
            "INSERT INTO Nabidky (Doklad, AdrNazev, IDStav, Archivovano, Zamek, FlagID) VALUES (:Doklad, "
            "'Stavby Horák s.r.o.', 1, False, False, 0)",
            {{"Doklad", QStringLiteral("NC%1").arg(i, 5, 10, QChar(u'0'))}});
    con.CommitTrans();
    WithList([&](TfrmNabidky& list) {
        TADOQuery& q = list.List();
        std::set<int> drawn;
        const auto draw = list.grNabidky->OnDrawColumnCell;
        list.grNabidky->OnDrawColumnCell = [&](QObject* sender, QPainter& canvas, const TRect& rect,
                                               int dataColumn, TColumn* column, TGridDrawState state) {
            drawn.insert(q.FieldByName("ID")->AsInteger());
            draw(sender, canvas, rect, dataColumn, column, state);
        };
        q.Last();
        const int last = q.FieldByName("ID")->AsInteger();
        drawn.clear();
        // Rendered into a picture rather than repainted: a window the platform has not exposed yet
        // ignores a repaint, which a loaded machine showed now and then.
        list.grNabidky->viewport()->grab();
        EXPECT_TRUE(drawn.count(last));
        EXPECT_GT(drawn.size(), 1u);
        EXPECT_LE(static_cast<int>(drawn.size()), list.grNabidky->VisibleRowCount() + 1);
        list.grNabidky->OnDrawColumnCell = draw;
    });
}

TEST_F(OffersTest, TheFilterPicksItsOrderFromTheOrderList) {
    ExecAgenda("UPDATE Nabidky SET Zakazka = NULL");
    ExecAgenda("UPDATE Nabidky SET Zakazka = 'BYT-VINOH' WHERE Doklad = 'NB00002'");
    QString picked;
    QStringList numbers;
    WithList([&](TfrmNabidky& list) {
        OnWindow<TfrmNabFiltr>([&](TfrmNabFiltr* filter) {
            ASSERT_NE(filter, nullptr);
            filter->chckZakazka->click();
            OnWindow<TfrmZakazkaList>([](TfrmZakazkaList* orders) {
                ASSERT_NE(orders, nullptr);
                ASSERT_TRUE(orders->dsList.DataSet()->Locate("Zkratka", "BYT-VINOH"));
                orders->btnOK->click();
            });
            filter->btnVyberZakazka->click();
            picked = filter->edtZakazka->text();
            filter->btnOK->click();
        });
        list.btnFiltr->click();
        numbers = Numbers(list);
    });
    EXPECT_EQ(picked, "BYT-VINOH");
    EXPECT_EQ(numbers.join('|'), "NB00002");
}

TEST_F(OffersTest, TheFilterWindowNarrowsTheListAndItsExpressionQuotesAndFormatsTheValues) {
    ExecAgenda("UPDATE Nabidky SET AdrNazev = 'O''Neil Stavby', Celkem = 2420.5 WHERE Doklad = 'NB00001'");
    QStringList numbers;
    QString caption;
    bool bold = false;
    WithList([&](TfrmNabidky& list) {
        OnWindow<TfrmNabFiltr>([](TfrmNabFiltr* filter) {
            ASSERT_NE(filter, nullptr);
            EXPECT_TRUE(filter->chckFiltrAktivni->isChecked());
            EXPECT_FALSE(filter->edtCastNazevFirmy->isEnabled());
            // Switched off and on again, the field takes the window colour back.
            const QColor window = QApplication::palette().color(QPalette::Base);
            for (bool on : {true, false, true}) {
                filter->chckCastNazevFirmy->click();
                EXPECT_EQ(filter->edtCastNazevFirmy->isEnabled(), on);
                EXPECT_EQ(filter->edtCastNazevFirmy->palette().color(QPalette::Base) == window, on);
            }
            // A checked text condition needs its text.
            {
                TScriptedDialogs dialogs;
                dialogs.ExpectWarning(QString::fromUtf8(kFillFirmText));
                filter->btnOK->click();
            }
            filter->edtCastNazevFirmy->setText("o'neil");
            filter->btnOK->click();
        });
        list.btnFiltr->click();
        numbers = Numbers(list);
        caption = list.btnFiltr->text();
        bold = list.btnFiltr->font().bold();
        // Switched off, the filter gives the whole list back.
        OnWindow<TfrmNabFiltr>([](TfrmNabFiltr* filter) {
            ASSERT_NE(filter, nullptr);
            EXPECT_EQ(filter->edtCastNazevFirmy->text(), "o'neil");
            filter->chckFiltrAktivni->setChecked(false);
            filter->btnOK->click();
        });
        list.btnFiltr->click();
        EXPECT_EQ(Numbers(list).size(), 3);
        EXPECT_EQ(list.btnFiltr->text(), "Filtr");
    });
    EXPECT_EQ(numbers.join('|'), "NB00001");
    EXPECT_EQ(caption, "Filtr !");
    EXPECT_TRUE(bold);

    // The expression of each condition as the list query reads it.
    TfrmNabFiltr filter;
    struct Case {
        const char* name;
        std::function<void(TfrmNabFiltr&)> set;
        const char* expression;
    };
    const Case kCases[] = {
        {"nothing checked", [](TfrmNabFiltr&) {}, ""},
        {"state", [](TfrmNabFiltr& f) { f.chckStav->setChecked(true), f.cbxStav->setCurrentIndex(3); },
         "IDStav = 3"},
        {"firm not chosen yet", [](TfrmNabFiltr& f) { f.chckNazevFirmy->setChecked(true); }, "AdrCislo = 0"},
        {"firm text with a quote",
         [](TfrmNabFiltr& f) {
             f.chckCastNazevFirmy->setChecked(true);
             f.edtCastNazevFirmy->setText("O'Neil");
         },
         "AdrNazev LIKE '*O''Neil*'"},
        {"open and settled between",
         [](TfrmNabFiltr& f) {
             f.chckNevyrizene->setChecked(true);
             f.chckdleVyrizeni->setChecked(true);
             f.edtDatVyrizeniOd->SetDate(DateTimeToOle(QDate(2026, 3, 1)));
             f.edtDatVyrizeniDo->SetDate(DateTimeToOle(QDate(2026, 3, 31)));
         },
         "DatVyrizeni = NULL AND DatVyrizeni >= 1.3.2026 AND DatVyrizeni <= 31.3.2026"},
        {"amounts without VAT",
         [](TfrmNabFiltr& f) {
             f.chckCastkaCelkem->setChecked(true);
             f.cbxCelkemSBDPH->setCurrentIndex(1);
             f.curCastkaCelkOd->SetValue(1000.5L);
             f.curCastkaCelkDo->SetValue(25000);
         },
         "CelkemBDPH >= 1000.5 AND CelkemBDPH <= 25000"},
        {"creator and job",
         [](TfrmNabFiltr& f) {
             f.chckCastVystavil->setChecked(true);
             f.edtCastVystavil->setText("Nov");
             f.chckZakazka->setChecked(true);
             f.edtZakazka->setText("Z-01");
         },
         "Vytvoril LIKE '*Nov*' AND Zakazka = 'Z-01'"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TfrmNabFiltr fresh;
        c.set(fresh);
        EXPECT_EQ(fresh.FilterText(), QString::fromUtf8(c.expression));
    }
}

TEST_F(OffersTest, ArchivingByDateTakesOffersIssuedStrictlyBeforeTheDay) {
    // NB00003 issued 28.2., NB00001 on 1.3. (the day itself stays), NB00002 settled and issued 27.2.
    ExecAgenda("UPDATE Nabidky SET DatVystaveni = :D WHERE Doklad = 'NB00003'",
               {{"D", DateTimeToOle(QDate(2026, 2, 28))}});
    ExecAgenda("UPDATE Nabidky SET DatVystaveni = :D WHERE Doklad = 'NB00001'",
               {{"D", DateTimeToOle(QDate(2026, 3, 1))}});
    ExecAgenda("UPDATE Nabidky SET DatVystaveni = :D, DatVyrizeni = :D WHERE Doklad = 'NB00002'",
               {{"D", DateTimeToOle(QDate(2026, 2, 27))}});
    struct Case {
        bool onlySettled;
        const char* remaining;
    };
    const Case kCases[] = {{true, "NB00001|NB00003"}, {false, "NB00001"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.onlySettled);
        ExecAgenda("UPDATE Nabidky SET Archivovano = False WHERE Doklad <> 'NB00004'");
        QStringList numbers;
        WithList([&](TfrmNabidky& list) {
            OnWindow<TfrmMassChangesNabidky>([&](TfrmMassChangesNabidky* window) {
                ASSERT_NE(window, nullptr);
                EXPECT_TRUE(window->chckPouzeVyrizene->isChecked());
                {
                    TScriptedDialogs dialogs;
                    dialogs.ExpectInformation(QString::fromUtf8(kMassArchiveDateMissing));
                    window->btnOK->click();
                }
                window->edtDatum->SetDate(DateTimeToOle(QDate(2026, 3, 1)));
                window->chckPouzeVyrizene->setChecked(c.onlySettled);
                window->btnOK->click();
            });
            list.acArchivovatStarsi->trigger();
            numbers = Numbers(list);
        });
        EXPECT_EQ(numbers.join('|'), c.remaining);
    }

    // A user limited to his own offers archives only those.
    ExecAgenda("UPDATE Nabidky SET Archivovano = False, VytvorID = 0");
    ExecAgenda("UPDATE Nabidky SET VytvorID = 7 WHERE Doklad = 'NB00003'");
    CurrentUser.VsechnyNabidky_AR = false;
    CurrentUser.PrefiltrNabidkyVytvorID_AR = "7";
    TMassChangesNabidky changes(0);
    changes.ArchiveDate = DateTimeToOle(QDate(2026, 3, 1));
    changes.OnlySettled = false;
    EXPECT_EQ(changes.ArchiveSql(),
              "UPDATE Nabidky SET Archivovano = :Archivovano WHERE (DatVystaveni < #2026-3-1#) AND (VytvorID "
              "IN (7))");
    ASSERT_TRUE(changes.Perform());
    EXPECT_TRUE(Stored("Archivovano", ids_[0]).toBool());
    EXPECT_FALSE(Stored("Archivovano", ids_[2]).toBool());
}

TEST_F(OffersTest, MarkedOffersAreArchivedAndBroughtBackFromTheMenu) {
    WithList([&](TfrmNabidky& list) {
        Mark(list, {"NB00001", "NB00003"});
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8("Opravdu chcete označené doklady přesunout do archivu"),
                               true);
        list.acArchivovatOznacene->trigger();
        EXPECT_EQ(Numbers(list).join('|'), "NB00002");
        EXPECT_EQ(list.grNabidky->MarkedRows().MarkCount(), 0);
    });
    EXPECT_TRUE(Stored("Archivovano", ids_[0]).toBool());
    EXPECT_TRUE(Stored("Archivovano", ids_[1]).toBool());

    // With archived offers shown the marks stay, and clearing the flag needs no question.
    OnNextModal([&](QWidget* modal) {
        auto* list = qobject_cast<TfrmNabidky*>(modal);
        OnNextModal([&](QWidget* again) {
            auto* shown = qobject_cast<TfrmNabidky*>(again);
            Mark(*shown, {"NB00001", "NB00003"});
            shown->acZrusitArchivaci->trigger();
            EXPECT_EQ(shown->grNabidky->MarkedRows().MarkCount(), 2);
            shown->btnStorno->click();
        });
        list->acZobrazitArchivovane->trigger();
    });
    main_->btnNabidky->click();
    EXPECT_FALSE(Stored("Archivovano", ids_[0]).toBool());
    EXPECT_FALSE(Stored("Archivovano", ids_[1]).toBool());
}

TEST_F(OffersTest, ACommentGetsAStampLineAndALockedOfferRefusesIt) {
    EXPECT_EQ(CommentStampLine(DateTimeToOle(QDate(2026, 3, 5), QTime(9, 7)), "Novák"),
              QString::fromUtf8("=== 5.3.2026 (09:07 hod) Novák ==="));
    StampOfferComments = true;
    CurrentUser.Jmeno = QString::fromUtf8("Novák");
    struct Case {
        const char* number;
        int offer;  // index into ids_
        const char* before;
        int stampLine;
    };
    // An empty comment starts with the stamp; a comment of two lines gets it as the third.
    ExecAgenda("UPDATE Nabidky SET TextKomentare = :T WHERE Doklad = 'NB00003'",
               {{"T", QString::fromUtf8("Volal 3.3.\r\nPošleme vzorky")}});
    ExecAgenda("UPDATE Nabidky SET TextKomentare = '' WHERE Doklad = 'NB00001'");
    const Case kCases[] = {{"NB00001", 1, "", 0}, {"NB00003", 0, "Volal 3.3.\r\nPošleme vzorky", 2}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.number);
        WithList([&](TfrmNabidky& list) {
            ASSERT_TRUE(list.List().Locate("Doklad", c.number));
            OnWindow<TfrmCommentUpdater>([&](TfrmCommentUpdater* window) {
                ASSERT_NE(window, nullptr);
                const QStringList lines = window->memTextKomentare->toPlainText().split('\n');
                ASSERT_GT(lines.size(), c.stampLine);
                EXPECT_TRUE(lines[c.stampLine].startsWith("=== ")) << lines[c.stampLine].toStdString();
                EXPECT_TRUE(lines[c.stampLine].endsWith(QString::fromUtf8(") Novák ===")));
                window->memTextKomentare->moveCursor(QTextCursor::End);
                window->memTextKomentare->insertPlainText("Souhlasí");
                window->btnOK->click();
            });
            list.acKomentar->trigger();
        });
        const QString stored = Stored("TextKomentare", ids_[c.offer]).toString();
        EXPECT_TRUE(stored.startsWith(QString::fromUtf8(c.before))) << stored.toStdString();
        EXPECT_TRUE(stored.endsWith("\r\nSouhlasí")) << stored.toStdString();
    }

    // Storno keeps the stored comment, stamp and all; a locked offer gets no comment.
    const QString kept = Stored("TextKomentare", ids_[0]).toString();
    WithList([&](TfrmNabidky& list) {
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00003"));
        OnWindow<TfrmCommentUpdater>([](TfrmCommentUpdater* window) { window->btnStorno->click(); });
        list.acKomentar->trigger();
        ASSERT_TRUE(list.List().Locate("Doklad", "NB00002"));
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kCommentLocked));
        list.acKomentar->trigger();
    });
    EXPECT_EQ(Stored("TextKomentare", ids_[0]).toString(), kept);
}

TEST_F(OffersTest, TheSumCountsTheMarkedOffersOverallAndByState) {
    ExecAgenda("UPDATE Nabidky SET Zisk = 150");
    WithList([&](TfrmNabidky& list) {
        Mark(list, {"NB00003", "NB00002"});
        OnWindow<TfrmSoucetCen>([](TfrmSoucetCen* window) {
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->lblPocetCelkem->text(), "2");
            EXPECT_EQ(window->lblBDPHCelkem->text(), QString::fromUtf8("2 000,00"));
            EXPECT_EQ(window->lblSDPHCelkem->text(), QString::fromUtf8("2 420,00"));
            EXPECT_EQ(window->lblZiskCelkem->text(), QString::fromUtf8("300,00"));
            struct Case {
                int state;
                const char* count;
                const char* total;
            };
            const Case kCases[] = {
                {0, "0", "0,00"}, {1, "1", "1 000,00"}, {3, "1", "1 000,00"}, {6, "0", "0,00"}};
            for (const Case& c : kCases) {
                SCOPED_TRACE(c.state);
                window->cbxStav->setCurrentIndex(c.state + 1);
                EXPECT_EQ(window->lblPocetCelkem->text(), c.count);
                EXPECT_EQ(window->lblBDPHCelkem->text(), QString::fromUtf8(c.total));
            }
            window->accept();
        });
        list.acSoucet->trigger();
        // Without marks every listed offer counts.
        list.grNabidky->MarkedRows().ClearMarks();
        EXPECT_EQ(SumOffers(list)[0].Count, 3);
    });
}

TEST_F(OffersTest, SummaryReportsRankAcceptedOffersByCustomerOrJob) {
    // Three accepted offers: two for one firm whose name is written in two ways, one without a firm.
    ExecAgenda("UPDATE Nabidky SET IDStav = 3, Zisk = 100, CelkemBDPH = 1000, AdrCislo = 0");
    ExecAgenda(
        "UPDATE Nabidky SET AdrNazev = 'ELEKTRO Novák a syn', AdrICO = '123 456' WHERE Doklad = 'NB00003'");
    ExecAgenda("UPDATE Nabidky SET AdrICO = '123456', CelkemBDPH = 500 WHERE Doklad = 'NB00001'");
    ExecAgenda("UPDATE Nabidky SET AdrICO = '' WHERE Doklad = 'NB00002'");
    TSummaryReportNabidky report;
    TSummaryReportFilterNabidky& filter = *report.Filter;
    filter.ReportKind = TSummaryReportKind::CustomersByTurnover;
    struct Case {
        TCustomerGrouping grouping;
        QStringList rows;
    };
    const Case kCases[] = {
        {TCustomerGrouping::Ico,
         {QString::fromUtf8("ELEKTRO Novák a syn=1500"), QString::fromUtf8("[nabídky bez IČ]=1000")}},
        {TCustomerGrouping::Name,
         {QString::fromUtf8("ELEKTRO Novák a syn=1500"), QString::fromUtf8("Pekárna U Lípy=1000")}},
        {TCustomerGrouping::InternalNumber, {QString::fromUtf8("[nabídky bez vazby na adresář firem]=2500")}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.grouping));
        filter.CustomerGrouping = c.grouping;
        ASSERT_TRUE(report.Compute());
        QStringList rows;
        for (report.Result.First(); !report.Result.Eof(); report.Result.Next())
            rows << report.Result.FieldByName("SumKeyName")->AsString() + "=" +
                        QString::number(report.Result.FieldByName("CelkemBDPH")->AsFloat());
        EXPECT_EQ(rows, c.rows);
    }

    // The statement keeps both end dates and the user's creator prefilter.
    filter.UseIssueDate = true;
    filter.IssueDateFrom = DateTimeToOle(QDate(2026, 11, 1));
    filter.IssueDateTo = DateTimeToOle(QDate(2026, 11, 30));
    CurrentUser.VsechnyNabidky_AR = false;
    CurrentUser.PrefiltrNabidkyVytvorID_AR = "1;3";
    EXPECT_EQ(
        report.ReportSql(),
        "SELECT AdrCislo, AdrNazev, AdrPSC, AdrMisto, AdrICO, CelkemBDPH, Zisk, Zakazka FROM Nabidky WHERE "
        "(IDStav = 3) AND ((DatVystaveni >= #2026-11-1#) AND (DatVystaveni <= #2026-11-30#)) AND "
        "(Archivovano = False) AND (VytvorID IN (1,3))");
    CurrentUser.VsechnyNabidky_AR = true;

    // From the list: the choice, then the result, ranked by profit.
    WithList([&](TfrmNabidky& list) {
        OnWindow<TfrmSummaryReportFilterNabidky>([&](TfrmSummaryReportFilterNabidky* choice) {
            ASSERT_NE(choice, nullptr);
            choice->rbKind[0]->setChecked(true);
            choice->chckDatum->setChecked(true);
            choice->edtDatumOd->Clear();
            {
                TScriptedDialogs dialogs;
                dialogs.ExpectWarning(QString::fromUtf8(kIssueDateRangeMissing));
                choice->btnOK->click();
            }
            choice->chckDatum->setChecked(false);
            choice->cbxSeskupit->setCurrentIndex(static_cast<int>(TCustomerGrouping::Name));
            OnWindow<TfrmSummaryReportNabidky>([](TfrmSummaryReportNabidky* result) {
                ASSERT_NE(result, nullptr);
                EXPECT_EQ(result->lblReportHumanName->text(), QString::fromUtf8("Nejziskovější odběratelé"));
                result->grab().save(ArtifactPath("offer-summary-report.png"));
                result->btnZavrit->click();
            });
            choice->btnOK->click();
        });
        list.acPrehledoveSestavy->trigger();
    });
}
