#include "platform/shell/Calculator.h"

#include <QProcess>
#include <QStandardPaths>

std::function<bool(const QString& program)> CalculatorLauncher = [](const QString& program) {
    return QProcess::startDetached(program, {});
};

QStringList CalculatorPrograms() { return {"gnome-calculator", "kcalc", "galculator", "mate-calc", "xcalc"}; }

QString FindCalculator() {
    for (const QString& name : CalculatorPrograms()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) return path;
    }
    return {};
}
