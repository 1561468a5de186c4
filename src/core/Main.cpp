#include "core/Main.h"

namespace {
const char* const kApplicationTitle = "Varnobis";
}

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmMain");
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    resize(800, 560);
}
