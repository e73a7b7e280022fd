// Starts a program and measures, from outside, the time until its first
// top-level window is mapped on the X server, and the program's peak resident
// memory. Prints "map_ms=<ms> peak_rss_kb=<kB>".
// Usage: MapTime <settle-ms> <program> [arguments...]
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: MapTime <settle-ms> <program> [arguments...]\n");
    return 2;
  }
  const int settle_ms = std::atoi(argv[1]);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "MapTime: cannot open the display\n");
    return 2;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  const double started = Now();
  const pid_t child = fork();
  if (child == 0) {
    execv(argv[2], argv + 2);
    std::perror("MapTime: exec");
    _exit(127);
  }

  double mapped = -1;
  const int fd = ConnectionNumber(display);
  while (mapped < 0 && Now() - started < 20000) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && !event.xmap.override_redirect) {
        mapped = Now();
        break;
      }
    }
    if (mapped >= 0) break;
    fd_set read_set;
    FD_ZERO(&read_set);
    FD_SET(fd, &read_set);
    timeval timeout{0, 100000};
    select(fd + 1, &read_set, nullptr, nullptr, &timeout);
  }
  usleep(static_cast<useconds_t>(settle_ms) * 1000);
  kill(child, SIGTERM);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  XCloseDisplay(display);
  if (mapped < 0) {
    std::fprintf(stderr, "MapTime: no window was mapped\n");
    return 1;
  }
  std::printf("map_ms=%.1f peak_rss_kb=%ld\n", mapped - started, usage.ru_maxrss);
  return 0;
}
