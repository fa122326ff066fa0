#!/usr/bin/python3
"""OpenCV doing the same whole-picture work as our kernels on 24-bit pictures of the same sizes,
so that `make bench` compares both in one run: each case on one thread, then on OpenCV's default
threads (the file write on one only). Prints "<case> <megapixels> <median ms>" lines, each case
named after ours with a "cv2-" prefix on one thread and "cv2-mt-" on the default threads, after a
comment line with the core count and OpenCV's default number of threads."""
import os
import sys
import tempfile
import time

import cv2
import numpy as np

SIZES = [(1000, 1000), (4000, 3000), (8000, 6000)]


def picture(w, h):
    y, x = np.mgrid[0:h, 0:w]
    rng = np.random.default_rng(12345)
    noise = rng.integers(0, 32, (h, w))
    img = np.stack([(x + y) & 255, (y * 255 // h + noise) & 255, (x * 255 // w + noise) & 255], axis=2)
    return np.ascontiguousarray(img.astype(np.uint8))


def median_ms(fn, reps):
    fn()
    times = []
    for _ in range(reps):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    times.sort()
    return times[len(times) // 2] * 1e3


def save_safe(img, path):
    """A BMP written to a temporary name in the same folder, then renamed over the old file."""
    part = path[:-len(".bmp")] + ".part.bmp"  # imwrite chooses the format by the extension
    if not cv2.imwrite(part, img):
        raise RuntimeError("imwrite failed")
    os.replace(part, path)


def main():
    threads = cv2.getNumThreads()
    print("# cores %d, OpenCV default threads %d" % (os.cpu_count(), threads))
    folder = tempfile.mkdtemp(prefix="vp-peers-")
    for w, h in SIZES:
        mp = w * h / 1e6
        reps = 9 if mp > 2 else 25
        img = picture(w, h)
        out = np.empty_like(img)
        lut = np.arange(256, dtype=np.uint8)[::-1].copy()
        lut3 = np.stack([lut, np.arange(256, dtype=np.uint8), np.arange(256, dtype=np.uint8)], axis=1).reshape(256, 1, 3)
        angle_m = cv2.getRotationMatrix2D(((w - 1) / 2.0, (h - 1) / 2.0), 30.0, 1.0)
        down = np.empty((int(h * 0.7), int(w * 0.7), 3), np.uint8)
        up = np.empty((int(h * 1.5), int(w * 1.5), 3), np.uint8)
        cases = [
            ("engine-bc", lambda: cv2.LUT(img, lut, dst=out)),
            ("engine-rgb", lambda: cv2.LUT(img, lut3, dst=out)),
            ("flip-h", lambda: cv2.flip(img, 1, dst=out)),
            ("flip-v", lambda: cv2.flip(img, 0, dst=out)),
            ("smooth", lambda: cv2.blur(img, (3, 3), dst=out, borderType=cv2.BORDER_CONSTANT)),
            ("rotate-30", lambda: cv2.warpAffine(img, angle_m, (w, h), dst=out, flags=cv2.INTER_NEAREST,
                                                 borderMode=cv2.BORDER_TRANSPARENT)),
            ("resize-down", lambda: cv2.resize(img, (down.shape[1], down.shape[0]), dst=down,
                                               interpolation=cv2.INTER_AREA)),
            ("resize-up", lambda: cv2.resize(img, (up.shape[1], up.shape[0]), dst=up,
                                             interpolation=cv2.INTER_LINEAR)),
            ("save-safe", lambda: save_safe(img, os.path.join(folder, "save.bmp"))),
        ]
        for name, fn in cases:
            # Writing a file is not OpenCV's to share among threads.
            runs = (("cv2-", 1),) if name == "save-safe" else (("cv2-", 1), ("cv2-mt-", threads))
            for prefix, count in runs:
                cv2.setNumThreads(count)
                print("%s%s %g %.2f" % (prefix, name, mp, median_ms(fn, reps)))
                sys.stdout.flush()
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    os.rmdir(folder)


if __name__ == "__main__":
    main()
