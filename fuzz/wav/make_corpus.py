#!/usr/bin/env python3
"""Writes the seed corpus of the WAV fuzz targets: small valid files of every sample size and
format the reader knows, and broken ones (wrong form, short or missing chunks, chunks that
claim more than the file holds, odd block aligns, rates and channel counts). Run once; the
files are kept in the repository."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def chunk(cid, data, declared=None):
    size = len(data) if declared is None else declared
    pad = b"\0" if len(data) % 2 else b""
    return cid + struct.pack("<I", size) + data + pad


def riff(body, form=b"WAVE", declared=None):
    return chunk(b"RIFF", form + body, declared)


def fmt_fields(tag, channels, rate, align, bits):
    return struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)


def pcm(channels, rate, bits, data, tag=1, extra=None):
    align = channels * ((bits + 7) // 8)
    fmt = fmt_fields(tag, channels, rate, align, bits)
    if extra is not None:
        fmt += struct.pack("<H", len(extra)) + extra
    return riff(chunk(b"fmt ", fmt) + chunk(b"data", data))


def tone(frames, channels, width, amplitude, signed=True):
    out = bytearray()
    for i in range(frames):
        v = int(round(amplitude * math.sin(2 * math.pi * 440 * i / 48000)))
        for c in range(channels):
            s = v if c == 0 else -v // 2
            if not signed:
                s += 128
            out += (s & ((1 << (8 * width)) - 1)).to_bytes(width, "little")
    return bytes(out)


def floats(frames, values):
    return b"".join(struct.pack("<f", values[i % len(values)]) for i in range(frames))


seeds = {
    # Valid, small.
    "pcm8_mono.wav": pcm(1, 8000, 8, tone(64, 1, 1, 100, signed=False)),
    "pcm16_stereo.wav": pcm(2, 44100, 16, tone(64, 2, 2, 20000)),
    "pcm24_stereo.wav": pcm(2, 48000, 24, tone(48, 2, 3, 4000000)),
    "pcm20_mono.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 3, 20)) +
                           chunk(b"data", tone(40, 1, 3, 300000))),
    "int32_as_float.wav": pcm(1, 48000, 32, floats(32, [0.5, -0.25, 1e-3, 3.0])),
    "float32.wav": pcm(1, 96000, 32, floats(32, [0.1, -0.9]), tag=3, extra=b""),
    "extensible.wav": pcm(2, 48000, 24, tone(16, 2, 3, 10000), tag=0xFFFE,
                          extra=struct.pack("<HI", 24, 3) + bytes(range(16))),
    "fmt18_pcm.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 22050, 2, 16) + b"\0\0") +
                          chunk(b"data", tone(32, 1, 2, 1000))),
    "list_between.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 16)) +
                             chunk(b"LIST", b"INFOISFT\x03\0\0\0ab\0\0") +
                             chunk(b"fact", struct.pack("<I", 16)) +
                             chunk(b"data", tone(16, 1, 2, 1000))),
    "data_before_fmt.wav": riff(chunk(b"data", tone(16, 1, 2, 1000)) +
                                chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 16))),
    # Broken.
    "empty.wav": b"",
    "riff_only.wav": b"RIFF",
    "wrong_form.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 16)) +
                           chunk(b"data", b"\0" * 8), form=b"AVI "),
    "short_fmt.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 16)[:12]) +
                          chunk(b"data", b"\0" * 8)),
    "no_fmt.wav": riff(chunk(b"data", b"\0" * 8)),
    "no_data.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 16))),
    "cbsize_too_big.wav": riff(chunk(b"fmt ", fmt_fields(3, 1, 48000, 4, 32) +
                                     struct.pack("<H", 0xFFFF) + b"xy") +
                               chunk(b"data", b"\0" * 8)),
    "riff_size_small.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 16)) +
                                chunk(b"data", b"\0" * 8), declared=4),
    "riff_size_huge.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 16)) +
                               chunk(b"data", b"\1\0" * 8), declared=0xFFFFFFFF),
    "chunk_size_huge.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 16)) +
                                chunk(b"JUNK", b"ab", declared=0xFFFFFFF0) +
                                chunk(b"data", b"\0" * 8)),
    "odd_fmt_no_pad.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 16) + b"z"))[:-1],
    # Import paths: data chunks that claim enough frames for an analysis while the file holds
    # few, zero block align, odd rates, many channels, unsupported sizes, NaN samples.
    "claims_long16.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 16)) +
                              chunk(b"data", tone(64, 1, 2, 20000), declared=200000)),
    "claims_max24.wav": riff(chunk(b"fmt ", fmt_fields(1, 2, 44100, 6, 24)) +
                             chunk(b"data", tone(32, 2, 3, 4000000), declared=0xFFFFFFFE)),
    "claims_rate8000.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 8000, 1, 8)) +
                                chunk(b"data", tone(64, 1, 1, 100, signed=False), declared=40000)),
    "claims_rate30.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 30, 1, 8)) +
                              chunk(b"data", b"\x90\x70" * 16, declared=40000)),
    "claims_rate0.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 0, 2, 16)) +
                             chunk(b"data", b"\0" * 16, declared=100000)),
    "zero_align.wav": riff(chunk(b"fmt ", struct.pack("<HHIIHH", 1, 1, 48000, 0, 0, 16)) +
                           chunk(b"data", b"\0" * 16, declared=100000)),
    "many_channels.wav": riff(chunk(b"fmt ", struct.pack("<HHIIHH", 1, 0xFFFF, 48000, 48000, 1, 16)) +
                              chunk(b"data", b"\1\2" * 64, declared=40000)),
    "bits12.wav": riff(chunk(b"fmt ", fmt_fields(1, 1, 48000, 2, 12)) +
                       chunk(b"data", b"\x10\x20" * 32, declared=70000)),
    "nan_float.wav": riff(chunk(b"fmt ", fmt_fields(3, 1, 48000, 4, 32) + b"\0\0") +
                          chunk(b"data", floats(16, [0.5, float("nan"), float("inf"), -3e38]),
                                declared=140000)),
    "short_align.wav": riff(chunk(b"fmt ", struct.pack("<HHIIHH", 1, 2, 48000, 48000, 1, 16)) +
                            chunk(b"data", tone(40, 1, 2, 1000), declared=33000)),
    # One faint click and then silence: so faint that the reciprocal of the spectrum's peak
    # overflows in single precision (the data chunk claims 32768 frames; the missing ones read
    # as zeros).
    "faint_click_float.wav": riff(chunk(b"fmt ", fmt_fields(3, 1, 48000, 4, 32) + b"\0\0") +
                                  chunk(b"data", floats(1, [1e-40]), declared=32768 * 4)),
    # A real sound long enough for one analysis block.
    "real_8bit_32768.wav": pcm(1, 48000, 8, tone(32768, 1, 1, 100, signed=False)),
}

os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
print(f"{len(seeds)} seeds in {OUT}")
