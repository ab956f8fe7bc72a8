#pragma once
// What a user without rights says: `say` runs in a child process that has
// become the user "nobody" (root, who runs the tests, may read every file),
// and what it returns comes back through a pipe ("<child failed>" when the
// child could not become nobody or tell it).
#include <functional>
#include <string>

std::string SaidAsUserNobody(const std::function<std::string()> &say);
