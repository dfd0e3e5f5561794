// The clock push: three unsolicited NTP server messages carrying this
// computer's time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ntp {

constexpr std::uint16_t kPort = 123;

// Seconds from 1900-01-01 (NTP's era start) to 1970-01-01 (the system clock's).
constexpr std::uint32_t kUnixToNtpOffset = 2208988800u;

// Offsets into a time message.
constexpr std::size_t kLiVnMode = 0;
constexpr std::size_t kStratum = 1;
constexpr std::size_t kPoll = 2;
constexpr std::size_t kPrecision = 3;
constexpr std::size_t kRootDelay = 4;
constexpr std::size_t kRootDispersion = 8;
constexpr std::size_t kReferenceId = 12;
constexpr std::size_t kReferenceTime = 16;
constexpr std::size_t kOriginTime = 24;
constexpr std::size_t kReceiveTime = 32;
constexpr std::size_t kTransmitTime = 40;
constexpr std::size_t kMessageSize = 48;
static_assert(kTransmitTime + 8 == kMessageSize, "a time message is 48 bytes");

// NTP seconds for a system clock reading, modulo 2^32: the count starts again
// from 0 on 2036-02-07 06:28:16 UTC.
std::uint32_t ntp_seconds(std::int64_t unix_seconds);

// Writes a time message for `unix_seconds` into `msg` (kMessageSize bytes)
// and returns its length.
std::size_t layout_time_message(std::uint8_t* msg, std::int64_t unix_seconds);

// The phase, over the run state.
void push_time();

}  // namespace ntp
