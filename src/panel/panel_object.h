#pragma once
// The front-panel element tree: the root (CDevModule) built from the panel description, with
// ports, lamps, LEDs, slots, connector areas and expansion modules below it. Every element
// has a rectangle in client pixels, a status and the picture that belongs to that status.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "panel/panel_canvas.h"

namespace panel {

// Port status values (description keywords PORTLINK100 ... PORTEMPTY).
enum PortStatus {
    kPortLinkLower = 0,   // "PORTLINK100": link below top speed (PoE display: other state)
    kPortLinkTop = 1,     // "PORTLINK10": link at top speed (PoE display: powered)
    kPortDisabled = 2,    // "PORTDISABLED": administratively down (PoE display: not powered)
    kPortEnabled = 3,     // "PORTENABLE": enabled, no link
    kPortEmpty = 4,       // "PORTEMPTY": no module or transceiver
};
constexpr int kPortStatusCount = 5;

// Lamp status and type values.
enum LampStatus { kLampOn = 0, kLamp1G = 1, kLampOff = 2 };
enum LampType { kLampUnknown = -1, kLampLink = 0, kLampS100M = 1, kLampPower = 2, kLampConsole = 3 };

// Where element pictures come from: the loader and the directory the names are relative to.
struct PictureSource {
    IPictureLoader* loader = nullptr;
    std::string directory;
    std::shared_ptr<IPicture> Load(const std::string& name) const;
};

class CPanelObject {
public:
    CPanelObject() = default;
    virtual ~CPanelObject() = default;
    CPanelObject(const CPanelObject&) = delete;
    CPanelObject& operator=(const CPanelObject&) = delete;

    // The run-time class name that look-ups compare.
    virtual const char* ClassName() const { return "CPanelObject"; }
    // Sets the arrow cursor when (x, y) lies inside the inner rectangle.
    virtual void OnMouseMove(int x, int y);
    // Loads the picture that belongs to the current status (default: the BMP picture).
    virtual void LoadPicture();
    // Paints the loaded picture at left/top; nothing without a picture.
    virtual void Draw(IPanelCanvas& canvas);
    virtual void OnLButtonDown(int x, int y);
    // Stores the status and marks the element changed when it differs.
    virtual void SetStatus(int status);

    // The rectangle shrunk by 2 pixels on every side, scaled from the reference size to the
    // client size; hit tests use it with strict bounds.
    bool InnerContains(int x, int y) const;
    Rect GetRect() const { return {m_iLeft, m_iTop, m_iLeft + m_iWidth, m_iTop + m_iHeight}; }

    std::vector<std::unique_ptr<CPanelObject>> m_children;
    std::string m_strID;
    std::string m_strName;
    int m_iLeft = 0, m_iTop = 0, m_iWidth = 0, m_iHeight = 0;
    Rect m_rcClient;
    int m_iRefWidth = 0, m_iRefHeight = 0;
    int m_iStatus = -1;  // -1: no status given yet
    bool m_bChanged = false;
    IPanelWindow* m_pWindow = nullptr;
    std::string m_strBmp;
    std::shared_ptr<IPicture> m_pPicture;
    PictureSource m_source;
};

// The root of one window's tree (DEVICEPANEL). Forwards mouse events to its direct children.
class CDevModule : public CPanelObject {
public:
    const char* ClassName() const override { return "CDevModule"; }
    void OnMouseMove(int x, int y) override;
    void OnLButtonDown(int x, int y) override;
    // Empties the tree and the root's own attributes (before a reload).
    void Clear();
};

class CPanel : public CPanelObject {
public:
    const char* ClassName() const override { return "CPanel"; }
};

class CSlot : public CPanelObject {
public:
    const char* ClassName() const override { return "CSlot"; }
};

// POWER areas: a plain element without a class name of its own.
class CPowerObject : public CPanelObject {};

class CLamp : public CPanelObject {
public:
    const char* ClassName() const override { return "CLamp"; }
    int m_iType = kLampUnknown;
};

class CLed : public CPanelObject {
public:
    const char* ClassName() const override { return "CLed"; }
    void LoadPicture() override;  // BMP0..BMP9 by status
    std::array<std::string, 10> m_strPictures;
};

// Elements that own lamps: ports and connector areas.
class CLampOwner : public CPanelObject {
public:
    std::vector<CLamp*> m_lamps;  // not owned; the lamps are children
};

class CCom : public CLampOwner {
public:
    const char* ClassName() const override { return "CCom"; }
    std::string m_strKind;  // the description element: CONSOLE, MASTER, RPS or FAN
};

class CPort : public CLampOwner {
public:
    const char* ClassName() const override { return "CPort"; }
    void OnMouseMove(int x, int y) override;
    void OnLButtonDown(int x, int y) override;
    // Port status change with the lamp rules.
    void SetStatus(int status) override;
    void LoadPicture() override;  // BMPLINK100 .. BMPEMPTY by status (PortPictureIndex)
    // Whether the status is a PoE state (the switch shows PoE on its LEDs) rather than a link
    // state; reloads the picture when that changes.
    void SetPoeDisplay(bool on);
    bool PoeDisplay() const { return m_bPoeDisplay; }
    // BMPLINK100, BMPLINK10, BMPDISABLE, BMPENABLE, BMPEMPTY.
    std::array<std::string, kPortStatusCount> m_strPictures;
    unsigned short m_wIdentifier = 0;  // sent with the port-click notification; nothing sets it

private:
    bool m_bPoeDisplay = false;
};

// An expansion module (MODULE under DEVICEMODULE); kept in the window's module list.
class CModule : public CPanelObject {
public:
    const char* ClassName() const override { return "CModule"; }
};

using ModuleList = std::vector<std::unique_ptr<CModule>>;

// The picture (BMPLINK100 .. BMPEMPTY, 0 to 4) that a port status selects. A PoE state of "not
// powered" is no administrative state: that port is drawn dark (BMPENABLE), never as disabled.
int PortPictureIndex(int status, bool poeDisplay);

// Lamp status that a port status gives a lamp of the given type.
int LampStatusForPort(int portStatus, int lampType);

// The n-th (0-based) direct child of `root` whose class name is `className`, or null.
CPanelObject* FindElement(const CPanelObject& root, const std::string& className, int n);
CPort* FindPort(const CPanelObject& root, int n);
Rect GetRect(const CPanelObject& element);
// Status change through the element's own rule; ignores null.
void SetStatus(CPanelObject* element, int status);
// Gives every element, recursively, the window and its client rectangle.
void SetWindow(CPanelObject& root, IPanelWindow* window, const Rect& client);
// Draws every changed element (children first level, then theirs) and clears the mark.
void RedrawChanged(CPanelObject& root, IPanelCanvas& canvas);
// After a failed walk: the 1st to 48th port get status 3, the 49th to 52nd status 4; each
// module resets its own ports the same way.
void ResetAllPorts(CPanelObject& root, ModuleList& modules);

// Builds the tree from the description file. False (and an empty tree) when the file cannot
// be parsed or holds no DEVICEPANEL. Pictures load through `loader` (may be null), relative
// to the description's directory.
bool LoadPanel(const std::string& path, CDevModule& root, ModuleList& modules, IPictureLoader* loader);
// The same from text already in memory (pictures relative to `directory`).
bool LoadPanelFromText(const std::string& text, const std::string& directory, CDevModule& root,
                       ModuleList& modules, IPictureLoader* loader);

}  // namespace panel
