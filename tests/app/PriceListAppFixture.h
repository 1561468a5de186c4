#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QVariant>

#include "common/ScriptedDialogs.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "widgets/VnDBGrids.h"

// The demonstration firm opened as at a second start, for tests that drive the price-list windows.
// The windows move the program-wide sheet and group settings and may leave a run cancelled; they
// come back afterwards so that no test depends on the one before it.
class TPriceListAppFixture : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        groupsShown_ = PriceListGroupsShown;
        sheet_ = CurrentSheetId;
        WorkingCancelled = false;
    }
    void TearDown() override {
        WorkingCancelled = false;
        PriceListGroupsShown = groupsShown_;
        CurrentSheetId = sheet_;
        ProgramFixture::TearDown();
    }

    TADOQuery& Items() { return main_->adqZasoby; }
    TADOQuery& Groups() { return main_->adqSkupiny; }

    // The first column of the statement's first row; null when it has no rows.
    QVariant Value(const QString& sql) {
        TADOQuery& q = main_->adqAgendaFree2;
        q.Close();
        q.SetSQL(sql);
        q.Open();
        const QVariant v = !q.IsEmpty() ? q.Fields()[0]->Value() : QVariant();
        q.Close();
        return v;
    }
    // Marks the grid's row whose field holds the value, as a user's click would.
    static void Mark(TADOQuery& query, TVnDBGrid* grid, const char* field, const QString& value) {
        ASSERT_TRUE(query.Locate(field, value)) << value.toStdString();
        grid->MarkedRows().SetCurrentRowMarked(true);
    }

private:
    bool groupsShown_ = false;
    int sheet_ = 1;
};
