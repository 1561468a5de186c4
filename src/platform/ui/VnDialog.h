#pragma once

#include <QDialog>

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
