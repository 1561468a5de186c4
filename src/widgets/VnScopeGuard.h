#pragma once

// Cleanup that must run however a block is left, by its end, a return or an exception: the
// control library restores cursors, locks and update counts with it, instead of writing the
// cleanup once after the block and once more in a handler that rethrows.

#include <utility>

template <class TCleanup>
class TScopeGuard {
public:
    explicit TScopeGuard(TCleanup cleanup) : cleanup_(std::move(cleanup)) {}
    ~TScopeGuard() { cleanup_(); }
    TScopeGuard(const TScopeGuard&) = delete;
    TScopeGuard& operator=(const TScopeGuard&) = delete;

private:
    TCleanup cleanup_;
};
