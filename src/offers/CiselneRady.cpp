#include "offers/CiselneRady.h"

#include "core/Main.h"
#include "platform/data/Field.h"

std::function<void()> NumberSeriesAfterRead;

namespace {

// How often a draw is retried when other stations keep taking the number it read.
constexpr int kDrawAttempts = 20;
constexpr int kMaxPaddingZeros = 5;

}  // namespace

QString FormatDocumentNumber(const QString& prefix, qint64 number, int digits) {
    const QString text = QString::number(number);
    const int zeros = qMin<int>(kMaxPaddingZeros, digits - static_cast<int>(text.size()));
    return prefix + QString(qMax(0, zeros), QLatin1Char('0')) + text;
}

bool NumberSeriesExists(const QString& series) {
    TADOQuery& query = frmMain->adqAgendaFree1;
    query.Close();
    query.SetSQL("SELECT ID FROM CisRady WHERE ModulOzn = :ModulOzn");
    query.Parameters().ParamByName("ModulOzn")->Value = series;
    query.Open();
    const bool found = !query.IsEmpty();
    query.Close();
    return found;
}

void NextDocumentNumber(const QString& series, QString& prefix, int& number, QString& text) {
    text.clear();
    TADOQuery& query = frmMain->adqAgendaFree1;
    TADOCommand& command = frmMain->adcAgenda2;
    for (int attempt = 0; attempt < kDrawAttempts; ++attempt) {
        query.Close();
        query.SetSQL("SELECT * FROM CisRady WHERE ModulOzn = :ModulOzn");
        query.Parameters().ParamByName("ModulOzn")->Value = series;
        query.Open();
        if (query.IsEmpty()) {
            query.Close();
            return;
        }
        const int id = query.FieldByName("ID")->AsInteger();
        const QString seriesPrefix = query.FieldByName("PrefixOzn")->AsString();
        const int digits = query.FieldByName("PocetMist")->AsInteger();
        const int taken = query.FieldByName("Cislo")->AsInteger();
        query.Close();
        if (NumberSeriesAfterRead) NumberSeriesAfterRead();

        // Raise the number only while it is still the one read: a station that drew it meanwhile
        // makes this update touch no row, and the draw starts again from the new number. A plain
        // update would give both stations the same number.
        command.SetCommandText("UPDATE CisRady SET Cislo = :Cislo WHERE ID = :ID AND Cislo = :Taken");
        command.Parameters.ParamByName("Cislo")->Value = taken + 1;
        command.Parameters.ParamByName("ID")->Value = id;
        command.Parameters.ParamByName("Taken")->Value = taken;
        if (command.Execute() == 0) continue;

        text = FormatDocumentNumber(seriesPrefix, taken, digits);
        prefix = seriesPrefix;
        number = taken;
        return;
    }
}
