// The form's read state: controls that write what was read stay disabled until every read they
// need has ended complete, and a failed read shows the status line.
#include <gtest/gtest.h>

#include "platform/form.h"
#include "support/dialog_driver.h"

using namespace platform;

namespace {

class ReadForm : public Form {
public:
    bool withRefresh = true;

protected:
    void createControls() override {
        addCheck(10, "Enabled");
        addButton(20, "&Apply", [this] { ++applied; }).needsRead();
        addButton(21, "&Add", [] {}).needsRead({"hosts"});
        if (withRefresh) addButton(22, "&Refresh", [] {});
        addButton(kIdCancel, "&Close");
    }

public:
    int applied = 0;
};

TEST(FormReads, WritesWaitForEveryReadAndAFailureShowsTheStatusLine) {
    dialogtest::DialogEnvironment env;
    ReadForm f;
    dialogtest::DialogDriver d(env, f);
    const Control& status = *f.find(Form::kIdReadStatus);
    ASSERT_EQ(status.kind(), ControlKind::Label);

    // Before any read: a control that names its read waits for it.
    EXPECT_TRUE(d.enabled("&Apply"));
    EXPECT_FALSE(d.enabled("&Add"));  // its read never began

    struct Step {
        const char* what;
        std::function<void()> act;
        bool apply, add, statusShown;
        const char* statusText;
    };
    const std::vector<Step> steps = {
        {"state read begins", [&] { f.beginRead("state"); }, false, false, false, ""},
        {"hosts read begins", [&] { f.beginRead("hosts"); }, false, false, false, ""},
        {"state ends complete", [&] { f.readComplete("state"); }, false, false, false, ""},
        {"hosts fail", [&] { f.readFailed("hosts", "no answer"); }, false, false, true,
         "Not all settings could be read from the switch (no answer). Press Refresh."},
        {"the program enables Apply: the read still holds it", [&] { f.get<PushButton>(20).setEnabled(true); }, false,
         false, true, "Not all settings could be read from the switch (no answer). Press Refresh."},
        {"hosts read again", [&] { f.beginRead("hosts"); }, false, false, false, ""},
        {"hosts complete", [&] { f.readComplete("hosts"); }, true, true, false, ""},
        {"the program disables Apply", [&] { f.get<PushButton>(20).setEnabled(false); }, false, true, false, ""},
    };
    for (const Step& s : steps) {
        s.act();
        SCOPED_TRACE(s.what);
        EXPECT_EQ(d.enabled("&Apply"), s.apply);
        EXPECT_EQ(d.enabled("&Add"), s.add);
        EXPECT_EQ(status.visible(), s.statusShown);
        EXPECT_EQ(status.text(), s.statusText);
    }
    EXPECT_TRUE(d.enabled("&Refresh"));
}

TEST(FormReads, HeldControlsTakeNoInputAndTheLineSaysHowToReadAgain) {
    dialogtest::DialogEnvironment env;
    ReadForm f;
    f.withRefresh = false;
    dialogtest::DialogDriver d(env, f);
    f.beginRead("state");
    f.readFailed("state", "authentication failed");
    EXPECT_THROW(d.click("&Apply"), std::logic_error);
    f.get<PushButton>(20).userClick();  // a stray widget signal is ignored too
    EXPECT_EQ(f.applied, 0);
    EXPECT_EQ(f.readStatusText(),
              "Not all settings could be read from the switch (authentication failed). Close the dialog and open it again.");
    EXPECT_EQ(f.readState("state"), Form::ReadState::Failed);
    EXPECT_EQ(f.readState("never"), std::nullopt);
    f.readComplete("state");
    d.click("&Apply");
    EXPECT_EQ(f.applied, 1);
}

}  // namespace

// A write that continues on timers holds its buttons whatever the form's own enabling says,
// and gives them back the state the form asked for meanwhile; a held button takes no click.
TEST(FormWrites, HeldButtonsTakeNoInputUntilTheWriteEnds) {
    dialogtest::DialogEnvironment env;
    ReadForm f;
    dialogtest::DialogDriver d(env, f);
    f.beginWrite({20, 22});
    EXPECT_TRUE(f.writing());
    f.enable({20, 22}, true);  // a read that ends meanwhile enables its buttons again
    EXPECT_FALSE(d.enabled("&Apply"));
    EXPECT_FALSE(d.enabled("&Refresh"));
    EXPECT_FALSE(d.enabled("&Close"));  // no way out while the write is under way
    EXPECT_TRUE(d.enabled("Enabled"));
    EXPECT_THROW(d.click("&Apply"), std::exception);
    EXPECT_EQ(f.applied, 0);
    f.enable({22}, false);
    f.endWrite();
    EXPECT_FALSE(f.writing());
    EXPECT_TRUE(d.enabled("&Apply"));
    EXPECT_FALSE(d.enabled("&Refresh"));  // as the form last asked
    d.click("&Apply");
    EXPECT_EQ(f.applied, 1);
    f.endWrite();  // a second end changes nothing
    EXPECT_TRUE(d.enabled("&Apply"));
}
