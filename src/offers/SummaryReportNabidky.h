#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "platform/text/OleDate.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TDateEdit;
class TVnDBGrid;

// The summary reports of accepted offers: customers or jobs ranked by profit or by turnover
// without VAT. The user's last choice is remembered per user. The reports read the offers' stored
// totals and change nothing.

enum class TSummaryReportKind : int {
    ProfitableCustomers = 0,
    CustomersByTurnover = 1,
    ProfitableJobs = 2,
    JobsByTurnover = 3,
};

// How the customer reports tell customers apart.
enum class TCustomerGrouping : int { InternalNumber = 0, Ico = 1, Name = 2, PostalCode = 3, Town = 4 };

class TSummaryReportFilterNabidky {
public:
    TSummaryReportKind ReportKind = TSummaryReportKind::ProfitableCustomers;
    bool UseIssueDate = false;
    std::optional<TDateTime> IssueDateFrom;
    std::optional<TDateTime> IssueDateTo;
    TCustomerGrouping CustomerGrouping = TCustomerGrouping::InternalNumber;
    bool IncludeArchived = false;
    QString ReportName;

    void LoadSettings();
    void SaveSettings() const;
    // Shows the choice window; true when confirmed.
    bool Execute();
};

class TSummaryReportNabidky {
public:
    TSummaryReportNabidky();
    ~TSummaryReportNabidky();

    std::unique_ptr<TSummaryReportFilterNabidky> Filter;
    TMemTable Result;
    QString ErrorText;

    // The entry of "Přehledové sestavy": rights, choice, computing and the result window.
    bool Execute();
    bool SelectAndCompute();
    bool Compute();
    // The statement Compute reads the offers with.
    QString ReportSql() const;
    void CreateResultTable();
};

class TfrmSummaryReportFilterNabidky : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmSummaryReportFilterNabidky(TSummaryReportFilterNabidky& filter, QWidget* parent = nullptr);
    QRadioButton* rbKind[4] = {};
    QCheckBox* chckDatum = nullptr;
    TDateEdit* edtDatumOd = nullptr;
    TDateEdit* edtDatumDo = nullptr;
    QLabel* lblSeskupit = nullptr;
    QComboBox* cbxSeskupit = nullptr;
    QCheckBox* chckArchiv = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    void btnOKClick();
    void UpdateChoiceControls();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TSummaryReportFilterNabidky& filter_;
};

class TfrmSummaryReportNabidky : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmSummaryReportNabidky(TSummaryReportNabidky& report, QWidget* parent = nullptr);
    ~TfrmSummaryReportNabidky() override;
    TDataSource dsReport;
    TVnDBGrid* grReport = nullptr;
    QLabel* lblReportHumanName = nullptr;
    QPushButton* btnJinaSestava = nullptr;
    QPushButton* btnZavrit = nullptr;
    void ShowReport();

private:
    TSummaryReportNabidky& report_;
};

inline constexpr const char* kSummaryCaption = "Přehledové sestavy";
inline constexpr const char* kSummaryChoiceCaption = "Výběr přehledové sestavy";
inline constexpr const char* kProfitReportRefused =
    "Litujeme, ale pro sestavy typu \"ziskovost\" nemáte potřebná přístupová práva (nemáte povoleno "
    "zobrazování nákupních cen).";
inline constexpr const char* kIssueDateRangeMissing = "Zadejte platný datum vystavení od - do.";
inline constexpr const char* kSummaryWorking = "Probíhá výpočet sestavy\rprosím čekejte...";
inline constexpr const char* kSummaryLoadFailed = "Při načítání dat došlo k chybě. ";
