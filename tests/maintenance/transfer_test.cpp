// The transfer dialog against the virtual switch, on a clock the test moves forward: the
// switch's own phases run in real time (1 s not started, then --transfer-ms in progress), the
// dialog's timers in test time.
#include <chrono>
#include <set>

#include "features/maintenance/firmware_dlg.h"
#include "maint_sim.h"

namespace mainttest {
namespace {

using namespace std::chrono_literals;

const std::string kFwServer = kPriv + ".3.1.0", kFwFile = kPriv + ".3.2.0", kFwOp = kPriv + ".3.3.0",
                  kFwStatus = kPriv + ".3.4.0";
const std::string kCfgServer = kPriv + ".3.5.0", kCfgFile = kPriv + ".3.6.0", kCfgOp = kPriv + ".3.7.0",
                  kCfgStatus = kPriv + ".3.8.0";
const char* kUpgradeWarning =
    "The connection will be disconnected.\nPlease do not apply other changes when uploading.\n"
    "Reconnect to the device later when uploading completes.";
const char* kConfigLimit =
    "Time out! Please check TFTP Server IP and network.\n You may close the current device Orbisa Module and "
    "implement 'Device Discovery'to restart it";

const std::vector<int> kFormControls = {
    CFirmwareUpgradeDlg::IDC_TFTP_IP,   CFirmwareUpgradeDlg::IDC_FILE_NAME, CFirmwareUpgradeDlg::IDC_OPERATION,
    CFirmwareUpgradeDlg::IDC_FILE_TYPE, CFirmwareUpgradeDlg::IDC_APPLY,     CFirmwareUpgradeDlg::IDC_CLOSE};

// Timings for a switch that does not answer: short step time-outs (real time), the rest as shipped.
TransferTimings Quick() {
    TransferTimings t;
    t.fileStepTimeout = 100;
    t.pollTimeout = 100;
    return t;
}

// The operation step gives up well before the first status poll is due.
TransferTimings QuickOperation() {
    TransferTimings t;
    t.operationStepTimeout = 300;
    return t;
}

class Transfer : public MaintSimTest {
protected:
    // Moves the clock forward in steps of `step` whenever no request is waiting for the switch
    // (answers and step time-outs take real time), at most one step per `pace` of real time (the
    // switch's own phases run in real time), until the form has given the controls back.
    // False when that takes too many steps.
    bool RunTransfer(CFirmwareUpgradeDlg& dlg, std::chrono::milliseconds step, int maxSteps = 2000,
                     std::chrono::milliseconds pace = 20ms) {
        for (int i = 0; i < maxSteps; ++i) {
            if (env.waitUntil([&] { return !dlg.Transferring(); }, pace)) return true;
            if (!dlg.StepOutstanding()) env.advance(step);
        }
        return !dlg.Transferring();
    }
    static void Fill(DialogDriver& d, const char* ip, const std::string& file, const char* fileType,
                     const char* operation) {
        d.type("TFTP Server IP:", ip);
        d.type("File Name:", file);
        d.choose("FileType:", fileType);
        d.choose("Operation Type:", operation);
    }
};

// Each way a transfer ends: the message, the bar, the traffic, and the form coming back.
TEST_F(Transfer, EveryEndComesBackThroughTheFinishStep) {
    struct Case {
        const char* name;
        Strings simArgs;
        const char* fileType;
        const char* operation;
        TransferTimings timings;
        std::chrono::milliseconds step;
        Strings messages;  // after the upgrade question, when there is one
        int polls;         // status polls expected (-1: at least one)
        bool success;
        bool opSent = true;  // the operation step went out
    };
    const Case cases[] = {
        {"configuration backup succeeds", {"--transfer-ms", "300"}, "Configuration", "Backup", {}, 500ms,
         {"Success !"}, -1, true},
        {"firmware upgrade of the failing file", {"--transfer-ms", "300", "--fail-file", "fw.bin"}, "Firmware",
         "Upgrade", {}, 500ms, {"Firmware Upgrade Fail !"}, -1, false},
        {"configuration restore fails", {"--transfer-ms", "300", "--fail-file", "fw.bin"}, "Configuration",
         "Upgrade", {}, 500ms, {"Config Restore Fail !"}, -1, false},
        {"firmware status never answers: fourth time-out in a row", {"--transfer-silent"}, "Firmware", "Backup",
         Quick(), 1000ms, {"Get Firmware BackUp/Upgrade status Time Out !"}, 4, false},
        {"configuration status never answers: the limit from the first poll", {"--transfer-silent"},
         "Configuration", "Backup", Quick(), 2000ms, {kConfigLimit}, -1, false},
        // A step the switch refuses or does not answer: the message says which, no status is
        // polled, and the form comes back.
        {"the switch refuses the operation", {"--set-error", kPriv + ".3.7:genErr"}, "Configuration", "Backup", {},
         500ms, {"The configuration backup could not be started: the switch refused the value (genErr)."}, 0, false},
        {"the switch refuses the upgrade", {"--set-error", kPriv + ".3.3:badValue"}, "Firmware", "Upgrade", {},
         500ms, {"The firmware upgrade could not be started: the switch refused the value (badValue)."}, 0, false},
        {"the switch refuses the file name", {"--set-error", kPriv + ".3.6:genErr"}, "Configuration", "Upgrade", {},
         500ms,
         {"The TFTP server address and file name could not be set: the switch refused the value (genErr). The "
          "configuration "
          "upgrade was not started."},
         0, false, false},
        {"the server address and file name are never answered", {"--drop-prefix", kPriv + ".3.2"}, "Firmware",
         "Backup", Quick(), 500ms, {"Setting file name TimeOut !"}, 0, false, false},
        {"the operation is never answered", {"--drop-prefix", kPriv + ".3.7"}, "Configuration", "Backup", QuickOperation(), 500ms,
         {"Setting operation TimeOut !"}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Start({}, c.simArgs));
        const bool firmware = std::string(c.fileType) == "Firmware";
        const bool upgrade = std::string(c.operation) == "Upgrade";
        CFirmwareUpgradeDlg dlg(c.timings);
        DialogDriver d(env, dlg);
        EXPECT_FALSE(d.visible(CFirmwareUpgradeDlg::IDC_PROGRESS));
        Fill(d, "10.0.0.5", "fw.bin", c.fileType, c.operation);
        env.answer(MsgAnswer::Ok);
        const auto before = env.ui().advanced();
        d.click("&Apply");
        EXPECT_TRUE(d.visible(CFirmwareUpgradeDlg::IDC_PROGRESS));
        for (const auto& ref : kFormControls) EXPECT_FALSE(d.enabled(ref)) << ref;
        d.closeWindow();  // Esc or the close box while the transfer runs: nothing happens
        EXPECT_FALSE(d.ended());
        ASSERT_TRUE(RunTransfer(dlg, c.step));
        // Each of these ends well within the overall limit, long before the bound of the transfer.
        EXPECT_LT(env.ui().advanced() - before, std::chrono::minutes(5));

        Strings expected = c.messages;
        if (upgrade) expected.insert(expected.begin(), kUpgradeWarning);
        EXPECT_EQ(env.takeMessages(), expected);
        for (const auto& ref : kFormControls) EXPECT_TRUE(d.enabled(ref)) << ref;
        const int bar = d.as<platform::ProgressBar>(CFirmwareUpgradeDlg::IDC_PROGRESS).position();
        if (c.success) EXPECT_EQ(bar, 99);
        else EXPECT_LT(bar, 99);

        const std::string& server = firmware ? kFwServer : kCfgServer;
        const std::string& file = firmware ? kFwFile : kCfgFile;
        const std::string& op = firmware ? kFwOp : kCfgOp;
        std::vector<Strings> sets = {{server + "=10.0.0.5", file + "=" + Hex("fw.bin")}};
        if (c.opSent) sets.push_back({op + "=" + (upgrade ? "1" : "2")});
        EXPECT_EQ(sim.setBindingLists(), sets);
        // A poll the switch does not answer is sent again with the same request ID: count polls,
        // not datagrams.
        std::set<long> pollIds;
        for (const auto& r : sim.requests())
            if (r.pdu == "get" && !r.bindings.empty() && r.bindings[0].oid == (firmware ? kFwStatus : kCfgStatus))
                pollIds.insert(r.requestId);
        const int polls = static_cast<int>(pollIds.size());
        if (c.polls >= 0) EXPECT_EQ(polls, c.polls);
        else EXPECT_GE(polls, 1);
        sim.stop();
    }
}

// A firmware transfer the switch reports "in progress" for ever: every "3" starts the overall
// limit anew, so only the bound of the whole transfer (20 minutes from Apply) ends it.
TEST_F(Transfer, InProgressForEverEndsByTheBoundOfTheTransfer) {
    ASSERT_NO_FATAL_FAILURE(Start({}, {"--transfer-ms", "600000"}));
    CFirmwareUpgradeDlg dlg;
    DialogDriver d(env, dlg);
    Fill(d, "192.168.1.20", "image.had", "Firmware", "Backup");
    const auto before = env.ui().advanced();
    d.click("&Apply");
    // The switch reports "not started" for its first second of real time.
    env.runFor(1500ms);
    ASSERT_TRUE(RunTransfer(dlg, 5000ms, 1500, 2ms));
    EXPECT_EQ(env.takeMessages(), Strings{"Time out! Please check TFTP Server IP and network."});
    // The bound runs from Apply on the form's clock: the test's advances plus the real seconds.
    EXPECT_GT(env.ui().advanced() - before, std::chrono::milliseconds(19 * 60 * 1000));
    // Far more polls than fit into one overall limit: the limit did not end it.
    EXPECT_GT(sim.countRequests("get", kFwStatus), 200000 / 5000);
    EXPECT_TRUE(d.enabled("&Apply"));
    EXPECT_TRUE(d.enabled("&Close"));
}

// What is refused before anything is sent: bad server addresses, an empty file name, an upgrade
// the user does not confirm. Over-long file names are cut to 64 octets.
TEST_F(Transfer, RefusedInputSendsNothing) {
    ASSERT_NO_FATAL_FAILURE(Start());
    struct Case {
        const char* ip;
        const char* file;
        const char* operation;
        Strings messages;
    };
    const Case cases[] = {
        {"10.0..5", "a.cfg", "Backup", {"Invalid TFTP server IP."}},
        {"0.0.0.0", "a.cfg", "Backup", {"Invalid TFTP server IP."}},
        {"0.1.2.3", "a.cfg", "Backup", {"Invalid TFTP server IP."}},
        {"255.1.2.3", "a.cfg", "Backup", {"Invalid TFTP server IP."}},
        {"10.0.0.255", "a.cfg", "Backup", {"Invalid TFTP server IP."}},
        {"10.0.0.0", "a.cfg", "Backup", {"Invalid TFTP server IP."}},
        {"10.0.0.5", "", "Backup", {"Invalid file."}},
        {"10.0.0.5", "a.cfg", "Upgrade", {kUpgradeWarning}},  // answered with the default: Cancel
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + " " + c.file + " " + c.operation);
        CFirmwareUpgradeDlg dlg;
        DialogDriver d(env, dlg);
        d.type("TFTP Server IP:", c.ip);
        d.type("File Name:", c.file);
        d.choose("Operation Type:", c.operation);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), c.messages);
        EXPECT_FALSE(dlg.Transferring());
        EXPECT_TRUE(d.enabled("&Apply"));
    }
    EXPECT_TRUE(sim.sets().empty());

    CFirmwareUpgradeDlg dlg;
    DialogDriver d(env, dlg);
    d.type("File Name:", std::string(70, 'f'));
    EXPECT_EQ(d.text("File Name:"), std::string(64, 'f'));
    EXPECT_EQ(env.takeMessages(), Strings{"The maximum length of file name is 64!"});
    // The switch counts octets: 64 of them fit whatever the characters, and a cut never splits one.
    auto repeat = [](const std::string& piece, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += piece;
        return out;
    };
    const std::string e = "\xc3\xa9";  // é, two octets
    d.type("File Name:", repeat(e, 32));
    EXPECT_EQ(d.text("File Name:"), repeat(e, 32));
    EXPECT_TRUE(env.takeMessages().empty());
    d.type("File Name:", repeat(e, 40));
    EXPECT_EQ(d.text("File Name:"), repeat(e, 32));
    EXPECT_EQ(env.takeMessages(), Strings{"The maximum length of file name is 64!"});
    d.type("File Name:", "a" + repeat(e, 32));
    EXPECT_EQ(d.text("File Name:"), "a" + repeat(e, 31));
    EXPECT_EQ(env.takeMessages(), Strings{"The maximum length of file name is 64!"});
    // The upgrade question has Cancel as its default button.
    d.type("TFTP Server IP:", "10.0.0.5");
    d.click("&Apply");
    ASSERT_EQ(env.messages().size(), 1u);
    EXPECT_EQ(env.messages()[0].buttons, platform::MsgButtons::OkCancel);
    EXPECT_EQ(env.messages()[0].defaultButton, 1);
    EXPECT_TRUE(sim.sets().empty());
}

}  // namespace
}  // namespace mainttest
