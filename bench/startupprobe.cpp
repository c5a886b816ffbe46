// Times a program from its start to its first window being shown: watches the X display's root window
// for the mapping of a new top-level window (MapNotify), starts the program, prints the milliseconds in
// between on standard output and ends the program (SIGTERM, then SIGKILL). The program's own output
// goes to /dev/null. Knows nothing of the program, so that every program is timed the same way.
//
//   startupprobe program [arguments...]      exit status 0, or 1 when no window came within 30 s

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace
{

double nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// True once a top-level window that is not override-redirect (a menu, a tooltip) has been mapped.
bool windowMapped(xcb_connection_t* connection)
{
    bool mapped = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
            !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect)
            mapped = true;
        free(event);
    }
    return mapped;
}

void endProgram(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: startupprobe program [arguments...]\n");
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        fprintf(stderr, "startupprobe: cannot connect to the X display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // Checked, so that the server watches before the program starts.
    if (xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_change_window_attributes_checked(connection, root, XCB_CW_EVENT_MASK, &mask))) {
        fprintf(stderr, "startupprobe: cannot watch the root window (error %d)\n", error->error_code);
        return 2;
    }

    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const double start = nowMs();
    const int spawned = posix_spawnp(&pid, argv[1], &quiet, nullptr, argv + 1, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        fprintf(stderr, "startupprobe: cannot start %s\n", argv[1]);
        return 2;
    }
    pollfd watched = {xcb_get_file_descriptor(connection), POLLIN, 0};
    double shown = -1;
    while (shown < 0 && nowMs() - start < 30000) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            fprintf(stderr, "startupprobe: %s ended before showing a window\n", argv[1]);
            return 1;
        }
        poll(&watched, 1, 100);
        if (windowMapped(connection))
            shown = nowMs();
    }
    endProgram(pid);
    xcb_disconnect(connection);
    if (shown < 0) {
        fprintf(stderr, "startupprobe: %s showed no window within 30 s\n", argv[1]);
        return 1;
    }
    printf("%.1f\n", shown - start);
    return 0;
}
