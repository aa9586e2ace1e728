#include "device.h"

#include <fstream>
#include <sstream>

namespace corvex::sim {

const Oid kPrivate = {1, 3, 6, 1, 4, 1, 171, 10, 76, 12};

Oid priv(std::initializer_list<SubId> rest) { return join(kPrivate, rest); }

const std::vector<Model>& models() {
    static const std::vector<Model> list = {
        {"10p", "Corvex-10P", 10, true, false, false, 2},
        {"16", "Corvex-16", 16, false, false, true, 4},
        {"24", "Corvex-24", 24, false, false, false, 4},
        {"28", "Corvex-28", 28, false, false, false, 0},
        {"28p", "Corvex-28P", 28, true, false, false, 0},
        {"48", "Corvex-48", 48, false, true, false, 4},
        {"52", "Corvex-52", 52, false, true, true, 0},
    };
    return list;
}

const Model* findModel(const std::string& key) {
    for (auto& m : models())
        if (m.key == key) return &m;
    return nullptr;
}

Device::Device(const Model& m, const Options& o) : model_(m), opt_(o) {
    links.resize(static_cast<size_t>(m.ports));
}

int Device::portMaxMbps(int port) const {
    int g = model_.ports == 10 ? model_.ports - 2 : model_.ports - 4;
    return model_.allGiga || port > g ? 1000 : 100;
}

namespace {
Value zeroOf(unsigned char type) {
    switch (type) {
    case tag::Octets: return Value::octets("");
    case tag::IpAddress: return Value::ip(0, 0, 0, 0);
    case tag::ObjectId: return Value::objectId({0, 0});
    default: return Value{type, 0, {}, {}};
    }
}
}  // namespace

ObjectDef& Device::scalar(const Oid& base, const std::string& name, Value initial, Access access, Check check) {
    Oid inst = join(base, {0});
    ObjectDef& d = scalars_[inst];
    d.name = name;
    d.type = initial.type;
    d.access = access;
    d.check = std::move(check);
    store_.put(inst, std::move(initial), &d);
    return d;
}

TableDef& Device::table(const std::string& name, const Oid& entry) {
    auto& t = tables_[entry];
    if (!t) t = std::make_unique<TableDef>();
    t->name = name;
    t->entry = entry;
    return *t;
}

ObjectDef& Device::column(TableDef& t, SubId col, const std::string& name, unsigned char type, Access access,
                          Check check) {
    ObjectDef& d = t.columns[col];
    d.name = name;
    d.type = type;
    d.access = access;
    d.check = std::move(check);
    return d;
}

void Device::row(const TableDef& t, const Oid& index, const std::map<SubId, Value>& values) {
    for (auto& [col, def] : t.columns) {
        auto it = values.find(col);
        store_.put(join(join(t.entry, {col}), index), it != values.end() ? it->second : zeroOf(def.type), &def);
    }
}

std::string Device::portList(const std::vector<int>& ports) const {
    std::string s(portListBytes(), '\0');
    for (int p : ports) {
        if (p < 1 || static_cast<size_t>(p) > s.size() * 8) continue;
        s[static_cast<size_t>(p - 1) / 8] = static_cast<char>(s[static_cast<size_t>(p - 1) / 8] | (0x80 >> ((p - 1) % 8)));
    }
    return s;
}

std::string Device::allPorts() const {
    std::vector<int> all;
    for (int p = 1; p <= model_.ports; ++p) all.push_back(p);
    return portList(all);
}

std::vector<int> Device::ports(const std::string& list) const {
    std::vector<int> out;
    for (size_t i = 0; i < list.size(); ++i)
        for (int b = 0; b < 8; ++b)
            if (static_cast<unsigned char>(list[i]) & (0x80 >> b)) out.push_back(static_cast<int>(i * 8) + b + 1);
    return out;
}

Check Device::portListCheck() const {
    size_t exact = static_cast<size_t>(model_.ports + 7) / 8;
    int n = model_.ports;
    return [exact, n, this](const Value& v) {
        size_t len = v.str.size();
        if (len != 4 && len != 8 && len != exact) return err::WrongLength;
        for (int p : ports(v.str))
            if (p > n) return err::WrongValue;
        return err::NoError;
    };
}

const TableDef* Device::tableAt(const Oid& entry) const {
    auto it = tables_.find(entry);
    return it == tables_.end() ? nullptr : it->second.get();
}

const ObjectDef* Device::findDef(const Oid& o, const TableDef** table, Oid* index, SubId* column) const {
    if (table) *table = nullptr;
    auto s = scalars_.find(o);
    if (s != scalars_.end()) return &s->second;
    auto it = tables_.upper_bound(o);
    if (it == tables_.begin()) return nullptr;
    --it;
    const TableDef& t = *it->second;
    if (!isPrefix(t.entry, o) || o.size() < t.entry.size() + 2) return nullptr;
    SubId col = o[t.entry.size()];
    auto c = t.columns.find(col);
    if (c == t.columns.end()) return nullptr;
    if (table) *table = &t;
    if (index) index->assign(o.begin() + static_cast<long>(t.entry.size()) + 1, o.end());
    if (column) *column = col;
    return &c->second;
}

bool Device::knownPrefix(const Oid& o) const {
    if (o.empty()) return false;
    // A column of a defined table: the object exists, the row does not (whatever the index length).
    const TableDef* t = nullptr;
    if (findDef(o, &t) && t) return true;
    Oid parent(o.begin(), o.end() - 1);
    return store_.hasAnyUnder(parent);
}

long long Device::intAt(const Oid& o, long long fallback) const {
    auto* c = store_.find(o);
    return c ? c->value.num : fallback;
}

std::string Device::strAt(const Oid& o) const {
    auto* c = store_.find(o);
    return c ? c->value.str : std::string();
}

void Device::put(const Oid& o, Value v) {
    if (auto* c = store_.find(o)) {
        c->value = std::move(v);
        return;
    }
    store_.put(o, std::move(v), findDef(o));
}

int Device::checkBinding(const Oid& o, const Value& v) const {
    for (auto& [prefix, status] : opt_.setErrors)
        if (isPrefix(prefix, o)) return status;
    const TableDef* t = nullptr;
    Oid idx;
    const ObjectDef* def = findDef(o, &t, &idx);
    if (!def) return store_.find(o) ? err::NotWritable : err::NoCreation;
    if (t && t->validIndex && !t->validIndex(idx)) return err::NoCreation;
    if (def->access == Access::ReadOnly) return err::NotWritable;
    if (v.type != def->type) return err::WrongType;
    if (def->check) return def->check(v);
    return err::NoError;
}

SetOutcome Device::stage(Transaction& tx, const std::vector<std::pair<Oid, Value>>& bindings) {
    for (size_t i = 0; i < bindings.size(); ++i) {
        int e = checkBinding(bindings[i].first, bindings[i].second);
        if (e) return {e, i};
    }
    View view(store_, tx.staged);
    std::map<std::pair<const TableDef*, Oid>, size_t> touched;
    for (size_t i = 0; i < bindings.size(); ++i) {
        const auto& [o, v] = bindings[i];
        tx.bindings.push_back(bindings[i]);
        const TableDef* t = nullptr;
        Oid idx;
        SubId col = 0;
        const ObjectDef* def = findDef(o, &t, &idx, &col);
        if (def->onCommit) tx.commits.push_back({def, {o, v}});
        if (!t) {
            tx.staged[o] = v;
            continue;
        }
        if (t->rowStatusCol && col == t->rowStatusCol) {
            bool exists = view.rowExists(*t, idx);
            switch (v.num) {
            case rs::CreateAndGo:
            case rs::CreateAndWait: {
                if (exists) return {err::InconsistentValue, i};
                if (t->maxRows && view.rows(*t).size() >= t->maxRows) return {err::ResourceUnavailable, i};
                std::map<SubId, Value> defaults = t->newRow ? t->newRow(idx) : std::map<SubId, Value>{};
                for (auto& [c, cdef] : t->columns) {
                    auto d = defaults.find(c);
                    tx.staged[join(join(t->entry, {c}), idx)] = d != defaults.end() ? d->second : zeroOf(cdef.type);
                }
                tx.staged[o] = Value::integer(v.num == rs::CreateAndGo ? rs::Active : rs::NotInService);
                break;
            }
            case rs::Active:
            case rs::NotInService:
                if (!exists) return {err::InconsistentValue, i};
                tx.staged[o] = v;
                break;
            case rs::Destroy:
                if (!exists) break;
                if (t->canDestroy) {
                    int e = t->canDestroy(view, idx);
                    if (e) return {e, i};
                }
                for (auto& [c, cdef] : t->columns) tx.staged[join(join(t->entry, {c}), idx)] = std::nullopt;
                break;
            default: return {err::WrongValue, i};
            }
            touched[{t, idx}] = i;
        } else {
            if (!view.get(o)) return {t->rowStatusCol ? err::InconsistentName : err::NoCreation, i};
            tx.staged[o] = v;
            touched[{t, idx}] = i;
        }
    }
    for (size_t i = 0; i < bindings.size(); ++i) {
        const auto& [o, v] = bindings[i];
        const ObjectDef* def = findDef(o);
        if (!def->consistent || !view.get(o)) continue;
        int e = def->consistent(view, o, v);
        if (e) return {e, i};
    }
    for (auto& [key, i] : touched) {
        const TableDef* t = key.first;
        if (!t->rowStatusCol || !t->canActivate) continue;
        if (view.integer(join(join(t->entry, {t->rowStatusCol}), key.second)) != rs::Active) continue;
        int e = t->canActivate(view, key.second);
        if (e) return {e, i};
    }
    return {};
}

void Device::apply(Transaction& tx) {
    if (tx.applied) return;
    tx.applied = true;
    for (auto& [o, v] : tx.staged) {
        if (!tx.undo.count(o)) {
            const Cell* c = store_.find(o);
            tx.undo[o] = c ? std::optional<Cell>(*c) : std::nullopt;
        }
        if (v) put(o, *v);
        else store_.erase(o);
    }
}

void Device::undo(Transaction& tx) {
    if (!tx.applied) return;
    tx.applied = false;
    for (auto& [o, c] : tx.undo) {
        if (c) store_.put(o, c->value, c->def);
        else store_.erase(o);
    }
    tx.undo.clear();
}

void Device::commit(Transaction& tx) {
    if (tx.committed || !tx.applied) return;
    tx.committed = true;
    for (auto& [def, b] : tx.commits) def->onCommit(b.first, b.second);
    derive();
}

void Device::runBeforeRequest() {
    for (auto& f : beforeRequest_) f();
}

void Device::runTicks() {
    for (auto& f : ticks_) f();
    derive();
}

void Device::derive() {
    for (auto& f : derivers_) f();
}

void Device::saveConfig() { saved_ = store_.cells(); }

void Device::rebootNow() {
    store_.cells() = saved_;
    resetUptime();
    for (auto& f : afterReboot_) f();
    derive();
}

long long Device::uptimeTicks() const {
    auto d = std::chrono::steady_clock::now() - boot_;
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count() / 10;
}

bool Device::loadState(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot open state file " + path;
        return false;
    }
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        std::istringstream ls(line.substr(first));
        std::string oidText, typeText;
        ls >> oidText >> typeText;
        std::string rest;
        std::getline(ls, rest);
        size_t vs = rest.find_first_not_of(" \t");
        rest = vs == std::string::npos ? std::string() : rest.substr(vs);
        if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
        auto o = parseOid(oidText);
        std::optional<Value> v;
        if (o && typeText.size() == 1) v = parseTyped(typeText[0], rest);
        if (!o || !v) {
            error = path + ":" + std::to_string(lineNo) + ": expected 'OID TYPE VALUE'";
            return false;
        }
        const TableDef* t = nullptr;
        Oid idx;
        const ObjectDef* def = findDef(*o, &t, &idx);
        if (def && def->type != v->type && !opt_.stateAnyType) {
            error = path + ":" + std::to_string(lineNo) + ": type " + typeText + " does not match " + def->name;
            return false;
        }
        if (t && !store_.find(*o)) {
            std::map<SubId, Value> defaults = t->newRow ? t->newRow(idx) : std::map<SubId, Value>{};
            if (t->rowStatusCol) defaults[t->rowStatusCol] = Value::integer(rs::Active);
            for (auto& [c, cdef] : t->columns) {
                Oid cell = join(join(t->entry, {c}), idx);
                if (store_.find(cell)) continue;
                auto d = defaults.find(c);
                store_.put(cell, d != defaults.end() ? d->second : zeroOf(cdef.type), &cdef);
            }
        }
        put(*o, *v);
    }
    return true;
}

std::unique_ptr<Device> buildDevice(const Model& m, const Options& o) {
    auto d = std::make_unique<Device>(m, o);
    registerSystem(*d);
    registerBridge(*d);
    registerLldp(*d);
    registerPorts(*d);
    registerVlan(*d);
    registerOui(*d);
    registerPoe(*d);
    registerMaint(*d);
    registerSecurity(*d);
    registerAgentMib(*d);
    d->derive();
    return d;
}

}  // namespace corvex::sim
