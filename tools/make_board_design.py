#!/usr/bin/env python3
"""Writes the board window's design (src/board/ui/resources/Form1.design).

The fare displays and their ticket-number labels stand in five rows of ten; their
column and row positions are not evenly spaced on the real board, so they are
listed here as measured (twips)."""
import pathlib

DIGIT_LEFT = [1425, 2295, 3150, 4020, 4890, 5745, 6615, 7485, 8340, 9210]
LABEL_LEFT = [1425, 2295, 3150, 4020, 4875, 5745, 6600, 7470, 8325, 9195]
DIGIT_TOP = [600, 1170, 1740, 2280, 2835]
LABEL_TOP = [375, 945, 1500, 2055, 2610]

FULL = str.maketrans("0123456789", "０１２３４５６７８９")


def block(kind, name, props, depth=1):
    pad = "   " * depth
    lines = [f"{pad}Begin {kind} {name}"]
    for key, value in props:
        lines.append(f"{pad}   {key} = {value}")
    lines.append(f"{pad}End")
    return lines


def label_props(index, caption, left, top, visible=True):
    props = [("Index", index), ("Caption", f'"{caption}"'), ("Left", left), ("Top", top),
             ("Width", 780), ("Height", 240), ("Alignment", 2), ("BackStyle", 0),
             ("FontName", '"ＭＳ Ｐゴシック"'), ("FontSize", 11.25), ("FontBold", "True"),
             ("FontCharset", 128), ("ForeColor", "&H00FFFFFF&")]
    if not visible:
        props.append(("Visible", "False"))
    return props


def main():
    out = ["' The fare board window: borderless, client area 10350 x 4605 twips.",
           "Begin Form Form1",
           "   BorderStyle = 0",
           "   ClientWidth = 10350",
           "   ClientHeight = 4605",
           "   Picture = \"builtin:panel\""]
    out += block("M_Degit", "Degit", [("Index", 0), ("Left", 2100), ("Top", 30), ("Width", 780),
                                       ("Height", 300), ("Visible", "False")])
    for i in range(1, 51):
        r, c = divmod(i - 1, 10)
        out += block("M_Degit", "Degit", [("Index", i), ("Left", DIGIT_LEFT[c]), ("Top", DIGIT_TOP[r]),
                                           ("Width", 780), ("Height", 300)])
    out += block("Label", "lblSeiriNum", label_props(0, "１", 1185, 45, visible=False))
    for i in range(1, 51):
        r, c = divmod(i - 1, 10)
        out += block("Label", "lblSeiriNum", label_props(i, str(i).translate(FULL), LABEL_LEFT[c], LABEL_TOP[r]))
    for i, left in enumerate([5445, 5850]):
        out += block("M_Degit", "TimeDegit", [("Index", i), ("Left", left), ("Top", 30), ("Width", 390),
                                               ("Height", 300), ("Keta", 2), ("Visible", "False")])
    out += block("ChimeiCtl_B", "ChimeiCtl", [("Left", 480), ("Top", 885), ("Width", 525), ("Height", 2880),
                                              ("ForeColor", "&H0080C0FF&"), ("Appearance", 0)])
    for i in range(3):
        out += block("Image", "imgRes", [("Index", i), ("Left", 10500 + i * 120), ("Top", 4800),
                                         ("Visible", "False")])
    out += block("Timer", "Timer1", [("Interval", 1000)])
    out.append("End")
    path = pathlib.Path(__file__).resolve().parent.parent / "src/board/ui/resources/Form1.design"
    path.write_text("\n".join(out) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
