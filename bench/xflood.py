#!/usr/bin/env python3
"""An alarm flood through the real program under X, as an operator has it.

Runs the program (a private copy of its directory as LUMETRA_HOME) on its own
Xvfb display, logs in as admin through the window system, opens a project
whose gateway box is on a loopback address where the gateway stand-in
(bench/tools/gatewayflood) listens, maximises the window, brings the Logs
dock with the alarm log to the front and pushes alarm changes at a rate for
some seconds. Measured: the window's answers to _NET_WM_PING (wmping), every
100 ms, during the flood and from 5 s after it; rows committed against
changes pushed, and each row's time from push to commit (the stand-in's own
samples); the program's resident memory and the CPU time of its threads
during the flood; with --sigterm-at, how long the program takes to end
after a SIGTERM, and whether the rows on disk are the changes in order
without a gap, against what the program had read; with --sigkill-at the
same after a SIGKILL, how many rows the program had read and not written,
and whether the database is whole. The stand-in stops pushing just before
the signal: `on_way_at_signal` is what it had pushed and the program had
not read then, so 0 when the program kept up with the flood and the
backlog when it was behind. With --sigterm-once-read the SIGTERM waits,
after the stand-in stopped, until the kernel holds no byte of the link: the
program has taken everything pushed off its socket (a program behind holds
it read and not yet written), so every change pushed must be a row. With --cpus the program runs on the CPUs named
only (taskset), as on a slower machine; with --busy N, N processes spin on
those CPUs (on any, without --cpus) from just before the flood to the
signal or the flood's end, as on a machine busy with other work: there the
program falls behind a flood of 10,000 changes a second. With --heartbeats
the stand-in floods the program with whole heartbeats (32 energizers, 31
IO cards) in place of alarm changes, which write no row: measured are the
pings, the memory and the CPU time, and --busy spins on to the end of the
watch after the flood.

Example, from the build directory:
  ../bench/xflood.py --bin bin --tool bench-bin/gatewayflood --out /tmp/xflood
"""
import argparse
import json
import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import threading
import time

FRAME_BYTES = 45  # one change: a register write of a 32-byte device block
GATEWAY_PORT = 6178
ENERGIZERS = 32

PROJECT = """<?xml version="1.0" encoding="UTF-8"?>
<Project Company="Brenik">
  <Workplaces>
    <Workplace name="Site" workplaceMode="1">
      <Item itemType="line" name="fence1" x="0" y="0" borderColor="rgba(0,0,0,255)">
        <Point x="40" y="300"/>
        <Point x="400" y="300"/>
        <Point x="400" y="420"/>
      </Item>
      <Item itemType="OsprelVell" IP="{address}" logo="Osprel" allEnergisersActive="1" allEnergisersLowVoltage="0" name="box1" zvalue="1" x="420" y="40" width="250" height="150" caption="" fontItalic="0" fontBold="0" fontUnderline="0" fontSize="-1" fontColor="rgba(0,0,0,255)" backgroundColor="rgba(255,255,255,255)" borderColor="rgba(0,0,0,255)">
        <Energizer id="0" name="Energ1" enable="1">
          <Sector id="0" name="Sector1">
            <Action actRefObjType="3" actRefObj="fence1" StateEnable="1"/>
          </Sector>
        </Energizer>
      </Item>
    </Workplace>
  </Workplaces>
</Project>
"""


def log(*args):
    print(time.strftime("%H:%M:%S"), *args, flush=True)


def xdo(env, *args):
    return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=30).stdout.strip()


def screenshot(display, path):
    """The display as it stands, where ImageMagick's import is at hand."""
    if shutil.which("import"):
        subprocess.run(["import", "-display", display, "-window", "root", path])


def status_kib(pid, field):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith(field):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def thread_cpu(pid):
    """CPU seconds of each thread of the program, by thread name."""
    ticks = os.sysconf("SC_CLK_TCK")
    cpu = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        name = stat[stat.index("(") + 1:stat.rindex(")")]
        fields = stat[stat.rindex(")") + 2:].split()
        cpu[f"{name}/{tid}"] = (int(fields[11]) + int(fields[12])) / ticks
    return cpu


def unread_bytes(port):
    """Bytes on the way to the program: the stand-in's send queue and the
    program's receive queue, both ends of the gateway connection."""
    out = subprocess.run(["ss", "-tnH", "state", "established"], capture_output=True, text=True).stdout
    total, seen = 0, False
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 4 and (fields[2].endswith(f":{port}") or fields[3].endswith(f":{port}")):
            total += int(fields[0]) + int(fields[1])
            seen = True
    return total if seen else None


class Tool:
    """The gateway stand-in, driven through its standard input."""

    def __init__(self, path, address, database, out):
        self.proc = subprocess.Popen([path, address, database], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=open(out, "w"), text=True)
        self.lines = []
        self.cond = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            with self.cond:
                self.lines.append((time.monotonic(), line.strip()))
                self.cond.notify_all()

    def send(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()

    def wait_for(self, prefix, timeout, after=0):
        end = time.monotonic() + timeout
        with self.cond:
            while True:
                for i, (_, line) in enumerate(self.lines):
                    if i >= after and line.startswith(prefix):
                        return line
                left = end - time.monotonic()
                if left <= 0:
                    return None
                self.cond.wait(left)

    def report(self):
        n = len(self.lines)
        self.send("report")
        line = self.wait_for("pushed", 10, after=n)
        m = re.match(r"pushed (\d+) committed (\d+) worst_row_ms (\S+)", line or "")
        return (int(m.group(1)), int(m.group(2)), float(m.group(3))) if m else (None, None, None)


def flood_rows(database, after_id):
    """The flood's rows in key order, and how many of them from the first
    are the changes in the order pushed."""
    db = sqlite3.connect(f"file:{database}?mode=ro", uri=True)
    rows = db.execute("select source, info from logAlarm where id > ? and info like 'change status to %' "
                      "and source like 'Energ%' order by id", (after_id,)).fetchall()
    db.close()
    in_order = 0
    for k, (source, info) in enumerate(rows):
        alarm = (k // ENERGIZERS) % 2 == 0
        if source != f"Energ{k % ENERGIZERS + 1}" or (info != "change status to OK") != alarm:
            break
        in_order += 1
    return len(rows), in_order


def integrity(database):
    db = sqlite3.connect(f"file:{database}?mode=ro", uri=True)
    value = db.execute("pragma integrity_check").fetchone()[0]
    db.close()
    return value


def newest_id(database):
    db = sqlite3.connect(f"file:{database}?mode=ro", uri=True)
    value = db.execute("select coalesce(max(id), 0) from logAlarm").fetchone()[0]
    db.close()
    return value


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--bin", required=True, help="the program's directory (build/bin), copied as its home")
    p.add_argument("--tool", required=True, help="the gateway stand-in, build/bench-bin/gatewayflood")
    p.add_argument("--wmping", default=None, help="the ping client; by default bench/wmping.c built with cc")
    p.add_argument("--out", required=True, help="a directory for the home, logs and results")
    p.add_argument("--display", default=":51")
    p.add_argument("--address", default="127.0.51.2")
    p.add_argument("--rate", type=int, default=10000)
    p.add_argument("--seconds", type=int, default=20)
    p.add_argument("--sigterm-at", type=float, default=None, help="seconds into the flood")
    p.add_argument("--sigkill-at", type=float, default=None, help="seconds into the flood")
    p.add_argument("--sigterm-once-read", action="store_true",
                   help="with --sigterm-at: the signal waits until the program has taken every byte off its socket")
    p.add_argument("--settle", type=int, default=15, help="seconds watched after the flood")
    p.add_argument("--cpus", default=None, help="run the program on these CPUs only (taskset), as a slower machine")
    p.add_argument("--busy", type=int, default=0, help="processes spinning beside the program during the flood")
    p.add_argument("--heartbeats", action="store_true", help="flood with heartbeats instead of alarm changes")
    a = p.parse_args()

    shutil.rmtree(a.out, ignore_errors=True)
    os.makedirs(a.out)
    home = os.path.join(a.out, "home")
    shutil.copytree(a.bin, home)
    project = os.path.join(home, "flood.xml")
    with open(project, "w") as f:
        f.write(PROJECT.format(address=a.address))
    settings = os.path.join(home, "setting.ini")
    with open(settings) as f:
        text = f.read()
    with open(settings, "w") as f:
        f.write(text.replace("[General]\n", f"[General]\nrecentFileList={project}\nLoadLastFile=true\n", 1))
    database = os.path.join(home, "brenik.db")
    if not a.wmping:
        a.wmping = os.path.join(a.out, "wmping")
        source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wmping.c")
        subprocess.run(["cc", "-O2", "-o", a.wmping, source, "-lxcb"], check=True)

    # The program draws on its X display, whatever platform the caller's
    # environment names (run-all runs the benches offscreen).
    env = dict(os.environ, DISPLAY=a.display, LUMETRA_HOME=home, QT_QPA_PLATFORM="xcb")
    xvfb = subprocess.Popen(["Xvfb", a.display, "-screen", "0", "1600x1000x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=open(os.path.join(a.out, "xvfb.log"), "w"))
    time.sleep(1)
    tool = Tool(a.tool, a.address, database, os.path.join(a.out, "tool.err"))
    procs = [xvfb, tool.proc]
    result = {}
    try:
        if not tool.wait_for("listening", 10):
            raise SystemExit("the stand-in does not listen")
        command = [os.path.join(home, "lumetra")]
        if a.cpus:
            command = ["taskset", "-c", a.cpus] + command
        program = subprocess.Popen(command, env=env, cwd=a.out,
                                   stdout=open(os.path.join(a.out, "program.out"), "w"), stderr=subprocess.STDOUT)
        procs.append(program)
        login = xdo(env, "search", "--sync", "--pid", str(program.pid)).split()[0]
        time.sleep(1)
        xdo(env, "windowfocus", "--sync", login)
        xdo(env, "type", "--delay", "30", "admin")
        xdo(env, "key", "Tab")
        xdo(env, "type", "--delay", "30", "admin")
        xdo(env, "key", "Return")
        if not tool.wait_for("connected", 30):
            raise SystemExit("the program did not connect")
        window = None
        for _ in range(50):
            ids = xdo(env, "search", "--onlyvisible", "--pid", str(program.pid), "--name", r"flood\.xml").split()
            if ids:
                window = ids[0]
                break
            time.sleep(0.2)
        time.sleep(3)  # the window restores its state, the read sweep and its rows
        log("window", window, xdo(env, "getwindowname", window), xdo(env, "getwindowgeometry", window))
        xdo(env, "windowsize", window, "1600", "1000")
        time.sleep(2)
        xdo(env, "mousemove", "25", "964", "click", "1")  # the Logs tab under the map
        time.sleep(2)
        screenshot(a.display, os.path.join(a.out, "before.png"))

        port = GATEWAY_PORT
        start_id = newest_id(database)
        rss_before = status_kib(program.pid, "VmRSS:")
        pings = os.path.join(a.out, "pings.txt")
        pinger = subprocess.Popen([a.wmping, window, "100", pings], env=env)
        procs.append(pinger)
        time.sleep(1)
        samples = []
        sampling = [True]

        def sample():
            while sampling[0]:
                samples.append((time.monotonic(), status_kib(program.pid, "VmRSS:")))
                time.sleep(0.05)

        sampler = threading.Thread(target=sample, daemon=True)
        sampler.start()
        spin = ["python3", "-c", "while True: pass"]
        spinners = [subprocess.Popen((["taskset", "-c", a.cpus] if a.cpus else []) + spin) for _ in range(a.busy)]
        procs.extend(spinners)
        cpu_before = thread_cpu(program.pid)
        flood_start = time.monotonic()
        tool.send(f"{'heartbeats' if a.heartbeats else 'flood'} {a.rate} {a.seconds}")
        flood_end = flood_start + a.seconds
        signal_at = a.sigterm_at if a.sigterm_at is not None else a.sigkill_at
        if signal_at is not None:
            while time.monotonic() < flood_start + signal_at:
                time.sleep(0.01)
            # The stand-in stops pushing, then the signal: what it pushed is
            # either still on its way (both ends' queues, sampled at the
            # signal and until the connection closes) or read by the program.
            n = len(tool.lines)
            tool.send("stop")
            stopped = tool.wait_for("stopped", 5, after=n)
            if a.sigterm_once_read:
                waiting = time.monotonic()
                while (unread_bytes(port) or 0) > 0 and time.monotonic() < waiting + 300:
                    time.sleep(0.005)
                result["read_wait_s"] = round(time.monotonic() - waiting, 2)
            on_way_at_signal = (unread_bytes(port) or 0) // FRAME_BYTES
            signalled = time.monotonic()
            program.send_signal(signal.SIGTERM if a.sigterm_at is not None else signal.SIGKILL)
            for spinner in spinners:
                spinner.kill()
            sampling[0] = False
            sampler.join()
            unread = None
            while program.poll() is None and time.monotonic() < signalled + 60:
                bytes_on_way = unread_bytes(port)
                if bytes_on_way is not None:
                    unread = bytes_on_way
            if program.poll() is None:
                program.kill()
                result["killed"] = True
            program.wait()
            ended = time.monotonic()
            tool.send("quit")
            pushed = int(stopped.split()[1]) if stopped else None
            rows, in_order = flood_rows(database, start_id)
            with open(os.path.join(a.out, "program.out"), errors="replace") as f:
                lost_lines = [line.strip() for line in f if re.search(r"lost|dropped|not written", line)]
            result.update(end_s=round(ended - signalled, 3), exit_code=program.returncode, pushed=pushed,
                          on_way_at_signal=on_way_at_signal, rows=rows, in_order=in_order,
                          whole_database=int(integrity(database) == "ok"), lost_lines=lost_lines[-3:])
            if pushed is not None:
                # More not on disk than was on its way: rows read by the
                # program and lost. A SIGKILL ends the connection with the
                # program: what was on its way then is never read.
                result["not_on_disk"] = pushed - rows
                result["on_way_last_seen"] = (unread or 0) // FRAME_BYTES
                if a.sigkill_at is not None or a.sigterm_once_read:
                    result["read_not_written"] = max(0, pushed - on_way_at_signal - rows)
        else:
            flooded = tool.wait_for("flooded", a.seconds + 120)
            if not flooded:
                raise SystemExit("the flood did not end")
            if not a.heartbeats:
                for spinner in spinners:
                    spinner.kill()
            cpu_after = thread_cpu(program.pid)
            used = {k: round(v - cpu_before.get(k, 0), 2) for k, v in cpu_after.items()}
            result["flood_cpu_s"] = round(sum(used.values()), 2)
            result["flood_cpu_threads"] = dict(sorted(used.items(), key=lambda kv: -kv[1])[:5])
            while time.monotonic() < flood_end + 5 + a.settle:
                time.sleep(0.1)
            for spinner in spinners:
                spinner.kill()
            if a.heartbeats:
                pushed, committed, worst, waited = int(flooded.split()[1]), None, None, 0
            else:
                pushed, committed, worst = tool.report()
                waited = 0
            while committed is not None and committed < pushed and waited < 120:
                time.sleep(1)
                waited += 1
                pushed, committed, worst = tool.report()
            sampling[0] = False
            sampler.join()
            screenshot(a.display, os.path.join(a.out, "after.png"))
            rss_peak = max(s[1] for s in samples if s[1] is not None)
            hwm = status_kib(program.pid, "VmHWM:")
            pinger.send_signal(signal.SIGTERM)
            pinger.wait()
            answers = []
            with open(pings) as f:
                for line in f:
                    seq, sent, answered = line.split()
                    answers.append((float(sent) / 1000, float(answered) / 1000))
            end = max(s for s, _ in answers)

            def worst_ms(t0, t1):
                late = [(r if r >= 0 else end) - s for s, r in answers if t0 <= s < t1]
                return round(max(late) * 1000, 1) if late else None

            program.send_signal(signal.SIGTERM)
            program.wait(timeout=60)
            rows, in_order = flood_rows(database, start_id)
            result.update(pushed=pushed, committed=committed, worst_row_ms=worst,
                          committed_after_extra_s=waited, rows=rows, in_order=in_order,
                          ping_flood_ms=worst_ms(flood_start, flood_end),
                          ping_settled_ms=worst_ms(flood_end + 5, flood_end + 5 + a.settle),
                          unanswered=sum(1 for s, r in answers if r < 0),
                          rss_before_mib=round(rss_before / 1024, 1),
                          rss_added_mib=round((rss_peak - rss_before) / 1024, 1), vmhwm_mib=round(hwm / 1024, 1))
    finally:
        for proc in reversed(procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    proc.kill()
    print(json.dumps(result))
    with open(os.path.join(a.out, "result.json"), "w") as f:
        json.dump(result, f)


if __name__ == "__main__":
    main()
