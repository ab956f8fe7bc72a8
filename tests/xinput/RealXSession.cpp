#include "tests/xinput/RealXSession.h"

#include <cstdlib>
#include <cstring>

namespace {
std::string &Problem() {
    static std::string problem = "the X server was not started";
    return problem;
}
}  // namespace

std::unique_ptr<XvfbDisplay> StartRealX() {
    auto display = std::make_unique<XvfbDisplay>();
    Problem() = display->Running() ? std::string() : display->Problem();
    return display;
}

const std::string &RealXProblem() { return Problem(); }

bool UnderCi() {
    const char *ci = std::getenv("CI");
    return ci && *ci && std::strcmp(ci, "false") != 0 && std::strcmp(ci, "0") != 0;
}
