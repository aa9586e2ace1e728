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
