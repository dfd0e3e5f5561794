#include "run_state.h"

#include <cstdio>
#include <cstdlib>

net::StartupRecord wsa;

net::Socket BOOTPlisten;
net::Socket BOOTPreply;
net::Socket NTPreply;

net::SockAddrIn BOOTPlistenAddr;
net::SockAddrIn BOOTPReplyInterface;
net::SockAddrIn BOOTPReplyAddr;
net::SockAddrIn NTPReplyAddr;
net::SockAddrIn NTPReplyInterface;
net::SockAddrIn BOOTPIncoming;

std::uint8_t BOOTPlistenBUF[kListenBufSize];
std::uint8_t BOOTPreplyBUF[kReplyBufSize];
std::uint8_t NTPBUF[kTimeBufSize];

std::int32_t recv_len;

void fail_with_last_error(const char* format) {
    std::printf(format, net::last_error());
    std::exit(1);
}
