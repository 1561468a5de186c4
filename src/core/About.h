#pragma once

#include "platform/ui/VnDialog.h"

class QLabel;
class QPushButton;
class TUrlLabel;

// The about box: the program's name and version and where to find its makers.
class TfrmAbout : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* imgIcon = nullptr;
    QLabel* lblNazev = nullptr;
    QLabel* lblVerze = nullptr;
    TUrlLabel* lblEmail = nullptr;
    TUrlLabel* lblWeb = nullptr;
    QPushButton* btnOK = nullptr;
};
