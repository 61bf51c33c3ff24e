#!/usr/bin/env python3
"""Writes the seed corpus of the media-type description fuzz target: the formats a camera
offers (VideoInfo and VideoInfo2 blocks, MPEG blocks that begin with them), audio blocks, label
only formats, and blocks cut short of their structure. Each input is the three selectors of
description_fuzzer.cpp, a flags byte, then the format block. Run once; the files are kept in
the repository."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")

VIDEO, AUDIO = 0, 1
RGB24, MJPG, YUY2, NV12, MPEG2, PCM = 0, 1, 2, 3, 4, 5
VIDEOINFO, VIDEOINFO2, WAVE, MPEGVIDEO, MPEG2VIDEO, DVINFO = 0, 1, 2, 3, 4, 5


def fourcc(text):
    return struct.unpack("<I", text.encode())[0]


def bitmap(width, height, bits, compression):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, 0, 0, 0, 0, 0)


def videoinfo(width, height, bits, compression):
    return bytes(32) + struct.pack("<IIq", 0, 0, 333333) + bitmap(width, height, bits, compression)


def videoinfo2(width, height, bits, compression):
    return (bytes(32) + struct.pack("<IIq", 0, 0, 400000) + struct.pack("<6I", 0, 0, 16, 9, 0, 0)
            + bitmap(width, height, bits, compression))


def wave(tag, channels, rate, bits):
    return struct.pack("<HHIIHHH", tag, channels, rate, rate * channels * bits // 8,
                       channels * bits // 8, bits, 0)


def record(major, sub, fmt, block=b"", flags=0):
    return bytes([major, sub, fmt, flags]) + block


SEEDS = {
    "rgb24_no_block": record(VIDEO, RGB24, VIDEOINFO),
    "rgb24_640x480": record(VIDEO, RGB24, VIDEOINFO, videoinfo(640, 480, 24, 0)),
    "mjpg_1280x720": record(VIDEO, MJPG, VIDEOINFO, videoinfo(1280, 720, 24, fourcc("MJPG"))),
    "rgb32_top_down": record(VIDEO, RGB24, VIDEOINFO, videoinfo(320, -240, 32, 3)),
    "nv12_unlisted": record(VIDEO, NV12, VIDEOINFO, videoinfo(640, 480, 12, fourcc("NV12"))),
    "yuy2_videoinfo2": record(VIDEO, YUY2, VIDEOINFO2, videoinfo2(1920, 1080, 16, fourcc("YUY2"))),
    "mpeg1": record(VIDEO, MPEG2, MPEGVIDEO, videoinfo(352, 288, 0, 0) + struct.pack("<II", 0, 0)),
    "mpeg2": record(VIDEO, MPEG2, MPEG2VIDEO, videoinfo2(720, 576, 12, 0) + bytes(20)),
    "pcm_no_block": record(AUDIO, PCM, WAVE),
    "pcm_44100": record(AUDIO, PCM, WAVE, wave(1, 2, 44100, 16)),
    "voxware_tag": record(AUDIO, 0x75, WAVE, wave(0x75, 1, 8000, 0)),
    "dvinfo": record(VIDEO, 6, DVINFO, bytes(32)),
    "videoinfo_short": record(VIDEO, RGB24, VIDEOINFO, videoinfo(640, 480, 24, 0)[:87]),
    "videoinfo2_as_videoinfo": record(VIDEO, YUY2, VIDEOINFO2, videoinfo(640, 480, 16, 0)),
    "wave_short": record(AUDIO, PCM, WAVE, wave(1, 2, 44100, 16)[:16]),
    "length_without_block": record(VIDEO, RGB24, VIDEOINFO, videoinfo(640, 480, 24, 0), flags=1),
}

os.makedirs(OUT, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
