// The XML export from the main window: the offer list's "Ostatní" menu and the address list's
// "Export do XML" open the export dialog, which writes the marked records of the demo firm and
// starts the external program the user named.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "addressbook/AddressBookFixture.h"
#include "addressbook/Adresar.h"
#include "common/FakeProgramLauncher.h"
#include "common/ScriptedDialogs.h"
#include "core/UserSettings.h"
#include "exchange/ExpXML.h"
#include "offers/Nabidky.h"
#include "platform/text/Cp1250.h"
#include "widgets/VnDBGrids.h"

namespace {

class XmlExportTest : public AddressBookFixture {
protected:
    // The values of one element's field in a written document, in document order.
    QStringList Values(const QString& path, const QString& field) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList values;
        const QString start = "      <" + field + ">";
        for (const QString& line : DecodeCp1250(file.readAll()).split("\r\n"))
            if (line.startsWith(start)) values << line.mid(start.size(), line.indexOf("</") - start.size());
        return values;
    }

    // Fills the dialog as the user does and presses OK.
    static void Export(TfrmExpXML& window, const QString& path, const QString& program, bool withFile) {
        window.edtExpSoubor->setText(path);
        if (window.chckExtProgram->isChecked() != !program.isEmpty()) window.chckExtProgram->click();
        window.edtExtProgram->setText(program);
        window.chckPridatParam->setChecked(withFile);
        window.btnOk->click();
    }

    static QString Stored(int number) {
        QString value;
        UserSetting(kLoad, number, {}, value);
        return value;
    }
};

}  // namespace

TEST_F(XmlExportTest, TheOfferListExportsTheMarkedOffersAndHandsTheFileToTheProgram) {
    TScriptedDialogs dialogs;
    TFakeProgramLauncher launcher;
    const QString path = PathOf("export/nabidky.xml");
    dialogs.ExpectInformation(QString::fromUtf8(kXmlExportDone).arg(path));
    QDir().mkdir(PathOf("export"));
    QStringList marked;
    OnWindow<TfrmNabidky>([&](TfrmNabidky& list) {
        EXPECT_TRUE(list.pmOstatni->actions().contains(list.acExportXml));
        EXPECT_EQ(list.acExportXml->text(), "Export do XML");
        TADOQuery& offers = list.List();
        ASSERT_GE(offers.RecordCount(), 3);
        // Marked from the bottom up: the document follows the marking, not the list.
        offers.Last();
        for (int i = 0; i < 2; ++i, offers.Prior()) {
            marked << offers.FieldByName("Doklad")->AsString();
            list.grNabidky->MarkedRows().SetCurrentRowMarked(true);
        }
        OnWindow<TfrmExpXML>([&](TfrmExpXML& window) {
            EXPECT_EQ(window.Kind(), TXmlExportKind::Offers);
            Export(window, path, "/opt/crm/nacti-nabidky", true);
        });
        list.acExportXml->trigger();
        list.btnStorno->click();
    });
    main_->btnNabidky->click();
    EXPECT_EQ(Values(path, "Doklad"), marked);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0].first, "/opt/crm/nacti-nabidky");
    EXPECT_EQ(launcher.started[0].second, QStringList{path});
    EXPECT_EQ(Stored(34), path);
    EXPECT_EQ(Stored(35), "/opt/crm/nacti-nabidky");
    EXPECT_EQ(Stored(36), "-1");
    EXPECT_EQ(Stored(37), "-1");
}

TEST_F(XmlExportTest, TheAddressListExportsItsMarkedFirmsAndRemembersTheAddressChoicesApart) {
    TScriptedDialogs dialogs;
    TFakeProgramLauncher launcher;
    const QString path = PathOf("adresy.xml");
    dialogs.ExpectInformation(QString::fromUtf8(kXmlExportDone).arg(path));
    const QStringList firms = {"ELMONT Ostrava a.s.", "Penzion Pod Sněžkou"};
    WithList([&](TfrmAdresar& list) {
        EXPECT_TRUE(list.pmOstatni->actions().contains(list.ExportdoXML1));
        for (const QString& firm : firms) {
            ASSERT_TRUE(List().Locate("Nazev", firm));
            list.grAdresar->MarkedRows().SetCurrentRowMarked(true);
        }
        OnWindow<TfrmExpXML>([&](TfrmExpXML& window) {
            EXPECT_EQ(window.Kind(), TXmlExportKind::Addresses);
            Export(window, path, "", false);
        });
        list.ExportdoXML1->trigger();
    });
    EXPECT_EQ(Values(path, "Nazev"), firms);
    EXPECT_EQ(Values(path, "ID"),
              (QStringList{QString::number(IdOf(firms[0])), QString::number(IdOf(firms[1]))}));
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_EQ(Stored(40), path);
    EXPECT_EQ(Stored(42), "0");
    EXPECT_EQ(Stored(34), "");
}
