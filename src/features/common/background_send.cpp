#include "features/common/background_send.h"

#include "platform/trace.h"
#include "platform/ui.h"

namespace features {

CBackgroundSend::CBackgroundSend(CCommonSnmp& session) : m_session(session) {}

CBackgroundSend::~CBackgroundSend() { Wait(); }

void CBackgroundSend::Wait() {
    m_token->alive = false;
    if (m_thread.joinable()) m_thread.join();
    m_token = std::make_shared<Token>();
    m_busy = false;
}

bool CBackgroundSend::Send(int timeoutMs, DoneHandler onDone) {
    if (m_busy) return false;
    if (m_thread.joinable()) m_thread.join();  // the last sender has posted its result already
    m_busy = true;
    std::shared_ptr<Token> token = m_token;
    CCommonSnmp* session = &m_session;
    CBackgroundSend* self = this;
    m_thread = std::thread([session, timeoutMs, token, self, onDone = std::move(onDone)]() mutable {
        CSnmp* reply = nullptr;
        const int status = session->Send(&reply, timeoutMs);
        delete reply;
        platform::Trace("background send status = %d", status);
        platform::ui().post([token, self, status, onDone = std::move(onDone)] {
            if (!token->alive) return;
            self->m_busy = false;
            if (onDone) onDone(status);
        });
    });
    return true;
}

}  // namespace features
