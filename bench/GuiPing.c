/* How long a program's GUI thread goes without answering: sends the window manager's ping
 * (_NET_WM_PING) to the program's top-level window every 10 ms and times each answer. GTK answers
 * pings while it dispatches X events on its GUI thread, so the longest wait is the longest stall.
 * Runs until its standard input closes, then prints "longest <ms> answered <n> of <m>". */
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum { MaxPings = 1 << 16 };

static double now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

static long window_pid(Display* display, Window window, Atom pid_atom) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    long pid = -1;
    if (XGetWindowProperty(display, window, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data != NULL && count == 1 && format == 32) {
        pid = *(long*)data;
    }
    if (data != NULL) {
        XFree(data);
    }
    return pid;
}

static Window find_window(Display* display, long pid) {
    Atom list_atom = XInternAtom(display, "_NET_CLIENT_LIST", False);
    Atom pid_atom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char* data = NULL;
    Window found = 0;
    if (XGetWindowProperty(display, DefaultRootWindow(display), list_atom, 0, 4096, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data != NULL) {
        Window* windows = (Window*)data;
        for (unsigned long i = 0; i < count && found == 0; i++) {
            if (window_pid(display, windows[i], pid_atom) == pid) {
                found = windows[i];
            }
        }
    }
    if (data != NULL) {
        XFree(data);
    }
    return found;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: gui_ping PID\n");
        return 2;
    }
    long pid = atol(argv[1]);
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "gui_ping: no display\n");
        return 1;
    }
    Window root = DefaultRootWindow(display);
    Window window = 0;
    for (int tries = 0; tries < 500 && window == 0; tries++) {
        window = find_window(display, pid);
        if (window == 0) {
            usleep(10000);
        }
    }
    if (window == 0) {
        fprintf(stderr, "gui_ping: no window of process %ld\n", pid);
        return 1;
    }
    /* The answer goes to the root window; whoever listens for its children's changes hears it. */
    XSelectInput(display, root, SubstructureNotifyMask);
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom ping = XInternAtom(display, "_NET_WM_PING", False);

    static double sent[MaxPings];
    /* Serials start high so that the window manager's own pings are never taken for ours. */
    const long base = 0x40000000L;
    long next = 0, answered = 0, oldest_open = 0;
    double longest = 0.0, last_sent = 0.0;
    int running = 1;
    while (running) {
        double t = now_ms();
        if (t - last_sent >= 10.0 && next < MaxPings) {
            XEvent event;
            memset(&event, 0, sizeof event);
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = protocols;
            event.xclient.format = 32;
            event.xclient.data.l[0] = (long)ping;
            event.xclient.data.l[1] = base + next;
            event.xclient.data.l[2] = (long)window;
            XSendEvent(display, window, False, NoEventMask, &event);
            XFlush(display);
            sent[next++] = t;
            last_sent = t;
        }
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == protocols &&
                (Atom)event.xclient.data.l[0] == ping) {
                long serial = event.xclient.data.l[1] - base;
                if (serial >= 0 && serial < next) {
                    double waited = now_ms() - sent[serial];
                    if (waited > longest) {
                        longest = waited;
                    }
                    answered++;
                    if (serial >= oldest_open) {
                        oldest_open = serial + 1;
                    }
                }
            }
        }
        struct pollfd fds[2] = {{.fd = 0, .events = POLLIN}, {.fd = ConnectionNumber(display), .events = POLLIN}};
        if (poll(fds, 2, 2) > 0 && (fds[0].revents & (POLLIN | POLLHUP))) {
            char buffer[64];
            if (read(0, buffer, sizeof buffer) <= 0) {
                running = 0;
            }
        }
    }
    /* A ping still unanswered at the end counts for as long as it has waited. */
    if (oldest_open < next) {
        double waited = now_ms() - sent[oldest_open];
        if (waited > longest) {
            longest = waited;
        }
    }
    printf("longest %.1f answered %ld of %ld\n", longest, answered, next);
    XCloseDisplay(display);
    return 0;
}
