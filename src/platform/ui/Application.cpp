#include "platform/ui/Application.h"

#include <QLibraryInfo>
#include <QLocale>

namespace {
const char* const kUnknownError = "Neznámá chyba.";
}

std::unique_ptr<QTranslator> InstallQtTranslations() {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Czech), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

void ShowUncaughtException(std::exception_ptr error) {
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        // Anything thrown that is not an exception object still must not end the program.
        text = QString::fromUtf8(kUnknownError);
    }
    ShowError(text);
}
