#!/usr/bin/env python3
"""Writes the seed corpus of the instrument-file fuzz target: files as the editor writes them,
the older and other layouts the reader accepts (version 0 and below, 8192 and 2048 bins), and
broken ones (wrong magic, newer version, cut short anywhere, values that are not numbers, main
bins outside the spectrum). Run once; the files are kept in the repository."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")

SLIDERS = (5, 120, 12, 60, 3, 600)


def header(version=1, bins=4096, main=1024, volume=0.5, sliders=SLIDERS, piano=0, mask=0,
           magic=b".lmt", reserved=(0,) * 11):
    return (magic + struct.pack("<iiIf", version, bins, main, volume) +
            struct.pack("<6i", *sliders) + struct.pack("<iI", piano, mask) +
            struct.pack("<11I", *reserved))


def amplitudes(count, peak=1000):
    return b"".join(struct.pack("<f", math.exp(-((i - peak) / 40.0) ** 2)) for i in range(count))


def raw_floats(values):
    return b"".join(struct.pack("<I", v) for v in values)


def files():
    amps = amplitudes(4096)
    pairs = amplitudes(8192, peak=2001)
    yield "saved.lmt", header() + amps
    yield "silent.lmt", header(volume=0.0, main=0) + bytes(4 * 4096)
    yield "piano_all_disabled.lmt", header(piano=1, mask=0x1FFE) + amps
    yield "piano_flag_2.lmt", header(piano=2, mask=0x2) + amps
    yield "version0.lmt", header(version=0) + amps
    yield "version_negative.lmt", header(version=-7) + amps
    yield "version2.lmt", header(version=2) + amps
    yield "version2_short.lmt", header(version=2)[:8]
    yield "bins8192.lmt", header(bins=8192, main=2001) + pairs
    yield "bins2048.lmt", header(bins=2048, main=0xFFFFFFFF) + pairs
    yield "bins8192_too_short.lmt", header(bins=8192, main=2001) + amps
    yield "sliders_out_of_range.lmt", header(sliders=(-5, 999, -1, 1000, 0, 2 ** 31 - 1)) + amps
    yield "reserved_set.lmt", header(reserved=tuple(range(1, 12))) + amps
    yield "trailing_bytes.lmt", header() + amps + b"more"
    yield "bad_magic.lmt", header(magic=b".LMT") + amps
    yield "empty.lmt", b""
    yield "magic_only.lmt", b".lmt"
    yield "header_only.lmt", header()
    yield "one_amplitude_short.lmt", (header() + amps)[:-4]
    yield "nan_volume.lmt", header(volume=float("nan")) + amps
    yield "inf_amplitude.lmt", header() + amps[:400] + raw_floats([0x7F800000]) + amps[404:]
    yield "pair_sum_overflows.lmt", header(bins=8192) + raw_floats([0x7F7FFFFF] * 2) + pairs[8:]
    yield "main_bin_4096.lmt", header(main=4096) + amps
    yield "main_bin_8192_of_8192.lmt", header(bins=8192, main=8192) + pairs
    yield "negative_amplitudes.lmt", header() + b"".join(
        struct.pack("<f", -0.25 * (i % 3)) for i in range(4096))


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in files():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
