#pragma once
// Everything the tests share: the backend a case runs on, temporary folders,
// test databases, direct database checks, configuration files, the test
// server and child programs.
#include "tests/support/Backend.h"
#include "tests/support/ConfigFiles.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestServer.h"
