#include "features/common/form_write.h"

#include "app/unsaved_changes.h"
#include "features/common/form_reads.h"
#include "platform/ui.h"
#include "snmp/error_status.h"

namespace features {

std::string WriteFailureReason(int status, SnmpFailure failure) {
    std::string why;
    if (status > 0) {
        const char* name = ErrorStatusName(status);
        why = std::string("the switch refused the value") + (name ? std::string(" (") + name + ")" : std::string());
    } else if (failure == SnmpFailure::NoAnswer) {
        why = "the switch did not answer, so it may or may not have taken the change; the settings are read again";
    } else if (std::string credentials = SnmpCredentialProblem(failure); !credentials.empty()) {
        why = credentials;
    } else {
        why = ReadFailureReason(failure);
    }
    return why + ".";
}

std::string WriteFailureMessage(const std::string& what, int status, SnmpFailure failure) {
    return what + " could not be changed: " + WriteFailureReason(status, failure);
}

std::string StepResult::reason() const {
    std::string why = WriteFailureReason(status, failure);
    why.pop_back();  // the full stop
    return why;
}

StepResult WriteStep(CCommonSnmp& session, const std::vector<SetValue>& values, bool viaGetNext) {
    StepResult r;
    r.status = SendSet(session, values, viaGetNext);
    if (!r.ok()) {
        r.failure = session.LastFailure();
        if (r.status < 0 && r.failure == SnmpFailure::None) r.failure = SnmpFailure::NotSent;
    }
    if (r.maybeTaken()) app::NoteWriteTaken();
    return r;
}

bool WriteNow(CCommonSnmp& session, const std::string& what, const std::vector<SetValue>& values, bool viaGetNext) {
    const StepResult r = WriteStep(session, values, viaGetNext);
    if (!r.ok()) platform::ShowMessage(NotChanged(what, r));
    return r.ok();
}

bool CFormWrite::Prepare(const std::vector<SetValue>& values) {
    bool built = !values.empty() && m_session.Open(SNMP_PDU_SET_T);
    for (size_t i = 0; built && i < values.size(); ++i) {
        const SetValue& v = values[i];
        built = (v.raw ? m_session.AddValue(v.oid.c_str(), v.type, v.octets.data(), static_cast<int>(v.octets.size()))
                       : m_session.AddValue(v.oid.c_str(), v.type, v.text.c_str())) == 0;
    }
    return built;
}

void CFormWrite::Finish(const std::function<void()>& onDone) {
    // The form stays held while the outcome is handled; the handler may start the next write,
    // which holds it on its own.
    const bool held = m_holding;
    m_holding = false;
    if (onDone) onDone();
    if (held) m_form.releaseRequest();
}

bool CFormWrite::Send(std::string what, const std::vector<SetValue>& values, std::function<void(bool ok)> onDone,
                      int timeoutMs) {
    if (m_busy || m_holding) return false;
    if (!Prepare(values)) {
        platform::ShowMessage(WriteFailureMessage(what, -1, SnmpFailure::NotSent));
        if (onDone) onDone(false);
        return false;
    }
    m_holding = true;
    m_form.holdForRequest();
    CCommonSnmp* session = &m_session;
    SendPrepared(timeoutMs, [this, session, what = std::move(what), onDone = std::move(onDone)](int status) {
        m_last = {status, status == 0 ? SnmpFailure::None : session->LastFailure()};
        if (m_last.maybeTaken()) app::NoteWriteTaken();
        if (status != 0) platform::ShowMessage(WriteFailureMessage(what, status, m_last.failure));
        Finish([&] {
            if (onDone) onDone(status == 0);
        });
    });
    return true;
}

struct StepsRun {
    std::vector<std::vector<SetValue>> steps;
    std::function<void(int failedStep)> onDone;
    int timeoutMs = 0;
};

bool CFormWrite::SendSteps(std::vector<std::vector<SetValue>> steps, std::function<void(int failedStep)> onDone,
                           int timeoutMs) {
    if (m_busy || m_holding) return false;
    auto run = std::make_shared<StepsRun>(StepsRun{std::move(steps), std::move(onDone), timeoutMs});
    m_holding = true;
    m_form.holdForRequest();
    SendStep(run, 0);
    return true;
}

void CFormWrite::SendStep(std::shared_ptr<StepsRun> run, size_t index) {
    if (index >= run->steps.size()) {
        m_last = {};
        Finish([&] {
            if (run->onDone) run->onDone(-1);
        });
        return;
    }
    auto fail = [this, run, index](int status, SnmpFailure failure) {
        m_last = {status, failure};
        if (m_last.unanswered()) app::NoteWriteTaken();
        Finish([&] {
            if (run->onDone) run->onDone(static_cast<int>(index));
        });
    };
    if (!Prepare(run->steps[index])) {
        fail(-1, SnmpFailure::NotSent);
        return;
    }
    CCommonSnmp* session = &m_session;
    SendPrepared(run->timeoutMs, [this, session, run, index, fail](int status) {
        if (status != 0) {
            fail(status, session->LastFailure());
            return;
        }
        app::NoteWriteTaken();
        SendStep(run, index + 1);  // the sender is free again: its handler runs after it is done
    });
}

void CFormWrite::Abandon() {
    m_token->alive = false;
    if (m_thread.joinable()) m_thread.join();
    m_token = std::make_shared<Token>();
    m_busy = false;
    if (m_holding) {
        m_holding = false;
        m_form.releaseRequest();
    }
}

void CFormWrite::SendPrepared(int timeoutMs, std::function<void(int status)> onSent) {
    if (m_thread.joinable()) m_thread.join();  // the last sender has posted its result already
    m_busy = true;
    std::shared_ptr<Token> token = m_token;
    CCommonSnmp* session = &m_session;
    CFormWrite* self = this;
    const bool viaGetNext = m_viaGetNext;
    m_thread = std::thread([session, timeoutMs, viaGetNext, token, self, onSent = std::move(onSent)]() mutable {
        CSnmp* reply = nullptr;
        const int status = viaGetNext ? session->GetNext(&reply, timeoutMs) : session->Send(&reply, timeoutMs);
        delete reply;
        platform::ui().post([token, self, status, onSent = std::move(onSent)] {
            if (!token->alive) return;
            self->m_busy = false;
            if (onSent) onSent(status);
        });
    });
}

}  // namespace features
