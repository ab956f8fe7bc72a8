#pragma once
// An X server of the test's own: Xvfb on a display number it picks itself
// (a free one), stopped when the object goes.
#include <string>
#include <sys/types.h>

class XvfbDisplay {
public:
    // Starts Xvfb; on failure Running() is false and Problem() says why.
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay &) = delete;
    XvfbDisplay &operator=(const XvfbDisplay &) = delete;

    bool Running() const { return pid_ > 0; }
    // ":N", for DISPLAY.
    const std::string &Name() const { return name_; }
    const std::string &Problem() const { return problem_; }

private:
    pid_t pid_ = -1;
    std::string name_;
    std::string problem_;
};

// The program's path when it is on PATH, else empty.
std::string FindOnPath(const std::string &program);
