#include <gtest/gtest.h>

#include "bootp/bootp.h"
#include "bootp_request.h"
#include "net/net.h"

namespace {

TEST(RequestFilter, AcceptsOnlyTheInstrumentFromTheUnsetAddress) {
    const struct {
        const char* what;
        std::size_t mac_byte;  // which chaddr byte to change, or 6 for none
        const char* sender;
        bool accepted;
    } cases[] = {
        {"the instrument from 0.0.0.0", 6, "0.0.0.0", true},
        {"the instrument from an address it holds", 6, "10.1.1.101", false},
        {"the instrument from the broadcast address", 6, "255.255.255.255", false},
        {"first hardware byte differs", 0, "0.0.0.0", false},
        {"last hardware byte differs", 5, "0.0.0.0", false},
        {"another client from an address", 3, "10.1.1.50", false},
    };
    for (const auto& c : cases) {
        Bytes request = instrument_request();
        if (c.mac_byte < 6) request[bootp::kChaddr + c.mac_byte] ^= 0x01;
        const auto buf = in_listen_buffer(request);
        EXPECT_EQ(bootp::is_instrument_request(buf.data(), net::inet_addr(c.sender)), c.accepted) << c.what;
    }
}

TEST(RequestFilter, LooksAtTheHardwareAddressOnly) {
    Bytes request = instrument_request();
    for (std::size_t i = 0; i < request.size(); ++i)
        if (i < bootp::kChaddr || i >= bootp::kChaddr + bootp::kMacLen) request[i] = 0x5A;
    EXPECT_TRUE(bootp::is_instrument_request(in_listen_buffer(request).data(), 0));
}

TEST(RequestFilter, ShortDatagramsReadAsZerosAndNeverMatch) {
    const Bytes full = instrument_request();
    for (std::size_t len : {0u, 1u, 28u, 33u}) {
        const Bytes cut(full.begin(), full.begin() + static_cast<long>(len));
        EXPECT_FALSE(bootp::is_instrument_request(in_listen_buffer(cut).data(), 0)) << len << " bytes";
    }
    const Bytes just_enough(full.begin(), full.begin() + 34);
    EXPECT_TRUE(bootp::is_instrument_request(in_listen_buffer(just_enough).data(), 0));
}

TEST(AddressText, TextThatIsNoAddressGivesAllOnes) {
    EXPECT_EQ(net::inet_addr("not an address"), 0xFFFFFFFFu);
    EXPECT_STREQ(net::inet_ntoa(net::inet_addr("not an address")), "255.255.255.255");
    EXPECT_STREQ(net::inet_ntoa(net::inet_addr("10.1.1.100")), "10.1.1.100");
}

TEST(PortOrder, PortsLieMostSignificantByteFirst) {
    const std::uint16_t wire = net::hton16(67);
    const auto* b = reinterpret_cast<const std::uint8_t*>(&wire);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 67);
    EXPECT_EQ(net::ntoh16(wire), 67);
    EXPECT_EQ(net::ntoh16(net::hton16(0xABCD)), 0xABCD);
}

}  // namespace
