#pragma once
// The session object every dialog and the main window use to reach the switch. One object per
// kind of traffic; each owns its own Net-SNMP session and serialises its own operations.
// Walk callbacks are delivered on the UI thread (platform::ui().post), in order.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/session_settings.h"
#include "platform/event.h"
#include "snmp/snmp_lib.h"

class CCommonSnmp {
public:
    CCommonSnmp();                                    // copies the process-wide settings
    explicit CCommonSnmp(const SessionSettings& settings);
    ~CCommonSnmp();
    CCommonSnmp(const CCommonSnmp&) = delete;
    CCommonSnmp& operator=(const CCommonSnmp&) = delete;

    // Prepares an empty request: 0 get, 1 get-next, 3 set. False for an unknown version or type.
    bool Open(int pduType);
    int AddValue(const char* oid, int type, const char* value);
    int AddValue(const char* oid, int type, const unsigned char* bytes, int count);
    // 0: *reply holds the reply (caller deletes). -1: nothing could be sent, no answer, or a reply
    // whose bindings do not answer the request; a positive value: the agent's error status.
    // timeoutMs 0 = session time-out. On the UI thread the call stays synchronous, but the wait
    // goes through platform::UiServices::waitRepainting, so the window keeps painting.
    int Send(CSnmp** reply, int timeoutMs);
    int GetNext(CSnmp** reply, int timeoutMs);
    // Starts one walk step; the callback receives the reply on the UI thread.
    int GetNextAsync(SnmpCallback callback, void* param, int timeoutMs);
    // For the walk just opened: each get-next goes out as soon as the row before it arrives,
    // rather than when the next step is asked for. Meant for walks that ask for the next row
    // before handling the current one: their requests are the same, only sooner. (SNMPv3 walks
    // fetch ahead in bulk anyway.) False when no get-next walk is open.
    bool SetReadAhead();
    // For the walk just opened from a point inside its table (column OID + instance): the
    // columns it walks, in binding order, for its end and GetSuffix. False when none is open.
    // oneRow: each request asks for one row only (no rows fetched ahead in bulk).
    // rowOctets: the size of a row elsewhere in the table (SnmpRowOctets), for the first
    // request's GETBULK repetitions; 0 when none has been seen.
    bool SetWalkColumns(const std::vector<std::string>& columns, bool oneRow = false, std::size_t rowOctets = 0);
    // A new session with this one's settings (walks in parts run side by side on such twins).
    // Closing this session closes its twins too.
    std::unique_ptr<CCommonSnmp> Twin();
    // Takes another session's failure as this one's last (a walk in parts that failed on a twin).
    void NoteFailure(SnmpFailure failure, const std::string& text);
    int GetSuffix(int index, CSnmp* reply, std::string& suffix);
    // True when `id` is outstanding; it is then removed (each request is answered once).
    bool FindRequestID(int id);
    void SignalDone();
    // Cancels outstanding walks (late replies are dropped) and waits for the walk to end.
    void Close();

    // Row status writes: value must be "1", "5" or "6" ("error status value!" otherwise).
    // Returns 1 on success, 0 on failure.
    int SetRowStatus(const char* oid, const char* value);

    // Why the last Send, GetNext or walk step of this session failed, in words for the user
    // ("no answer (time-out)", "the host name ... could not be resolved", ...).
    SnmpFailure LastFailure();
    std::string LastFailureText();
    // The binding (from 1) that the error status of the last reply names; 0 when none. A get of
    // many objects learns from it which one an SNMPv1 agent does not have (noSuchName).
    int LastErrorIndex();

    bool IsCancelled() const { return cancelled_; }
    bool WaitDone(int ms) { return done_.waitFor(std::chrono::milliseconds(ms)); }
    int TimeoutMs() const { return timeoutMs_; }
    int Version() const { return version_; }

    // Proxy marker object `snmp_proxy_ip`: replies may carry it next to the real bindings.
    static constexpr const char* kProxyMarker = "1.3.6.1.4.1.171.7777.1.";

private:
    struct Shared;  // state that queued UI-thread deliveries check after the session is gone
    struct Twins {  // the twins of a session, closed with it
        std::mutex mutex;
        std::vector<CCommonSnmp*> members;
    };
    std::shared_ptr<Twins> twins_;   // this session's twins
    std::shared_ptr<Twins> twinOf_;  // the group this twin belongs to
    struct Step {   // one queued walk step
        SnmpCallback callback = nullptr;
        void* param = nullptr;
        int timeoutMs = 0;
        int id = 0;
        unsigned epoch = 0;
    };
    void WorkerLoop();
    // On the worker: fetches the walk's next rows while the held ones are handed out.
    void Prefetch(unsigned epoch, int timeoutMs);
    void WantPrefetchLocked(int timeoutMs);  // workMutex_ held
    // Queues one step's outcome for the UI thread (posting a hand-over task unless one is
    // pending); it is dropped there when the walk was closed or superseded meanwhile.
    static void Deliver(const std::shared_ptr<Shared>& shared, const Step& step, CSnmp* reply, int status);
    static void HandOver(const std::shared_ptr<Shared>& shared);  // on the UI thread
    void StopWorker();
    void NoteFailureLocked(SnmpFailure failure);  // lock_ held
    int SendNow(CSnmp** reply, int timeoutMs);
    int GetNextNow(CSnmp** reply, int timeoutMs);

    int version_ = 0;
    int timeoutMs_ = 3000;
    std::string address_;  // "host:port"
    std::string readCommunity_, writeCommunity_;
    std::string securityLevel_, authProtocol_, privProtocol_;
    std::string userName_, authPassword_, privPassword_;

    std::unique_ptr<CSnmp> request_;
    std::unique_ptr<CSnmpTable> table_;
    std::shared_ptr<class SnmpTransport> transport_;  // this session's Net-SNMP session, reused
    SnmpFailure lastFailure_ = SnmpFailure::None;     // guarded by lock_
    std::string lastFailureText_;
    std::mutex lock_;                      // the lock event
    std::mutex transportMutex_;            // use of transport_ (after lock_ where both are held)
    platform::Event done_{true};           // the done event
    std::atomic<bool> cancelled_{false};
    std::shared_ptr<Shared> shared_;       // request-ID list and liveness, shared with deliveries

    // Walk worker: takes queued steps one at a time, in order.
    std::thread worker_;
    std::mutex workMutex_;                 // guards the fields below
    std::condition_variable workCv_;
    bool stop_ = false;
    bool hasStep_ = false;
    bool sending_ = false;                 // the worker is sending a step
    bool prefetchWanted_ = false;          // the walk's next rows are to be fetched ahead
    bool prefetchRunning_ = false;         // the worker is fetching them
    int prefetchTimeoutMs_ = 0;            // the time-out of the step that wanted them
    int lastStepTimeoutMs_ = 0;            // the time-out of the walk's latest step
    std::chrono::steady_clock::time_point stepQueuedAt_;  // when step_ was queued
    std::atomic<bool> readAhead_{false};   // the open walk reads ahead: the worker never idles between rows
    Step step_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stepPosted_{false};
    std::atomic<int> syncInFlight_{0};     // Send or GetNext running on some thread  // a hint for the worker's short look before sleeping
};

// True when a returned binding is the proxy marker `snmp_proxy_ip` rather than table data.
bool IsProxyMarker(const std::string& oid);
