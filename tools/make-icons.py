#!/usr/bin/env python3
"""Writes the editor's toolbar and status-bar icons as 16 x 16 SVG files into
resources/icons/ and the resource list resources/zelvo.qrc.

One drawing style for all: a 16-unit grid, dark outlines 1 unit wide on
half-unit coordinates so they land on whole pixels at 16 and 24 px, a
picture motif (a framed sky with a hill) for image commands, and a small
palette of flat colours."""
import os
import sys

INK = "#2b2f36"
PAPER = "#ffffff"
SKY = "#7fb3ea"
HILL = "#4c9a4c"
SUN = "#f2c12e"
ACCENT = "#2a6fdb"
RED = "#d8453b"
GREEN = "#3aa655"
BLUE = "#3a6fd8"
GREY = "#9aa0a8"

def picture(x=2.5, y=3.5, w=11, h=9, sky=SKY, hill=HILL, sun=True):
    """The picture motif inside a frame."""
    s = f'<rect x="{x}" y="{y}" width="{w}" height="{h}" fill="{sky}" stroke="{INK}"/>'
    s += (f'<path d="M{x+0.5} {y+h-0.5} L{x+w*0.35} {y+h*0.45} L{x+w*0.6} {y+h*0.7} '
          f'L{x+w*0.75} {y+h*0.55} L{x+w-0.5} {y+h-0.5} Z" fill="{hill}"/>')
    if sun:
        s += f'<circle cx="{x+w*0.75}" cy="{y+h*0.3}" r="1.3" fill="{SUN}"/>'
    return s

def arrow(d, color=ACCENT, width=1.6):
    return f'<path d="{d}" fill="none" stroke="{color}" stroke-width="{width}" stroke-linecap="round" stroke-linejoin="round"/>'

def page(fold=True):
    return (f'<path d="M3.5 1.5 H10 L12.5 4 V14.5 H3.5 Z" fill="{PAPER}" stroke="{INK}"/>'
            + (f'<path d="M9.5 1.5 V4.5 H12.5" fill="none" stroke="{INK}"/>' if fold else ''))

ICONS = {
    # File
    "new": page() + f'<path d="M8 7 V12 M5.5 9.5 H10.5" stroke="{GREEN}" stroke-width="1.6"/>',
    "open": (f'<path d="M1.5 4.5 V13.5 H12.5 L14.5 7.5 H4.5 L2.5 13" fill="{SUN}" stroke="{INK}"/>'
             f'<path d="M1.5 4.5 L2.5 2.5 H6 L7 4.5 H11.5 V7.5" fill="none" stroke="{INK}"/>'),
    "save": (f'<rect x="2.5" y="2.5" width="11" height="11" rx="1" fill="{ACCENT}" stroke="{INK}"/>'
             f'<rect x="4.5" y="2.5" width="7" height="4" fill="{PAPER}" stroke="{INK}"/>'
             f'<rect x="5" y="9" width="6" height="4.5" fill="{GREY}"/>'),
    "print": (f'<rect x="4.5" y="1.5" width="7" height="5" fill="{PAPER}" stroke="{INK}"/>'
              f'<rect x="1.5" y="6.5" width="13" height="5" rx="1" fill="{GREY}" stroke="{INK}"/>'
              f'<rect x="4.5" y="9.5" width="7" height="5" fill="{PAPER}" stroke="{INK}"/>'
              f'<circle cx="12.5" cy="8.5" r="0.8" fill="{GREEN}"/>'),
    "thumbnail": "".join(f'<rect x="{x}" y="{y}" width="5" height="5" fill="{SKY}" stroke="{INK}"/>'
                         f'<path d="M{x+0.5} {y+4.5} L{x+2} {y+2.5} L{x+4.5} {y+4.5} Z" fill="{HILL}"/>'
                         for x in (1.5, 9.5) for y in (1.5, 9.5)),
    "slideshow": (f'<rect x="1.5" y="2.5" width="13" height="9" fill="{PAPER}" stroke="{INK}"/>'
                  f'<path d="M6.5 4.5 V9.5 L10.5 7 Z" fill="{ACCENT}"/>'
                  f'<path d="M8 11.5 V13.5 M5 14.5 H11" stroke="{INK}"/>'),
    "exit": (f'<path d="M9.5 2.5 H2.5 V13.5 H9.5" fill="none" stroke="{INK}"/>'
             + arrow("M6 8 H14 M11 5 L14 8 L11 11", RED)),
    # Edit
    "undo": arrow("M5.5 3.5 L2.5 6.5 L5.5 9.5 M2.5 6.5 H10 A3.5 3.5 0 0 1 10 13.5 H7"),
    "redo": arrow("M10.5 3.5 L13.5 6.5 L10.5 9.5 M13.5 6.5 H6 A3.5 3.5 0 0 0 6 13.5 H9"),
    "copy": (f'<rect x="1.5" y="1.5" width="8" height="10" fill="{PAPER}" stroke="{INK}"/>'
             f'<rect x="6.5" y="4.5" width="8" height="10" fill="{PAPER}" stroke="{INK}"/>'
             f'<path d="M8.5 7.5 H12.5 M8.5 9.5 H12.5 M8.5 11.5 H11" stroke="{ACCENT}"/>'),
    "paste": (f'<rect x="2.5" y="2.5" width="10" height="12" rx="1" fill="{SUN}" stroke="{INK}"/>'
              f'<rect x="5.5" y="1.5" width="4" height="2" fill="{GREY}" stroke="{INK}"/>'
              f'<rect x="6.5" y="6.5" width="7" height="8" fill="{PAPER}" stroke="{INK}"/>'),
    "mergepaste": (f'<rect x="2.5" y="2.5" width="10" height="12" rx="1" fill="{SUN}" stroke="{INK}"/>'
                   f'<rect x="5.5" y="1.5" width="4" height="2" fill="{GREY}" stroke="{INK}"/>'
                   f'<rect x="6.5" y="6.5" width="7" height="8" fill="{SKY}" stroke="{INK}" opacity="0.85"/>'
                   f'<circle cx="10" cy="10.5" r="2" fill="{RED}" opacity="0.7"/>'),
    "selectall": (f'<rect x="2.5" y="2.5" width="11" height="11" fill="none" stroke="{INK}" stroke-dasharray="2 1"/>'
                  f'<rect x="1" y="1" width="3" height="3" fill="{ACCENT}"/><rect x="12" y="1" width="3" height="3" fill="{ACCENT}"/>'
                  f'<rect x="1" y="12" width="3" height="3" fill="{ACCENT}"/><rect x="12" y="12" width="3" height="3" fill="{ACCENT}"/>'),
    "textout": (f'<path d="M3 3.5 H13 M8 3.5 V13.5 M6 13.5 H10" stroke="{INK}" stroke-width="1.8"/>'
                f'<path d="M3 3 V5 M13 3 V5" stroke="{INK}"/>'),
    # View
    "zoom": (f'<circle cx="6.5" cy="6.5" r="4.5" fill="{PAPER}" stroke="{INK}" stroke-width="1.4"/>'
             f'<path d="M10 10 L14.5 14.5" stroke="{INK}" stroke-width="2.2" stroke-linecap="round"/>'
             f'<path d="M4.5 6.5 H8.5 M6.5 4.5 V8.5" stroke="{ACCENT}" stroke-width="1.4"/>'),
    "imagesize": (f'<rect x="4.5" y="4.5" width="9" height="9" fill="{SKY}" stroke="{INK}"/>'
                  f'<path d="M1.5 4 V14 M1 4.5 H2 M1 13.5 H2 M4 1.5 H14 M4.5 1 V2 M13.5 1 V2" stroke="{RED}"/>'),
    "colorbit": (f'<rect x="1.5" y="1.5" width="6" height="6" fill="{RED}" stroke="{INK}"/>'
                 f'<rect x="8.5" y="1.5" width="6" height="6" fill="{GREEN}" stroke="{INK}"/>'
                 f'<rect x="1.5" y="8.5" width="6" height="6" fill="{BLUE}" stroke="{INK}"/>'
                 f'<rect x="8.5" y="8.5" width="6" height="6" fill="{SUN}" stroke="{INK}"/>'),
    # Image
    "resize": (picture(1.5, 5.5, 9, 8) + arrow("M9 2.5 H13.5 V7 M13.5 2.5 L9.5 6.5", RED, 1.4)),
    "crop": (f'<path d="M4.5 1 V11.5 H15 M1 4.5 H11.5 V15" fill="none" stroke="{INK}" stroke-width="1.6"/>'
             f'<rect x="5.5" y="5.5" width="5" height="5" fill="{SKY}"/>'),
    "rotate270": (picture(5.5, 6.5, 9, 8, sun=False) + arrow("M2.5 9 V5 A3 3 0 0 1 5.5 2 H9 M7 0.5 L9 2 L7 3.5", RED, 1.3)),
    "rotate90": (picture(1.5, 6.5, 9, 8, sun=False) + arrow("M13.5 9 V5 A3 3 0 0 0 10.5 2 H7 M9 0.5 L7 2 L9 3.5", RED, 1.3)),
    "rotate": (picture(3.5, 5.5, 9, 8, sun=False) + arrow("M2 6 A6.5 6.5 0 0 1 14 6 M14 2.5 V6 H10.5", RED, 1.3)),
    "mirror": (f'<path d="M7 3 L1.5 13.5 H7 Z" fill="{SKY}" stroke="{INK}"/>'
               f'<path d="M9 3 L14.5 13.5 H9 Z" fill="{PAPER}" stroke="{INK}"/>'
               f'<path d="M8 1 V15" stroke="{RED}" stroke-dasharray="1.5 1"/>'),
    "flip": (f'<path d="M3 7 L13.5 1.5 V7 Z" fill="{SKY}" stroke="{INK}"/>'
             f'<path d="M3 9 L13.5 14.5 V9 Z" fill="{PAPER}" stroke="{INK}"/>'
             f'<path d="M1 8 H15" stroke="{RED}" stroke-dasharray="1.5 1"/>'),
    "shift": (picture(2.5, 3.5, 11, 9) + arrow("M4 8 H12 M10 6 L12 8 L10 10", RED, 1.4)),
    "margin": (f'<rect x="1.5" y="1.5" width="13" height="13" fill="{PAPER}" stroke="{INK}"/>'
               + picture(4.5, 4.5, 7, 7, sun=False)),
    "progressive": "".join(f'<rect x="2.5" y="{y}" width="11" height="1.6" fill="{c}"/>'
                           for y, c in ((2.5, INK), (5.5, GREY), (8.5, INK), (11.5, GREY)))
                   + f'<rect x="1.5" y="1.5" width="13" height="13" fill="none" stroke="{INK}"/>',
    "transparent": "".join(f'<rect x="{1.5+4*i}" y="{1.5+4*j}" width="4" height="4" fill="{GREY if (i+j)%2 else PAPER}"/>'
                           for i in range(3) for j in range(3))
                   + f'<rect x="1.5" y="1.5" width="12" height="12" fill="none" stroke="{INK}"/>'
                   + f'<path d="M10 14.5 L14.5 10" stroke="{ACCENT}" stroke-width="2"/>',
    # Colour
    "brightness": (f'<circle cx="8" cy="8" r="3" fill="{SUN}" stroke="{INK}"/>'
                   + "".join(f'<path d="M{8+5*dx} {8+5*dy} L{8+6.5*dx} {8+6.5*dy}" stroke="{INK}" stroke-width="1.3" stroke-linecap="round"/>'
                             for dx, dy in ((1,0),(-1,0),(0,1),(0,-1),(0.7,0.7),(-0.7,0.7),(0.7,-0.7),(-0.7,-0.7)))),
    "contrast": (f'<circle cx="8" cy="8" r="6" fill="{PAPER}" stroke="{INK}"/>'
                 f'<path d="M8 2 A6 6 0 0 1 8 14 Z" fill="{INK}"/>'),
    "rgb": (f'<circle cx="6" cy="6" r="4" fill="{RED}" opacity="0.85"/>'
            f'<circle cx="10" cy="6" r="4" fill="{GREEN}" opacity="0.85"/>'
            f'<circle cx="8" cy="10" r="4" fill="{BLUE}" opacity="0.85"/>'),
    "gamma": (f'<rect x="1.5" y="1.5" width="13" height="13" fill="{PAPER}" stroke="{INK}"/>'
              + arrow("M2 14 Q4 4 14 2", ACCENT, 1.5)),
    "swaprgb": (f'<rect x="1.5" y="2.5" width="5" height="5" fill="{RED}" stroke="{INK}"/>'
                f'<rect x="9.5" y="8.5" width="5" height="5" fill="{BLUE}" stroke="{INK}"/>'
                + arrow("M8 4 H13 V6.5 M8 12 H3 V9.5", INK, 1.2)),
    "grayscale": "".join(f'<rect x="{1.5+3.25*i}" y="2.5" width="3.25" height="11" fill="{c}"/>'
                         for i, c in enumerate(("#222222", "#666666", "#aaaaaa", "#eeeeee")))
                 + f'<rect x="1.5" y="2.5" width="13" height="11" fill="none" stroke="{INK}"/>',
    "sepia": picture(2.5, 3.5, 11, 9, sky="#e3c9a0", hill="#8a6a40"),
    "negative": (f'<rect x="1.5" y="2.5" width="13" height="11" fill="{PAPER}" stroke="{INK}"/>'
                 f'<path d="M1.5 13.5 L14.5 2.5 V13.5 Z" fill="{INK}"/>'
                 f'<circle cx="8" cy="8" r="2.5" fill="{SUN}" stroke="{INK}"/>'),
    "xor": (f'<rect x="1.5" y="1.5" width="9" height="9" fill="{SKY}" stroke="{INK}"/>'
            f'<rect x="5.5" y="5.5" width="9" height="9" fill="{SUN}" stroke="{INK}"/>'
            f'<rect x="5.5" y="5.5" width="5" height="5" fill="{PAPER}" stroke="{INK}"/>'),
    "hsv": "".join(f'<path d="M8 8 L{8+6.5*x1} {8+6.5*y1} A6.5 6.5 0 0 1 {8+6.5*x2} {8+6.5*y2} Z" fill="{c}"/>'
                   for (x1, y1, x2, y2, c) in ((1,0,-0.5,0.866,RED), (-0.5,0.866,-0.5,-0.866,GREEN), (-0.5,-0.866,1,0,BLUE)))
           + f'<circle cx="8" cy="8" r="6.5" fill="none" stroke="{INK}"/>',
    "monochrome": (f'<rect x="1.5" y="2.5" width="13" height="11" fill="{PAPER}" stroke="{INK}"/>'
                   f'<path d="M2 13 L6 6 L9 10 L11 7.5 L14 13 Z" fill="{INK}"/>'),
    "posterize": "".join(f'<rect x="1.5" y="{1.5+3.25*i}" width="13" height="3.25" fill="{c}"/>'
                         for i, c in enumerate(("#1d4e89", "#3a7bd5", "#7fb3ea", "#cfe3f8")))
                 + f'<rect x="1.5" y="1.5" width="13" height="13" fill="none" stroke="{INK}"/>',
    "solarization": (f'<circle cx="8" cy="8" r="6" fill="{SUN}" stroke="{INK}"/>'
                     f'<path d="M8 2 A6 6 0 0 1 8 14 A3 6 0 0 0 8 2 Z" fill="{INK}"/>'),
    "gradation": ('<defs><linearGradient id="g" x1="0" x2="1"><stop offset="0" stop-color="#1d2f8a"/>'
                  '<stop offset="1" stop-color="#f2f5ff"/></linearGradient></defs>'
                  f'<rect x="1.5" y="2.5" width="13" height="11" fill="url(#g)" stroke="{INK}"/>'),
    # Effects
    "blur": (f'<circle cx="9.5" cy="8" r="4" fill="{ACCENT}"/>'
             f'<circle cx="7.5" cy="8" r="4" fill="{ACCENT}" opacity="0.45"/>'
             f'<circle cx="5.5" cy="8" r="4" fill="{ACCENT}" opacity="0.25"/>'),
    "noise": (f'<rect x="1.5" y="1.5" width="13" height="13" fill="{PAPER}" stroke="{INK}"/>'
              + "".join(f'<rect x="{x}" y="{y}" width="1.5" height="1.5" fill="{INK}"/>'
                        for x, y in ((3,3),(7,4),(11,3),(5,7),(9,8),(12,11),(3,11),(7,12),(10,5),(4,9)))),
    "spray": (f'<rect x="2.5" y="6.5" width="5" height="8" rx="1" fill="{RED}" stroke="{INK}"/>'
              f'<rect x="3.5" y="4.5" width="3" height="2" fill="{GREY}" stroke="{INK}"/>'
              + "".join(f'<circle cx="{x}" cy="{y}" r="0.7" fill="{INK}"/>'
                        for x, y in ((10,3),(12,5),(10,6),(13,2.5),(12,8),(14,6),(11,9.5)))),
    "button3d": (f'<rect x="1.5" y="1.5" width="13" height="13" fill="{GREY}" stroke="{INK}"/>'
                 f'<path d="M2 2 H14 L12 4 H4 V12 L2 14 Z" fill="{PAPER}"/>'
                 f'<path d="M14 14 H2 L4 12 H12 V4 L14 2 Z" fill="#5a6068"/>'
                 f'<rect x="4" y="4" width="8" height="8" fill="{SKY}"/>'),
    "mosaic": "".join(f'<rect x="{1.5+3.25*i}" y="{1.5+3.25*j}" width="3.25" height="3.25" fill="{c}"/>'
                      for i in range(4) for j in range(4)
                      for c in [(SKY, "#4f8fd8", HILL, "#8ccf8c")[(i * 3 + j * 5) % 4]])
              + f'<rect x="1.5" y="1.5" width="13" height="13" fill="none" stroke="{INK}"/>',
    "wave": (arrow("M1.5 5 Q4 2 6.5 5 T11.5 5 T16 5", ACCENT, 1.5)
             + arrow("M1.5 10 Q4 7 6.5 10 T11.5 10 T16 10", ACCENT, 1.5)),
    "block": "".join(f'<rect x="{x}" y="{y}" width="6" height="3" fill="{SUN}" stroke="{INK}"/>'
                     for x, y in ((1.5,2.5),(8.5,2.5),(4.5,6.5),(11.5,6.5),(1.5,10.5),(8.5,10.5))),
    "fadeout": ("".join(f'<rect x="{1.5+i}" y="{2.5+i}" width="{13-2*i}" height="{11-2*i}" fill="{c}"/>'
                        for i, c in enumerate(("#ffffff", "#e4eefa", "#c6dcf4", "#a6c8ef", "#7fb3ea")))
                + f'<rect x="1.5" y="2.5" width="13" height="11" fill="none" stroke="{INK}"/>'),
    "glass": (picture(1.5, 2.5, 13, 11, sun=False)
              + "".join(f'<path d="M{x} 2.5 V13.5" stroke="{PAPER}" stroke-width="0.8" opacity="0.9"/>' for x in (5, 8.5, 12))),
    "sketch": (f'<path d="M2 14 L3 11 L11.5 2.5 L13.5 4.5 L5 13 Z" fill="{SUN}" stroke="{INK}"/>'
               f'<path d="M2 14 L3 11 L5 13 Z" fill="{INK}"/><path d="M10.5 3.5 L12.5 5.5" stroke="{INK}"/>'),
    "oilpaint": (f'<path d="M9.5 1.5 L14.5 6.5 L9 12 L4 7 Z" fill="#b07a3a" stroke="{INK}"/>'
                 f'<path d="M4 7 L9 12 L5.5 15 Q3 15.5 1.5 14.5 Q0.5 13 1 10.5 Z" fill="{RED}" stroke="{INK}"/>'),
    "vortex": arrow("M8 8 m0 -1 a1 1 0 1 1 -1 1 a2.5 2.5 0 1 1 2.5 2.5 a4 4 0 1 1 -4 -4 a5.5 5.5 0 1 1 5.5 5.5", ACCENT, 1.2),
    # Slide-show bar
    "stop": f'<rect x="3.5" y="3.5" width="9" height="9" fill="{RED}" stroke="{INK}"/>',
    "previous": f'<path d="M11.5 2.5 L4.5 8 L11.5 13.5 Z" fill="{ACCENT}" stroke="{INK}"/>',
    "next": f'<path d="M4.5 2.5 L11.5 8 L4.5 13.5 Z" fill="{ACCENT}" stroke="{INK}"/>',
    # Program
    "zelvo": (picture(1.5, 2.5, 13, 11)
              + f'<path d="M4 11 Q8 6 12 11 Z" fill="#2e7d32" stroke="{INK}" stroke-width="0.6"/>'),
}

def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    icons = os.path.join(root, "icons")
    os.makedirs(icons, exist_ok=True)
    for name, body in sorted(ICONS.items()):
        with open(os.path.join(icons, name + ".svg"), "w") as f:
            f.write('<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">'
                    + body + "</svg>\n")
    with open(os.path.join(root, "zelvo.qrc"), "w") as f:
        f.write('<!DOCTYPE RCC>\n<RCC version="1.0">\n  <qresource prefix="/">\n')
        for name in sorted(ICONS):
            f.write(f'    <file>icons/{name}.svg</file>\n')
        f.write("  </qresource>\n</RCC>\n")
    print(f"{len(ICONS)} icons")

if __name__ == "__main__":
    sys.exit(main())
