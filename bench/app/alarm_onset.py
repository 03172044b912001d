#!/usr/bin/env python3
"""How late the alarm sound starts after the start of its second.

Arms ALARMS alarms one after another, each a few seconds ahead, through the
alarm file (KPT.dat) of a fresh state directory, starts the program under a
private Xvfb with its sound going to a .wav file written in real time
(ZUM_AUDIO_SINK), and takes the moment the file first grows past its header
as the onset. Beside each alarm a peer starts the same sound pipeline with
gst-launch-1.0 exactly at the start of a second, which shows what starting
the sound costs on this machine by itself. Each program starts at a random
moment within a second. Prints each onset delay and the
minimum, median and maximum of both; asserts nothing.

    bench/app/alarm_onset.py BUILD/app/zum [ALARMS (20)] [LEAD_SECONDS (3)]

Needs Xvfb, sox and gst-launch-1.0 on the PATH.
"""

import os
import random
import signal
import statistics
import subprocess
import sys
import tempfile
import time

WAV_HEADER = 44
CAPS = "audio/x-raw,format=S16LE,channels=1,rate=22050"


def sink(path):
    return (f"audioconvert ! audioresample ! {CAPS} ! wavenc ! "
            f"filesink sync=true buffer-mode=unbuffered location={path}")


def size(path):
    try:
        return os.stat(path).st_size
    except FileNotFoundError:
        return 0


def onset(path, second, give_up):
    """The first moment the file holds sound, as seconds after `second`."""
    while time.time() < give_up:
        if size(path) > WAV_HEADER:
            return time.time() - second
        time.sleep(0.0005)
    return None


def start_display(work):
    read, write = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "xvfb.log"), "w"))
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            raise SystemExit("Xvfb did not start")
        number += chunk
    os.close(read)
    return server, ":" + number.decode().strip()


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def summary(name, delays):
    ms = [d * 1000 for d in delays if d is not None]
    missed = sum(d is None for d in delays)
    if not ms:
        return f"{name}: no onset in {len(delays)} tries"
    return (f"{name}: min {min(ms):.1f} ms, median {statistics.median(ms):.1f} ms, max {max(ms):.1f} ms"
            f" over {len(ms)} alarms" + (f", {missed} without sound" if missed else ""))


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    binary = os.path.abspath(sys.argv[1])
    alarms = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    lead = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    work = tempfile.mkdtemp(prefix="zum-onset-")
    tone = os.path.join(work, "tone.wav")
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", "-b", "16", tone, "synth", "2", "sine", "440",
                    "vol", "0.5"], check=True)
    server, display = start_display(work)
    runtime = os.path.join(work, "runtime")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, DISPLAY=display, LANG="C", LC_ALL="C", XDG_RUNTIME_DIR=runtime,
               QT_QPA_PLATFORM="xcb")
    env.pop("WAYLAND_DISPLAY", None)
    program, peer = [], []
    try:
        for i in range(alarms):
            # The program, armed from the file for a second a few seconds ahead.
            state = os.path.join(work, f"state{i}")
            os.mkdir(state)
            out = os.path.join(work, f"zum{i}.wav")
            # Started at a random moment within a second, so that where the
            # program's timers fall does not follow from the previous alarm.
            time.sleep(random.random())
            second = int(time.time()) + lead
            with open(os.path.join(state, "KPT.dat"), "wb") as f:
                f.write(time.strftime("%H:%M:%S", time.localtime(second)).encode() + b"\r\n" +
                        tone.encode() + b"\r\n")
            zum = subprocess.Popen([binary], env=dict(env, ZUM_SYSTEM_DIR=state, ZUM_AUDIO_SINK=sink(out)),
                                   stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, f"zum{i}.log"), "w"))
            try:
                while time.time() < second - 0.05:
                    if size(out) > WAV_HEADER:
                        raise SystemExit(f"alarm {i}: sound before its second")
                    time.sleep(0.01)
                delay = onset(out, second, second + 3)
            finally:
                stop(zum)
            program.append(delay)

            # The peer: the same pipeline started at the start of the next second.
            peer_out = os.path.join(work, f"peer{i}.wav")
            peer_second = int(time.time()) + 1
            time.sleep(max(0.0, peer_second - time.time()))
            launch = subprocess.Popen(["gst-launch-1.0", "-q", "filesrc", f"location={tone}", "!", "decodebin", "!"] +
                                      sink(peer_out).split(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            peer_delay = onset(peer_out, peer_second, peer_second + 3)
            stop(launch)
            peer.append(peer_delay)
            print(f"alarm {i + 1:2d}: program {fmt(delay)}, peer {fmt(peer_delay)}", flush=True)
    finally:
        stop(server)
    print(summary("program", program))
    print(summary("peer (gst-launch-1.0 started at the second)", peer))
    print(f"work files in {work}")


def fmt(delay):
    return "no sound" if delay is None else f"{delay * 1000:6.1f} ms"


if __name__ == "__main__":
    main()
