#pragma once
// The panel's status reads at any distance: objects whose instances are known (the columns of
// ports 1..N) are read with gets of many objects each, a few requests in flight side by side,
// rather than one get-next per row; and each wait follows the switch's measured round trip.
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "snmp/snmp_lib.h"

class CCommonSnmp;

namespace panel {

// Reads a list of objects with gets of up to `perGet` objects each, at most as many requests in
// flight as it has sessions. An object the switch does not have (an exception value, or the one
// a noSuchName names under SNMPv1) is left out of the result, and the rest of its request is
// asked again; a tooBig reply splits the request. Such objects are not asked again for a while.
class CStatusGets {
public:
    // (values by OID, 0 or the status that failed the read, why). Runs on the UI thread.
    using Done = std::function<void(const std::map<std::string, std::string>& values, int status, SnmpFailure why)>;

    // `helpers`: the sessions that carry the requests beside the read's own one.
    explicit CStatusGets(std::vector<CCommonSnmp*> helpers) : m_helpers(std::move(helpers)) {}
    ~CStatusGets();
    CStatusGets(const CStatusGets&) = delete;
    CStatusGets& operator=(const CStatusGets&) = delete;

    // Starts a read on `own` and the helpers (any thread), abandoning a read still under way.
    // `onAnswer` runs on the UI thread for every reply. `done` runs once, unless abandoned.
    void Start(CCommonSnmp& own, std::vector<std::string> oids, int perGet, int timeoutMs, Done done,
               std::function<void()> onAnswer = {});

    // How many reads pass before the objects found missing are asked again.
    static constexpr int kForgetMissingAfter = 20;
    static constexpr int kLargestPerGet = 48;

private:
    struct Slot {
        CStatusGets* owner = nullptr;
        CCommonSnmp* session = nullptr;
        std::vector<std::string> oids;  // what it asks for now; empty when idle
        unsigned job = 0;
    };
    static unsigned OnReply(CSnmp* reply, int requestId, void* param, int status);
    // Under m_lock: hands queued requests to idle slots; true when the read is complete.
    bool LaunchLocked();
    // Under m_lock: ends the read with a failure; the requests still out are abandoned.
    void FailLocked(int status, SnmpFailure why);
    bool Send(Slot& slot, std::vector<std::string> oids);

    std::vector<CCommonSnmp*> m_helpers;
    std::mutex m_lock;
    std::vector<Slot> m_slots;
    std::deque<std::vector<std::string>> m_queue;  // requests to send, in order
    std::map<std::string, std::string> m_values;
    std::set<std::string> m_missing;  // objects the switch lacks, not asked for meanwhile
    int m_reads = 0;
    int m_perGet = kLargestPerGet;
    int m_timeoutMs = 500;
    unsigned m_job = 0;
    bool m_active = false;
    Done m_done;
    std::function<void()> m_onAnswer;
    std::shared_ptr<int> m_life = std::make_shared<int>(0);  // posted endings check it
};

}  // namespace panel
