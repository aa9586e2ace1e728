#pragma once
// A write of a form with its outcome told to the user. The request goes out from a short-lived
// sender thread (the window keeps painting and the session has one request in flight), and the
// outcome comes back on the UI thread; when the switch refuses it or does not answer, a message
// says what was not changed and why, and the form's handler then reads the switch again, so the
// form shows what the switch holds. A set that got no answer may still have been taken: the read
// that follows tells.
//
//   m_write.Send("The trap settings", {features::SetValue::Text(oid, SNMP_T_INTEGER, "1")},
//                [this](bool ok) { Reload(); if (ok) ...; });
#include <functional>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "features/common/sync_request.h"
#include "platform/form.h"

namespace features {

// "<What> could not be changed: the switch refused the value (wrongValue)." and the like. status is
// the request's result: a positive error status of the reply, or -1 with the session's failure.
std::string WriteFailureMessage(const std::string& what, int status, SnmpFailure failure);

// The reason alone, as WriteFailureMessage words it after "could not be changed: " (with the
// full stop).
std::string WriteFailureReason(int status, SnmpFailure failure);

// The outcome of one set request of a write of several steps, whose message the dialog words
// itself (what was written, what was left, what was put back).
struct StepResult {
    int status = 0;  // 0 taken, a positive error status, or -1 with the failure
    SnmpFailure failure = SnmpFailure::None;
    bool ok() const { return status == 0; }
    // No answer: the switch may have taken it all the same.
    bool unanswered() const { return status < 0 && failure == SnmpFailure::NoAnswer; }
    bool maybeTaken() const { return ok() || unanswered(); }
    // Why it failed, as the end of a sentence: "the switch refused the value (genErr)".
    std::string reason() const;
    std::string why() const { return reason() + "."; }
};
// One set request sent now, quiet; noted as a change when the switch took it or did not answer.
StepResult WriteStep(CCommonSnmp& session, const std::vector<SetValue>& values, bool viaGetNext);
// "<what> could not be <verb>: <reason>." ("changed", "added", "deleted").
inline std::string NotDone(const std::string& what, const std::string& verb, const StepResult& r) {
    return what + " could not be " + verb + ": " + r.why();
}
inline std::string NotChanged(const std::string& what, const StepResult& r) { return NotDone(what, "changed", r); }

// Sends one set request now and waits for its answer, for the dialogs whose writes follow one
// another. On a refusal or no answer the message of WriteFailureMessage is shown and false comes
// back; the caller then reads the switch again. (WriteStep is the quiet form.)
bool WriteNow(CCommonSnmp& session, const std::string& what, const std::vector<SetValue>& values, bool viaGetNext);

struct StepsRun;

class CFormWrite {
public:
    // viaGetNext: the set goes out through the session's table path, as SendSet(..., true) sends.
    CFormWrite(platform::Form& form, CCommonSnmp& session, bool viaGetNext = false)
        : m_form(form), m_session(session), m_viaGetNext(viaGetNext) {}
    // Waits for a request in flight (at most its time-out) so that the session outlives it.
    ~CFormWrite() { Abandon(); }
    CFormWrite(const CFormWrite&) = delete;
    CFormWrite& operator=(const CFormWrite&) = delete;

    // The form is held (platform::Form::holdForRequest) from Send or SendSteps until their
    // onDone has returned: no way out of it, no other write, while the switch has the request.
    // Sends the values as one set request. onDone(true) runs once the switch took them; on a
    // failure the message comes first, then onDone(false). False, and nothing sent, while a
    // write is in flight or when the request cannot be built (a message says so).
    bool Send(std::string what, const std::vector<SetValue>& values, std::function<void(bool ok)> onDone,
              int timeoutMs = 0);
    // Every set the switch took, or may have taken (no answer), is reported to
    // app::NoteWriteTaken (the window's unsaved-changes mark).
    // Sends each step as its own set request, one after the other; stops at the first that the
    // switch does not take. onDone(-1) when every step was taken, else onDone(index of the step
    // that failed), with no message: the caller words its own from LastStep().
    bool SendSteps(std::vector<std::vector<SetValue>> steps, std::function<void(int failedStep)> onDone,
                   int timeoutMs = 0);
    // The outcome of the last request, with its reason, for a caller that words its own message.
    const StepResult& LastStep() const { return m_last; }
    // True from Send until its outcome has been handled.
    bool Busy() const { return m_busy; }
    // Waits for the request in flight (the form is going away); its outcome is not reported.
    void Abandon();

private:
    struct Token {
        bool alive = true;  // read and written on the UI thread only
    };
    bool Prepare(const std::vector<SetValue>& values);
    // Runs onDone with the form held, then lets the form go.
    void Finish(const std::function<void()>& onDone);
    void SendStep(std::shared_ptr<StepsRun> run, size_t index);
    // Sends the request prepared on the session from a short-lived sender thread; onSent gets
    // the result (0, an error status, or -1) on the UI thread, unless the writer is gone by then.
    void SendPrepared(int timeoutMs, std::function<void(int status)> onSent);

    platform::Form& m_form;
    CCommonSnmp& m_session;
    bool m_viaGetNext = false;
    bool m_holding = false;  // the form is held for this writer
    std::shared_ptr<Token> m_token = std::make_shared<Token>();
    std::thread m_thread;
    bool m_busy = false;
    StepResult m_last;
};

}  // namespace features
