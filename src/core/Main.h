#pragma once

#include <QMainWindow>

class THelpRouter;

// The application title, also the main window's caption.
inline constexpr const char* kApplicationTitle = "Varnobis";
// The application's help file, in the program folder.
inline constexpr const char* kApplicationHelpFile = "Varnobis.chm";

// The main window: the program's button bar and desktop notes, and the holder of the data layer.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Every help request of the program goes through it.
    THelpRouter* HelpRouter1 = nullptr;
};
