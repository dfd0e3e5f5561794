#include <gtest/gtest.h>

#include "bootp/bootp.h"
#include "bootp_request.h"

namespace {

Bytes reply_to(const Bytes& request) {
    const auto buf = in_listen_buffer(request);
    Bytes reply(bootp::kReplySize + 8, 0xAA);  // guard bytes past the end
    const std::size_t len = bootp::layout_reply(buf.data(), reply.data());
    EXPECT_EQ(len, bootp::kReplySize);
    EXPECT_EQ(Bytes(reply.begin() + 300, reply.end()), Bytes(8, 0xAA)) << "wrote past 300 bytes";
    reply.resize(len);
    return reply;
}

Bytes slice(const Bytes& b, std::size_t from, std::size_t to) { return Bytes(b.begin() + from, b.begin() + to); }

const Bytes kFixedOptions = {
    1,   4, 255, 255, 255, 0,             // subnet mask 255.255.255.0
    13,  2, 0,   1,                       // boot file size: 1
    12,  6, 'i', 'n', 's', 't', 'r', '1', // host name
    145, 1, 100,                          // site option 145
    146, 1, 1,                            // site option 146
    147, 1, 1,                            // site option 147
    255,                                  // end
};

TEST(ReplyLayout, AnswersTheInstrumentsRequestByteForByte) {
    const Bytes expected = concat({
        {2, 1, 6, 0},                          // op BOOTREPLY, htype, hlen, hops
        {0x12, 0x34, 0x56, 0x78},              // xid
        {0x00, 0x03},                          // secs
        {0x80, 0x00},                          // flags: broadcast
        {0, 0, 0, 0},                          // ciaddr
        {10, 1, 1, 101},                       // yiaddr: the instrument
        {10, 1, 1, 100},                       // siaddr: this computer
        {10, 1, 1, 100},                       // giaddr: this computer
        {0x00, 0x01, 0xE6, 0x02, 0xE4, 0x51},  // chaddr
        zeros(10),                             //
        {'a', 'b', 'c'},                       // sname, the request's
        zeros(61),                             //
        {'b', 'o', 'o', 't'},                  // file, the request's
        zeros(124),                            //
        {99, 130, 83, 99},                     // magic cookie, the request's
        kFixedOptions,                         //
        zeros(32),                             // fill to 300
    });
    ASSERT_EQ(expected.size(), 300u);
    EXPECT_EQ(reply_to(instrument_request()), expected);
}

TEST(ReplyLayout, OpIsTheRequestsPlusOneModulo256) {
    const struct {
        std::uint8_t request_op, reply_op;
    } cases[] = {{1, 2}, {2, 3}, {0, 1}, {255, 0}};
    for (const auto& c : cases) {
        Bytes request = instrument_request();
        request[bootp::kOp] = c.request_op;
        EXPECT_EQ(reply_to(request)[bootp::kOp], c.reply_op) << "request op " << int(c.request_op);
    }
}

TEST(ReplyLayout, HeaderFieldsComeBackUnchanged) {
    const Bytes headers[] = {
        {6, 16, 3, 0xDE, 0xAD, 0xBE, 0xEF, 0xFF, 0xFF, 0x80, 0x00, 192, 168, 7, 9},  // broadcast flag set
        {1, 6, 0, 0, 0, 0, 1, 0, 0, 0x00, 0x00, 0, 0, 0, 0},                         // broadcast flag clear
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    };
    for (const Bytes& h : headers) {
        Bytes request = instrument_request();
        std::copy(h.begin(), h.end(), request.begin() + bootp::kHtype);
        EXPECT_EQ(slice(reply_to(request), bootp::kHtype, bootp::kYiaddr), h);
    }
}

TEST(ReplyLayout, AddressesAreTheStationsNotTheRequests) {
    Bytes request = instrument_request();
    for (std::size_t i = bootp::kYiaddr; i < bootp::kChaddr; ++i) request[i] = 0x77;
    EXPECT_EQ(slice(reply_to(request), bootp::kYiaddr, bootp::kChaddr),
              Bytes({10, 1, 1, 101, 10, 1, 1, 100, 10, 1, 1, 100}));
}

TEST(ReplyLayout, ChaddrSnameFileAndCookieAreCopied) {
    Bytes request = instrument_request();
    for (std::size_t i = bootp::kChaddr; i < bootp::kOptions; ++i) request[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(slice(reply_to(request), bootp::kChaddr, bootp::kOptions),
              slice(request, bootp::kChaddr, bootp::kOptions));
}

TEST(ReplyLayout, ShortRequestLeavesZerosUpToTheOptions) {
    const Bytes request = slice(instrument_request(), 0, 34);
    const Bytes reply = reply_to(request);
    EXPECT_EQ(slice(reply, 28, 34), Bytes(kInstrumentMac, kInstrumentMac + 6));
    EXPECT_EQ(slice(reply, 34, bootp::kOptions), zeros(bootp::kOptions - 34)) << "cookie included";
    EXPECT_EQ(slice(reply, bootp::kOptions, 268), kFixedOptions);
    EXPECT_EQ(slice(reply, 268, 300), zeros(32));
}

TEST(ReplyLayout, RequestsOwnOptionsNeverReachTheReply) {
    Bytes request = instrument_request();
    request.resize(8192);
    std::fill(request.begin() + bootp::kOptions, request.end(), 0xEE);
    const Bytes reply = reply_to(request);
    EXPECT_EQ(slice(reply, bootp::kOptions, 268), kFixedOptions);
    EXPECT_EQ(slice(reply, 268, 300), zeros(32));
}

}  // namespace
