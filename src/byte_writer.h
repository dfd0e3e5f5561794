// A cursor that writes a packet field after field, multi-byte values most
// significant byte first. It never writes past the end it was given; a
// layout that would is caught by comparing the final position with the
// packet size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteWriter {
public:
    ByteWriter(std::uint8_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

    void u8(std::uint8_t v) { bytes(&v, 1); }

    void u16(std::uint16_t v) {
        const std::uint8_t b[2] = {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
        bytes(b, sizeof b);
    }

    void u32(std::uint32_t v) {
        const std::uint8_t b[4] = {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                                   static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
        bytes(b, sizeof b);
    }

    // An address already in network order goes out as it lies in memory.
    void ipv4(std::uint32_t network_order) {
        std::uint8_t b[4];
        std::memcpy(b, &network_order, sizeof b);
        bytes(b, sizeof b);
    }

    void bytes(const void* src, std::size_t n) {
        if (n > capacity_ - pos_) n = capacity_ - pos_;
        std::memcpy(out_ + pos_, src, n);
        pos_ += n;
    }

    void zeros(std::size_t n) {
        if (n > capacity_ - pos_) n = capacity_ - pos_;
        std::memset(out_ + pos_, 0, n);
        pos_ += n;
    }

    std::size_t pos() const { return pos_; }

private:
    std::uint8_t* out_;
    std::size_t capacity_;
    std::size_t pos_ = 0;
};
