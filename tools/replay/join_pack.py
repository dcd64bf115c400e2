#!/usr/bin/env python3
"""Joins the scripts that win single levels into one script for the whole pack.

    join_pack.py REPLAY LEVELS_FOLDER OUT_SCRIPT NAME SCRIPT [SCRIPT ...]

Each SCRIPT wins one level of LEVELS_FOLDER, in title order, when played from
the level's first frame. The joined script plays the first one as it stands,
then replays the tool up to the point each level is won, presses fire on the
map screen of the next level until its play begins, and goes on with that
level's script shifted to start there. After the last level it types NAME at
the name entry and confirms it. Run it again whenever a level or one of its
scripts changes (the replay `whole_pack` fails until then).
"""
import re
import subprocess
import sys
import tempfile

INSTRUCTION = re.compile(r"^(\d+)(?:-(\d+))?(\s+.*)$")


def inputs(path):
    """The script's instructions without comments and its end line."""
    out = []
    for raw in open(path, encoding="latin-1"):
        line = raw.rstrip("\r\n")
        if " type " in line:
            raise SystemExit(f"{path}: a level's script types nothing: {line}")
        line = line.split("#", 1)[0].strip()
        if not line or line.startswith("end"):
            continue
        out.append(line)
    return out


def shifted(line, by):
    m = INSTRUCTION.match(line)
    if not m:
        raise SystemExit(f"not an instruction: {line}")
    first = int(m.group(1)) + by
    span = f"{first}-{int(m.group(2)) + by}" if m.group(2) else str(first)
    return span + m.group(3)


def trace(replay, levels, lines, last):
    with tempfile.NamedTemporaryFile("w", suffix=".script", delete=False) as f:
        f.write("\n".join(lines + [f"end {last}"]) + "\n")
    run = subprocess.run([replay, levels, f.name, "--trace"], capture_output=True, text=True,
                         encoding="latin-1", check=True)
    rows = []
    for row in run.stdout.splitlines():
        if "\t" in row:
            rows.append(dict(field.split("=", 1) for field in row.split("\t")))
    return rows


def main():
    if len(sys.argv) < 6:
        raise SystemExit(__doc__)
    replay, levels, out, name, scripts = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]
    lines = []
    start = 0  # the frame before the current level's first frame of play
    for number, script in enumerate(scripts, 1):
        body = inputs(script)
        lines += [shifted(line, start) for line in body]
        last = max(int(INSTRUCTION.match(l).group(2) or INSTRUCTION.match(l).group(1)) for l in lines)
        rows = trace(replay, levels, lines, last + 3000)
        won = next((int(r["frames"]) for r in rows if int(r["levels_completed"]) >= number), None)
        if won is None:
            raise SystemExit(f"{script}: level {number} is not won in the pack (it ends {rows[-1]})")
        if number == len(scripts):
            entry = next(int(r["frames"]) for r in rows if int(r["frames"]) > won and r["state"] != "level-complete"
                         ) if any(int(r["frames"]) > won and r["state"] != "level-complete" for r in rows) else won + 400
            lines += [f"{entry + 60} type {name}", f"{entry + 80} enter", f"end {entry + 200}"]
            break
        title = rows[[int(r["frames"]) for r in rows].index(won)]["level"]
        shown = next(int(r["frames"]) for r in rows if int(r["frames"]) > won and r["level"] != title)
        # The map screen takes the start control once it is fully shown; press
        # it again now and then until play begins.
        press = shown + 65
        while True:
            lines.append(f"{press} fire")
            rows = trace(replay, levels, lines, press + 120)
            began = next((int(r["frames"]) for r in rows
                          if int(r["frames"]) > press and r["state"] == "playing"), None)
            if began is not None:
                break
            press += 30
            if press > shown + 4000:
                raise SystemExit(f"the map screen after level {number} never gave way to play")
        start = began - 1
    with open(out, "w", encoding="latin-1") as f:
        f.write("# The whole pack from its first level to the end of the game, one level's\n"
                "# winning script after another, with the map screens left by fire and the\n"
                "# name typed at the end. Made by tools/replay/join_pack.py; run it again\n"
                "# after a level or its script changes.\n")
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
