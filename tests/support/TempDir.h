#pragma once
// A private temporary folder under /tmp, removed with everything in it when
// the object goes. Every test that touches files or databases takes its own,
// so tests can run side by side.
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    // The full path of a file inside the folder.
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
