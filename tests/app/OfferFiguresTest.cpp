// One offer's figures wherever they are shown: an offer of five items, one of them discounted, at
// both VAT rates, its total rounded to whole crowns, is built on the card as a user does it, then
// printed to PDF by the real report program and exported to XML. The discount, the VAT and the
// totals must read the same on the card, in the PDF and in the XML.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <cmath>

#include "common/ScriptedDialogs.h"
#include "core/CommonUtils.h"
#include "core/Nastaveni.h"
#include "core/UserSettings.h"
#include "exchange/ExpXML.h"
#include "exchange/PoslatMail.h"
#include "exchange/PrintFixture.h"
#include "exchange/Tisk.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/Nabidky.h"
#include "offers/PolozkaNab.h"
#include "platform/data/Field.h"
#include "platform/text/Cp1250.h"
#include "platform/text/NumberFormat.h"
#include "platform/ui/CurrencyEdit.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/Zasoby.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

namespace {

// The five items: code, quantity, discount in %.
struct TOfferLine {
    const char* code;
    double quantity;
    double discount;
};
const TOfferLine kLines[] = {
    {"RN24", 2, 0},    // at the reduced rate (set by the test)
    {"PCH40", 3, 10},  // the discounted one
    {"CYKY325", 37, 0}, {"ZAS2B", 4, 0}, {"SPD12", 1, 0},
};

// The figures of the offer as the card computed them.
struct TFigures {
    double discountGross = 0;
    double vatBasic = 0;
    double vatReduced = 0;
    double total = 0;
};

class OfferFiguresTest : public PrintFixture {
protected:
    void SetUp() override {
        PrintFixture::SetUp();
        savedPrint_ = OfferPrintAfterNew;
        savedRound_ = RoundOfferTotal;
        savedBulk_ = BulkAddMarkedItems;
        OfferPrintAfterNew = false;
        BulkAddMarkedItems = false;
        RoundOfferTotal = 1;
    }
    void TearDown() override {
        OfferPrintAfterNew = savedPrint_;
        RoundOfferTotal = savedRound_;
        BulkAddMarkedItems = savedBulk_;
        PrintFixture::TearDown();
    }

    // The values of one field in the written XML, in document order.
    static QStringList XmlValues(const QString& path, const QString& field) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList values;
        const QString start = "<" + field + ">";
        for (QString line : DecodeCp1250(file.readAll()).split("\r\n")) {
            line = line.trimmed();
            if (line.startsWith(start)) values << line.mid(start.size(), line.indexOf("</") - start.size());
        }
        return values;
    }
    // The price list's item card: quantity and discount as the user types them.
    static void ItemCard(TModalDriver& driver, const TOfferLine& line) {
        driver.On("frmPolozkaNab", [line](QWidget* w) {
            auto* card = qobject_cast<TfrmPolozkaNab*>(w);
            card->curPocetMj->SetValue(line.quantity);
            card->curSleva->SetValue(line.discount);
            card->ToEditor();
            RecalcOfferItemDiscount();
            card->FromEditor();
            card->btnOKClick();
        });
    }

    bool savedPrint_ = false;
    int savedRound_ = 1;
    bool savedBulk_ = false;
};

}  // namespace

TEST_F(OfferFiguresTest, TheCardThePdfAndTheXmlShowTheSameDiscountVatAndTotals) {
    ASSERT_TRUE(QFile::exists(BuiltReportProgram())) << qPrintable(BuiltReportProgram());
    ASSERT_TRUE(QFile::link(BuiltReportProgram(), ProgramFolder + "zelvorn"));
    ExecAgenda("DELETE FROM Nabidky");
    ExecAgenda("DELETE FROM NabPolozky");
    // One item of the sheet the price list opens on is sold at the reduced rate.
    ExecAgenda("UPDATE Zasoby SET SazbaDPH = 12, PrCenaSDPH = 1108.8 WHERE Katalog = 'RN24'");
    TScriptedDialogs dialogs;
    TFakeMailer mailer;
    TModalDriver driver;
    TFigures card;
    QString cardDiscountText, cardTotalText, listTotal;
    const QString xml = PathOf("nabidka.xml");

    // Back in the list: the offer exported to XML and sent as PDF.
    const auto exportAndSend = [&](QWidget* w) {
        auto* list = qobject_cast<TfrmNabidky*>(w);
        ASSERT_EQ(list->List().RecordCount(), 1);
        // The list shows the offer's amounts as the card does.
        for (int i = 0; i < list->grNabidky->Columns().Count(); ++i) {
            TColumn* column = list->grNabidky->Columns().ColumnAt(i);
            if (column->FieldName() == "Celkem") listTotal = list->grNabidky->GetCellText(column);
        }
        list->grNabidky->MarkedRows().SetCurrentRowMarked(true);
        list->acExportXml->trigger();
        list->btnTisk->click();
        list->btnStorno->click();
    };
    // The offer, its items picked one by one, each with its item card. The saving after the card
    // shows the working window: what is done in the list afterwards waits in the step that added
    // the offer, so that no step of its own runs before the offer is saved.
    driver.On("frmNabidky", [&](QWidget* w) {
        TModalDriver::Click(w, "btnPridat");
        exportAndSend(w);
    });
    driver.On("frmNabidkaKart", [&](QWidget* w) {
        auto* k = qobject_cast<TfrmNabidkaKart*>(w);
        k->btnPridatSklPol->click();
        ASSERT_EQ(OfferCardData().mtTmpPolozky.RecordCount(), 5);
        const TOfferTotals& t = OfferCardData().Totals;
        card = {-t.VyseSlevySDPH, t.DPHZaklSazba, t.DPHSnizSazba, t.CelkemZaDokladSDPH};
        cardDiscountText = k->lblVyseSlevySDPH->text();
        cardTotalText = k->lblCelkemZaDokladSDPH->text();
        k->btnOK->click();
    });
    for (const TOfferLine& line : kLines) {
        driver.On("frmZasoby", [line](QWidget* w) {
            ASSERT_TRUE(frmMain->adqZasoby.Locate("Katalog", QString::fromUtf8(line.code))) << line.code;
            qobject_cast<TfrmZasoby*>(w)->btnOkClick();
        });
        ItemCard(driver, line);
    }
    // Closing the price list without a pick ends the adding.
    driver.On("frmZasoby", [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    driver.On("frmExpXML", [&](QWidget* w) {
        auto* window = qobject_cast<TfrmExpXML*>(w);
        window->edtExpSoubor->setText(xml);
        if (window->chckExtProgram->isChecked()) window->chckExtProgram->click();
        window->btnOk->click();
    });
    driver.On("frmTisk", [](QWidget* w) {
        auto* d = static_cast<TfrmTisk*>(w);
        emit d->lblPoslatMail->linkActivated("#");
        d->reject();
    });
    driver.On("frmPoslatMail", [](QWidget* w) {
        auto* m = static_cast<TfrmPoslatMail*>(w);
        if (m->edtEmailAdresa->text().isEmpty()) m->edtEmailAdresa->setText("nakup@firma.cz");
        m->btnOk->click();
    });
    dialogs.ExpectInformation(QString::fromUtf8(kXmlExportDone).arg(xml));
    dialogs.ExpectQuestion(QString::fromUtf8("označit příznakem"), false);
    main_->btnNabidky->click();

    // The offer as built: the discount is the discounted item's only, a whole-crown total.
    ASSERT_GT(card.discountGross, 0);
    ASSERT_GT(card.vatBasic, 0);
    ASSERT_GT(card.vatReduced, 0);
    EXPECT_EQ(card.total, std::round(card.total));
    EXPECT_EQ(cardDiscountText, FormatMoney(Currency::FromDouble(-card.discountGross)) + " s DPH");
    EXPECT_EQ(cardTotalText, FormatMoney(Currency::FromDouble(card.total)));
    EXPECT_EQ(listTotal, cardTotalText);
    // The XML export: numbers with a decimal point.
    auto xmlNumber = [&](const char* field) {
        const QStringList values = XmlValues(xml, field);
        EXPECT_EQ(values.size(), 1) << field;
        return values.value(0).toDouble();
    };
    EXPECT_NEAR(xmlNumber("CelkemVyseSlevySDPH"), card.discountGross, 0.005);
    EXPECT_NEAR(xmlNumber("DPHZakl"), card.vatBasic, 0.005);
    EXPECT_NEAR(xmlNumber("DPHSniz"), card.vatReduced, 0.005);
    EXPECT_NEAR(xmlNumber("Celkem"), card.total, 0.005);

    // The PDF of the real report program, read back as text.
    ASSERT_EQ(mailer.messages.size(), 1u);
    ASSERT_FALSE(mailer.messages[0].Attachments.isEmpty());
    const QString pdf = mailer.messages[0].Attachments[0];
    ASSERT_TRUE(QFile::exists(pdf));
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    ASSERT_FALSE(pdftotext.isEmpty()) << "poppler-utils are not installed";
    QProcess text;
    text.start(pdftotext, {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    for (double figure : {card.discountGross, card.vatBasic, card.vatReduced, card.total}) {
        const QString shown = FormatMoney(Currency::FromDouble(figure));
        EXPECT_TRUE(out.contains(shown)) << qPrintable(shown) << "\n" << qPrintable(out);
    }
}
