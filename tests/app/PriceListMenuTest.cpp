#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>

#include "common/ScriptedDialogs.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "platform/data/Field.h"
#include "platform/ui/ModalHelper.h"
#include "pricelist/CenHlad.h"
#include "pricelist/CenSkup.h"

namespace {

class PriceListMenuTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
    }
};

}  // namespace

TEST_F(PriceListMenuTest, TheMainMenuOpensThePriceLevelAndPriceGroupListsOfTheFirm) {
    struct Case {
        const char* caption;
        QAction* TfrmMain::*action;
        const char* window;
        const char* codes;
    };
    const Case kCases[] = {
        {"Seznam cenových hladin", &TfrmMain::Seznamcenovychhladin1, "frmCenHlad", "VIP|VO|AKCE"},
        {"Seznam cenových skupin", &TfrmMain::Seznamcenovychskupin1, "frmCenSkup", "MAT|STD"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.caption);
        QAction* action = main_.get()->*c.action;
        EXPECT_EQ(action->text(), QString::fromUtf8(c.caption));
        QStringList codes;
        bool browsing = false;
        OnNextModal([&](QWidget* modal) {
            auto* list = qobject_cast<TPriceCodeList*>(modal);
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->objectName(), c.window);
            // Browsing: no OK, but the buttons that change the list.
            browsing = list->btnOK->isHidden() && !list->btnPridat->isHidden();
            for (list->List().First(); !list->List().Eof(); list->List().Next())
                codes << list->List().FieldByName("Zkratka")->AsString();
            list->btnStorno->click();
        });
        TScriptedDialogs dialogs;
        action->trigger();
        EXPECT_TRUE(browsing);
        EXPECT_EQ(codes.join('|'), c.codes);
        // Opened to browse, the list is closed again afterwards.
        EXPECT_FALSE(main_->adqCenHlad.Active());
        EXPECT_FALSE(main_->adqCenSkup.Active());
    }
}
