#!/usr/bin/env python3
"""Writes the four gesture illustration sheets as SVG into assets/.

Every pose is a 21-point hand skeleton in the tracker's landmark order (wrist, then thumb,
index, middle, ring and little finger from base to tip), built from per-finger states and
drawn by the same rules: a rounded palm, fingers as thick round-capped strokes, one outline
weight, one palette. A new pose is a new set of finger states, not a new drawing.
Usage: tools/guide_sheets.py [OUT_DIR]   (default: assets)
"""
import math
import pathlib
import sys

CELL_W, CELL_H = 320, 256
SCALE = 84.0             # pixels per hand unit (the wrist-to-knuckle distance is about 1)
FINGER_W = 0.24          # finger stroke width in hand units
THUMB_W = 0.26
PALM_ROUND = 0.22        # extra stroke that rounds the palm polygon
OUTLINE = 0.07           # outline weight, each side
PALETTE = {"background": "#eef3f8", "skin": "#ffd2ad", "fold": "#f4b98f",
           "outline": "#4a3328", "sleeve": "#4f7dd8"}

# Knuckle (MCP) position, direction in degrees from vertical (positive leans right) and
# phalanx lengths of the four fingers; the picture is the user's own right hand, thumb left.
FINGERS = {
    "index": ((-0.36, 0.95), -12.0, (0.47, 0.28, 0.22)),
    "middle": ((-0.12, 1.00), -2.0, (0.52, 0.31, 0.23)),
    "ring": ((0.12, 0.97), 8.0, (0.47, 0.28, 0.22)),
    "little": ((0.34, 0.87), 18.0, (0.37, 0.22, 0.19)),
}
WRIST = (0.0, 0.0)
THUMB_CMC = (-0.36, 0.27)
THUMB = {  # MCP, IP, tip for each thumb state
    "out": ((-0.62, 0.50), (-0.82, 0.71), (-0.97, 0.90)),
    "up": ((-0.56, 0.58), (-0.60, 1.00), (-0.60, 1.45)),
    "tucked": ((-0.42, 0.52), (-0.20, 0.64), (0.02, 0.64)),
}


def skeleton(thumb, extended):
    """21 landmarks for a thumb state and the set of extended fingers."""
    points = [WRIST, THUMB_CMC, *THUMB[thumb]]
    for name, (mcp, angle, lengths) in FINGERS.items():
        dx, dy = math.sin(math.radians(angle)), math.cos(math.radians(angle))
        if name in extended:
            reach = [lengths[0], sum(lengths[:2]), sum(lengths)]
        else:  # folded towards the palm: only the knuckle stands out
            reach = [0.20, 0.06, -0.08]
        points += [mcp] + [(mcp[0] + dx * r, mcp[1] + dy * r) for r in reach]
    return points


POSES = {
    "one": skeleton("tucked", {"index"}),
    "two": skeleton("tucked", {"index", "middle"}),
    "three": skeleton("tucked", {"index", "middle", "ring"}),
    "fist": skeleton("tucked", set()),
    "thumb_up": skeleton("up", set()),
    "index_little": skeleton("tucked", {"index", "little"}),
    "open": skeleton("out", {"index", "middle", "ring", "little"}),
}

# File name and the pose in each cell; None leaves a cell blank (no pose refers to it).
SHEETS = [
    ("finger-poses", ["one", None, "two"]),
    ("grab-open", ["open"]),
    ("three-fingers", ["three"]),
    ("custom-poses", ["fist", "thumb_up", "index_little"]),
]

FINGER_CHAINS = [[1, 2, 3, 4], [5, 6, 7, 8], [9, 10, 11, 12], [13, 14, 15, 16], [17, 18, 19, 20]]


def is_extended(points, chain):
    tip, base = points[chain[-1]], points[chain[0]]
    return math.dist(tip, base) > 0.4


def path(points, chain):
    return "M" + " L".join(f"{points[i][0]:.3f},{points[i][1]:.3f}" for i in chain)


def stroke(d, colour, width, fill="none"):
    return (f'<path d="{d}" fill="{fill}" stroke="{colour}" stroke-width="{width:.3f}" '
            'stroke-linecap="round" stroke-linejoin="round"/>')


def hand(points):
    """The drawing of one skeleton in hand units: the outline of the whole silhouette, the palm and
    sleeve, then each extended digit with its own outline from the palm's edge up (so neighbours
    stay apart), then the folded fingers and a tucked thumb on top."""
    palm = [(-0.30, 0.02), points[1], points[5], points[9], points[13], points[17], (0.30, 0.02)]
    palm_d = "M" + " L".join(f"{x:.3f},{y:.3f}" for x, y in palm) + " Z"
    thumb_over_palm = points[4][0] > points[2][0]
    out_fingers = [c for c in FINGER_CHAINS[1:] if is_extended(points, c)]
    if not thumb_over_palm:
        out_fingers.insert(0, FINGER_CHAINS[0])
    folded = [c for c in FINGER_CHAINS[1:] if not is_extended(points, c)]
    width = lambda chain: THUMB_W if chain[0] == 1 else FINGER_W
    o, p = PALETTE["outline"], PALETTE
    sleeve = '<rect x="-0.40" y="-0.62" width="0.80" height="0.52" rx="0.10"'
    parts = [
        f'{sleeve} fill="{o}" stroke="{o}" stroke-width="{2 * OUTLINE:.3f}"/>',
        stroke(palm_d, o, PALM_ROUND + 2 * OUTLINE, o),
        *(stroke(path(points, c), o, width(c) + 2 * OUTLINE) for c in out_fingers),
        f'{sleeve} fill="{p["sleeve"]}"/>',
        stroke(palm_d, p["skin"], PALM_ROUND, p["skin"]),
    ]
    for c in out_fingers[::-1]:
        base, next_joint = points[c[0]], points[c[1]]
        edge = [base[0] + 0.25 * (next_joint[0] - base[0]), base[1] + 0.25 * (next_joint[1] - base[1])]
        outline_d = f"M{edge[0]:.3f},{edge[1]:.3f} L" + path(points, c[1:])[1:]
        parts += [stroke(outline_d, o, width(c) + 2 * OUTLINE), stroke(path(points, c), p["skin"], width(c))]
    for c in folded[::-1]:
        parts += [stroke(path(points, c), o, FINGER_W + 2 * OUTLINE), stroke(path(points, c), p["fold"], FINGER_W)]
    if thumb_over_palm:
        chain = FINGER_CHAINS[0][1:]
        parts += [stroke(path(points, chain), o, THUMB_W + 2 * OUTLINE), stroke(path(points, chain), p["skin"], THUMB_W)]
    return parts


def extent(points):
    xs = [x for x, _ in points] + [-0.5, 0.5]
    ys = [y for _, y in points] + [-0.62]
    return min(xs), max(xs), min(ys), max(ys)


def sheet(cells):
    width = CELL_W * len(cells)
    body = [f'<rect width="{width}" height="{CELL_H}" fill="{PALETTE["background"]}"/>']
    for i, pose in enumerate(cells):
        if pose is None:
            continue
        points = POSES[pose]
        left, right, bottom, top = extent(points)
        # Every pose at one scale, its drawing centred in its cell.
        cx = CELL_W * i + CELL_W / 2 - SCALE * (left + right) / 2
        cy = CELL_H / 2 + SCALE * (bottom + top) / 2
        body.append(f'<g transform="translate({cx:.1f},{cy:.1f}) scale({SCALE},{-SCALE})">')
        body += ["  " + part for part in hand(points)]
        body.append("</g>")
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{CELL_H}" '
            f'viewBox="0 0 {width} {CELL_H}">\n' + "\n".join(body) + "\n</svg>\n")


def main():
    out = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "assets")
    out.mkdir(parents=True, exist_ok=True)
    for name, cells in SHEETS:
        (out / f"{name}.svg").write_text(sheet(cells))


if __name__ == "__main__":
    main()
