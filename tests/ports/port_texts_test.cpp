// The value-to-text tables of the port table and the operating mode of combo ports.
#include <gtest/gtest.h>

#include "features/ports/port_texts.h"

using namespace features;

TEST(PortTexts, SpeedControlValuesAndFallback) {
    const char* expected[] = {"1000MFull", "100MFull", "100MHalf", "10MFull", "10MHalf", "Auto", "Disable"};
    for (int v = 1; v <= 7; ++v) EXPECT_EQ(SpeedControlText(std::to_string(v)), expected[v - 1]) << v;
    for (const char* other : {"0", "8", "", "61", "x"}) EXPECT_EQ(SpeedControlText(other), "1000MFull") << other;
    // The selector index is the value minus one.
    for (int i = 0; i < 7; ++i) EXPECT_EQ(SpeedIndexText(i), SpeedControlText(std::to_string(i + 1)));
    EXPECT_EQ(SpeedIndexText(-1), "");
    EXPECT_EQ(SpeedIndexText(7), "");
}

TEST(PortTexts, OtherColumns) {
    const char* modes[] = {"Down", "1000MFull", "100MFull", "100MHalf", "10MFull", "10MHalf"};
    for (int v = 1; v <= 6; ++v) EXPECT_EQ(OperModeText(std::to_string(v)), modes[v - 1]) << v;
    EXPECT_EQ(OperModeText("7"), "1000MFull");
    EXPECT_EQ(OperModeText(""), "1000MFull");

    EXPECT_EQ(FlowControlText("1"), "Enable");
    EXPECT_EQ(FlowControlText("2"), "Disable");
    EXPECT_EQ(FlowControlText("3"), "Disable");

    const char* priorities[] = {"Low", "Middle", "High", "Highest"};
    for (int v = 1; v <= 4; ++v) EXPECT_EQ(PriorityText(std::to_string(v)), priorities[v - 1]) << v;
    EXPECT_EQ(PriorityText("5"), "Low");

    EXPECT_EQ(OperFlowControlText("1"), "Enabled");
    EXPECT_EQ(OperFlowControlText("2"), "Disabled");
    EXPECT_EQ(OperFlowControlText("3"), "3");  // shown as received
    EXPECT_EQ(OperFlowControlText(""), "");
}

TEST(PortTexts, ComboPortsAreTheLastOnes) {
    EXPECT_EQ(ComboPortCount(10), 2);
    for (int n : {16, 24, 48}) EXPECT_EQ(ComboPortCount(n), 4) << n;
    for (int n : {28, 52, 0, 8}) EXPECT_EQ(ComboPortCount(n), 0) << n;
    EXPECT_FALSE(IsComboPort(8, 10));
    EXPECT_TRUE(IsComboPort(9, 10));
    EXPECT_TRUE(IsComboPort(10, 10));
    EXPECT_FALSE(IsComboPort(11, 10));
    EXPECT_TRUE(IsComboPort(21, 24));
    EXPECT_FALSE(IsComboPort(28, 28));
}

TEST(PortTexts, ComboOperModeFollowsTheMedia) {
    // 100Base-X module on port 9 of 10: the 100M modes show as fibre.
    EXPECT_EQ(PortOperModeText("3", 9, kMediaFibre100, 10, false), "100M F Full");
    EXPECT_EQ(PortOperModeText("4", 9, kMediaFibre100, 10, false), "100M F Half");
    EXPECT_EQ(PortOperModeText("1", 9, kMediaFibre100, 10, false), "Down");
    // 1000Base-X module: only 1000M full changes.
    EXPECT_EQ(PortOperModeText("2", 10, kMediaFibre1000, 10, false), "1000M F Full");
    EXPECT_EQ(PortOperModeText("3", 10, kMediaFibre1000, 10, false), "100MFull");
    // Copper: the copper text on the first combo ports of 24, or on all-gigabit switches.
    EXPECT_EQ(PortOperModeText("2", 21, kMediaCopper, 24, false), "1000M C Full");
    EXPECT_EQ(PortOperModeText("6", 22, kMediaCopper, 24, false), "10M C Half");
    EXPECT_EQ(PortOperModeText("1", 21, kMediaCopper, 24, false), "Down");
    EXPECT_EQ(PortOperModeText("2", 23, kMediaCopper, 24, false), "1000MFull");
    EXPECT_EQ(PortOperModeText("2", 23, kMediaCopper, 24, true), "1000M C Full");
    EXPECT_EQ(PortOperModeText("2", 9, kMediaCopper, 10, false), "1000MFull");
    // Ports that are not combo ports, or unknown modes, keep the plain text.
    EXPECT_EQ(PortOperModeText("3", 8, kMediaFibre100, 10, false), "100MFull");
    EXPECT_EQ(PortOperModeText("3", 28, kMediaFibre100, 28, false), "100MFull");
    EXPECT_EQ(PortOperModeText("9", 9, kMediaFibre100, 10, false), "1000MFull");
    EXPECT_EQ(PortOperModeText("3", 9, 0, 10, false), "100MFull");
}
