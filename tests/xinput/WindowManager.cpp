#include "tests/xinput/WindowManager.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "tests/xinput/XvfbDisplay.h"

namespace {
// A window manager that follows the desktop conventions names its check
// window on the root window once it manages the screen.
bool ScreenManaged(Display *display) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                          &format, &count, &after, &data);
    const bool managed = status == Success && type == XA_WINDOW && count == 1;
    if (data) XFree(data);
    return managed;
}
}  // namespace

WindowManager::WindowManager() {
    const std::string openbox = FindOnPath("openbox");
    if (openbox.empty()) {
        problem_ = "openbox is not installed (Debian package openbox)";
        return;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        problem_ = "cannot open the X display";
        return;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        problem_ = "fork failed";
        XCloseDisplay(display);
        return;
    }
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        execl(openbox.c_str(), openbox.c_str(), "--sm-disable", static_cast<char *>(nullptr));
        _exit(127);
    }
    pid_ = pid;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ScreenManaged(display)) {
        if (std::chrono::steady_clock::now() > deadline || waitpid(pid_, nullptr, WNOHANG) == pid_) {
            problem_ = "openbox did not take the screen";
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XCloseDisplay(display);
}

WindowManager::~WindowManager() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}
