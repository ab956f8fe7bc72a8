#pragma once
// Where a test's database lives: an embedded database file, or a database on
// the test server reached through the network. Suites that run on both take
// this as their parameter and name their cases after it.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

enum class Backend { Embedded, Server };

inline std::string BackendName(Backend backend) { return backend == Backend::Embedded ? "Embedded" : "Server"; }

inline void PrintTo(Backend backend, std::ostream *os) { *os << BackendName(backend); }

// The name generator for a suite whose parameter is the backend alone.
inline std::string BackendCaseName(const testing::TestParamInfo<Backend> &info) { return BackendName(info.param); }

// Both backends, embedded first; the server cases skip without a test server.
inline auto BothBackends() { return testing::Values(Backend::Embedded, Backend::Server); }
