#include "snmp/session_close.h"

#include "platform/trace.h"
#include "snmp/common_snmp.h"

void CloseSessions(std::initializer_list<NamedSession> sessions) {
    for (const NamedSession& s : sessions) {
        s.session.Close();
        platform::Trace("==================%s.Close===============", s.name);
    }
}

void CloseDialogSessions(std::initializer_list<NamedSession> sessions) {
    platform::Trace("==================DestroyWindow===============");
    CloseSessions(sessions);
}
