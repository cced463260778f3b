#!/usr/bin/env python3
"""Writes the second zone's level file, assets/Levels/l1z2.kvl, from the tables below.

Run from the repository root:  python3 tools/levels/make_l1z2.py > assets/Levels/l1z2.kvl
The build does not run it; the level file it writes is committed. The output is the same on every run.

The track runs along +Z: a side-view opening that ends at the Phantom, a top-view stretch, a side-view
climb to the PsychoSide, then the chase view with an orbit and the PsychoRear at the end. Every event is
given by (segment, distance from the segment's start) and every spawn by its distances ahead, to the side
and up from the rail point of its event. The script checks the rules a level must keep to be played
through (events clear of the corners, spawns in the view's plane, boss arenas without a view change) and
stops with a message naming the broken rule.
"""

import math
import random
import sys

CHASE, SIDE, TOP, ORBIT = 0, 1, 2, 3
MARGIN = 55.0  # events keep this far from either end of their segment: corners take the last and first 50

WAYPOINTS = [
    # Side view: a climb and a dip, then the Phantom's flat arena (segment 8).
    (0, 0, 0), (0, 0, 360), (0, 70, 590), (0, 170, 800), (0, 200, 1030), (0, 140, 1260), (0, 40, 1480),
    (0, -10, 1710), (0, 40, 1940), (0, 40, 2580),
    # Top view: level bends left and right (segments 9 to 16).
    (0, 40, 2940), (130, 40, 3155), (330, 40, 3300), (430, 40, 3530), (430, 40, 3850), (300, 40, 4065),
    (100, 40, 4210), (-20, 40, 4420),
    # Side view: a second climb, then the PsychoSide's flat arena (segment 23).
    (-20, 40, 4780), (-20, 120, 5010), (-20, 220, 5230), (-20, 230, 5470), (-20, 140, 5700), (-20, 80, 5930),
    (-20, 80, 6570),
    # Chase view: bends both ways, the orbit's straight (segment 28), the PsychoRear's arena (segment 30).
    (-20, 80, 6930), (100, 120, 7150), (300, 120, 7290), (400, 70, 7510), (400, 70, 8150), (280, 60, 8360),
    (280, 60, 9260),
]

# (segment, distance, view); the first gives the start view.
CAMERA = [(0, 0, SIDE), (9, 57, TOP), (17, 57, SIDE), (24, 57, CHASE), (28, 75, ORBIT)]

# (segment, distance, speed); 0 stops the rail for a boss, whose death sets the speed again.
SPEED = [(0, 0, 50), (8, 330, 0), (8, 385, 50), (9, 80, 65), (17, 80, 50), (23, 330, 0), (24, 80, 45),
         (28, 57, 55), (29, 57, 50), (30, 530, 0)]

# Script steps (kind 4): the zone's start, a warning before each boss, a step after each boss's death, and
# a silent one where the climb to the second carrier begins.
TRIGGERS = [(0, 0.84), (8, 60), (8, 355), (17, 200), (23, 60), (23, 400), (30, 260), (30, 600)]

PHANTOM, PSYCHO_REAR, PSYCHO_SIDE = 6, 7, 8
BOSS_VIEW = {PHANTOM: SIDE, PSYCHO_SIDE: SIDE, PSYCHO_REAR: CHASE}  # the views their models are shaped for

# (segment, distance, ENEMYID, BEHAVIORID, ahead, side, up).
ENEMIES = [
    (0, 100, 0, 5, 150, 0, 0), (0, 250, 5, 0, 150, 0, 30),
    (1, 57, 3, 8, 150, 0, 0), (1, 185, 10, 19, 150, 0, 40),
    (2, 57, 2, 13, 150, 0, 0), (2, 177, 5, 11, 60, 0, 110),
    (3, 57, 4, 9, 150, 0, 0), (3, 175, 0, 16, 60, 0, 110),
    (4, 57, 11, 19, 150, 0, -60), (4, 180, 1, 6, 150, 0, 0),
    (5, 57, 5, 12, 60, 0, -110), (5, 185, 2, 15, 60, 0, -110),
    (6, 57, 4, 10, 150, 0, 0), (6, 180, 3, 14, 150, 0, 0),
    (7, 57, 1, 5, 150, 0, 0), (7, 180, 12, 19, 150, 0, 50),
    (8, 230, PHANTOM, 21, 250, 0, 0),
    (9, 110, 0, 4, 110, 0, 0), (9, 290, 5, 1, 115, 0, 0),
    (10, 57, 3, 7, 100, 0, 0), (10, 190, 5, 11, 40, 150, 0),
    (11, 57, 4, 9, 115, 0, 0), (11, 190, 1, 10, 115, -60, 0),
    (12, 57, 0, 13, 115, 40, 0), (12, 190, 2, 16, 60, -140, 0),
    (13, 60, 13, 20, 100, 0, 0), (13, 260, 2, 2, 115, 0, 0),
    (14, 57, 0, 15, 60, 140, 0), (14, 190, 3, 6, 110, 0, 0),
    (15, 57, 5, 12, 40, -150, 0), (15, 190, 1, 4, 110, 0, 0),
    (16, 57, 2, 14, 115, -40, 0), (16, 185, 0, 21, 110, 0, 0),
    (17, 110, 1, 21, 150, 0, 0), (17, 290, 3, 8, 150, 0, 0),
    (18, 57, 5, 11, 60, 0, 110), (18, 186, 11, 19, 150, 0, -40),
    (19, 57, 4, 10, 150, 0, 0), (19, 185, 0, 15, 60, 0, -110),
    (20, 57, 2, 13, 150, 0, 0), (20, 185, 5, 5, 150, 0, 0),
    (21, 57, 3, 9, 150, 0, 0), (21, 190, 0, 16, 60, 0, 110),
    (22, 57, 1, 14, 150, 0, 0), (22, 180, 4, 12, 60, 0, -110),
    (23, 230, PSYCHO_SIDE, 21, 250, 0, 0),
    (24, 110, 0, 17, -80, 0, 0), (24, 290, 1, 18, -80, 0, 0),
    (25, 57, 4, 21, 300, 0, 0), (25, 195, 3, 6, 250, 0, 0),
    (26, 57, 2, 2, 300, 0, 0), (26, 185, 12, 20, 400, 0, 0),
    (27, 57, 5, 17, -80, 0, 0), (27, 190, 1, 7, 250, 0, 0),
    (29, 70, 0, 18, -80, 0, 0), (29, 185, 13, 19, 400, 0, 20),
    (30, 60, 5, 0, 300, 0, 0), (30, 150, 11, 20, 400, 0, 0),
    (30, 430, PSYCHO_REAR, 21, 300, 0, 0),
]

# Ground rows along Z (row r spans z = 1024r +- 512): (plate, base height); a slope's top edge is the base
# of the row after it.
GROUND_ROWS = {-2: ("Ground01", -450), -1: ("Ground01", -450), 0: ("Ground01", -450), 1: ("Ground01", -450),
               2: ("GroundUp130", -450), 3: ("Ground01", -320), 4: ("GroundDown142", -320),
               5: ("Ground01", -462), 6: ("GroundUp57", -462), 7: ("Ground01", -405), 8: ("Ground01", -405),
               9: ("Ground01", -405), 10: ("Ground01", -405), 11: ("Ground01", -405)}
RISE = {"Ground01": 0, "GroundUp130": 130, "GroundUp57": 57, "GroundDown142": -142}
PLATE = 1024.0


def fail(message):
    sys.exit("make_l1z2: " + message)


def sub(a, b): return tuple(x - y for x, y in zip(a, b))
def add(a, b): return tuple(x + y for x, y in zip(a, b))
def scale(a, k): return tuple(x * k for x in a)
def dot(a, b): return sum(x * y for x, y in zip(a, b))
def cross(a, b): return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])
def unit(a): return scale(a, 1.0 / math.sqrt(dot(a, a)))


def length(seg):
    return math.dist(WAYPOINTS[seg], WAYPOINTS[seg + 1])


def frame(seg):
    """The rail's forward, side and up axes along a segment (side = Y x forward, up = forward x side)."""
    forward = unit(sub(WAYPOINTS[seg + 1], WAYPOINTS[seg]))
    side = unit(cross((0, 1, 0), forward))
    return forward, side, unit(cross(forward, side))


def rail(seg, d):
    return add(WAYPOINTS[seg], scale(frame(seg)[0], d))


def along(seg, d):
    """Distance along the whole track to a place."""
    return sum(length(s) for s in range(seg)) + d


def progress(seg, d, what):
    """The place's progress on its segment, checked to come up in a flight."""
    if not 0 <= seg < len(WAYPOINTS) - 1:
        fail(f"{what} at segment {seg}: no such segment")
    end = length(seg) - MARGIN if seg < len(WAYPOINTS) - 2 else length(seg)
    start = MARGIN if seg > 0 else 0
    if not start <= d <= end:
        fail(f"{what} at ({seg}, {d}): within a corner; keep {start:.0f} to {end:.0f}")
    return round(d / length(seg), 4)


def view_at(seg, d):
    view = CAMERA[0][2]
    for cs, cd, cv in CAMERA:
        if (cs, cd) <= (seg, d) and cv != ORBIT:
            view = cv
    return view


def check_design():
    # The start view's event is taken out when the level loads.
    places = [(s, d) for s, d, *_ in CAMERA[1:] + SPEED + ENEMIES] + [(s, d) for s, d in TRIGGERS]
    if len(set(places)) != len(places):
        fail("two events share a place; their order would be left to the sort")
    for seg in range(len(WAYPOINTS) - 1):
        if length(seg) < 150:
            fail(f"segment {seg} is shorter than 150 units")
    for seg, d, enemy, formation, ahead, side, up in ENEMIES:
        view = view_at(seg, d)
        if view == TOP and up != 0 or view == SIDE and side != 0:
            fail(f"enemy at ({seg}, {d}) spawns off the view's plane")
    used = {e[3] for e in ENEMIES}
    if set(range(4, 22)) - used:
        fail(f"formations never used: {sorted(set(range(4, 22)) - used)}")
    types = {e[2] for e in ENEMIES}
    if {0, 1, 2, 3, 4, 5, 10, 11, 12, 13} - types:
        fail("an enemy type is never used")
    # Each boss: a script step before it, the rail's stop after it, and no view change before the stop
    # (a view change removes every enemy, the boss included, and the rail would stay stopped).
    previous = (0, -1.0)
    for seg, d, enemy, *_ in ENEMIES:
        if enemy not in BOSS_VIEW:
            continue
        stop = min((s, sd) for s, sd, v in SPEED if v == 0 and (s, sd) > (seg, d))
        if not any(previous < t < (seg, d) for t in TRIGGERS):
            fail(f"no script step before the boss at ({seg}, {d})")
        if any((seg, d) < (cs, cd) < stop for cs, cd, _ in CAMERA):
            fail(f"a view change between the boss at ({seg}, {d}) and its stop")
        if not 60 <= along(*stop) - along(seg, d) <= 150:
            fail(f"the stop for the boss at ({seg}, {d}) is not about two seconds after its spawn")
        if view_at(seg, d) != BOSS_VIEW[enemy]:
            fail(f"boss {enemy} is met outside its view")
        if abs(frame(seg)[0][1]) > 1e-6:  # the Phantom's cannons, for one, stand along world Y
            fail(f"the arena of boss {enemy} is not level")
        previous = (seg, d)
    if not any(t > previous for t in TRIGGERS):
        fail("no script step after the last boss")


# --- Scenery ------------------------------------------------------------------------------------------

def rounded(v, digits=2):
    return " ".join(f"{round(x, digits):g}" for x in v)


def random_rotation(rng):
    q = [rng.gauss(0, 1) for _ in range(4)]
    n = math.sqrt(sum(x * x for x in q))
    return tuple(x / n for x in q)


def yaw_rotation(angle):
    return (0.0, math.sin(angle / 2), 0.0, math.cos(angle / 2))


def ground_height(z):
    row = round(z / PLATE)
    plate, base = GROUND_ROWS[row]
    t = min(max((z - (row * PLATE - PLATE / 2)) / PLATE, 0.0), 1.0)
    return base + RISE[plate] * t * t * (3 - 2 * t)


def scenery(rng):
    """Rocks, pylons and rings along each segment, placed where the segment's view leaves room: below
    the track in the top view, behind it in the side view, around it in the chase view. Returns
    (track distance, position, model, rotation) in track order."""
    objects = []
    for seg in range(len(WAYPOINTS) - 1):
        forward, side, up = frame(seg)
        n = max(3, round(length(seg) / 60))
        for k in range(n):
            d = length(seg) * (k + rng.random()) / n
            view = view_at(seg, d)
            at = rail(seg, d)
            if k % 4 == 3:  # a pylon standing on the ground
                s = rng.choice((-1, 1)) * rng.uniform(150, 550) if view != SIDE else -rng.uniform(250, 700)
                p = add(at, scale(side, s))
                p = (p[0], ground_height(p[2]) - 8, p[2])
                objects.append((along(seg, d), p, "Pylon.mdl", yaw_rotation(rng.uniform(0, 1.6))))
                continue
            if view == TOP:
                offset = scale(side, rng.uniform(-450, 450))
                offset = add(offset, scale(up, -rng.uniform(150, 260)))
            elif view == SIDE:
                offset = add(scale(side, -rng.uniform(300, 750)), scale(up, rng.uniform(-250, 250)))
            else:
                offset = add(scale(side, rng.choice((-1, 1)) * rng.uniform(230, 500)),
                             scale(up, rng.uniform(-280, 280)))
            model = rng.choice(("Rock01.X", "Rock02.X", "Rock03.X"))
            objects.append((along(seg, d), add(at, offset), model, random_rotation(rng)))
        # Rings stand across level chase stretches, clear of the boss.
        if view_at(seg, length(seg) / 2) == CHASE and forward[1] == 0:
            yaw = math.atan2(forward[0], forward[2])
            for d in range(100, int(min(length(seg), 420)) - 60, 150):
                objects.append((along(seg, d), rail(seg, d), "Ring01.X", yaw_rotation(yaw)))
    return sorted(objects, key=lambda o: o[0])


def footprint(seg, d):
    """The rectangle (ahead from, ahead to, side from, side to) around a place that the camera may look
    down on there: the view's own, or every way during a view change and the orbit."""
    spans = {TOP: (-600, 600, -700, 700), SIDE: (-1100, 1100, -1500, 400), CHASE: (-400, 1700, -1150, 1150)}
    here = along(seg, d)
    turning = any(0 <= here - along(cs, cd) <= (650 if cv == ORBIT else 160) for cs, cd, cv in CAMERA[1:])
    return (-1800, 1800, -1800, 1800) if turning else spans[view_at(seg, d)]


def plates_under(seg, d):
    """The ground plates, as (column, row), under the footprint of a place."""
    forward, side, _ = frame(seg)
    at = rail(seg, d)
    a0, a1, s0, s1 = footprint(seg, d)
    cells = set()
    for a in frange(a0, a1, 200):
        for s in frange(s0, s1, 200):
            p = add(add(at, scale(forward, a)), scale(side, s))
            cells.add((round(p[0] / PLATE), round(p[2] / PLATE)))
    return cells


def frange(a, b, step):
    n = max(1, math.ceil((b - a) / step))
    return [a + (b - a) * i / n for i in range(n + 1)]


def groups():
    """Scenery groups start at waypoints, each spanning 450 units of track or more."""
    starts = [0]
    for w in range(1, len(WAYPOINTS) - 1):
        if along(w, 0) - along(starts[-1], 0) >= 450:
            starts.append(w)
    return starts


def write(out):
    check_design()
    rng = random.Random(1422)
    objects = scenery(rng)
    starts = groups()
    total = along(len(WAYPOINTS) - 1, 0)
    bounds = [along(w, 0) for w in starts] + [total]

    out.write("Object\n")
    for _, p, model, q in objects:
        out.write(f"{rounded(p)} {model} {rounded(q, 5)}\n")
    for k, w in enumerate(starts):
        near = [i for i, o in enumerate(objects) if bounds[k] - 300 <= o[0] <= bounds[k + 1] + 700]
        out.write(f"* {w} 0.0 " + " ".join(map(str, near)) + "\n")

    cells_of_group = []
    for k, w in enumerate(starts):
        cells = set()
        for seg in range(w, starts[k + 1] if k + 1 < len(starts) else len(WAYPOINTS) - 1):
            for d in frange(0, length(seg), 25):
                cells |= plates_under(seg, d)
        cells_of_group.append(cells)
    plates = sorted(set().union(*cells_of_group), key=lambda c: (c[1], c[0]))
    index = {c: i for i, c in enumerate(plates)}
    out.write("Terrain\n")
    for cx, row in plates:
        if row not in GROUND_ROWS:
            fail(f"no ground row {row}")
        plate, base = GROUND_ROWS[row]
        out.write(f"{cx * PLATE:g} {base:g} {row * PLATE:g} {plate}.X 0 0 0 1\n")
    for k, w in enumerate(starts):
        cells = sorted(cells_of_group[k], key=index.get)
        out.write(f"* {w} 0.0 " + " ".join(str(index[c]) for c in cells) + "\n")

    out.write("Waypoint\n")
    for w in WAYPOINTS:
        out.write(f"{rounded(w)}\n")
    out.write("Camera\n")
    for seg, d, view in CAMERA:
        out.write(f"{rounded(rail(seg, d))} {seg} {progress(seg, d, 'camera event')} {view}\n")
    out.write("Enemy\n")
    for seg, d, enemy, formation, ahead, s, u in ENEMIES:
        forward, side, up = frame(seg)
        spawn = add(add(add(rail(seg, d), scale(forward, ahead)), scale(side, s)), scale(up, u))
        out.write(f"{rounded(spawn)} {seg} {progress(seg, d, 'enemy')} {enemy} {formation}\n")
    out.write("Speed\n")
    for seg, d, speed in SPEED:
        out.write(f"{rounded(rail(seg, d))} {seg} {progress(seg, d, 'speed event')} {speed}\n")
    out.write("Event\n")
    for seg, d in TRIGGERS:
        out.write(f"{rounded(rail(seg, d))} {seg} {progress(seg, d, 'script step')}\n")
    out.write("End\n")


if __name__ == "__main__":
    write(sys.stdout)
