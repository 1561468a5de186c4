#pragma once

#include <QLineEdit>
#include <QString>
#include <functional>

class QAction;

// Folder entry with a browse button. A folder chosen with the button is written with "/" at
// its end, the form in which the program keeps every folder value.
class TDirectoryEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget* parent = nullptr);

    // Title of the folder browser.
    QString DialogTitle() const { return dialogTitle_; }
    void SetDialogTitle(const QString& title) { dialogTitle_ = title; }

    // Asks for a folder starting at the field's folder; empty when the user cancelled. Replaceable,
    // so that windows built on the field can be driven without a file dialog.
    std::function<QString(QWidget* parent, const QString& title, const QString& start)> ChooseFolder;

    // Opens the browser; true when a folder was taken into the field.
    bool Browse();

    QAction* BrowseAction() const { return browseAction_; }

private:
    QString dialogTitle_;
    QAction* browseAction_;
};

// The folder with "/" separators and one "/" at its end; empty stays empty.
QString WithTrailingSlash(const QString& folder);
