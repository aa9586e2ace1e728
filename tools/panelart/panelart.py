#!/usr/bin/env python3
"""Front-panel artwork and panel descriptions of the Corvex switches.

Writes, for every model, panels/<model>/panel.xml with its pictures (background and the port
pictures of every status), and the compiled-in indicator pictures as
src/panel/resource_pictures.cpp. Pure Python (zlib only), deterministic output.

    python3 tools/panelart/panelart.py            # from the repository top
    python3 tools/panelart/panelart.py --preview DIR   # also write the indicator PNGs to DIR
"""
import argparse
import os
import struct
import zlib

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# ---------------------------------------------------------------------------------------------
# Raster and PNG


class Image:
    def __init__(self, w, h, color=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = [list(color) for _ in range(w * h)]

    def get(self, x, y):
        return tuple(self.px[y * self.w + x])

    def put(self, x, y, color, alpha=1.0):
        if 0 <= x < self.w and 0 <= y < self.h:
            p = self.px[y * self.w + x]
            if alpha >= 1.0:
                p[0], p[1], p[2] = color
            else:
                for i in range(3):
                    p[i] = int(round(p[i] * (1 - alpha) + color[i] * alpha))

    def rect(self, x, y, w, h, color, alpha=1.0):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.put(xx, yy, color, alpha)

    def frame(self, x, y, w, h, color, alpha=1.0):
        for xx in range(x, x + w):
            self.put(xx, y, color, alpha)
            self.put(xx, y + h - 1, color, alpha)
        for yy in range(y + 1, y + h - 1):
            self.put(x, yy, color, alpha)
            self.put(x + w - 1, yy, color, alpha)

    def vgradient(self, x, y, w, h, top, bottom):
        for yy in range(h):
            t = yy / max(h - 1, 1)
            c = tuple(int(round(top[i] * (1 - t) + bottom[i] * t)) for i in range(3))
            self.rect(x, y + yy, w, 1, c)

    def bevel(self, x, y, w, h, light, dark):
        """A raised (light top-left) or, with the colours swapped, a sunken edge."""
        for xx in range(x, x + w):
            self.put(xx, y, light)
            self.put(xx, y + h - 1, dark)
        for yy in range(y, y + h):
            self.put(x, yy, light)
            self.put(x + w - 1, yy, dark)

    def line(self, x0, y0, x1, y1, color, alpha=1.0):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), color, alpha)

    def disc(self, cx, cy, r, color, alpha=1.0):
        for yy in range(int(cy - r) - 1, int(cy + r) + 2):
            for xx in range(int(cx - r) - 1, int(cx + r) + 2):
                d = ((xx + 0.5 - cx) ** 2 + (yy + 0.5 - cy) ** 2) ** 0.5
                if d <= r - 0.5:
                    self.put(xx, yy, color, alpha)
                elif d <= r + 0.5:
                    self.put(xx, yy, color, alpha * (r + 0.5 - d))

    def blit(self, other, x, y):
        for yy in range(other.h):
            for xx in range(other.w):
                self.put(x + xx, y + yy, other.get(xx, yy))

    def flipped(self):
        out = Image(self.w, self.h)
        for yy in range(self.h):
            for xx in range(self.w):
                out.put(xx, self.h - 1 - yy, self.get(xx, yy))
        return out

    def png(self):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                raw.extend(bytes(self.px[y * self.w + x]))

        def chunk(tag, data):
            body = tag + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
                + chunk(b"IEND", b""))


# 5x7 letters and digits: the labels and the port numbers.
FONT5 = {
    "A": (0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11), "B": (0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E),
    "C": (0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E),
    "D": (0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C), "E": (0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F),
    "F": (0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10), "G": (0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F),
    "I": (0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E), "K": (0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11),
    "L": (0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F), "M": (0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11),
    "N": (0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11), "O": (0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E),
    "P": (0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10), "R": (0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11),
    "S": (0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E), "T": (0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04),
    "V": (0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04), "W": (0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A),
    "X": (0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11), "-": (0, 0, 0, 0x1F, 0, 0, 0), " ": (0,) * 7,
    "0": (0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E), "1": (0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E),
    "2": (0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F), "4": (0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02),
    "5": (0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E), "6": (0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E),
    "8": (0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E), "3": (0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E),
    "7": (0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08), "9": (0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C),
}
def text5(img, x, y, s, color):
    for ch in s:
        rows = FONT5[ch]
        for r, bits in enumerate(rows):
            for c in range(5):
                if bits & (0x10 >> c):
                    img.put(x + c, y + r, color)
        x += 6
    return x


# ---------------------------------------------------------------------------------------------
# Palette

CHASSIS_TOP = (52, 56, 62)
CHASSIS_BOTTOM = (30, 32, 36)
RECESS = (22, 24, 27)
LABEL = (196, 201, 207)
DIM_LABEL = (140, 146, 153)
ACCENT = (74, 163, 255)
GREEN = (61, 230, 90)
AMBER = (255, 176, 32)
RED = (232, 52, 40)
GOLD = (214, 170, 60)
STEEL = (170, 175, 181)

# ---------------------------------------------------------------------------------------------
# Lamps and indicators (compiled-in pictures)


def lamp(w, h, color, lit):
    img = Image(w, h, (0, 0, 0))
    img.rect(0, 0, w, h, (12, 12, 12))
    if lit:
        img.rect(1, 1, w - 2, h - 2, color)
        hi = tuple(min(255, c + 90) for c in color)
        img.rect(2, 1, max(w - 4, 1), 1, hi)
    else:
        img.rect(1, 1, w - 2, h - 2, color)
        img.rect(2, 1, max(w - 4, 1), 1, tuple(min(255, c + 25) for c in color))
    return img


def console_icon():
    img = Image(10, 5, (12, 12, 12))
    img.rect(1, 1, 8, 3, (40, 120, 200))
    img.rect(3, 2, 4, 1, (150, 210, 255))
    return img


def resource_pictures():
    return {
        158: lamp(10, 5, (130, 240, 100), True),       # power
        159: lamp(8, 4, (58, 62, 58), False),          # lamp off
        160: lamp(8, 4, (44, 56, 74), False),          # idle fibre lamp
        161: lamp(8, 4, GREEN, True),                  # lit, top speed / powered
        162: console_icon(),                           # console
        163: lamp(8, 4, AMBER, True),                  # lit, lower speed
        164: lamp(8, 4, (200, 230, 60), True),         # speed
        190: lamp(10, 5, RED, True),                   # warning: PoE budget or fan
        191: lamp(10, 5, GREEN, True),                 # LED mode selected
        192: lamp(10, 5, (58, 62, 58), False),         # LED mode not selected
    }


def write_resources(path, preview=None):
    pics = resource_pictures()
    lines = [
        "// Generated by tools/panelart/panelart.py; do not edit. Indicator pictures of the panel.",
        '#include "panel/bitmap_store.h"',
        "",
        "namespace panel {",
        "",
        "namespace {",
    ]
    for number, img in sorted(pics.items()):
        data = img.png()
        if preview:
            with open(os.path.join(preview, "res%d.png" % number), "wb") as f:
                f.write(data)
        body = ", ".join("0x%02x" % b for b in data)
        chunks = []
        while body:
            cut = body[:96]
            if len(body) > 96:
                cut = cut[: cut.rfind(",") + 1]
            chunks.append("    " + cut.strip())
            body = body[len(cut):].strip()
        lines.append("const std::vector<std::uint8_t> kPicture%d = {" % number)
        lines.extend(chunks)
        lines.append("};")
    lines += ["}  // namespace", "", "const std::vector<std::uint8_t>* FindResourcePicture(int resource) {",
              "    switch (resource) {"]
    for number in sorted(pics):
        lines.append("    case %d: return &kPicture%d;" % (number, number))
    lines += ["    default: return nullptr;", "    }", "}", "", "}  // namespace panel", ""]
    with open(path, "w") as f:
        f.write("\n".join(lines))


# ---------------------------------------------------------------------------------------------
# Port pictures: RJ-45 jack and SFP cage, drawn for the upper row (latch up) and mirrored for
# the lower row. Status 0 link below top speed, 1 link at top speed, 2 disabled, 3 enabled
# without link, 4 empty.

PORT_W, PORT_H = 22, 18


def rj45(status):
    img = Image(PORT_W, PORT_H, (0, 0, 0))
    img.rect(0, 0, PORT_W, PORT_H, (120, 126, 133))          # metal shield
    img.bevel(0, 0, PORT_W, PORT_H, (190, 195, 200), (70, 74, 80))
    # Opening: a wide body with the latch notch at the top.
    img.rect(2, 6, 18, 10, (8, 8, 9))
    img.rect(7, 2, 8, 5, (8, 8, 9))
    if status == 4:                                          # blanking plug
        img.rect(2, 6, 18, 10, (64, 67, 72))
        img.rect(7, 2, 8, 5, (64, 67, 72))
        img.rect(4, 10, 14, 2, (44, 46, 50))
        return img
    for i in range(8):                                       # contacts at the far edge
        img.rect(4 + i * 2, 14, 1, 2, GOLD)
    if status in (0, 1):                                     # plug inserted, coloured boot
        boot = GREEN if status == 1 else AMBER
        img.rect(3, 7, 16, 8, (205, 210, 214))              # clear plug body
        img.rect(4, 12, 14, 2, (230, 200, 120))             # conductors seen through it
        img.rect(8, 2, 6, 5, boot)                           # latch tab in boot colour
        img.rect(3, 7, 16, 2, boot)
        img.rect(9, 3, 4, 1, tuple(min(255, c + 60) for c in boot))
    elif status == 2:                                        # disabled: red bar across
        img.line(3, 15, 18, 3, RED)
        img.line(4, 15, 19, 3, RED)
        img.line(3, 3, 18, 15, RED)
        img.line(4, 3, 19, 15, RED)
    return img


def sfp(status):
    img = Image(PORT_W, PORT_H, (0, 0, 0))
    img.rect(0, 0, PORT_W, PORT_H, STEEL)                    # cage
    img.bevel(0, 0, PORT_W, PORT_H, (220, 224, 228), (90, 94, 100))
    img.rect(2, 3, 18, 12, (10, 10, 12))
    for x in (3, 18):                                        # springs
        img.rect(x, 1, 1, 2, (110, 114, 120))
    if status == 4:                                          # empty cage
        img.rect(4, 5, 14, 8, (26, 27, 30))
        img.rect(5, 12, 12, 1, (70, 60, 40))
        return img
    img.rect(3, 4, 16, 10, (200, 204, 208))                  # transceiver
    img.rect(5, 6, 4, 6, (16, 16, 18))                       # LC receptacles
    img.rect(13, 6, 4, 6, (16, 16, 18))
    if status in (0, 1):                                     # LC duplex connector inserted
        boot = GREEN if status == 1 else AMBER
        img.rect(5, 6, 4, 6, boot)
        img.rect(13, 6, 4, 6, boot)
        img.rect(6, 7, 2, 2, (240, 240, 240))
        img.rect(14, 7, 2, 2, (240, 240, 240))
        img.rect(9, 8, 4, 2, (40, 44, 48))
    elif status == 2:
        img.line(3, 13, 18, 4, RED)
        img.line(4, 13, 19, 4, RED)
        img.line(3, 4, 18, 13, RED)
        img.line(4, 4, 19, 13, RED)
    return img


STATUS_ATTRS = ["BMPLINK100", "BMPLINK10", "BMPDISABLE", "BMPENABLE", "BMPEMPTY"]
STATUS_NAMES = ["lower", "top", "disabled", "enabled", "empty"]


def port_picture_name(kind, row, status):
    return "%s_%s_%s.png" % (kind, row, STATUS_NAMES[status])


# ---------------------------------------------------------------------------------------------
# Models

PITCH = 26          # column pitch
TWIN_PITCH = 30     # fibre twins: room for three-character numbers such as "49F"
GROUP_GAP = 12      # extra gap between groups of columns
UPPER_Y, LOWER_Y = 26, 48
LAMP_W, LAMP_H = 8, 4
LEFT_AREA = 130
HEIGHT = 84

# Fixed indicator layout by port count (the painter draws the lit pictures at these places).
MODELS = {
    "10p": dict(ports=10, combo=2, group=8, title="10P", power=(12, 25), drawn_power=True,
                poe_max=(42, 38), mode=((81, 42), (81, 55))),
    "16": dict(ports=16, combo=4, group=12, title="16", power=(25, 26), drawn_power=True),
    "24": dict(ports=24, combo=4, group=12, title="24", power=(24, 25), drawn_power=True),
    "28": dict(ports=28, combo=4, group=12, title="28", power=(25, 23), drawn_power=False),
    "28p": dict(ports=28, combo=4, group=12, title="28P", power=(25, 23), drawn_power=False,
                poe_max=(42, 38), mode=((81, 42), (81, 55))),
    "48": dict(ports=48, combo=4, group=12, title="48", power=(21, 27), drawn_power=True, fan=(55, 33),
               fan_element=False),
    "52": dict(ports=52, combo=4, group=12, title="52", power=(25, 23), drawn_power=False, fan=(55, 33),
               fan_element=True),
}


def layout_columns(spec):
    """Column x positions: copper groups, the combo copper ports, then their fibre twins."""
    ports, combo, group = spec["ports"], spec["combo"], spec["group"]
    copper_only = ports - combo
    xs = []
    x = LEFT_AREA
    col = 0
    for _ in range(copper_only // 2):
        if col and col % (group // 2) == 0:
            x += GROUP_GAP
        xs.append(x)
        x += PITCH
        col += 1
    x += GROUP_GAP
    combo_cols = []
    for _ in range(combo // 2):
        combo_cols.append(x)
        x += PITCH
    x += GROUP_GAP - 4
    twin_cols = []
    for _ in range(combo // 2):
        twin_cols.append(x)
        x += TWIN_PITCH
    return xs, combo_cols, twin_cols, x + 10


def port_places(spec):
    """(x, y, row, kind, label) per port element in element order."""
    xs, combo_cols, twin_cols, width = layout_columns(spec)
    cols = xs + combo_cols
    places = []
    for p in range(1, spec["ports"] + 1):
        col = (p - 1) // 2
        row = "u" if p % 2 else "d"
        places.append((cols[col], UPPER_Y if row == "u" else LOWER_Y, row, "rj", str(p)))
    first_combo = spec["ports"] - spec["combo"] + 1
    for i in range(spec["combo"]):
        p = first_combo + i
        col = i // 2
        row = "u" if p % 2 else "d"
        places.append((twin_cols[col], UPPER_Y if row == "u" else LOWER_Y, row, "sfp", "%dF" % p))
    return places, width, xs, combo_cols, twin_cols


def lamp_place(x, y, row):
    return (x + 3, y - LAMP_H - 2) if row == "u" else (x + 3, y + PORT_H + 2)


def background(spec, model):
    places, width, xs, combo_cols, twin_cols = port_places(spec)
    img = Image(width, HEIGHT)
    img.vgradient(0, 0, width, HEIGHT, CHASSIS_TOP, CHASSIS_BOTTOM)
    img.bevel(0, 0, width, HEIGHT, (96, 101, 108), (12, 13, 15))
    for sx, sy in ((5, 5), (width - 6, 5), (5, HEIGHT - 6), (width - 6, HEIGHT - 6)):
        img.disc(sx, sy, 2.2, (20, 21, 24))
        img.disc(sx - 0.4, sy - 0.4, 1.2, (120, 125, 132))
    # Brand and model.
    x = text5(img, 10, 8, "CORVEX", LABEL)
    text5(img, x + 4, 8, spec["title"], ACCENT)
    # Power lamp and label.
    px, py = spec["power"]
    img.blit(resource_pictures()[158] if not spec["drawn_power"] else resource_pictures()[192], px, py)
    text5(img, px - 2, py + 8, "PWR", DIM_LABEL)
    if "poe_max" in spec:
        mx, my = spec["poe_max"]
        img.blit(resource_pictures()[192], mx, my)
        text5(img, mx - 3, my + 8, "MAX", DIM_LABEL)
    if "mode" in spec:
        (ax, ay), (bx, by) = spec["mode"]
        text5(img, ax - 2, ay - 12, "MODE", DIM_LABEL)
        img.blit(resource_pictures()[192], ax, ay)
        img.blit(resource_pictures()[192], bx, by)
        text5(img, ax + 13, ay - 1, "LINK", DIM_LABEL)
        text5(img, bx + 13, by - 1, "POE", DIM_LABEL)
    if "fan" in spec:
        fx, fy = spec["fan"]
        img.blit(resource_pictures()[192], fx, fy)
        text5(img, fx - 3, fy + 8, "FAN", DIM_LABEL)
    # Recessed port fields: copper groups, combo copper, fibre twins.
    def recess(x0, x1):
        img.rect(x0 - 4, UPPER_Y - 10, x1 - x0 + 8, LOWER_Y + PORT_H + 10 - (UPPER_Y - 10), RECESS)
        img.bevel(x0 - 4, UPPER_Y - 10, x1 - x0 + 8, LOWER_Y + PORT_H + 10 - (UPPER_Y - 10), (10, 10, 12),
                  (70, 74, 80))
    groups = []
    start = xs[0] if xs else None
    prev = None
    for x in xs:
        if prev is not None and x - prev > PITCH:
            groups.append((start, prev + PORT_W))
            start = x
        prev = x
    if xs:
        groups.append((start, prev + PORT_W))
    groups.append((combo_cols[0], combo_cols[-1] + PORT_W))
    groups.append((twin_cols[0], twin_cols[-1] + PORT_W + 6))  # room for "10F" beside the last lamp
    for x0, x1 in groups:
        recess(x0, x1)
    # Combo marking: a bracket over the copper/fibre pair.
    cx0, cx1 = combo_cols[0], twin_cols[-1] + PORT_W
    img.rect(cx0, HEIGHT - 5, cx1 - cx0, 1, ACCENT)
    text5(img, cx0 + (cx1 - cx0 - 29) // 2, 4, "COMBO", ACCENT)
    # Lamp sockets and port numbers.
    for (x, y, row, kind, label) in places:
        lx, ly = lamp_place(x, y, row)
        img.blit(resource_pictures()[159], lx, ly)
        text5(img, lx + LAMP_W + 2, ly - 2 if row == "u" else ly, label, LABEL)
    return img, places, width


def write_model(model, spec):
    out = os.path.join(TOP, "panels", model)
    os.makedirs(out, exist_ok=True)
    img, places, width = background(spec, model)
    with open(os.path.join(out, "back.png"), "wb") as f:
        f.write(img.png())
    kinds = {"rj": rj45, "sfp": sfp}
    for kind, draw in kinds.items():
        for status in range(5):
            pic = draw(status)
            for row in ("u", "d"):
                with open(os.path.join(out, port_picture_name(kind, row, status)), "wb") as f:
                    f.write((pic if row == "u" else pic.flipped()).png())
    ports = spec["ports"]
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             "<!-- Corvex %s front panel. Generated by tools/panelart/panelart.py. -->" % spec["title"],
             '<DEVICEPANEL ID="0" NAME="Corvex-%s" LEFT="100" TOP="100" WIDTH="%d" HEIGHT="%d" BMP="back.png">'
             % (spec["title"], width, HEIGHT)]
    px, py = spec["power"]
    lines.append('  <POWER ID="0" NAME="PWR" LEFT="%d" TOP="%d" WIDTH="10" HEIGHT="5"/>' % (px, py))
    if spec.get("fan_element"):
        fx, fy = spec["fan"]
        lines.append('  <FAN ID="0" NAME="FAN" LEFT="%d" TOP="%d" WIDTH="10" HEIGHT="5"/>' % (fx, fy))
    for index, (x, y, row, kind, label) in enumerate(places):
        fibre = kind == "sfp"
        status = "PORTEMPTY" if fibre else "PORTENABLE"
        attrs = " ".join('%s="%s"' % (a, port_picture_name(kind, row, s)) for s, a in enumerate(STATUS_ATTRS))
        lines.append('  <PORT ID="%d" NAME="%s" LEFT="%d" TOP="%d" WIDTH="%d" HEIGHT="%d" BMP="%s" STATUS="%s" %s>'
                     % (index + 1, label, x, y, PORT_W, PORT_H, port_picture_name(kind, row, 3 if not fibre else 4),
                        status, attrs))
        lx, ly = lamp_place(x, y, row)
        lines.append('    <LAMP ID="0" NAME="LINK" LEFT="%d" TOP="%d" WIDTH="%d" HEIGHT="%d" TYPE="LINK" STATUS="LAMPOFF"/>'
                     % (lx, ly, LAMP_W, LAMP_H))
        lines.append("  </PORT>")
    lines.append("</DEVICEPANEL>")
    with open(os.path.join(out, "panel.xml"), "w") as f:
        f.write("\n".join(lines) + "\n")
    assert len(places) == ports + spec["combo"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", help="also write the indicator pictures as PNG files here")
    parser.add_argument("models", nargs="*", default=sorted(MODELS), help="models to write (default: all)")
    args = parser.parse_args()
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
    write_resources(os.path.join(TOP, "src", "panel", "resource_pictures.cpp"), args.preview)
    for model in args.models:
        write_model(model, MODELS[model])
        print("panels/%s/panel.xml" % model)


if __name__ == "__main__":
    main()
