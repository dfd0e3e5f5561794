// The platform layer over Winsock 2.
#include "net/net.h"

#include <winsock2.h>
#include <windows.h>

#include <ctime>

namespace net {
namespace {

static_assert(sizeof(WSADATA) <= sizeof(StartupRecord::system), "room for the start-up record");
static_assert(sizeof(sockaddr_in) == sizeof(SockAddrIn));

sockaddr_in to_system(const SockAddrIn& record) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = record.port;
    sa.sin_addr.s_addr = record.addr;
    return sa;
}

SOCKET handle(Socket s) { return static_cast<SOCKET>(s); }

}  // namespace

int startup(std::uint16_t version, StartupRecord* record) {
    record->version = version;
    return WSAStartup(version, reinterpret_cast<WSADATA*>(record->system));
}

void cleanup() { WSACleanup(); }

int last_error() { return WSAGetLastError(); }

Socket udp_socket() {
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<Socket>(s);
}

int bind(Socket s, const SockAddrIn* local, int local_len) {
    const sockaddr_in sa = to_system(*local);
    return ::bind(handle(s), reinterpret_cast<const sockaddr*>(&sa), local_len);
}

int recvfrom(Socket s, std::uint8_t* buf, int capacity, int flags, SockAddrIn* from, int* from_len) {
    sockaddr_in sa{};
    int sa_len = sizeof sa;
    int got = ::recvfrom(handle(s), reinterpret_cast<char*>(buf), capacity, flags, reinterpret_cast<sockaddr*>(&sa),
                         &sa_len);
    // A datagram longer than the buffer arrives cut to it, as on Linux: Winsock
    // fills the buffer and the sender but reports the cut as a failure, which
    // would let one oversized foreign datagram end the run.
    if (got == SOCKET_ERROR && WSAGetLastError() == WSAEMSGSIZE) got = capacity;
    if (got == SOCKET_ERROR) return -1;
    from->family = kAfInet;
    from->port = sa.sin_port;
    from->addr = sa.sin_addr.s_addr;
    *from_len = sizeof(SockAddrIn);
    return got;
}

int sendto(Socket s, const std::uint8_t* buf, int len, int flags, const SockAddrIn* to, int to_len) {
    const sockaddr_in sa = to_system(*to);
    return ::sendto(handle(s), reinterpret_cast<const char*>(buf), len, flags,
                    reinterpret_cast<const sockaddr*>(&sa), to_len);
}

int setsockopt_broadcast(Socket s) {
    const char on = 1;  // Winsock takes a one-byte true
    return ::setsockopt(handle(s), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
}

void closesocket(Socket s) { ::closesocket(handle(s)); }

void sleep_ms(unsigned ms) { Sleep(ms); }

std::int64_t time_now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace net
