#!/usr/bin/env python3
"""Writes the demonstration files of both tools into this folder.

drift.txt     6000 data lines (60 cycles of 100 samples) in the 22-byte
              layout "HH:MM:SS" + value "%12.3f" + CR LF, after three comment
              lines marked "#": a fixed component of swing 100 at phase 30
              degrees, a second one of swing 40 that drifts three quarters of
              a turn against it over the file (so tarvex's path draws an arc
              round the fixed component), a second harmonic of swing 20, an
              offset of 5 and a little noise.
subtract.txt  removes the second harmonic: degree 0, rate 720 degrees per
              cycle, phase 45 degrees, amplitude 20.
setting.ini   the ten settings lines (mulrin's field order, CR LF, closing
              0x1A) for drift.txt: From 9, letters 12, mark "#", FFT length
              2^10, block step 256, 100 samples per cycle, threshold 5,
              report mulrin-report.txt, origin 0.

Only the standard library is used; the output is the same on every run.
"""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))

SAMPLES_PER_CYCLE = 100
CYCLES = 60
DRIFT_TURNS = 0.75  # turns of the drifting component against the fixed one


def data_lines():
    yield "# drift.txt: demonstration data for tarvex and mulrin"
    yield "# 100 samples per cycle; value in columns 9 to 20"
    yield "# time    value"
    seed = 12345
    for k in range(SAMPLES_PER_CYCLE * CYCLES):
        t = k / SAMPLES_PER_CYCLE  # cycles
        fixed = 100.0 * math.cos(math.radians(360.0 * t + 30.0))
        rate = 360.0 * (1.0 + DRIFT_TURNS / CYCLES)
        drifting = 40.0 * math.cos(math.radians(rate * t))
        harmonic = 20.0 * math.cos(math.radians(720.0 * t + 45.0))
        seed = (seed * 1103515245 + 12345) % 2147483648  # a fixed noise sequence
        noise = (seed / 2147483648.0 - 0.5) * 1.0
        value = 5.0 + fixed + drifting + harmonic + noise
        hh, rest = divmod(k, 3600)
        mm, ss = divmod(rest, 60)
        yield "%02d:%02d:%02d%12.3f" % (hh, mm, ss, value)


def write(name, text, closing=b""):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(text.encode("ascii"))
        f.write(closing)


def main():
    write("drift.txt", "".join(line + "\r\n" for line in data_lines()))
    write("subtract.txt", "deg=0\r\n720,45,20\r\n#\r\n")
    settings = ["9", "12", "#", "examples/drift.txt", "10", "256", "100", "5",
                "mulrin-report.txt", "0"]
    write("setting.ini", "".join(line + "\r\n" for line in settings), b"\x1a")


if __name__ == "__main__":
    main()
