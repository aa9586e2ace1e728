// corvex-snmp: the module's SNMP layer from the shell, with the host's command line for the
// session settings.
//   corvex-snmp '<host command line>' get OID...
//   corvex-snmp '<host command line>' walk [--deadline SECONDS] COLUMN...
//   corvex-snmp '<host command line>' set OID TYPE VALUE [OID TYPE VALUE]...
#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/session_settings.h"
#include "platform/headless_ui.h"
#include "snmp/common_snmp.h"

namespace {

const char* const kUsage =
    "usage: corvex-snmp --version\n"
    "       corvex-snmp '<host command line>' get OID...\n"
    "       corvex-snmp '<host command line>' walk [--deadline SECONDS] COLUMN...\n"
    "       corvex-snmp '<host command line>' set OID TYPE VALUE [OID TYPE VALUE]...\n"
    "  walk prints each row (written whenever no row came for 10 ms); --deadline ends a walk that\n"
    "  has not reached the end of the table in time (exit status 1)\n"
    "  TYPE: 1 INTEGER, 2 OCTET STRING (text, or hex with a 0x prefix), 8 IpAddress, 10 Unsigned32\n"
    "  example: corvex-snmp '/Hx/I127.0.0.1/Cpublic/Dprivate/ETRUE/F1/G16161' walk 1.3.6.1.2.1.2.2.1.2\n";

int Usage(const char* why) {
    if (why) std::fprintf(stderr, "corvex-snmp: %s\n", why);
    std::fputs(kUsage, stderr);
    return 2;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "0x";
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string Shown(const CSnmp& reply, int index) {
    int type = 0;
    std::vector<uint8_t> raw;
    if (reply.getValue(index, type, raw) != 0) return "?";
    if (type == SNMP_T_NONE) return "(no value)";
    if (type == SNMP_T_OCTETS) {
        for (uint8_t b : raw) {
            if (!std::isprint(b)) return Hex(raw);
        }
        return std::string(raw.begin(), raw.end());
    }
    std::string text;
    reply.getValue(index, type, text);
    return text;
}

void Print(const CSnmp& reply) {
    for (int i = 0; i < reply.getValuesCount(); ++i) {
        std::string oid;
        reply.getOid(i, oid);
        if (IsProxyMarker(oid)) continue;  // a relay's marker, not an answer
        std::string value = Shown(reply, i);
        std::fprintf(stdout, "%s = %s\n", oid.c_str(), value.c_str());
    }
}

bool ParseHex(const char* text, std::vector<unsigned char>& out) {
    std::size_t n = std::strlen(text);
    if (n % 2) return false;
    out.clear();
    for (std::size_t i = 0; i < n; i += 2) {
        auto nibble = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            return -1;
        };
        int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<unsigned char>(hi * 16 + lo));
    }
    return true;
}

struct WalkState {
    CCommonSnmp* session = nullptr;
    bool ended = false;
    int status = 0;
    long rows = 0;
};

unsigned OnRow(CSnmp* reply, int id, void* param, int status) {
    auto* w = static_cast<WalkState*>(param);
    if (!w->session->FindRequestID(id)) {
        if (status == CSnmp4w::EC_NO_ERROR) delete reply;
        return 0;
    }
    if (status != CSnmp4w::EC_NO_ERROR) {
        w->ended = true;
        w->status = status;
        w->session->SignalDone();
        return 0;
    }
    // Ask for the next row first: the switch works on it while this one is printed.
    if (w->session->GetNextAsync(&OnRow, w, 0) != 0) {
        w->ended = true;
        w->status = CSnmp4w::EC_FAILED;
    }
    for (int i = 0; i < reply->getValuesCount(); ++i) {
        std::string oid;
        reply->getOid(i, oid);
        if (IsProxyMarker(oid)) continue;
        std::string value = Shown(*reply, i);
        std::fprintf(stdout, "%s = %s\n", oid.c_str(), value.c_str());
    }
    ++w->rows;
    delete reply;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // First of all: the host's line is copied and its communities and pass phrases leave the
    // argument memory that ps shows (a long walk stays listed).
    std::string hostLine = argc > 1 ? argv[1] : "";
    if (argc > 1) ScrubSecretArguments(&argv[1], 1);
    // CORVEX_STOP_AT_START stops the process here (SIGSTOP), so that a test or a debugger sees it
    // as it is before anything else has run.
    if (std::getenv("CORVEX_STOP_AT_START")) std::raise(SIGSTOP);
    if (argc == 2 && !std::strcmp(argv[1], "--version")) {
        std::puts("corvex-snmp " CORVEX_VERSION);
        return 0;
    }
    if (argc < 4) return Usage(argc > 1 && (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help")) ? nullptr : "missing arguments");
    SessionSettings settings;
    ParseCommandLine(hostLine, settings);
    std::fill(hostLine.begin(), hostLine.end(), '\0');
    if (const std::string problem = LaunchLineProblem(settings); !problem.empty()) return Usage(problem.c_str());
    if (settings.SnmpVersion != "1" && settings.SnmpVersion != "3")
        return Usage("SNMP version must be 1 or 3");
    // Written in blocks, and whenever the switch keeps the tool waiting (see the walk), so that
    // an interrupted walk has written all but the last few milliseconds' rows.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

    platform::HeadlessUi ui;
    platform::setUi(&ui);
    CCommonSnmp session(settings);
    const std::string command = argv[2];
    int code = 0;

    if (command == "get") {
        if (!session.Open(0)) return Usage("cannot open a request");
        for (int i = 3; i < argc; ++i) {
            if (session.AddValue(argv[i], SNMP_T_NULL, nullptr) != 0) return Usage((std::string("bad OID: ") + argv[i]).c_str());
        }
        CSnmp* reply = nullptr;
        int rc = session.Send(&reply, 0);
        if (rc != 0) {
            std::fprintf(stderr, "corvex-snmp: get failed: %s\n", session.LastFailureText().c_str());
            code = 1;
        } else {
            Print(*reply);
            delete reply;
        }
    } else if (command == "walk") {
        int first = 3;
        long deadlineMs = 0;
        if (first < argc && !std::strcmp(argv[first], "--deadline")) {
            char* end = nullptr;
            const double seconds = first + 1 < argc ? std::strtod(argv[first + 1], &end) : -1;
            if (first + 1 >= argc || !end || *end || !(seconds > 0) || seconds > 86400)
                return Usage("--deadline expects a number of seconds (up to 86400)");
            deadlineMs = static_cast<long>(seconds * 1000);
            first += 2;
        }
        if (first >= argc) return Usage("walk needs at least one column");
        if (!session.Open(1)) return Usage("cannot open a request");
        for (int i = first; i < argc; ++i) {
            if (session.AddValue(argv[i], SNMP_T_NULL, nullptr) != 0) return Usage((std::string("bad OID: ") + argv[i]).c_str());
        }
        session.SetReadAhead();  // OnRow asks for the next row first
        WalkState walk;
        walk.session = &session;
        if (session.GetNextAsync(&OnRow, &walk, 0) != 0) {
            std::fprintf(stderr, "corvex-snmp: walk could not start\n");
            code = 1;
        } else {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
            bool late = false;
            long written = 0;  // rows flushed to the output
            while (!walk.ended) {
                if (deadlineMs > 0 && std::chrono::steady_clock::now() >= deadline) {
                    late = true;
                    break;
                }
                // Rows printed but not yet written go out once no row came for 10 ms.
                const long seen = walk.rows;
                const bool unwritten = seen != written;
                ui.runUntil([&] { return walk.ended || walk.rows != seen; },
                            std::chrono::milliseconds(unwritten ? 10 : 20));
                if (unwritten && walk.rows == seen) {
                    std::fflush(stdout);
                    written = seen;
                }
            }
            if (late) {
                std::fprintf(stderr, "corvex-snmp: walk stopped after %ld rows: the table did not end within %g s\n",
                             walk.rows, deadlineMs / 1000.0);
                code = 1;
            } else if (walk.status != CSnmp4w::EC_END_OF_TABLE) {
                std::string why = session.LastFailureText();
                if (why.empty()) why = "the walk could not go on";
                std::fprintf(stderr, "corvex-snmp: walk failed after %ld rows: %s\n", walk.rows, why.c_str());
                code = 1;
            }
        }
    } else if (command == "set") {
        if ((argc - 3) % 3 != 0) return Usage("set takes OID TYPE VALUE triples");
        if (!session.Open(3)) return Usage("cannot open a request");
        for (int i = 3; i < argc; i += 3) {
            const char* oid = argv[i];
            std::string type = argv[i + 1];
            const char* value = argv[i + 2];
            int rc = -1;
            if (type == "2" && (!std::strncmp(value, "0x", 2) || !std::strncmp(value, "0X", 2))) {
                std::vector<unsigned char> bytes;
                if (!ParseHex(value + 2, bytes)) return Usage((std::string("bad hex value: ") + value).c_str());
                rc = session.AddValue(oid, SNMP_T_OCTETS, bytes.data(), static_cast<int>(bytes.size()));
            } else if (type == "1" || type == "2" || type == "8" || type == "10") {
                rc = session.AddValue(oid, std::stoi(type), value);
            } else {
                return Usage((std::string("bad type: ") + type).c_str());
            }
            if (rc != 0) return Usage((std::string("bad OID or value: ") + oid + " " + type + " " + value).c_str());
        }
        CSnmp* reply = nullptr;
        int rc = session.Send(&reply, 0);
        if (rc != 0) {
            std::fprintf(stderr, "corvex-snmp: set failed: %s\n", session.LastFailureText().c_str());
            code = 1;
        } else {
            Print(*reply);
            delete reply;
        }
    } else {
        return Usage(("unknown command: " + command).c_str());
    }
    std::fflush(stdout);
    session.Close();
    platform::setUi(nullptr);
    return code;
}
