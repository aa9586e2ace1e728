// Compiled into every test program: points the tests at this build and source tree unless the
// environment already says otherwise (CORVEX_BUILD_DIR, CORVEX_SOURCE_DIR).
#include <cstdlib>

namespace {
struct TestEnvironmentDefaults {
    TestEnvironmentDefaults() {
        setenv("CORVEX_BUILD_DIR", CORVEX_TEST_BUILD_DIR, 0);
        setenv("CORVEX_SOURCE_DIR", CORVEX_TEST_SOURCE_DIR, 0);
    }
} g_testEnvironmentDefaults;
}  // namespace

// Fontconfig (under Qt) keeps a few allocations of its own for the life of the process; under the
// leak checker they are not ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
