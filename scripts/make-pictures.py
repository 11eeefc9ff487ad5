#!/usr/bin/env python3
"""Draws the window's pictures and the application icon.

    scripts/make-pictures.py [OUTDIR [ICONDIR]]   (default: ui/resources data/icons)

Writes logo.jpg (98 x 40, the header's word mark), wiring.jpg (688 x 360, how the
module is wired) and icon.jpg (64 x 64, the application icon) into OUTDIR, each also
drawn at twice the size for screens of high pixel density (logo@2x.jpg, ...), and the
desktop icon into ICONDIR as a hicolor theme tree: PNG files of 48, 128 and 256 pixels
and a scalable SVG, named after the application id. Each picture is written as an
ImageMagick vector drawing (MVG) and rendered with `convert`; the SVG is written from
the same primitives. The output is stripped of metadata so that re-running gives the
same files.
"""

import os
import subprocess
import sys

APP_ID = "io.github.talmire.Talmire"
ICON_SIZES = (48, 128, 256)
# DejaVu Sans Bold rises this far above the baseline, in ems: ImageMagick hangs text from
# that line, SVG stands it on the baseline.
SANS_ASCENT = 1901 / 2048

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
SANS = os.path.join(FONT_DIR, "DejaVuSans.ttf")
SANS_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")

# Wire colours, chosen to stay apart in print and for common colour blindness.
TX_COLOUR = "#c62828"  # transmit line: red
RX_COLOUR = "#2e7d32"  # receive line: green
GND_COLOUR = "#212121"  # ground and 0 V: black
A_COLOUR = "#1565c0"  # RS485 A: blue
B_COLOUR = "#ef6c00"  # RS485 B: orange
HART_COLOUR = "#6a1b9a"  # HART loop: purple
POWER_COLOUR = "#c62828"  # +24 V: red
BOX_FILL = "#eef3f8"
MODULE_FILL = "#dfe8f1"
OUTLINE = "#37474f"


class Drawing:
    """Collects MVG primitives for one picture."""

    def __init__(self, width, height, background="white"):
        self.width = width
        self.height = height
        self.background = background
        self.lines = []
        self.svg = []

    def raw(self, text):
        self.lines.append(text)

    def rect(self, x0, y0, x1, y1, fill, stroke=OUTLINE, width=1.5, radius=0):
        self.raw("push graphic-context")
        self.raw(f"fill '{fill}' stroke '{stroke}' stroke-width {width}")
        if radius:
            self.raw(f"roundrectangle {x0},{y0} {x1},{y1} {radius},{radius}")
        else:
            self.raw(f"rectangle {x0},{y0} {x1},{y1}")
        self.raw("pop graphic-context")
        self.svg.append(
            f'<rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" rx="{radius}" '
            f'fill="{fill}" stroke="{stroke}" stroke-width="{width}"/>')

    def wire(self, points, colour, width=2.2):
        coords = " ".join(f"{x},{y}" for x, y in points)
        self.raw("push graphic-context")
        self.raw(f"fill none stroke '{colour}' stroke-width {width}")
        self.raw("stroke-linejoin round stroke-linecap round")
        self.raw(f"polyline {coords}")
        self.raw("pop graphic-context")
        self.svg.append(
            f'<polyline points="{coords}" fill="none" stroke="{colour}" stroke-width="{width}" '
            'stroke-linejoin="round" stroke-linecap="round"/>')

    def dot(self, x, y, colour, r=3.2):
        self.raw("push graphic-context")
        self.raw(f"fill '{colour}' stroke none")
        self.raw(f"circle {x},{y} {x + r},{y}")
        self.raw("pop graphic-context")

    def terminal(self, x, y):
        """A screw terminal: a small square with a ring."""
        self.raw("push graphic-context")
        self.raw(f"fill white stroke '{OUTLINE}' stroke-width 1.2")
        self.raw(f"rectangle {x - 4},{y - 4} {x + 4},{y + 4}")
        self.raw(f"circle {x},{y} {x + 1.8},{y}")
        self.raw("pop graphic-context")

    def text(self, x, y, s, size=11, colour="#212121", bold=False, anchor="west"):
        """Text whose anchor point is (x, y): west = left middle, center, east = right middle."""
        gravity = {"west": "NorthWest", "center": "North", "east": "NorthEast"}[anchor]
        font = SANS_BOLD if bold else SANS
        escaped = s.replace("\\", "\\\\").replace("'", "\\'")
        # With gravity the offsets count from the chosen edge of the picture.
        top = y - size * 0.62
        if anchor == "west":
            dx = x
        elif anchor == "east":
            dx = self.width - x
        else:
            dx = x - self.width / 2
        self.raw("push graphic-context")
        self.raw(f"font '{font}' font-size {size} fill '{colour}' stroke none")
        self.raw(f"gravity {gravity}")
        self.raw(f"text {dx:.1f},{top:.1f} '{escaped}'")
        self.raw("pop graphic-context")
        svg_anchor = {"west": "start", "center": "middle", "east": "end"}[anchor]
        svg_text = s.replace("&", "&amp;").replace("<", "&lt;")
        self.svg.append(
            f'<text x="{x}" y="{top + size * SANS_ASCENT:.2f}" font-family="DejaVu Sans" '
            f'font-weight="{"bold" if bold else "normal"}" font-size="{size}" '
            f'text-anchor="{svg_anchor}" fill="{colour}" stroke="none">{svg_text}</text>')

    def render(self, path, quality=92, scale=1):
        # The drawing goes on the command line: Debian's ImageMagick policy refuses
        # to read "-draw @file".
        subprocess.run(
            [
                "convert", "-size", f"{self.width * scale}x{self.height * scale}",
                f"xc:{self.background}", "-draw",
                f"scale {scale},{scale}\n" + "\n".join(self.lines),
                "-strip", "-sampling-factor", "1x1", "-quality", str(quality),
                f"jpeg:{path}",
            ],
            check=True,
        )

    def render_png(self, path, side):
        """The drawing scaled to side x side pixels on a transparent background."""
        scale = side / self.width
        subprocess.run(
            [
                "convert", "-size", f"{side}x{side}", "xc:none",
                "-draw", f"scale {scale},{scale}\n" + "\n".join(self.lines),
                "-strip", "-define", "png:exclude-chunks=date,time", f"png:{path}",
            ],
            check=True,
        )

    def write_svg(self, path):
        with open(path, "w", encoding="utf-8") as out:
            out.write('<?xml version="1.0" encoding="UTF-8"?>\n')
            out.write(f'<svg xmlns="http://www.w3.org/2000/svg" width="{self.width}" '
                      f'height="{self.height}" viewBox="0 0 {self.width} {self.height}">\n')
            for element in self.svg:
                out.write(f"  {element}\n")
            out.write("</svg>\n")


def Logo():
    d = Drawing(98, 40)
    d.rect(0, 0, 97, 39, "white", stroke="white", width=0)
    d.text(49, 16, "TALMIRE", size=17, colour="#0d3b66", bold=True, anchor="center")
    d.rect(6, 29, 60, 32, "#c62828", stroke="#c62828", width=0)
    d.rect(64, 29, 91, 32, "#0d3b66", stroke="#0d3b66", width=0)
    return d


def Icon(background="white"):
    d = Drawing(64, 64, background=background)
    d.rect(2, 2, 61, 61, "#0d3b66", stroke="#0d3b66", width=1, radius=10)
    d.text(32, 27, "T", size=36, colour="white", bold=True, anchor="center")
    # A short square wave: the serial line.
    d.wire([(9, 52), (17, 52), (17, 45), (27, 45), (27, 52), (37, 52), (37, 45),
            (47, 45), (47, 52), (55, 52)], "#ffb300", width=3)
    return d


def Resistor(d, x, y0, y1, colour):
    """A vertical zig-zag resistor between (x, y0) and (x, y1)."""
    step = (y1 - y0) / 8
    pts = [(x, y0)]
    for i in range(1, 8):
        pts.append((x + (7 if i % 2 else -7), y0 + i * step))
    pts.append((x, y1))
    d.wire(pts, colour, width=2)


def Wiring():
    d = Drawing(688, 360)
    d.text(344, 14, "TALMIRE module wiring", size=14, bold=True, colour="#0d3b66",
           anchor="center")

    # The module in the middle, with its terminals on three sides.
    mx0, my0, mx1, my1 = 262, 42, 432, 292
    d.rect(mx0, my0, mx1, my1, MODULE_FILL, width=2, radius=6)
    d.text(347, 58, "TALMIRE", size=14, bold=True, colour="#0d3b66", anchor="center")
    d.text(347, 75, "HART / MODBUS RTU module", size=10, anchor="center")

    rs232 = {"TX": 104, "RX": 128, "GND": 152}
    rs485 = {"A": 222, "B": 246}
    hart = {"HART+": 140, "HART-": 220}
    power = {"+24V": 317, "0V": 377}

    d.text(mx0 + 10, 90, "RS232", size=10, bold=True, colour=OUTLINE)
    for name, y in rs232.items():
        d.text(mx0 + 12, y, name, size=11)
    d.text(mx0 + 10, 206, "RS485", size=10, bold=True, colour=OUTLINE)
    for name, y in rs485.items():
        d.text(mx0 + 12, y, name, size=11)
    d.text(mx1 - 10, 124, "HART", size=10, bold=True, colour=OUTLINE, anchor="east")
    for name, y in hart.items():
        d.text(mx1 - 12, y, name, size=11, anchor="east")
    d.text(347, 262, "POWER", size=10, bold=True, colour=OUTLINE, anchor="center")
    for name, x in power.items():
        d.text(x, my1 - 14, name, size=11, anchor="center")

    # PC serial port: DB9 pin 3 TXD drawn above pin 2 RXD so that the crossing shows.
    d.rect(14, 60, 132, 166, BOX_FILL, radius=5)
    d.text(73, 73, "PC serial port", size=11, bold=True, anchor="center")
    d.text(73, 87, "(DB9, COMx)", size=10, anchor="center")
    pc = {"TXD (3)": 104, "RXD (2)": 128, "GND (5)": 152}
    for name, y in pc.items():
        d.text(124, y, name, size=10, anchor="east")

    # RS485 side: a MODBUS master or a USB-RS485 adapter.
    d.rect(14, 178, 132, 262, BOX_FILL, radius=5)
    d.text(73, 191, "MODBUS master /", size=10, bold=True, anchor="center")
    d.text(73, 204, "USB-RS485 adapter", size=10, anchor="center")
    d.text(124, rs485["A"], "A (D+)", size=10, anchor="east")
    d.text(124, rs485["B"], "B (D-)", size=10, anchor="east")

    # RS232 wires: transmit goes to the PC's receive and the other way round.
    left = mx0
    d.wire([(left, rs232["TX"]), (222, rs232["TX"]), (172, pc["RXD (2)"]),
            (132, pc["RXD (2)"])], TX_COLOUR)
    d.wire([(left, rs232["RX"]), (222, rs232["RX"]), (172, pc["TXD (3)"]),
            (132, pc["TXD (3)"])], RX_COLOUR)
    d.wire([(left, rs232["GND"]), (132, pc["GND (5)"])], GND_COLOUR)
    d.text(197, 90, "TX \u2192 RX crossed", size=9, colour="#555555", anchor="center")

    # RS485 wires: A to A, B to B, as a twisted pair.
    d.wire([(left, rs485["A"]), (132, rs485["A"])], A_COLOUR)
    d.wire([(left, rs485["B"]), (132, rs485["B"])], B_COLOUR)
    d.text(197, 262, "twisted pair", size=9, colour="#555555", anchor="center")
    d.text(197, 274, "A\u2013A, B\u2013B", size=9, colour="#555555", anchor="center")

    # HART loop on the right: the loop supply drives the instrument's 4-20 mA through
    # the 250 ohm resistor; the module listens and talks across that resistor.
    rx = 560  # resistor and the loop's left leg
    px = 652  # the loop's right leg, supply + to instrument +
    d.rect(540, 36, 676, 90, BOX_FILL, radius=5)
    d.text(608, 50, "HART instrument", size=11, bold=True, anchor="center")
    d.text(608, 64, "(4-20 mA transmitter)", size=9, anchor="center")
    d.text(rx + 8, 80, "\u2212", size=11, bold=True)
    d.text(px - 8, 80, "+", size=11, bold=True, anchor="east")

    d.rect(540, 282, 676, 334, BOX_FILL, radius=5)
    d.text(608, 312, "24 V DC", size=11, bold=True, anchor="center")
    d.text(608, 325, "loop supply", size=10, anchor="center")
    d.text(rx + 8, 294, "\u2212", size=11, bold=True)
    d.text(px - 8, 294, "+", size=11, bold=True, anchor="east")

    right = mx1
    d.wire([(rx, 90), (rx, 150)], HART_COLOUR)
    Resistor(d, rx, 150, 210, HART_COLOUR)
    d.wire([(rx, 210), (rx, 282)], HART_COLOUR)
    d.wire([(px, 90), (px, 282)], HART_COLOUR)
    d.text(rx + 12, 174, "R = 250 \u03a9", size=10, bold=True)
    d.text(rx + 12, 188, "loop resistor", size=9)
    d.text(px - 4, 250, "4-20 mA", size=9, colour="#555555", anchor="east")
    d.wire([(right, hart["HART+"]), (rx, hart["HART+"])], HART_COLOUR)
    d.wire([(right, hart["HART-"]), (rx, hart["HART-"])], HART_COLOUR)
    d.dot(rx, hart["HART+"], HART_COLOUR)
    d.dot(rx, hart["HART-"], HART_COLOUR)
    d.text(496, 130, "across R", size=9, colour="#555555", anchor="center")

    # Module power from below.
    d.rect(262, 318, 432, 350, BOX_FILL, radius=5)
    d.text(347, 336, "24 V DC module supply", size=10, bold=True, anchor="center")
    d.wire([(power["+24V"], my1), (power["+24V"], 318)], POWER_COLOUR)
    d.wire([(power["0V"], my1), (power["0V"], 318)], GND_COLOUR)

    # Terminals last, so the wires end in them.
    for y in list(rs232.values()) + list(rs485.values()):
        d.terminal(left, y)
    for y in hart.values():
        d.terminal(right, y)
    for x in power.values():
        d.terminal(x, my1)
    return d


def DesktopIcons(root):
    """The application icon in a hicolor theme tree under root."""
    icon = Icon(background="none")
    for side in ICON_SIZES:
        folder = os.path.join(root, "hicolor", f"{side}x{side}", "apps")
        os.makedirs(folder, exist_ok=True)
        icon.render_png(os.path.join(folder, f"{APP_ID}.png"), side)
    folder = os.path.join(root, "hicolor", "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    icon.write_svg(os.path.join(folder, f"{APP_ID}.svg"))


def main():
    top = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "ui", "resources")
    icons = sys.argv[2] if len(sys.argv) > 2 else os.path.join(top, "data", "icons")
    os.makedirs(out, exist_ok=True)
    for scale, suffix in ((1, ""), (2, "@2x")):
        Logo().render(os.path.join(out, f"logo{suffix}.jpg"), quality=95, scale=scale)
        Wiring().render(os.path.join(out, f"wiring{suffix}.jpg"), scale=scale)
        Icon().render(os.path.join(out, f"icon{suffix}.jpg"), quality=95, scale=scale)
    DesktopIcons(icons)


if __name__ == "__main__":
    main()
