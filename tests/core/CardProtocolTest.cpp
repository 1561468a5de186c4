#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "common/LockHolder.h"
#include "common/ScriptedDialogs.h"
#include "core/CardProtocol.h"
#include "core/DataFolder.h"
#include "core/FirmFolderTest.h"
#include "platform/data/Field.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/ADOQuery.h"

namespace {

// A firm with one stamped table of three addresses, a list on it, and a second connection that
// plays the other station.
class CardProtocolTest : public FirmFolderTest {
protected:
    void SetUp() override {
        FirmFolderTest::SetUp();
        TADOConnection::CreateDatabase(Folder() + "FIRMA.MDB");
        con_.Open(Folder() + "FIRMA.MDB");
        HookChangeStamps(con_);
        con_.Execute("CREATE TABLE Adresar (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Nazev STRING(50))");
        for (const char* name : {"Alfa", "Beta", "Gama"})
            con_.Execute(QString("INSERT INTO Adresar (Nazev) VALUES ('%1')").arg(name));
        other_.Open(Folder() + "FIRMA.MDB");
        list_.SetConnection(&con_);
        list_.SetSQL("SELECT * FROM Adresar ORDER BY ID");
        list_.Open();
    }

    int CurrentId() const { return list_.FieldByName("ID")->AsInteger(); }

    TADOConnection con_;
    TADOConnection other_;  // another station: its changes are not stamped
    TADOQuery list_;
};

TEST_F(CardProtocolTest, RequeryAndLocate) {
    ASSERT_TRUE(list_.Locate("ID", 2));
    other_.Execute("INSERT INTO Adresar (Nazev) VALUES ('Delta')");
    EXPECT_EQ(RequeryAndLocate(list_), 0);
    EXPECT_EQ(CurrentId(), 2);
    EXPECT_EQ(list_.RecordCount(), 4);

    other_.Execute("DELETE FROM Adresar WHERE ID = 2");
    EXPECT_EQ(RequeryAndLocate(list_), -1);

    other_.Execute("DELETE FROM Adresar");
    list_.Requery();
    EXPECT_EQ(RequeryAndLocate(list_), -1);
}

TEST_F(CardProtocolTest, GetIDAfterDelete) {
    struct Case {
        int standOn;
        int expected;
    };
    const Case kCases[] = {{3, 2}, {1, 2}, {2, 3}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.standOn);
        ASSERT_TRUE(list_.Locate("ID", c.standOn));
        EXPECT_EQ(GetIDAfterDelete(list_, "ID"), c.expected);
        EXPECT_EQ(CurrentId(), c.standOn);
    }
    other_.Execute("DELETE FROM Adresar WHERE ID > 1");
    list_.Requery();
    EXPECT_EQ(GetIDAfterDelete(list_, "ID"), -1);
}

TEST_F(CardProtocolTest, StampedListIsRequeriedOnlyWhenItsStampChanged) {
    // Opening the list saw the stamp.
    ChangeStampDiffers("Adresar");
    ASSERT_TRUE(list_.Locate("ID", 2));
    other_.Execute("DELETE FROM Adresar WHERE ID = 2");
    {
        SCOPED_TRACE("nobody stamped the change: the list is not read again");
        TScriptedDialogs dialogs;
        TCardSession card;
        EXPECT_TRUE(card.Begin(true, &list_, "Adresar", false));
        EXPECT_EQ(list_.RecordCount(), 3);
    }
    // The other station stamps the table with its own clock, which is behind ours.
    {
        const TDateTime older = LastSeenStamp[0] - 1.0;
        QFile stamp(ChangeStampPath("Adresar"));
        ASSERT_TRUE(stamp.open(QIODevice::WriteOnly));
        stamp.write(reinterpret_cast<const char*>(&older), sizeof older);
    }
    {
        SCOPED_TRACE("changed stamp: requery finds the record gone");
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(QString::fromUtf8(kRecordVanishedText));
        TCardSession card;
        EXPECT_FALSE(card.Begin(true, &list_, "Adresar", false));
        EXPECT_EQ(list_.RecordCount(), 2);
    }
    {
        SCOPED_TRACE("a card for a new record goes on; a list without a stamp always requeries");
        other_.Execute("DELETE FROM Adresar WHERE ID = 3");
        ASSERT_TRUE(list_.Locate("ID", 3));
        TScriptedDialogs dialogs;
        TCardSession card;
        EXPECT_TRUE(card.Begin(true, &list_, "", true));
        EXPECT_EQ(list_.RecordCount(), 1);
    }
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kAccessDeniedText));
        TCardSession card;
        EXPECT_FALSE(card.Begin(false, &list_, "", false));
    }
}

TEST_F(CardProtocolTest, LockIsHeldWhileTheCardIsOpenAndReleasedOnEveryWayOut) {
    const QString path = RecordLockPath("Adresar", 1);
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectError(QString::fromUtf8(kSaveFailedText));
        TCardSession card;
        ASSERT_TRUE(card.Lock(path));
        EXPECT_FALSE(card.ReadOnly());
        EXPECT_TRUE(TestRecordLock(path)) << "others see the record in use";
        // A save that affected no row ends the card like any other way out.
        const int rows = other_.Execute("UPDATE Adresar SET Nazev = 'x' WHERE ID = 99");
        EXPECT_FALSE(card.AfterSave(list_, rows, 0));
    }
    EXPECT_FALSE(QFile::exists(path));

    LockHolder station(path, true);
    ASSERT_TRUE(station.Start());
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kRecordInUseText));
        TCardSession card;
        ASSERT_TRUE(card.Lock(path));
        EXPECT_TRUE(card.ReadOnly());
    }
    EXPECT_TRUE(QFile::exists(path)) << "the holder's file is left alone";
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(QString::fromUtf8(kCannotDeleteInUseText));
        ASSERT_TRUE(list_.Locate("ID", 1));
        int standOn = 0;
        EXPECT_FALSE(PrepareRecordDelete(list_, path, standOn));
    }
    station.Stop();
    TScriptedDialogs dialogs;
    ASSERT_TRUE(list_.Locate("ID", 1));
    int standOn = 0;
    EXPECT_TRUE(PrepareRecordDelete(list_, path, standOn));
    EXPECT_EQ(standOn, 2);
}

TEST_F(CardProtocolTest, AfterSaveStandsOnTheNewRecord) {
    TScriptedDialogs dialogs;
    TCardSession card;
    const int rows = con_.Execute("INSERT INTO Adresar (Nazev) VALUES ('Nový')");
    const std::unique_ptr<TRowset> id = con_.OpenRowset("SELECT @@IDENTITY");
    const int newId = id->Value(0, 0).toInt();
    EXPECT_TRUE(card.AfterSave(list_, rows, newId));
    EXPECT_EQ(CurrentId(), newId);

    other_.Execute(QString("DELETE FROM Adresar WHERE ID = %1").arg(newId));
    dialogs.ExpectError(QString::fromUtf8(kNewRecordNotFoundText));
    EXPECT_FALSE(card.AfterSave(list_, 1, newId));
}

}  // namespace
