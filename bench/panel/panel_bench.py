#!/usr/bin/env python3
"""Start-up, polling cost and memory of corvex-module against a virtual switch.

Figures printed:
  * start of the process to the first paint of the panel, and to the first paint that shows
    the device's state (median of --runs starts, measured here from the fork to the line the
    module prints with --report-first-paint);
  * CPU time of the module per poll pass and as a share of one core while it idles, from
    /proc/<pid>/stat (utime + stime) over --seconds of running, the passes counted in the
    simulator's request log (one fan read per pass on the 52-port model);
  * resident memory (VmRSS) at the end of that run.
Targets: first paint under 0.5 s, idle under 1 % of a core, under 80 MB resident.

With --wan: the time from the start to the first paint that shows the switch's state, against
a switch that holds each reply 0, 150, 200 or 400 ms and one that loses 2 % of the requests,
beside its limit (start-up, the poll loop's own pauses, and the request stages that wait for one
another times the round trip, counted in the switch's request log). Target: under 2.0 s at 200 ms.
"""
import argparse
import json
import os
import select
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

FAN_OID = "1.3.6.1.4.1.171.10.76.12.1.15.1.0"
LINK_WALK_OID = "1.3.6.1.2.1.2.2.1.3"


def free_port():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def start_sim(sim, model, port, log):
    proc = subprocess.Popen([sim, "--model", model, "--listen", f"udp:127.0.0.1:{port}", "--log", log],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    line = proc.stdout.readline()
    if "ready" not in line:
        proc.kill()
        sys.exit(f"corvex-sim did not start: {line.strip()}")
    return proc


def count_requests(log, pdu, oid):
    n = 0
    try:
        with open(log) as f:
            for line in f:
                try:
                    r = json.loads(line)
                except ValueError:
                    continue
                b = r.get("bindings") or []
                if r.get("pdu") == pdu and b and b[0].get("oid") == oid:
                    n += 1
    except OSError:
        pass
    return n


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15 of the whole line; here 0-based after the name.
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def module_env():
    env = dict(os.environ)
    env["QT_QPA_PLATFORM"] = "offscreen"
    env.pop("CORVEX_TRACE", None)
    return env


def first_paint(args, line, profile, shot):
    """One start: (ms to first paint, ms to first painted poll), measured from the fork."""
    t0 = time.monotonic()
    proc = subprocess.Popen([args.module, "--profile", profile, "--report-first-paint", "--screenshot", shot, line],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=module_env())
    times = {}
    buf = b""
    deadline = t0 + 20
    while len(times) < 2 and time.monotonic() < deadline:
        ready, _, _ = select.select([proc.stdout], [], [], 0.5)
        if not ready:
            continue
        chunk = os.read(proc.stdout.fileno(), 4096)
        if not chunk:
            break
        now = time.monotonic()
        buf += chunk
        while b"\n" in buf:
            text, buf = buf.split(b"\n", 1)
            if text.startswith(b"first painted poll"):
                times["poll"] = (now - t0) * 1000
            elif text.startswith(b"first paint"):
                times["paint"] = (now - t0) * 1000
    proc.wait(timeout=20)
    if len(times) < 2:
        sys.exit("the module printed no first-paint lines")
    return times["paint"], times["poll"]


STATUS_PREFIXES = ("1.3.6.1.2.1.2.2.1.", "1.3.6.1.4.1.171.10.76.12.1.13.1.", "1.3.6.1.4.1.171.10.76.12.22.1.1.13")
IN_FLIGHT = 4  # status requests the module keeps side by side


def log_requests(log, offset):
    """Requests logged from `offset` on, one per request ID (a request asked again counts once)."""
    seen, out = set(), []
    try:
        with open(log) as f:
            f.seek(offset)
            for line in f:
                try:
                    r = json.loads(line)
                except ValueError:
                    continue
                if r.get("request_id") in seen:
                    continue
                seen.add(r.get("request_id"))
                out.append(r)
    except OSError:
        pass
    return out


def dependent_stages(requests):
    """Request stages that wait for one another before the first status: each scalar read and
    each get-next of a walk is one; gets of the status columns go IN_FLIGHT at a time."""
    stages, status_gets = 0, 0
    for r in requests:
        b = (r.get("bindings") or [{}])[0].get("oid", "")
        if r.get("pdu") == "get" and b.startswith(STATUS_PREFIXES):
            status_gets += 1
        else:
            stages += 1
    return stages + -(-status_gets // IN_FLIGHT)


def first_status(args, line, profile, limit_s=60.0):
    """Seconds from the fork to the first paint that shows the switch's state, or None."""
    t0 = time.monotonic()
    proc = subprocess.Popen([args.module, "--profile", profile, "--report-first-paint", line],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=module_env())
    buf, found = b"", None
    try:
        while found is None and time.monotonic() < t0 + limit_s:
            ready, _, _ = select.select([proc.stdout], [], [], 0.2)
            if not ready:
                continue
            chunk = os.read(proc.stdout.fileno(), 4096)
            if not chunk:
                break
            buf += chunk
            if b"first painted poll" in buf:
                found = time.monotonic() - t0
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    return found


def wan(args):
    """First live status of the panel against a switch far away and on a lossy link."""
    conditions = [(0, 0), (150, 0), (200, 0), (400, 0), (0, 2), (150, 2)]
    profile = os.path.join(args.panels, args.model, "User.ini")
    poe = "p" in args.model.lower()
    pauses = 0.5 + (0.5 if poe else 0.0)  # the loop's first step, and the pause after the mode read
    work = tempfile.mkdtemp(prefix="corvex-bench-wan-")
    print(f"model {args.model}, SNMPv1, first live status: median of {args.runs} starts (min-max);")
    print("limit = start-up at 0 ms + the loop's pauses + dependent request stages x round trip")
    print(f"{'delay':>7} {'loss':>5} {'first status':>14} {'range':>15} {'stages':>7} {'limit':>8}  target")
    startup = None
    try:
        for delay, loss in conditions:
            times, stages = [], []
            for run in range(args.runs):
                log = os.path.join(work, f"requests-{delay}-{loss}-{run}.log")
                port = free_port()
                cmd = [args.sim, "--model", args.model, "--listen", f"udp:127.0.0.1:{port}", "--log", log,
                       "--delay-ms", str(delay)]
                if loss:
                    cmd += ["--drop-percent", str(loss), "--drop-seed", str(run + 1)]
                sim = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
                if "ready" not in sim.stdout.readline():
                    sim.kill()
                    sys.exit("corvex-sim did not start")
                try:
                    t = first_status(args, f"/Hbench/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F1/G{port}", profile)
                finally:
                    sim.send_signal(signal.SIGTERM)
                    sim.wait(timeout=10)
                if t is not None:
                    times.append(t)
                    stages.append(dependent_stages(log_requests(log, 0)))
            if not times:
                print(f"{delay:>5}ms {loss:>4}% {'none in 60 s':>14}")
                continue
            med = statistics.median(times)
            if delay == 0 and loss == 0:
                # What the module needs besides the switch: start-up, painting, its own work.
                startup = max(med - pauses, 0.0)
            st = statistics.median(stages)
            limit = (startup or 0.0) + pauses + st * delay / 1000.0
            target = "2.0 s" if delay == 200 and loss == 0 else ""
            met = "" if not target else ("  met" if med <= 2.0 else "  NOT met")
            print(f"{delay:>5}ms {loss:>4}% {med:>12.2f} s {min(times):>6.2f}-{max(times):<6.2f} s {st:>7.0f} "
                  f"{limit:>6.2f} s  {target}{met}")
    finally:
        for name in os.listdir(work):
            os.unlink(os.path.join(work, name))
        os.rmdir(work)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--module", required=True)
    p.add_argument("--sim", required=True)
    p.add_argument("--panels", required=True)
    p.add_argument("--model", default="52")
    p.add_argument("--runs", type=int, default=7)
    p.add_argument("--seconds", type=float, default=30.0, help="length of the idle run (60 for the full minute)")
    p.add_argument("--wan", action="store_true",
                   help="first live status at 0, 150, 200 and 400 ms round trip and 2%% loss instead")
    args = p.parse_args()
    if args.wan:
        wan(args)
        return

    work = tempfile.mkdtemp(prefix="corvex-bench-panel-")
    log = os.path.join(work, "requests.log")
    port = free_port()
    sim = start_sim(args.sim, args.model, port, log)
    line = f"/Hbench/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F1/G{port}"
    profile = os.path.join(args.panels, args.model, "User.ini")
    try:
        paints, polls = [], []
        for i in range(args.runs):
            paint, poll = first_paint(args, line, profile, os.path.join(work, f"shot{i}.png"))
            paints.append(paint)
            polls.append(poll)
        print(f"model {args.model}, {args.runs} starts")
        print(f"  start to first paint of the panel      median {statistics.median(paints):7.1f} ms"
              f"  (min {min(paints):.1f}, max {max(paints):.1f})  target < 500 ms")
        print(f"  start to first painted poll            median {statistics.median(polls):7.1f} ms"
              f"  (min {min(polls):.1f}, max {max(polls):.1f})")

        proc = subprocess.Popen([args.module, "--profile", profile, line], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, env=module_env())
        time.sleep(3.0)  # past start-up and the first pass
        cpu0, t0 = cpu_seconds(proc.pid), time.monotonic()
        fans0 = count_requests(log, "get", FAN_OID)
        walks0 = count_requests(log, "getnext", LINK_WALK_OID)
        time.sleep(args.seconds)
        cpu1, t1 = cpu_seconds(proc.pid), time.monotonic()
        fans1 = count_requests(log, "get", FAN_OID)
        walks1 = count_requests(log, "getnext", LINK_WALK_OID)
        rss = rss_mb(proc.pid)
        proc.send_signal(signal.SIGTERM)
        proc.wait(timeout=10)
        passes = max(fans1 - fans0, walks1 - walks0)
        cpu = cpu1 - cpu0
        wall = t1 - t0
        print(f"idle run of {wall:.1f} s ({passes} poll passes)")
        if passes:
            print(f"  CPU per poll pass                      {cpu / passes * 1000:7.2f} ms")
        print(f"  CPU share of one core                  {cpu / wall * 100:7.3f} %   target < 1 %")
        print(f"  resident memory after {args.seconds + 3:.0f} s            {rss:7.1f} MB  target < 80 MB")
    finally:
        sim.send_signal(signal.SIGTERM)
        sim.wait(timeout=10)
        for name in os.listdir(work):
            os.unlink(os.path.join(work, name))
        os.rmdir(work)


if __name__ == "__main__":
    main()
