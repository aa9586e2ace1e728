// The paint step: fixed indicators per model, fibre twin lamps, and the blinking port lamps.
#include <gtest/gtest.h>

#include "panel/panel_painter.h"
#include "panel/status_rules.h"
#include "panel_fakes.h"

using namespace panel;
using namespace paneltest;

namespace {

// Lamp of element e in SyntheticPanel: (102 + 30 e, 10).
int LampX(int element) { return 102 + 30 * element; }
constexpr int kLampY = 10;

struct Painted {
    CDevModule root;
    ModuleList modules;
    FakeLoader loader;
    CMyBitmapApp store;
    PortStateRecord record;
    RecordingCanvas canvas;
    Painted(int portCount, int elements, const std::string& extra = "") : record(portCount) {
        EXPECT_TRUE(LoadPanelFromText(SyntheticPanel(elements, 0, extra), "", root, modules, &loader));
        for (int r : kPanelResources) EXPECT_TRUE(store.LoadBitmapResource(loader, r)) << r;
    }
    void Paint(bool blink, const std::string& name = "Corvex") {
        canvas.draws.clear();
        PaintIndicators(canvas, record, root, store, name, blink);
    }
    std::vector<std::string> Lamp(int element) const { return canvas.At(LampX(element), kLampY); }
};

using V = std::vector<std::string>;

TEST(PanelPaint, PortLampsBlinkInOppositePhases) {
    Painted p(10, 12);
    p.record.PortIndicator[0] = kPortLinkLower;
    p.record.PortIndicator[1] = kPortLinkTop;
    p.record.PortIndicator[2] = kPortDisabled;
    p.record.PortIndicator[3] = kPortEnabled;
    p.record.PortIndicator[4] = kPortEmpty;
    p.Paint(true);
    EXPECT_EQ(p.Lamp(0), (V{"res159", "res163"}));
    EXPECT_EQ(p.Lamp(1), (V{"res159"}));
    EXPECT_EQ(p.Lamp(2), (V{"res159", "res159"}));
    EXPECT_EQ(p.Lamp(3), (V{"res159"}));
    EXPECT_EQ(p.Lamp(4), (V{"res159"}));
    p.Paint(false);
    EXPECT_EQ(p.Lamp(0), (V{"res159"}));
    EXPECT_EQ(p.Lamp(1), (V{"res159", "res161"}));
    EXPECT_EQ(p.Lamp(2), (V{"res159", "res159"}));
    EXPECT_EQ(p.record.OverlayX, LampX(9));  // the last lamp located
}

TEST(PanelPaint, TenPortIndicatorsAndFibreTwin) {
    Painted p(10, 12);
    p.Paint(false);
    EXPECT_EQ(p.canvas.At(12, 25), (V{"res158"}));
    EXPECT_EQ(p.canvas.At(81, 42), (V{"res191"}));
    EXPECT_EQ(p.canvas.At(81, 55), (V{"res192"}));
    EXPECT_EQ(p.canvas.Count("res190"), 0);
    // The twins of a 10-port model get only the lamp-off picture.
    EXPECT_EQ(p.Lamp(10), (V{"res159"}));

    p.record.LinkModeShown = false;
    p.record.PowerMax = true;
    // Port 9 on fibre at top speed: its overlay goes to element 10, copper lamp 8 shows 159.
    p.record.PortMedium[8] = 3;
    p.record.PortIndicator[8] = kPortLinkTop;
    p.Paint(false);
    EXPECT_EQ(p.canvas.At(81, 42), (V{"res192"}));
    EXPECT_EQ(p.canvas.At(81, 55), (V{"res191"}));
    EXPECT_EQ(p.canvas.At(42, 38), (V{"res190"}));
    EXPECT_EQ(p.Lamp(8), (V{"res159"}));
    EXPECT_EQ(p.Lamp(10), (V{"res159", "res160", "res161"}));  // twin idle, port 9 is odd, then lit
}

TEST(PanelPaint, FixedIndicatorsOfTheOtherModels) {
    struct Case {
        int ports;
        std::string name;
        int x, y;
    };
    for (const Case& c : std::vector<Case>{{24, "Corvex-24", 24, 25}, {16, "Corvex-16", 25, 26},
                                           {48, "Corvex-48", 21, 27}, {28, "Vantor", 25, 23}}) {
        Painted p(c.ports, c.ports + 4);
        p.Paint(false, c.name);
        EXPECT_EQ(p.canvas.At(c.x, c.y), (V{"res158"})) << c.ports;
        // Twins of the 4-combo models: the fibre idle picture, then lamp off.
        EXPECT_EQ(p.Lamp(c.ports), (V{"res160", "res159"})) << c.ports;
    }
    Painted other(28, 32);
    other.Paint(false, "Corvex-28");
    EXPECT_EQ(other.canvas.Count("res158"), 0);

    Painted fan48(48, 52);
    fan48.record.FanStatus = '2';
    fan48.Paint(false);
    EXPECT_EQ(fan48.canvas.At(55, 33), (V{"res190"}));

    // A 52-port model shows a fan failure at its FAN area.
    Painted fan52(52, 56, R"(<FAN LEFT="60" TOP="40" WIDTH="10" HEIGHT="5"/>)");
    fan52.Paint(false);
    EXPECT_EQ(fan52.canvas.Count("res190"), 0);
    fan52.record.FanStatus = '2';
    fan52.Paint(false);
    EXPECT_EQ(fan52.canvas.At(60, 40), (V{"res190"}));
}

TEST(PanelPaint, TwentyEightPortPoeModelShowsTheLedModeAndBudget) {
    Painted poe(28, 32);
    poe.Paint(false, "Corvex-28P");
    EXPECT_EQ(poe.canvas.At(81, 42), (V{"res191"}));  // link mode lit
    EXPECT_EQ(poe.canvas.At(81, 55), (V{"res192"}));
    EXPECT_EQ(poe.canvas.Count("res190"), 0);
    poe.record.LinkModeShown = false;
    poe.record.PowerMax = true;
    poe.Paint(false, "Corvex-28P");
    EXPECT_EQ(poe.canvas.At(81, 42), (V{"res192"}));
    EXPECT_EQ(poe.canvas.At(81, 55), (V{"res191"}));  // PoE mode lit
    EXPECT_EQ(poe.canvas.At(42, 38), (V{"res190"}));

    // The 28-port model without PoE has no such lamps.
    Painted plain(28, 32);
    plain.record.PowerMax = true;
    plain.Paint(false, "Corvex-28");
    EXPECT_EQ(plain.canvas.Count("res191") + plain.canvas.Count("res192") + plain.canvas.Count("res190"), 0);
}

// What the background draws for each port, by element.
std::vector<std::string> PortPictures(Painted& p, int elements) {
    FakeWindow window;
    p.canvas.draws.clear();
    PaintBackground(p.root, p.canvas, Rect{0, 0, 900, 80}, &window);
    std::vector<std::string> names;
    for (int e = 0; e < elements; ++e) {
        const auto at = p.canvas.At(100 + 30 * e, 20);
        names.push_back(at.empty() ? "" : at.back());
    }
    return names;
}

TEST(PanelPaint, PoeDisplayDrawsUnpoweredPortsDarkNeverDisabled) {
    Painted p(10, 12);
    auto link = [](int port, const char* admin, const char* oper) {
        return LinkRow{std::to_string(port), admin, oper, "100000000", "1"};
    };
    // Link display: port 1 administratively down, port 2 up, port 9 down, the rest without link.
    std::vector<LinkRow> rows;
    for (int port = 1; port <= 10; ++port)
        rows.push_back(link(port, port == 1 || port == 9 ? "2" : "1", port == 2 || port == 10 ? "1" : "2"));
    ApplyLinkRows(rows, p.record, p.root, false);
    EXPECT_EQ(PortPictures(p, 12), (V{"dis.png", "top.png", "en.png", "en.png", "en.png", "en.png", "en.png", "en.png",
                                      "dis.png", "lower.png", "en.png", "en.png"}));

    // PoE display: only port 2 is powered, port 3 is switched off by its time range, port 4 is
    // in another state; unpowered ports and every port without PoE (9, 10 and the fibre twins)
    // are dark, none shows the disabled picture.
    ApplyPoeRows({{"1", "POWER OFF"}, {"2", "POWER ON"}, {"3", "Time-based OFF"}, {"4", "searching"},
                  {"5", "POWER OFF"}, {"6", "POWER OFF"}, {"7", "POWER OFF"}, {"8", "POWER OFF"}},
                 p.record, p.root);
    EXPECT_EQ(PortPictures(p, 12), (V{"en.png", "top.png", "en.png", "lower.png", "en.png", "en.png", "en.png", "en.png",
                                      "en.png", "en.png", "en.png", "en.png"}));
    EXPECT_EQ(p.canvas.Count("dis.png"), 0);
    // Their lamps are off: the lamp-off picture only, whatever the blink phase.
    // Port 10, linked (below its top speed) a moment ago, has no PoE: its lamp goes off too.
    for (bool blink : {false, true}) {
        p.Paint(blink);
        EXPECT_EQ(p.Lamp(0), (V{"res159", "res159"})) << blink;
        EXPECT_EQ(p.Lamp(8), (V{"res159", "res159"})) << blink;
        EXPECT_EQ(p.Lamp(9), (V{"res159", "res159"})) << blink;
        EXPECT_EQ(p.Lamp(1), (blink ? V{"res159"} : V{"res159", "res161"}));
    }

    // Back to the link display: port 1 is down again with the same status code, and its
    // picture is the disabled one again (the change of display alone redraws it).
    for (int e = 0; e < 12; ++e) FindPort(p.root, e)->m_bChanged = false;
    ApplyLinkRows(rows, p.record, p.root, false);
    EXPECT_TRUE(FindPort(p.root, 0)->m_bChanged);
    EXPECT_FALSE(FindPort(p.root, 1)->m_bChanged);  // powered and linked: the same picture in both
    EXPECT_EQ(PortPictures(p, 12), (V{"dis.png", "top.png", "en.png", "en.png", "en.png", "en.png", "en.png", "en.png",
                                      "dis.png", "lower.png", "en.png", "en.png"}));

    // The picture choice itself, per status and display.
    for (int status = 0; status < kPortStatusCount; ++status) {
        EXPECT_EQ(PortPictureIndex(status, false), status);
        EXPECT_EQ(PortPictureIndex(status, true), status == kPortDisabled ? kPortEnabled : status);
    }
}

TEST(PanelPaint, MissingPortsLampsAndPicturesAreSkipped) {
    // Three port elements for a 28-port model, one of them without a lamp; a store without
    // pictures; a fibre medium on a port without twin.
    Painted p(28, 2, R"(<PORT LEFT="5" TOP="5" WIDTH="20" HEIGHT="16"/>)");
    p.record.PortIndicator.fill(kPortLinkTop);
    p.record.PortMedium[1] = 3;
    p.Paint(false);
    EXPECT_EQ(p.Lamp(0), (V{"res159", "res161"}));
    EXPECT_EQ(p.Lamp(1), (V{"res159", "res161"}));
    CMyBitmapApp empty;
    RecordingCanvas canvas;
    PaintIndicators(canvas, p.record, p.root, empty, "Vantor", true);
    EXPECT_TRUE(canvas.draws.empty());
    EXPECT_FALSE(empty.LoadBitmapResource(p.loader, 4711));
}

TEST(PanelPaint, BackgroundStretchesAndDrawsEveryDirectChild) {
    Painted p(10, 3, R"(<PANEL LEFT="1" TOP="1" WIDTH="5" HEIGHT="5" BMP="group.png"><PORT LEFT="2" TOP="2" WIDTH="2" HEIGHT="2" BMP="inner.png"/></PANEL>)");
    FakeWindow window;
    SetStatus(FindPort(p.root, 0), kPortLinkTop);
    PaintBackground(p.root, p.canvas, Rect{0, 0, 900, 80}, &window);
    ASSERT_FALSE(p.canvas.draws.empty());
    EXPECT_EQ(p.canvas.draws[0], (Drawn{"stretch:back.png", 0, 0}));
    EXPECT_EQ(p.canvas.At(1, 1), (V{"group.png"}));
    EXPECT_EQ(p.canvas.At(100, 20), (V{"top.png"}));
    EXPECT_EQ(p.canvas.Count("inner.png"), 0);  // grandchildren are not drawn here
    EXPECT_FALSE(FindPort(p.root, 0)->m_bChanged);
    EXPECT_EQ(FindPort(p.root, 1)->m_pWindow, &window);

    // RedrawChanged: only the marked elements, at any depth.
    p.canvas.draws.clear();
    SetStatus(FindPort(p.root, 1), kPortDisabled);
    p.root.m_children[0]->m_children[0]->m_bChanged = true;
    RedrawChanged(p.root, p.canvas);
    EXPECT_EQ(p.canvas.draws, (std::vector<Drawn>{{"inner.png", 2, 2}, {"dis.png", 130, 20}}));
}

}  // namespace
