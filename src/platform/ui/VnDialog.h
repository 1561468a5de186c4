#pragma once

#include <QDialog>

class QBoxLayout;
class QPushButton;

// The base of every dialog window of the program (lists, cards, the information window...).
// Minimising a dialog minimises the whole application instead: a modal window left on its own in
// the task bar would hide the window it blocks.
class TVnDialog : public QDialog {
    Q_OBJECT
public:
    explicit TVnDialog(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;
};

// The application's main window: the first visible top-level main window, else the first one.
QWidget* ApplicationMainWindow();

// Enables the main window again and minimises every visible top-level window of the program.
void MinimizeApplication();

// Adds the OK and Storno buttons of a card or choice window to `row`, named as the program's tests
// find them ("btnOK", "btnStorno"), Storno closing the dialog as cancelled; what OK does is the
// window's own. With `okTakesEnter` Enter presses OK; without it neither button takes Enter, for
// windows whose editors want Enter for themselves.
void AddOkStornoButtons(QDialog* dialog, QBoxLayout* row, QPushButton*& ok, QPushButton*& storno,
                        bool okTakesEnter);
