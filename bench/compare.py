#!/usr/bin/python3
"""Reads the benchmark's lines (ours and the peers') and prints each target as a ratio."""
import sys

# (our case, yardstick case, allowed ratio, sizes in MP the target is judged at)
TARGETS = [
    ("commit", "bmp-write-read", 2.0, [12]),
    ("open-bmp", "raw-read", 1.5, [12]),
    ("save-bmp", "raw-write", 1.5, [12]),
    ("fill-press", "pixel-pass", 2.0, [12]),
    ("engine-bc", "cv2-engine-bc", 1.5, [1, 12]),
    ("flip-h", "cv2-flip-h", 1.5, [1, 12]),
    ("flip-v", "cv2-flip-v", 1.5, [1, 12]),
    ("smooth", "cv2-smooth", 1.5, [1, 12]),
    ("rotate-30", "cv2-rotate-30", 1.5, [1, 12]),
    ("resize-down", "cv2-resize-down", 1.5, [1, 12]),
    ("resize-up", "cv2-resize-up", 1.5, [1, 12]),
    ("undo-whole", "copy-picture", 1.5, [12, 48]),
    ("redo-whole", "copy-picture", 1.5, [12, 48]),
    ("undo-far", "copy-picture", 1.5, [12, 48]),
    ("redo-far", "copy-picture", 1.5, [12, 48]),
]
# (case, limit in ms, size in MP)
LIMITS = [
    ("pencil-move", 2, 12), ("line-preview-move", 2, 12), ("circle-preview-move", 2, 12),
    ("airbrush-move", 2, 12), ("stamp-move", 2, 12), ("preview", 33, 12), ("undo", 20, 12),
    ("redo", 20, 12), ("smooth-command", 1000, 12), ("undo", 20, 48), ("redo", 20, 48), ("record", 5, 48),
    ("view-fit-paint", 16, 12), ("view-fit-paint", 16, 48), ("view-move-fit", 2, 12),
    ("view-move-fit", 2, 48), ("view-zoom-step", 33, 12), ("view-zoom-step", 33, 48),
]
# (case, least count, sizes in MP): counts, not milliseconds. 100 MP stands for the largest
# picture of about that size the size limits allow.
MINIMUMS = [("history-depth", 300, [12, 48, 100])]

figures = {}
for line in open(sys.argv[1]):
    parts = line.split()
    if len(parts) == 3:
        try:
            figures[(parts[0], round(float(parts[1])))] = float(parts[2])
        except ValueError:
            pass

print("\ntargets:")
for ours, yardstick, allowed, sizes in TARGETS:
    for mp in sizes:
        a, b = figures.get((ours, mp)), figures.get((yardstick, mp))
        if a is None or b is None:
            continue
        ratio = a / b
        print("  %-12s %4g MP  %8.2f ms vs %-16s %8.2f ms  = %.2fx (target %.1fx) %s"
              % (ours, mp, a, yardstick, b, ratio, allowed, "ok" if ratio <= allowed else "OVER"))
for case, limit, mp in LIMITS:
    a = figures.get((case, mp))
    if a is not None:
        print("  %-12s %4g MP  %8.2f ms (limit %g ms) %s" % (case, mp, a, limit, "ok" if a <= limit else "OVER"))
for case, least, sizes in MINIMUMS:
    for mp in sizes:
        a = figures.get((case, mp))
        if a is not None:
            print("  %-12s %4g MP  %8g (at least %g) %s" % (case, mp, a, least, "ok" if a >= least else "UNDER"))
