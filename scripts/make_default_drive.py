#!/usr/bin/env python3
"""Writes sim/drives/default.json: the virtual drive that `tarn sim` runs when
no drive description is given. A three-axis drive of identity 3, 6, 5 with
several hundred parameters in seven ordinary groups and one extra group, a DH
section of 600 words, an MH section of 128 words, DV with its Auto DV part and
a Program, all section sizes consistent with the contents.

Deterministic: the same output on every run. Usage:
    python3 scripts/make_default_drive.py [OUT.json]
"""
import json
import random
import sys
from pathlib import Path

AXES = 3
GROUP_SIZES = {0: 60, 1: 70, 2: 70, 3: 40, 4: 40, 5: 100, 6: 50, -1: 30}

ATTR_UNSIGNED = 0x0080
ATTR_32BIT = 0x2000
ATTR_HEX = 0x4000
ATTR_NOT_DOWNLOADED = 0x0400
ATTR_DEPENDS_ON_DEVICE = 0x0008


def words32(value):
    """The high and low word of a 32-bit two's complement number."""
    bits = value & 0xFFFFFFFF
    return bits >> 16, bits & 0xFFFF


def record(upper, lower, default, attr, value):
    r = [0] * 16
    r[0], r[1] = words32(upper)
    r[2], r[3] = words32(lower)
    r[4], r[5] = words32(default)
    r[6] = attr
    r[14], r[15] = words32(value)
    if attr & ATTR_DEPENDS_ON_DEVICE:
        # The drive reports these two words one higher; the tool takes one off.
        r[1] = (r[1] + 1) & 0xFFFF
        r[5] = (r[5] + 1) & 0xFFFF
    return r


# Parameters whose meaning the tool or the drive fixes: (group, item) ->
# (upper, lower, default, attributes, value on every axis).
SPECIAL = {
    (0, 0): (32767, 0, 3005, ATTR_NOT_DOWNLOADED, 3005),            # firmware version
    (0, 46): (0xFFFF, 0, 0, ATTR_HEX | ATTR_NOT_DOWNLOADED, 0),     # servo state
    (2, 8): (1000, 0, 0, ATTR_NOT_DOWNLOADED, 0),                   # special function
    (3, 0): (247, 1, 127, ATTR_NOT_DOWNLOADED, 1),                  # station
    (3, 8): (0xFFFF, 0, 0, ATTR_HEX, 0),
    (5, 0): (0x7FFFFFFF, 0, 11, ATTR_32BIT | ATTR_NOT_DOWNLOADED, 11),  # sub version
    (5, 1): (0xFFFF, 0, 0, ATTR_UNSIGNED | ATTR_NOT_DOWNLOADED, 0),     # command
    (5, 2): (0xFFFF, 0, 0, ATTR_HEX | ATTR_NOT_DOWNLOADED, 0),          # status
    (5, 19): (100000000, 0, 1000000, ATTR_32BIT, 1000000),
}


def ordinary_item(rng, group, item):
    kind = rng.choice(["int", "int", "unsigned", "fixed1", "fixed2", "hex", "int32", "depends"])
    if group == 0 and 1 <= item <= 24:
        kind = "monitor"
    if kind == "int":
        lower, upper, attr = -rng.choice([0, 100, 1000, 10000]), rng.choice([100, 1000, 5000, 30000]), 0
    elif kind == "unsigned":
        lower, upper, attr = 0, rng.choice([255, 1023, 60000]), ATTR_UNSIGNED
    elif kind == "fixed1":
        lower, upper, attr = -3000, 3000, 0x0002
    elif kind == "fixed2":
        lower, upper, attr = 0, 20000, 0x0003
    elif kind == "hex":
        lower, upper, attr = 0, 0xFFFF, ATTR_HEX
    elif kind == "int32":
        lower, upper, attr = -5000000, 5000000, ATTR_32BIT
    elif kind == "depends":
        lower, upper, attr = 0, 5000, ATTR_DEPENDS_ON_DEVICE
    else:  # a monitored value: shown, never written
        lower, upper, attr = -32768, 32767, ATTR_NOT_DOWNLOADED
    default = rng.randint(max(lower, 0), min(upper, 500)) if upper > 0 else 0
    values = [default if rng.random() < 0.6 else rng.randint(lower, upper) for _ in range(AXES)]
    return record(upper, lower, default, attr, default), values


def parameters(rng):
    groups = []
    for number, size in GROUP_SIZES.items():
        items = []
        for item in range(size):
            if (number, item) in SPECIAL:
                upper, lower, default, attr, value = SPECIAL[(number, item)]
                items.append({"record": record(upper, lower, default, attr, value), "values": [value] * AXES})
                continue
            rec, values = ordinary_item(rng, number, item)
            if number < 0:
                rec[6] |= ATTR_NOT_DOWNLOADED
            items.append({"record": rec, "values": values})
        groups.append({"number": number, "items": items})
    return groups


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "sim/drives/default.json"
    rng = random.Random(365)
    dv_size, actual_dv, auto_dv_start, actual_auto_dv = 1024, 1000, 900, 24
    program_size, dh_size, mh_size = 2048, 600, 128
    head = {
        "station": 1,
        "identity": [3, 6, 5],
        "mainVersion": 3005,
        "subVersion": 11,
        "extension": 0,
        "axes": AXES,
        "servoOn": [False] * AXES,
        "ready": True,
        "readyDelayMs": 500,
        "holdReadyLow": False,
        "sections": {
            "DV": dv_size, "Program": program_size, "DH": dh_size, "MV": 256, "X": 64, "Y": 64,
            # TC holds T + CU + CD in words (1024, as a download writes it); T and TU in double words.
            "TC": 1024, "ActualDV": actual_dv, "T": 32, "TU": 64,
            "AutoDVStart": auto_dv_start, "ActualAutoDV": actual_auto_dv, "FATVersion": 3,
        },
        "registers": {},
    }
    contents = {
        "DH": [rng.randint(0, 0xFFFF) for _ in range(dh_size)],
        "DV": [rng.randint(0, 0xFFFF) for _ in range(dv_size)],
        "MH": [rng.randint(0, 0xFFFF) for _ in range(mh_size)],
        "Program": [rng.randint(0, 0xFFFF) for _ in range(1536)],
    }
    text = json.dumps(head, indent=2)[:-2]
    text += ',\n  "groups": ['
    for g, group in enumerate(parameters(rng)):
        text += (",\n    " if g else "\n    ") + '{"number": %d, "items": [' % group["number"]
        text += ",".join("\n      " + json.dumps(item) for item in group["items"])
        text += "\n    ]}"
    text += '\n  ],\n  "contents": {'
    text += ",".join('\n    "%s": %s' % (name, json.dumps(words)) for name, words in contents.items())
    text += "\n  }\n}\n"
    out.write_text(text)
    json.loads(text)  # the output is valid JSON


if __name__ == "__main__":
    main()
