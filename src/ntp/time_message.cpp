// The NTP server message that carries this computer's time.
#include "byte_writer.h"
#include "ntp/ntp.h"

namespace ntp {

namespace {
// Leap indicator 3, version 3, mode 4 (server): the instrument is used to
// these exact values, unsynchronised flag included.
constexpr std::uint8_t kHeaderByte = 3 << 6 | 3 << 3 | 4;
constexpr std::uint8_t kStratumValue = 0;
constexpr std::uint8_t kPollLog2 = 10;
constexpr std::uint8_t kPrecisionLog2 = 0xFA;               // -6
constexpr std::uint32_t kRootDispersion16_16 = 0x00010400;  // 1.015625 s
}  // namespace

static_assert(kHeaderByte == 0xDC);

std::uint32_t ntp_seconds(std::int64_t unix_seconds) {
    return static_cast<std::uint32_t>(unix_seconds) + kUnixToNtpOffset;
}

std::size_t layout_time_message(std::uint8_t* msg, std::int64_t unix_seconds) {
    const std::uint32_t seconds = ntp_seconds(unix_seconds);
    ByteWriter w(msg, kMessageSize);
    w.u8(kHeaderByte);
    w.u8(kStratumValue);
    w.u8(kPollLog2);
    w.u8(kPrecisionLog2);
    w.u32(0);  // root delay
    w.u32(kRootDispersion16_16);
    w.u32(0);   // reference identifier
    w.zeros(8);  // reference timestamp
    w.zeros(8);  // origin timestamp
    w.u32(seconds);  // receive timestamp, no fraction
    w.u32(0);
    w.u32(seconds);  // transmit timestamp, no fraction
    w.u32(0);
    return w.pos();
}

}  // namespace ntp
