// The session object: settings copy, request building, synchronous requests and walks whose
// steps run on the session's worker thread and are delivered on the UI thread.
#include "snmp/common_snmp.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <vector>

#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/snmp_transport.h"

namespace {

// Numbers the walk steps of every session; the first step is 1.
std::atomic<int> g_walkCounter{0};

// How long a step of a walk that reads ahead may wait for more rows before it is answered.
constexpr std::chrono::microseconds kReadAheadHold{4000};
// How long one UI-thread task hands over step outcomes beyond those waiting when it started.
constexpr std::chrono::microseconds kHandOverSlice{5000};

int ToInt(const std::string& text, int fallback) {
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno || end == text.c_str() || value < -2147483647L || value > 2147483647L) return fallback;
    return static_cast<int>(value);
}

}  // namespace

struct CCommonSnmp::Shared {
    std::mutex mutex;
    std::vector<int> ids;   // outstanding walk steps
    bool alive = true;      // false once the session is destroyed
    unsigned epoch = 0;     // bumped by Open and Close: replies of an older walk are dropped
    // Step outcomes waiting for the UI thread, in order. One posted task hands over all that
    // are waiting, so that rows read ahead cost no UI-thread task (nor allocation) each.
    struct Outcome {
        Step step;
        CSnmp* reply;
        int status;
    };
    std::deque<Outcome> outcomes;
    bool handOverPosted = false;
    ~Shared() {
        for (const Outcome& o : outcomes) delete o.reply;  // the UI went away before handing them over
    }
};

bool IsProxyMarker(const std::string& oid) { return SnmpIsProxyMarker(oid); }

CCommonSnmp::CCommonSnmp() : CCommonSnmp(Settings()) {}

CCommonSnmp::CCommonSnmp(const SessionSettings& s)
    : version_(ToInt(s.SnmpVersion, 0)),
      timeoutMs_(ToInt(s.TimeoutMs, 3000)),
      address_(s.DeviceAddress + ":" + (s.AgentPort.empty() ? std::string("161") : s.AgentPort)),
      readCommunity_(s.ReadCommunity),
      writeCommunity_(s.WriteCommunity),
      securityLevel_(s.SecurityLevel),
      authProtocol_(s.AuthProtocol),
      privProtocol_(s.PrivProtocol),
      userName_(s.UserName),
      authPassword_(s.AuthPassword),
      privPassword_(s.PrivPassword),
      transport_(std::make_shared<SnmpTransport>()),
      shared_(std::make_shared<Shared>()) {
    if (timeoutMs_ <= 0) timeoutMs_ = 3000;
}

CCommonSnmp::~CCommonSnmp() {
    if (twinOf_) {
        std::lock_guard<std::mutex> lock(twinOf_->mutex);
        auto& m = twinOf_->members;
        m.erase(std::remove(m.begin(), m.end(), this), m.end());
    }
    running_ = false;
    {
        std::lock_guard<std::mutex> wl(workMutex_);
        stop_ = true;
        hasStep_ = false;
        cancelled_ = true;
        std::lock_guard<std::mutex> sl(shared_->mutex);
        shared_->alive = false;
        shared_->ids.clear();
    }
    workCv_.notify_all();
    transport_->abort();  // a step in flight gives up at once: joining the worker never waits on the network
    StopWorker();
    std::lock_guard<std::mutex> lock(lock_);
    table_.reset();
    request_.reset();
    transport_.reset();
}

void CCommonSnmp::StopWorker() {
    if (!worker_.joinable()) return;
    // A step in flight ends within its own time-out; the thread is never killed.
    if (worker_.get_id() == std::this_thread::get_id()) {
        worker_.detach();
    } else {
        worker_.join();
    }
}

bool CCommonSnmp::Open(int pduType) {
    running_ = false;
    bool inFlight = false;
    {
        // A walk still under way is abandoned: its queued step is dropped, a reply in flight or
        // waiting for the UI thread is discarded.
        std::lock_guard<std::mutex> wl(workMutex_);
        hasStep_ = false;
        prefetchWanted_ = false;
        {
            std::lock_guard<std::mutex> sl(shared_->mutex);
            ++shared_->epoch;
        }
        inFlight = sending_ || prefetchRunning_;
        if (!sending_) done_.set();
    }
    // The step in flight gives up rather than keep this thread waiting for the lock.
    if (inFlight) transport_->abort();
    std::lock_guard<std::mutex> lock(lock_);
    {
        std::lock_guard<std::mutex> net(transportMutex_);  // a prefetch that gave up has let go
        transport_->resume();
    }
    table_.reset();
    request_.reset();
    readAhead_ = false;
    {
        std::lock_guard<std::mutex> wl(workMutex_);
        lastStepTimeoutMs_ = 0;
    }
    if (pduType != SNMP_PDU_GET_T && pduType != SNMP_PDU_GETNEXT_T && pduType != SNMP_PDU_SET_T) return false;

    std::unique_ptr<CSnmp> request;
    if (version_ == 1) {
        auto v1 = std::make_unique<CSnmpV1>(0);
        v1->setType(pduType);
        v1->clearVarBindList();
        v1->setCommunity(pduType == SNMP_PDU_SET_T ? writeCommunity_.c_str() : readCommunity_.c_str());
        request = std::move(v1);
    } else if (version_ == 3) {
        auto v3 = std::make_unique<CSnmpV3>(0);
        v3->setType(pduType);
        v3->clearVarBindList();
        v3->setMsgMaxSize(1024);
        v3->setMsgSecurityModel(3);
        v3->setUserName(userName_.c_str());
        auto authenticate = [&] {
            if (authProtocol_ == "2" || authProtocol_ == "3") {
                v3->setAuthArith(authProtocol_ == "2" ? 0 : 1);
                v3->setAuthPwd(authPassword_.c_str(), static_cast<int>(authPassword_.size()));
            } else {
                v3->setMsgFlags(0);
            }
        };
        if (securityLevel_ == "2") {
            v3->setMsgFlags(1);
            authenticate();
        } else if (securityLevel_ == "3") {
            v3->setMsgFlags(3);
            authenticate();
            if (privProtocol_ == "2") {
                v3->setPriArith(0);
                v3->setPriPwd(privPassword_.c_str(), static_cast<int>(privPassword_.size()));
            } else {
                v3->setMsgFlags(1);
            }
        } else {
            v3->setMsgFlags(0);
        }
        request = std::move(v3);
    } else {
        return false;
    }
    request->setTransport(transport_);
    table_ = std::make_unique<CSnmpTable>(request.get());
    request_ = std::move(request);
    cancelled_ = false;
    return true;
}

int CCommonSnmp::AddValue(const char* oid, int type, const char* value) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!request_) return -1;
    return request_->addValue(oid, type, value);
}

int CCommonSnmp::AddValue(const char* oid, int type, const unsigned char* bytes, int count) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!request_) return -1;
    return request_->addValue(oid, type, bytes, count);
}

namespace {

// A request of the UI thread waits for the switch through the UI services, so that the window
// keeps painting; elsewhere it simply runs.
void RunWaiting(const std::function<void()>& work) {
    platform::UiServices* services = platform::uiIfInstalled();
    if (services && services->isUiThread()) services->waitRepainting(work);
    else work();
}

}  // namespace

int CCommonSnmp::Send(CSnmp** reply, int timeoutMs) {
    int rc = -1;
    ++syncInFlight_;
    RunWaiting([&] { rc = SendNow(reply, timeoutMs); });
    --syncInFlight_;
    return rc;
}

int CCommonSnmp::GetNext(CSnmp** reply, int timeoutMs) {
    int rc = -1;
    ++syncInFlight_;
    RunWaiting([&] { rc = GetNextNow(reply, timeoutMs); });
    --syncInFlight_;
    return rc;
}

int CCommonSnmp::SendNow(CSnmp** reply, int timeoutMs) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!request_ || !table_ || request_->getValuesCount() == 0) {
        NoteFailureLocked(SnmpFailure::NotSent);
        return -1;
    }
    std::lock_guard<std::mutex> net(transportMutex_);
    const int rc = request_->send(address_.c_str(), reply, timeoutMs == 0 ? timeoutMs_ : timeoutMs);
    NoteFailureLocked(rc == 0 ? SnmpFailure::None : request_->lastFailure());
    return rc;
}

int CCommonSnmp::GetNextNow(CSnmp** reply, int timeoutMs) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!request_ || !table_ || request_->getValuesCount() == 0) {
        NoteFailureLocked(SnmpFailure::NotSent);
        return -1;
    }
    std::lock_guard<std::mutex> net(transportMutex_);
    const int rc = table_->getNext(address_.c_str(), reply, timeoutMs == 0 ? timeoutMs_ : timeoutMs);
    NoteFailureLocked(rc == 0 || rc == CSnmp4w::EC_END_OF_TABLE ? SnmpFailure::None : request_->lastFailure());
    return rc;
}

void CCommonSnmp::NoteFailureLocked(SnmpFailure failure) {
    lastFailure_ = failure;
    if (failure == SnmpFailure::None) lastFailureText_.clear();
    else if (request_ && request_->lastFailure() == failure) lastFailureText_ = request_->lastFailureText();  // with its details
    else lastFailureText_ = SnmpFailureText(failure);
}

SnmpFailure CCommonSnmp::LastFailure() {
    std::lock_guard<std::mutex> lock(lock_);
    return lastFailure_;
}

int CCommonSnmp::LastErrorIndex() {
    std::lock_guard<std::mutex> lock(lock_);
    int status = 0, index = 0;
    if (request_) request_->getErrorInfo(status, index);
    return status != 0 ? index : 0;
}

std::string CCommonSnmp::LastFailureText() {
    std::lock_guard<std::mutex> lock(lock_);
    return lastFailureText_;
}

bool CCommonSnmp::SetReadAhead() {
    std::lock_guard<std::mutex> lock(lock_);
    if (!request_ || !table_ || request_->getType() != SNMP_PDU_GETNEXT_T) return false;
    table_->setReadAhead(true);
    readAhead_ = true;
    return true;
}

bool CCommonSnmp::SetWalkColumns(const std::vector<std::string>& columns, bool oneRow, std::size_t rowOctets) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!request_ || !table_ || request_->getType() != SNMP_PDU_GETNEXT_T ||
        columns.size() != static_cast<size_t>(request_->getValuesCount()))
        return false;
    table_->setColumns(columns);
    if (oneRow) table_->oneRowPerRequest();
    if (rowOctets) table_->assumeRowOctets(rowOctets);
    return true;
}

void CCommonSnmp::NoteFailure(SnmpFailure failure, const std::string& text) {
    std::lock_guard<std::mutex> lock(lock_);
    lastFailure_ = failure;
    lastFailureText_ = failure == SnmpFailure::None ? std::string() : text;
}

std::unique_ptr<CCommonSnmp> CCommonSnmp::Twin() {
    SessionSettings s;
    s.SnmpVersion = std::to_string(version_);
    s.TimeoutMs = std::to_string(timeoutMs_);
    const std::string::size_type colon = address_.rfind(':');
    s.DeviceAddress = address_.substr(0, colon);
    s.AgentPort = colon == std::string::npos ? "161" : address_.substr(colon + 1);
    s.ReadCommunity = readCommunity_;
    s.WriteCommunity = writeCommunity_;
    s.SecurityLevel = securityLevel_;
    s.AuthProtocol = authProtocol_;
    s.PrivProtocol = privProtocol_;
    s.UserName = userName_;
    s.AuthPassword = authPassword_;
    s.PrivPassword = privPassword_;
    auto twin = std::make_unique<CCommonSnmp>(s);
    twin->transport_->shareEngineNote(transport_->engineNote());
    if (!twins_) twins_ = std::make_shared<Twins>();
    twin->twinOf_ = twins_;
    std::lock_guard<std::mutex> lock(twins_->mutex);
    twins_->members.push_back(twin.get());
    return twin;
}

void CCommonSnmp::WantPrefetchLocked(int timeoutMs) {
    prefetchWanted_ = true;
    prefetchTimeoutMs_ = timeoutMs;
}

int CCommonSnmp::GetSuffix(int index, CSnmp* reply, std::string& suffix) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!request_ || !table_ || request_->getValuesCount() == 0) return -1;
    return table_->getSuffix(index, reply, suffix);
}

int CCommonSnmp::GetNextAsync(SnmpCallback callback, void* param, int timeoutMs) {
    std::lock_guard<std::mutex> lock(lock_);
    std::lock_guard<std::mutex> wl(workMutex_);
    if (cancelled_ || stop_ || !callback || !request_ || !table_ || request_->getValuesCount() == 0) {
        if (!sending_ && !hasStep_) done_.set();
        return -1;
    }
    Step step;
    step.callback = callback;
    step.param = param;
    step.timeoutMs = timeoutMs == 0 ? timeoutMs_ : timeoutMs;
    step.id = ++g_walkCounter;
    lastStepTimeoutMs_ = step.timeoutMs;
    {
        std::lock_guard<std::mutex> sl(shared_->mutex);
        shared_->ids.push_back(step.id);
        step.epoch = shared_->epoch;
    }
    done_.reset();
    if (!sending_ && !hasStep_ && table_->hasAhead()) {
        // The row was fetched ahead: served here, without a trip through the worker.
        CSnmp* reply = nullptr;
        const int status = table_->getNext(address_.c_str(), &reply, step.timeoutMs);
        NoteFailureLocked(status == CSnmp4w::EC_NO_ERROR || status == CSnmp4w::EC_END_OF_TABLE ? SnmpFailure::None
                                                                                                : request_->lastFailure());
        if (status != CSnmp4w::EC_NO_ERROR) {
            delete reply;
            reply = nullptr;
        }
        running_ = false;
        Deliver(shared_, step, reply, status);
        if (status == CSnmp4w::EC_NO_ERROR && !prefetchRunning_ && !prefetchWanted_ && table_->wantsPrefetch()) {
            WantPrefetchLocked(step.timeoutMs);
            if (!worker_.joinable()) worker_ = std::thread(&CCommonSnmp::WorkerLoop, this);
            workCv_.notify_one();
        }
        return 0;
    }
    step_ = step;
    stepQueuedAt_ = std::chrono::steady_clock::now();
    hasStep_ = true;
    stepPosted_.store(true, std::memory_order_release);
    running_ = true;
    if (!worker_.joinable()) worker_ = std::thread(&CCommonSnmp::WorkerLoop, this);
    workCv_.notify_one();
    return 0;
}

void CCommonSnmp::Prefetch(unsigned epoch, int timeoutMs) {
    CSnmpTable::Prefetch job;
    CSnmpTable* table = nullptr;
    bool again = false;  // the fetch got on and the table wants more
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!cancelled_ && table_ && table_->beginPrefetch(job)) table = table_.get();
    }
    if (table) {
        CSnmp* got = nullptr;
        int rc = -1;
        {
            // The session's Net-SNMP session is this thread's alone meanwhile; the rows held are
            // still handed out (under lock_).
            std::lock_guard<std::mutex> net(transportMutex_);
            rc = CSnmpTable::runPrefetch(job, address_.c_str(), timeoutMs > 0 ? timeoutMs : timeoutMs_, &got);
        }
        std::lock_guard<std::mutex> lock(lock_);
        bool current = false;
        {
            std::lock_guard<std::mutex> sl(shared_->mutex);
            current = shared_->alive && shared_->epoch == epoch;
        }
        if (current && table_.get() == table) again = table_->endPrefetch(job, rc, got) && table_->wantsPrefetch();
        else delete got;
    }
    std::lock_guard<std::mutex> wl(workMutex_);
    prefetchRunning_ = false;
    // The rows fetched next serve the walk's later steps: their time-out, not the first step's.
    if (again && !cancelled_ && !stop_) WantPrefetchLocked(lastStepTimeoutMs_ > 0 ? lastStepTimeoutMs_ : timeoutMs);
    if ((cancelled_ || stop_) && !hasStep_) done_.set();  // closed meanwhile: nothing is under way now
}

void CCommonSnmp::WorkerLoop() {
    for (;;) {
        Step step;
        unsigned prefetchEpoch = 0;
        int prefetchTimeoutMs = 0;
        bool prefetch = false;
        // A walk callback usually re-arms within microseconds of its delivery: look for the
        // next step briefly before sleeping, which saves a thread wake-up per row. A walk that
        // reads ahead has its next request to send already, or is waiting for a slow reader.
        for (auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(300);
             !readAhead_.load(std::memory_order_relaxed) && !stepPosted_.load(std::memory_order_acquire) &&
             std::chrono::steady_clock::now() < until;) {
            std::this_thread::yield();
        }
        {
            std::unique_lock<std::mutex> wl(workMutex_);
            workCv_.wait(wl, [&] { return stop_ || hasStep_ || prefetchWanted_; });
            stepPosted_.store(false, std::memory_order_relaxed);
            if (stop_) return;
            // A walk that reads ahead hands its rows over in runs rather than one by one: the
            // step waits while more rows come quickly, so the UI thread wakes once per run.
            const bool holdStep = hasStep_ && prefetchWanted_ && readAhead_.load(std::memory_order_relaxed) &&
                                  std::chrono::steady_clock::now() - stepQueuedAt_ < kReadAheadHold;
            if (hasStep_ && !holdStep) {
                step = step_;
                hasStep_ = false;
                sending_ = true;
            } else {
                prefetch = true;
                prefetchWanted_ = false;
                prefetchRunning_ = true;
                prefetchTimeoutMs = prefetchTimeoutMs_;
                std::lock_guard<std::mutex> sl(shared_->mutex);
                prefetchEpoch = shared_->epoch;
            }
        }
        if (prefetch) {
            Prefetch(prefetchEpoch, prefetchTimeoutMs);
            continue;
        }
        CSnmp* reply = nullptr;
        int status = CSnmp4w::EC_FAILED;
        bool sent = false;
        bool wantsPrefetch = false;
        {
            std::lock_guard<std::mutex> lock(lock_);
            if (running_ && !cancelled_ && request_ && table_ && request_->getValuesCount() > 0) {
                platform::Trace("getNext begin");
                {
                    std::lock_guard<std::mutex> net(transportMutex_);
                    status = table_->getNext(address_.c_str(), &reply, step.timeoutMs);
                }
                wantsPrefetch = status == CSnmp4w::EC_NO_ERROR && table_->wantsPrefetch();
                NoteFailureLocked(status == CSnmp4w::EC_NO_ERROR || status == CSnmp4w::EC_END_OF_TABLE
                                      ? SnmpFailure::None
                                      : request_->lastFailure());
                platform::Trace("getNext end %d", status);
                sent = true;
            }
        }
        bool deliver = false;
        {
            std::lock_guard<std::mutex> wl(workMutex_);
            sending_ = false;
            if (sent && running_ && !cancelled_ && !stop_) {
                std::lock_guard<std::mutex> sl(shared_->mutex);
                deliver = shared_->alive && shared_->epoch == step.epoch;
            }
            if (deliver) {
                running_ = false;
                // The next rows are fetched while these are handed out.
                if (wantsPrefetch && !prefetchRunning_) WantPrefetchLocked(step.timeoutMs);
            } else if (!hasStep_) {
                done_.set();  // closed, cancelled or superseded: the walk is over here
            }
        }
        if (!deliver) {
            delete reply;
            continue;
        }
        if (status != CSnmp4w::EC_NO_ERROR) {
            delete reply;
            reply = nullptr;
        }
        Deliver(shared_, step, reply, status);
    }
}

void CCommonSnmp::Deliver(const std::shared_ptr<Shared>& shared, const Step& step, CSnmp* reply, int status) {
    bool post = false;
    {
        std::lock_guard<std::mutex> sl(shared->mutex);
        shared->outcomes.push_back({step, reply, status});
        post = !shared->handOverPosted;
        shared->handOverPosted = true;
    }
    if (post) platform::ui().post([shared] { HandOver(shared); });
}

void CCommonSnmp::HandOver(const std::shared_ptr<Shared>& shared) {
    // The outcomes waiting now, and those the callbacks cause (the next rows, read ahead) for a
    // few milliseconds more; the rest wait for the next task, so that the UI thread's other work
    // is never held up long by a walk.
    std::size_t waiting = 0;
    {
        std::lock_guard<std::mutex> sl(shared->mutex);
        waiting = shared->outcomes.size();
    }
    const auto until = std::chrono::steady_clock::now() + kHandOverSlice;
    for (std::size_t handed = 0;; ++handed) {
        if (handed >= waiting && std::chrono::steady_clock::now() >= until) break;
        Shared::Outcome o{};
        bool current = false;
        {
            std::lock_guard<std::mutex> sl(shared->mutex);
            if (shared->outcomes.empty()) break;  // all handed over, or dropped by a close meanwhile
            o = shared->outcomes.front();
            shared->outcomes.pop_front();
            current = shared->alive && shared->epoch == o.step.epoch;
        }
        if (!current) {
            delete o.reply;  // closed or superseded: the callback is not called
            continue;
        }
        o.step.callback(o.reply, o.step.id, o.step.param, o.status);
    }
    bool more = false;
    {
        std::lock_guard<std::mutex> sl(shared->mutex);
        more = !shared->outcomes.empty();
        shared->handOverPosted = more;
    }
    if (more) platform::ui().post([shared] { HandOver(shared); });
}

bool CCommonSnmp::FindRequestID(int id) {
    std::lock_guard<std::mutex> sl(shared_->mutex);
    for (auto it = shared_->ids.begin(); it != shared_->ids.end(); ++it) {
        if (*it == id) {
            shared_->ids.erase(it);
            return true;
        }
    }
    return false;
}

void CCommonSnmp::SignalDone() { done_.set(); }

void CCommonSnmp::Close() {
    bool idle = false;
    {
        std::lock_guard<std::mutex> wl(workMutex_);
        cancelled_ = true;
        running_ = false;
        hasStep_ = false;
        prefetchWanted_ = false;
        std::lock_guard<std::mutex> sl(shared_->mutex);
        shared_->ids.clear();
        ++shared_->epoch;
        idle = !sending_ && !prefetchRunning_;
    }
    // Nothing is being sent: no late reply can come, the walk is over now. Otherwise the step in
    // flight gives up within milliseconds and the worker drops it and signals by itself, without
    // the UI thread and without waiting for the switch.
    if (idle) done_.set();
    // A step in flight, or a request another thread (the poller) is waiting for, gives up.
    if (!idle || syncInFlight_ > 0) transport_->abort();
    if (twins_) {  // a walk in parts on twins ends with this session
        std::lock_guard<std::mutex> lock(twins_->mutex);
        for (CCommonSnmp* twin : twins_->members) twin->Close();
    }
    done_.waitFor(std::chrono::milliseconds(timeoutMs_ + 1000));
}

int CCommonSnmp::SetRowStatus(const char* oid, const char* value) {
    if (!value || (std::strcmp(value, "1") != 0 && std::strcmp(value, "5") != 0 && std::strcmp(value, "6") != 0)) {
        platform::ShowMessage("error status value!");
        return 0;
    }
    if (!oid || !Open(SNMP_PDU_SET_T)) return 0;
    if (AddValue(oid, SNMP_T_INTEGER, value) != 0) return 0;
    CSnmp* reply = nullptr;
    if (Send(&reply, 0) != 0) return 0;
    delete reply;
    return 1;
}
