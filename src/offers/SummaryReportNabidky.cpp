// The summary reports of accepted offers.

#include "offers/SummaryReportNabidky.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <exception>

#include "core/CommonUtils.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/Currency.h"
#include "platform/text/DateFormat.h"
#include "platform/ui/DateEdit.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

// The per-user settings of the choice.
enum : int {
    usReportKind = 60,
    usUseIssueDate = 61,
    usIssueDateFrom = 62,
    usIssueDateTo = 63,
    usCustomerGrouping = 64,
    usIncludeArchived = 65,
};

const char* const kKindCaptions[] = {"nejziskovější odběratelé", "odběratelé s největším obratem bez DPH",
                                     "nejziskovější zakázky", "zakázky s největším obratem bez DPH"};
const char* const kGroupingCaptions[] = {"interního čísla firmy", "IČ firmy", "názvu firmy", "PSČ", "místa"};
const char* const kMoneyFormat = "# ### ### ##0.00";

bool IsProfitReport(TSummaryReportKind kind) {
    return kind == TSummaryReportKind::ProfitableCustomers || kind == TSummaryReportKind::ProfitableJobs;
}
bool IsJobReport(TSummaryReportKind kind) {
    return kind == TSummaryReportKind::ProfitableJobs || kind == TSummaryReportKind::JobsByTurnover;
}

QString Load(int number) {
    QString value;
    UserSetting(kLoad, number, QString(), value);
    return value;
}
void Save(int number, const QString& value) {
    QString ignored;
    UserSetting(kSave, number, value, ignored);
}

std::optional<TDateTime> StoredDate(int number) {
    try {
        const QString text = Load(number);
        if (!text.isEmpty()) return StrToDate(text);
    } catch (const std::exception&) {
        // An unreadable date counts as none.
    }
    return std::nullopt;
}

int StoredIndex(int number, int count) {
    bool ok = false;
    const int value = Load(number).toInt(&ok);
    return ok && value >= 0 && value < count ? value : 0;
}

bool StoredFlag(int number) {
    bool value = false;
    return TryStrToBool(Load(number), value) && value;
}

// The key field, the name field and the name of the group of offers without a key.
struct TGroupingFields {
    const char* key;
    const char* name;
    const char* emptyName;
};
TGroupingFields FieldsOf(TSummaryReportKind kind, TCustomerGrouping grouping) {
    if (IsJobReport(kind)) return {"Zakazka", "Zakazka", "[nabídky bez zakázky]"};
    switch (grouping) {
        case TCustomerGrouping::Ico:
            return {"AdrICO", "AdrNazev", "[nabídky bez IČ]"};
        case TCustomerGrouping::Name:
            return {"AdrNazev", "AdrNazev", "[nabídky bez názvu firmy]"};
        case TCustomerGrouping::PostalCode:
            return {"AdrPSC", "AdrMisto", "[nabídky bez PSČ]"};
        case TCustomerGrouping::Town:
            return {"AdrMisto", "AdrMisto", "[nabídky bez místa]"};
        case TCustomerGrouping::InternalNumber:
            break;
    }
    return {"AdrCislo", "AdrNazev", "[nabídky bez vazby na adresář firem]"};
}

}  // namespace

// ---- the choice
// ---------------------------------------------------------------------------------------

void TSummaryReportFilterNabidky::LoadSettings() {
    ReportKind = static_cast<TSummaryReportKind>(StoredIndex(usReportKind, 4));
    UseIssueDate = StoredFlag(usUseIssueDate);
    IssueDateFrom = StoredDate(usIssueDateFrom);
    IssueDateTo = StoredDate(usIssueDateTo);
    CustomerGrouping = static_cast<TCustomerGrouping>(StoredIndex(usCustomerGrouping, 5));
    IncludeArchived = StoredFlag(usIncludeArchived);
}

void TSummaryReportFilterNabidky::SaveSettings() const {
    Save(usReportKind, QString::number(static_cast<int>(ReportKind)));
    Save(usUseIssueDate, BoolToStoredText(UseIssueDate));
    Save(usIssueDateFrom, IssueDateFrom ? DateToStr(*IssueDateFrom) : QString());
    Save(usIssueDateTo, IssueDateTo ? DateToStr(*IssueDateTo) : QString());
    Save(usCustomerGrouping, QString::number(static_cast<int>(CustomerGrouping)));
    Save(usIncludeArchived, BoolToStoredText(IncludeArchived));
}

bool TSummaryReportFilterNabidky::Execute() {
    TfrmSummaryReportFilterNabidky window(*this);
    return window.exec() == QDialog::Accepted;
}

TfrmSummaryReportFilterNabidky::TfrmSummaryReportFilterNabidky(TSummaryReportFilterNabidky& filter,
                                                               QWidget* parent)
    : TVnDialog(parent), filter_(filter) {
    setObjectName("frmSummaryReportFilterNabidky");
    setWindowTitle(QString::fromUtf8(kSummaryChoiceCaption));
    auto* layout = new QVBoxLayout(this);
    auto* kinds = new QGroupBox(this);
    auto* kindBox = new QVBoxLayout(kinds);
    for (int i = 0; i < 4; ++i) {
        rbKind[i] = new QRadioButton(QString::fromUtf8(kKindCaptions[i]), kinds);
        rbKind[i]->setObjectName(QString("rbKind%1").arg(i));
        kindBox->addWidget(rbKind[i]);
        connect(rbKind[i], &QRadioButton::toggled, this, [this] { UpdateChoiceControls(); });
    }
    layout->addWidget(kinds);
    chckDatum = new QCheckBox(QString::fromUtf8("pouze nabídky s datem vystavení"), this);
    chckDatum->setObjectName("chckDatum");
    edtDatumOd = new TDateEdit(this);
    edtDatumOd->setObjectName("edtDatumOd");
    edtDatumDo = new TDateEdit(this);
    edtDatumDo->setObjectName("edtDatumDo");
    auto* dates = new QHBoxLayout;
    dates->addWidget(chckDatum);
    dates->addWidget(edtDatumOd);
    dates->addWidget(new QLabel("-", this));
    dates->addWidget(edtDatumDo);
    layout->addLayout(dates);
    auto* grouping = new QHBoxLayout;
    lblSeskupit = new QLabel(QString::fromUtf8("odběratele seskupovat podle"), this);
    cbxSeskupit = new QComboBox(this);
    cbxSeskupit->setObjectName("cbxSeskupit");
    for (const char* caption : kGroupingCaptions) cbxSeskupit->addItem(QString::fromUtf8(caption));
    grouping->addWidget(lblSeskupit);
    grouping->addWidget(cbxSeskupit);
    layout->addLayout(grouping);
    chckArchiv = new QCheckBox(QString::fromUtf8("včetně archivovaných (skrytých) nabídek"), this);
    chckArchiv->setObjectName("chckArchiv");
    layout->addWidget(chckArchiv);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    AddOkStornoButtons(this, buttons, btnOK, btnStorno, true);
    layout->addLayout(buttons);
    connect(chckDatum, &QCheckBox::toggled, this, [this] { UpdateChoiceControls(); });
    connect(btnOK, &QPushButton::clicked, this, &TfrmSummaryReportFilterNabidky::btnOKClick);
}

void TfrmSummaryReportFilterNabidky::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    filter_.LoadSettings();
    rbKind[static_cast<int>(filter_.ReportKind)]->setChecked(true);
    chckDatum->setChecked(filter_.UseIssueDate);
    for (auto [edit, date] :
         {std::pair{edtDatumOd, filter_.IssueDateFrom}, std::pair{edtDatumDo, filter_.IssueDateTo}}) {
        if (date)
            edit->SetDate(*date);
        else
            edit->Clear();
    }
    cbxSeskupit->setCurrentIndex(static_cast<int>(filter_.CustomerGrouping));
    chckArchiv->setChecked(filter_.IncludeArchived);
    UpdateChoiceControls();
}

void TfrmSummaryReportFilterNabidky::UpdateChoiceControls() {
    edtDatumOd->setEnabled(chckDatum->isChecked());
    edtDatumDo->setEnabled(chckDatum->isChecked());
    const bool customers = rbKind[0]->isChecked() || rbKind[1]->isChecked();
    lblSeskupit->setVisible(customers);
    cbxSeskupit->setVisible(customers);
}

void TfrmSummaryReportFilterNabidky::btnOKClick() {
    int kind = 0;
    for (int i = 0; i < 4; ++i)
        if (rbKind[i]->isChecked()) kind = i;
    if (IsProfitReport(static_cast<TSummaryReportKind>(kind)) && !CurrentUser.NakupniCeny_AR) {
        ShowInformation(QString::fromUtf8(kProfitReportRefused));
        return;
    }
    if (chckDatum->isChecked() && (edtDatumOd->IsEmpty() || edtDatumDo->IsEmpty())) {
        ShowWarning(QString::fromUtf8(kIssueDateRangeMissing));
        return;
    }
    filter_.ReportKind = static_cast<TSummaryReportKind>(kind);
    filter_.ReportName = rbKind[kind]->text();
    filter_.UseIssueDate = chckDatum->isChecked();
    filter_.IssueDateFrom =
        edtDatumOd->IsEmpty() ? std::nullopt : std::optional<TDateTime>(edtDatumOd->Date());
    filter_.IssueDateTo = edtDatumDo->IsEmpty() ? std::nullopt : std::optional<TDateTime>(edtDatumDo->Date());
    filter_.CustomerGrouping = static_cast<TCustomerGrouping>(cbxSeskupit->currentIndex());
    filter_.IncludeArchived = chckArchiv->isChecked();
    filter_.SaveSettings();
    accept();
}

// ---- computing
// ----------------------------------------------------------------------------------------

TSummaryReportNabidky::TSummaryReportNabidky() : Filter(std::make_unique<TSummaryReportFilterNabidky>()) {
    CreateResultTable();
}

TSummaryReportNabidky::~TSummaryReportNabidky() = default;

void TSummaryReportNabidky::CreateResultTable() {
    TFieldDefs& d = Result.FieldDefs();
    d.Add("SumKey", ftString, 255);
    d.Add("SumKeyName", ftString, 255);
    d.Add("OriginalSumKey", ftString, 255);
    d.Add("CelkemBDPH", ftCurrency);
    d.Add("Zisk", ftCurrency);
    Result.CreateTable();
    for (const char* money : {"CelkemBDPH", "Zisk"})
        Result.FieldByName(money)->SetDisplayFormat(kMoneyFormat);
}

QString TSummaryReportNabidky::ReportSql() const {
    QString sql =
        "SELECT AdrCislo, AdrNazev, AdrPSC, AdrMisto, AdrICO, CelkemBDPH, Zisk, Zakazka FROM Nabidky WHERE "
        "(IDStav = 3)";
    if (Filter->UseIssueDate)
        sql += QString(" AND ((DatVystaveni >= %1) AND (DatVystaveni <= %2))")
                   .arg(JetDateLiteral(Filter->IssueDateFrom.value_or(0)),
                        JetDateLiteral(Filter->IssueDateTo.value_or(0)));
    if (!Filter->IncludeArchived) sql += " AND (Archivovano = False)";
    return CurrentUser.AddCreatorFilter(sql);
}

bool TSummaryReportNabidky::Compute() {
    Result.EmptyTable();
    TADOQuery offers{&frmMain->ADOConAgenda};
    try {
        offers.SetSQL(ReportSql());
        offers.Open();
    } catch (const std::exception& e) {
        ErrorText = QString::fromUtf8(kSummaryLoadFailed) + QString::fromUtf8(e.what());
        return false;
    }
    const TSummaryReportKind kind = Filter->ReportKind;
    const TGroupingFields fields = FieldsOf(kind, Filter->CustomerGrouping);
    const bool profit = CurrentUser.NakupniCeny_AR;
    static const QRegularExpression kBlanks("\\s");
    for (offers.First(); !offers.Eof(); offers.Next()) {
        const QString original = offers.FieldByName(fields.key)->AsString();
        const QString key = QString(original).remove(kBlanks);
        // The walk stops on the group found; the offer is added to that row, also when it is the
        // last one (a step past the last row does not move, so stepping back would miss it).
        bool found = false;
        for (Result.First(); !Result.Eof(); Result.Next()) {
            found = Result.FieldByName("SumKey")->AsString().compare(key, Qt::CaseInsensitive) == 0;
            if (found) break;
        }
        if (found) {
            Result.Edit();
        } else {
            Result.Append();
            Result.FieldByName("SumKey")->SetAsString(key);
            Result.FieldByName("OriginalSumKey")->SetAsString(original);
            Result.FieldByName("SumKeyName")->SetAsString(offers.FieldByName(fields.name)->AsString());
            Result.FieldByName("CelkemBDPH")->SetAsFloat(0);
            Result.FieldByName("Zisk")->SetAsFloat(0);
        }
        auto add = [&](const char* field) {
            const Currency sum = Currency::FromDouble(Result.FieldByName(field)->AsFloat()) +
                                 Currency::FromDouble(offers.FieldByName(field)->AsFloat());
            Result.FieldByName(field)->SetAsFloat(sum.ToDouble());
        };
        add("CelkemBDPH");
        if (profit) add("Zisk");
        Result.Post();
    }
    offers.Close();

    const bool byNumber = !IsJobReport(kind) && Filter->CustomerGrouping == TCustomerGrouping::InternalNumber;
    TADOQuery jobs{&frmMain->ADOConAgenda};
    for (Result.First(); !Result.Eof(); Result.Next()) {
        const QString key = Result.FieldByName("SumKey")->AsString();
        const bool empty = byNumber ? key == "0" : key.isEmpty();
        QString name;
        if (empty) {
            name = QString::fromUtf8(fields.emptyName);
        } else if (IsJobReport(kind)) {
            jobs.Close();
            jobs.SetSQL("SELECT Nazev FROM Zakazka WHERE Zkratka = :Zkratka");
            jobs.Parameters().ParamByName("Zkratka")->Value =
                Result.FieldByName("OriginalSumKey")->AsString();
            jobs.Open();
            // A job deleted meanwhile keeps its code as its name.
            if (!jobs.IsEmpty()) name = jobs.FieldByName("Nazev")->AsString();
            jobs.Close();
        }
        if (!name.isEmpty()) {
            Result.Edit();
            Result.FieldByName("SumKeyName")->SetAsString(name);
            Result.Post();
        }
    }
    Result.SetSort(IsProfitReport(kind) ? "Zisk DESC" : "CelkemBDPH DESC");
    Result.First();
    return true;
}

bool TSummaryReportNabidky::SelectAndCompute() {
    if (!Filter->Execute()) return false;
    ShowWorking(true, QString::fromUtf8(kSummaryWorking));
    const bool done = Compute();
    ShowWorking(false);
    if (!done) ShowError(ErrorText);
    return done;
}

bool TSummaryReportNabidky::Execute() {
    if (!CurrentUser.PrehlSestavyNab_AR) {
        TUser::ShowNoRightsMessage();
        return false;
    }
    if (!SelectAndCompute()) return false;
    TfrmSummaryReportNabidky window(*this);
    window.exec();
    return true;
}

// ---- the result window
// --------------------------------------------------------------------------------

TfrmSummaryReportNabidky::TfrmSummaryReportNabidky(TSummaryReportNabidky& report, QWidget* parent)
    : TVnDialog(parent), report_(report) {
    setObjectName("frmSummaryReportNabidky");
    setWindowTitle(QString::fromUtf8(kSummaryCaption));
    auto* layout = new QVBoxLayout(this);
    lblReportHumanName = new QLabel(this);
    lblReportHumanName->setObjectName("lblReportHumanName");
    QFont bold = lblReportHumanName->font();
    bold.setBold(true);
    lblReportHumanName->setFont(bold);
    layout->addWidget(lblReportHumanName);
    dsReport.SetDataSet(&report.Result);
    grReport = new TVnDBGrid(this);
    grReport->setObjectName("grReport");
    grReport->SetReadOnly(true);
    grReport->SetOptions((grReport->Options() | dgRowSelect) & ~dgEditing);
    grReport->SetDataSource(&dsReport);
    grReport->Columns().Clear();
    const struct {
        const char* field;
        const char* title;
        int width;
        QColor colour;
    } kColumns[] = {{"SumKeyName", "Název", 445, QColor()},
                    {"CelkemBDPH", "Celkem bez DPH", 126, QColor(221, 236, 236)},
                    {"Zisk", "Celkem zisk", 112, QColor(208, 238, 209)}};
    for (const auto& c : kColumns) {
        TColumn* column = grReport->Columns().AddColumn();
        column->SetFieldName(c.field);
        column->Title()->SetCaption(QString::fromUtf8(c.title));
        column->SetWidth(c.width);
        if (c.colour.isValid()) column->SetColor(FromQColor(c.colour));
    }
    layout->addWidget(grReport, 1);
    auto* buttons = new QHBoxLayout;
    btnJinaSestava = new QPushButton(QString::fromUtf8("Vybrat jinou sestavu"), this);
    btnJinaSestava->setObjectName("btnJinaSestava");
    btnJinaSestava->setAutoDefault(false);
    btnZavrit = new QPushButton(QString::fromUtf8("Zavřít"), this);
    btnZavrit->setObjectName("btnZavrit");
    btnZavrit->setAutoDefault(false);
    buttons->addWidget(btnJinaSestava);
    buttons->addStretch();
    buttons->addWidget(btnZavrit);
    layout->addLayout(buttons);
    connect(btnZavrit, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnJinaSestava, &QPushButton::clicked, this, [this] {
        if (report_.SelectAndCompute()) ShowReport();
    });
    resize(760, 480);
    ShowReport();
}

TfrmSummaryReportNabidky::~TfrmSummaryReportNabidky() {
    // The grid goes before the source it shows.
    delete grReport;
    grReport = nullptr;
}

void TfrmSummaryReportNabidky::ShowReport() {
    QString name = report_.Filter->ReportName;
    if (!name.isEmpty()) name[0] = name[0].toUpper();
    lblReportHumanName->setText(name);
    for (int i = 0; i < grReport->Columns().Count(); ++i) {
        TColumn* column = grReport->Columns().ColumnAt(i);
        if (column->FieldName() == "Zisk") column->SetVisible(CurrentUser.NakupniCeny_AR);
    }
    grReport->viewport()->update();
}
