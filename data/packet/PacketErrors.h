#pragma once
// Why a packet file did not read: a kind with its data beside the engine's
// own text, so that a caller can word it for its users without reading the
// text. The class name stays EDBClient, as for every failure of the engine.
#include <cstdint>
#include <string>

#include "data/dataset/Errors.h"

enum class PacketFault {
    CannotOpen,       // systemError: the file could not be opened (ENOENT: it is not there)
    CannotRead,       // systemError: reading it failed
    NotARegularFile,  // a device, a pipe or a socket
    NotAPacket,       // its first bytes are not those of a packet
    Truncated,        // held bytes of expected (expected 0: fewer than a header)
    OtherVersion,     // a packet of a version this program does not read
    Damaged,          // its length, checksum or content does not hold together
};

class EPacketUnreadable : public EDBClient {
public:
    EPacketUnreadable(PacketFault fault, std::string message) : EDBClient(std::move(message)), fault_(fault) {}
    PacketFault Fault() const noexcept { return fault_; }
    int SystemError() const noexcept { return systemError_; }
    uint64_t Held() const noexcept { return held_; }
    uint64_t Expected() const noexcept { return expected_; }

    EPacketUnreadable &WithSystemError(int error) {
        systemError_ = error;
        return *this;
    }
    EPacketUnreadable &WithSizes(uint64_t held, uint64_t expected) {
        held_ = held;
        expected_ = expected;
        return *this;
    }

private:
    PacketFault fault_;
    int systemError_ = 0;
    uint64_t held_ = 0;
    uint64_t expected_ = 0;
};
