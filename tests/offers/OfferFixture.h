#pragma once

#include <gtest/gtest.h>

#include "common/ScriptedDialogs.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "offers/CiselneRady.h"
#include "offers/NabidkaData.h"
#include "offers/PolozkaNab.h"
#include "platform/data/Field.h"
#include "platform/db/Rowset.h"

// Appends an item row with every number 0 and every flag off, left open for the test to fill.
inline void AppendBlankItem(TMemTable& items) {
    items.Append();
    for (const QString& c : OfferItemColumns()) {
        TField* f = items.FieldByName(c);
        if (f->DataType() == ftBoolean)
            f->SetAsBoolean(false);
        else if (f->DataType() != ftString && f->DataType() != ftMemo)
            f->SetValue(0);
    }
}

// The demonstration firm opened as at a second start, with the offer list open on every offer,
// and the offer card's and item card's hooks free for each test to set.
class OfferFixture : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        {
            TScriptedDialogs dialogs;
            StartWithDemo();
        }
        rates_ = {OfferRateBasic, OfferRateReduced, OfferRateFurtherReduced};
        round_ = OfferRoundTotals;
        List().SetSQL("SELECT * FROM Nabidky ORDER BY ID");
        List().Open();
        OfferCardHooks() = TOfferCardHooks();
        OfferItemHooks() = TOfferItemHooks();
    }
    void TearDown() override {
        OfferCardHooks() = TOfferCardHooks();
        OfferItemHooks() = TOfferItemHooks();
        NumberSeriesAfterRead = nullptr;
        OfferRateBasic = rates_[0];
        OfferRateReduced = rates_[1];
        OfferRateFurtherReduced = rates_[2];
        OfferRoundTotals = round_;
        ProgramFixture::TearDown();
    }

    TADOQuery& List() { return main_->adqNabidky; }
    TADOConnection& Firm() { return main_->ADOConAgenda; }

    // The first value of a query on the open firm; NULL when it gives no row.
    QVariant Scalar(const QString& sql) {
        const auto rows = Firm().OpenRowset(sql);
        return rows->RowCount() ? rows->Value(0, 0) : QVariant();
    }
    int Count(const QString& table, const QString& where = "1 = 1") {
        return Scalar("SELECT COUNT(*) FROM " + table + " WHERE " + where).toInt();
    }

    // The card "shown" by a test: the function plays the user, the answer is OK or Storno. OK saves
    // as the card's OK does; a save that keeps the card open ends as Storno.
    void CardDoes(std::function<bool(TOfferDocument&)> user) {
        OfferCardHooks().ShowCard = [user = std::move(user)](TOfferDocument& doc) {
            return user(doc) && (!doc.Save || doc.Save());
        };
    }

private:
    std::array<double, 3> rates_{};
    int round_ = 1;
};
