#pragma once
// The connection's character set: the server reads statement texts and text
// values in it, so UTF-8 text from the program is converted before it is sent.
// A character the set has no place for is refused, never replaced.
#include <iconv.h>

#include <string>
#include <string_view>

class ServerCharSet {
public:
    // UTF8: texts go as they are.
    ServerCharSet() = default;
    // By the server's number of the set (RDB$CHARACTER_SET_ID).
    explicit ServerCharSet(unsigned id);
    ~ServerCharSet();
    ServerCharSet(const ServerCharSet &) = delete;
    ServerCharSet &operator=(const ServerCharSet &) = delete;

    unsigned id() const { return id_; }
    const std::string &name() const { return name_; }
    // The text in this set; fails (DriverFailure) naming the first character
    // that has no place in it.
    std::string FromUtf8(std::string_view utf8) const;

    // The server's number of a set the connection may name; 4 (UTF8) is the
    // default and needs no asking.
    static constexpr unsigned kUtf8 = 4;

private:
    unsigned id_ = kUtf8;
    std::string name_ = "UTF8";
    bool passThrough_ = true;  // UTF8, UNICODE_FSS, NONE, OCTETS
    iconv_t converter_ = reinterpret_cast<iconv_t>(-1);
};
