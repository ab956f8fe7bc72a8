#pragma once
// Everything the tests share: the backend a case runs on, temporary folders,
// test databases, direct database checks, configuration files, the test
// server and child programs.
#include "Backend.h"
#include "ConfigFiles.h"
#include "ProgramRun.h"
#include "TempDir.h"
#include "TestDatabase.h"
#include "TestServer.h"
