// BOOTP: the message layout, and the three phases that serve the instrument.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bootp {

constexpr std::uint16_t kServerPort = 67;
constexpr std::uint16_t kClientPort = 68;

// Offsets into a BOOTP message.
constexpr std::size_t kOp = 0;
constexpr std::size_t kHtype = 1;  // htype, hlen, hops, xid, secs, flags, ciaddr follow
constexpr std::size_t kYiaddr = 16;
constexpr std::size_t kSiaddr = 20;
constexpr std::size_t kGiaddr = 24;
constexpr std::size_t kChaddr = 28;
constexpr std::size_t kSname = 44;
constexpr std::size_t kFile = 108;
constexpr std::size_t kVend = 236;  // the magic cookie, then options
constexpr std::size_t kOptions = 240;

constexpr std::size_t kHeaderSize = 236;
constexpr std::size_t kVendSize = 64;
// The classic BOOTP size: clients that predate DHCP expect a 64-byte vendor area.
constexpr std::size_t kReplySize = kHeaderSize + kVendSize;
constexpr std::size_t kMacLen = 6;

static_assert(kSname == kChaddr + 16 && kFile == kSname + 64 && kVend == kFile + 128);
static_assert(kVend == kHeaderSize, "the vendor area follows the fixed header");
static_assert(kReplySize == 300, "the reply is 300 bytes");

// A request must be readable this far: the layout copies up to the cookie.
constexpr std::size_t kRequestSpan = kOptions;

constexpr std::uint8_t kOptSubnetMask = 1;
constexpr std::uint8_t kOptHostName = 12;
constexpr std::uint8_t kOptBootFileSize = 13;
constexpr std::uint8_t kOptSite145 = 145;
constexpr std::uint8_t kOptSite146 = 146;
constexpr std::uint8_t kOptSite147 = 147;
constexpr std::uint8_t kOptEnd = 255;

// True for the instrument's request: its client hardware address is `mac`
// and it was sent from 0.0.0.0, by a client that has no address yet.
// `datagram` must be readable for kChaddr + kMacLen bytes.
bool is_instrument_request(const std::uint8_t* datagram, std::uint32_t sender_addr);

// Writes the reply to `request` into `reply` (kReplySize bytes) and returns
// its length. `request` must be readable for kRequestSpan bytes.
std::size_t layout_reply(const std::uint8_t* request, std::uint8_t* reply);

// The phases, over the run state.
void wait_for_request();
int build_reply();
void broadcast_reply(int len);

}  // namespace bootp
