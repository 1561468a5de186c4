// Feeds arbitrary bytes to the reader of item keys for an offer, as each of its sources: clipboard
// text, a workbook file and a dBase file, with the choices of the dialog taken from the first bytes.
// A source it cannot read must end in the reader's own message (answered by a silent dialog
// service here), never in a crash, a hang or an exception that escapes.
//
// Seeds: fuzz/seeds/itemkeys (scripts/fuzz itemkeys fuzz/seeds/itemkeys).
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

#include "offers/ItemsImportFileParser.h"
#include "platform/ui/Dialogs.h"

namespace {

// Messages go nowhere: the reader is expected to tell them, not to be answered.
class TSilentDialogs : public IDialogService {
public:
    void Information(const QString&) override {}
    void Warning(const QString&) override {}
    void Error(const QString&) override {}
    bool Question(const QString&) override { return false; }
    bool InputBox(const QString&, const QString&, QString&) override { return false; }
};

// The first bytes choose the source, the header flag, the default quantity and the columns; the
// rest is the source itself.
constexpr size_t kChoiceBytes = 3;

const QString& SourceFile() {
    static QTemporaryDir* folder = new QTemporaryDir;
    static const QString path = folder->path() + "/klice";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSilentDialogs dialogs;
    static const bool installed = (SetDialogService(&dialogs), true);
    (void)installed;
    if (size < kChoiceBytes) return 0;
    const QByteArray content(reinterpret_cast<const char*>(data + kChoiceBytes),
                             static_cast<qsizetype>(size - kChoiceBytes));

    TItemsImportFileParser parser;
    parser.SourceKind = static_cast<TKeySource>(data[0] % 3);
    parser.FirstRowIsHeader = (data[0] & 0x10) != 0;
    parser.UseDefaultQuantity = (data[0] & 0x20) != 0;
    if (parser.SourceKind == TKeySource::DBase) {
        // A dBase source names its fields; the fuzzer finds these in the seeds.
        parser.KeyColumn = (data[1] & 1) ? "KATALOG" : "KLIC";
        parser.QuantityColumn = (data[2] & 1) ? "POCET" : "MNOZSTVI";
    } else {
        parser.KeyColumn = QString::number(1 + data[1] % 99);
        parser.QuantityColumn = QString::number(1 + data[2] % 99);
    }
    if (parser.SourceKind == TKeySource::Clipboard) {
        const QString text = QString::fromUtf8(content);
        TItemsImportFileParser::ClipboardText = [text] { return text; };
    } else {
        QFile file(SourceFile());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(content);
        file.close();
        parser.FileName = SourceFile();
    }
    if (parser.Load()) {
        for (parser.Pairs.First(); !parser.Pairs.Eof(); parser.Pairs.Next()) {
        }
    }
    return 0;
}
