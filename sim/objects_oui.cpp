// OUI tables: the auto surveillance VLAN's table of surveillance devices (one fixed entry for the
// maker's own devices plus up to five user-defined ones) and the voice VLAN's table of IP phone makers
// (eight well-known entries plus up to eight user-defined ones).
//
// Both tables are indexed by the 6-octet address written as six sub-identifiers. An entry matches a
// source MAC address under its mask, so an entry's address may have no bit outside its mask. The two
// tables must not claim the same OUI: a phone would otherwise land in both VLANs.
#include <array>

#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

namespace {

using Mac = std::array<unsigned char, 6>;

const Oid kSurvEntry = {1, 3, 6, 1, 4, 1, 171, 10, 76, 12, 34, 2, 1, 1};
const Oid kVoiceEntry = {1, 3, 6, 1, 4, 1, 171, 10, 76, 12, 21, 2, 1, 1};

// Surveillance table columns.
constexpr SubId kSAddr = 1, kSDesc = 2, kSMask = 3, kSType = 4, kSStatus = 5;
// Voice table columns.
constexpr SubId kVAddr = 1, kVMask = 2, kVDesc = 3, kVStatus = 4;

constexpr size_t kSurvUserMax = 5;
constexpr size_t kVoiceUserMax = 8;
constexpr long long kMakerComponent = 5;  // component type of the maker's own entry only
constexpr long long kOtherComponent = 4;  // "other IP surveillance devices", the type of a new entry

const Mac kMakerOui = {0xf0, 0x7d, 0x68, 0, 0, 0};
const std::string kOuiMask("\xff\xff\xff\0\0\0", 6);
const std::string kFullMask(6, '\xff');

struct VoiceDefault {
    Mac oui;
    const char* description;
};
const VoiceDefault kVoiceDefaults[] = {
    {{0x00, 0xe0, 0xbb, 0, 0, 0}, "3COM"},    {{0x00, 0x03, 0x6b, 0, 0, 0}, "Cisco"},
    {{0x00, 0xe0, 0x75, 0, 0, 0}, "Veritel"}, {{0x00, 0xd0, 0x1e, 0, 0, 0}, "Pingtel"},
    {{0x00, 0x01, 0xe3, 0, 0, 0}, "Siemens"}, {{0x00, 0x60, 0xb9, 0, 0, 0}, "NEC&Philips"},
    {{0x00, 0x0f, 0xe2, 0, 0, 0}, "Huawei&3COM"}, {{0x00, 0x09, 0x6e, 0, 0, 0}, "Avaya"},
};

Oid macIndex(const Mac& m) { return {m[0], m[1], m[2], m[3], m[4], m[5]}; }

std::string macOctets(const Oid& idx) {
    std::string s;
    for (SubId b : idx) s += static_cast<char>(b);
    return s;
}

Oid indexOf(const Oid& entry, const Oid& instance) {
    return Oid(instance.begin() + static_cast<long>(entry.size()) + 1, instance.end());
}

// An entry names one unicast station or vendor: six octets, not all zero, group bit clear.
bool validMacIndex(const Oid& idx) {
    if (idx.size() != 6) return false;
    bool allZero = true;
    for (SubId b : idx) {
        if (b > 255) return false;
        if (b) allZero = false;
    }
    return !allZero && (idx[0] & 1) == 0;
}

// Six octets of leading one bits, at least the 24 bits of an OUI.
int maskCheck(const Value& v) {
    if (v.str.size() != 6) return err::WrongLength;
    int ones = 0;
    bool ended = false;
    for (unsigned char c : v.str)
        for (int bit = 7; bit >= 0; --bit) {
            bool set = c & (1 << bit);
            if (set && ended) return err::WrongValue;
            if (set) ++ones;
            else ended = true;
        }
    return ones >= 24 ? err::NoError : err::WrongValue;
}

bool coveredByMask(const Oid& idx, const std::string& mask) {
    for (size_t i = 0; i < 6 && i < mask.size(); ++i)
        if (idx[i] & ~static_cast<unsigned char>(mask[i]) & 0xff) return false;
    return mask.size() == 6;
}

bool sameOui(const Oid& a, const Oid& b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

// Whether an active row of the other table claims the same OUI.
bool claimedBy(const View& v, const TableDef& other, SubId statusCol, const Oid& idx) {
    for (const Oid& r : v.rows(other))
        if (sameOui(r, idx) && v.integer(join(join(other.entry, {statusCol}), r)) == rs::Active) return true;
    return false;
}

Check rowStatusValues() {
    return oneOf({rs::Active, rs::NotInService, rs::CreateAndGo, rs::CreateAndWait, rs::Destroy});
}

}  // namespace

void registerOui(Device& d) {
    const Oid makerIdx = macIndex(kMakerOui);

    TableDef& surv = d.table("survOuiTable", kSurvEntry);
    TableDef& voice = d.table("voiceVlanOuiTable", kVoiceEntry);
    const TableDef* survT = &surv;
    const TableDef* voiceT = &voice;

    // ---- surveillance OUI table ----
    // Any write to the maker's entry, or a write of the maker's component type to a user entry, is refused.
    auto survWrite = [makerIdx](const View&, const Oid& inst, const Value& val) {
        Oid idx = indexOf(kSurvEntry, inst);
        if (idx == makerIdx) return err::InconsistentValue;
        if (inst[kSurvEntry.size()] == kSType && val.num == kMakerComponent) return err::InconsistentValue;
        return err::NoError;
    };
    d.column(surv, kSAddr, "survOuiAddress", tag::Octets);
    d.column(surv, kSDesc, "survOuiDescription", tag::Octets, Access::ReadCreate, sizeRange(0, 127)).consistent =
        survWrite;
    d.column(surv, kSMask, "survOuiMask", tag::Octets, Access::ReadCreate, maskCheck).consistent = survWrite;
    d.column(surv, kSType, "survOuiComponentType", tag::Integer, Access::ReadCreate, range(0, 5)).consistent =
        survWrite;
    d.column(surv, kSStatus, "survOuiRowStatus", tag::Integer, Access::ReadCreate, rowStatusValues()).consistent =
        [makerIdx](const View&, const Oid& inst, const Value& val) {
            // The maker's entry stays active; destroying it is refused by canDestroy.
            if (indexOf(kSurvEntry, inst) == makerIdx && val.num == rs::NotInService) return err::InconsistentValue;
            return err::NoError;
        };
    surv.rowStatusCol = kSStatus;
    surv.maxRows = 1 + kSurvUserMax;
    surv.validIndex = validMacIndex;
    surv.newRow = [](const Oid& idx) {
        return std::map<SubId, Value>{{kSAddr, Value::octets(macOctets(idx))},
                                      {kSDesc, Value::octets("")},
                                      {kSMask, Value::octets(kFullMask)},
                                      {kSType, Value::integer(kOtherComponent)}};
    };
    surv.canDestroy = [makerIdx](const View&, const Oid& idx) {
        return idx == makerIdx ? err::InconsistentValue : err::NoError;
    };
    surv.canActivate = [makerIdx, voiceT](const View& v, const Oid& idx) {
        if (idx == makerIdx) return err::NoError;
        // Addresses under the maker's OUI are already covered by its entry.
        if (sameOui(idx, makerIdx)) return err::InconsistentValue;
        if (!coveredByMask(idx, v.octets(join(join(kSurvEntry, {kSMask}), idx)))) return err::InconsistentValue;
        if (claimedBy(v, *voiceT, kVStatus, idx)) return err::InconsistentValue;
        return err::NoError;
    };
    d.row(surv, makerIdx,
          {{kSAddr, Value::octets(macOctets(makerIdx))},
           {kSDesc, Value::octets("")},
           {kSMask, Value::octets(kOuiMask)},
           {kSType, Value::integer(kMakerComponent)},
           {kSStatus, Value::integer(rs::Active)}});

    // ---- voice VLAN OUI table ----
    auto isVoiceDefault = [](const Oid& idx) {
        for (auto& def : kVoiceDefaults)
            if (macIndex(def.oui) == idx) return true;
        return false;
    };
    auto voiceWrite = [isVoiceDefault](const View&, const Oid& inst, const Value& val) {
        Oid idx = indexOf(kVoiceEntry, inst);
        if (!isVoiceDefault(idx)) return err::NoError;
        // The well-known entries are fixed: they stay active and unchanged.
        if (inst[kVoiceEntry.size()] == kVStatus && val.num == rs::Active) return err::NoError;
        return err::InconsistentValue;
    };
    d.column(voice, kVAddr, "voiceVlanOuiAddress", tag::Octets);
    d.column(voice, kVMask, "voiceVlanOuiMask", tag::Octets, Access::ReadCreate, maskCheck).consistent = voiceWrite;
    d.column(voice, kVDesc, "voiceVlanOuiDescription", tag::Octets, Access::ReadCreate, sizeRange(0, 32))
        .consistent = voiceWrite;
    d.column(voice, kVStatus, "voiceVlanOuiRowStatus", tag::Integer, Access::ReadCreate, rowStatusValues())
        .consistent = voiceWrite;
    voice.rowStatusCol = kVStatus;
    voice.maxRows = std::size(kVoiceDefaults) + kVoiceUserMax;
    voice.validIndex = validMacIndex;
    voice.newRow = [](const Oid& idx) {
        bool oui = idx[3] == 0 && idx[4] == 0 && idx[5] == 0;
        return std::map<SubId, Value>{{kVAddr, Value::octets(macOctets(idx))},
                                      {kVMask, Value::octets(oui ? kOuiMask : kFullMask)},
                                      {kVDesc, Value::octets("")}};
    };
    voice.canDestroy = [isVoiceDefault](const View&, const Oid& idx) {
        return isVoiceDefault(idx) ? err::InconsistentValue : err::NoError;
    };
    voice.canActivate = [survT](const View& v, const Oid& idx) {
        if (!coveredByMask(idx, v.octets(join(join(kVoiceEntry, {kVMask}), idx)))) return err::InconsistentValue;
        if (claimedBy(v, *survT, kSStatus, idx)) return err::InconsistentValue;
        return err::NoError;
    };
    for (auto& def : kVoiceDefaults) {
        Oid idx = macIndex(def.oui);
        d.row(voice, idx,
              {{kVAddr, Value::octets(macOctets(idx))},
               {kVMask, Value::octets(kOuiMask)},
               {kVDesc, Value::octets(def.description)},
               {kVStatus, Value::integer(rs::Active)}});
    }
}

}  // namespace corvex::sim
