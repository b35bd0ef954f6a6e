#!/usr/bin/env python3
"""Turns a Lattrix SVG export into a Dia document with the same boxes, lines,
texts and routes, so that Dia (which lays nothing out) can be timed drawing
the very diagram lattrix-export drew. Dia's PNG export draws 20 pixels per
centimetre, so pixel coordinates become centimetres over 20.

usage: svg_to_dia.py IN.svg OUT.dia
"""
import sys
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape

SVG = "{http://www.w3.org/2000/svg}"
PX = 20.0


def pt(x, y):
    return f"{float(x) / PX:.4f},{float(y) / PX:.4f}"


def main(src, dst):
    root = ET.parse(src).getroot()
    out = []
    ids = iter(range(1 << 30))

    def obj(kind, attrs):
        out.append(f'<dia:object type="{kind}" version="0" id="O{next(ids)}">{attrs}</dia:object>')

    def poly(points, closed=False):
        pts = "".join(f'<dia:point val="{pt(x, y)}"/>' for x, y in points)
        kind = "Standard - Polygon" if closed else "Standard - PolyLine"
        extra = '<dia:attribute name="show_background"><dia:boolean val="false"/></dia:attribute>' if closed else ""
        obj(kind, f'<dia:attribute name="poly_points">{pts}</dia:attribute>{extra}')

    for g in root.iter(SVG + "g"):
        cls = g.get("class", "")
        if cls == "class":
            for r in g.findall(SVG + "rect"):
                x, y, w, h = (float(r.get(k)) for k in ("x", "y", "width", "height"))
                obj("Standard - Box",
                    f'<dia:attribute name="elem_corner"><dia:point val="{pt(x, y)}"/></dia:attribute>'
                    f'<dia:attribute name="elem_width"><dia:real val="{w / PX:.4f}"/></dia:attribute>'
                    f'<dia:attribute name="elem_height"><dia:real val="{h / PX:.4f}"/></dia:attribute>'
                    '<dia:attribute name="show_background"><dia:boolean val="false"/></dia:attribute>')
            for ln in g.findall(SVG + "line"):
                poly([(ln.get("x1"), ln.get("y1")), (ln.get("x2"), ln.get("y2"))])
            for span in g.iter(SVG + "tspan"):
                text = escape(span.text or "")
                pos = pt(span.get("x"), span.get("y"))
                obj("Standard - Text",
                    f'<dia:attribute name="obj_pos"><dia:point val="{pos}"/></dia:attribute>'
                    '<dia:attribute name="text"><dia:composite type="text">'
                    f'<dia:attribute name="string"><dia:string>#{text}#</dia:string></dia:attribute>'
                    '<dia:attribute name="font"><dia:font family="sans" style="0" name="Helvetica"/></dia:attribute>'
                    '<dia:attribute name="height"><dia:real val="0.8"/></dia:attribute>'
                    f'<dia:attribute name="pos"><dia:point val="{pos}"/></dia:attribute>'
                    '<dia:attribute name="color"><dia:color val="#000000"/></dia:attribute>'
                    '<dia:attribute name="alignment"><dia:enum val="0"/></dia:attribute>'
                    '</dia:composite></dia:attribute>')
        elif cls.startswith("connector"):
            for pl in g.findall(SVG + "polyline"):
                pts = [p.split(",") for p in pl.get("points", "").split()]
                if len(pts) >= 2:
                    poly(pts)
            for path in g.findall(SVG + "path"):
                pieces, cur = [], None
                for tok in path.get("d", "").split():
                    if tok == "Z":
                        continue
                    if tok[0] == "M":
                        cur = []
                        pieces.append(cur)
                    cur.append(tok[1:].split(","))
                closed = path.get("d", "").endswith("Z")
                for piece in pieces:
                    poly(piece, closed)

    with open(dst, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<dia:diagram xmlns:dia="http://www.lysator.liu.se/~alla/dia/">'
                '<dia:layer name="Background" visible="true" active="true">')
        f.write("\n".join(out))
        f.write("</dia:layer></dia:diagram>\n")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
