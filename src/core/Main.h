#pragma once

#include <QMainWindow>

// The application title, also the main window's caption.
inline constexpr const char* kApplicationTitle = "Varnobis";

// The main window: the program's button bar and desktop notes, and the holder of the data layer.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
};
