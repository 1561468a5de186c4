#include "exchange/Synchronization.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/DataFolder.h"
#include "core/DbSchema.h"
#include "core/DbTemplates.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Upgrade.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "platform/db/Rowset.h"
#include "platform/files/FileUtils.h"
#include "platform/files/ZipArchive.h"
#include "platform/ui/Dialogs.h"
#include "widgets/SchemeButton.h"

namespace {

// Window messages are handled and the progress bar moved once per this many rows.
constexpr int kRowsPerStep = 10;

// Per-user settings of the dialog.
enum TSyncSetting : int {
    ssExportAdresar = 53,
    ssExportFileName = 54,
    ssImportAdresar = 55,
    ssImportFullSyncAdresar = 56,
    ssImportFileName = 57,
    ssImportCenik = 58,
    ssExportCenik = 59,
};

const char* const kSaveTitle = "Uložit do souboru";
const char* const kOpenTitle = "Vyberte přenosový soubor";
const char* const kFileFilter = "Přenosové soubory (*.dat);;Všechny soubory (*.*)";
const char* const kDefaultSuffix = "DAT";

// The tables of each choice, in the order they are written.
const char* const kAddressTables[] = {"Adresar", "Kontakty"};
const char* const kPriceListTables[] = {"CenHlad", "CenSkup", "CenSkupPol", "Sklady", "Skupiny", "Zasoby"};

QString Text(const char* text) { return QString::fromUtf8(text); }

// ---- statements built from a rowset's columns ---------------------------------------------------

// The column names of the rowset, without `skip` (compared without regard to case; empty skips nothing).
QStringList ColumnNames(const TRowset& rows, const QString& skip) {
    QStringList names;
    for (const TRowsetColumn& column : rows.Columns)
        if (skip.isEmpty() || column.Name.compare(skip, Qt::CaseInsensitive) != 0) names << column.Name;
    return names;
}

QString InsertStatement(const QString& table, const QStringList& names) {
    QStringList params;
    for (const QString& name : names) params << ":" + name;
    return QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(", "), params.join(", "));
}

QString UpdateStatement(const QString& table, const QStringList& names) {
    QStringList assignments;
    for (const QString& name : names) assignments << QString("%1 = :%1").arg(name);
    return QString("UPDATE %1 SET %2 %3").arg(table, assignments.join(", "), "WHERE ID = :ID");
}

int ColumnIndex(const TRowset& rows, const QString& name) {
    for (size_t i = 0; i < rows.Columns.size(); ++i)
        if (rows.Columns[i].Name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

const QVariant& RowValue(const TRowset& rows, size_t row, const QString& column) {
    static const QVariant kNull;
    const int index = ColumnIndex(rows, column);
    return index < 0 ? kNull : rows.Value(row, static_cast<size_t>(index));
}

// The row's values of the named columns, one parameter each.
TParameters RowParameters(const TRowset& rows, size_t row, const QStringList& names) {
    TParameters params;
    for (const QString& name : names) params.AddParameter(name)->Value = RowValue(rows, row, name);
    return params;
}

TParameters OneParameter(const QString& name, const QVariant& value) {
    TParameters params;
    params.AddParameter(name)->Value = value;
    return params;
}

// The ID of the first row of the table whose key column equals the value; an invalid value when
// there is none. The key is bound, never spliced: codes are typed by users and may hold quotes.
QVariant FindId(TADOConnection& connection, const QString& table, const QString& key, const QVariant& value) {
    const auto rows = connection.OpenRowset(QString("SELECT ID FROM %1 WHERE %2 = :KeyValue").arg(table, key),
                                            OneParameter("KeyValue", value));
    return rows->RowCount() == 0 ? QVariant() : rows->Value(0, 0);
}

// The file's IDs of a table mapped to the local IDs of the rows with the same RepID; a file row
// without a local twin maps to 0, and so does an ID the file does not hold.
QHash<qint64, qint64> TranslateByRepID(TADOConnection& file, TADOConnection& firm, const QString& table) {
    QHash<qint64, qint64> map;
    const auto rows = file.OpenRowset(QString("SELECT ID, RepID FROM %1").arg(table));
    for (size_t r = 0; r < rows->RowCount(); ++r) {
        const QVariant local = FindId(firm, table, "RepID", rows->Value(r, 1));
        map.insert(rows->Value(r, 0).toLongLong(), local.isValid() ? local.toLongLong() : 0);
    }
    return map;
}

void Translate(TParameters& params, const char* name, const QHash<qint64, qint64>& map) {
    if (TParameter* param = params.FindParam(QString::fromLatin1(name)))
        param->Value = map.value(param->Value.toLongLong(), 0);
}

// ---- settings -----------------------------------------------------------------------------------

QString LoadSetting(int number) {
    QString text;
    UserSetting(kLoad, number, {}, text);
    return text;
}

bool LoadFlag(int number, bool defaultValue) {
    bool value = false;
    return TryStrToBool(LoadSetting(number), value) ? value : defaultValue;
}

void SaveSetting(int number, const QString& value) {
    QString unused;
    UserSetting(kSave, number, value, unused);
}

QString ExecFileDialog(QWidget* parent, const QString& current, bool save) {
    QFileDialog dialog(parent, Text(save ? kSaveTitle : kOpenTitle), current, Text(kFileFilter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString::fromLatin1(kDefaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

// A label that answers a click, as the interrupt flag of the working page does.
class TCancelLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) WorkingCancelled = true;
        QLabel::mousePressEvent(event);
    }
};

}  // namespace

std::function<QString(QWidget*, const QString&)> ChooseTransferExportFile =
    [](QWidget* parent, const QString& current) { return ExecFileDialog(parent, current, true); };
std::function<QString(QWidget*, const QString&)> ChooseTransferImportFile =
    [](QWidget* parent, const QString& current) { return ExecFileDialog(parent, current, false); };

// ---- TSynchronization ---------------------------------------------------------------------------

TSynchronization::TSynchronization(bool import)
    : Firm(frmMain ? &frmMain->ADOConAgenda : nullptr), import_(import) {}

TSynchronization::~TSynchronization() = default;

QString TSynchronization::WorkingFileName() {
    return IncludeTrailingPathDelimiter(PrivateTempFolder) + QString::fromLatin1(kSyncDataFileName);
}

bool TSynchronization::Execute() {
    const bool allowed = import_ ? CurrentUser.PrenosNaJinyPCImport_AR : CurrentUser.PrenosNaJinyPCExport_AR;
    if (!allowed) {
        TUser::ShowNoRightsMessage();
        return false;
    }
    TfrmSynchronization form(*this, ApplicationMainWindow());
    return form.exec() == QDialog::Accepted;
}

bool TSynchronization::Fail(const QString& text) {
    ErrorText = text;
    return false;
}

void TSynchronization::SetProgressMax(int maximum) {
    if (!progress_) return;
    progress_->setMaximum(maximum);
    progress_->setValue(0);
}

void TSynchronization::StepProgress(int position) {
    QCoreApplication::processEvents();
    if (progress_) progress_->setValue(position);
}

bool TSynchronization::PrepareWorkingFile() {
    ForceDirectories(PrivateTempFolder);
    const QString working = WorkingFileName();
    // A link left under the name is removed itself: writing through it would put the firm's data
    // wherever it points.
    if (!DeleteTree(working)) return Fail(Text(kSyncCannotReplaceWorkingFile) + working);
    return true;
}

bool TSynchronization::ConnectWorkingFile() {
    try {
        adoConnection_.Open(WorkingFileName(), FirmDbPassword);
    } catch (const EDatabaseError& e) {
        return Fail(Text(kSyncConnectError) + e.Message());
    }
    return true;
}

bool TSynchronization::ExportToFile(const QString& fileName, QProgressBar* progress) {
    progress_ = progress;
    ErrorText.clear();
    // The working file is ours only for the run; whatever ends it, the connection goes.
    auto disconnect = qScopeGuard([this] {
        if (adoConnection_.InTransaction()) adoConnection_.RollbackTrans();
        adoConnection_.Close();
    });
    if (!PrepareWorkingFile()) return false;
    const QString source = ProgramFolder + "Res/" + QString::fromLatin1(kEmptyFirmTemplate);
    const QString working = WorkingFileName();
    CopyFileKeepDate(source, working);
    if (!FileExists(working)) return Fail(Text(kSyncCopyFailed).arg(source, working));
    if (!ConnectWorkingFile()) return false;
    // One transaction on the working file only: every row on its own would be synced to disk.
    adoConnection_.BeginTrans();
    if (ExportAdresar)
        for (const char* table : kAddressTables)
            if (!CopyTable(QString::fromLatin1(table))) return false;
    if (ExportCenik)
        for (const char* table : kPriceListTables)
            if (!CopyTable(QString::fromLatin1(table))) return false;
    adoConnection_.CommitTrans();
    adoConnection_.Close();
    TZipError error;
    if (!ZipCreate(fileName, {{QString::fromLatin1(kSyncDataFileName), working}}, &error))
        return Fail(Text(kSyncZipFailed).arg(fileName, QString::number(error.code), error.message));
    return true;
}

bool TSynchronization::CopyTable(const QString& table) {
    const auto rows = Firm->OpenRowset(QString("SELECT * FROM %1").arg(table));
    const int count = static_cast<int>(rows->RowCount());
    SetProgressMax(count);
    const QStringList names = ColumnNames(*rows, {});
    const QString sql = InsertStatement(table, names);
    for (int r = 0; r < count; ++r) {
        if (adoConnection_.Execute(sql, RowParameters(*rows, static_cast<size_t>(r), names)) == 0)
            return Fail(Text(kSyncExportWriteFailed));
        if ((r + 1) % kRowsPerStep == 0) {
            StepProgress(r + 1);
            if (WorkingCancelled) return Fail(Text(kSyncCancelled));
        }
    }
    return true;
}

bool TSynchronization::ImportFromFile(const QString& fileName, QProgressBar* progress) {
    progress_ = progress;
    ErrorText.clear();
    auto disconnect = qScopeGuard([this] { adoConnection_.Close(); });
    if (!PrepareWorkingFile()) return false;
    TZipError error;
    // Only the member we read is unpacked: the temporary folder is no place for whatever else a
    // file from outside may carry.
    if (ZipExtract(fileName, PrivateTempFolder, {QString::fromLatin1(kSyncDataFileName)}, &error) < 0)
        return Fail(Text(kSyncUnzipFailed).arg(fileName, QString::number(error.code), error.message));
    if (!FileExists(WorkingFileName())) return Fail(Text(kSyncNotTransferFile).arg(fileName));
    if (!ConnectWorkingFile()) return false;
    if (!CheckImportFile()) return false;

    // A merge stopped halfway would leave addresses without their contacts or items pointing at
    // groups that are gone; so the firm takes the whole file or nothing of it.
    Firm->BeginTrans();
    auto rollback = qScopeGuard([this] {
        if (Firm->InTransaction()) Firm->RollbackTrans();
    });
    bool merged = false;
    try {
        merged = (!ImportAdresar || MergeAddresses()) &&
                 (!ImportCenik || (MergeTable("Sklady", "RepID") && MergeTable("Skupiny", "RepID") &&
                                   MergeTable("Zasoby", "RepID") && MergeTable("CenHlad", "Zkratka") &&
                                   MergeTable("CenSkup", "Zkratka") && RebuildLevelRules()));
    } catch (const EDatabaseError& e) {
        ErrorText = e.Message();
    }
    if (!merged) {
        Firm->RollbackTrans();
        return Fail(ErrorText + "\r\r" + Text(kSyncNothingChanged));
    }
    Firm->CommitTrans();
    return true;
}

bool TSynchronization::CheckImportFile() {
    const auto version = adoConnection_.OpenRowset("SELECT * FROM Verze");
    const int verId = version->RowCount() == 0 ? 0 : RowValue(*version, 0, "VerID").toInt();
    if (verId != ExpectedFirmDbVersion) return Fail(Text(kSyncWrongVersion));
    auto count = [this](const char* table) {
        return adoConnection_
            .OpenRowset(QString("SELECT Count(*) AS [CountAll] FROM %1").arg(QString::fromLatin1(table)))
            ->Value(0, 0)
            .toLongLong();
    };
    if (ImportAdresar && count("Adresar") < 1) return Fail(Text(kSyncNoAddresses));
    if (ImportCenik && count("Sklady") < 1) return Fail(Text(kSyncNoPriceList));
    return true;
}

bool TSynchronization::MergeAddresses() {
    const auto file = adoConnection_.OpenRowset("SELECT * FROM Adresar");
    const int count = static_cast<int>(file->RowCount());
    SetProgressMax(count);
    const QStringList names = ColumnNames(*file, "ID");
    const QString insert = InsertStatement("Adresar", names);
    const QString update = UpdateStatement("Adresar", names);
    for (int r = 0; r < count; ++r) {
        const size_t row = static_cast<size_t>(r);
        TParameters params = RowParameters(*file, row, names);
        const QVariant local = FindId(*Firm, "Adresar", "RepID", RowValue(*file, row, "RepID"));
        qint64 localId = 0;
        if (local.isValid()) {
            localId = local.toLongLong();
            params.AddParameter("ID")->Value = localId;
            if (Firm->Execute(update, params) == 0) return Fail(Text(kSyncWriteFailed).arg("Adresar"));
        } else {
            if (Firm->Execute(insert, params) == 0) return Fail(Text(kSyncWriteFailed).arg("Adresar"));
            localId = Firm->OpenRowset("SELECT @@IDENTITY")->Value(0, 0).toLongLong();
        }
        if (!MergeContacts(*file, row, localId)) return false;
        if ((r + 1) % kRowsPerStep == 0) StepProgress(r + 1);
    }
    if (!ImportFullSyncAdresar) return true;

    const auto locals = Firm->OpenRowset("SELECT ID, RepID FROM Adresar");
    SetProgressMax(static_cast<int>(locals->RowCount()));
    for (size_t r = 0; r < locals->RowCount(); ++r) {
        if (!FindId(adoConnection_, "Adresar", "RepID", locals->Value(r, 1)).isValid()) {
            const TParameters id = OneParameter("ID", locals->Value(r, 0));
            if (Firm->Execute("DELETE FROM Adresar WHERE ID = :ID", id) == 0)
                return Fail(Text(kSyncDeleteFailed).arg("Adresar"));
            Firm->Execute("DELETE FROM Kontakty WHERE CisloAdr = :ID", id);
        }
        if ((r + 1) % kRowsPerStep == 0) StepProgress(static_cast<int>(r + 1));
    }
    return true;
}

bool TSynchronization::MergeContacts(const TRowset& fileAddresses, size_t row, qint64 localAddress) {
    // Contacts the other side deleted go here too; a new address has none to lose.
    const auto locals = Firm->OpenRowset("SELECT ID, RepID FROM Kontakty WHERE CisloAdr = :CisloAdr",
                                         OneParameter("CisloAdr", localAddress));
    for (size_t r = 0; r < locals->RowCount(); ++r)
        if (!FindId(adoConnection_, "Kontakty", "RepID", locals->Value(r, 1)).isValid())
            Firm->Execute("DELETE FROM Kontakty WHERE ID = :ID", OneParameter("ID", locals->Value(r, 0)));

    const auto file = adoConnection_.OpenRowset("SELECT * FROM Kontakty WHERE CisloAdr = :CisloAdr",
                                                OneParameter("CisloAdr", RowValue(fileAddresses, row, "ID")));
    const QStringList names = ColumnNames(*file, "ID");
    for (size_t r = 0; r < file->RowCount(); ++r) {
        TParameters params = RowParameters(*file, r, names);
        params.ParamByName("CisloAdr")->Value = localAddress;
        // A contact is found by its RepID wherever it stands: one moved to another firm on the other
        // computer moves here too instead of colliding with itself.
        const QVariant local = FindId(*Firm, "Kontakty", "RepID", RowValue(*file, r, "RepID"));
        int written = 0;
        if (local.isValid()) {
            params.AddParameter("ID")->Value = local;
            written = Firm->Execute(UpdateStatement("Kontakty", names), params);
        } else {
            written = Firm->Execute(InsertStatement("Kontakty", names), params);
        }
        if (written == 0) return Fail(Text(kSyncWriteFailed).arg("Kontakty"));
    }
    return true;
}

bool TSynchronization::MergeTable(const QString& table, const QString& key) {
    const auto file = adoConnection_.OpenRowset(QString("SELECT * FROM %1").arg(table));
    const int count = static_cast<int>(file->RowCount());
    SetProgressMax(count);
    // The file's foreign keys name the file's own rows; the local rows of the same RepID stand for them.
    QHash<qint64, qint64> sheets, groups;
    const bool translated = table == "Skupiny" || table == "Zasoby";
    if (translated) sheets = TranslateByRepID(adoConnection_, *Firm, "Sklady");
    if (table == "Zasoby") groups = TranslateByRepID(adoConnection_, *Firm, "Skupiny");
    const QStringList names = ColumnNames(*file, "ID");
    const QString insert = InsertStatement(table, names);
    const QString update = UpdateStatement(table, names);
    for (int r = 0; r < count; ++r) {
        const size_t row = static_cast<size_t>(r);
        TParameters params = RowParameters(*file, row, names);
        if (translated) Translate(params, "Sklad", sheets);
        if (table == "Zasoby") Translate(params, "Skupina", groups);
        const QVariant local = FindId(*Firm, table, key, RowValue(*file, row, key));
        int written = 0;
        if (local.isValid()) {
            params.AddParameter("ID")->Value = local;
            written = Firm->Execute(update, params);
        } else {
            written = Firm->Execute(insert, params);
        }
        if (written == 0) return Fail(Text(kSyncWriteFailed).arg(table));
        if ((r + 1) % kRowsPerStep == 0) StepProgress(r + 1);
    }

    const auto locals = Firm->OpenRowset(QString("SELECT ID, %1 FROM %2").arg(key, table));
    SetProgressMax(static_cast<int>(locals->RowCount()));
    for (size_t r = 0; r < locals->RowCount(); ++r) {
        if (!FindId(adoConnection_, table, key, locals->Value(r, 1)).isValid() &&
            Firm->Execute(QString("DELETE FROM %1 WHERE ID = :ID").arg(table),
                          OneParameter("ID", locals->Value(r, 0))) == 0)
            return Fail(Text(kSyncDeleteFailed).arg(table));
        if ((r + 1) % kRowsPerStep == 0) StepProgress(static_cast<int>(r + 1));
    }
    return true;
}

bool TSynchronization::RebuildLevelRules() {
    Firm->Execute("DELETE FROM CenSkupPol");
    const auto groups = adoConnection_.OpenRowset("SELECT ID, Zkratka FROM CenSkup");
    for (size_t g = 0; g < groups->RowCount(); ++g) {
        const QVariant local = FindId(*Firm, "CenSkup", "Zkratka", groups->Value(g, 1));
        // After the group merge every group of the file has its local twin.
        if (!local.isValid()) continue;
        const auto rules = adoConnection_.OpenRowset("SELECT * FROM CenSkupPol WHERE IDCenSkup = :IDCenSkup",
                                                     OneParameter("IDCenSkup", groups->Value(g, 0)));
        const QStringList names = ColumnNames(*rules, "ID");
        const QString insert = InsertStatement("CenSkupPol", names);
        for (size_t r = 0; r < rules->RowCount(); ++r) {
            TParameters params = RowParameters(*rules, r, names);
            params.ParamByName("IDCenSkup")->Value = local;
            if (Firm->Execute(insert, params) == 0) return Fail(Text(kSyncWriteFailed).arg("CenSkupPol"));
        }
    }
    return true;
}

// ---- TfrmSynchronization ------------------------------------------------------------------------

TfrmSynchronization::TfrmSynchronization(TSynchronization& owner, QWidget* parent)
    : TVnDialog(parent), owner_(owner) {
    setObjectName("frmSynchronization");
    setWindowTitle(Text(kSyncCaption));
    auto* layout = new QVBoxLayout(this);

    auto* panCaption = new QWidget(this);
    panCaption->setObjectName("panCaption");
    auto* captionRow = new QHBoxLayout(panCaption);
    lblInfoCaption = new QLabel(panCaption);
    lblInfoCaption->setObjectName("lblInfoCaption");
    QFont bold = lblInfoCaption->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    lblInfoCaption->setFont(bold);
    captionRow->addWidget(lblInfoCaption);
    layout->addWidget(panCaption);

    // The pages have no tabs: the menu command chose the page already.
    pgcMain = new QStackedWidget(this);
    pgcMain->setObjectName("pgcMain");
    pgcMain->addWidget(BuildExportPage());
    pgcMain->addWidget(BuildImportPage());
    pgcMain->addWidget(BuildWorkingPage());
    layout->addWidget(pgcMain, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = new QPushButton(Text("OK"), this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton(Text("Zavřít"), this);
    btnCancel->setObjectName("btnCancel");
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &TfrmSynchronization::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

namespace {

TSchemeButton* FileSelectButton(QWidget* parent, const char* name) {
    auto* button = new TSchemeButton(parent);
    button->setObjectName(name);
    button->setText("...");
    // Colours of its own, so the small button reads as part of the field beside it.
    button->SetColorScheme(csNeoSilver);
    button->SetColorFace(button->ColorFace());
    button->setFixedWidth(28);
    return button;
}

QLabel* WrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

QWidget* TfrmSynchronization::BuildExportPage() {
    auto* page = new QWidget(pgcMain);
    page->setObjectName("tsExport");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(Text(kSyncFileLabel), page));
    auto* row = new QHBoxLayout;
    edtExportFileName = new QLineEdit(page);
    edtExportFileName->setObjectName("edtExportFileName");
    btnExportFileNameSelect = FileSelectButton(page, "btnExportFileNameSelect");
    row->addWidget(edtExportFileName, 1);
    row->addWidget(btnExportFileNameSelect);
    layout->addLayout(row);
    chckUseExportAdresar = new QCheckBox(Text(kSyncAdresar), page);
    chckUseExportAdresar->setObjectName("chckUseExportAdresar");
    chckUseExportCenik = new QCheckBox(Text(kSyncCenik), page);
    chckUseExportCenik->setObjectName("chckUseExportCenik");
    layout->addWidget(chckUseExportAdresar);
    layout->addWidget(chckUseExportCenik);
    layout->addStretch();
    connect(btnExportFileNameSelect, &QAbstractButton::clicked, this, [this] {
        const QString chosen = ChooseTransferExportFile(this, edtExportFileName->text());
        if (!chosen.isEmpty()) edtExportFileName->setText(chosen);
    });
    return page;
}

QWidget* TfrmSynchronization::BuildImportPage() {
    auto* page = new QWidget(pgcMain);
    page->setObjectName("tsImport");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(Text(kSyncFileLabel), page));
    auto* row = new QHBoxLayout;
    edtImportFileName = new QLineEdit(page);
    edtImportFileName->setObjectName("edtImportFileName");
    btnImportFileNameSelect = FileSelectButton(page, "btnImportFileNameSelect");
    row->addWidget(edtImportFileName, 1);
    row->addWidget(btnImportFileNameSelect);
    layout->addLayout(row);
    chckUseImportAdresar = new QCheckBox(Text(kSyncAdresar), page);
    chckUseImportAdresar->setObjectName("chckUseImportAdresar");
    chckUseImportFullSyncAdresar = new QCheckBox(Text(kSyncFullSync), page);
    chckUseImportFullSyncAdresar->setObjectName("chckUseImportFullSyncAdresar");
    chckUseImportCenik = new QCheckBox(Text(kSyncCenik), page);
    chckUseImportCenik->setObjectName("chckUseImportCenik");
    layout->addWidget(chckUseImportAdresar);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(20);
    indented->addWidget(chckUseImportFullSyncAdresar, 1);
    layout->addLayout(indented);
    layout->addWidget(chckUseImportCenik);
    auto* note = WrappedLabel(Text(kSyncPriceListNoteCaption) + " " + Text(kSyncPriceListNote), page);
    note->setObjectName("lblUpozorneni");
    layout->addWidget(note);
    auto* warning = WrappedLabel(Text(kSyncImportWarning), page);
    warning->setObjectName("lblVarovani");
    warning->setStyleSheet("color: #C00000; font-weight: bold;");
    layout->addWidget(warning);
    layout->addStretch();
    connect(chckUseImportAdresar, &QCheckBox::toggled, chckUseImportFullSyncAdresar, &QWidget::setEnabled);
    connect(btnImportFileNameSelect, &QAbstractButton::clicked, this, [this] {
        const QString chosen = ChooseTransferImportFile(this, edtImportFileName->text());
        if (!chosen.isEmpty()) edtImportFileName->setText(chosen);
    });
    return page;
}

QWidget* TfrmSynchronization::BuildWorkingPage() {
    auto* page = new QWidget(pgcMain);
    page->setObjectName("tsWorking");
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    lblWorkingText = new QLabel(page);
    lblWorkingText->setObjectName("lblWorkingText");
    lblWorkingText->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblWorkingText);
    pbWorkingProgress = new QProgressBar(page);
    pbWorkingProgress->setObjectName("pbWorkingProgress");
    pbWorkingProgress->setTextVisible(false);
    layout->addWidget(pbWorkingProgress);
    lblCancelFlag = new TCancelLabel(Text(kSyncCancelFlag), page);
    lblCancelFlag->setObjectName("lblCancelFlag");
    lblCancelFlag->setAlignment(Qt::AlignRight);
    lblCancelFlag->setCursor(Qt::PointingHandCursor);
    layout->addWidget(lblCancelFlag);
    layout->addStretch();
    return page;
}

void TfrmSynchronization::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    const bool import = owner_.IsImport();
    lblInfoCaption->setText(Text(import ? kSyncImportCaption : kSyncExportCaption));
    if (import) {
        edtImportFileName->setText(LoadSetting(ssImportFileName));
        chckUseImportAdresar->setChecked(LoadFlag(ssImportAdresar, true));
        chckUseImportFullSyncAdresar->setChecked(LoadFlag(ssImportFullSyncAdresar, false));
        chckUseImportCenik->setChecked(LoadFlag(ssImportCenik, true));
        chckUseImportFullSyncAdresar->setEnabled(chckUseImportAdresar->isChecked());
        pgcMain->setCurrentIndex(tsImport);
        edtImportFileName->setFocus();
    } else {
        edtExportFileName->setText(LoadSetting(ssExportFileName));
        chckUseExportAdresar->setChecked(LoadFlag(ssExportAdresar, true));
        chckUseExportCenik->setChecked(LoadFlag(ssExportCenik, true));
        pgcMain->setCurrentIndex(tsExport);
        edtExportFileName->setFocus();
    }
}

bool TfrmSynchronization::CheckExportOptions() {
    const QString fileName = edtExportFileName->text().trimmed();
    if (fileName.isEmpty()) {
        ShowError(Text(kSyncNoFileName));
        return false;
    }
    if (FileExists(fileName) && !AskQuestion(Text(kSyncOverwrite).arg(fileName))) return false;
    const QString folder = QFileInfo(fileName).absolutePath();
    if (!DirectoryExists(folder)) {
        ShowError(Text(kSyncNoFolder).arg(folder));
        return false;
    }
    if (!chckUseExportAdresar->isChecked() && !chckUseExportCenik->isChecked()) {
        ShowError(Text(kSyncNoScope));
        return false;
    }
    owner_.ExportFileName = fileName;
    owner_.ExportAdresar = chckUseExportAdresar->isChecked();
    owner_.ExportCenik = chckUseExportCenik->isChecked();
    SaveSetting(ssExportAdresar, BoolToStoredText(owner_.ExportAdresar));
    SaveSetting(ssExportCenik, BoolToStoredText(owner_.ExportCenik));
    SaveSetting(ssExportFileName, fileName);
    return true;
}

bool TfrmSynchronization::CheckImportOptions() {
    const QString fileName = edtImportFileName->text().trimmed();
    if (fileName.isEmpty()) {
        ShowError(Text(kSyncNoFileName));
        return false;
    }
    if (!FileExists(fileName)) {
        ShowError(Text(kSyncNoImportFile).arg(fileName));
        return false;
    }
    owner_.ImportFileName = fileName;
    owner_.ImportAdresar = chckUseImportAdresar->isChecked();
    owner_.ImportFullSyncAdresar = chckUseImportFullSyncAdresar->isChecked();
    owner_.ImportCenik = chckUseImportCenik->isChecked();
    SaveSetting(ssImportAdresar, BoolToStoredText(owner_.ImportAdresar));
    SaveSetting(ssImportFullSyncAdresar, BoolToStoredText(owner_.ImportFullSyncAdresar));
    SaveSetting(ssImportFileName, fileName);
    SaveSetting(ssImportCenik, BoolToStoredText(owner_.ImportCenik));
    return AskQuestion(Text(kSyncConfirmImport));
}

void TfrmSynchronization::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    if (!(owner_.IsImport() ? CheckImportOptions() : CheckExportOptions())) return;
    Run();
}

void TfrmSynchronization::Run() {
    const bool import = owner_.IsImport();
    const int optionsPage = pgcMain->currentIndex();
    WorkingCancelled = false;
    lblWorkingText->setText(Text(import ? kSyncImporting : kSyncExporting));
    lblCancelFlag->setVisible(!import);
    pbWorkingProgress->setValue(0);
    pgcMain->setCurrentIndex(tsWorking);
    btnOK->setEnabled(false);
    btnCancel->setEnabled(false);
    bool done = false;
    {
        // A database error leaves through here too, and the dialog must then be usable again.
        auto restore = qScopeGuard([&] {
            pgcMain->setCurrentIndex(optionsPage);
            btnOK->setEnabled(true);
            btnCancel->setEnabled(true);
            WorkingCancelled = false;
        });
        done = import ? owner_.ImportFromFile(owner_.ImportFileName, pbWorkingProgress)
                      : owner_.ExportToFile(owner_.ExportFileName, pbWorkingProgress);
    }
    if (!done) {
        ShowError(owner_.ErrorText);
        return;
    }
    ShowInformation(Text(import ? kSyncImportDone : kSyncExportDone));
    accept();
}

void TfrmSynchronization::reject() {
    // While a run goes on, the window stays: the run holds its controls.
    if (!btnCancel->isEnabled()) return;
    TVnDialog::reject();
}

// ---- menu commands ------------------------------------------------------------------------------

void PrenoNaJinyPCExportClick() {
    TSynchronization synchronization(false);
    synchronization.Execute();
}

void PrenoNaJinyPCImportClick() {
    TSynchronization synchronization(true);
    synchronization.Execute();
}
