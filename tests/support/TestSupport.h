#pragma once
// Everything the tests share: temporary folders, test databases, direct
// database checks, configuration files and the test server.
#include "ConfigFiles.h"
#include "TempDir.h"
#include "TestDatabase.h"
#include "TestServer.h"
