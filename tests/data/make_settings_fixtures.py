#!/usr/bin/env python3
"""Writes the golden files of the settings record and the recent chart list.

Run once from tests/data; the outputs are committed as files and the app tests
compare the program's own images with them byte for byte. The layout is typed
in here from the record's field table, independently of the C++ code.

  settings-default.tmp  the 1248-byte "~tmp.tmp" image of a default record as
                        saved: header 0, channel 0 flags 0, channels 1-15 flags 0
  chart-list-two.tmp    a two-entry "~list.tmp" (2 x 384 bytes)
"""
import struct

COLOURS = [0x0000FF, 0x00FF00, 0xFFFFFF, 0x00FFFF, 0xFFFF00, 0xFF00FF, 0xFF901E, 0x0080FF,
           0x80FF00, 0xFF6464, 0x14A0DC, 0x8CDC28, 0xDC0AA0, 0x8080A0, 0x3280FF, 0x8032FF]


def settings_default():
    out = struct.pack('<iiHHiiiiiiiiiiiiiiiiiiii',
                      0,        # 0 header
                      1,        # 4 parameterMode
                      16, 0,    # 8 samplingTimes, 10 samplingElapseTenths
                      4,        # 12 chTimer
                      0,        # 16 reserved
                      5, 4, 1,  # 20 maxHoldKeyTime, 24 debounceTime, 28 noComposeKey
                      4000, 0, 0, 0,  # 32 rangeMax, delta, rangeMin, delta
                      1, 0,           # 48 zoom, delta
                      100, 0, 0, 0,   # 56 keyRangeMax, delta, keyRangeMin, delta
                      1, 1, 0,        # 72 timeAxisMode, highPrecisionSampling, lowRangeAsBottom
                      1,              # 84 reserved
                      1)              # 88 singleByteMode
    out += struct.pack('<16I', *COLOURS)  # 92 channelColor
    out += struct.pack('<i', 1638400)     # 156 bufferFrames
    channel = struct.pack('<B3x6i10i', 0, 155, 0, 220, 0, 0, 0,
                          40, 0, 255, 0, 0, 0, 0, 300, 0, 1)
    assert len(channel) == 68
    out += channel * 16
    assert len(out) == 1248
    return out


def chart_record(name, path):
    return name.encode().ljust(128, b'\0') + path.encode().ljust(256, b'\0')


with open('settings-default.tmp', 'wb') as f:
    f.write(settings_default())
with open('chart-list-two.tmp', 'wb') as f:
    f.write(chart_record('run1.tkchart', '/home/lab/charts/run1.tkchart'))
    f.write(chart_record('\u89e6\u6478.tkchart', '/home/lab/\u56fe\u8868/\u89e6\u6478.tkchart'))
