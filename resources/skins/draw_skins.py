#!/usr/bin/env python3
"""Draws our skins: the pictures of each (PNG) and the text of its objects.

    resources/skins/draw_skins.py <draft folder>

writes <draft folder>/<name>/skin.txt and its pictures for every skin
below. The sources kept in resources/skins/<name>/ are these drafts passed
once through the skin compiler (compiled, then decompiled), so that they
are in the form the compiler writes:

    build/bin/skinc <draft>/<name>/skin.txt /tmp/<name>.uskn
    build/bin/skinc --decompile /tmp/<name>.uskn resources/skins/<name>/skin.txt

Colours are chosen so that 16-bit 5-6-5 keeps them exactly; pixels are
opaque or the key (0x7F007F, alpha 0), so every format holds the same
skin.
"""

import os
import struct
import sys
import zlib

KEY = (0x7F, 0x00, 0x7F, 0)


def q(rgb):
    """The nearest colour 5-6-5 gives back exactly."""
    r, g, b = rgb
    r5, g6, b5 = (r * 31 + 127) // 255, (g * 63 + 127) // 255, (b * 31 + 127) // 255
    return ((r5 << 3) | (r5 >> 2), (g6 << 2) | (g6 >> 4), (b5 << 3) | (b5 >> 2))


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


class Picture:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [KEY] * (w * h)

    def put(self, x, y, rgb):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = rgb if len(rgb) == 4 else q(rgb) + (255,)

    def key(self, x, y):
        self.put(x, y, KEY)

    def fill(self, x, y, w, h, rgb):
        for j in range(y, y + h):
            for i in range(x, x + w):
                self.put(i, j, rgb)

    def shade(self, x, y, w, h, top, bottom):
        for j in range(h):
            self.fill(x, y + j, w, 1, mix(top, bottom, j / max(h - 1, 1)))

    def frame(self, x, y, w, h, rgb):
        self.fill(x, y, w, 1, rgb)
        self.fill(x, y + h - 1, w, 1, rgb)
        self.fill(x, y, 1, h, rgb)
        self.fill(x + w - 1, y, 1, h, rgb)

    def bevel(self, x, y, w, h, light, dark):
        self.fill(x, y, w, 1, light)
        self.fill(x, y, 1, h, light)
        self.fill(x, y + h - 1, w, 1, dark)
        self.fill(x + w - 1, y, 1, h, dark)

    def round_corners(self, x, y, w, h):
        for cx, cy in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
            self.key(x + cx, y + cy)

    def png(self):
        rows = b"".join(
            b"\0" + b"".join(struct.pack("BBBB", *p) for p in self.px[y * self.w:(y + 1) * self.w])
            for y in range(self.h))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


# --- Glyphs --------------------------------------------------------------------

def glyph_close(p, x, y, c):
    for i in range(8):
        p.put(x + 5 + i, y + 5 + i, c)
        p.put(x + 6 + i, y + 5 + i, c)
        p.put(x + 12 - i, y + 5 + i, c)
        p.put(x + 13 - i, y + 5 + i, c)


def glyph_max(p, x, y, c):
    p.frame(x + 5, y + 5, 9, 8, c)
    p.fill(x + 5, y + 6, 9, 1, c)


def glyph_restore(p, x, y, c):
    p.frame(x + 7, y + 4, 7, 6, c)
    p.fill(x + 4, y + 8, 7, 6, (0, 0, 0))  # cleared below
    p.frame(x + 4, y + 8, 7, 6, c)


def glyph_min(p, x, y, c):
    p.fill(x + 5, y + 11, 8, 2, c)


def arrow(p, x, y, direction, c):
    """A filled 7 x 4 triangle in an 8 x 8 cell."""
    for i in range(4):
        for k in range(i, 7 - i):
            if direction == "down":
                p.put(x + k, y + 2 + i, c)
            elif direction == "up":
                p.put(x + k, y + 5 - i, c)
            elif direction == "right":
                p.put(x + 2 + i, y + k, c)
            else:
                p.put(x + 5 - i, y + k, c)


def check(p, x, y, c):
    for i, (dx, dy) in enumerate(((3, 6), (4, 7), (5, 8), (6, 7), (7, 6), (8, 5), (9, 4))):
        p.fill(x + dx, y + dy, 1, 2, c)


# --- The skins -------------------------------------------------------------------

SKINS = {
    "devoir": dict(
        title="Devoir", author="Burner skin makers", caption=24, rounded=True,
        frame_light=(0x4F, 0x7F, 0xB5), frame_dark=(0x1F, 0x3A, 0x5F), frame_line=(0x0E, 0x1B, 0x2C),
        inactive_light=(0x8A, 0x95, 0xA3), inactive_dark=(0x59, 0x63, 0x70),
        face_top=(0xF4, 0xF6, 0xF9), face_bottom=(0xD8, 0xDE, 0xE6), face_line=(0x5A, 0x6B, 0x80),
        hot=(0xF2, 0xF6, 0xFC), pressed=(0xB8, 0xC6, 0xD8), accent=(0x2F, 0x6F, 0xC0),
        client=(0xEE, 0xE8, 0xE4), window=(0xFF, 0xFF, 0xFF), text=(0x10, 0x18, 0x28),
        title_text=(0xFF, 0xFF, 0xFF), glyph=(0xFF, 0xFF, 0xFF), close=(0xC0, 0x39, 0x2B),
        hint=(0xFF, 0xF8, 0xD8)),
    "slate": dict(
        title="Slate", author="Burner skin makers", caption=22, rounded=False,
        frame_light=(0x48, 0x4C, 0x52), frame_dark=(0x26, 0x28, 0x2C), frame_line=(0x10, 0x10, 0x12),
        inactive_light=(0x60, 0x60, 0x60), inactive_dark=(0x40, 0x40, 0x40),
        face_top=(0x58, 0x5C, 0x62), face_bottom=(0x40, 0x44, 0x48), face_line=(0x18, 0x18, 0x1A),
        hot=(0x6C, 0x70, 0x78), pressed=(0xE0, 0x78, 0x20), accent=(0xF0, 0x88, 0x28),
        client=(0x34, 0x36, 0x3A), window=(0x24, 0x26, 0x2A), text=(0xE8, 0xE8, 0xE8),
        title_text=(0xF8, 0xC0, 0x80), glyph=(0xE8, 0xE8, 0xE8), close=(0xD0, 0x40, 0x30),
        hint=(0x48, 0x4C, 0x52)),
    "meadow": dict(
        title="Meadow", author="Burner skin makers", caption=26, rounded=True,
        frame_light=(0x7C, 0xB8, 0x5C), frame_dark=(0x3C, 0x78, 0x30), frame_line=(0x20, 0x40, 0x18),
        inactive_light=(0xA8, 0xB8, 0x98), inactive_dark=(0x80, 0x90, 0x70),
        face_top=(0xFC, 0xFC, 0xF0), face_bottom=(0xE0, 0xE8, 0xC8), face_line=(0x58, 0x78, 0x40),
        hot=(0xF0, 0xFC, 0xD8), pressed=(0xB8, 0xD8, 0x90), accent=(0x48, 0x90, 0x30),
        client=(0xF4, 0xF4, 0xE4), window=(0xFF, 0xFF, 0xF8), text=(0x20, 0x30, 0x18),
        title_text=(0xFF, 0xFF, 0xF0), glyph=(0x20, 0x40, 0x18), close=(0xD8, 0x60, 0x40),
        hint=(0xF8, 0xFC, 0xE0)),
}


def frame_picture(s):
    """Active look on the left half, inactive on the right: the caption
    (caption high), then 4 rows of side border and 4 of bottom border."""
    ch = s["caption"]
    p = Picture(96, ch + 8)
    for half in range(2):
        x = half * 48
        light = s["inactive_light"] if half else s["frame_light"]
        dark = s["inactive_dark"] if half else s["frame_dark"]
        p.shade(x, 0, 48, ch, light, dark)
        p.fill(x, ch, 48, 8, dark)
        p.frame(x, 0, 48, ch + 8, s["frame_line"])
        if s["rounded"]:
            for cx, cy in ((0, 0), (1, 0), (0, 1), (46, 0), (47, 0), (47, 1)):
                p.key(x + cx, cy)
    return p


def caption_buttons(s):
    """18 x 18 buttons: columns close, maximize, restore, minimize; rows
    normal, hot, pressed."""
    p = Picture(72, 54)
    for row in range(3):
        for col in range(4):
            x, y = col * 18, row * 18
            face = [s["frame_light"], mix(s["frame_light"], (255, 255, 255), 0.3), s["frame_dark"]][row]
            if col == 0 and row > 0:
                face = s["close"]
            p.fill(x + 1, y + 1, 16, 16, face)
            p.frame(x + 1, y + 1, 16, 16, s["frame_line"])
            if s["rounded"]:
                p.round_corners(x + 1, y + 1, 16, 16)
            [glyph_close, glyph_max, glyph_restore, glyph_min][col](p, x, y, s["glyph"])
            if col == 2:
                p.fill(x + 5, y + 9, 5, 4, face)
    return p


FACE_STATES = ["normal", "hot", "pressed", "focused", "disabled"]


def face(p, x, y, s, state, w=16, h=16):
    top, bottom, line = s["face_top"], s["face_bottom"], s["face_line"]
    if state == "hot":
        top, bottom = s["hot"], s["face_top"]
    elif state == "pressed":
        top, bottom = s["pressed"], mix(s["pressed"], s["face_bottom"], 0.5)
    elif state == "disabled":
        top = bottom = mix(s["face_bottom"], s["client"], 0.6)
        line = mix(line, s["client"], 0.5)
    p.shade(x, y, w, h, top, bottom)
    p.frame(x, y, w, h, s["accent"] if state == "focused" else line)
    if state == "focused":
        p.frame(x + 1, y + 1, w - 2, h - 2, mix(s["accent"], top, 0.5))
    if s["rounded"]:
        p.round_corners(x, y, w, h)


def controls_picture(s):
    p = Picture(128, 104)
    line, window, accent = s["face_line"], s["window"], s["accent"]
    # Row 0: faces by state; edit frames normal, focused, disabled.
    for i, state in enumerate(FACE_STATES):
        face(p, i * 16, 0, s, state)
    for i, c in enumerate((line, accent, mix(line, s["client"], 0.6))):
        p.fill(80 + i * 16, 0, 16, 16, window if i < 2 else s["client"])
        p.frame(80 + i * 16, 0, 16, 16, c)
        p.frame(81 + i * 16, 1, 14, 14, mix(c, window, 0.6))
    # Row 16: check boxes (unchecked, checked, mixed) and radio buttons. On
    # a dark window the face line would vanish: the boxes take a light edge.
    mark_line = mix(s["text"], window, 0.4) if s["window"][0] < 128 else line
    for i in range(3):
        x = i * 13
        p.fill(x, 16, 13, 13, window)
        p.frame(x, 16, 13, 13, mark_line)
        if i == 1:
            check(p, x, 16, accent)
        if i == 2:
            p.fill(x + 3, 16 + 3, 7, 7, mix(accent, window, 0.5))
    for i in range(2):
        x = 39 + i * 13
        for yy in range(13):
            for xx in range(13):
                d = (xx - 6) ** 2 + (yy - 6) ** 2
                if d <= 36:
                    p.put(x + xx, 16 + yy, mark_line if d > 25 else window)
                if i == 1 and d <= 6:
                    p.put(x + xx, 16 + yy, accent)
    # Arrows 8 x 8: up, down, left, right.
    for i, d in enumerate(("up", "down", "left", "right")):
        arrow(p, 65 + i * 8, 16, d, s["text"] if s["window"][0] < 128 else line)
    # Scroll tracks: the standing one (edges left and right, 16 x 16, also
    # the frame for either kind) and the lying one (edges above and below,
    # 15 x 16).
    track, edge = mix(s["client"], line, 0.15), mix(s["client"], line, 0.5)
    p.fill(97, 16, 16, 16, track)
    p.fill(113, 16, 15, 16, track)
    p.fill(113, 16, 15, 1, edge)
    p.fill(113, 31, 15, 1, edge)
    p.fill(97, 16, 1, 16, edge)
    p.fill(112, 16, 1, 16, edge)
    # Row 32: thumbs (normal, hot, pressed), progress frame and bar, track bar.
    for i, state in enumerate(("normal", "hot", "pressed")):
        face(p, i * 16, 32, s, state)
        for k in range(3):
            p.fill(i * 16 + 5, 32 + 5 + 2 * k, 6, 1, line)
    p.fill(48, 32, 12, 12, window)
    p.frame(48, 32, 12, 12, line)
    p.shade(60, 32, 12, 12, mix(accent, (255, 255, 255), 0.4), accent)
    # The upright progress bar, shaded across.
    for i in range(12):
        p.fill(104 + i, 32, 1, 12, mix(mix(accent, (255, 255, 255), 0.4), accent, i / 11))
    p.fill(72, 32, 8, 4, mix(line, s["client"], 0.3))
    p.fill(72, 33, 8, 2, mix(s["client"], (0, 0, 0), 0.25))
    p.fill(72, 36, 8, 4, accent)
    for i, state in enumerate(("normal", "hot")):
        x = 80 + i * 11
        face(p, x, 32, s, state, 11, 19)
    # Row 56: tabs (normal, hot, selected, disabled), page frame, group box,
    # status bar frame and panel.
    for i, state in enumerate(("normal", "hot", "pressed", "disabled")):
        face(p, i * 16, 56, s, state)
        if state == "pressed":
            p.fill(i * 16 + 1, 56 + 1, 14, 15, s["client"])
            p.fill(i * 16 + 1, 56, 14, 2, accent)
    p.fill(64, 56, 16, 16, s["client"])
    p.frame(64, 56, 16, 16, line)
    p.frame(80, 56, 16, 16, line)
    p.frame(81, 57, 14, 14, mix(line, (255, 255, 255), 0.6))
    p.shade(96, 56, 16, 16, s["face_top"], s["face_bottom"])
    p.fill(96, 56, 16, 1, line)
    p.fill(112, 56, 16, 16, mix(s["face_bottom"], s["client"], 0.5))
    p.bevel(112, 56, 16, 16, line, mix(line, (255, 255, 255), 0.7))
    # Row 72: gripper, menu bar frame, menu items, popup frame, separator,
    # hint, control bar back.
    for k in range(3):
        for m in range(k + 1):
            p.fill(8 - 4 * m, 72 + 2 + 4 * k, 2, 2, line)
    p.shade(16, 72, 16, 16, s["face_top"], s["face_bottom"])
    p.fill(16, 87, 16, 1, line)
    p.fill(32, 72, 16, 16, mix(accent, s["window"], 0.6))
    p.frame(32, 72, 16, 16, accent)
    p.fill(48, 72, 16, 16, s["window"])
    p.frame(48, 72, 16, 16, line)
    p.fill(50, 72, 1, 16, mix(line, s["window"], 0.8))
    p.fill(64, 72, 16, 16, accent)
    p.fill(80, 72, 16, 4, s["window"])
    p.fill(80, 73, 16, 1, mix(line, s["window"], 0.5))
    p.fill(96, 72, 16, 16, s["hint"])
    p.frame(96, 72, 16, 16, line)
    p.shade(112, 72, 16, 16, s["face_top"], s["face_bottom"])
    # Row 88: grabber, band frame.
    p.fill(0, 88, 6, 16, s["face_bottom"])
    for k in range(4):
        p.fill(2, 90 + 3 * k, 2, 2, line)
    p.fill(8, 88, 16, 16, s["face_top"])
    p.bevel(8, 88, 16, 16, (255, 255, 255), line)
    # Row 88 on: the upright track bar's track and highlight (4 x 8) and
    # thumbs (19 x 11, normal and hot).
    p.fill(24, 88, 4, 8, mix(line, s["client"], 0.3))
    p.fill(25, 88, 2, 8, mix(s["client"], (0, 0, 0), 0.25))
    p.fill(28, 88, 4, 8, accent)
    for i, state in enumerate(("normal", "hot")):
        face(p, 32 + i * 19, 88, s, state, 19, 11)
    return p


# --- The objects -----------------------------------------------------------------

FONT = "DejaVu Sans"


def color(rgb):
    r, g, b = rgb
    return str(r | (g << 8) | (b << 16))


def link(prop, name, x, y, w, h):
    return [f"{prop}.Name = '{name}'", f"{prop}.Left = {x}", f"{prop}.Top = {y}", f"{prop}.Right = {x + w}",
            f"{prop}.Bottom = {y + h}"]


def font(prop, rgb, bold=False):
    out = [f"{prop}.Color = {color(rgb)}", f"{prop}.Height = -11", f"{prop}.Name = '{FONT}'"]
    if bold:
        out.append(f"{prop}.Style = [fsBold]")
    return out


def obj(name, cls, props, children=()):
    return (name, cls, list(props), list(children))


def text(o, indent=0):
    name, cls, props, children = o
    pad = "  " * indent
    out = f"{pad}object {name}: {cls}\n"
    for p in props:
        out += f"{pad}  {p}\n"
    for c in children:
        out += text(c, indent + 1)
    return out + f"{pad}end\n"


def box(x, y, w=16, h=16, m=2, pic="Controls"):
    return link("Bitmap", pic, x, y, w, h) + [f"MarginLeft = {m}", f"MarginTop = {m}", f"MarginRight = {m}",
                                              f"MarginBottom = {m}", "TileStyle = tsStretch",
                                              "BorderTileStyle = tsStretch"]


def face_links(prop_names, y=0):
    out = []
    for prop, state in prop_names:
        out += link(prop, "Controls", FACE_STATES.index(state) * 16, y, 16, 16)
    return out


def dark(s):
    return s["window"][0] < 128


def muted(s):
    """Disabled text: toward the background, but still plain to read (a
    dark skin keeps more of its light text)."""
    return mix(s["text"], s["client"], 0.45 if dark(s) else 0.6)


def state_fonts(s, bold=False):
    """The hot, current and pressed looks read the text as plainly as the
    normal one; without them a state falls back to a dark default."""
    out = []
    for prop in ("FontHot", "FontFocused", "FontPressed"):
        out += font(prop, s["text"], bold)
    return out


def text_object(name, s, size=(80, 16), align="taLeft", bold=False, disabled=True):
    props = ["Align = saClient", "Color = clNone", f"Width = {size[0]}", f"Height = {size[1]}",
             f"TextAlign = {align}"] + font("Font", s["text"], bold) + state_fonts(s, bold)
    if disabled:
        props += font("FontDisabled", muted(s))
    return obj(name, "TSeTextObject", props)


def marks(s):
    return [obj(n, "TSeBitmapSkinObject", ["Width = 13", "Height = 13"] + link("Bitmap", "Controls", x, 16, 13, 13))
            for n, x in (("Unchecked", 0), ("Checked", 13), ("Mixed", 26))]


def arrow_button(name, s, direction):
    ax = 65 + ("up", "down", "left", "right").index(direction) * 8
    return obj(name, "TSeButtonObject",
               ["Width = 16", "Height = 16"] + box(0, 0, m=3) +
               face_links((("BitmapHot", "hot"), ("BitmapPressed", "pressed"), ("BitmapDisabled", "disabled"))),
               [obj("Arrow", "TSeBitmapObject", ["Align = saClient", "Width = 16", "Height = 16",
                                                 "TileStyle = tsCenter"] + link("Bitmap", "Controls", ax, 16, 8, 8))])


def objects(s):
    ch = s["caption"]
    W, H = 320, 220
    active = lambda prop, x, y, w, h: link(prop, "Frame", x, y, w, h)

    def border(name, kind, align, rect_active, rect_inactive, box_):
        return obj(name, "TSeActiveBitmap", [f"Align = {align}", f"Kind = {kind}"] + box_ +
                   link("Bitmap", "Frame", *rect_inactive) + ["TileStyle = tsStretch"] +
                   active("ActiveBitmap", *rect_active))

    def sysbutton(name, action, col, slot):
        return obj(name, "TSeSystemButton",
                   ["Align = saTopRight", "Left = %d" % (W - 6 - 18 - 20 * slot), "Top = %d" % ((ch - 18) // 2),
                    "Width = 18", "Height = 18", f"Action = {action}"] +
                   link("Bitmap", "CaptionButtons", col * 18, 0, 18, 18) +
                   link("BitmapHot", "CaptionButtons", col * 18, 18, 18, 18) +
                   link("BitmapPressed", "CaptionButtons", col * 18, 36, 18, 18))

    title = obj("Title", "TSeTextObject",
                ["Align = saClient", "Kind = skTitle", "Color = clNone", "TextEffect = teShadow",
                 "TextMarginLeft = 8", "TextMarginRight = 64"] + font("Font", s["title_text"], True) +
                font("FontDisabled", mix(s["title_text"], s["inactive_dark"], 0.4), True))
    caption = obj("Caption", "TSeActiveBitmap",
                  ["Align = saMostTop", "Kind = skCaption", "DrawIfOwner = True", f"Width = {W}", f"Height = {ch}",
                   "MarginLeft = 6", "MarginTop = 4", "MarginRight = 6", "MarginBottom = 4"] +
                  link("Bitmap", "Frame", 48, 0, 48, ch) + ["TileStyle = tsStretch", "BorderTileStyle = tsStretch"] +
                  active("ActiveBitmap", 0, 0, 48, ch),
                  [title, sysbutton("Close", "sbaClose", 0, 0), sysbutton("Maximize", "sbaMaximize", 1, 1),
                   sysbutton("Restore", "sbaRestore", 2, 1), sysbutton("Minimize", "sbaMinimize", 3, 2)])
    client = obj("Client", "TSeSkinObject", ["Align = saClient", "Kind = skClient", f"Color = {color(s['client'])}"])
    form = obj("Form", "TSeSkinObject",
               ["Kind = skForm", "Color = clNone", f"Width = {W}", f"Height = {H}"] + font("Font", s["text"]),
               [caption,
                border("Bottom", "skBottom", "saMostBottom", (0, ch + 4, 48, 4), (48, ch + 4, 48, 4),
                       [f"Width = {W}", "Height = 4"]),
                border("Left", "skLeft", "saLeft", (0, ch, 4, 4), (48, ch, 4, 4), ["Width = 4", f"Height = {H}"]),
                border("Right", "skRight", "saRight", (44, ch, 4, 4), (92, ch, 4, 4), ["Width = 4", f"Height = {H}"]),
                obj("StatusPlace", "TSeLinkSkinObject", ["Left = -40", "Width = 1", "Height = 1"]),
                client])

    # The tool window: a narrower caption from pictures, a close button of
    # the second family and a body that its roll button rolls up.
    def tool_border(name, kind, align, x, w, h):
        return obj(name, "TSeFormBitmapSkinObject",
                   [f"Align = {align}", f"Kind = {kind}", f"Width = {w}", f"Height = {h}"] +
                   link("Bitmap", "Frame", 2, ch, 4, 4) + ["TileStyle = tsStretch"] +
                   link("InactiveBitmap", "Frame", 50, ch, 4, 4))

    tool = obj("ToolWindow", "TSeSkinObject",
               ["Kind = skForm", "Color = clNone", "Width = 200", "Height = 140"] + font("Font", s["text"]),
               [obj("Caption", "TSeFormBitmapSkinObject",
                    ["Align = saMostTop", "Kind = skTitle", "Width = 200", "Height = 18", "TextMarginLeft = 5",
                     "TextMarginRight = 36"] + font("Font", s["title_text"], True) +
                    link("Bitmap", "Frame", 2, 2, 44, ch - 4) + ["TileStyle = tsStretch"] +
                    link("InactiveBitmap", "Frame", 50, 2, 44, ch - 4)),
                obj("Close", "TSeSysButtonSkinObject",
                    ["Align = saTopRight", "Left = 184", "Top = 2", "Width = 14", "Height = 14",
                     "Action = sbaClose"] + link("Bitmap", "CaptionButtons", 2, 2, 14, 14) +
                    ["TileStyle = tsStretch"] + link("BitmapHover", "CaptionButtons", 2, 20, 14, 14) +
                    link("BitmapDown", "CaptionButtons", 2, 38, 14, 14)),
                obj("Roll", "TSeSysButtonSkinObject",
                    ["Align = saTopRight", "Left = 168", "Top = 2", "Width = 14", "Height = 14",
                     "Action = sbaRollPanel", "RollPanel = 'Body'"] + link("Bitmap", "CaptionButtons", 56, 2, 14, 14) +
                    ["TileStyle = tsStretch"] + link("BitmapHover", "CaptionButtons", 56, 20, 14, 14) +
                    link("BitmapDown", "CaptionButtons", 56, 38, 14, 14)),
                obj("Body", "TSeRollPanelObject",
                    ["Align = saClient", "Color = clNone", "Top = 18", "Width = 200", "Height = 122",
                     "RollKind = rkBottom", "RollValue = 3"],
                    [tool_border("Bottom", "skBottom", "saMostBottom", 0, 200, 3),
                     tool_border("Left", "skLeft", "saLeft", 0, 3, 119),
                     tool_border("Right", "skRight", "saRight", 197, 3, 119),
                     obj("Client", "TSeSkinObject",
                         ["Align = saClient", "Kind = skClient", f"Color = {color(s['client'])}", "Left = 3",
                          "Top = 18", "Width = 194", "Height = 119"])])])

    button = obj("Button", "TSeSkinObject", ["Color = clNone", "Width = 75", "Height = 25"],
                 [obj("Face", "TSeButtonObject",
                      ["Align = saClient", "Width = 75", "Height = 25"] + box(0, 0, m=3) +
                      face_links((("BitmapFocused", "focused"), ("BitmapHot", "hot"), ("BitmapPressed", "pressed"),
                                  ("BitmapDisabled", "disabled")))),
                  text_object("Text", s, (75, 25), "taCenter")])
    speed = obj("SpeedButton", "TSeSkinObject", ["Color = clNone", "Width = 23", "Height = 22"],
                [obj("Face", "TSeButtonBitmapBoxObject",
                     ["Width = 23", "Height = 22"] + box(0, 0, m=3) +
                     face_links((("FocusedBitmap", "focused"), ("HotBitmap", "hot"), ("PressedBitmap", "pressed"),
                                 ("DisabledBitmap", "disabled")))),
                 obj("FlatFace", "TSeColorButtonObject",
                     ["Width = 23", "Height = 22", "Color = clNone", f"HotColor = {color(s['hot'])}",
                      f"PressedColor = {color(s['pressed'])}", f"FocusedColor = {color(s['pressed'])}",
                      "DisabledColor = clNone"] + font("HotFont", s["text"]) + font("PressedFont", s["text"]) +
                     font("FocusedFont", s["text"]) + font("DisabledFont", muted(s))),
                 arrow_button("Chevron", s, "down"),
                 obj("FlatChevron", "TSeBitmapSkinObject",
                     ["Width = 8", "Height = 8", "TileStyle = tsCenter"] + link("Bitmap", "Controls", 73, 16, 8, 8)),
                 text_object("Text", s, (23, 22), "taCenter")])
    edit_frame = lambda: obj("Frame", "TSeActiveBitmapBoxObject",
                             ["Align = saClient", "Width = 120", "Height = 21"] + box(80, 0) +
                             link("FocusedBitmap", "Controls", 96, 0, 16, 16))
    # The colours and text colours the memo, mask edit and views take from a skin.
    edit = obj("Edit", "TSeSkinObject", [f"Color = {color(s['window'])}", "Width = 120", "Height = 21"],
               [edit_frame(), text_object("Text", s, (120, 21), disabled=False)])
    listbox = obj("ListBox", "TSeSkinObject",
                  [f"Color = {color(s['window'])}", "Width = 120", "Height = 97"] + font("Font", s["text"]),
                  [edit_frame(),
                   obj("Item", "TSeColorButtonObject",
                       ["Width = 120", "Height = 16", "Color = clNone", f"FocusedColor = {color(s['accent'])}",
                        f"PressedColor = {color(mix(s['accent'], s['window'], 0.6))}", "HotColor = clNone",
                        "DisabledColor = clNone"] + font("Font", s["text"]) +
                       font("FocusedFont", s["window"] if s["window"][0] > 128 else s["text"]) +
                       font("PressedFont", s["text"]) + font("HotFont", s["text"]) +
                       font("DisabledFont", muted(s)))] + marks(s))
    combo = obj("ComboBox", "TSeSkinObject", [f"Color = {color(s['window'])}", "Width = 120", "Height = 21"],
                [edit_frame(), arrow_button("Button", s, "down"), text_object("Text", s, (120, 21), disabled=False)])
    check = obj("CheckBox", "TSeSkinObject", ["Color = clNone", "Width = 13", "Height = 13"],
                marks(s) + [text_object("Text", s)])
    radio = obj("RadioButton", "TSeSkinObject", ["Color = clNone", "Width = 13", "Height = 13"],
                [obj("Unchecked", "TSeBitmapSkinObject", ["Width = 13", "Height = 13"] +
                     link("Bitmap", "Controls", 39, 16, 13, 13)),
                 obj("Checked", "TSeBitmapSkinObject", ["Width = 13", "Height = 13"] +
                     link("Bitmap", "Controls", 52, 16, 13, 13)),
                 text_object("Text", s)])
    group = obj("GroupBox", "TSeSkinObject", ["Color = clNone", "Width = 185", "Height = 105"],
                [obj("Frame", "TSeBitmapBoxObject", ["Width = 185", "Height = 105", "MarginLeft = 2",
                                                     "MarginTop = 2", "MarginRight = 2", "MarginBottom = 2",
                                                     "TileStyle = tsStretch", "BorderTileStyle = tsStretch"] +
                     link("Bitmap", "Controls", 80, 56, 16, 16)),
                 obj("Caption", "TSeActiveObject", ["Color = clNone", "ActiveColor = clNone", "Width = 100",
                                                    "Height = 16"] +
                     font("Font", s["accent"] if s["window"][0] > 128 else s["title_text"], True) +
                     font("ActiveFont", s["accent"] if s["window"][0] > 128 else s["title_text"], True))])
    label = obj("Label", "TSeTextObject", ["Color = clNone", "Width = 80", "Height = 16"] + font("Font", s["text"]) +
                state_fonts(s) + font("FontDisabled", muted(s)))
    status = obj("StatusBar", "TSeSkinObject", [f"Color = {color(s['face_bottom'])}", "Width = 200", "Height = 20"],
                 [obj("Frame", "TSeBitmapObject", ["Align = saClient", "Width = 200", "Height = 20"] + box(96, 56, m=1)),
                  obj("Panel", "TSeBitmapObject", ["Width = 50", "Height = 20"] + box(112, 56, m=1) +
                      font("Font", s["text"])),
                  obj("Gripper", "TSeBitmapSkinObject", ["Width = 12", "Height = 12", "TileStyle = tsCenter"] +
                      link("Bitmap", "Controls", 0, 72, 12, 12))])
    controlbar = obj("ControlBar", "TSeSkinObject", ["Color = clNone", "Width = 200", "Height = 30"],
                     [obj("Back", "TSeBitmapObject", ["Width = 200", "Height = 30"] + link("Bitmap", "Controls", 112, 72, 16, 16) +
                          ["TileStyle = tsStretch"]),
                      obj("Frame", "TSeBitmapObject", ["Width = 100", "Height = 26"] + box(8, 88, m=2)),
                      obj("Grabber", "TSeBitmapObject", ["Width = 6", "Height = 22", "TileStyle = tsStretch"] +
                          link("Bitmap", "Controls", 0, 88, 6, 16))])
    progress = obj("ProgressBar", "TSeSkinObject", ["Color = clNone", "Width = 150", "Height = 16"],
                   [obj("Frame", "TSeBitmapObject", ["Align = saClient", "Width = 150", "Height = 16"] + box(48, 32, 12, 12, 2)),
                    obj("Bar", "TSeBitmapObject", ["Width = 146", "Height = 12"] + box(60, 32, 12, 12, 1)),
                    obj("BarHorz", "TSeBitmapObject", ["Width = 146", "Height = 12"] + box(60, 32, 12, 12, 1)),
                    obj("BarVert", "TSeBitmapObject", ["Width = 12", "Height = 146"] + box(104, 32, 12, 12, 1))])
    track = obj("TrackBar", "TSeSkinObject", ["Color = clNone", "Width = 150", "Height = 30"],
                [obj("Track", "TSeBitmapObject", ["Width = 150", "Height = 4"] + link("Bitmap", "Controls", 72, 32, 8, 4) +
                     ["TileStyle = tsStretch"]),
                 obj("Highlight", "TSeBitmapObject", ["Width = 150", "Height = 4"] + link("Bitmap", "Controls", 72, 36, 8, 4) +
                     ["TileStyle = tsStretch"]),
                 obj("Thumb", "TSeButtonObject", ["Width = 11", "Height = 19"] + link("Bitmap", "Controls", 80, 32, 11, 19) +
                     ["TileStyle = tsStretch"] + link("BitmapHot", "Controls", 91, 32, 11, 19) +
                     link("BitmapPressed", "Controls", 91, 32, 11, 19) +
                     link("BitmapFocused", "Controls", 91, 32, 11, 19)),
                 obj("Frame", "TSeSkinObject", ["Color = clNone", "Width = 150", "Height = 30", "MarginLeft = 8",
                                                "MarginTop = 6", "MarginRight = 8", "MarginBottom = 6"]),
                 obj("TrackVert", "TSeBitmapObject", ["Width = 4", "Height = 150"] + link("Bitmap", "Controls", 24, 88, 4, 8) +
                     ["TileStyle = tsStretch"]),
                 obj("HighlightVert", "TSeBitmapObject", ["Width = 4", "Height = 150"] +
                     link("Bitmap", "Controls", 28, 88, 4, 8) + ["TileStyle = tsStretch"]),
                 obj("ThumbVert", "TSeButtonObject", ["Width = 19", "Height = 11"] + link("Bitmap", "Controls", 32, 88, 19, 11) +
                     ["TileStyle = tsStretch"] + link("BitmapHot", "Controls", 51, 88, 19, 11) +
                     link("BitmapPressed", "Controls", 51, 88, 19, 11) +
                     link("BitmapFocused", "Controls", 51, 88, 19, 11)),
                 obj("FrameVert", "TSeSkinObject", ["Color = clNone", "Width = 30", "Height = 150", "MarginLeft = 6",
                                                    "MarginTop = 8", "MarginRight = 6", "MarginBottom = 8"])])
    tabs = obj("Tabs", "TSeSkinObject", [f"Color = {color(s['client'])}", "Width = 289", "Height = 193"],
               [obj("Tab", "TSeButtonBitmapBoxObject", ["Width = 60", "Height = 20"] + box(0, 56, m=3) +
                    link("HotBitmap", "Controls", 16, 56, 16, 16) + link("PressedBitmap", "Controls", 32, 56, 16, 16) +
                    link("FocusedBitmap", "Controls", 32, 56, 16, 16) +
                    link("DisabledBitmap", "Controls", 48, 56, 16, 16)),
                obj("Frame", "TSeBitmapObject", ["Width = 289", "Height = 173"] + box(64, 56, m=2)),
                text_object("Text", s, (60, 20), "taCenter"),
                arrow_button("LeftButton", s, "left"), arrow_button("RightButton", s, "right")])
    scroll = obj("ScrollBar", "TSeSkinObject", ["Color = clNone", "Width = 16", "Height = 120"],
                 [obj("Frame", "TSeBitmapObject", ["Width = 16", "Height = 120"] + link("Bitmap", "Controls", 97, 16, 16, 16) +
                      ["TileStyle = tsStretch"]),
                  obj("VertFrame", "TSeBitmapObject", ["Width = 16", "Height = 120"] + box(97, 16, m=1)),
                  obj("HorzFrame", "TSeBitmapObject", ["Width = 120", "Height = 16"] + box(113, 16, 15, 16, m=1)),
                  arrow_button("TopButton", s, "up"), arrow_button("BottomButton", s, "down"),
                  arrow_button("LeftButton", s, "left"), arrow_button("RightButton", s, "right"),
                  obj("Slider", "TSeButtonObject", ["Width = 16", "Height = 30"] + box(0, 32, m=3) +
                      link("BitmapHot", "Controls", 16, 32, 16, 16) + link("BitmapPressed", "Controls", 32, 32, 16, 16))])
    spin = obj("SpinButton", "TSeSkinObject", ["Color = clNone", "Width = 15", "Height = 21"],
               [obj("Face", "TSeButtonBitmapBoxObject", ["Width = 15", "Height = 10"] + box(0, 0, m=3) +
                    face_links((("HotBitmap", "hot"), ("PressedBitmap", "pressed"), ("DisabledBitmap", "disabled"))))])
    toolbar = obj("ToolBar", "TSeSkinObject", ["Color = clNone", "Width = 200", "Height = 26"],
                  [obj("Frame", "TSeBitmapObject", ["Width = 200", "Height = 26"] + link("Bitmap", "Controls", 16, 72, 16, 16) +
                       ["TileStyle = tsStretch"])])
    menu_item = lambda: obj("Item", "TSeActiveSkinObject",
                            ["Color = clNone", f"ActiveColor = {color(mix(s['accent'], s['window'], 0.6))}",
                             "Width = 60", "Height = 19", "TextAlign = taCenter",
                             "TextMarginLeft = 6", "TextMarginRight = 6"] + font("Font", s["text"]) +
                            font("ActiveFont", s["text"]))
    # A maximized MDI child's buttons in the bar: the caption buttons' pictures.
    mdi_button = lambda name, col: obj(name, "TSeButtonObject",
                                       ["Width = 18", "Height = 18"] + box(col * 18, 0, 18, 18, m=3, pic="CaptionButtons") +
                                       link("BitmapHot", "CaptionButtons", col * 18, 18, 18, 18) +
                                       link("BitmapPressed", "CaptionButtons", col * 18, 36, 18, 18))
    menubar = obj("MenuBar", "TSeSkinObject", ["Color = clNone", "Width = 200", "Height = 21"],
                  [obj("Frame", "TSeBitmapObject", ["Width = 200", "Height = 21", "MarginLeft = 1", "MarginTop = 1",
                                                    "MarginRight = 1", "MarginBottom = 1"] +
                       link("Bitmap", "Controls", 16, 72, 16, 16) + ["TileStyle = tsStretch", "BorderTileStyle = tsStretch"]),
                   obj("ToolbarFrame", "TSeBitmapObject", ["Width = 200", "Height = 21"] +
                       link("Bitmap", "Controls", 112, 72, 16, 16) + ["TileStyle = tsStretch"]),
                   menu_item(),
                   obj("ToolbarItem", "TSeActiveSkinObject",
                       ["Color = clNone", f"ActiveColor = {color(s['hot'])}", "Width = 60", "Height = 19",
                        "TextAlign = taCenter", "TextMarginLeft = 6", "TextMarginRight = 6"] + font("Font", s["text"]) + font("ActiveFont", s["text"])),
                   mdi_button("Close", 0), mdi_button("Restore", 2), mdi_button("Min", 3)])
    popup = obj("PopupMenu", "TSeSkinObject", [f"Color = {color(s['window'])}", "Width = 150", "Height = 100"],
                [obj("Frame", "TSeBitmapObject", ["Width = 150", "Height = 100", "MarginLeft = 3", "MarginTop = 3",
                                                  "MarginRight = 3", "MarginBottom = 3"] +
                     link("Bitmap", "Controls", 48, 72, 16, 16) + ["TileStyle = tsStretch", "BorderTileStyle = tsStretch"]),
                 obj("Item", "TSeActiveSkinObject",
                     ["Color = clNone", f"ActiveColor = {color(s['accent'])}", "Width = 144", "Height = 20",
                      "TextAlign = taLeft", "TextMarginLeft = 24", "TextMarginRight = 12"] + font("Font", s["text"]) +
                     font("ActiveFont", s["window"] if s["window"][0] > 128 else s["text"])),
                 obj("Separator", "TSeBitmapObject", ["Width = 144", "Height = 4"] + link("Bitmap", "Controls", 80, 72, 16, 4) +
                     ["TileStyle = tsStretch"])])
    hint = obj("Hint", "TSeBitmapObject",
               [f"Color = {color(s['hint'])}", "Width = 120", "Height = 20", "TextMarginLeft = 2"] +
               box(96, 72, m=3) + font("Font", s["text"]))
    scrollbox = obj("ScrollBox", "TSeSkinObject",
                    [f"Color = {color(s['client'])}", "Width = 185", "Height = 41"] + font("Font", s["text"]),
                    [obj("Frame", "TSeBitmapObject", ["Align = saClient", "Width = 185", "Height = 41"] + box(80, 0))])
    return [form, tool, button, speed, spin, edit, listbox, combo, check, radio, group, label, status, controlbar,
            progress, track, tabs, scroll, toolbar, menubar, popup, hint, scrollbox]


def main():
    out = sys.argv[1]
    for name, s in SKINS.items():
        folder = os.path.join(out, name)
        os.makedirs(folder, exist_ok=True)
        pictures = {"Frame": frame_picture(s), "CaptionButtons": caption_buttons(s), "Controls": controls_picture(s)}
        body = (f"SkinName = '{s['title']}'\nSkinVersion = '1.0'\nAuthor = '{s['author']}'\n"
                f"AuthorEMail = ''\nAuthorURL = ''\n\n")
        for pic, p in pictures.items():
            file = pic.lower() + ".png"
            with open(os.path.join(folder, file), "wb") as f:
                f.write(p.png())
            body += f"Bitmap '{pic}' = '{file}'\n"
        for o in objects(s):
            body += "\n" + text(o)
        with open(os.path.join(folder, "skin.txt"), "w") as f:
            f.write(body)


if __name__ == "__main__":
    main()
