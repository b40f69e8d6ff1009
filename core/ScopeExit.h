#pragma once
// Cleanup that runs when a scope ends, however it ends: a flag put back, an entry
// popped. It runs from a destructor, also while an exception unwinds, so it must not
// throw; cleanup that can fail is written out with try and catch instead.

#include <utility>

namespace brevant {

template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F cleanup) : cleanup_(std::move(cleanup)) {}
    ~ScopeExit() { cleanup_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F cleanup_;
};

}  // namespace brevant
