#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ntp/ntp.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes message_at(std::int64_t unix_seconds) {
    Bytes msg(ntp::kMessageSize + 8, 0xAA);  // guard bytes past the end
    const std::size_t len = ntp::layout_time_message(msg.data(), unix_seconds);
    EXPECT_EQ(len, ntp::kMessageSize);
    EXPECT_EQ(Bytes(msg.begin() + 48, msg.end()), Bytes(8, 0xAA)) << "wrote past 48 bytes";
    msg.resize(len);
    return msg;
}

Bytes seconds_bytes(const Bytes& msg, std::size_t at) { return Bytes(msg.begin() + at, msg.begin() + at + 4); }

TEST(TimeMessage, ByteExactForAFixedClock) {
    // 2023-11-14 22:13:20 UTC: NTP seconds 3908988800 = 0xE8FE6F80.
    const Bytes expected = {
        0xDC,                    // leap 3, version 3, mode 4 (server)
        0,                       // stratum
        10,                      // poll: 2^10 s
        0xFA,                    // precision: 2^-6 s
        0, 0, 0, 0,              // root delay
        0, 1, 4, 0,              // root dispersion: 1.015625 s
        0, 0, 0, 0,              // reference identifier
        0, 0, 0, 0, 0, 0, 0, 0,  // reference timestamp
        0, 0, 0, 0, 0, 0, 0, 0,  // origin timestamp
        0xE8, 0xFE, 0x6F, 0x80,  // receive timestamp: seconds
        0, 0, 0, 0,              //   fraction
        0xE8, 0xFE, 0x6F, 0x80,  // transmit timestamp: seconds
        0, 0, 0, 0,              //   fraction
    };
    EXPECT_EQ(message_at(1700000000), expected);
}

TEST(TimeMessage, SecondsAtTheEdges) {
    const struct {
        const char* when;
        std::int64_t unix_seconds;
        Bytes seconds;
    } cases[] = {
        {"1970-01-01 00:00:00", 0, {0x83, 0xAA, 0x7E, 0x80}},
        {"1970-01-01 00:00:01", 1, {0x83, 0xAA, 0x7E, 0x81}},
        {"2036-02-07 06:28:15", 2085978495, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"2036-02-07 06:28:16", 2085978496, {0, 0, 0, 0}},
        {"2036-02-07 06:28:17", 2085978497, {0, 0, 0, 1}},
        {"2106-02-07 06:28:16", 4294967296, {0x83, 0xAA, 0x7E, 0x80}},
    };
    for (const auto& c : cases) {
        const Bytes msg = message_at(c.unix_seconds);
        EXPECT_EQ(seconds_bytes(msg, ntp::kReceiveTime), c.seconds) << c.when;
        EXPECT_EQ(seconds_bytes(msg, ntp::kTransmitTime), c.seconds) << c.when;
    }
}

TEST(TimeMessage, ReceiveEqualsTransmitAndFractionsAreZero) {
    for (const std::int64_t t : {std::int64_t{0}, std::int64_t{1234567890}, std::int64_t{2085978496},
                                 std::int64_t{1893456000}}) {
        const Bytes msg = message_at(t);
        EXPECT_EQ(seconds_bytes(msg, ntp::kReceiveTime), seconds_bytes(msg, ntp::kTransmitTime)) << t;
        EXPECT_EQ(seconds_bytes(msg, ntp::kReceiveTime + 4), Bytes(4, 0)) << t;
        EXPECT_EQ(seconds_bytes(msg, ntp::kTransmitTime + 4), Bytes(4, 0)) << t;
    }
}

TEST(TimeMessage, NtpSecondsAreTheUnixOnesPlusTheEraOffset) {
    EXPECT_EQ(ntp::ntp_seconds(0), 2208988800u);
    EXPECT_EQ(ntp::ntp_seconds(-2208988800LL), 0u);  // 1900-01-01
    EXPECT_EQ(ntp::ntp_seconds(2085978496), 0u);
    // The same sum as taking 0x7C558180 from the low 32 bits of the clock.
    for (const std::int64_t t : {std::int64_t{0}, std::int64_t{1700000000}, std::int64_t{4000000000}})
        EXPECT_EQ(ntp::ntp_seconds(t), static_cast<std::uint32_t>(static_cast<std::uint32_t>(t) - 0x7C558180u));
}

}  // namespace
