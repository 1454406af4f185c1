// SPDX-License-Identifier: MIT
/*
 * pixmon: prints the colours of a few points of the X screen whenever any of them changes, and, with -w, the name
 * of every file opened in a folder (inotify), each line with a wall-clock time in milliseconds. The desktop tests
 * give every picture its own plain colour, so this log tells which picture the program chose and what the screen
 * showed at every moment.
 *
 *   pixmon [-1] [-i MS] [-w FOLDER] X,Y...
 *     -1          print the points' colours once, as RRGGBB words on one line, and exit
 *     -i MS       sampling interval (default 5)
 *     -w FOLDER   also print "T open NAME" for every file opened in FOLDER; without points, only that, and no X
 *                 display is needed (on Wayland, waymon.py watches the screen)
 *   Lines: "T frame RRGGBB..." (all points, whenever one changed) and "T open NAME"; ends on SIGTERM or SIGINT.
 */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <time.h>
#include <unistd.h>

enum { maxPoints = 64 };

static volatile sig_atomic_t stopping;

static void stop(int sig) {
    (void)sig;
    stopping = 1;
}

static double nowMs(void) {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

/* One point's colour as 0xRRGGBB, whatever the visual's channel masks. */
static unsigned long sample(Display *display, Window root, int x, int y) {
    XImage *image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0xfffffe;
    unsigned long pixel = XGetPixel(image, 0, 0), rgb = 0;
    unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    for (int c = 0; c < 3; ++c) {
        unsigned long value = pixel & masks[c], mask = masks[c];
        while (mask && !(mask & 1)) {
            mask >>= 1;
            value >>= 1;
        }
        rgb = rgb << 8 | (mask ? value * 255 / mask : 0);
    }
    XDestroyImage(image);
    return rgb;
}

static void printOpens(int watch) {
    char buffer[4096] __attribute__((aligned(__alignof__(struct inotify_event))));
    ssize_t length;
    while ((length = read(watch, buffer, sizeof buffer)) > 0) {
        double t = nowMs();
        for (char *p = buffer; p < buffer + length;) {
            struct inotify_event *event = (struct inotify_event *)p;
            if (event->len > 0)
                printf("%.3f open %s\n", t, event->name);
            p += sizeof *event + event->len;
        }
    }
}

int main(int argc, char **argv) {
    int interval = 5, once = 0, watch = -1, opt;
    while ((opt = getopt(argc, argv, "1i:w:")) != -1) {
        if (opt == '1') {
            once = 1;
        } else if (opt == 'i') {
            interval = atoi(optarg) > 0 ? atoi(optarg) : 1;
        } else if (opt == 'w') {
            watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            if (watch < 0 || inotify_add_watch(watch, optarg, IN_OPEN) < 0) {
                perror("pixmon: inotify");
                return 1;
            }
        } else {
            fprintf(stderr, "usage: pixmon [-1] [-i MS] [-w FOLDER] X,Y...\n");
            return 2;
        }
    }
    int n = argc - optind, x[maxPoints], y[maxPoints];
    if ((n < 1 && (watch < 0 || once)) || n > maxPoints) {
        fprintf(stderr, "pixmon: give 1 to %d points X,Y\n", maxPoints);
        return 2;
    }
    for (int i = 0; i < n; ++i)
        if (sscanf(argv[optind + i], "%d,%d", &x[i], &y[i]) != 2) {
            fprintf(stderr, "pixmon: bad point %s\n", argv[optind + i]);
            return 2;
        }
    Display *display = n > 0 ? XOpenDisplay(NULL) : NULL;
    if (n > 0 && !display) {
        fprintf(stderr, "pixmon: cannot open the display\n");
        return 1;
    }
    Window root = display ? DefaultRootWindow(display) : None;
    unsigned long last[maxPoints], now[maxPoints];
    if (once) {
        for (int i = 0; i < n; ++i)
            printf("%s%06lx", i ? " " : "", sample(display, root, x[i], y[i]));
        printf("\n");
        return 0;
    }
    signal(SIGTERM, stop);
    signal(SIGINT, stop);
    setvbuf(stdout, NULL, _IOLBF, 0);
    memset(last, 0xff, sizeof last);
    while (!stopping) {
        double t = nowMs();
        int changed = 0;
        for (int i = 0; i < n; ++i) {
            now[i] = sample(display, root, x[i], y[i]);
            changed |= now[i] != last[i];
            last[i] = now[i];
        }
        if (changed) {
            printf("%.3f frame", t);
            for (int i = 0; i < n; ++i)
                printf(" %06lx", now[i]);
            printf("\n");
        }
        struct pollfd fd = {watch, POLLIN, 0};
        /* Watching files alone, it sleeps until a file is opened or a signal comes. */
        if (poll(&fd, watch >= 0, n > 0 ? interval : -1) > 0)
            printOpens(watch);
    }
    if (watch >= 0)
        printOpens(watch);
    if (display)
        XCloseDisplay(display);
    return 0;
}
