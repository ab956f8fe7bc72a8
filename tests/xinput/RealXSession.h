#pragma once
// The X server the tests of this program share, and the rule for a machine
// without one: the tests skip there and say why, except under CI, where
// every test must run and a missing X server fails them.
#include <memory>
#include <string>

#include "tests/xinput/XvfbDisplay.h"

// Starts the server (once, from main) and keeps what became of it.
std::unique_ptr<XvfbDisplay> StartRealX();
// Empty when the X server runs, else why not.
const std::string &RealXProblem();
// Whether the tests run under CI (the variable CI set and not "false").
bool UnderCi();
