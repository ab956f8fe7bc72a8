#pragma once
// Everything the tests share: temporary folders, test databases, direct
// database checks, configuration files, the test server and child programs.
#include "ConfigFiles.h"
#include "ProgramRun.h"
#include "TempDir.h"
#include "TestDatabase.h"
#include "TestServer.h"
