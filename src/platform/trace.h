#pragma once
// Diagnostic lines for developers: written to standard error when CORVEX_TRACE is set,
// otherwise dropped. Never pass a community or a pass phrase.
#include <cstdio>

namespace platform {

bool TraceEnabled();
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
