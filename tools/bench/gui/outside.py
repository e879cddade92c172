#!/usr/bin/env python3
"""Times F5 (HEX to dump) as a user sees it: from outside the program,
on a virtual display, from the key to the dump on the screen, for Pelcor
and for Qt's own text editor showing the same report (pelcor_plain_report).

    tools/bench/gui/outside.py [BUILD_DIR [MIB]]     (default build/, 16)

The screen is read every POLL seconds (xwd) after the key is sent (xdotool).
A change counts when more bits differ than a blinking caret makes; the
dump is shown at the last such change before the screen rests for
REST seconds. Needs Xvfb, xdotool and xwd (tools/setup.sh test). The
files go to a fresh folder on disk under /var/tmp, removed afterwards.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

REST = 1.5
TIMEOUT = 180.0
BIG_CHANGE_BITS = 20000
POLL = 0.03
# A folder for every changed screen and a line each on stderr.
TRACE = os.environ.get("OUTSIDE_TRACE")


def capture(env):
    # Each read is a large request to the single-threaded X server; a
    # pause between them leaves the programs room to draw.
    time.sleep(POLL)
    return subprocess.run(["xwd", "-root", "-silent"], env=env, check=True,
                          stdout=subprocess.PIPE).stdout


def differing_bits(a, b):
    if len(a) != len(b):
        return 1 << 30
    return (int.from_bytes(a, "little") ^ int.from_bytes(b, "little")).bit_count()


def settle(env, timeout=TIMEOUT):
    """Waits until the screen has not changed for REST seconds."""
    last, since, start = capture(env), time.monotonic(), time.monotonic()
    while time.monotonic() - since < REST and time.monotonic() - start < timeout:
        frame = capture(env)
        if differing_bits(frame, last) > BIG_CHANGE_BITS:
            since = time.monotonic()
        last = frame


def press_f5(env, program_class):
    """Sends F5 to the visible window of the program `program_class`
    (its window class); the seconds to the first and the last change of
    the screen that follow."""
    window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--class",
                             program_class],
                            env=env, check=True, stdout=subprocess.PIPE,
                            timeout=60).stdout.split()[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True)
    settle(env)
    last = capture(env)
    t0 = time.monotonic()
    subprocess.run(["xdotool", "key", "F5"], env=env, check=True)
    first = changed = None
    while time.monotonic() - t0 < TIMEOUT:
        frame = capture(env)
        now = time.monotonic() - t0
        bits = differing_bits(frame, last)
        if TRACE and bits:
            print(f"    {now:7.3f} s: {bits} bits", file=sys.stderr)
            with open(os.path.join(TRACE, "%07.3f.xwd" % now), "wb") as shot:
                shot.write(frame)
        if bits > BIG_CHANGE_BITS:
            first = now if first is None else first
            changed = now
        last = frame
        if changed is not None and now - changed >= REST:
            break
    return first, changed


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(
        os.path.abspath(__file__)))))
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build"))
    mib = sys.argv[2] if len(sys.argv) > 2 else "16"
    for tool in ("Xvfb", "xdotool", "xwd"):
        if not shutil.which(tool):
            sys.exit(f"outside.py: {tool} is missing (tools/setup.sh test installs it)")
    work = tempfile.mkdtemp(prefix="pelcor-outside.", dir="/var/tmp")
    display = ":%d" % (90 + os.getpid() % 9)
    server = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
                              stderr=subprocess.DEVNULL)
    try:
        image, hex_path = os.path.join(work, "image.bin"), os.path.join(work, "fw.hex")
        report = os.path.join(work, "fw.txt")
        subprocess.run([os.path.join(build, "bench/bin/bench_image"), "random", mib, image],
                       check=True)
        kestrun = os.path.join(build, "bin/kestrun")
        subprocess.run([kestrun, "bin2hex", image, "-o", hex_path], check=True)
        subprocess.run([kestrun, "hexdump", hex_path, "-o", report], check=True)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                   XDG_CONFIG_HOME=os.path.join(work, "config"))
        time.sleep(1)
        runs = [("Pelcor", [os.path.join(build, "bin/Pelcor"), hex_path], "Pelcor"),
                ("QPlainTextEdit", [os.path.join(build, "bench/bin/pelcor_plain_report"), report],
                 "pelcor_plain_report")]
        figures = {}
        for name, command, title in runs:
            program = subprocess.Popen(command, env=env, stderr=subprocess.DEVNULL)
            try:
                figures[name] = press_f5(env, title)
            finally:
                program.kill()
                program.wait()
        size = os.path.getsize(report) / 1e6
        print(f"F5 from outside, {mib} MiB image, {size:.1f} MB report "
              f"(first change / dump shown, seconds after the key)")
        for name, (first, shown) in figures.items():
            print(f"  {name:15s} {first if first is not None else float('nan'):7.3f} "
                  f"{shown if shown is not None else float('nan'):7.3f}")
        ours, plain = figures["Pelcor"][1], figures["QPlainTextEdit"][1]
        if ours and plain:
            print(f"  Pelcor / QPlainTextEdit: {ours / plain:.2f}x")
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
