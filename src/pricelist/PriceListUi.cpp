#include "pricelist/PriceListUi.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include "core/CardProtocol.h"
#include "core/Main.h"
#include "core/Working.h"
#include "platform/db/Rowset.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

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

int ExecAgenda(const QString& sql, const TParamValues& params) {
    TADOCommand& command = frmMain->adcAgenda1;
    command.SetCommandText(sql);
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
