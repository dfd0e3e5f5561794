// Fuzzes the intake filter and the reply layout with any datagram from any
// sender. An input is the sender (four address bytes, two port bytes, as
// they lie in an address record) followed by the datagram, 0 to 65535 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "bootp/bootp.h"
#include "ntp/ntp.h"

namespace {

constexpr std::size_t kSenderBytes = 6;
constexpr std::size_t kListenBuf = 8192;
constexpr std::size_t kReplyBuf = 500;
constexpr std::uint8_t kMac[6] = {0x00, 0x01, 0xE6, 0x02, 0xE4, 0x51};

void check(bool holds) {
    if (!holds) std::abort();
}

bool all_zero(const std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kSenderBytes) return 0;
    std::uint32_t sender;
    std::memcpy(&sender, data, sizeof sender);
    const std::uint8_t* datagram = data + kSenderBytes;
    const std::size_t len = size - kSenderBytes;

    // As the intake receives it: cut to the buffer, zero past its end.
    static std::uint8_t listen[kListenBuf];
    std::memset(listen, 0, sizeof listen);
    std::memcpy(listen, datagram, len < kListenBuf ? len : kListenBuf);

    const bool accepted = bootp::is_instrument_request(listen, sender);
    check(accepted == (sender == 0 && std::memcmp(listen + bootp::kChaddr, kMac, 6) == 0));

    static std::uint8_t reply[kReplyBuf];
    std::memset(reply, 0, sizeof reply);
    check(bootp::layout_reply(listen, reply) == bootp::kReplySize);
    check(reply[bootp::kOp] == static_cast<std::uint8_t>(listen[bootp::kOp] + 1));
    check(std::memcmp(reply + 1, listen + 1, bootp::kYiaddr - 1) == 0);
    check(std::memcmp(reply + bootp::kChaddr, listen + bootp::kChaddr, bootp::kOptions - bootp::kChaddr) == 0);
    check(reply[bootp::kOptions] == bootp::kOptSubnetMask && reply[267] == bootp::kOptEnd);
    check(all_zero(reply + 268, kReplyBuf - 268));  // nothing of the request past its cookie

    // Any clock reading, from the datagram's first bytes.
    std::int64_t clock = 0;
    std::memcpy(&clock, listen, sizeof clock);
    std::uint8_t msg[ntp::kMessageSize + 8] = {};
    check(ntp::layout_time_message(msg, clock) == ntp::kMessageSize);
    check(std::memcmp(msg + ntp::kReceiveTime, msg + ntp::kTransmitTime, 8) == 0);
    check(all_zero(msg + ntp::kMessageSize, 8));
    return 0;
}
