// The element tree built from panel descriptions: loading, the port and lamp rules, hit tests,
// broken descriptions, and every description shipped in panels/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/session_settings.h"
#include "panel/port_state.h"
#include "panel_fakes.h"

using namespace panel;
using namespace paneltest;

namespace {

struct Loaded {
    CDevModule root;
    ModuleList modules;
    FakeLoader loader;
    bool ok = false;
    explicit Loaded(const std::string& xml) { ok = LoadPanelFromText(xml, "/pics", root, modules, &loader); }
};

TEST(PanelLoad, BuildsTheTreeWithAttributesLampsAndModules) {
    Loaded t(R"(<?xml version="1.0"?>
<ROOT>
<DEVICEPANEL ID="0" NAME="front" LEFT="10" TOP="20" WIDTH="300" HEIGHT="90" BMP="back.png">
  <PORT ID="7" NAME="p1" LEFT="50" TOP="30" WIDTH="22" HEIGHT="18" STATUS="PORTDISABLED"
        BMPLINK100="a.png" BMPLINK10="b.png" BMPDISABLE="c.png" BMPENABLE="d.png" BMPEMPTY="e.png">
    <LAMP ID="0" LEFT="53" TOP="24" WIDTH="8" HEIGHT="4" TYPE="LINK" STATUS="LAMPON"/>
    <LAMP LEFT="63" TOP="24" WIDTH="8" HEIGHT="4" TYPE="POWER"/>
  </PORT>
  <PANEL LEFT="100" TOP="0" WIDTH="50" HEIGHT="50">
    <PORT LEFT="110" TOP="10" WIDTH="22" HEIGHT="18"/>
  </PANEL>
  <LED LEFT="5" TOP="5" WIDTH="4" HEIGHT="4" STATUS="PORTLINK10" BMP0="l0.png" BMP3="l3.png"/>
  <FAN LEFT="1" TOP="2" WIDTH="10" HEIGHT="5"><LAMP LEFT="1" TOP="2" WIDTH="3" HEIGHT="3" TYPE="S100M"/></FAN>
  <POWER LEFT="3" TOP="3" WIDTH="10" HEIGHT="5"/>
  <WHATEVER LEFT="1" TOP="1" WIDTH="1" HEIGHT="1"/>
</DEVICEPANEL>
<DEVICEMODULE><MODULE LEFT="0" TOP="0" WIDTH="10" HEIGHT="10"><PORT LEFT="1" TOP="1" WIDTH="5" HEIGHT="5"/></MODULE></DEVICEMODULE>
</ROOT>)");
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.root.GetRect(), (Rect{10, 20, 310, 110}));
    EXPECT_EQ(t.root.m_strName, "front");
    EXPECT_EQ(t.root.m_strID, "");  // "0" is not kept
    EXPECT_EQ(PictureName(&t.root), "back.png");
    EXPECT_EQ(t.loader.requested.front(), "/pics/back.png");

    ASSERT_EQ(t.root.m_children.size(), 5u);  // the unknown element is skipped
    CPort* port = FindPort(t.root, 0);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->m_strID, "7");
    EXPECT_EQ(port->m_iStatus, kPortDisabled);
    EXPECT_EQ(PictureName(port), "c.png");  // the picture of its initial status
    ASSERT_EQ(port->m_lamps.size(), 2u);
    EXPECT_EQ(port->m_lamps[0]->m_iType, kLampLink);
    EXPECT_EQ(port->m_lamps[0]->m_iStatus, kLampOn);
    EXPECT_EQ(port->m_lamps[1]->m_iType, kLampPower);
    EXPECT_EQ(port->m_children.front().get(), port->m_lamps[0]);

    // A port nested in a PANEL is not a direct child: FindElement does not see it.
    EXPECT_EQ(FindPort(t.root, 1), nullptr);
    EXPECT_EQ(std::string(FindElement(t.root, "CPanel", 0)->ClassName()), "CPanel");
    auto* led = dynamic_cast<CLed*>(FindElement(t.root, "CLed", 0));
    ASSERT_NE(led, nullptr);
    EXPECT_EQ(led->m_strPictures[3], "l3.png");
    auto* fan = dynamic_cast<CCom*>(FindElement(t.root, "CCom", 0));
    ASSERT_NE(fan, nullptr);
    EXPECT_EQ(fan->m_strKind, "FAN");
    EXPECT_EQ(fan->m_lamps.size(), 1u);
    // POWER has no class name of its own.
    EXPECT_NE(FindElement(t.root, "CPanelObject", 0), nullptr);

    ASSERT_EQ(t.modules.size(), 1u);
    EXPECT_EQ(t.modules[0]->m_children.size(), 1u);
}

TEST(PanelLoad, BrokenDescriptionsFailOrDegradeWithoutCrashing) {
    CDevModule root;
    ModuleList modules;
    FakeLoader loader;
    // Not XML, no DEVICEPANEL, an unreadable file: failure and an empty tree.
    EXPECT_FALSE(LoadPanelFromText("<DEVICEPANEL><PORT", "", root, modules, &loader));
    EXPECT_TRUE(root.m_children.empty());
    EXPECT_FALSE(LoadPanelFromText("<OTHER/>", "", root, modules, &loader));
    EXPECT_FALSE(LoadPanel("/nonexistent/panel.xml", root, modules, &loader));

    // Missing attributes read as 0, non-numbers as 0; a missing picture leaves none.
    loader.missing = {"en.png"};
    ASSERT_TRUE(LoadPanelFromText(
        R"(<DEVICEPANEL><PORT LEFT="x" STATUS="PORTENABLE" BMPENABLE="en.png"/><LAMP TYPE="LINK"/></DEVICEPANEL>)", "",
        root, modules, &loader));
    CPort* port = FindPort(root, 0);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->GetRect(), (Rect{0, 0, 0, 0}));
    EXPECT_EQ(port->m_pPicture, nullptr);
    port->SetStatus(kPortLinkTop);  // no lamps, no picture names for this status: no crash
    EXPECT_EQ(port->m_pPicture, nullptr);

    // Pathological nesting is cut off instead of exhausting the stack.
    std::string deep = "<DEVICEPANEL>";
    for (int i = 0; i < 20000; ++i) deep += "<PANEL>";
    for (int i = 0; i < 20000; ++i) deep += "</PANEL>";
    deep += "</DEVICEPANEL>";
    EXPECT_TRUE(LoadPanelFromText(deep, "", root, modules, &loader));

    // A null loader: the tree builds, nothing has a picture.
    EXPECT_TRUE(LoadPanelFromText(SyntheticPanel(2, 0), "", root, modules, nullptr));
    EXPECT_EQ(FindPort(root, 1)->m_pPicture, nullptr);
}

TEST(PortStatus, LampRulesAndPictureReload) {
    Loaded t(R"(<DEVICEPANEL><PORT BMPLINK100="lower.png" BMPLINK10="top.png" BMPDISABLE="dis.png" BMPENABLE="en.png" BMPEMPTY="empty.png">
      <LAMP TYPE="LINK"/><LAMP TYPE="S100M"/><LAMP TYPE="POWER"/><LAMP TYPE="CONSOLE"/></PORT></DEVICEPANEL>)");
    ASSERT_TRUE(t.ok);
    CPort* port = FindPort(t.root, 0);
    auto lamps = [&] {
        std::vector<int> s;
        for (CLamp* l : port->m_lamps) s.push_back(l->m_iStatus);
        return s;
    };
    SetStatus(port, kPortLinkLower);
    EXPECT_EQ(lamps(), (std::vector<int>{kLampOn, kLampOn, kLampOff, kLampOff}));
    EXPECT_EQ(PictureName(port), "lower.png");
    SetStatus(port, kPortLinkTop);
    EXPECT_EQ(lamps(), (std::vector<int>{kLamp1G, kLamp1G, kLampOff, kLampOff}));
    EXPECT_EQ(PictureName(port), "top.png");
    for (int s : {kPortDisabled, kPortEnabled, kPortEmpty}) {
        SetStatus(port, kPortLinkTop);
        SetStatus(port, s);
        EXPECT_EQ(lamps(), (std::vector<int>(4, kLampOff))) << s;
    }
    EXPECT_EQ(PictureName(port), "empty.png");
    EXPECT_TRUE(port->m_bChanged);

    // The same status again: no picture reload, no lamp change.
    port->m_bChanged = false;
    port->m_lamps[0]->m_iStatus = kLampOn;
    const int loads = t.loader.fileLoads;
    SetStatus(port, kPortEmpty);
    EXPECT_EQ(t.loader.fileLoads, loads);
    EXPECT_FALSE(port->m_bChanged);
    EXPECT_EQ(port->m_lamps[0]->m_iStatus, kLampOn);

    // Other elements only store and mark.
    CLamp* lamp = port->m_lamps[2];
    lamp->m_bChanged = false;
    SetStatus(lamp, kLampOff);
    EXPECT_FALSE(lamp->m_bChanged);
    SetStatus(lamp, kLampOn);
    EXPECT_TRUE(lamp->m_bChanged);
    SetStatus(nullptr, 1);
}

TEST(PanelInput, ClicksAndCursorUseTheInnerRectangle) {
    Loaded t(SyntheticPanel(2, 0, R"(<PANEL LEFT="0" TOP="0" WIDTH="90" HEIGHT="80"><PORT LEFT="10" TOP="10" WIDTH="20" HEIGHT="16"/></PANEL>)"));
    FakeWindow window;
    SetWindow(t.root, &window, Rect{0, 0, 900, 80});
    CPort* port = FindPort(t.root, 0);  // 100..120 x 20..36
    // One or two pixels inside the edge do nothing.
    for (auto [x, y] : std::vector<std::pair<int, int>>{{101, 28}, {102, 28}, {118, 28}, {110, 22}, {110, 34}})
        t.root.OnLButtonDown(x, y);
    EXPECT_TRUE(window.clicked.empty());
    t.root.OnLButtonDown(103, 23);
    ASSERT_EQ(window.clicked.size(), 1u);
    EXPECT_EQ(window.clicked[0], port);
    // The nested port gets no click, the grouping panel shows the arrow.
    window.clicked.clear();
    t.root.OnLButtonDown(20, 18);
    EXPECT_TRUE(window.clicked.empty());
    t.root.OnMouseMove(20, 18);
    ASSERT_EQ(window.cursors.size(), 1u);
    EXPECT_EQ(window.cursors[0], PanelCursor::Arrow);
    t.root.OnMouseMove(110, 28);
    EXPECT_EQ(window.cursors.back(), PanelCursor::Port);
}

TEST(PanelReset, FirstFortyEightEnabledThenFourEmptyAndModules) {
    Loaded t(SyntheticPanel(52, 4, "") + "");
    ASSERT_TRUE(t.ok);
    for (int e = 0; e < 56; ++e) SetStatus(FindPort(t.root, e), kPortLinkTop);
    auto module = std::make_unique<CModule>();
    module->m_children.push_back(std::make_unique<CPort>());
    t.modules.push_back(std::move(module));
    ResetAllPorts(t.root, t.modules);
    EXPECT_EQ(StatusOf(t.root, 0), kPortEnabled);
    EXPECT_EQ(StatusOf(t.root, 47), kPortEnabled);
    EXPECT_EQ(StatusOf(t.root, 48), kPortEmpty);
    EXPECT_EQ(StatusOf(t.root, 51), kPortEmpty);
    EXPECT_EQ(StatusOf(t.root, 52), kPortLinkTop);  // the 53rd element onwards is left alone
    EXPECT_EQ(t.modules[0]->m_children[0]->m_iStatus, kPortEnabled);
}

TEST(PortStateRecordTest, ComboCountAndResetDefaults) {
    EXPECT_EQ(ComboCountFor(10), 2);
    for (int n : {16, 24, 28, 48, 52}) EXPECT_EQ(ComboCountFor(n), 4) << n;
    EXPECT_EQ(ComboCountFor(8), 0);
    PortStateRecord r(28);
    EXPECT_EQ(r.PortMedium.size(), 28u);
    EXPECT_EQ(r.PortIndicator[99], 3);
    EXPECT_TRUE(r.LinkModeShown);
    EXPECT_FALSE(r.PowerMax);
    EXPECT_EQ(r.FanStatus.load(), '1');
    PortStateRecord negative(-5);
    EXPECT_EQ(negative.PortCount, 0);
}

// ---- the shipped descriptions -------------------------------------------------------------

std::filesystem::path SourceDir() {
    const char* dir = std::getenv("CORVEX_SOURCE_DIR");
    return dir ? dir : CORVEX_SOURCE_DIR_FALLBACK;
}

int PortCountOf(const std::filesystem::path& modelDir, std::string& xmlName) {
    xmlName = "panel.xml";
    if (std::filesystem::exists(modelDir / "User.ini")) {
        DeviceProfile profile;
        if (LoadDeviceProfile((modelDir / "User.ini").string(), profile) == ProfileLoad::Ok) {
            xmlName = profile.XMLName;
            return profile.DevicePortNum;
        }
    }
    return std::atoi(modelDir.filename().string().c_str());
}

bool Overlaps(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(ShippedPanels, EveryDescriptionHasAllPortsWithLampsAndPictures) {
    const auto panels = SourceDir() / "panels";
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(panels)) {
        if (!entry.is_directory() || !std::filesystem::exists(entry.path() / "panel.xml")) continue;
        SCOPED_TRACE(entry.path().string());
        std::string xmlName;
        const int portCount = PortCountOf(entry.path(), xmlName);
        ASSERT_GT(portCount, 0);
        CDevModule root;
        ModuleList modules;
        FakeLoader loader(true);
        ASSERT_TRUE(LoadPanel((entry.path() / xmlName).string(), root, modules, &loader));
        EXPECT_TRUE(loader.failed.empty()) << "missing picture " << loader.failed.front();
        // Every status picture of every port exists too.
        const int combo = ComboCountFor(portCount);
        ASSERT_NE(FindPort(root, portCount + combo - 1), nullptr);
        EXPECT_EQ(FindPort(root, portCount + combo), nullptr);
        const Rect panel{0, 0, root.m_iWidth, root.m_iHeight};
        std::vector<Rect> portRects;
        for (int e = 0; e < portCount + combo; ++e) {
            CPort* port = FindPort(root, e);
            ASSERT_FALSE(port->m_children.empty()) << e;
            auto* lamp = dynamic_cast<CLamp*>(port->m_children.front().get());
            ASSERT_NE(lamp, nullptr) << e;
            EXPECT_EQ(lamp->m_iType, kLampLink);
            EXPECT_NE(lamp->m_iLeft, 0);  // the painter skips lamps at x 0
            EXPECT_TRUE(Overlaps(lamp->GetRect(), panel));
            for (int s = 0; s < kPortStatusCount; ++s) {
                loader.failed.clear();
                SetStatus(port, s);
                EXPECT_TRUE(loader.failed.empty()) << "port " << e << " status " << s;
                EXPECT_NE(port->m_pPicture, nullptr);
            }
            portRects.push_back(port->GetRect());
        }
        // The fixed indicators of the paint step stay clear of the ports.
        std::vector<Rect> fixed;
        if (portCount == 10) fixed = {{12, 25, 22, 30}, {81, 42, 91, 47}, {81, 55, 91, 60}, {42, 38, 52, 43}};
        if (portCount == 48) fixed = {{21, 27, 31, 32}, {55, 33, 65, 38}};
        if (portCount == 24) fixed = {{24, 25, 34, 30}};
        if (portCount == 16) fixed = {{25, 26, 35, 31}};
        for (const Rect& f : fixed)
            for (const Rect& p : portRects) EXPECT_FALSE(Overlaps(f, p));
        ++checked;
    }
    EXPECT_GE(checked, 3);
}

}  // namespace
