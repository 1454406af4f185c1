#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Tells from a pixmon log whether the screen showed the picture the program chose, at every switch.

    analyze.py LOG --pictures a.jpg=RRGGBB,... --interval SECONDS [--min-switches N] [--events FILE]
               [--fades] [--bare RRGGBB,...] [--gap RRGGBB --gap-ms MS]

Each picture is one plain colour. A switch is the program opening a picture file: only the program opens GIFs and
JPEGs, and a desktop opens a bitmap only right after the program has, so an open of another picture than the current
one starts a switch, and so does an open of the same one three quarters of an interval after the switch began (the
same picture can come twice in a row when the shuffled order starts anew). For each switch:
  stale   the screen does not show the chosen colour at every point just before the next switch;
  flash   before the chosen colour is reached, a point shows neither the colour it showed before the switch nor the
          chosen one. Desktops that cross-fade (--fades) show blends on the way, so there only the desktop's bare
          colours (--bare) and the colours of the other pictures count.
The last switch counts only when the log goes on for nearly an interval after it. Switches that overlap a time the
desktop was down (the lines "T down" and "T up" in the events file; before the first "up" when the first line is
"down") are left out. Each switch is printed, then a summary line; the exit status is 1 when any switch was stale or
flashed, when fewer than N switches were checked, or when no switch came where only the content of temp.bmp changed
(a GIF or JPEG after another).
"""
import argparse
import statistics


def colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def near(a, b, tolerance=24):
    return all(abs(x - y) < tolerance for x, y in zip(a, b))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('log')
    parser.add_argument('--pictures', required=True)
    parser.add_argument('--interval', type=float, required=True)
    parser.add_argument('--min-switches', type=int, default=1)
    parser.add_argument('--events')
    parser.add_argument('--fades', action='store_true')
    parser.add_argument('--bare', default='000000')
    parser.add_argument('--gap')
    parser.add_argument('--gap-ms', type=float, default=0)
    args = parser.parse_args()
    pictures = dict((name, colour(value)) for name, value in (p.split('=') for p in args.pictures.split(',')))
    bare = [colour(c) for c in args.bare.split(',') if c]
    gap = colour(args.gap) if args.gap else None

    frames, switches, end = [], [], 0.0
    with open(args.log) as log:
        for line in log:
            words = line.split()
            if len(words) < 3:
                continue
            t = float(words[0])
            end = max(end, t)
            if words[1] == 'frame':
                frames.append((t, [colour(c) for c in words[2:]]))
            elif words[1] == 'open' and words[2] in pictures:
                name = words[2]
                if not switches or name != switches[-1][1] or t - switches[-1][0] >= args.interval * 750:
                    switches.append((t, name))
    down = []
    if args.events:
        try:
            with open(args.events) as events:
                for line in events:
                    t, word = line.split()
                    if word == 'down':
                        down.append([float(t), float('inf')])
                    elif word == 'up' and down:
                        down[-1][1] = float(t)
        except FileNotFoundError:
            pass

    def shown_at(t):
        last = None
        for ft, points in frames:
            if ft > t:
                break
            last = points
        return last

    checked = stale = flash_frames = gap_frames = pairs = pair_stale = excluded = 0
    flash_ms = 0.0
    latencies = []
    for k, (t, name) in enumerate(switches):
        last_switch = k + 1 == len(switches)
        until = end if last_switch else switches[k + 1][0]
        previous = switches[k - 1][1] if k > 0 else None
        pair = previous is not None and previous != name and 'bmp' not in (previous[-3:], name[-3:])
        note = '%s%s' % (name, ' (after %s: only temp.bmp changed)' % previous if pair else '')
        if any(t < up and until > was_down for was_down, up in down):
            excluded += 1
            print('switch %d: %s: left out, the desktop was down' % (k + 1, note))
            continue
        if last_switch and until - t < args.interval * 1000 - 200:
            print('switch %d: %s: left out, the run ended before the next switch was due' % (k + 1, note))
            continue
        want = pictures[name]
        before = shown_at(t)
        others = [c for c in pictures.values() if c != want and not (before and any(near(c, b) for b in before))]
        reached = None
        flashes = []
        gaps = []
        window = [(ft, points) for ft, points in frames if t <= ft < until]
        if before and all(near(c, want) for c in before):
            reached = t
        for j, (ft, points) in enumerate(window):
            if reached is not None:
                break
            if all(near(c, want) for c in points):
                reached = ft
                break
            for i, c in enumerate(points):
                old = before[i] if before else None
                if args.fades:
                    wrong = any(near(c, b) for b in bare + others) and not near(c, want) and not (old and near(c, old))
                else:
                    wrong = not near(c, want) and not (old and near(c, old))
                if wrong:
                    lasted = (window[j + 1][0] if j + 1 < len(window) else until) - ft
                    if gap and all(near(p, gap) for p in points) and lasted <= args.gap_ms:
                        gaps.append('%.0f ms' % lasted)
                        break
                    flashes.append('%06x for %.0f ms' % (int('%02x%02x%02x' % c, 16), lasted))
                    flash_ms += lasted
                    break
        at_end = shown_at(until - 1)
        is_stale = at_end is None or not all(near(c, want) for c in at_end)
        checked += 1
        stale += is_stale
        pairs += pair
        pair_stale += pair and is_stale
        flash_frames += len(flashes)
        gap_frames += len(gaps)
        if reached is not None:
            latencies.append(reached - t)
        print('switch %d: %s: %s%s%s%s' % (
            k + 1, note, 'shown after %.0f ms' % (reached - t) if reached is not None else 'never shown',
            ' STALE: the screen still showed %s' % ' '.join('%02x%02x%02x' % c for c in at_end) if is_stale and at_end
            else (' STALE' if is_stale else ''),
            ''.join(' FLASH %s' % f for f in flashes), ''.join(' gap %s' % g for g in gaps)))
    print('switches=%d stale=%d flash_frames=%d flash_ms=%.0f only_temp_bmp_changed=%d (stale %d) left_out=%d '
          'latency_median_ms=%.0f latency_max_ms=%.0f%s' % (
              checked, stale, flash_frames, flash_ms, pairs, pair_stale, excluded,
              statistics.median(latencies) if latencies else -1, max(latencies) if latencies else -1,
              ' gap_frames=%d' % gap_frames if gap else ''))
    problems = []
    if checked < args.min_switches:
        problems.append('only %d switches checked, fewer than %d' % (checked, args.min_switches))
    if pairs == 0:
        problems.append('no switch where only the content of temp.bmp changed')
    if stale or flash_frames:
        problems.append('%d stale, %d flash frames' % (stale, flash_frames))
    for problem in problems:
        print('FAIL: ' + problem)
    return 1 if problems else 0


if __name__ == '__main__':
    raise SystemExit(main())
