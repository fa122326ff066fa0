#!/usr/bin/python3
"""Times the real program's Exit while it holds a 48 MP picture, opened and drawn on until its
history is full: from the moment the answer to the last window's save question reaches the
display to the end of the process. Prints "exit 48 <ms>" (the median
of a few runs). Needs Xvfb and xdotool; the program is the one built next to this run."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 8000, 6000
RUNS = 3
STROKES = 12


def write_bmp(path, w, h):
    row = (w * 3 + 3) // 4 * 4
    line = bytes((x * 255 // w) & 255 for x in range(w * 3)).ljust(row, b"\0")
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + row * h, 0, 0, 54))
        f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, row * h, 2835, 2835, 0, 0))
        for _ in range(h):
            f.write(line)


def wait_for(condition, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        result = condition()
        if result:
            return result
        time.sleep(0.05)
    sys.exit("exit benchmark: %s" % what)


def window(name):
    def find():
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name],
                             capture_output=True, text=True).stdout.split()
        return out[0] if out else None
    return wait_for(find, 20, "no window named %r" % name)


def keys(win, *sequence):
    subprocess.run(["xdotool", "windowfocus", "--sync", win], capture_output=True)
    time.sleep(0.2)
    subprocess.run(["xdotool", "key"] + list(sequence), check=True)


def one_run(program, picture, env):
    temp = os.path.join(os.path.dirname(program), "temp")
    if os.path.exists(temp):
        os.remove(temp)
    proc = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        main = window("Vell's Painter")
        time.sleep(0.5)
        keys(main, "ctrl+o")
        dialog = window("Open Picture")
        time.sleep(0.3)
        subprocess.run(["xdotool", "type", "--delay", "10", picture], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        size = 54 + (WIDTH * 3 + 3) // 4 * 4 * HEIGHT
        wait_for(lambda: os.path.exists(temp) and os.path.getsize(temp) == size, 60, "the picture did not open")
        # Strokes on the canvas, each committed (its temp file written), until the history holds
        # as many states as its budget allows.
        geometry = dict(line.split("=") for line in subprocess.run(
            ["xdotool", "getwindowgeometry", "--shell", main], capture_output=True, text=True).stdout.split())
        for stroke in range(STROKES):
            stamp = os.stat(temp).st_mtime_ns
            x, y = int(geometry["X"]) + 60, int(geometry["Y"]) + 160 + 12 * stroke
            subprocess.run(["xdotool", "mousemove", str(x), str(y), "mousedown", "1"], check=True)
            for step in range(1, 6):
                subprocess.run(["xdotool", "mousemove", str(x + 30 * step), str(y + 5 * step)], check=True)
            subprocess.run(["xdotool", "mouseup", "1"], check=True)
            wait_for(lambda: os.stat(temp).st_mtime_ns != stamp and os.path.getsize(temp) == size, 60,
                     "stroke %d was not committed" % stroke)
        time.sleep(1.0)
        keys(main, "ctrl+q")
        question = window("Save\\?")
        subprocess.run(["xdotool", "windowfocus", "--sync", question], capture_output=True)
        time.sleep(0.3)
        # The clock starts once the answer has reached the X server (xdotool syncs before it ends).
        subprocess.run(["xdotool", "key", "alt+n"], check=True)
        start = time.monotonic()
        proc.wait(timeout=30)
        return (time.monotonic() - start) * 1e3
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def main():
    program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/VellPainter")
    work = tempfile.mkdtemp(prefix="vp-exit-bench-")
    xvfb = None
    try:
        picture = os.path.join(work, "picture.bmp")
        write_bmp(picture, WIDTH, HEIGHT)
        display_file = os.path.join(work, "display")
        with open(display_file, "w") as fd:
            xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(fd.fileno()), "-screen", "0", "1280x1024x24",
                                     "-nolisten", "tcp"], pass_fds=(fd.fileno(),),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.getsize(display_file) > 0, 10, "no X server")
        env = dict(os.environ, DISPLAY=":" + open(display_file).read().split()[0])
        os.environ["DISPLAY"] = env["DISPLAY"]
        times = sorted(one_run(program, picture, env) for _ in range(RUNS))
        print("exit %g %.0f" % (WIDTH * HEIGHT / 1e6, times[len(times) // 2]))
    finally:
        if xvfb:
            xvfb.terminate()
            xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
