#include "options.h"

#include <charconv>

#include "agent.h"

namespace corvex::sim {

namespace {

bool toInt(const std::string& s, long long lo, long long hi, long long& out) {
    long long v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

const struct {
    const char* name;
    int code;
} kStatusNames[] = {{"tooBig", 1},        {"noSuchName", 2},          {"badValue", 3},         {"readOnly", 4},
                    {"genErr", 5},        {"noAccess", 6},            {"wrongType", 7},        {"wrongLength", 8},
                    {"wrongEncoding", 9}, {"wrongValue", 10},         {"noCreation", 11},      {"inconsistentValue", 12},
                    {"resourceUnavailable", 13}, {"commitFailed", 14}, {"undoFailed", 15}, {"authorizationError", 16},
                    {"notWritable", 17},  {"inconsistentName", 18}};

}  // namespace

std::string usage() {
    return "usage: corvex-sim [options]\n"
           "  --listen udp:127.0.0.1:PORT   address to serve (default udp:127.0.0.1:16161)\n"
           "  --allow-remote                allow a non-loopback listen address\n"
           "  --model KEY                   switch model (see --list-models; default 10p)\n"
           "  --list-models                 print the models and exit\n"
           "  --version                     print the version and exit\n"
           "  --community-ro NAME           read community (default qorvin)\n"
           "  --community-rw NAME           write community (default tessmar)\n"
           "  --user NAME:MD5|SHA:authpass[:DES|AES:privpass]   SNMPv3 user (repeatable)\n"
           "  --fdb N                       forwarding table entries (default 40, up to 1000000)\n"
           "  --fdb-churn                   with every request one forwarding entry comes and an older one goes\n"
           "  --fiber PORT[:3|4]            combo port with an active fibre module (medium 3 or 4, default 4)\n"
           "  --log FILE                    append every received PDU as one JSON line\n"
           "  --state FILE                  preload objects, lines 'OID TYPE VALUE'\n"
           "  --state-any-type              preloads may carry any type, as a broken switch would\n"
           "  --live                        links come and go, PoE draw changes\n"
           "  --reboot-seconds N            silence after a reboot request (default 3)\n"
           "  --fail-file NAME              transfers of this file name fail\n"
           "  --transfer-silent             stop answering transfer objects once a transfer starts\n"
           "  --transfer-ms N               duration of a transfer in progress (default 5000)\n"
           "  --drop-prefix OID             never answer requests touching OID (repeatable)\n"
           "  --drop-set-reply OID          carry out sets touching OID, their reply lost (repeatable)\n"
           "  --absent OID                  objects under OID are not there (repeatable)\n"
           "  --delay-prefix OID:MS         replies to requests touching OID are sent MS ms late\n"
           "  --delay-ms N                  delay every reply by N ms\n"
           "  --set-error OID:STATUS        answer sets under OID with STATUS (number or name; repeatable)\n"
           "  --loop-at OID                 get-next of OID returns OID again\n"
           "  --no-bulk                     answer every GETBULK with genErr (an agent without GETBULK)\n"
           "  --silent-after N              answer only the first N requests\n"
           "  --drop-every N                lose every N-th request (a lossy network)\n"
           "  --drop-percent P              lose about P% of the requests, the same ones for one seed\n"
           "  --drop-seed S                 seed of --drop-percent (default 1)\n"
           "  --drop-replies                the lost requests are handled, their replies lost instead\n"
           "  --proxy-marker first|last     add the relay marker 1.3.6.1.4.1.171.7777.1.0 (IpAddress of\n"
           "                                the device) to every reply, as its first or last binding\n"
           "  --bad-reply extra|missing|renamed|status|retyped|revalued|exception\n"
           "                                every reply carries one binding more, one fewer, its first\n"
           "                                binding under another OID, error status 99, or its first\n"
           "                                binding with another type, another value or noSuchObject\n";
}

ParseResult parseOptions(int argc, char** argv, Options& opt, std::string& error) {
    bool listModels = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        long long n = 0;
        if (a == "--help" || a == "-h") return ParseResult::Help;
        if (a == "--version") return ParseResult::Version;
        if (a == "--list-models") listModels = true;
        else if (a == "--allow-remote") opt.allowRemote = true;
        else if (a == "--live") opt.live = true;
        else if (a == "--transfer-silent") opt.transferSilent = true;
        else if (a == "--state-any-type") opt.stateAnyType = true;
        else if (a == "--no-bulk") opt.noBulk = true;
        else if (a == "--fdb-churn") opt.fdbChurn = true;
        else if (a == "--drop-replies") opt.dropReplies = true;
        else if (!value(v)) return ParseResult::Error;
        else if (a == "--listen") opt.listen = v;
        else if (a == "--model") opt.model = v;
        else if (a == "--community-ro") opt.communityRo = v;
        else if (a == "--community-rw") opt.communityRw = v;
        else if (a == "--user") opt.users.push_back(v);
        else if (a == "--log") opt.logFile = v;
        else if (a == "--state") opt.stateFile = v;
        else if (a == "--fail-file") opt.failFile = v;
        else if (a == "--proxy-marker") {
            if (v != "first" && v != "last") {
                error = "--proxy-marker expects first or last";
                return ParseResult::Error;
            }
            opt.proxyMarker = v == "first" ? 1 : 2;
        } else if (a == "--bad-reply") {
            static const char* const kHow[] = {"extra", "missing", "renamed", "status", "retyped", "revalued", "exception"};
            opt.badReply = 0;
            for (int i = 0; i < 7; ++i)
                if (v == kHow[i]) opt.badReply = i + 1;
            if (!opt.badReply) {
                error = "--bad-reply expects extra, missing, renamed, status, retyped, revalued or exception";
                return ParseResult::Error;
            }
        }
        else if (a == "--fdb" || a == "--delay-ms" || a == "--silent-after" || a == "--reboot-seconds" ||
                 a == "--transfer-ms") {
            long long hi = a == "--fdb" ? 1000000 : a == "--silent-after" ? 1000000000 : 600000;
            if (!toInt(v, 0, hi, n)) {
                error = a + " expects a number from 0 to " + std::to_string(hi);
                return ParseResult::Error;
            }
            if (a == "--fdb") opt.fdbSize = static_cast<int>(n);
            else if (a == "--delay-ms") opt.delayMs = static_cast<int>(n);
            else if (a == "--silent-after") opt.silentAfter = n;
            else if (a == "--reboot-seconds") opt.rebootSeconds = static_cast<int>(n);
            else opt.transferMs = static_cast<int>(n);
        } else if (a == "--drop-every" || a == "--drop-percent" || a == "--drop-seed") {
            const long long hi = a == "--drop-percent" ? 100 : 1000000000;
            if (!toInt(v, a == "--drop-seed" ? 0 : 1, hi, n)) {
                error = a + " expects a number from " + (a == "--drop-seed" ? "0" : "1") + " to " + std::to_string(hi);
                return ParseResult::Error;
            }
            if (a == "--drop-every") opt.dropEvery = static_cast<int>(n);
            else if (a == "--drop-percent") opt.dropPercent = static_cast<int>(n);
            else opt.dropSeed = static_cast<unsigned>(n);
        } else if (a == "--drop-prefix" || a == "--drop-set-reply" || a == "--loop-at" || a == "--absent") {
            auto o = parseOid(v);
            if (!o) {
                error = a + ": bad OID " + v;
                return ParseResult::Error;
            }
            if (a == "--loop-at") opt.loopAt = *o;
            else if (a == "--drop-set-reply") opt.dropSetReplies.push_back(*o);
            else if (a == "--absent") opt.absentPrefixes.push_back(*o);
            else opt.dropPrefixes.push_back(*o);
        } else if (a == "--delay-prefix") {
            const size_t colon = v.rfind(':');
            auto o = parseOid(v.substr(0, colon == std::string::npos ? 0 : colon));
            if (!o || colon == std::string::npos || !toInt(v.substr(colon + 1), 0, 600000, n)) {
                error = "--delay-prefix expects OID:MS, e.g. 1.3.6.1.2.1.2.2.1:2000";
                return ParseResult::Error;
            }
            opt.delayPrefixes.emplace_back(*o, static_cast<int>(n));
        } else if (a == "--set-error") {
            size_t colon = v.rfind(':');
            auto o = parseOid(v.substr(0, colon == std::string::npos ? 0 : colon));
            std::string st = colon == std::string::npos ? "" : v.substr(colon + 1);
            int code = -1;
            if (toInt(st, 1, 18, n)) code = static_cast<int>(n);
            for (auto& s : kStatusNames)
                if (st == s.name) code = s.code;
            if (!o || code < 0) {
                error = "--set-error expects OID:STATUS, e.g. 1.3.6.1.4.1.171.10.76.12.7:genErr or ...:5";
                return ParseResult::Error;
            }
            opt.setErrors.emplace_back(*o, code);
        } else if (a == "--fiber") {
            size_t colon = v.find(':');
            long long port = 0, medium = 4;
            if (!toInt(v.substr(0, colon), 1, 52, port) ||
                (colon != std::string::npos && !toInt(v.substr(colon + 1), 3, 4, medium))) {
                error = "--fiber expects PORT[:3|4]";
                return ParseResult::Error;
            }
            opt.fibrePorts[static_cast<int>(port)] = static_cast<int>(medium);
        } else {
            error = "unknown option " + a;
            return ParseResult::Error;
        }
    }
    if (listModels) return ParseResult::ListModels;
    const Model* m = findModel(opt.model);
    if (!m) {
        error = "unknown model " + opt.model + " (see --list-models)";
        return ParseResult::Error;
    }
    for (auto& [port, medium] : opt.fibrePorts)
        if (port <= m->ports - m->combo || port > m->ports) {
            error = "--fiber: port " + std::to_string(port) + " is not a combo port of model " + m->key;
            return ParseResult::Error;
        }
    if (!opt.allowRemote && !isLoopbackListen(opt.listen)) {
        error = "refusing non-loopback address " + opt.listen + " without --allow-remote";
        return ParseResult::Error;
    }
    if (opt.communityRo.empty() || opt.communityRw.empty()) {
        error = "communities must not be empty";
        return ParseResult::Error;
    }
    return ParseResult::Run;
}

}  // namespace corvex::sim
