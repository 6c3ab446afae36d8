// A stand-in for the running player: an X11 top-level window of class "Kolvarin" that answers
// the close request as told.
//
//   kv-fake-player MODE [--class NAME] [--delay MS] [--busy MS] [--machine HOST] [--no-ping]
//
// MODE close:  destroys its window and exits 0 when asked to close (after --delay ms);
//      ignore: answers pings but ignores the close request;
//      hang:   maps its window and then never reads another event;
//      unmapped-exit, unmapped-crash: never maps its window, and --delay ms after making it
//              exits with status 1 or dies of SIGSEGV (a player that fails while starting).
// --busy MS: reads no event for MS ms after its window exists (a player starting or saving).
// Prints "ready 0xWINDOW" on stdout once the window exists.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: %s close|ignore|hang|unmapped-exit|unmapped-crash [--class NAME] "
                 "[--delay MS] [--busy MS] [--machine HOST] [--no-ping]\n",
                 argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  std::string className = "Kolvarin";
  std::string machine;
  int delayMs = 0;
  int busyMs = 0;
  bool ping = true;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--class" && i + 1 < argc)
      className = argv[++i];
    else if (arg == "--delay" && i + 1 < argc)
      delayMs = std::atoi(argv[++i]);
    else if (arg == "--busy" && i + 1 < argc)
      busyMs = std::atoi(argv[++i]);
    else if (arg == "--machine" && i + 1 < argc)
      machine = argv[++i];
    else if (arg == "--no-ping")
      ping = false;
  }

  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "kv-fake-player: cannot open display\n");
    return 1;
  }
  const Window root = DefaultRootWindow(display);
  const Window window = XCreateSimpleWindow(display, root, 10, 10, 200, 100, 0, 0,
                                            WhitePixel(display, DefaultScreen(display)));

  XClassHint hint{};
  std::string name = "kolvarin";
  hint.res_name = name.data();
  hint.res_class = className.data();
  XSetClassHint(display, window, &hint);
  XStoreName(display, window, "Kolvarin");

  char host[256] = {};
  gethostname(host, sizeof host - 1);
  const std::string clientMachine = machine.empty() ? host : machine;
  XChangeProperty(display, window, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(clientMachine.data()),
                  static_cast<int>(clientMachine.size()));
  const unsigned long pid = static_cast<unsigned long>(getpid());
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);

  const Atom wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  const Atom pingAtom = XInternAtom(display, "_NET_WM_PING", False);
  Atom protocols[2] = {deleteWindow, pingAtom};
  XSetWMProtocols(display, window, protocols, ping ? 2 : 1);

  if (mode.rfind("unmapped-", 0) == 0) {
    XSync(display, False);
    std::printf("ready 0x%lx\n", window);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    if (mode == "unmapped-crash")
      std::raise(SIGSEGV);
    return 1;
  }
  XMapWindow(display, window);
  XSync(display, False);
  std::printf("ready 0x%lx\n", window);
  std::fflush(stdout);

  if (mode == "hang") {
    for (;;)
      pause();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(busyMs));

  for (;;) {
    XEvent event{};
    XNextEvent(display, &event);
    if (event.type != ClientMessage || event.xclient.message_type != wmProtocols)
      continue;
    const auto protocol = static_cast<Atom>(event.xclient.data.l[0]);
    if (protocol == pingAtom) {
      XEvent answer = event;
      answer.xclient.window = root;
      XSendEvent(display, root, False, SubstructureNotifyMask | SubstructureRedirectMask, &answer);
      XFlush(display);
    } else if (protocol == deleteWindow) {
      std::printf("close-request\n");
      std::fflush(stdout);
      if (mode == "close") {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        XDestroyWindow(display, window);
        XCloseDisplay(display);
        return 0;
      }
    }
  }
}
