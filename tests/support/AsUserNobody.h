#pragma once
// What a user without rights says: `say` runs in a child process that has
// become the user "nobody" (root, who runs the tests, may read every file),
// and what it returns comes back through a pipe.
#include <functional>
#include <string>

std::string SaidAsUserNobody(const std::function<std::string()> &say);
