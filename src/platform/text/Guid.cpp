#include "platform/text/Guid.h"

#include <QRandomGenerator>
#include <bit>
#include <cstdint>

namespace {

// Keys need to be unique, not secret. Drawing every key from the system's generator made it the
// costliest step of an import of many new rows on machines where the processor's random
// instruction is slow (virtual machines), so each thread draws from a generator of its own
// (xoshiro256**) that the system's generator seeds with 256 bits.
class TKeyGenerator {
public:
    TKeyGenerator() {
        for (std::uint64_t& word : state_) word = QRandomGenerator::system()->generate64();
    }
    std::uint64_t Next() {
        const std::uint64_t result = std::rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = std::rotl(state_[3], 45);
        return result;
    }

private:
    std::uint64_t state_[4];
};

}  // namespace

QString NewGuidText() {
    thread_local TKeyGenerator generator;
    std::uint64_t high = generator.Next();
    std::uint64_t low = generator.Next();
    // A random GUID: version 4 in the third group, the standard variant in the fourth.
    high = (high & ~std::uint64_t(0xF000)) | 0x4000;
    low = (low & ~(std::uint64_t(0xC0) << 56)) | (std::uint64_t(0x80) << 56);
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    QString text(38, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    int at = 0;
    auto put = [&](std::uint64_t value, int digits) {
        for (int i = digits - 1; i >= 0; --i) out[at++] = kDigits[(value >> (4 * i)) & 0xF];
    };
    out[at++] = u'{';
    put(high >> 32, 8);
    out[at++] = u'-';
    put(high >> 16, 4);
    out[at++] = u'-';
    put(high, 4);
    out[at++] = u'-';
    put(low >> 48, 4);
    out[at++] = u'-';
    put(low, 12);
    out[at++] = u'}';
    return text;
}
