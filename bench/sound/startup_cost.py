#!/usr/bin/env python3
"""What a clock that is not armed pays at start-up, for two or more builds.

Starts each build of the program (LABEL=BINARY) under one private Xvfb and
session bus, with a fresh, empty state directory of its own (so no alarm is
armed and no sound is played), one after the other; once all of them show
their windows and have settled, reads each one's resident memory, then stops
them. It does so ROUNDS times, each round with every build started afresh and
the starting order turned by one, so that no build is always the first to
meet a cold cache or always the one started beside a fresh neighbour.

For each build and round it prints:
  - the time from the start of the process until its window is mapped and
    viewable (polled every few milliseconds, so a reading may be late by
    about one poll);
  - the dynamic loader's own start-up time, in processor cycles, as it
    counts it (LD_DEBUG=statistics): the part of the start that the
    libraries a build links cost, free of the display's and the
    scheduler's noise;
  - VmRSS, the resident memory once settled, and VmHWM, its peak so far;
  - how many shared objects it maps, and whether GStreamer is among them;
then the median of each figure over the rounds, and for every build after
the first its difference to the first, taken round by round: the median,
and the middle half of the rounds' differences, which shows how much of it
is noise.

Nothing is asserted: these are figures to compare builds by, not a test.

    bench/sound/startup_cost.py LABEL=BINARY LABEL=BINARY... [--rounds N] [--settle S]

Needs Xvfb, xdotool and dbus-daemon on the PATH.
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

POLL_S = 0.003
WINDOW_TIMEOUT_S = 60


def parse_builds(arguments):
    builds = []
    for argument in arguments:
        label, sep, path = argument.partition("=")
        if not sep or not label or not path:
            sys.exit(f"not LABEL=BINARY: {argument}")
        path = os.path.realpath(path)
        if not os.access(path, os.X_OK):
            sys.exit(f"not an executable: {path}")
        builds.append((label, path))
    if len(builds) < 2:
        sys.exit("give at least two builds to compare")
    if len({label for label, _ in builds}) != len(builds):
        sys.exit("each build needs a label of its own")
    return builds


class Session:
    """A private X display and session bus; stopped on close."""

    def __init__(self, work):
        self.work = work
        self.log = open(os.path.join(work, "log"), "ab")
        self.groups = []
        read_end, write_end = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as display:
            number = display.readline().strip()
        if not number:
            sys.exit("Xvfb did not start; see " + self.log.name)
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700)
        bus = os.path.join(work, "bus")
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "XAUTHORITY"):
            self.env.pop(name, None)
        self.env.update({
            "DISPLAY": ":" + number,
            "XDG_CONFIG_HOME": os.path.join(work, "config"),
            "XDG_CONFIG_DIRS": os.path.join(work, "xdg"),
            "XDG_RUNTIME_DIR": runtime,
            "DBUS_SESSION_BUS_ADDRESS": "unix:path=" + bus,
            "QT_QPA_PLATFORM": "xcb",
            "LC_ALL": "C",
            # Never used, since nothing plays; set so that a sound could not
            # reach a real output should one play after all.
            "ZUM_AUDIO_SINK": "fakesink sync=true",
        })
        self._spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                     "--address=" + self.env["DBUS_SESSION_BUS_ADDRESS"]])
        deadline = time.monotonic() + 10
        while not os.path.exists(bus):
            if time.monotonic() > deadline:
                sys.exit("dbus-daemon did not start; see " + self.log.name)
            time.sleep(0.02)

    def _spawn(self, argv, env=None, pass_fds=()):
        process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log,
                                   env=env, pass_fds=pass_fds, start_new_session=True)
        self.groups.append(process)
        return process

    def start_program(self, label, binary):
        """Starts BINARY with a fresh state directory; returns (process, ms to its window)."""
        state = os.path.join(self.work, "state-" + label)
        shutil.rmtree(state, ignore_errors=True)
        os.makedirs(state)
        env = dict(self.env, ZUM_SYSTEM_DIR=state, LD_DEBUG="statistics",
                   LD_DEBUG_OUTPUT=os.path.join(self.work, "loader-" + label))
        start = time.monotonic()
        process = self._spawn([binary], env=env)
        deadline = start + WINDOW_TIMEOUT_S
        while time.monotonic() < deadline:
            found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(process.pid),
                                    "--name", "^ZUM$"], env=self.env, capture_output=True)
            if found.returncode == 0 and found.stdout.strip():
                return process, (time.monotonic() - start) * 1000
            if process.poll() is not None:
                break
            time.sleep(POLL_S)
        sys.exit(f"{label} showed no window; see {self.log.name}")

    def loader_cycles(self, label, pid):
        """The loader's start-up cycles that process pid of label wrote down."""
        path = os.path.join(self.work, f"loader-{label}.{pid}")
        with open(path) as statistics_file:
            for line in statistics_file:
                if "total startup time in dynamic loader:" in line:
                    return int(line.split(":")[-1].split()[0])
        raise RuntimeError("no loader statistics in " + path)

    def stop(self, process):
        try:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait(timeout=5)
        except ProcessLookupError:
            pass
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()

    def close(self):
        for process in reversed(self.groups):
            if process.poll() is None:
                self.stop(process)
        self.log.close()


def status_kib(pid, field):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    raise RuntimeError(f"no {field} for {pid}")


def mapped_objects(pid):
    with open(f"/proc/{pid}/maps") as maps:
        paths = {line.split()[-1] for line in maps if ".so" in line.split()[-1]}
    return len(paths), any("libgstreamer-1.0" in p for p in paths)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("builds", nargs="+", metavar="LABEL=BINARY")
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--settle", type=float, default=2.0,
                        help="seconds between the last window and the reading of memory")
    args = parser.parse_args()
    builds = parse_builds(args.builds)
    for tool in ("Xvfb", "xdotool", "dbus-daemon"):
        if not shutil.which(tool):
            sys.exit("missing: " + tool)

    work = tempfile.mkdtemp(prefix="zum-startup-")
    session = Session(work)
    figures = {label: {"window ms": [], "loader Mcycles": [], "VmRSS KiB": [], "VmHWM KiB": []}
               for label, _ in builds}
    try:
        print(f"{args.rounds} rounds on {session.env['DISPLAY']}, {os.cpu_count()} CPUs")
        for r in range(args.rounds):
            order = builds[r % len(builds):] + builds[:r % len(builds)]
            running = {}
            for label, binary in order:
                running[label] = session.start_program(label, binary)
            # Start-up work that goes on after the first map (first paints,
            # the tray) is over before memory is read.
            time.sleep(args.settle)
            print(f"round {r + 1} (started: {' '.join(label for label, _ in order)}), "
                  f"load average {' '.join(open('/proc/loadavg').read().split()[:3])}")
            for label, _ in builds:
                process, window_ms = running[label]
                rss, hwm = status_kib(process.pid, "VmRSS"), status_kib(process.pid, "VmHWM")
                objects, gst = mapped_objects(process.pid)
                loader = session.loader_cycles(label, process.pid) / 1e6
                f = figures[label]
                f["window ms"].append(window_ms)
                f["loader Mcycles"].append(loader)
                f["VmRSS KiB"].append(rss)
                f["VmHWM KiB"].append(hwm)
                print(f"  {label:>12}: window {window_ms:7.1f} ms   loader {loader:5.2f} Mcycles   "
                      f"VmRSS {rss:7d} KiB   VmHWM {hwm:7d} KiB   "
                      f"{objects} shared objects{', GStreamer mapped' if gst else ''}")
            for process, _ in running.values():
                session.stop(process)
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)

    first = builds[0][0]
    print(f"\nmedians over {args.rounds} rounds")
    for label, _ in builds:
        print(f"  {label:>12}: " + "   ".join(f"{key} {statistics.median(values):.2f}"
                                             for key, values in figures[label].items()))
    for label, _ in builds[1:]:
        print(f"  {label} - {first}, round by round: median (middle half)")
        for key in figures[first]:
            diffs = [b - a for a, b in zip(figures[first][key], figures[label][key])]
            quartiles = statistics.quantiles(diffs, n=4) if len(diffs) > 1 else [diffs[0]] * 3
            print(f"    {key:>15}: {statistics.median(diffs):+10.2f}   ({quartiles[0]:+.2f} .. {quartiles[2]:+.2f})")


if __name__ == "__main__":
    main()
