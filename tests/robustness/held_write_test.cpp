// A write under way holds its form: no way out (Esc, the close box, Cancel, Close, OK, the
// form's own end) lets go before the last step has reached a switch that answers late; the
// outcome is then told, and a change the switch took or may have taken marks the title.
#include <gtest/gtest.h>

#include "app/unsaved_changes.h"
#include "features/common/form_write.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

using namespace platform;
using namespace std::chrono_literals;

namespace {

const std::string kSysName = "1.3.6.1.2.1.1.5.0";
const std::string kSysLocation = "1.3.6.1.2.1.1.6.0";
constexpr int kIdClose = 90;

// Two sets with a pause between them on a timer, the second one's outcome told as the dialogs
// tell theirs.
class TwoStepForm : public Form {
protected:
    void createControls() override {
        addButton(10, "&Apply", [this] { Apply(); });
        addButton(kIdOk, "OK");
        addButton(kIdCancel, "Cancel");
        addButton(kIdClose, "&Close", [this] { end(kIdCancel); });
    }
    void destroyWindow() override {
        m_write.Abandon();
        m_session.Close();
    }

private:
    void Apply() {
        beginWrite();
        m_write.SendSteps({{features::SetValue::Text(kSysName, SNMP_T_OCTETS, "held")}}, [this](int failed) {
            if (failed >= 0) return Told("The name could not be changed.");
            setTimer(1, 50, [this] {
                m_write.Send("The location", {features::SetValue::Text(kSysLocation, SNMP_T_OCTETS, "rack 9")},
                             [this](bool ok) { Told(ok ? "Written." : ""); });
            });
        });
    }
    void Told(const std::string& text) {
        if (!text.empty()) ShowMessage(text);
        endWrite();
    }

    CCommonSnmp m_session;
    features::CFormWrite m_write{*this, m_session};
};

}  // namespace

TEST(HeldWrite, NoWayOutLetsGoBeforeTheWriteEndsAndItsOutcomeIsTold) {
    struct Case {
        std::string way;
        std::vector<std::string> simArgs;
        std::function<void(dialogtest::DialogDriver&, Form&)> leave;
        std::vector<std::string> written;  // every set binding that reached the switch
        std::string told;                  // the message after the write
        bool endsAfterWrite = false;       // the way out takes effect once the write is over
        int taken = 2;                     // sets the switch took: the title's marks
    };
    // The log shows octet strings in hexadecimal: "held" and "rack 9".
    const std::string name = kSysName + "=68656c64", location = kSysLocation + "=7261636b2039";
    const std::vector<Case> cases = {
        {"Esc or the close box", {}, [](auto& d, Form&) { d.closeWindow(); }, {name, location}, "Written."},
        {"Cancel", {}, [](auto&, Form& f) { f.get<PushButton>(kIdCancel).userClick(); }, {name, location}, "Written."},
        {"Close", {}, [](auto&, Form& f) { f.get<PushButton>(kIdClose).userClick(); }, {name, location}, "Written."},
        {"OK", {}, [](auto&, Form& f) { f.get<PushButton>(kIdOk).userClick(); }, {name, location}, "Written."},
        {"the form's own end", {}, [](auto&, Form& f) { f.end(kIdOk); }, {name, location}, "Written.", true},
        {"Esc, and the second step refused", {"--set-error", kSysLocation + ":genErr"},
         [](auto& d, Form&) { d.closeWindow(); }, {name, location},
         "The location could not be changed: the switch refused the value (genErr).", false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.way);
        corvex::test::SimDevice sim;
        std::string error;
        std::vector<std::string> args = {"--delay-ms", "300"};
        args.insert(args.end(), c.simArgs.begin(), c.simArgs.end());
        ASSERT_TRUE(sim.startAsDevice("10p", {}, args, &error)) << error;
        int marks = 0;
        app::SetWriteTakenHandler([&] { ++marks; });
        dialogtest::DialogEnvironment env;
        TwoStepForm form;
        {
            dialogtest::DialogDriver d(env, form);
            sim.clearLog();
            d.click("&Apply");
            EXPECT_EQ(form.readStatusText(), "");
            EXPECT_EQ(form.get<Label>(Form::kIdReadStatus).text(), Form::kWritingText);
            for (int id : {10, kIdOk, kIdCancel, kIdClose}) EXPECT_FALSE(d.enabled(id)) << id;
            c.leave(d, form);
            EXPECT_FALSE(form.ended());
            ASSERT_TRUE(env.waitUntil([&] { return !form.writing(); }, 10s));
            EXPECT_EQ(sim.setBindings(), c.written);
            EXPECT_EQ(env.takeMessages(), std::vector<std::string>{c.told});
            EXPECT_EQ(form.ended(), c.endsAfterWrite);
            EXPECT_EQ(form.get<Label>(Form::kIdReadStatus).text(), "");
            EXPECT_EQ(marks, c.taken);
            if (!c.endsAfterWrite) {
                EXPECT_TRUE(d.enabled(kIdOk));
            }
        }
        app::SetWriteTakenHandler(nullptr);
    }
}

// A set that got no answer may have been taken: it marks the title as a taken one does.
TEST(HeldWrite, AnUnansweredSetMarksTheTitle) {
    corvex::test::SimDevice sim;
    std::string error;
    ASSERT_TRUE(sim.startAsDevice("10p", {}, {"--drop-prefix", kSysLocation}, &error)) << error;
    int marks = 0;
    app::SetWriteTakenHandler([&] { ++marks; });
    dialogtest::DialogEnvironment env;
    TwoStepForm form;
    {
        dialogtest::DialogDriver d(env, form);
        d.click("&Apply");
        ASSERT_TRUE(env.waitUntil([&] { return !form.writing(); }, 15s));
        const std::vector<std::string> told = env.takeMessages();
        ASSERT_EQ(told.size(), 1u);
        EXPECT_NE(told[0].find("may or may not have taken the change"), std::string::npos) << told[0];
        EXPECT_EQ(marks, 2);
    }
    app::SetWriteTakenHandler(nullptr);
}
