#pragma once
// The reads of a form, as the form's read state follows them (platform::Form::beginRead ...):
// each helper begins the named read, sends it as usual and ends the read complete or failed,
// with the reason in a few words. A failed read then shows the form's status line and holds
// back every control marked needsRead, so nothing the switch did not say is written.
//
//   features::WalkRead(*this, "ports", m_portWalk, kColumns, onRow, onEnd, options);
//   ReplyRow row;
//   if (features::ReadNow(*this, "state", m_cCommonSNMP, {kOidState}, false, row)) ...
#include <string>
#include <vector>

#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace features {

// The message of a check that cannot decide because the data it needs did not arrive.
inline constexpr const char* kMsgNotRead = "The switch did not answer while its settings were read; nothing was changed.";

// Why a request failed, in a few words for the status line ("no answer", "unknown user", ...).
std::string ReadFailureReason(SnmpFailure failure);

// Why the walk's last run did not read its whole table; "" when it did (the agent left the
// table, or the row handler ended it).
std::string WalkShortfall(const CTableWalk& walk, int endStatus);

// Walks the table as the form's read `name`. onEnd runs after the read state is set, with the
// walk's end status. False when nothing could be sent (the read is then failed).
bool WalkRead(platform::Form& form, const std::string& name, CTableWalk& walk, const std::vector<std::string>& columns,
              CTableWalk::RowHandler onRow, CTableWalk::EndHandler onEnd,
              const CTableWalk::Options& options = CTableWalk::Options());

// One asynchronous get of the objects as the form's read `name`: complete when the switch
// answered with a value for every object.
bool AsyncRead(platform::Form& form, const std::string& name, CTableWalk& walk, const std::vector<std::string>& objects,
               CTableWalk::RowHandler onReply, CTableWalk::EndHandler onEnd = {},
               const CTableWalk::Options& options = CTableWalk::Options());

// A synchronous get of the objects as the form's read `name`: true (and the read complete)
// when the switch answered with a value for every object; `row` then holds them.
bool ReadNow(platform::Form& form, const std::string& name, CCommonSnmp& session, const std::vector<std::string>& oids,
             bool viaGetNext, ReplyRow& row);

}  // namespace features
