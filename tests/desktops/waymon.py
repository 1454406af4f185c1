#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""pixmon's screen half for Wayland compositors, which let no client read the screen: prints the colours of a few
points whenever any of them changes, from screenshots taken through the compositor's own interface, each line with
the wall-clock time in milliseconds at which the screenshot came in.

    waymon.py --source grim|gnome|kwin [-1] X,Y...
      grim   sway and other wlroots compositors: `grim -t ppm -`
      gnome  GNOME Shell's org.gnome.Shell.Screenshot, which answers only a caller that owns one of the names it
             trusts (this owns org.gnome.Screenshot); the picture goes through a PNG file
      kwin   KWin's org.kde.KWin.ScreenShot2.CaptureActiveScreen, whose raw pixels come through a pipe (KWin must run
             with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1)
      -1     print the points' colours once, as RRGGBB words on one line, and exit
    waymon.py --source gnome --windows
      prints every window GNOME Shell shows, one a line: its title, a blank and its client (wayland or x11), through
      org.gnome.Shell.Introspect, which trusts the desktop portal's name
Lines: "T frame RRGGBB..." as pixmon writes them; ends on SIGTERM or SIGINT. Opened files are pixmon's to tell
(pixmon -w FOLDER without points).
"""
import argparse
import os
import signal
import subprocess
import sys
import tempfile
import time


def grim_shot():
    ppm = subprocess.run(['grim', '-t', 'ppm', '-'], check=True, capture_output=True).stdout
    # P6, width, height, maxval, then one whitespace byte and the RGB rows.
    fields, end = [], 0
    while len(fields) < 4:
        start = end
        while ppm[start:start + 1].isspace():
            start += 1
        end = start
        while not ppm[end:end + 1].isspace():
            end += 1
        fields.append(ppm[start:end])
    width = int(fields[1])
    pixels = memoryview(ppm)[end + 1:]
    return lambda x, y: bytes(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3])


class Gnome:
    def __init__(self, trusted_name):
        from gi.repository import Gio, GLib
        self.Gio, self.GLib = Gio, GLib
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'RequestName',
                  GLib.Variant('(su)', (trusted_name, 4)))
        self.file = os.path.join(tempfile.mkdtemp(prefix='waymon.', dir=os.environ.get('XDG_RUNTIME_DIR')), 'shot.png')

    def call(self, name, path, interface, method, parameters):
        return self.bus.call_sync(name, path, interface, method, parameters, None, 0, 10000, None).unpack()

    def shot(self):
        from gi.repository import GdkPixbuf
        ok, used = self.call('org.gnome.Shell.Screenshot', '/org/gnome/Shell/Screenshot',
                             'org.gnome.Shell.Screenshot', 'Screenshot',
                             self.GLib.Variant('(bbs)', (False, False, self.file)))
        if not ok:
            raise RuntimeError('GNOME Shell took no screenshot')
        picture = GdkPixbuf.Pixbuf.new_from_file(used)
        os.unlink(used)
        pixels, stride, channels = picture.get_pixels(), picture.get_rowstride(), picture.get_n_channels()
        return lambda x, y: bytes(pixels[y * stride + x * channels:y * stride + x * channels + 3])

    def windows(self):
        found, = self.call('org.gnome.Shell.Introspect', '/org/gnome/Shell/Introspect',
                           'org.gnome.Shell.Introspect', 'GetWindows', None)
        clients = {0: 'wayland', 1: 'x11'}
        return ['%s %s' % (properties.get('title', ''), clients.get(properties.get('client-type'), 'unknown'))
                for properties in found.values()]


class KWin:
    # QImage formats whose pixels are 32-bit words 0xAARRGGBB, stored little-endian as B, G, R, A.
    BGRA_FORMATS = {4, 5, 6}

    def __init__(self):
        from gi.repository import Gio, GLib
        self.Gio, self.GLib = Gio, GLib
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)

    def shot(self):
        Gio, GLib = self.Gio, self.GLib
        reading, writing = os.pipe()
        fds = Gio.UnixFDList.new_from_array([writing])
        try:
            result, _ = self.bus.call_with_unix_fd_list_sync(
                'org.kde.KWin', '/org/kde/KWin/ScreenShot2', 'org.kde.KWin.ScreenShot2', 'CaptureActiveScreen',
                GLib.Variant('(a{sv}h)', ({}, 0)), None, 0, 10000, fds, None)
        finally:
            # KWin holds the other end now; the pipe ends when KWin has written the picture.
            os.close(writing)
        with os.fdopen(reading, 'rb') as pipe:
            data = pipe.read()
        meta = result.unpack()[0]
        if meta.get('format') not in self.BGRA_FORMATS:
            raise RuntimeError('KWin sent pixels of format %s' % meta.get('format'))
        stride = meta['stride']
        return lambda x, y: bytes(reversed(data[y * stride + x * 4:y * stride + x * 4 + 3]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--source', choices=('grim', 'gnome', 'kwin'), required=True)
    parser.add_argument('-1', dest='once', action='store_true')
    parser.add_argument('--windows', action='store_true')
    parser.add_argument('points', nargs='*')
    args = parser.parse_args()
    if args.windows:
        print('\n'.join(Gnome('org.freedesktop.impl.portal.desktop.gnome').windows()))
        return 0
    points = [tuple(int(v) for v in p.split(',')) for p in args.points]
    if not points:
        parser.error('give the points X,Y')
    shot = {'grim': lambda: grim_shot, 'gnome': lambda: Gnome('org.gnome.Screenshot').shot,
            'kwin': lambda: KWin().shot}[args.source]()
    stopping = []
    if not args.once:
        signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
        signal.signal(signal.SIGINT, lambda *_: stopping.append(1))
    last = None
    while not stopping:
        # Stamped when the screenshot is in: a frame the compositor copied after a switch began must not count as
        # the screen before it.
        pixel = shot()
        t = time.time() * 1000
        colours = ' '.join(pixel(x, y).hex() for x, y in points)
        if args.once:
            print(colours)
            return 0
        if colours != last:
            print('%.3f frame %s' % (t, colours), flush=True)
            last = colours
    return 0


if __name__ == '__main__':
    sys.exit(main())
