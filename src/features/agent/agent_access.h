#pragma once
// The access object every dialog of the switch's own SNMP agent embeds: its four sessions, the
// index encodings of the agent tables, the name check, the row-status write, and the reads and
// writes of the agent subtree 1.3.6.1.4.1.171.10.76.12.25. Results reach the owner dialog as
// notifications on the UI thread, in the order the switch answered, the end of a walk last.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/session_settings.h"
#include "features/common/sync_request.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace agent {

// Notification kinds.
inline constexpr int kNoticeRow = 0;          // a host, group, view or trap-enable record
inline constexpr int kNoticeEnd = 1;          // a walk is over (always the last of a walk)
inline constexpr int kNoticeCommunity = 100;  // a community row
inline constexpr int kNoticeUser = 111;       // a user row

using Record = std::vector<std::string>;

// The agent subtree and its objects.
inline const std::string kOidAgent = "1.3.6.1.4.1.171.10.76.12.25";
inline const std::string kOidGlobalState = kOidAgent + ".1.0";
inline const std::string kOidUserEntry = kOidAgent + ".2.1.1";
inline const std::string kOidGroupEntry = kOidAgent + ".3.1.1";
inline const std::string kOidViewEntry = kOidAgent + ".4.1.1";
inline const std::string kOidCommunityEntry = kOidAgent + ".5.1.1";
inline const std::string kOidHostEntry = kOidAgent + ".6.1.1";
inline const std::string kOidEngineId = kOidAgent + ".7.0";
// Trap enable n (1..9): 25.8.n.0.
std::string TrapEnableOid(int n);
// Column c of a table entry: entry + "." + c.
std::string Column(const std::string& entry, int c);

// The longest names the switch takes, in bytes of UTF-8 (a character outside ASCII takes 2 to 4):
// the names that make a row's index, community strings and trap host names.
inline constexpr std::size_t kMaxNameBytes = 32;
// The view names of a group and the group name of a user.
inline constexpr std::size_t kMaxReferenceBytes = 127;
// "<label> is too long: the switch takes at most <n> bytes ..." when the text has more than
// maxBytes bytes; empty when it fits.
std::string TooLongMessage(const std::string& label, const std::string& text, std::size_t maxBytes);

// An OID text as its numbers ("1.3.06" and ".1.3.6" both give 1, 3, 6); empty when the text is
// no OID (a part that is empty or not a number, a number above 4294967295).
std::vector<std::uint32_t> ParseOid(const std::string& text);
// The numbers joined with "." ("1.3.6").
std::string OidText(const std::vector<std::uint32_t>& oid);
// Sub-identifiers an OID may have in all (Net-SNMP's MAX_OID_LEN).
inline constexpr std::size_t kMaxOidLength = 128;

// The most rows each table holds, as the dialogs enforce it.
inline constexpr int kMaxCommunities = 10;
inline constexpr int kMaxHosts = 10;
inline constexpr int kMaxUsers = 50;
inline constexpr int kMaxGroups = 50;
inline constexpr int kMaxViews = 50;

// The default local engine ID written by "&Default".
inline constexpr const char* kDefaultEngineId = "8000081c044653";

// Code-to-text tables of the records ("" for any other code).
std::string HostVersionText(const std::string& code);   // 1 "V1" .. 5 "V3-AuthPriv"
std::string UserVersionText(const std::string& code);   // 1 "V1", 2 "V2c", 3 "V3"
std::string AuthText(const std::string& code);          // 1 "None", 2 "MD5", 3 "SHA"
std::string PrivText(const std::string& code);          // 1 "None", 2 "DES_CBC"
std::string ModelText(const std::string& code);         // 1 "v1", 2 "v2c", 3 "v3"
std::string LevelText(const std::string& code);         // 1 "NoAuthNoPriv", 2 "AuthNoPriv", 3 "AuthPriv"
std::string ViewTypeText(const std::string& code);      // 1 "Included", 2 "Excluded"

// Blanks (spaces and tabs) removed at both ends.
std::string TrimBlanks(const std::string& text);
// Octets as two lower-case hexadecimal digits each.
std::string LowerHex(const std::vector<std::uint8_t>& octets);
// The engine ID text as octets: an odd-length text gets a "0" in front, then pairs of digits.
std::vector<std::uint8_t> EngineIdOctets(const std::string& text);
// The host address rule of the trap-host table: not 0.0.0.0, first and last field neither 0 nor
// 255, and a class A, B or C host address.
bool IsTrapHostAddress(const std::array<int, 4>& fields);

}  // namespace agent

// The owner of an access object: receives its notifications on the UI thread.
class IAgentNotify {
public:
    virtual ~IAgentNotify() = default;
    // A record of the given kind, or the end of a walk (kNoticeEnd, empty record).
    virtual void OnAgentNotice(int kind, const agent::Record& record) = 0;
    // A scalar read: global state (a number) or the engine ID (lower-case hexadecimal).
    virtual void OnAgentScalar(const std::string& value) { (void)value; }
};

class CSnmpAgentAccess {
public:
    // One binding of a set request.
    struct Binding {
        std::string oid;
        int type = SNMP_T_INTEGER;
        std::string value;  // decimal text, or the octets of an OCTET STRING
    };

    // form: the dialog whose read state follows the reads (its controls marked needsRead stay
    // disabled until they are complete); null for none.
    explicit CSnmpAgentAccess(IAgentNotify& owner, platform::Form* form = nullptr);
    CSnmpAgentAccess(const CSnmpAgentAccess&) = delete;
    CSnmpAgentAccess& operator=(const CSnmpAgentAccess&) = delete;

    // "." + length in bytes, then "." + each byte as 0..255 ("abc" gives .3.97.98.99).
    static std::string OctetIndex(const std::string& text);
    // OctetIndex(name) + ".1" for "v1"/"V1", ".2" for "v2c"/"V2c", ".3" for "v3"/"V3", nothing else.
    static std::string UserIndex(const std::string& name, const std::string& version);
    // True when the text holds none of the 26 characters no name may contain.
    static bool NameCheck(const std::string& text);

    // The binding that sets a RowStatus instance: "1", "5" or "6", else the message "error istatus
    // value!" and false (nothing is to be sent).
    static bool RowStatus(const std::string& oid, const std::string& status, std::vector<Binding>& step);
    // The row status as a list shows it: "Active", "Not in service", "Not ready", or the code.
    static std::string RowStatusText(const std::string& code);

    // The values of a set request with the bindings, in order.
    static std::vector<features::SetValue> Values(const std::vector<Binding>& bindings);
    // The bindings of the scalar writes below.
    static std::vector<Binding> GlobalStateBindings(bool enabled);
    static std::vector<Binding> EngineIdBindings(const std::string& text, bool useDefault);
    static std::vector<Binding> TrapEnableBindings(const std::array<bool, 9>& enabled, bool poe);

    // Global state and engine ID: the read answers with a scalar (the number; the lower-case hex).
    // Their writes, and every other write, go through the dialog's CFormWrite on the sessions below.
    bool ReadGlobalState();
    // Communities (kind 100: name, user name, RowStatus), then the users (kind 111), then the end.
    bool WalkCommunities();
    // Trap hosts (kind 0: address, version text, name, RowStatus), then the end. Read with the
    // write community: the table names communities, which read-only access does not see.
    bool WalkHosts();
    bool ReadEngineId();
    // Trap enables: six objects, nine with PoE (kind 0: the values in object order).
    bool ReadTrapEnables(bool poe);
    // Users (kind 111: name, group, version, auth, column 5, priv, column 7, RowStatus), then the
    // end. The switch reads pass phrases back as empty; whatever it returns is not kept.
    bool WalkUsers();
    // Groups (kind 0: name, read, write, notify view, model text, level text, RowStatus).
    bool WalkGroups();
    // Views (kind 0: name, subtree, mask text, type text, RowStatus).
    bool WalkViews();

    // True when this module's own sessions reach the switch with SNMPv3 privacy: only then does
    // a pass phrase written to the user table travel encrypted.
    bool SessionHasPrivacy() const;
    // The launch line's own access: the community (SNMPv1) or user (SNMPv3) this module uses.
    bool IsOwnCommunity(const std::string& name) const;
    bool IsOwnUser(const std::string& name, const std::string& versionText) const;

    // Closes the four sessions in declaration order, with the traces.
    void Close();

    // Declaration order is the close order.
    CCommonSnmp m_cCommonSNMP;       // scalar gets, the trap-enable set
    CCommonSnmp m_cCommonSNMPSet;    // every other set
    CCommonSnmp m_cCommonSNMPTable;  // the community table walk, with the write community: that
                                     // table is readable only with write access
    CCommonSnmp m_cCommonSNMPGetUse; // the other walks (users, hosts, groups, views) and the
                                     // engine ID read, with the read community

private:
    void Notify(int kind, const agent::Record& record);
    void Scalar(const std::string& value);
    void EndOfCommunities();
    // Starts a walk (or a get) as the form's read `name` when there is a form.
    bool Walk(const char* name, CTableWalk& walk, const std::vector<std::string>& columns, CTableWalk::RowHandler onRow,
              CTableWalk::EndHandler onEnd, const CTableWalk::Options& options);
    bool Get(const char* name, CTableWalk& walk, const std::vector<std::string>& objects, CTableWalk::RowHandler onReply);

    IAgentNotify& m_owner;
    platform::Form* m_form;
    SessionSettings m_settings;
    CTableWalk m_read{m_cCommonSNMP};
    CTableWalk m_tableWalk{m_cCommonSNMPTable};  // the tables only write access may read: communities, trap hosts
    CTableWalk m_readWalk{m_cCommonSNMPGetUse};
};
