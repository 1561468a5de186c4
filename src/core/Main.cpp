#include "core/Main.h"

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmMain");
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    resize(800, 560);
}
