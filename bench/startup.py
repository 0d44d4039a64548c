#!/usr/bin/env python3
"""The program's start beside an empty Qt Widgets window's, in one run.

    python3 bench/startup.py BUILD_DIR [ROUNDS]

BUILD_DIR holds mirelo, bench/empty_window, generate_notes and db/mr.template
(bash bench/run.sh builds them in build-bench). On a virtual screen of its
own (Xvfb), each round starts one program and then the other, and takes the
time from the command to the main window mapped on the screen (the root
window's MapNotify, seen by xev). The program first shows its about box,
which waits for the user: Enter closes it, and the time it stood waiting is
not counted (the program's time is from the command to the about box, plus
from the Enter to the main window). The program opens on a database of 10 000
positions of its current company, in a home folder of its own; the
difference of the medians is held against half a second.
"""
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

SCREEN = "1600x1000x24"
TARGET_S = 0.5
SPLIT = []  # (to the about box, from its Enter to the main window) of each start


def free_display():
    for number in range(90, 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{number}") and not os.path.exists(f"/tmp/.X{number}-lock"):
            return f":{number}"
    sys.exit("startup: no free display number")


def start_screen(display):
    screen = subprocess.Popen(["Xvfb", display, "-screen", "0", SCREEN, "-nolisten", "tcp", "-noreset"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    socket = f"/tmp/.X11-unix/X{display[1:]}"
    deadline = time.monotonic() + 10
    while not os.path.exists(socket):
        if time.monotonic() > deadline or screen.poll() is not None:
            sys.exit("startup: Xvfb did not start")
        time.sleep(0.05)
    return screen


def mapped_windows(watcher):
    """The ids of top-level windows as they are mapped, from xev's report."""
    for line in watcher.stdout:
        if line.startswith("MapNotify"):
            # The next line reads "    event 0x…, window 0x…, override NO".
            details = next(watcher.stdout, "")
            yield details.split("window ")[1].split(",")[0]


def time_to_window(command, env, splash=False):
    """Seconds from starting `command` to its main window mapped. With
    `splash`, the first window is the about box that the user closes: the
    time it stands waiting for its Enter is left out."""
    watcher = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, env=env)
    # xev prints nothing until an event comes: give it time to select them.
    time.sleep(0.3)
    start = time.perf_counter()
    program = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        windows = mapped_windows(watcher)
        first = next(windows, None)
        shown = time.perf_counter() - start
        if first is None:
            sys.exit(f"startup: {command[0]} ended without a window")
        if not splash:
            return shown
        subprocess.run(["xdotool", "mousemove", "--window", first, "10", "10"], env=env, check=True)
        closed = time.perf_counter()
        subprocess.run(["xdotool", "key", "Return"], env=env, check=True)
        main_window = next(windows, None)
        if main_window is None:
            sys.exit(f"startup: {command[0]} showed no main window after its about box")
        after_splash = time.perf_counter() - closed
        SPLIT.append((shown, after_splash))
        return shown + after_splash
    finally:
        # SIGTERM: the program closes in order, as at a logout.
        program.send_signal(signal.SIGTERM)
        try:
            program.wait(timeout=10)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()
        watcher.kill()
        watcher.wait()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    for tool in ("Xvfb", "xev", "stdbuf", "xdotool"):
        if shutil.which(tool) is None:
            sys.exit(f"startup: {tool} is missing (apt install xvfb x11-utils xdotool)")

    with tempfile.TemporaryDirectory(prefix="mirelo-startup-") as top:
        home = os.path.join(top, "home")
        data = os.path.join(home, ".local", "share", "Vorlane", "Mirelo", "Dane")
        os.makedirs(data)
        database = os.path.join(data, "mr.fdb")
        shutil.copy(os.path.join(build, "db", "mr.template"), database)
        subprocess.run([os.path.join(build, "generate_notes"), database, "10000", "100"], check=True,
                       stdout=subprocess.DEVNULL)
        # A program folder of its own: the build's stays as it is.
        folder = os.path.join(top, "program")
        os.makedirs(folder)
        program = shutil.copy(os.path.join(build, "mirelo"), folder)

        display = free_display()
        screen = start_screen(display)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home, "DISPLAY": display,
               "LANG": "C.UTF-8", "QT_QPA_PLATFORM": "xcb", "XDG_RUNTIME_DIR": top}
        try:
            # One start of each first: the system's caches filled for both.
            time_to_window([program], env, splash=True)
            time_to_window([os.path.join(build, "bench", "empty_window")], env)
            empty, mirelo = [], []
            for _ in range(rounds):
                empty.append(time_to_window([os.path.join(build, "bench", "empty_window")], env))
                mirelo.append(time_to_window([program], env, splash=True))
        finally:
            screen.terminate()
            screen.wait()

    def describe(name, times):
        print(f"{name:<34} median {statistics.median(times) * 1000:7.1f} ms   "
              f"min {min(times) * 1000:7.1f} ms   max {max(times) * 1000:7.1f} ms")

    describe("empty Qt Widgets window", empty)
    describe("Mirelo, 10 000 positions listed", mirelo)
    print(f"{'  of which to the about box':<34} median {statistics.median(a for a, _ in SPLIT[1:]) * 1000:7.1f} ms")
    print(f"{'  of which Enter to the window':<34} median {statistics.median(b for _, b in SPLIT[1:]) * 1000:7.1f} ms")
    difference = statistics.median(mirelo) - statistics.median(empty)
    verdict = "within" if difference <= TARGET_S else "OVER"
    print(f"difference of the medians {difference * 1000:.1f} ms ({verdict} the {TARGET_S * 1000:.0f} ms allowed)")
    return 0 if difference <= TARGET_S else 1


if __name__ == "__main__":
    sys.exit(main())
