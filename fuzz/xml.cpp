// Feeds arbitrary bytes to the XML reader, token by token and with a small chunk limit, and to the
// document model, which then writes what it loaded back out and reads that again.
#include <QBuffer>
#include <cstddef>
#include <cstdint>

#include "addressbook/XXml.h"
#include "addressbook/XXmlDom.h"

namespace {

void ReadTokens(const QByteArray& bytes, int chunkLimit) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TXmlReader reader;
    reader.SetChunkLimit(chunkLimit);
    reader.Open(&buffer, false);
    try {
        while (reader.Read() != xtNone) {
        }
    } catch (const EXmlError&) {
    }
}

QString LoadAndWrite(const QByteArray& bytes, bool preserveWhiteSpace, bool& loaded) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const TRef<TXmlDDocument> document = MakeRef<TXmlDDocument>();
    document->SetPreserveWhiteSpace(preserveWhiteSpace);
    loaded = true;
    try {
        document->LoadFromStream(buffer);
    } catch (const EXmlError&) {
        loaded = false;
    }
    if (TXmlDElement* root = document->DocumentElement()) {
        root->GetText();
        root->FindChild(QStringLiteral("are:Odpoved"));
    }
    return document->GetXml();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ReadTokens(bytes, 0);
    ReadTokens(bytes, 3);

    bool loaded = false;
    const QString xml = LoadAndWrite(bytes, size % 2 == 0, loaded);
    bool reloaded = false;
    LoadAndWrite(xml.toUtf8(), true, reloaded);
    return 0;
}
