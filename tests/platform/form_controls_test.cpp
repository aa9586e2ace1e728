// The form model's controls: user input rules, lookups, lists and per-port grids.
#include <gtest/gtest.h>

#include "platform/form.h"
#include "support/dialog_driver.h"

using namespace platform;

namespace {

// A form built from a function, for tests that need a handful of controls.
class TestForm : public Form {
public:
    explicit TestForm(std::function<void(TestForm&)> build) : build_(std::move(build)) {}
    std::vector<std::string> events;

protected:
    void createControls() override { build_(*this); }

private:
    std::function<void(TestForm&)> build_;
};

TEST(FormControls, EditBoxInputFollowsLimitsAndOnlyUserInputRunsTheHandler) {
    dialogtest::DialogEnvironment env;
    TestForm f([](TestForm& t) {
        t.addLabel(0, "VID:");
        t.addEdit(10).setMaxLength(4).setDigitsOnly().onChange([&t] { t.events.push_back("vid"); });
        t.addLabel(0, "VLAN Name:");
        t.addEdit(11).setMaxLength(3).onChange([&t] { t.events.push_back("name"); });
        t.addEdit(12, "fixed").setReadOnly();
    });
    dialogtest::DialogDriver d(env, f);

    d.type("VID:", "12a345");
    EXPECT_EQ(d.text(10), "1234");
    d.type("VLAN Name:", "\xC3\xA4\xC3\xB6xyz");  // two 2-byte characters, then ASCII
    EXPECT_EQ(d.text(11), "\xC3\xA4\xC3\xB6x");
    f.get<EditBox>(10).setText("99");  // program change: no handler
    EXPECT_EQ(f.events, (std::vector<std::string>{"vid", "name"}));
    d.type(10, "99");  // same text again: nothing changed, no handler
    EXPECT_EQ(f.events.size(), 2u);

    EXPECT_THROW(d.type(12, "x"), std::logic_error);
    f.get<EditBox>(10).setEnabled(false);
    EXPECT_THROW(d.type("VID:", "1"), std::logic_error);
    f.get<EditBox>(10).userSetText("5");  // a stray widget signal on a disabled box is ignored
    EXPECT_EQ(d.text(10), "99");
}

TEST(FormControls, LookupByIdNameCaptionAndMnemonicFreeCaption) {
    dialogtest::DialogEnvironment env;
    TestForm f([](TestForm& t) {
        auto& g = t.addGroup(5, "Filter");
        g.addLabel(0, "Destination Port");
        g.addEdit(1213).setName("port");
        t.addButton(3, "&Refresh");
        t.addButton(4, "Port Setting");
    });
    dialogtest::DialogDriver d(env, f);
    EXPECT_EQ(f.find("&Refresh"), f.find(3));
    EXPECT_EQ(f.find("Refresh"), f.find(3));
    EXPECT_EQ(f.find("port"), f.find(1213));
    EXPECT_EQ(f.next(*f.find("Destination Port")), f.find(1213));
    EXPECT_EQ(f.find(1213)->group(), f.find(5));
    EXPECT_EQ(f.find("nothing"), nullptr);
    EXPECT_THROW(f.get<PushButton>(1213), std::logic_error);
    EXPECT_THROW(d.click("Missing"), std::logic_error);

    // A disabled group makes its children unreachable.
    f.get<GroupBox>(5).setEnabled(false);
    EXPECT_FALSE(d.enabled(1213));
    EXPECT_THROW(d.type("Destination Port", "5"), std::logic_error);
}

TEST(FormControls, ChecksRadiosAndDropDowns) {
    dialogtest::DialogEnvironment env;
    TestForm f([](TestForm& t) {
        t.addCheck(1, "Enable RSTP").onToggle([&t] { t.events.push_back("check"); });
        t.addRadio(2, "Upgrade", 1).onSelect([&t] { t.events.push_back("upgrade"); });
        t.addRadio(3, "Backup", 1);
        t.addRadio(4, "Other group", 2);
        t.addCombo(5, {"RSTP", "STP Compatible"}).onChange([&t] { t.events.push_back("combo"); });
        t.addCombo(6, {"0", "4096", "8192"}, true);
    });
    dialogtest::DialogDriver d(env, f);

    d.tick(1);
    EXPECT_TRUE(d.checked(1));
    d.tick(1, false);
    EXPECT_FALSE(d.checked(1));

    f.get<RadioButton>(4).setChecked(true);
    d.tick("Upgrade");
    d.tick("Backup");
    EXPECT_FALSE(d.checked(2));
    EXPECT_TRUE(d.checked(3));
    EXPECT_TRUE(d.checked(4));  // another group is untouched
    EXPECT_THROW(d.tick(3, false), std::logic_error);

    auto& version = f.get<ComboBox>(5);
    EXPECT_EQ(version.current(), -1);
    d.choose(5, "STP Compatible");
    EXPECT_EQ(version.current(), 1);
    EXPECT_EQ(version.text(), "STP Compatible");
    EXPECT_THROW(d.choose(5, "MSTP"), std::logic_error);
    version.setItems({"A"});
    EXPECT_EQ(version.current(), -1);
    EXPECT_EQ(version.text(), "");

    auto& priority = f.get<ComboBox>(6);
    d.type(6, "4096");
    EXPECT_EQ(priority.current(), 1);
    d.type(6, "100");
    EXPECT_EQ(priority.text(), "100");
    EXPECT_EQ(priority.current(), -1);
    EXPECT_EQ(f.events, (std::vector<std::string>{"check", "check", "upgrade", "combo"}));
}

TEST(FormControls, IpAddressFieldKnowsBlankFields) {
    dialogtest::DialogEnvironment env;
    TestForm f([](TestForm& t) { t.addIpAddress(1); });
    dialogtest::DialogDriver d(env, f);
    auto& ip = f.get<IpAddressField>(1);
    EXPECT_TRUE(ip.blank());
    EXPECT_EQ(ip.text(), "");

    d.typeOctet(1, 0, "192");
    d.typeOctet(1, 1, "168");
    d.typeOctet(1, 3, "7");
    EXPECT_EQ(ip.filledCount(), 3);
    EXPECT_FALSE(ip.complete());
    EXPECT_EQ(ip.address(), "192.168.0.7");  // a blank field reads as 0
    EXPECT_EQ(ip.text(), "192.168..7");
    d.typeOctet(1, 2, "999");
    EXPECT_EQ(*ip.octet(2), 255);
    EXPECT_TRUE(ip.complete());
    d.typeOctet(1, 0, "");
    EXPECT_FALSE(ip.octet(0).has_value());

    ip.setAddress("10.1.2.3");
    EXPECT_EQ(ip.address(), "10.1.2.3");
    ip.setAddress("10..300.x");
    EXPECT_EQ(ip.filledCount(), 1);
    ip.setAddress("");
    EXPECT_TRUE(ip.blank());
}

TEST(FormControls, ReportListKeepsArrivalOrderAndSelection) {
    dialogtest::DialogEnvironment env;
    std::vector<std::string> clicks;
    TestForm f([&](TestForm& t) {
        t.addList(1, "Entries", {{"Port", 50}, {"Status", 80}})
            .onRowClick([&](int r) { clicks.push_back("click " + std::to_string(r)); })
            .onSelectionChange([&](int r) { clicks.push_back("sel " + std::to_string(r)); })
            .onRowDoubleClick([&](int r) { clicks.push_back("double " + std::to_string(r)); });
    });
    dialogtest::DialogDriver d(env, f);
    auto& list = f.get<ReportList>(1);
    for (const char* port : {"3", "1", "2"}) list.appendRow({port, std::string("s") + port});
    EXPECT_EQ(d.rows(1), (std::vector<std::vector<std::string>>{{"3", "s3"}, {"1", "s1"}, {"2", "s2"}}));
    EXPECT_EQ(list.findRow(0, "2"), 2);

    d.clickRow(1, 1);
    d.clickRow(1, 1);
    d.doubleClickRow(1, 2);
    d.clickRow(1, -1);
    EXPECT_EQ(clicks, (std::vector<std::string>{"sel 1", "click 1", "click 1", "sel 2", "double 2", "sel -1",
                                                "click -1"}));

    list.setSelectedRow(2);
    list.removeRow(0);
    EXPECT_EQ(list.selectedRow(), 1);  // the same row, one place up
    list.removeRow(1);
    EXPECT_EQ(list.selectedRow(), -1);
    list.setCell(0, 3, "extra");  // beyond the columns: kept, not copied
    EXPECT_EQ(list.cell(0, 3), "extra");
    EXPECT_EQ(list.cell(0, 2), "");
    // Copy: the headings, then the rows; a tab or line break in a cell keeps its row and column.
    EXPECT_EQ(list.rowsAsText({0}), "Port\tStatus\n1\ts1\n");
    list.appendRow({"9"});
    list.appendRow({"7", "a\tb\r\nc"});
    EXPECT_EQ(list.rowsAsText({1, 0, 2}), "Port\tStatus\n9\t\n1\ts1\n7\ta b  c\n");
    list.removeRow(2);
    list.setSelectedRow(0);
    list.clear();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.selectedRow(), -1);
}

// A row's double click or Enter stands for the list's activation button, and so does nothing
// while that button is disabled, hidden or in a disabled group.
TEST(FormControls, RowActivationClicksTheBoundButtonOnlyWhenTheUserCouldClickIt) {
    dialogtest::DialogEnvironment env;
    std::vector<std::string> events;
    TestForm f([&](TestForm& t) {
        auto& g = t.addGroup(5, "Box");
        g.addList(1, "", {{"VID", 50}}).setActivateButton(7).onRowDoubleClick([&](int r) {
            events.push_back("double " + std::to_string(r));
        });
        t.addLabel(7, "a label that shares the button's id");
        t.addButton(7, "&Edit", [&] { events.push_back("edit " + std::to_string(t.get<ReportList>(1).selectedRow())); });
        t.addList(2, "", {{"Port", 50}});
    });
    dialogtest::DialogDriver d(env, f);
    for (const char* vid : {"1", "2"}) f.get<ReportList>(1).appendRow({vid});
    f.get<ReportList>(2).appendRow({"x"});
    auto& edit = f.get<PushButton>("&Edit");

    struct Case {
        const char* what;
        std::function<void()> setup;
        std::function<void()> act;
        std::vector<std::string> want;
    };
    const std::vector<Case> cases = {
        {"double click, enabled", [] {}, [&] { d.doubleClickRow(1, 1); }, {"double 1", "edit 1"}},
        {"Enter on the selected row", [] {}, [&] { d.clickRow(1, 0); d.pressEnter(1); }, {"edit 0"}},
        {"Enter without a selection", [] {}, [&] { d.clickRow(1, -1); d.pressEnter(1); }, {}},
        {"button disabled", [&] { edit.setEnabled(false); }, [&] { d.doubleClickRow(1, 1); d.pressEnter(1); },
         {"double 1"}},
        {"button hidden", [&] { edit.setVisible(false); }, [&] { d.doubleClickRow(1, 0); }, {"double 0"}},
        {"list's group disabled", [&] { f.get<GroupBox>(5).setEnabled(false); },
         [&] { f.get<ReportList>(1).userDoubleClickRow(0); f.get<ReportList>(1).userActivate(); }, {}},
        {"a list without a button", [] {}, [&] { d.doubleClickRow(2, 0); d.pressEnter(2); }, {}},
    };
    for (const Case& c : cases) {
        edit.setEnabled(true);
        edit.setVisible(true);
        f.get<GroupBox>(5).setEnabled(true);
        c.setup();
        events.clear();
        c.act();
        EXPECT_EQ(events, c.want) << c.what;
    }
    // Enter reaches the dialog only when the list has no activation button.
    EXPECT_TRUE(f.get<ReportList>(1).userActivate());
    EXPECT_FALSE(f.get<ReportList>(2).userActivate());
}

TEST(FormControls, PortGridRadioAndCheckCells) {
    dialogtest::DialogEnvironment env;
    std::vector<std::pair<int, int>> changes;
    TestForm f([&](TestForm& t) {
        t.addPortGrid(1, "VLAN Port Member", PortGrid::CellKind::Radio, 10, {"Tag", "Untag", "Not"}, 5)
            .onCellChange([&](int layer, int port) { changes.emplace_back(layer, port); });
        t.addPortGrid(2, "Boxes", PortGrid::CellKind::Check, 4, {"On"});
        t.addPortGrid(3, "PVID", PortGrid::CellKind::Edit, 4, {}).setCellMaxLength(4).setCellDigitsOnly();
    });
    dialogtest::DialogDriver d(env, f);
    auto& radio = f.get<PortGrid>(1);
    for (int p = 1; p <= 10; ++p) radio.setChecked(2, p, true);
    EXPECT_EQ(changes.size(), 0u);

    d.tickPort(1, 0, 3);
    EXPECT_EQ(radio.selectedLayer(3), 0);
    EXPECT_FALSE(radio.checked(2, 3));
    d.tickPort(1, 0, 3);  // already checked: nothing happens
    radio.userSetChecked(0, 3, false);  // cannot be cleared by a click
    EXPECT_TRUE(radio.checked(0, 3));
    EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{0, 3}}));

    // A handler may refuse the change by checking the previous layer again.
    radio.onCellChange([&](int layer, int port) {
        if (layer == 1 && port == 4) radio.setChecked(2, 4, true);
    });
    d.tickPort(1, 1, 4);
    EXPECT_EQ(radio.selectedLayer(4), 2);

    radio.setPortEnabled(5, false);
    EXPECT_THROW(d.tickPort(1, 0, 5), std::logic_error);
    EXPECT_THROW(radio.checked(0, 11), std::out_of_range);
    EXPECT_THROW(radio.checked(3, 1), std::out_of_range);

    auto& boxes = f.get<PortGrid>(2);
    d.tickPort(2, 0, 1);
    d.tickPort(2, 0, 2);
    d.tickPort(2, 0, 1, false);
    EXPECT_FALSE(boxes.checked(0, 1));
    EXPECT_TRUE(boxes.checked(0, 2));

    d.typePort(3, 2, "40x95");
    EXPECT_EQ(f.get<PortGrid>(3).cellText(0, 2), "4095");
}

TEST(FormControls, OkCancelAndTheCloseBox) {
    dialogtest::DialogEnvironment env;
    {
        TestForm f([](TestForm& t) {
            t.addButton(kIdOk, "OK");
            t.addButton(kIdCancel, "Cancel");
        });
        dialogtest::DialogDriver d(env, f);
        d.click("OK");
        EXPECT_TRUE(d.ended());
        EXPECT_EQ(d.result(), kIdOk);
        f.end(kIdCancel);  // the first end wins
        EXPECT_EQ(d.result(), kIdOk);
    }
    {
        int cancels = 0;
        TestForm f([&](TestForm& t) { t.addButton(kIdCancel, "&Close", [&] { ++cancels; }); });
        dialogtest::DialogDriver d(env, f);
        d.closeWindow();  // routed to the Close handler, which decides
        EXPECT_EQ(cancels, 1);
        EXPECT_FALSE(d.ended());
        f.get<PushButton>(kIdCancel).setEnabled(false);  // the form holds its Close back
        d.closeWindow();
        EXPECT_EQ(cancels, 1);
        EXPECT_FALSE(d.ended());
    }
    {
        TestForm f([](TestForm&) {});
        dialogtest::DialogDriver d(env, f);
        d.closeWindow();
        EXPECT_EQ(d.result(), kIdCancel);
    }
}

TEST(FormControls, ObserversSeeModelChanges) {
    struct Recorder : FormObserver {
        std::vector<std::string> seen;
        void controlChanged(Control& c, Change what) override {
            seen.push_back(std::to_string(c.id()) + ":" + std::to_string(static_cast<int>(what)));
        }
        void formChanged(Form& f) override { seen.push_back("form " + f.caption()); }
        void formEnded(Form&, int result) override { seen.push_back("end " + std::to_string(result)); }
    } rec;
    dialogtest::DialogEnvironment env;
    TestForm f([](TestForm& t) {
        t.addEdit(1);
        t.addButton(2, "b");
    });
    f.build();
    f.addObserver(&rec);
    f.setCaption("X");
    f.get<EditBox>(1).setText("a");
    f.get<EditBox>(1).setText("a");  // unchanged: silent
    f.get<PushButton>(2).setEnabled(false);
    f.end(7);
    f.removeObserver(&rec);
    f.setCaption("Y");
    EXPECT_EQ(rec.seen, (std::vector<std::string>{"form X", "1:0", "2:1", "end 7"}));
}

}  // namespace

// Timers follow the clock a test moves forward; posted work and timers still run in due order,
// and a timer set after an advance counts from the advanced time.
TEST(FormTimers, RunOnTheClockTheTestAdvances) {
    using namespace std::chrono_literals;
    dialogtest::DialogEnvironment env;
    TestForm f([](TestForm&) {});
    dialogtest::DialogDriver d(env, f);
    f.setTimer(1, 15000, [&] {
        f.events.push_back("poll");
        f.setTimer(1, 5000, [&] { f.events.push_back("again"); });
    });
    f.setTimer(2, 200000, [&] { f.events.push_back("limit"); });
    f.post([&] { f.events.push_back("posted"); });
    env.pump();
    EXPECT_EQ(f.events, (std::vector<std::string>{"posted"}));
    env.advance(14900ms);
    EXPECT_EQ(f.events.size(), 1u);
    EXPECT_TRUE(env.waitUntil([&] { return f.events.size() == 2; }, 2s));  // the last 100 ms in real time
    EXPECT_EQ(f.events.back(), "poll");
    env.advance(4000ms);
    EXPECT_EQ(f.events.size(), 2u);
    env.advance(1000ms);
    EXPECT_EQ(f.events.back(), "again");
    f.killTimer(2);
    env.advance(300000ms);
    EXPECT_EQ(f.events.size(), 3u);
    EXPECT_EQ(env.ui().advanced(), 319900ms);
}
