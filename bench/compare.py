#!/usr/bin/python3
"""Reads the benchmark's lines (ours, the peers' and the exit timing) and prints each target as
a ratio, then every whole-picture command against OpenCV on one thread and on its default
threads, then the page faults of the commands against a tenth of their picture's pages."""
import sys

WHOLE = [1, 12, 48]
# (our case, yardstick case, allowed ratio, sizes in MP the target is judged at)
TARGETS = [
    ("commit", "bmp-write-read", 2.0, [12, 48]),
    ("open-bmp", "raw-read", 1.5, [12, 48]),
    ("save-bmp", "cv2-save-safe", 1.2, [12, 48]),
    ("fill-press", "pixel-pass", 1.5, [12, 48]),
    ("engine-bc", "cv2-engine-bc", 1.5, WHOLE),
    ("flip-h", "cv2-flip-h", 1.5, WHOLE),
    ("flip-v", "cv2-flip-v", 1.5, WHOLE),
    ("smooth", "cv2-smooth", 1.5, WHOLE),
    ("rotate-30", "cv2-rotate-30", 1.5, WHOLE),
    ("resize-down", "cv2-resize-down", 1.5, WHOLE),
    ("resize-up", "cv2-resize-up", 1.5, WHOLE),
    ("undo-whole", "copy-picture", 1.5, [12, 48]),
    ("redo-whole", "copy-picture", 1.5, [12, 48]),
    ("undo-far", "copy-picture", 1.5, [12, 48]),
    ("redo-far", "copy-picture", 1.5, [12, 48]),
    ("largest-open", "largest-raw-read", 1.5, [268]),
]
# (case, limit in ms, size in MP)
LIMITS = [
    ("commit-ui", 10, 12), ("commit-ui", 20, 48),
    ("pencil-move", 2, 12), ("line-preview-move", 2, 12), ("circle-preview-move", 2, 12),
    ("airbrush-move", 2, 12), ("stamp-move", 2, 12), ("preview", 33, 12), ("undo", 20, 12),
    ("redo", 20, 12), ("smooth-command", 1000, 12), ("undo", 20, 48), ("redo", 20, 48), ("record", 5, 48),
    ("view-fit-paint", 16, 12), ("view-fit-paint", 16, 48), ("view-move-fit", 2, 12),
    ("view-move-fit", 2, 48), ("view-zoom-step", 33, 12), ("view-zoom-step", 33, 48), ("exit", 300, 48),
    ("preview", 25, 48),
    ("largest-open", 3000, 268), ("largest-stroke", 100, 268), ("largest-flip", 3000, 268),
    ("largest-undo", 100, 268), ("largest-stroke-written", 300, 268), ("largest-peak-mb", 2500, 268),
    ("first-stroke", 10, 12), ("first-stroke", 10, 48),
    # A corner-to-corner stroke writes at most 5 % of the 48 MP temp file (144,000,054 bytes).
    ("temp-bytes", 0.05 * 144000054, 48),
]
# The whole-picture commands against OpenCV on one thread ("cv2-<case>") and on its default threads
# ("cv2-mt-<case>"): (case, allowed ratio to one thread or None, allowed ratio to the default
# threads). Flip only moves memory: it is judged against the default threads alone.
WHOLE_PICTURE = [
    ("engine-bc", 0.6, 1.0), ("engine-rgb", 0.6, 1.0), ("flip-h", None, 1.0), ("flip-v", None, 1.0),
    ("smooth", 0.6, 1.0), ("rotate-30", 0.6, 1.0), ("resize-down", 0.6, 1.0), ("resize-up", 0.6, 1.0),
]
WHOLE_PICTURE_JUDGED_AT = [12, 48]
# (case, least count, sizes in MP): counts, not milliseconds. 100 MP stands for the largest
# picture of about that size the size limits allow (12000 x 8400).
MINIMUMS = [("history-depth", 300, [12, 48, 100])]
# The commands whose page faults must stay under a tenth of their picture's pages at 12 MP.
COMMANDS = ["commit", "flip-command", "rotate-command", "smooth-command", "resize-command", "fill-press",
            "preview", "open-bmp", "save-bmp"]
PAGE = 4096

figures = {}
faults = {}
cores = None
for line in open(sys.argv[1]):
    if line.startswith("# cores"):
        cores = line[2:].strip()
    parts = line.split()
    try:
        if len(parts) == 3:
            figures[(parts[0], float(parts[1]))] = float(parts[2])
        elif len(parts) == 4 and parts[0] == "faults":
            faults[(parts[1], float(parts[2]))] = float(parts[3])
    except ValueError:
        pass


def near(found, case, mp):
    """The figure of a case at about `mp` megapixels (100 stands for 100.8, 268 for 268.4)."""
    for (name, size), value in found.items():
        if name == case and abs(size - mp) < 1:
            return value
    return None

print("\ntargets:")
for ours, yardstick, allowed, sizes in TARGETS:
    for mp in sizes:
        a, b = near(figures, ours, mp), near(figures, yardstick, mp)
        if a is None or b is None:
            continue
        ratio = a / b
        print("  %-14s %4g MP  %8.2f ms vs %-16s %8.2f ms  = %.2fx (target %.1fx) %s"
              % (ours, mp, a, yardstick, b, ratio, allowed, "ok" if ratio <= allowed else "OVER"))
for case, limit, mp in LIMITS:
    a = near(figures, case, mp)
    if a is not None:
        unit = "MB" if case.endswith("-mb") else "bytes" if case.endswith("-bytes") else "ms"
        print("  %-14s %4g MP  %8.2f %s (limit %g %s) %s" % (case, mp, a, unit, limit, unit, "ok" if a <= limit else "OVER"))
for case, least, sizes in MINIMUMS:
    for mp in sizes:
        a = near(figures, case, mp)
        if a is not None:
            print("  %-14s %4g MP  %8g (at least %g) %s" % (case, mp, a, least, "ok" if a >= least else "UNDER"))

print("\nwhole-picture commands against OpenCV on one thread (1t) and on its default threads (mt)%s:"
      % (" [%s]" % cores if cores else ""))
for case, single_allowed, mt_allowed in WHOLE_PICTURE:
    for mp in WHOLE:
        ours, single, mt = (near(figures, name, mp) for name in (case, "cv2-" + case, "cv2-mt-" + case))
        if ours is None or (single is None and mt is None):
            continue
        judged = mp in WHOLE_PICTURE_JUDGED_AT
        line = "  %-12s %4g MP  %8.2f ms" % (case, mp, ours)
        for name, theirs, allowed in (("1t", single, single_allowed), ("mt", mt, mt_allowed)):
            if theirs is None:
                continue
            ratio = ours / theirs
            verdict = ""
            if allowed is not None:
                verdict = " (target %.1fx) %s" % (allowed, "ok" if ratio <= allowed else "OVER") if judged else ""
            line += "  | %s %8.2f ms = %.2fx%s" % (name, theirs, ratio, verdict)
        own_single = near(figures, case + "-1t", mp)
        if own_single is not None:
            line += "  | ours on one thread %.2f ms" % own_single
        print(line)

print("\nminor page faults a run (limit: a tenth of the picture's pages at 12 MP):")
for case in COMMANDS:
    for mp in (12, 48):
        count = near(faults, case, mp)
        if count is None:
            continue
        limit = mp * 1e6 * 3 / PAGE / 10
        verdict = ("ok" if count < limit else "OVER") if mp == 12 else ""
        print("  %-14s %4g MP  %8.0f faults (a tenth of the pages: %.0f) %s" % (case, mp, count, limit, verdict))
