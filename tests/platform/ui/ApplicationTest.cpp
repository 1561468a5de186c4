#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QPushButton>

#include "platform/ui/Application.h"

namespace {

QStringList ButtonCaptions() {
    QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    QStringList captions;
    for (auto which : {QDialogButtonBox::Open, QDialogButtonBox::Save, QDialogButtonBox::Cancel})
        captions << box.button(which)->text().remove('&');
    return captions;
}

TEST(QtTranslationsTest, QtsOwnButtonsSpeakCzechWhileTheTranslationsAreInstalled) {
    const QStringList english = ButtonCaptions();
    {
        const std::unique_ptr<QTranslator> czech = InstallQtTranslations();
        ASSERT_NE(czech, nullptr) << "Qt's Czech translations are not installed";
        EXPECT_EQ(ButtonCaptions(), QStringList({QString::fromUtf8("Otevřít"), QString::fromUtf8("Uložit"),
                                                 QString::fromUtf8("Zrušit")}));
    }
    EXPECT_EQ(ButtonCaptions(), english);
}

}  // namespace
