#pragma once
// Closing a dialog's sessions when its window is destroyed: each session in declaration order,
// every close followed by its trace line, so that outstanding walks end and late replies are
// dropped before the dialog goes away.
//
//   void CMyDlg::destroyWindow() {
//       CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
//   }
#include <initializer_list>

class CCommonSnmp;

struct NamedSession {
    CCommonSnmp& session;
    const char* name;  // the member's name, for the trace
};

// Closes the sessions in the order given; after each, traces
// "==================<name>.Close===============".
void CloseSessions(std::initializer_list<NamedSession> sessions);
// Traces "==================DestroyWindow===============", then CloseSessions.
void CloseDialogSessions(std::initializer_list<NamedSession> sessions);
