"""Reads a screenshot (PPM on stdin) for the window test: where the Online
button is (the largest run of its background colour) and what it shows.
Prints: STATE LEFT TOP WIDTH HEIGHT, STATE being online (yellow face with red
text), offline (the offline face) or none."""
import re
import sys

data = sys.stdin.buffer.read()
magic, width, height, _, pixels = data.split(maxsplit=4)
width, height = int(width), int(height)
ONLINE, OFFLINE = (255, 255, 0), (90, 104, 66)


def box(colour):
    """The bounding box of the rows that hold a long run of `colour`."""
    rows = []
    pattern = re.compile(re.escape(bytes(colour)))
    for y in range(height):
        row = pixels[y * width * 3:(y + 1) * width * 3]
        xs = [m.start() // 3 for m in pattern.finditer(row) if m.start() % 3 == 0]
        if len(xs) >= 60:
            rows.append((y, min(xs), max(xs)))
    if len(rows) < 10:
        return None
    return (min(r[1] for r in rows), rows[0][0], max(r[2] for r in rows), rows[-1][0])


def reddish(left, top, right, bottom):
    """Pixels of red text, smoothed edges included."""
    found = 0
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            r, g, b = pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]
            found += r >= 200 and g <= 120 and b <= 60
    return found


online = box(ONLINE)
if online and reddish(*online) >= 20:
    state, found = "online", online
else:
    offline = box(OFFLINE)
    state, found = ("offline", offline) if offline else ("none", (0, 0, 0, 0))
left, top, right, bottom = found
print(state, left, top, right - left + 1, bottom - top + 1)
