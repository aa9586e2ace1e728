#pragma once
// The device side of the status poller over the main window's SNMP sessions: the fan and mode
// reads, the link and PoE walks, and the steps that apply a finished walk to the panel. Walk
// callbacks are delivered on the UI thread, so the painter never sees a half-applied poll.
#include <memory>
#include <mutex>
#include <vector>

#include "panel/device_thread.h"
#include "panel/panel_object.h"
#include "panel/status_gets.h"
#include "panel/status_rules.h"
#include "snmp/snmp_lib.h"

class CCommonSnmp;
class CSnmp;

namespace panel {

constexpr int kBlinkTimerId = 2052;
constexpr int kBlinkTimerMs = 200;

// Outputs of an applied poll.
class IPanelView {
public:
    virtual ~IPanelView() = default;
    virtual void RepaintPanel() = 0;
    // (Re)arms the blink timer to fire every `ms` milliseconds.
    virtual void SetBlinkTimer(int ms) = 0;
    // A status walk got no answer (false), or a later one was applied (true): the window says
    // so, since a panel with every port dark looks like a healthy switch with its cables pulled.
    virtual void SetDeviceAnswering(bool answering) { (void)answering; }
    // The device answered but refused this module's credentials ("authentication failed", ...)
    // or its replies were not usable ("replies not usable: the switch's table repeats itself"):
    // the window says that rather than "not answering", which would send the administrator
    // looking for a network fault.
    virtual void SetDeviceRefusing(const std::string& why) {
        (void)why;
        SetDeviceAnswering(false);
    }
    // A reply of the switch arrived (any reply, before a poll is complete too).
    virtual void DeviceAnswered() {}
};

// The walk state and the apply steps, independent of how rows arrive.
class CPanelWalkState {
public:
    CPanelWalkState(PortStateRecord& record, CDevModule& root, ModuleList& modules, bool allGiga, IPanelView& view)
        : m_record(record), m_root(root), m_modules(modules), m_bAllGiga(allGiga), m_view(view) {}

    void BeginLinkWalk();
    void BeginPoeWalk();
    // One row; true when the walk should go on, false when it is complete (and applied).
    bool OnLinkRow(const ReplyBindings& bindings);
    bool OnPoeRow(const ReplyBindings& bindings);
    // A status read by known port ended: the rows of the ports the switch gave, in port order.
    void OnLinkRead(std::vector<LinkRow> rows);
    void OnPoeRead(std::vector<PoeRow> rows);
    void NoteAnswer() { m_view.DeviceAnswered(); }
    // The walk ended with a non-zero status.
    void OnLinkWalkFailed(int status, SnmpFailure failure = SnmpFailure::NoAnswer);
    void OnPoeWalkFailed(int status, SnmpFailure failure = SnmpFailure::NoAnswer);

    size_t LinkRowCount();
    PortStateRecord& Record() { return m_record; }
    size_t PoeRowCount();

private:
    // Tells the view why the switch's state is not shown: no answer, or what it said instead.
    void ReportFailure(SnmpFailure failure);
    void FinishLink();
    void FinishPoe();
    size_t RowLimit() const;

    PortStateRecord& m_record;
    CDevModule& m_root;
    ModuleList& m_modules;
    bool m_bAllGiga;
    IPanelView& m_view;
    std::mutex m_lock;  // the row lists: emptied by the poll thread, filled on the UI thread
    std::vector<LinkRow> m_linkRows;
    std::vector<PoeRow> m_poeRows;
};

// Requests of one status read in flight side by side, at most; the read's own session and
// helpers carry them.
constexpr int kStatusRequestsInFlight = 4;
// Objects per get: a reply stays well inside the 1024 octets an SNMPv3 request allows.
constexpr int kLinkObjectsPerGet = 32;  // 8 ports of 4 columns
constexpr int kPoeObjectsPerGet = 20;   // state texts are longer
// The time-outs of the status reads; a switch far away gets 1.5 round trips at least.
constexpr int kStatusReadMs = 500;
constexpr int kPoeReadMs = 1000;

class CPanelSnmpSource : public IPanelStatusSource {
public:
    CPanelSnmpSource(CCommonSnmp& fan, CCommonSnmp& poe, CCommonSnmp& devStat, CCommonSnmp& poeStat,
                     CPanelWalkState& walks);
    ~CPanelSnmpSource() override;

    bool ReadFan(std::string& value) override;
    bool ReadMode(std::string& mode, std::string& power) override;
    // The link and PoE states of ports 1..PortCount, read by their known instances.
    void StartLinkWalk() override;
    void StartPoeWalk() override;
    // Closes the helper sessions (after the poller has stopped).
    void Close();

private:
    void FinishRead(CCommonSnmp& session, int status, SnmpFailure why, bool link);

    CCommonSnmp& m_fan;
    CCommonSnmp& m_poe;
    CCommonSnmp& m_devStat;
    CCommonSnmp& m_poeStat;
    CPanelWalkState& m_walks;
    std::vector<std::unique_ptr<CCommonSnmp>> m_helpers;
    std::unique_ptr<CStatusGets> m_reader;
};

// Every binding of a reply as (OID, value text).
ReplyBindings ReadBindings(const CSnmp& reply);

}  // namespace panel
