#pragma once

#include <memory>

#include "common/TempDir.h"
#include "core/DataFolder.h"
#include "core/DbTemplates.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"

// Every process-wide value the settings units load, copied when a test starts and put back when it
// ends, so that tests neither see nor leave each other's state.
class TSettingsSnapshot {
public:
    TSettingsSnapshot() { Take(); }
    ~TSettingsSnapshot() { Restore(); }
    TSettingsSnapshot(const TSettingsSnapshot&) = delete;
    TSettingsSnapshot& operator=(const TSettingsSnapshot&) = delete;

private:
    template <class F>
    void Each(F&& f) {
        f(OfferListLegendShown), f(CurrentSheetId), f(PriceListGroupsShown), f(LastAddressID);
        f(AddressListSort), f(OfferListLastID), f(OfferListSortField), f(PriceListGroupSort);
        f(PriceListItemSort), f(PriceListGroupPanelWidth), f(LastImportDefinitionID), f(BackupUserFolder);
        f(BackupToStandardFolder), f(BackupCommonData), f(LastDocumentBrowseFolder), f(LastNoteID);
        f(SumMarkedItems);
        f(FirmName), f(FirmStreet), f(FirmPostalCode), f(FirmTown), f(FirmCountry), f(FirmICO), f(FirmDIC);
        f(FirmPhone), f(FirmFax), f(FirmMobile), f(FirmEmail), f(FirmWeb), f(VatBasicRate), f(VatReducedRate);
        f(RoundOfferTotal), f(PictureFolder), f(LoadPicturesForPrint), f(CurrencySymbol), f(HistoryLevel);
        f(VatFurtherReducedRate), f(StampOfferComments), f(DefaultVatRate), f(DefaultPriceType);
        f(OwnPaymentKinds), f(OwnDeliveryKinds), f(OfferPrintAfterNew), f(NewOfferTemplate);
        f(AskOnLeavingOffer), f(BulkAddMarkedItems), f(HidePurchasePrices), f(FirmLogoData);
        f(DataFolder), f(CurrentFirm), f(CurrentUser), f(ShowPurchasePrices);
    }
    void Take() {
        values_.clear();
        Each([this](auto& v) { values_.push_back(std::make_shared<std::decay_t<decltype(v)>>(v)); });
    }
    void Restore() {
        size_t i = 0;
        Each([this, &i](auto& v) { v = *std::static_pointer_cast<std::decay_t<decltype(v)>>(values_[i++]); });
    }
    std::vector<std::shared_ptr<void>> values_;
};

// A main window over an empty firm "FIRMA" and a main database made from the shipped templates, in
// a data folder of its own.
class SettingsTest : public TempDirTest {
protected:
    void SetUp() override {
        DataFolder = Folder();
        CurrentFirm = "FIRMA";
        BuildEmptyFirmTemplate(Folder() + "FIRMA.MDB");
        BuildMainTemplate(Folder() + "Global.MDB");
        OpenMain();
    }
    void TearDown() override { main_.reset(); }

    // A fresh main window, as at the next start of the program.
    void OpenMain() {
        main_.reset();
        main_ = std::make_unique<TfrmMain>();
        main_->ADOConAgenda.Open(Folder() + "FIRMA.MDB");
        main_->ADOConGlobal.Open(Folder() + "Global.MDB");
    }

    int Count(TADOConnection& con, const QString& sql) {
        return static_cast<int>(con.OpenRowset(sql)->RowCount());
    }

    TSettingsSnapshot snapshot_;
    std::unique_ptr<TfrmMain> main_;
};
