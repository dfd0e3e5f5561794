// The run, in the order the console shows it.
#include "run.h"

#include <cstdio>

#include "bootp/bootp.h"
#include "net/net.h"
#include "ntp/ntp.h"
#include "run_state.h"
#include "station.h"

namespace {

constexpr std::uint16_t kWinsockVersion = 0x0202;  // 2.2
constexpr std::uint16_t kAnyPort = 0;

// A failed creation is reported and passed over: the first bind on the
// handle then fails and ends the run.
net::Socket create_socket() {
    const net::Socket s = net::udp_socket();
    if (s == net::kInvalidSocket) std::printf("Could not create socket : %d", net::last_error());
    return s;
}

void fill_endpoint(net::SockAddrIn* record, std::uint32_t addr, std::uint16_t port) {
    record->family = net::kAfInet;
    record->port = net::hton16(port);
    record->addr = addr;
    std::printf("\tCreating a socket with the address of %s:%d\n", net::inet_ntoa(record->addr), port);
}

}  // namespace

int udpProtocol() {
    // 1-3: the socket library.
    std::printf("Using Winsock to setup socket...");
    if (net::startup(kWinsockVersion, &wsa) != 0) fail_with_last_error("Failed to start Winsock. Error Code : %d");
    std::puts("Succesful!");

    // 4-6: all three sockets at once.
    std::printf("Creating socket...");
    BOOTPlisten = create_socket();
    BOOTPreply = create_socket();
    NTPreply = create_socket();
    std::puts("Sockets created.");
    std::puts("Binding sockets to their addresses and ports:");

    // 7: the five endpoints.
    fill_endpoint(&BOOTPlistenAddr, 0, bootp::kServerPort);
    fill_endpoint(&BOOTPReplyInterface, net::inet_addr(my_IP), bootp::kServerPort);
    fill_endpoint(&BOOTPReplyAddr, net::inet_addr("255.255.255.255"), bootp::kClientPort);
    fill_endpoint(&NTPReplyAddr, net::inet_addr(agilent_IP), ntp::kPort);
    fill_endpoint(&NTPReplyInterface, net::inet_addr(my_IP), kAnyPort);

    // 8-9: listen on port 67 of every local address.
    std::printf("Starting to bind...");
    if (net::bind(BOOTPlisten, &BOOTPlistenAddr, sizeof BOOTPlistenAddr) == -1)
        fail_with_last_error("Bind failed with error code : %d");
    std::puts("Bind done");
    std::puts("Listening on computer port 67 for Agilent broadcast.");

    // 10-13: the phases.
    bootp::wait_for_request();
    const int reply_len = bootp::build_reply();
    bootp::broadcast_reply(reply_len);
    ntp::push_time();

    // 14: teardown; the BOOTP sockets are already closed.
    std::printf("-----DONE!-----");
    net::closesocket(NTPreply);
    net::cleanup();
    return 0;
}
