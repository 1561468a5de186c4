// The report program shipped beside the main one.

#include <QApplication>

#include "Zelvorn.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("zelvorn");
    return RunReportProgram(QApplication::arguments().mid(1));
}
