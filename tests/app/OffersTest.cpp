// The offers from the main window: the list opens over the firm's offers, and what the user does
// there reaches the database as another station would see it.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

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
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/Nabidky.h"
#include "offers/NadpisovaPol.h"
#include "platform/data/Field.h"
#include "platform/text/OleDate.h"
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
