#pragma once
#include <cstdint>

namespace brevant {

/// Milliseconds of a monotonic clock, truncated to unsigned 32 bits: it wraps after
/// about 49.7 days like the system tick count it stands for.
std::uint32_t GetTickCount();

/// Whole seconds between two tick readings, right across a wrap of the counter:
/// (t1 - t0) in unsigned 32-bit arithmetic, divided by 1000 and truncated.
constexpr std::uint32_t ElapsedSeconds(std::uint32_t t0, std::uint32_t t1) {
    return static_cast<std::uint32_t>(t1 - t0) / 1000u;
}

}  // namespace brevant
