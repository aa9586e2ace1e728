#include "platform/trace.h"

#include <cstdarg>
#include <cstdlib>
#include <mutex>

namespace platform {

bool TraceEnabled() {
    static const bool enabled = std::getenv("CORVEX_TRACE") != nullptr;
    return enabled;
}

void Trace(const char* format, ...) {
    if (!TraceEnabled()) return;
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

}  // namespace platform
