// The tool's only contact with the operating system's network and clock.
// Everything above this layer reads like the socket calls it stands for and
// includes no system header, so that another platform needs a new layer and
// nothing else.
#pragma once

#include <cstdint>
#include <cstring>

namespace net {

// A handle compares equal to -1 when its creation failed.
using Socket = std::intptr_t;
constexpr Socket kInvalidSocket = -1;

constexpr std::uint16_t kAfInet = 2;

// An IPv4 socket address record: port and address in network byte order.
struct SockAddrIn {
    std::uint16_t family;
    std::uint16_t port;
    std::uint32_t addr;
    std::uint8_t zero[8];
};
static_assert(sizeof(SockAddrIn) == 16, "an address record is passed with length 16");

// What the library start-up fills in; nothing reads it afterwards.
struct StartupRecord {
    std::uint16_t version;
    alignas(8) unsigned char system[512];  // room for the system's own record
};

// 0 on success.
int startup(std::uint16_t version, StartupRecord* record);
void cleanup();
// The code of the last failed call.
int last_error();

// An IPv4 UDP datagram socket, or kInvalidSocket.
Socket udp_socket();
// These return -1 on failure, as the socket calls do.
int bind(Socket s, const SockAddrIn* local, int local_len);
int recvfrom(Socket s, std::uint8_t* buf, int capacity, int flags, SockAddrIn* from, int* from_len);
int sendto(Socket s, const std::uint8_t* buf, int len, int flags, const SockAddrIn* to, int to_len);
// Socket level, broadcast allowed: true.
int setsockopt_broadcast(Socket s);
void closesocket(Socket s);

// Sleeps the whole time, even when a signal interrupts it.
void sleep_ms(unsigned ms);
// Seconds since 1970-01-01 00:00 UTC.
std::int64_t time_now();

// Dotted text to a network-order address; text that is no address gives all ones.
std::uint32_t inet_addr(const char* text);
// A network-order address as dotted text, in a buffer reused by the next call.
const char* inet_ntoa(std::uint32_t addr);

// Port numbers between host order and the network order of an address record,
// by bytes, so that they hold on any host.
inline std::uint16_t hton16(std::uint16_t host) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(host >> 8),
                                   static_cast<std::uint8_t>(host & 0xFF)};
    std::uint16_t wire;
    std::memcpy(&wire, bytes, sizeof wire);
    return wire;
}

inline std::uint16_t ntoh16(std::uint16_t wire) {
    std::uint8_t bytes[2];
    std::memcpy(bytes, &wire, sizeof bytes);
    return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

}  // namespace net
