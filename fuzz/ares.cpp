// Feeds arbitrary bytes to the company-register client as the register's answer: the JSON reader,
// and the XML reader for an answer that starts as XML. A look-up must end found or not found with
// its sentence, whatever comes back; what it found must be plain text the card can take.
// Run with the seeds: scripts/fuzz ares fuzz/seeds/ares
#include "addressbook/Ares.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TAres ares;
    const bool found = ares.ReadReply(bytes, QStringLiteral("25596641"));
    // Found clears the sentence; not found always has one.
    if (found != ares.Error.isEmpty()) std::abort();
    return 0;
}
