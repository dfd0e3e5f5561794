// The Winsock platform layer itself, over loopback only.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "net/net.h"

namespace {

class WinsockLayer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(net::startup(0x0202, &record_), 0); }
    void TearDown() override { net::cleanup(); }

    net::SockAddrIn loopback(std::uint16_t port) {
        return net::SockAddrIn{net::kAfInet, net::hton16(port), net::inet_addr("127.0.0.1"), {}};
    }

    // Binds `s` to a free loopback port and returns where.
    net::SockAddrIn bind_anywhere(net::Socket s) {
        net::SockAddrIn where = loopback(0);
        EXPECT_EQ(net::bind(s, &where, sizeof where), 0);
        sockaddr_in sa{};
        int len = sizeof sa;
        getsockname(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&sa), &len);
        where.port = sa.sin_port;
        return where;
    }

    net::StartupRecord record_{};
};

TEST_F(WinsockLayer, StartupKeepsTheVersion) { EXPECT_EQ(record_.version, 0x0202); }

TEST_F(WinsockLayer, AFailedHandleIsNotASocket) {
    const net::SockAddrIn any = loopback(0);
    EXPECT_EQ(net::bind(net::kInvalidSocket, &any, sizeof any), -1);
    EXPECT_EQ(net::last_error(), WSAENOTSOCK);
}

TEST_F(WinsockLayer, APortInUseFailsWith10048) {
    const net::Socket first = net::udp_socket(), second = net::udp_socket();
    const net::SockAddrIn taken = bind_anywhere(first);
    EXPECT_EQ(net::bind(second, &taken, sizeof taken), -1);
    EXPECT_EQ(net::last_error(), 10048);
    net::closesocket(first);
    net::closesocket(second);
}

TEST_F(WinsockLayer, BroadcastFlagIsAccepted) {
    const net::Socket s = net::udp_socket();
    EXPECT_EQ(net::setsockopt_broadcast(s), 0);
    net::closesocket(s);
}

TEST_F(WinsockLayer, ADatagramLongerThanTheBufferIsCutNotFailed) {
    const net::Socket receiver = net::udp_socket(), sender = net::udp_socket();
    const net::SockAddrIn to = bind_anywhere(receiver);
    const net::SockAddrIn from_expected = bind_anywhere(sender);
    const std::vector<std::uint8_t> big(9000, 0x42);
    ASSERT_EQ(net::sendto(sender, big.data(), 9000, 0, &to, sizeof to), 9000);

    std::vector<std::uint8_t> buf(8192 + 16, 0);
    net::SockAddrIn from{};
    int from_len = sizeof from;
    EXPECT_EQ(net::recvfrom(receiver, buf.data(), 8192, 0, &from, &from_len), 8192);
    EXPECT_EQ(buf[8191], 0x42);
    EXPECT_EQ(buf[8192], 0);
    EXPECT_EQ(from.port, from_expected.port);
    EXPECT_EQ(from.addr, net::inet_addr("127.0.0.1"));
    net::closesocket(receiver);
    net::closesocket(sender);
}

TEST_F(WinsockLayer, SleepLastsTheTimeAsked) {
    const auto start = std::chrono::steady_clock::now();
    net::sleep_ms(100);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(95));
}

}  // namespace
