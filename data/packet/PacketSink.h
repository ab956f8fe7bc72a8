#pragma once
// Where a packet's bytes go as they are produced: a string in memory or a
// file, so a large packet need not be built whole before it is written.
#include <cstddef>
#include <string>

class PacketSink {
public:
    virtual ~PacketSink() = default;
    // Takes len bytes; raises on failure.
    virtual void Write(const char *data, size_t len) = 0;
};

class StringSink : public PacketSink {
public:
    explicit StringSink(std::string &out) : out_(out) {}
    void Write(const char *data, size_t len) override { out_.append(data, len); }

private:
    std::string &out_;
};
