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


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--module", required=True)
    p.add_argument("--sim", required=True)
    p.add_argument("--panels", required=True)
    p.add_argument("--model", default="52")
    p.add_argument("--runs", type=int, default=7)
    p.add_argument("--seconds", type=float, default=30.0, help="length of the idle run (60 for the full minute)")
    args = p.parse_args()

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
