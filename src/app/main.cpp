#include "core/Main.h"

#include "core/Startup.h"
#include "platform/ui/Application.h"

// No display name is set: the window system would append it to every caption ("Dotaz — Varnobis").
int main(int argc, char* argv[]) {
    TVnApplication app(argc, argv);
    app.setApplicationName(QString::fromUtf8(kApplicationTitle));
    return RunProgram();
}
