// The state of one run: fixed-size, zero at start, alive until the process
// ends. The phases meet here rather than through arguments.
#pragma once

#include <cstdint>

#include "net/net.h"

constexpr int kListenBufSize = 8192;
constexpr int kReplyBufSize = 500;
constexpr int kTimeBufSize = 56;

extern net::StartupRecord wsa;

extern net::Socket BOOTPlisten;
extern net::Socket BOOTPreply;
extern net::Socket NTPreply;

extern net::SockAddrIn BOOTPlistenAddr;      // 0.0.0.0:67, where requests arrive
extern net::SockAddrIn BOOTPReplyInterface;  // my_IP:67, where the reply leaves from
extern net::SockAddrIn BOOTPReplyAddr;       // 255.255.255.255:68
extern net::SockAddrIn NTPReplyAddr;         // agilent_IP:123
extern net::SockAddrIn NTPReplyInterface;    // my_IP, any free port
extern net::SockAddrIn BOOTPIncoming;        // sender of the last datagram

extern std::uint8_t BOOTPlistenBUF[kListenBufSize];
extern std::uint8_t BOOTPreplyBUF[kReplyBufSize];
extern std::uint8_t NTPBUF[kTimeBufSize];

extern std::int32_t recv_len;

// Prints `format` with the last socket error code and ends the process with
// status 1. Nothing is closed: the operating system reclaims it all.
[[noreturn]] void fail_with_last_error(const char* format);
