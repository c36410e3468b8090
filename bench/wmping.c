/* Pings a top-level window as a window manager does (_NET_WM_PING) every
 * <interval> ms and writes one line per ping: "<seq> <sent ms> <answered ms>"
 * (answered -1 when no answer came before the end). Times are ms of the
 * monotonic clock. Ends on SIGTERM or SIGINT.
 *
 * The answer goes to the root window for the window manager, which selects
 * SubstructureRedirect there: so does this client, and it maps and
 * configures the windows as asked, as the simplest window manager would.
 * Usage: wmping <window id> <interval ms> <out file> */
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define MAX_PINGS 1000000

static volatile sig_atomic_t stop;
static void onSignal(int sig) { (void)sig; stop = 1; }

static double nowMs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), NULL);
    xcb_atom_t a = r ? r->atom : XCB_NONE;
    free(r);
    return a;
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: wmping <window id> <interval ms> <out file>\n");
        return 2;
    }
    xcb_window_t window = (xcb_window_t)strtoul(argv[1], NULL, 0);
    int interval = atoi(argv[2]);
    FILE *out = fopen(argv[3], "w");
    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (!out || xcb_connection_has_error(c)) {
        fprintf(stderr, "wmping: no output file or no display\n");
        return 1;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
    xcb_atom_t ping = atom(c, "_NET_WM_PING");
    uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    xcb_generic_error_t *error =
        xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask));
    if (error) {
        fprintf(stderr, "wmping: another window manager runs\n");
        return 1;
    }
    signal(SIGTERM, onSignal);
    signal(SIGINT, onSignal);

    double *sent = calloc(MAX_PINGS, sizeof *sent);
    char *answered = calloc(MAX_PINGS, 1);
    uint32_t seq = 0;
    double next = nowMs();
    struct pollfd pfd = {xcb_get_file_descriptor(c), POLLIN, 0};
    while (!stop && seq < MAX_PINGS) {
        double now = nowMs();
        if (now >= next) {
            xcb_client_message_event_t ev;
            memset(&ev, 0, sizeof ev);
            ev.response_type = XCB_CLIENT_MESSAGE;
            ev.format = 32;
            ev.window = window;
            ev.type = protocols;
            ev.data.data32[0] = ping;
            ev.data.data32[1] = seq + 1; /* the timestamp, echoed back */
            ev.data.data32[2] = window;
            sent[seq++] = now;
            xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, (const char *)&ev);
            xcb_flush(c);
            next += interval;
            continue;
        }
        poll(&pfd, 1, (int)(next - now) + 1);
        xcb_generic_event_t *e;
        while ((e = xcb_poll_for_event(c))) {
            uint8_t type = e->response_type & 0x7f;
            if (type == XCB_MAP_REQUEST) {
                xcb_map_window(c, ((xcb_map_request_event_t *)e)->window);
                xcb_flush(c);
            } else if (type == XCB_CONFIGURE_REQUEST) {
                xcb_configure_request_event_t *r = (xcb_configure_request_event_t *)e;
                uint32_t values[7];
                int n = 0;
                uint16_t m = r->value_mask & (XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                              XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_BORDER_WIDTH |
                                              XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE);
                if (m & XCB_CONFIG_WINDOW_X) values[n++] = (uint32_t)r->x;
                if (m & XCB_CONFIG_WINDOW_Y) values[n++] = (uint32_t)r->y;
                if (m & XCB_CONFIG_WINDOW_WIDTH) values[n++] = r->width;
                if (m & XCB_CONFIG_WINDOW_HEIGHT) values[n++] = r->height;
                if (m & XCB_CONFIG_WINDOW_BORDER_WIDTH) values[n++] = r->border_width;
                if (m & XCB_CONFIG_WINDOW_SIBLING) values[n++] = r->sibling;
                if (m & XCB_CONFIG_WINDOW_STACK_MODE) values[n++] = r->stack_mode;
                xcb_configure_window(c, r->window, m, values);
                xcb_flush(c);
            } else if (type == XCB_CLIENT_MESSAGE) {
                xcb_client_message_event_t *m = (xcb_client_message_event_t *)e;
                uint32_t s = m->data.data32[1];
                if (m->type == protocols && m->data.data32[0] == ping && s >= 1 && s <= seq && !answered[s - 1]) {
                    answered[s - 1] = 1;
                    fprintf(out, "%u %.1f %.1f\n", s, sent[s - 1], nowMs());
                    fflush(out);
                }
            }
            free(e);
        }
        if (xcb_connection_has_error(c))
            break;
    }
    for (uint32_t s = 1; s <= seq; ++s)
        if (!answered[s - 1])
            fprintf(out, "%u %.1f -1\n", s, sent[s - 1]);
    fclose(out);
    xcb_disconnect(c);
    return 0;
}
