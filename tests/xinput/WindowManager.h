#pragma once
// A window manager running on the test's X server, as on an operator's
// desktop: it reparents the window into a frame, places it, and moves the
// focus itself. Stopped when the object goes.
#include <string>
#include <sys/types.h>

class WindowManager {
public:
    // Starts openbox on the display in DISPLAY and waits until it manages
    // the screen; on failure Running() is false and Problem() says why.
    WindowManager();
    ~WindowManager();
    WindowManager(const WindowManager &) = delete;
    WindowManager &operator=(const WindowManager &) = delete;

    bool Running() const { return pid_ > 0; }
    const std::string &Problem() const { return problem_; }

private:
    pid_t pid_ = -1;
    std::string problem_;
};
