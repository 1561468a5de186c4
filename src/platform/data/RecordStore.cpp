#include "platform/data/RecordStore.h"

#include <cstdlib>
#include <new>
#include <utility>

namespace {

#if defined(__SANITIZE_ADDRESS__)
#define VN_KEEP_CHUNKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VN_KEEP_CHUNKS 0
#endif
#endif
#ifndef VN_KEEP_CHUNKS
#define VN_KEEP_CHUNKS 1
#endif
// The sanitizer build frees every chunk, so that a value read from a table after its storage
// went away is reported instead of reading a chunk that another table now uses.
constexpr size_t kKeepLimit = VN_KEEP_CHUNKS ? RecordChunks::kKeptBytes : 0;

// Set once the thread's kept chunks are gone: a table destroyed after that (a static one, at the
// end of the program) frees its chunks directly. Trivially destructible, so always readable.
thread_local bool keptGone = false;

// Freed chunks of one thread, by size in bytes (tables of different widths make different sizes).
struct TKeptChunks {
    std::vector<std::pair<size_t, void*>> chunks;
    size_t bytes = 0;
    ~TKeptChunks() {
        for (const auto& [size, memory] : chunks) std::free(memory);
        keptGone = true;
    }
};

TKeptChunks& Kept() {
    thread_local TKeptChunks kept;
    return kept;
}

}  // namespace

void* RecordChunks::Take(size_t bytes) {
    TKeptChunks& kept = Kept();
    for (size_t i = kept.chunks.size(); i-- > 0;) {
        if (kept.chunks[i].first != bytes) continue;
        void* memory = kept.chunks[i].second;
        kept.chunks[i] = kept.chunks.back();
        kept.chunks.pop_back();
        kept.bytes -= bytes;
        return memory;
    }
    void* memory = std::malloc(bytes);
    if (!memory) throw std::bad_alloc();
    return memory;
}

void RecordChunks::Give(void* memory, size_t bytes) {
    if (keptGone) {
        std::free(memory);
        return;
    }
    TKeptChunks& kept = Kept();
    if (kept.bytes + bytes > kKeepLimit) {
        std::free(memory);
        return;
    }
    kept.chunks.emplace_back(bytes, memory);
    kept.bytes += bytes;
}
