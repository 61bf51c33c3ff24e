#!/usr/bin/env python3
"""Writes the seed corpus of the "data" readers' fuzz target: media-type blocks as the form and
the capture classes write them (the 72-byte image of the main window, 88-byte images with and
without a video or audio format block), byte blocks (the stored empty block, saved device and
item monikers), and damaged ones (cut short anywhere, lengths beyond the block and the cap).
Each file is read both ways by the target. Run once; the files are kept in the repository."""
import os
import struct
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def guid(text):
    return uuid.UUID(text).bytes_le


VIDEO = guid("73646976-0000-0010-8000-00aa00389b71")
AUDIO = guid("73647561-0000-0010-8000-00aa00389b71")
RGB24 = guid("e436eb7d-524f-11ce-9f53-0020af0ba770")
PCM = guid("00000001-0000-0010-8000-00aa00389b71")
VIDEOINFO = guid("05589f80-c356-11ce-bf01-00aa0055595a")
WAVEFORMATEX = guid("05589f81-c356-11ce-bf01-00aa0055595a")
ITEM_MONIKER = guid("00000304-0000-0000-c000-000000000046")
DEVICE_MONIKER = guid("4315d437-5b8c-11d0-bd3b-00a0c911ce86")
FILTER = "{4E663A74-1F2A-42DF-9175-D279B9D5CBD4}"


def record(major, sub, formattype, cb, fixed=0xFFFFFFFF, temporal=0, sample=1,
           unk=0xDEADBEEF00000010, pb=0xDEADBEEF00000020):
    return (major + sub + struct.pack("<IIi", fixed, temporal, sample) + formattype +
            b"\0" * 4 + struct.pack("<Q", unk) + struct.pack("<I", cb) + b"\0" * 4 +
            struct.pack("<Q", pb))


def short_record(major, sub, formattype):
    return major + sub + struct.pack("<IIi", 0xFFFFFFFF, 0, 1) + formattype + b"\0" * 12


def videoinfo(width, height, bits=24):
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                         width * abs(height) * bits // 8, 0, 0, 0, 0)
    return b"\0" * 32 + struct.pack("<IIq", 0, 0, 333333) + header


def text(s):
    data = s.encode("utf-16-le")
    return struct.pack("<I", len(data) // 2) + data


def block(data):
    return struct.pack("<I", len(data)) + data


def files():
    vih = videoinfo(640, 480)
    wave = struct.pack("<HHIIHHH", 1, 2, 44100, 176400, 4, 16, 0)
    rgb = record(VIDEO, RGB24, VIDEOINFO, len(vih)) + vih
    yield "grabber_72.bin", short_record(VIDEO, RGB24, VIDEOINFO)
    yield "grabber_88.bin", record(VIDEO, RGB24, VIDEOINFO, 0)
    yield "rgb24_640x480.bin", rgb
    yield "rgb24_top_down.bin", record(VIDEO, RGB24, VIDEOINFO, 88) + videoinfo(320, -240)
    yield "pcm_44100.bin", record(AUDIO, PCM, WAVEFORMATEX, len(wave)) + wave
    yield "format_cut_short.bin", rgb[:120]
    yield "format_beyond_cap.bin", record(VIDEO, RGB24, VIDEOINFO, 0x10001) + vih
    yield "format_length_huge.bin", record(VIDEO, RGB24, VIDEOINFO, 0xFFFFFFFF) + vih
    yield "record_cut_at_74.bin", rgb[:74]
    yield "empty_block.bin", block(b"")
    yield "device_moniker.bin", block(DEVICE_MONIKER + text("synthetic") + text("camera0") +
                                      text("Synthetic camera") + text(FILTER))
    yield "item_moniker.bin", block(ITEM_MONIKER + text("!") + text("FilterGraph 1 pid 2"))
    yield "block_beyond_held.bin", struct.pack("<I", 300) + b"\x11" * 20
    yield "block_beyond_cap.bin", struct.pack("<I", 0x7FFFFFFF) + b"\x22" * 20
    yield "three_bytes.bin", b"\x05\x00\x00"
    yield "empty.bin", b""


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in files():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
