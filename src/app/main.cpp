#include "core/Main.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

namespace {

// An exception that no window caught is shown and the message loop goes on, as users of the
// program expect from a desktop application: one failed action must not end the session.
class TVnApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(activeWindow(), QString::fromUtf8("Chyba"), QString::fromUtf8(e.what()));
        }
        return false;
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    TVnApplication app(argc, argv);
    app.setApplicationName("Varnobis");
    TfrmMain frmMain;
    frmMain.show();
    return app.exec();
}
