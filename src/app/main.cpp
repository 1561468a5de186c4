#include "core/Main.h"

#include "core/Startup.h"
#include "platform/ui/Application.h"

// No display name is set: the window system would append it to every caption ("Dotaz — Varnobis").
// The application name alone names the user's folders the program keeps its files in
// (~/.config/Varnobis/, ~/.local/share/Varnobis/); no organisation name is set, as it would add a
// level above them.
int main(int argc, char* argv[]) {
    TVnApplication app(argc, argv);
    app.setApplicationName(QString::fromUtf8(kApplicationTitle));
    const auto qtInCzech = InstallQtTranslations();
    return RunProgram();
}
