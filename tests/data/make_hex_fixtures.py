#!/usr/bin/env python3
"""Writes the golden files of the HEX threshold patch.

Run once from tests/data; the outputs are committed and the flash, ui and
tools tests compare the program's output with them byte for byte. The record
layout and the checksum are typed in here independently of the C++ code.

  hex-base.hex        2048 one-word records (word n at byte address 2n, data
                      from a fixed generator, word 2047 = 0) and the EOF record
  hex-patched-10.hex  hex-base.hex with THRESHOLDS in the low bytes of words
                      0x10-0x1F and the program checksum in word 2047
"""

THRESHOLDS = [40, 300, 0, 255, 41, 90, 100, 7, 128, 200, 16, 17, 250, 1, 2, 3]
OFFSET = 0x10
WORDS = 2048


def crc16(data, crc=0xFFFF):
    for b in data:
        crc ^= b << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x8005) if crc & 0x8000 else (crc << 1)
            crc &= 0xFFFF
    return crc


def record(address, word):
    body = [2, address >> 8, address & 0xFF, 0, word & 0xFF, word >> 8]
    check = (-sum(body)) & 0xFF
    return ':' + ''.join('%02X' % b for b in body + [check]) + '\r\n'


def base_words():
    words, x = [], 12345
    for n in range(WORDS):
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        words.append((x >> 8) & 0xFFFF)
    words[2047] = 0
    return words


def image(words):
    text = ''.join(record((2 * n) & 0xFFFF, w) for n, w in enumerate(words))
    return (text + ':00000001FF\r\n').encode('ascii')


def patched(words):
    words = list(words)
    for k, t in enumerate(THRESHOLDS):
        words[OFFSET + k] = (words[OFFSET + k] & 0xFF00) | (t & 0xFF)
    covered = words[:2045]
    covered[2044] |= 0x231F
    data = b''.join(bytes([w >> 8, w & 0xFF]) for w in covered)
    words[2047] = crc16(data) & 0x3FFF
    return words


assert crc16(b'123456789') == 0xAEE7
base = base_words()
with open('hex-base.hex', 'wb') as f:
    f.write(image(base))
with open('hex-patched-10.hex', 'wb') as f:
    f.write(image(patched(base)))
