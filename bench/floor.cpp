// The floor for the benchmarks: the least a station can do on port 67.
//   floor respond N    answers N requests: receive, then send 300 bytes back
//                      as a broadcast, nothing else
//   floor drain S      receives for S seconds after the first datagram and
//                      reports how many arrived
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Port 67 of `address`; both sockets share the port, bound before the first request.
int socket_67(const char* address) {
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(67);
    local.sin_addr.s_addr = inet_addr(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) < 0) {
        std::fprintf(stderr, "floor: bind %s:67: %s\n", address, std::strerror(errno));
        std::exit(1);
    }
    return s;
}

int listen_67() { return socket_67("0.0.0.0"); }

int respond(int count) {
    const int s = listen_67();
    const int out = socket_67("10.1.1.100");  // the broadcast leaves by the station's interface
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(68);
    to.sin_addr.s_addr = INADDR_BROADCAST;
    unsigned char buf[8192];
    std::printf("listening\n");
    std::fflush(stdout);
    for (int i = 0; i < count; ++i) {
        if (recv(s, buf, sizeof buf, 0) < 0) return 1;
        buf[0] = 2;
        if (sendto(out, buf, 300, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) {
            std::perror("floor: sendto");
            return 1;
        }
    }
    return 0;
}

int drain(double seconds) {
    const int s = listen_67();
    unsigned char buf[8192];
    std::printf("listening\n");
    std::fflush(stdout);
    if (recv(s, buf, sizeof buf, 0) < 0) return 1;
    long received = 1;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{s, POLLIN, 0};
        if (poll(&p, 1, 100) > 0 && recv(s, buf, sizeof buf, 0) >= 0) ++received;
    }
    std::printf("drained %ld datagrams in %.1f s: %.0f a second\n", received, seconds,
                static_cast<double>(received) / seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "respond") == 0) return respond(std::atoi(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "drain") == 0) return drain(std::atof(argv[2]));
    std::fputs("usage: floor respond N | floor drain SECONDS\n", stderr);
    return 2;
}
