// The BOOTREPLY that gives the instrument its address, host name and options.
#include "bootp/bootp.h"
#include "byte_writer.h"
#include "net/net.h"
#include "station.h"

namespace bootp {

namespace {
constexpr std::uint32_t kSubnetMask = 0xFFFFFF00;  // 255.255.255.0, fixed
constexpr std::uint16_t kBootFileSize = 1;
constexpr std::uint8_t kSite145Value = 100;
constexpr std::uint8_t kSite146Value = 1;
constexpr std::uint8_t kSite147Value = 1;
}  // namespace

std::size_t layout_reply(const std::uint8_t* request, std::uint8_t* reply) {
    ByteWriter w(reply, kReplySize);
    w.u8(static_cast<std::uint8_t>(request[kOp] + 1));  // BOOTREQUEST 1 becomes BOOTREPLY 2
    w.bytes(request + kHtype, kYiaddr - kHtype);        // htype .. ciaddr, flags included
    w.ipv4(net::inet_addr(agilent_IP));                 // yiaddr
    w.ipv4(net::inet_addr(my_IP));                      // siaddr
    w.ipv4(net::inet_addr(my_IP));                      // giaddr
    // chaddr, sname, file and the magic cookie: the cookie is the client's own,
    // zero when the request is too short to carry one.
    w.bytes(request + kChaddr, kOptions - kChaddr);

    w.u8(kOptSubnetMask);
    w.u8(4);
    w.u32(kSubnetMask);
    w.u8(kOptBootFileSize);
    w.u8(2);
    w.u16(kBootFileSize);
    w.u8(kOptHostName);
    w.u8(sizeof(name) - 1);
    w.bytes(name, sizeof(name) - 1);
    w.u8(kOptSite145);
    w.u8(1);
    w.u8(kSite145Value);
    w.u8(kOptSite146);
    w.u8(1);
    w.u8(kSite146Value);
    w.u8(kOptSite147);
    w.u8(1);
    w.u8(kSite147Value);
    w.u8(kOptEnd);
    w.zeros(kReplySize - w.pos());
    return w.pos();
}

}  // namespace bootp
