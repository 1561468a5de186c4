#pragma once

// The window "Vyberte importní tabulku", in which the user picks a table or sheet of the
// connected import source, and the note editor "Editor" of an import definition.

#include <QString>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "platform/ui/VnDialog.h"

class QPlainTextEdit;
class QPushButton;
class TVnDBGrid;

class TfrmDBTabulky : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmDBTabulky(QWidget* parent = nullptr);
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    TVnDBGrid* grSeznamTabulek = nullptr;
    TMemTable mtSeznamTabulek;
    TDataSource dsSeznamTabulek;
};

// Lets the user choose a table of the connected source: the modal result (1 for OK, with the
// chosen name in table), or -1 when no source is connected.
int SelectSourceTable(QWidget* parent, QString& table);

class TfrmTextPozn : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmTextPozn(QWidget* parent = nullptr);
    QPlainTextEdit* memPopis = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
};

// The note editor of a definition; true on OK, with the edited note.
bool EditDefinitionNote(QWidget* parent, QString& note);
