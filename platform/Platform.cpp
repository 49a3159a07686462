#include "platform/Platform.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace qv {

namespace {
std::atomic<IPlatform*> g_activePlatform{nullptr};
}

IPlatform& Platform() {
    IPlatform* platform = g_activePlatform.load(std::memory_order_acquire);
    if (platform == nullptr) {
        std::fputs("quorvane: no platform installed\n", stderr);
        std::abort();
    }
    return *platform;
}

void SetPlatform(IPlatform* platform) { g_activePlatform.store(platform, std::memory_order_release); }

}  // namespace qv
