#!/usr/bin/env python3
"""The viewer's small-window test: raw 8-bit RGB pictures reduced by a plain box filter in
floating point, and a screenshot compared with one.

  box_filter.py reduce PICTURE W H OUT_W OUT_H OUT
  box_filter.py compare EXPECTED W H SHOT SHOT_W SHOT_H X Y
      SHOT holds EXPECTED at X, Y to within 1 per channel, and black around it
"""
import sys


def footprints(size, out_size):
    """Per output pixel, the (pixel, part covered) under it."""
    f = size / out_size
    return [[(i, min(i + 1, (j + 1) * f) - max(i, j * f)) for i in range(int(j * f), min(size, int((j + 1) * f) + 1))
             if min(i + 1, (j + 1) * f) > max(i, j * f)] for j in range(out_size)]


def reduce(path, w, h, ow, oh, out_path):
    data = open(path, "rb").read()
    assert len(data) == w * h * 3, f"{path} is not {w} x {h} RGB"
    across, down = footprints(w, ow), footprints(h, oh)
    rows = [[sum(c * data[(y * w + i) * 3 + ch] for i, c in taps) for taps in across for ch in range(3)] for y in range(h)]
    area = (w / ow) * (h / oh)
    out = bytes(min(255, int(sum(c * rows[i][k] for i, c in taps) / area + 0.5)) for taps in down for k in range(ow * 3))
    open(out_path, "wb").write(out)


def compare(expected_path, w, h, shot_path, sw, sh, x0, y0):
    expected, shot = open(expected_path, "rb").read(), open(shot_path, "rb").read()
    off = []
    for y in range(sh):
        for x in range(sw):
            inside = x0 <= x < x0 + w and y0 <= y < y0 + h
            for ch in range(3):
                want = expected[((y - y0) * w + x - x0) * 3 + ch] if inside else 0
                if abs(shot[(y * sw + x) * 3 + ch] - want) > 1:
                    off.append(f"{x},{y} channel {ch}: {shot[(y * sw + x) * 3 + ch]} for {want}")
    if off:
        sys.exit(f"{len(off)} values off by more than 1, first {off[0]}")


if __name__ == "__main__":
    a = sys.argv[1:]
    if a[:1] == ["reduce"] and len(a) == 7:
        reduce(a[1], *map(int, a[2:6]), a[6])
    elif a[:1] == ["compare"] and len(a) == 9:
        compare(a[1], int(a[2]), int(a[3]), a[4], *map(int, a[5:]))
    else:
        sys.exit(__doc__)
