#include "app/main_window.h"

#include <algorithm>

#include "app/session_settings.h"
#include "app/unsaved_changes.h"
#include "panel/panel_painter.h"
#include "panel/status_rules.h"
#include "platform/system.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/error_status.h"
#include "snmp/session_close.h"

namespace app {

// ---- menu -----------------------------------------------------------------------------------

MenuBar BuildMainMenu(const std::string& deviceName) {
    using M = MenuItem;
    MenuBar bar;
    bar.push_back(M::Sub("&Device Manager   ",
        {
            M::Cmd("&Port Configuration...", kCmdPortConfiguration),
            M::Sub("&SNMP Setting",
                   {
                       M::Cmd("SNMP Global State ", kCmdSnmpGlobalState),
                       M::Cmd("SNMP User Table", kCmdSnmpUserTable),
                       M::Cmd("SNMP Group Table", kCmdSnmpGroupTable),
                       M::Cmd("SNMP View Table", kCmdSnmpViewTable),
                       M::Cmd("SNMP Community Table ", kCmdSnmpCommunityTable),
                       M::Cmd("SNMP Host Table", kCmdSnmpHostTable),
                       M::Cmd("SNMP Engine ID", kCmdSnmpEngineId),
                       M::Cmd("SNMP Trap Configuration", kCmdSnmpTrapConfiguration),
                   }),
            M::Cmd("&Syslog Host Configuration...", kCmdSyslogHost),
            M::Separator(),
            M::Cmd("&Jumbo Frame Configuration...", kCmdJumboFrame),
            M::Cmd("&Auto Surveillance VLAN Setting ", kCmdAutoSurveillanceVlan),
            M::Cmd("&VLAN Configuration...", kCmdVlanConfiguration),
            M::Cmd("&Trunk Configuration...", kCmdTrunkConfiguration),
            M::Cmd("&Multicast Filtering Mode configuration...", kCmdMulticastFiltering),
            M::Separator(),
            M::Cmd("&802.1X Configuration...", kCmd8021X),
            M::Cmd("&ARP Spoofing Prevention Setting...", kCmdArpSpoofing),
            M::Cmd("&DHCP Server Screening Port Configuration...", kCmdDhcpScreening),
            M::Separator(),
            M::Cmd("&Firmware and Configuration Upgrade/Backup...", kCmdFirmware),
            M::Cmd("&Save Configuration...", kCmdSaveConfiguration),
            M::Cmd("&Reboot", kCmdReboot),
            M::Separator(),
            M::Cmd("&PoE Port Config", kCmdPoePortConfig),
            M::Cmd("&Time_Based PoE", kCmdTimeBasedPoe),
            M::Sub("LLDP",
                   {
                       M::Cmd("&LLDP Global Setting", kCmdLldpGlobal),
                       M::Cmd("&LLDP Remote Port Information", kCmdLldpRemote),
                       M::Cmd("&LLDP MED Setting", kCmdLldpMed),
                   }),
        }));
    bar.push_back(M::Sub("&Public MIB   ",
        {
            M::Cmd("&System Information...", kCmdSystemInformation),
            M::Cmd("In&terface Table...", kCmdInterfaceTable),
            M::Cmd("&IP Table...", kCmdIpTable),
            M::Cmd("Forwarding Table...", kCmdForwardingTable),
            M::Cmd("&TCP Service...", kCmdTcpService),
            M::Cmd("&UDP Service...", kCmdUdpService),
            M::Cmd("802.1D...", kCmdBridge8021D),
        }));
    bar.push_back(M::Sub("&Tools   ", {M::Cmd("&Telnet...", kCmdTelnet), M::Cmd("&Web...", kCmdWeb)}));
    // Command 16 belongs to the window's system menu, which Qt cannot reach on every platform:
    // it is the About menu's second item, and like the system menu it keeps the window shown.
    bar.push_back(M::Sub("&About   ", {M::Cmd("About " + deviceName + "...", kCmdAbout),
                                        M::Cmd(kSystemAboutText, kCmdSystemAbout)}));
    return bar;
}

namespace {
bool RemoveFrom(std::vector<MenuItem>& items, int command) {
    for (auto it = items.begin(); it != items.end(); ++it) {
        if (it->kind == MenuItem::Kind::Command && it->command == command) {
            items.erase(it);
            return true;
        }
        if (it->kind == MenuItem::Kind::SubMenu && RemoveFrom(it->items, command)) return true;
    }
    return false;
}

const MenuItem* FindIn(const std::vector<MenuItem>& items, int command) {
    for (const MenuItem& item : items) {
        if (item.kind == MenuItem::Kind::Command && item.command == command) return &item;
        if (item.kind == MenuItem::Kind::SubMenu)
            if (const MenuItem* found = FindIn(item.items, command)) return found;
    }
    return nullptr;
}
}  // namespace

bool RemoveCommand(MenuBar& menu, int command) { return RemoveFrom(menu, command); }

const MenuItem* FindCommand(const MenuBar& menu, int command) { return FindIn(menu, command); }

void TrimMainMenu(MenuBar& menu, const std::string& deviceName) {
    if (deviceName.find("Tolva") != std::string::npos) RemoveCommand(menu, kCmdJumboFrame);
    if (IsPoeModel(deviceName) || menu.empty()) return;
    for (int command : {kCmdPoePortConfig, kCmdTimeBasedPoe, kCmdLldpGlobal, kCmdLldpMed, kCmdLldpRemote})
        RemoveCommand(menu, command);
    // The LLDP sub-menu is empty now; remove it by what it is rather than by its position,
    // which moves when Jumbo Frame was removed too.
    auto& first = menu.front().items;
    for (auto it = first.begin(); it != first.end(); ++it) {
        if (it->kind == MenuItem::Kind::SubMenu && it->text == "LLDP" && it->items.empty()) {
            first.erase(it);
            break;
        }
    }
}

// ---- dialogs --------------------------------------------------------------------------------

std::unique_ptr<IModalDialog> DialogRegistry::Create(int command) const {
    auto it = m_factories.find(command);
    if (it == m_factories.end() || !it->second) return nullptr;
    return it->second();
}

std::unique_ptr<IModalDialog> DialogRegistry::CreateForPort(int command, int port) const {
    auto it = m_portFactories.find(command);
    if (port < 1 || it == m_portFactories.end() || !it->second) return Create(command);
    return it->second(port);
}

DialogRegistry& Dialogs() {
    static DialogRegistry registry;
    return registry;
}

// ---- processes ------------------------------------------------------------------------------

bool SpawnLauncher::Launch(const std::vector<std::string>& argv) { return platform::StartDetachedProcess(argv); }

std::string FindBrowserPath(const std::string& registryValue) {
    // The value is read into a buffer of 200 bytes.
    const std::string value = registryValue.substr(0, std::min<size_t>(registryValue.size(), 199));
    auto search = [&](const char* extension) -> std::string {
        const size_t colon = value.find(":\\");
        const size_t ext = value.find(extension);
        if (colon == std::string::npos || ext == std::string::npos || colon == 0) return {};
        if (ext + 4 < colon) return {};  // the extension lies more than four characters before ":\"
        const size_t begin = colon - 1;
        const size_t end = ext + 4;
        if (end <= begin + 3) return {};  // no room for a path between drive and extension
        return value.substr(begin, end - begin);
    };
    std::string path = search(".exe");
    if (path.empty()) path = search(".EXE");
    return path;
}

std::string FindInPath(const std::string& program) {
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos) return platform::IsExecutableFile(program) ? program : std::string();
    for (const std::string& dir : platform::SearchPathFolders())
        if (platform::IsExecutableFile(dir + "/" + program)) return dir + "/" + program;
    return {};
}

bool IsSafeAddressArgument(const std::string& address) {
    if (address.empty() || address.front() == '-' || address.size() > 255) return false;
    for (char c : address) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
                        c == '-' || c == ':' || c == '[' || c == ']';
        if (!ok) return false;
    }
    return true;
}

std::vector<std::string> TelnetCommand(const std::string& address) {
    std::vector<std::string> argv = {"x-terminal-emulator", "-e", "telnet"};
    if (!address.empty()) argv.push_back(address);
    return argv;
}

std::vector<std::string> WebCommand(const std::string& browser, const std::string& address) {
    std::vector<std::string> argv = {browser};
    if (!address.empty()) argv.push_back("http://" + address + "/");
    return argv;
}

// ---- the window -----------------------------------------------------------------------------

AboutInfo MakeAboutInfo(const std::string& deviceName) {
    AboutInfo info;
    info.title = deviceName + " Module";
    info.nameLine = deviceName + " Management Module";
    info.lines = {{"Firmware Version         ", ": 2.01.xxx"}, {"Orbisa Module Version   ", ": 2.0.1.0"}};
    info.hiddenLine = "Hardware: A1";
    return info;
}

CMainWindow::CMainWindow(IMainWindowView& view, std::string profilePath, panel::IPictureLoader* loader,
                         const DialogRegistry& dialogs, IProcessLauncher& launcher)
    : m_view(view),
      m_strProfilePath(std::move(profilePath)),
      m_pLoader(loader),
      m_dialogs(dialogs),
      m_launcher(launcher) {
    m_record.PollPaused = false;
    m_record.PollPending = false;
    m_browserLocator = [] { return FindInPath("xdg-open"); };
    m_menu = BuildMainMenu("");
    SetWriteTakenHandler([this] { SetUnsavedChanges(true); });
}

void CMainWindow::SetUnsavedChanges(bool unsaved) {
    if (unsaved == m_bUnsavedChanges) return;
    m_bUnsavedChanges = unsaved;
    if (!m_strTitle.empty()) m_view.SetTitle(m_strTitle + (unsaved ? kUnsavedTitleMark : ""));
}

CMainWindow::~CMainWindow() {
    SetWriteTakenHandler(nullptr);
    StopPoller();
    if (!m_bDestroyed) OnDestroy();
}

bool CMainWindow::OnInitDialog(bool startPoller) {
    m_record.LinkModeShown = true;
    m_record.PowerMax = false;
    m_record.FanStatus = '1';

    DeviceProfile& profile = MutableProfile();
    const ProfileLoad loaded = LoadDeviceProfile(m_strProfilePath, profile);
    m_strDeviceName = profile.DeviceName;
    if (loaded != ProfileLoad::Ok) {
        platform::ShowMessage("Read User.ini Error !");
        m_menu = BuildMainMenu(m_strDeviceName);
        return true;
    }

    m_record.Reset(profile.DevicePortNum);

    std::string xml = profile.XMLName;
    if (!xml.empty() && xml.front() != '/') {
        const size_t slash = m_strProfilePath.find_last_of('/');
        if (slash != std::string::npos) xml = m_strProfilePath.substr(0, slash + 1) + xml;
    }
    m_bPanelLoaded = panel::LoadPanel(xml, m_root, m_modules, m_pLoader);
    if (!m_bPanelLoaded) platform::Trace("panel description %s not loaded", xml.c_str());
    m_view.SetPanelGeometry(m_root.GetRect());

    if (m_pLoader)
        for (int resource : panel::kPanelResources) m_bitmaps.LoadBitmapResource(*m_pLoader, resource);

    m_strTitle = profile.DeviceName + ": " + Settings().DeviceAddress;
    m_view.SetTitle(m_strTitle + (m_bUnsavedChanges ? kUnsavedTitleMark : ""));
    m_menu = BuildMainMenu(profile.DeviceName);
    m_record.SetAllIndicators(panel::kPortEnabled);

    m_pWalks = std::make_unique<panel::CPanelWalkState>(m_record, m_root, m_modules, profile.IsAllGiga, m_view);
    m_pSource = std::make_unique<panel::CPanelSnmpSource>(m_cCommonSNMPFan, m_cCommonSNMPPoe, m_cCommonSNMPDevStat,
                                                          m_cCommonSNMPPoeStat, *m_pWalks);
    panel::PollConfig config{Settings().SnmpVersion, profile.DeviceName, profile.IsHasFan};
    m_pThread = std::make_unique<panel::CPanelDeviceThread>(m_record, m_pSource.get(), m_clock, config, m_stopEvent);
    if (startPoller) m_pThread->Start();

    TrimMainMenu(m_menu, profile.DeviceName);
    return true;
}

bool CMainWindow::IsCommandAvailable(int command) const {
    switch (command) {
    // Neither starts a set nor hides the window, whose outcome message then has a place.
    case kCmdTelnet:
    case kCmdWeb:
    case kCmdSystemAbout: return true;
    case kCmdSaveConfiguration:
    case kCmdReboot:
    case kCmdAbout: return !DeviceCommandRunning();
    default: return !DeviceCommandRunning() && m_dialogs.Has(command);
    }
}

void CMainWindow::OnCommand(int command) {
    if (!IsCommandAvailable(command)) return;
    switch (command) {
    case kCmdSaveConfiguration: OnSaveConfiguration(); break;
    case kCmdReboot: OnReboot(); break;
    case kCmdTelnet: OnTelnet(); break;
    case kCmdWeb: OnWeb(); break;
    case kCmdAbout: OnAbout(false); break;
    case kCmdSystemAbout: OnAbout(true); break;
    default: RunDialogCommand(command); break;
    }
}

bool CMainWindow::RunDialogCommand(int command) {
    if (DeviceCommandRunning()) return false;
    std::unique_ptr<IModalDialog> dialog = m_dialogs.Create(command);
    if (!dialog) return false;
    m_view.HideWindow();
    m_record.PollPaused = true;
    m_view.MinimizeWindow();
    dialog->RunModal();
    m_record.PollPaused = false;
    m_view.ShowNormal();
    dialog.reset();
    return true;
}

void CMainWindow::OnAbout(bool fromSystemMenu) {
    const AboutInfo info = MakeAboutInfo(m_strDeviceName);
    if (fromSystemMenu) {
        m_view.RunAboutBox(info);
        return;
    }
    if (DeviceCommandRunning()) return;
    m_view.HideWindow();
    m_record.PollPaused = true;
    m_view.MinimizeWindow();
    m_view.RunAboutBox(info);
    m_record.PollPaused = false;
    m_view.ShowNormal();
}

void CMainWindow::OnSaveConfiguration() {
    if (DeviceCommandRunning()) return;
    if (!platform::Confirm("Do you want to save the configuration?")) return;
    // The question ran its own loop: a command answered meanwhile may have started a set.
    if (DeviceCommandRunning()) return;
    bool sent = false;
    if (m_cCommonSNMPset.Open(SNMP_PDU_SET_T)) {
        m_cCommonSNMPset.AddValue("1.3.6.1.4.1.171.10.76.12.1.10.0", SNMP_T_INTEGER, "1");
        sent = m_cCommonSNMPset.GetNextAsync(&CMainWindow::OnSaveReply, this, 4000) == 0;
    }
    BeginSet(Running::Save);
    if (!sent) EndSet("failed");
}

unsigned CMainWindow::OnSaveReply(CSnmp* reply, int requestId, void* param, int status) {
    delete reply;
    auto* self = static_cast<CMainWindow*>(param);
    // Replies of a closed session never get here; a stray one of an older request is dropped.
    if (!self->m_cCommonSNMPset.FindRequestID(requestId) || self->m_running != Running::Save) return 0;
    if (status == 0) self->SetUnsavedChanges(false);
    self->EndSet(status == 0 ? "success" : "failed");
    return 0;
}

std::string RebootRefusedMessage(int status) {
    const char* name = ErrorStatusName(status);
    if (status < 0) return "The reboot request could not be sent to the switch.";
    return std::string("The switch refused to reboot") + (name ? std::string(" (") + name + ")" : std::string()) + ".";
}

void CMainWindow::OnReboot() {
    if (DeviceCommandRunning()) return;
    const std::string question = "Do you want to reboot the device?";
    if (!platform::Confirm(m_bUnsavedChanges ? kUnsavedRebootWarning + question : question)) return;
    if (DeviceCommandRunning()) return;
    // A session of its own for each reboot; the last one goes once its reply has come.
    m_pRebootSession = std::make_unique<CCommonSnmp>();
    if (!m_pRebootSession->Open(SNMP_PDU_SET_T)) return;
    m_pRebootSession->AddValue("1.3.6.1.4.1.171.10.76.12.1.9.0", SNMP_T_INTEGER, "1");
    const bool sent = m_pRebootSession->GetNextAsync(&CMainWindow::OnRebootReply, this, 0) == 0;
    BeginSet(Running::Reboot);
    if (!sent) EndSet(RebootRefusedMessage(-1));
}

unsigned CMainWindow::OnRebootReply(CSnmp* reply, int requestId, void* param, int status) {
    delete reply;
    auto* self = static_cast<CMainWindow*>(param);
    CCommonSnmp* session = self->m_pRebootSession.get();
    if (!session || !session->FindRequestID(requestId) || self->m_running != Running::Reboot) return 0;
    std::string message;
    if (status == 0) {
        self->SetUnsavedChanges(false);  // what was not saved is gone with the restart
    } else if (status > 0) {
        message = RebootRefusedMessage(status);
    } else if (session->LastFailure() == SnmpFailure::NoAnswer) {
        // A switch may restart before it answers; say only what is known.
        message = kRebootNoAnswer;
    } else {
        message = RebootRefusedMessage(-1);
    }
    self->EndSet(message);
    return 0;
}

void CMainWindow::BeginSet(Running what) {
    m_running = what;
    platform::ui().setWaitCursor(true);
    m_view.CommandsChanged();
}

void CMainWindow::EndSet(const std::string& message) {
    m_running = Running::None;
    platform::ui().setWaitCursor(false);
    m_view.CommandsChanged();
    if (!message.empty()) {
        if (m_bQuiet) platform::Trace("device command: %s", message.c_str());
        else platform::ShowMessage(message);
    }
    if (m_bCloseWanted && !m_bClosed && !DeviceCommandRunning()) Close();
}

void CMainWindow::OnTelnet() {
    if (!platform::Confirm("Do you want to TELNET this device?")) return;
    const std::string& address = Settings().DeviceAddress;
    if (!address.empty() && !IsSafeAddressArgument(address)) {
        platform::Trace("Telnet not started: the address is not a host name");
        return;
    }
    m_launcher.Launch(TelnetCommand(address));
}

void CMainWindow::OnWeb() {
    if (!platform::Confirm("Do you want to access this device with browser?")) return;
    const std::string browser = m_browserLocator ? m_browserLocator() : std::string();
    if (browser.empty()) {
        platform::ShowMessage("Failed to get IE path !");
        return;
    }
    const std::string& address = Settings().DeviceAddress;
    if (!address.empty() && !IsSafeAddressArgument(address)) {
        platform::Trace("browser not started: the address is not a host name");
        return;
    }
    m_launcher.Launch(WebCommand(browser, address));
}

void CMainWindow::Paint(panel::IPanelCanvas& canvas, const panel::Rect& client) {
    panel::PaintBackground(m_root, canvas, client, this);
    if (!m_bPanelLoaded) return;
    panel::PaintIndicators(canvas, m_record, m_root, m_bitmaps, m_strDeviceName, m_bBlinkPhase);
}

void CMainWindow::OnTimer(int timerId) {
    if (timerId != panel::kBlinkTimerId) return;
    m_view.RepaintPanel();
    m_bBlinkPhase = !m_bBlinkPhase;
}

void CMainWindow::OnLButtonDown(int x, int y) { m_root.OnLButtonDown(x, y); }

void CMainWindow::OnMouseMove(int x, int y) { m_root.OnMouseMove(x, y); }

void CMainWindow::OnPortClicked(panel::CPort& port) {
    m_view.NotifyPortClicked(port.m_wIdentifier);
    // The port configuration dialog, as from the menu but without pausing the poller, showing
    // the clicked port (a fibre twin stands for its combo port).
    const int number = panel::PortNumberOfElement(m_record, panel::PortElementIndex(m_root, port));
    if (DeviceCommandRunning()) return;  // as the menu's dialogs while Save or Reboot is out
    std::unique_ptr<IModalDialog> dialog = m_dialogs.CreateForPort(kCmdPortConfiguration, number);
    if (!dialog) return;
    m_view.HideWindow();
    m_view.MinimizeWindow();
    dialog->RunModal();
    m_view.ShowNormal();
}

void CMainWindow::OnActivateMessage() { m_view.BringToFront(); }

void CMainWindow::StopPoller() {
    if (m_pThread) m_pThread->Stop(1000);
}

bool CMainWindow::OnClose() {
    if (DeviceCommandRunning()) {
        // The set is out: its outcome is waited for (at most its time-out), the close follows.
        m_bCloseWanted = true;
        return true;
    }
    return Close();
}

bool CMainWindow::Close() {
    bool inTime = true;
    if (m_pThread) inTime = m_pThread->Stop(1000);
    m_bClosed = true;
    m_view.EndDialog();
    return inTime;
}

void CMainWindow::OnDestroy() {
    if (m_bDestroyed) return;
    m_bDestroyed = true;
    StopPoller();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                         {m_cCommonSNMPset, "m_cCommonSNMPset"},
                         {m_cCommonSNMPFan, "m_cCommonSNMPFan"},
                         {m_cCommonSNMPPoe, "m_cCommonSNMPPoe"},
                         {m_cCommonSNMPDevStat, "m_cCommonSNMPDevStat"},
                         {m_cCommonSNMPPoeStat, "m_cCommonSNMPPoeStat"}});
    if (m_pSource) m_pSource->Close();  // the status reads' helper sessions
    if (m_pRebootSession) m_pRebootSession->Close();
    if (DeviceCommandRunning()) {  // its reply is dropped with the session
        m_running = Running::None;
        if (platform::UiServices* services = platform::uiIfInstalled()) services->setWaitCursor(false);
    }
}

}  // namespace app
