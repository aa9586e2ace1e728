// The RADIUS key is a secret: with tracing on, no trace line and no message carries it, whether
// the Apply is refused, written or failed by the switch, and the read-back key sits in masked boxes.
#include <cstdlib>

#include "features/security/dot1x_dlgs.h"
#include "platform/trace.h"
#include "security/security_sim.h"

// Tracing is decided once, before the first trace line: switch it on for this program.
static const bool kTraceOn = (setenv("CORVEX_TRACE", "1", 1), true);

namespace securitytest {
namespace {

const char* kSecret = "Zq7-radius-shared";

TEST_F(SecuritySimTest, RadiusKeyNeverReachesTracesOrMessages) {
    ASSERT_TRUE(kTraceOn && platform::TraceEnabled());
    for (bool switchRefuses : {false, true}) {
        SCOPED_TRACE(switchRefuses ? "switch refuses the key" : "switch takes the key");
        std::vector<std::string> extra;
        if (switchRefuses) extra = {"--set-error", kRadiusKey + ":wrongValue"};
        ASSERT_NO_FATAL_FAILURE(Start("10p", {}, extra));
        testing::internal::CaptureStderr();
        {
            security::C8021xGlobalDlg dlg;
            DialogDriver d(env, dlg);
            ASSERT_TRUE(d.waitEnabled("&Refresh"));
            d.tick("Enable 802.1X");
            d.type("Radius Server IP:", "10.0.0.1");
            d.type("Key:", kSecret);
            d.type("Confirm Key:", std::string(kSecret) + "x");
            d.click("&Apply");  // refused: the confirmation differs
            d.type("Confirm Key:", kSecret);
            d.type("MaxReq(1-10)", "11");
            d.click("&Apply");  // refused: MaxReq
            d.type("MaxReq(1-10)", "3");
            d.click("&Apply");
            ASSERT_TRUE(d.waitEnabled("&Refresh"));
            EXPECT_TRUE(d.as<platform::EditBox>("Key:").password());
            EXPECT_TRUE(d.as<platform::EditBox>("Confirm Key:").password());
            // Taken, the key leaves the boxes; refused, it stays there for a retry.
            EXPECT_EQ(d.text("Key:"), switchRefuses ? kSecret : "");
        }
        const std::string trace = testing::internal::GetCapturedStderr();
        EXPECT_NE(trace.find("DestroyWindow"), std::string::npos);  // tracing really was on
        EXPECT_EQ(trace.find(kSecret), std::string::npos) << trace;
        const Strings messages = env.takeMessages();
        EXPECT_EQ(messages.size(), switchRefuses ? 3u : 2u);  // and the refusal's own message
        for (const auto& m : messages) EXPECT_EQ(m.find(kSecret), std::string::npos) << m;
        // The key did travel to the switch (the check above is not vacuous).
        bool sent = false;
        for (const auto& b : sim.setBindings()) sent = sent || b == kRadiusKey + "=" + Hex(kSecret);
        EXPECT_TRUE(sent);
        sim.stop();
    }
}

}  // namespace
}  // namespace securitytest
