#pragma once
// The main window's logic, free of any window system: the menu table and its trimming by
// model, the common pause-run-restore routine of the dialog commands, the device-wide commands
// (save configuration, reboot, Telnet, Web, About), the front panel with its status poller,
// and the orderly close. The Qt front end renders it and forwards the user's actions.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "panel/bitmap_store.h"
#include "panel/device_thread.h"
#include "panel/panel_object.h"
#include "panel/panel_status.h"
#include "panel/port_state.h"
#include "snmp/common_snmp.h"

namespace app {

// Command identifiers of the menu bar.
enum Command : int {
    kCmdPortConfiguration = 32774,
    kCmdSnmpGlobalState = 32839,
    kCmdSnmpUserTable = 32841,
    kCmdSnmpGroupTable = 32842,
    kCmdSnmpViewTable = 32843,
    kCmdSnmpCommunityTable = 32844,
    kCmdSnmpHostTable = 32840,
    kCmdSnmpEngineId = 32845,
    kCmdSnmpTrapConfiguration = 32846,
    kCmdSyslogHost = 32832,
    kCmdJumboFrame = 32817,
    kCmdAutoSurveillanceVlan = 32828,
    kCmdVlanConfiguration = 32834,
    kCmdTrunkConfiguration = 32818,
    kCmdMulticastFiltering = 32830,
    kCmd8021X = 32792,
    kCmdArpSpoofing = 32833,
    kCmdDhcpScreening = 32829,
    kCmdFirmware = 32823,
    kCmdSaveConfiguration = 32815,
    kCmdReboot = 32797,
    kCmdPoePortConfig = 32852,
    kCmdTimeBasedPoe = 32819,
    kCmdLldpGlobal = 32825,
    kCmdLldpRemote = 32826,
    kCmdLldpMed = 32827,
    kCmdSystemInformation = 32805,
    kCmdInterfaceTable = 32809,
    kCmdIpTable = 32808,
    kCmdForwardingTable = 32810,
    kCmdTcpService = 32811,
    kCmdUdpService = 32812,
    kCmdBridge8021D = 32813,
    kCmdTelnet = 32788,
    kCmdWeb = 32789,
    kCmdAbout = 57664,
    kCmdSystemAbout = 16,  // the system menu's extra item; also the About menu's second item
};

// ---- menu -----------------------------------------------------------------------------------

struct MenuItem {
    enum class Kind { Command, Separator, SubMenu };
    Kind kind = Kind::Command;
    std::string text;
    int command = 0;               // Command items only
    std::vector<MenuItem> items;   // SubMenu items only

    static MenuItem Cmd(std::string text, int command) { return {Kind::Command, std::move(text), command, {}}; }
    static MenuItem Separator() { return {Kind::Separator, {}, 0, {}}; }
    static MenuItem Sub(std::string text, std::vector<MenuItem> items) {
        return {Kind::SubMenu, std::move(text), 0, std::move(items)};
    }
};
using MenuBar = std::vector<MenuItem>;  // the top-level menus (each a SubMenu)

// The full menu bar; the About item reads "About " + deviceName + "...".
MenuBar BuildMainMenu(const std::string& deviceName);
// Removes what the model does not have: Jumbo Frame on "Tolva" models; the PoE items and the
// LLDP sub-menu on models without "P"/"p" in their name.
void TrimMainMenu(MenuBar& menu, const std::string& deviceName);
// Removes the item with this command anywhere in the menu; false when there was none.
bool RemoveCommand(MenuBar& menu, int command);
const MenuItem* FindCommand(const MenuBar& menu, int command);
// The registered message posted to every top-level window when a port is clicked; the second
// parameter is the port's identifier word.
inline constexpr const char* kPortClickMessage = "{6FD9BA9B-9875-4c53-A57D-5E76258D10BE}";
// The text of the system menu's extra item (the About menu's second item here).
inline constexpr const char* kSystemAboutText = "&About Corvex Module...";

// ---- dialogs --------------------------------------------------------------------------------

class IModalDialog {
public:
    virtual ~IModalDialog() = default;
    // Runs the dialog until the user closes it; returns its result.
    virtual int RunModal() = 0;
};
using DialogFactory = std::function<std::unique_ptr<IModalDialog>()>;
// A dialog opened by a click on a port (1-based port number), showing that port.
using PortDialogFactory = std::function<std::unique_ptr<IModalDialog>(int port)>;

// Which command opens which dialog. Commands without an entry are unavailable.
class DialogRegistry {
public:
    void Register(int command, DialogFactory factory) { m_factories[command] = std::move(factory); }
    bool Has(int command) const { return m_factories.count(command) != 0; }
    std::unique_ptr<IModalDialog> Create(int command) const;
    // How `command` opens for a clicked port; without one, a click opens it as the menu does.
    void RegisterForPort(int command, PortDialogFactory factory) { m_portFactories[command] = std::move(factory); }
    std::unique_ptr<IModalDialog> CreateForPort(int command, int port) const;

private:
    std::map<int, DialogFactory> m_factories;
    std::map<int, PortDialogFactory> m_portFactories;
};
// The process-wide registry the front end fills at start-up.
DialogRegistry& Dialogs();

// ---- processes ------------------------------------------------------------------------------

class IProcessLauncher {
public:
    virtual ~IProcessLauncher() = default;
    // Starts argv[0] (searched in PATH) with the given arguments, no shell. False on failure.
    virtual bool Launch(const std::vector<std::string>& argv) = 0;
};

class SpawnLauncher : public IProcessLauncher {
public:
    bool Launch(const std::vector<std::string>& argv) override;
};

// The browser program in the default value of the "http\shell\open\command" registry key:
// from the drive letter before ":\" to the end of ".exe" (or ".EXE"); empty when not found.
std::string FindBrowserPath(const std::string& registryValue);
// The full path of an executable found in $PATH, or empty.
std::string FindInPath(const std::string& program);
// An address that can be handed to another program as one argument: not empty, no leading
// "-", only the characters of host names and IPv4/IPv6 literals.
bool IsSafeAddressArgument(const std::string& address);
// x-terminal-emulator -e telnet ADDRESS (ADDRESS omitted when empty).
std::vector<std::string> TelnetCommand(const std::string& address);
// BROWSER http://ADDRESS/ (URL omitted when the address is empty).
std::vector<std::string> WebCommand(const std::string& browser, const std::string& address);

// ---- the window -----------------------------------------------------------------------------

struct AboutInfo {
    std::string title;      // DeviceName + " Module"
    std::string nameLine;   // DeviceName + " Management Module"
    std::vector<std::pair<std::string, std::string>> lines;  // caption, value
    std::string hiddenLine; // "Hardware: A1", not shown
};
AboutInfo MakeAboutInfo(const std::string& deviceName);

// What the logic asks of the real window.
class IMainWindowView : public panel::IPanelView {
public:
    virtual void HideWindow() = 0;
    virtual void MinimizeWindow() = 0;
    virtual void ShowNormal() = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // The panel's size and screen position and its background; called after the panel loads.
    virtual void SetPanelGeometry(const panel::Rect& rect) = 0;
    virtual void RunAboutBox(const AboutInfo& info) = 0;
    virtual void SetPanelCursor(panel::PanelCursor cursor) = 0;
    // The port-click notification to other programs (identifier word of the port).
    virtual void NotifyPortClicked(unsigned short identifier) = 0;
    // Brings the window to the front (a second start for the same device).
    virtual void BringToFront() = 0;
    // Ends the window's modal run.
    virtual void EndDialog() = 0;
    // What IsCommandAvailable says has changed (Save or Reboot began or ended): the menu follows.
    virtual void CommandsChanged() {}
};

// The title's mark while the switch holds writes that a reboot would lose.
inline constexpr const char* kUnsavedTitleMark = " - changes not saved";
// Put before the reboot question while such writes are held.
inline const std::string kUnsavedRebootWarning =
    "Changes made since the last Save Configuration are not saved and will be lost. ";
inline constexpr const char* kRebootNoAnswer =
    "The switch did not answer the reboot request. It may be restarting; if it is still answering after a "
    "minute, it did not reboot.";
// "The switch refused to reboot (genErr)."; status -1 for a request that could not be sent.
std::string RebootRefusedMessage(int status);

class CMainWindow : public panel::IPanelWindow {
public:
    // `profilePath`: the User.ini to load; `loader` decodes the panel pictures (may be null).
    CMainWindow(IMainWindowView& view, std::string profilePath, panel::IPictureLoader* loader,
                const DialogRegistry& dialogs, IProcessLauncher& launcher);
    ~CMainWindow() override;
    CMainWindow(const CMainWindow&) = delete;
    CMainWindow& operator=(const CMainWindow&) = delete;

    // Loads the profile and the panel, starts the poller. Always true: a broken profile leaves
    // a window without panel, poller and title.
    bool OnInitDialog(bool startPoller = true);

    const MenuBar& Menu() const { return m_menu; }
    // True when the command does something now (dialog registered, or a built-in command). While
    // Save or Reboot waits for the switch, only Telnet, Web and the system menu's About do.
    bool IsCommandAvailable(int command) const;
    void OnCommand(int command);

    // Device-wide commands. Save and Reboot send their set and return at once; the outcome is
    // shown when the reply, or the time-out, comes. A second one meanwhile is refused silently.
    void OnSaveConfiguration();
    void OnReboot();
    // True from the set of Save or Reboot until its outcome has been handled.
    bool DeviceCommandRunning() const { return m_running != Running::None; }
    // The module is ending without its window (a signal): the outcome of a set under way goes
    // to the trace rather than to a message box that nobody would answer.
    void OnModuleEnding() { m_bQuiet = true; }
    // True after a write the switch took, until Save Configuration or Reboot succeed.
    bool UnsavedChanges() const { return m_bUnsavedChanges; }
    void OnTelnet();
    void OnWeb();
    void OnAbout(bool fromSystemMenu);
    // The common routine of every dialog command; false when no dialog is registered.
    bool RunDialogCommand(int command);

    // Painting and input (window thread).
    void Paint(panel::IPanelCanvas& canvas, const panel::Rect& client);
    void OnTimer(int timerId);
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnActivateMessage();

    // Close request: stops the poller, ends the modal run. True when the poller ended in time.
    // While Save or Reboot waits for the switch, the close follows its outcome (true then).
    bool OnClose();
    // Window destruction: closes the session members in order.
    void OnDestroy();

    // panel::IPanelWindow
    void SetPanelCursor(panel::PanelCursor cursor) override { m_view.SetPanelCursor(cursor); }
    void OnPortClicked(panel::CPort& port) override;

    bool HasPanel() const { return m_bPanelLoaded; }
    // True while the status poller's thread runs (started and not yet ended).
    bool PollerRunning() const { return m_pThread && m_pThread->Running(); }
    bool BlinkPhase() const { return m_bBlinkPhase; }
    const std::string& DeviceName() const { return m_strDeviceName; }
    // The browser program for Web; defaults to xdg-open from PATH.
    void SetBrowserLocator(std::function<std::string()> locator) { m_browserLocator = std::move(locator); }

    panel::PortStateRecord m_record;
    panel::CDevModule m_root;
    panel::ModuleList m_modules;
    panel::CMyBitmapApp m_bitmaps;
    // Session members, in declaration order.
    CCommonSnmp m_cCommonSNMP;
    CCommonSnmp m_cCommonSNMPset;
    CCommonSnmp m_cCommonSNMPFan;
    CCommonSnmp m_cCommonSNMPDevStat;
    CCommonSnmp m_cCommonSNMPPoe;
    CCommonSnmp m_cCommonSNMPPoeStat;

private:
    enum class Running { None, Save, Reboot };
    void SetUnsavedChanges(bool unsaved);
    void StopPoller();
    bool Close();  // stops the poller and ends the modal run
    // The set of Save or Reboot has gone out (or could not): the window waits for its outcome.
    void BeginSet(Running what);
    // Its outcome: the commands come back, the message shows, a close asked for meanwhile follows.
    void EndSet(const std::string& message);
    static unsigned OnSaveReply(CSnmp* reply, int requestId, void* param, int status);
    static unsigned OnRebootReply(CSnmp* reply, int requestId, void* param, int status);

    IMainWindowView& m_view;
    std::string m_strProfilePath;
    panel::IPictureLoader* m_pLoader;
    const DialogRegistry& m_dialogs;
    IProcessLauncher& m_launcher;
    std::function<std::string()> m_browserLocator;

    MenuBar m_menu;
    std::string m_strDeviceName;
    std::string m_strTitle;  // the title without the unsaved mark
    bool m_bUnsavedChanges = false;
    bool m_bPanelLoaded = false;
    bool m_bBlinkPhase = false;
    bool m_bClosed = false;
    bool m_bDestroyed = false;
    Running m_running = Running::None;
    bool m_bCloseWanted = false;  // a close came while the set was out
    bool m_bQuiet = false;
    // Reboot's own session, made for each reboot and kept until its reply has come.
    std::unique_ptr<CCommonSnmp> m_pRebootSession;

    std::unique_ptr<panel::CPanelWalkState> m_pWalks;
    std::unique_ptr<panel::CPanelSnmpSource> m_pSource;
    panel::SteadyPollClock m_clock;
    platform::Event m_stopEvent{true};
    std::unique_ptr<panel::CPanelDeviceThread> m_pThread;
};

}  // namespace app
