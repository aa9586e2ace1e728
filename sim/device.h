// The virtual switch: model, options, object store and the write rules.
// Object areas (objects_*.cpp) register their objects through this class.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "store.h"

namespace corvex::sim {

namespace err {
constexpr int NoError = 0, TooBig = 1, NoSuchName = 2, BadValue = 3, ReadOnly = 4, GenErr = 5, NoAccess = 6,
              WrongType = 7, WrongLength = 8, WrongEncoding = 9, WrongValue = 10, NoCreation = 11,
              InconsistentValue = 12, ResourceUnavailable = 13, CommitFailed = 14, UndoFailed = 15,
              AuthorizationError = 16, NotWritable = 17, InconsistentName = 18;
}

namespace rs {
constexpr long long Active = 1, NotInService = 2, NotReady = 3, CreateAndGo = 4, CreateAndWait = 5, Destroy = 6;
}

struct Model {
    std::string key;   // --model value
    std::string name;  // device name (contains P/p exactly for PoE models)
    int ports = 10;
    bool poe = false;  // PoE models power ports 1..8
    bool fan = false;
    bool allGiga = false;
    int combo = 0;     // combo ports are the last `combo` ports
};
const std::vector<Model>& models();
const Model* findModel(const std::string& key);

struct Options {
    std::string listen = "udp:127.0.0.1:16161";
    bool allowRemote = false;
    std::string communityRo = "qorvin";
    std::string communityRw = "tessmar";
    std::vector<std::string> users;  // NAME:MD5|SHA:authpass[:DES|AES:privpass]
    std::string model = "10p";
    int fdbSize = 40;
    std::string logFile;
    std::vector<Oid> dropPrefixes;
    std::vector<Oid> dropSetReplies;  // sets touching these are carried out, their reply lost
    // Objects under these prefixes are not there: a get finds no such instance, a get-next
    // passes over them (a switch without some rows or columns).
    std::vector<Oid> absentPrefixes;
    int delayMs = 0;
    // Replies to requests touching these OIDs are held this long instead (--delay-prefix).
    std::vector<std::pair<Oid, int>> delayPrefixes;
    std::vector<std::pair<Oid, int>> setErrors;
    std::optional<Oid> loopAt;
    // Adds the relay's marker binding (snmp_proxy_ip, the device address) to every reply:
    // 0 none, 1 as the first binding, 2 as the last.
    int proxyMarker = 0;
    // A broken agent: every reply gets one binding more (1), one fewer (2), or its first
    // binding renamed to another OID (3), the error status 99 that no agent may send (4), or its
    // first binding with another type (5), another value (6) or noSuchObject (7).
    int badReply = 0;
    bool noBulk = false;  // GETBULK requests are answered with genErr
    bool fdbChurn = false;  // the forwarding table changes with every request (entries 0x.ee.ee...)
    long long silentAfter = -1;
    // A lossy network: every n-th request (dropEvery) and about dropPercent of the others are
    // lost, the same ones for the same seed. With dropReplies the request is handled and its
    // reply lost instead (a set then takes effect unanswered).
    int dropEvery = 0;
    int dropPercent = 0;
    unsigned dropSeed = 1;
    bool dropReplies = false;
    std::string stateFile;
    bool stateAnyType = false;  // preloads keep their own type, whatever the object's
    std::string failFile;
    bool transferSilent = false;
    int transferMs = 5000;
    int rebootSeconds = 3;
    bool live = false;
    std::map<int, int> fibrePorts;  // combo port -> medium 3 or 4
};

struct Transaction {
    std::vector<std::pair<Oid, Value>> bindings;
    std::map<Oid, std::optional<Value>> staged;   // new value, or nullopt to remove the cell
    std::map<Oid, std::optional<Cell>> undo;       // previous cell, or nullopt when it did not exist
    std::vector<std::pair<const ObjectDef*, std::pair<Oid, Value>>> commits;
    bool applied = false;
    bool committed = false;
};

struct SetOutcome {
    int status = err::NoError;
    size_t index = 0;  // 0-based binding that failed
};

// What is plugged into a port (not configuration: survives reboots, changes in --live mode).
struct PortLink {
    bool partner = true;   // a link partner is connected
    int partnerMbps = 1000;
    bool poweredDevice = false;  // the partner draws PoE power
    int drawMw = 0;              // power drawn when powered
    int pdClass = 0;
};

class Device {
public:
    std::vector<PortLink> links;  // index: port - 1
    int portMaxMbps(int port) const;  // 1000 on gigabit ports, else 100

    Device(const Model& m, const Options& o);

    const Model& model() const { return model_; }
    const Options& options() const { return opt_; }
    Store& store() { return store_; }
    const Store& store() const { return store_; }

    // ---- registration ----
    ObjectDef& scalar(const Oid& base, const std::string& name, Value initial, Access access = Access::ReadOnly,
                      Check check = {});
    TableDef& table(const std::string& name, const Oid& entry);
    ObjectDef& column(TableDef& t, SubId col, const std::string& name, unsigned char type,
                      Access access = Access::ReadOnly, Check check = {});
    void row(const TableDef& t, const Oid& index, const std::map<SubId, Value>& values);
    void onDerive(std::function<void()> f) { derivers_.push_back(std::move(f)); }
    void beforeRequest(std::function<void()> f) { beforeRequest_.push_back(std::move(f)); }
    void everySecond(std::function<void()> f) { ticks_.push_back(std::move(f)); }
    void afterReboot(std::function<void()> f) { afterReboot_.push_back(std::move(f)); }

    // ---- port lists ----
    size_t portListBytes() const { return model_.ports > 32 ? 8 : 4; }
    std::string portList(const std::vector<int>& ports) const;
    std::string allPorts() const;
    std::vector<int> ports(const std::string& list) const;  // ports set in a PortList (all bits)
    Check portListCheck() const;  // 4 or 8 octets (or exact size), no bit beyond the port count

    // ---- access ----
    const ObjectDef* findDef(const Oid& o, const TableDef** table = nullptr, Oid* index = nullptr,
                             SubId* column = nullptr) const;
    const TableDef* tableAt(const Oid& entry) const;
    bool knownPrefix(const Oid& o) const;  // o is a column instance of a table, or some object lives under o's parent
    long long intAt(const Oid& o, long long fallback = 0) const;
    std::string strAt(const Oid& o) const;
    void put(const Oid& o, Value v);  // updates the value of an existing instance, or creates it when defined

    // ---- set request phases ----
    int checkBinding(const Oid& o, const Value& v) const;  // type, access, value checks
    SetOutcome stage(Transaction& tx, const std::vector<std::pair<Oid, Value>>& bindings);
    void apply(Transaction& tx);
    void undo(Transaction& tx);
    void commit(Transaction& tx);

    // ---- life cycle ----
    void runBeforeRequest();
    void runTicks();
    void derive();
    void saveConfig();    // snapshot that survives a reboot
    void rebootNow();     // restore the snapshot
    std::function<void()> requestReboot;  // set by the agent
    long long uptimeTicks() const;
    void resetUptime() { boot_ = std::chrono::steady_clock::now(); }
    std::set<Oid> quietPrefixes;  // requests touching these get no reply
    bool loadState(const std::string& path, std::string& error);

private:
    Model model_;
    Options opt_;
    Store store_;
    Store::Map saved_;
    std::map<Oid, ObjectDef> scalars_;  // key: instance OID (base.0)
    std::map<Oid, std::unique_ptr<TableDef>> tables_;
    std::vector<std::function<void()>> derivers_, beforeRequest_, ticks_, afterReboot_;
    std::chrono::steady_clock::time_point boot_ = std::chrono::steady_clock::now();
};

// Object areas.
void registerSystem(Device& d);    // MIB-II system, interfaces, ip, tcp, udp
void registerBridge(Device& d);    // BRIDGE-MIB, Q-BRIDGE forwarding table
void registerLldp(Device& d);      // LLDP-MIB and private LLDP settings
void registerPorts(Device& d);     // port control, priority, trunks, fan, save/reboot
void registerVlan(Device& d);      // static VLANs, PVID, asymmetric VLAN, voice/surveillance
void registerOui(Device& d);       // surveillance and voice VLAN OUI tables
void registerPoe(Device& d);       // PoE ports, LED mode, time ranges
void registerMaint(Device& d);     // transfer, syslog, jumbo, multicast filtering
void registerSecurity(Device& d);  // 802.1X, ARP spoofing, DHCP screening, ACL, port security ...
void registerAgentMib(Device& d);  // the switch's own SNMP agent tables

std::unique_ptr<Device> buildDevice(const Model& m, const Options& o);

// Private subtree of the switch.
extern const Oid kPrivate;  // 1.3.6.1.4.1.171.10.76.12
Oid priv(std::initializer_list<SubId> rest);

}  // namespace corvex::sim
