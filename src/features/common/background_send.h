#pragma once
// One request of a session sent away from the window thread: the form prepares the request on
// the session (Open, AddValue) as usual, Send() hands it to a short-lived sender thread, and the
// result comes back on the UI thread. The window keeps painting and handling input while the
// switch takes its time, and the session never has more than one request in flight.
//
//   if (!m_cCommonSNMPSet.Open(SNMP_PDU_SET_T)) return;
//   m_cCommonSNMPSet.AddValue(oid, SNMP_T_INTEGER, "1");
//   m_setSender.Send(20000, [this](int status) { OnSent(status); });
//
// A result whose sender is gone by then (the form was destroyed) is dropped.
#include <functional>
#include <memory>
#include <thread>

#include "snmp/common_snmp.h"

namespace features {

class CBackgroundSend {
public:
    // status: 0 success, anything else a failed request (time-out, error status, nothing sent).
    using DoneHandler = std::function<void(int status)>;

    explicit CBackgroundSend(CCommonSnmp& session);
    // Waits for a request in flight (at most its time-out) so that the session outlives it.
    ~CBackgroundSend();
    CBackgroundSend(const CBackgroundSend&) = delete;
    CBackgroundSend& operator=(const CBackgroundSend&) = delete;

    // Sends the request prepared on the session with the time-out (0: the session's own).
    // onDone runs once on the UI thread. False, and nothing sent, while a request is in flight.
    bool Send(int timeoutMs, DoneHandler onDone);
    // True from Send until onDone has run.
    bool Busy() const { return m_busy; }
    // Blocks until the sender thread is over; its result is then dropped.
    void Wait();

private:
    struct Token {
        bool alive = true;  // read and written on the UI thread only
    };
    CCommonSnmp& m_session;
    std::shared_ptr<Token> m_token = std::make_shared<Token>();
    std::thread m_thread;
    bool m_busy = false;
};

}  // namespace features
