// The POSIX platform layer itself, over loopback only.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <netinet/in.h>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <vector>

#include "net/net.h"

namespace {

net::SockAddrIn loopback(std::uint16_t port) {
    return net::SockAddrIn{net::kAfInet, net::hton16(port), net::inet_addr("127.0.0.1"), {}};
}

// A socket bound to a free loopback port; closed when the test ends.
struct BoundSocket {
    net::Socket s = net::udp_socket();
    net::SockAddrIn where = loopback(0);
    BoundSocket() {
        EXPECT_NE(s, net::kInvalidSocket);
        EXPECT_EQ(net::bind(s, &where, sizeof where), 0);
        sockaddr_storage sa{};
        socklen_t len = sizeof sa;
        getsockname(static_cast<int>(s), reinterpret_cast<sockaddr*>(&sa), &len);
        std::memcpy(&where.port, &reinterpret_cast<sockaddr_in*>(&sa)->sin_port, 2);
    }
    ~BoundSocket() { net::closesocket(s); }
};

TEST(PosixLayer, StartupSucceedsAndKeepsTheVersion) {
    net::StartupRecord record{};
    EXPECT_EQ(net::startup(0x0202, &record), 0);
    EXPECT_EQ(record.version, 0x0202);
    net::cleanup();
}

TEST(PosixLayer, ABadHandleFailsWithErrorNine) {
    const net::SockAddrIn any = loopback(0);
    for (const net::Socket bad : {net::kInvalidSocket, net::Socket{1} << 40}) {
        errno = 0;
        EXPECT_EQ(net::bind(bad, &any, sizeof any), -1);
        EXPECT_EQ(net::last_error(), 9);
    }
}

TEST(PosixLayer, AnAddressNotOnThisComputerFailsWithError99) {
    const net::Socket s = net::udp_socket();
    // TEST-NET-1: documentation only, on no interface here. A bind sends nothing.
    const net::SockAddrIn elsewhere{net::kAfInet, 0, net::inet_addr("192.0.2.1"), {}};
    EXPECT_EQ(net::bind(s, &elsewhere, sizeof elsewhere), -1);
    EXPECT_EQ(net::last_error(), 99);
    net::closesocket(s);
}

TEST(PosixLayer, APortInUseFailsWithError98) {
    BoundSocket first;
    const net::Socket second = net::udp_socket();
    EXPECT_EQ(net::bind(second, &first.where, sizeof first.where), -1);
    EXPECT_EQ(net::last_error(), 98);
    net::closesocket(second);
}

TEST(PosixLayer, BroadcastFlagIsAccepted) {
    const net::Socket s = net::udp_socket();
    EXPECT_EQ(net::setsockopt_broadcast(s), 0);
    int on = 0;
    socklen_t len = sizeof on;
    getsockopt(static_cast<int>(s), SOL_SOCKET, SO_BROADCAST, &on, &len);
    EXPECT_EQ(on, 1);
    net::closesocket(s);
}

TEST(PosixLayer, ADatagramTravelsWithItsSender) {
    BoundSocket receiver, sender;
    const std::uint8_t hello[] = {1, 2, 3};
    ASSERT_EQ(net::sendto(sender.s, hello, 3, 0, &receiver.where, sizeof receiver.where), 3);
    std::uint8_t buf[16] = {};
    net::SockAddrIn from{};
    int from_len = sizeof from;
    ASSERT_EQ(net::recvfrom(receiver.s, buf, sizeof buf, 0, &from, &from_len), 3);
    EXPECT_EQ(std::vector<std::uint8_t>(buf, buf + 3), std::vector<std::uint8_t>({1, 2, 3}));
    EXPECT_EQ(from.addr, net::inet_addr("127.0.0.1"));
    EXPECT_EQ(from.port, sender.where.port);
    EXPECT_EQ(from_len, 16);
}

TEST(PosixLayer, ADatagramLongerThanTheBufferIsCutToIt) {
    BoundSocket receiver, sender;
    const std::vector<std::uint8_t> big(9000, 0x42);
    ASSERT_EQ(net::sendto(sender.s, big.data(), 9000, 0, &receiver.where, sizeof receiver.where), 9000);
    std::vector<std::uint8_t> buf(8192 + 16, 0);
    net::SockAddrIn from{};
    int from_len = sizeof from;
    EXPECT_EQ(net::recvfrom(receiver.s, buf.data(), 8192, 0, &from, &from_len), 8192);
    EXPECT_EQ(buf[8191], 0x42);
    EXPECT_EQ(buf[8192], 0);
}

extern "C" void ignore_alarm(int) {}

TEST(PosixLayer, SleepLastsTheWholeTimeThoughASignalInterruptsIt) {
    struct sigaction action{}, previous{};
    action.sa_handler = ignore_alarm;  // no SA_RESTART: the signal cuts the sleep short
    sigaction(SIGALRM, &action, &previous);
    itimerval every_20ms{{0, 20000}, {0, 20000}};
    setitimer(ITIMER_REAL, &every_20ms, nullptr);

    const auto start = std::chrono::steady_clock::now();
    net::sleep_ms(250);
    const auto slept = std::chrono::steady_clock::now() - start;

    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    EXPECT_GE(slept, std::chrono::milliseconds(250));
    EXPECT_LT(slept, std::chrono::milliseconds(1000));
}

TEST(PosixLayer, ClockIsTheSystemsInSeconds) {
    const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
    const std::int64_t now = net::time_now();
    EXPECT_GE(now, before);
    EXPECT_LE(now, before + 1);
}

}  // namespace
