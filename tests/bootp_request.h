// A good request from the instrument, for tests to change one field of.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "bootp/bootp.h"

using Bytes = std::vector<std::uint8_t>;

inline Bytes zeros(std::size_t n) { return Bytes(n, 0); }

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

constexpr std::uint8_t kInstrumentMac[6] = {0x00, 0x01, 0xE6, 0x02, 0xE4, 0x51};

// What the instrument broadcasts: a BOOTREQUEST with the broadcast flag,
// a short sname and file, the magic cookie and a few options of its own.
inline Bytes instrument_request() {
    return concat({
        {1, 1, 6, 0},                          // op BOOTREQUEST, htype Ethernet, hlen 6, hops
        {0x12, 0x34, 0x56, 0x78},              // xid
        {0x00, 0x03},                          // secs
        {0x80, 0x00},                          // flags: broadcast
        {0, 0, 0, 0},                          // ciaddr
        {0, 0, 0, 0},                          // yiaddr
        {0, 0, 0, 0},                          // siaddr
        {0, 0, 0, 0},                          // giaddr
        {0x00, 0x01, 0xE6, 0x02, 0xE4, 0x51},  // chaddr
        zeros(10),                             //
        {'a', 'b', 'c'},                       // sname
        zeros(61),                             //
        {'b', 'o', 'o', 't'},                  // file
        zeros(124),                            //
        {99, 130, 83, 99},                     // magic cookie
        {55, 2, 1, 3},                         // its own options: parameter list
        {255},                                 // end
        zeros(55),                             // padded to 300
    });
}

// A request as the listening buffer holds it: zero past its end.
inline std::array<std::uint8_t, 8192> in_listen_buffer(const Bytes& datagram) {
    std::array<std::uint8_t, 8192> buf{};
    std::copy_n(datagram.begin(), std::min(datagram.size(), buf.size()), buf.begin());
    return buf;
}
