#include "platform/ui/Application.h"

namespace {
const char* const kUnknownError = "Neznámá chyba.";
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
