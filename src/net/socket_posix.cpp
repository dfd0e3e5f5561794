// The platform layer over POSIX sockets: no library to start, error codes
// from errno, and a broadcast flag the size of an int.
#include "net/net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace net {
namespace {

sockaddr_in to_system(const SockAddrIn& record) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = record.port;
    sa.sin_addr.s_addr = record.addr;
    return sa;
}

SockAddrIn from_system(const sockaddr_in& sa) {
    SockAddrIn record{};
    record.family = kAfInet;
    record.port = sa.sin_port;
    record.addr = sa.sin_addr.s_addr;
    return record;
}

// A handle that cannot be a descriptor fails the way a closed one does.
bool to_fd(Socket s, int* fd) {
    if (s < 0 || s > INT_MAX) {
        errno = EBADF;
        return false;
    }
    *fd = static_cast<int>(s);
    return true;
}

bool record_fits(int len) {
    if (len < static_cast<int>(sizeof(SockAddrIn))) {
        errno = EINVAL;
        return false;
    }
    return true;
}

}  // namespace

int startup(std::uint16_t version, StartupRecord* record) {
    record->version = version;
    return 0;
}

void cleanup() {}

int last_error() { return errno; }

Socket udp_socket() { return ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP); }

int bind(Socket s, const SockAddrIn* local, int local_len) {
    int fd;
    if (!to_fd(s, &fd) || !record_fits(local_len)) return -1;
    const sockaddr_in sa = to_system(*local);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
}

int recvfrom(Socket s, std::uint8_t* buf, int capacity, int flags, SockAddrIn* from, int* from_len) {
    int fd;
    if (!to_fd(s, &fd) || !record_fits(*from_len)) return -1;
    sockaddr_in sa{};
    socklen_t sa_len = sizeof sa;
    ssize_t got;
    // A stop and continue of the process must not end the wait.
    do {
        got = ::recvfrom(fd, buf, static_cast<size_t>(capacity), flags,
                         reinterpret_cast<sockaddr*>(&sa), &sa_len);
    } while (got == -1 && errno == EINTR);
    if (got == -1) return -1;
    *from = from_system(sa);
    *from_len = sizeof(SockAddrIn);
    return static_cast<int>(got);
}

int sendto(Socket s, const std::uint8_t* buf, int len, int flags, const SockAddrIn* to, int to_len) {
    int fd;
    if (!to_fd(s, &fd) || !record_fits(to_len)) return -1;
    const sockaddr_in sa = to_system(*to);
    ssize_t sent;
    do {
        sent = ::sendto(fd, buf, static_cast<size_t>(len), flags,
                        reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    } while (sent == -1 && errno == EINTR);
    return static_cast<int>(sent);
}

int setsockopt_broadcast(Socket s) {
    int fd;
    if (!to_fd(s, &fd)) return -1;
    // Linux refuses a one-byte flag with EINVAL.
    const int on = 1;
    return ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
}

void closesocket(Socket s) {
    int fd;
    if (to_fd(s, &fd)) ::close(fd);
}

void sleep_ms(unsigned ms) {
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) == -1 && errno == EINTR) {
    }
}

std::int64_t time_now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace net
