#include "core/TickCount.h"

#include <chrono>

namespace brevant {

std::uint32_t GetTickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

}  // namespace brevant
