#include "pricelist/PriceListUi.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <iterator>
#include <utility>

#include "core/CardProtocol.h"
#include "core/Locks.h"
#include "core/Main.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Rowset.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kCodeMissing = "Musíte zadat zkratku.";

}  // namespace

TPriceListDialog::TPriceListDialog(QWidget* parent) : TVnDialog(parent) {}

void TPriceListDialog::AcceptIfEnabled(QPushButton* okButton) {
    if (okButton && okButton->isEnabled()) done(kResultOk);
}

QPushButton* AddButton(QWidget* window, QBoxLayout* layout, const char* name, const QString& text,
                       const QKeySequence& key, const QString& hint) {
    auto* button = new QPushButton(text, window);
    button->setObjectName(name);
    button->setAutoDefault(false);
    if (!hint.isEmpty()) button->setToolTip(hint);
    if (layout) layout->addWidget(button);
    if (!key.isEmpty()) {
        auto* shortcut = new QShortcut(key, window);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isVisible() && button->isEnabled()) button->click();
        });
    }
    return button;
}

TVnDBGrid* MakeListGrid(QWidget* parent, const char* name, TDataSource* source,
                        const std::vector<std::pair<QString, QString>>& columns) {
    auto* grid = new TVnDBGrid(parent);
    grid->setObjectName(name);
    grid->SetOptions((kDefaultDBGridOptions & ~(dgEditing | dgConfirmDelete)) | dgRowSelect |
                     dgAlwaysShowSelection);
    grid->SetReadOnly(true);
    grid->SetDataSource(source);
    for (const auto& [field, title] : columns) {
        TColumn* column = grid->Columns().AddColumn();
        column->SetFieldName(field);
        column->Title()->SetCaption(title);
    }
    return grid;
}

QComboBox* Choice(QWidget* parent, const char* name, const QStringList& texts) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(texts);
    return box;
}

void OnEnterKey(TVnDBGrid* grid, std::function<void()> action) {
    grid->OnKeyDown = [action = std::move(action)](QObject*, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            key = 0;
            action();
        }
    };
}

QString CheckedCode(QPushButton* okButton, QLineEdit* codeEdit) {
    if (!okButton->isEnabled()) return QString();
    const QString code = codeEdit->text().trimmed();
    codeEdit->setText(code);
    if (code.isEmpty()) ShowInformation(QString::fromUtf8(kCodeMissing));
    return code;
}

bool PrepareCodeCard(TADOQuery& list, const QString& sql, TAccessLevel level, bool add) {
    if (level >= (add ? TAccessLevel::ReadOnly : TAccessLevel::NoAccess)) {
        TUser::ShowNoRightsMessage();
        return false;
    }
    if (!list.Active()) {
        list.SetSQL(sql);
        list.Open();
    }
    // A new record needs no current row, so only an edited one that has gone stops the card.
    if (RequeryAndLocate(list) != 0 && !add) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        return false;
    }
    return true;
}

bool LockCardRecord(TCardSession& card, TAccessLevel level, const QString& table, int id,
                    QPushButton* okButton) {
    bool readOnly = false;
    if (level == TAccessLevel::ReadOnly) {
        TUser::ShowReadOnlyMessage();
        readOnly = true;
    } else {
        if (!card.Lock(RecordLockPath(table, id))) return false;
        readOnly = card.ReadOnly();
    }
    okButton->setEnabled(!readOnly);
    return true;
}

bool CodeTaken(TADOQuery& list, int id, const QString& code) {
    bool taken = false;
    list.DisableControls();
    const TBookmark mark = list.GetBookmark();
    for (list.First(); !list.Eof() && !taken; list.Next())
        taken = list.FieldByName("ID")->AsInteger() != id && list.FieldByName("Zkratka")->AsString() == code;
    list.GotoBookmark(mark);
    list.EnableControls();
    return taken;
}

int ExecAgenda(const QString& sql, const TParamValues& params) {
    TADOCommand& command = frmMain->adcAgenda1;
    // Bulk runs (the silent recalculation of thousands of items) send the same statement row after
    // row. While the command still holds the parameters of its last parse, they are reused with
    // their values dropped, as a new parse would leave them; anyone who changed them meanwhile
    // (the command is shared) gets a fresh parse.
    static QString parsedSql;
    static QStringList parsedNames;
    bool reuse =
        command.CommandText() == sql && sql == parsedSql && command.Parameters.Count() == parsedNames.size();
    for (int i = 0; reuse && i < command.Parameters.Count(); ++i)
        reuse = command.Parameters[i].Name == parsedNames[i];
    if (reuse) {
        for (int i = 0; i < command.Parameters.Count(); ++i) {
            command.Parameters[i].Value = QVariant();
            command.Parameters[i].DataType = ftUnknown;
        }
    } else {
        command.SetCommandText(sql);
        parsedSql = sql;
        parsedNames.clear();
        for (int i = 0; i < command.Parameters.Count(); ++i) parsedNames << command.Parameters[i].Name;
    }
    for (const auto& [name, value] : params) command.Parameters.ParamByName(name)->Value = value;
    return command.Execute();
}

int LastInsertedId() {
    TADOCommand& command = frmMain->adcAgenda1;
    command.SetCommandText("SELECT @@IDENTITY");
    const std::unique_ptr<TRowset> rows = command.OpenRowset();
    return rows && rows->RowCount() > 0 ? rows->Value(0, 0).toInt() : 0;
}

void MakeCodeEdit(QLineEdit* edit, int maxLength) {
    edit->setMaxLength(maxLength);
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text) return;
        const int cursor = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(cursor);
    });
}

TWorkingShown::TWorkingShown(const QString& text) { ShowWorking(true, text); }

void TWorkingShown::Hide() {
    if (!shown_) return;
    shown_ = false;
    ShowWorking(false);
}

namespace {

const std::pair<const char*, const char*> kAvailability[] = {
    {"<neuvedeno>", ""},   {"S - skladem", "S"},  {"O - na objednávku", "O"}, {"N - dočasně nedostupné", "N"},
    {"P - doprodej", "P"}, {"X - vyřazeno", "X"},
};
constexpr int kAvailabilityCount = static_cast<int>(std::size(kAvailability));

}  // namespace

QStringList AvailabilityTexts() {
    QStringList texts;
    for (const auto& [text, code] : kAvailability) texts << QString::fromUtf8(text);
    return texts;
}

QString AvailabilityCode(int position) {
    if (position < 0 || position >= kAvailabilityCount) return QString();
    return QString::fromLatin1(kAvailability[position].second);
}

int AvailabilityPosition(const QString& code) {
    if (code.isEmpty()) return 0;
    for (int i = 1; i < kAvailabilityCount; ++i)
        if (code.compare(QLatin1String(kAvailability[i].second), Qt::CaseInsensitive) == 0) return i;
    return 0;
}
