// Which datagram on port 67 is the instrument's request.
#include <cstring>

#include "bootp/bootp.h"
#include "net/net.h"
#include "station.h"

namespace bootp {

bool is_instrument_request(const std::uint8_t* datagram, std::uint32_t sender_addr) {
    const bool hardware_matches = std::memcmp(datagram + kChaddr, mac, kMacLen) == 0;
    const bool from_unset_address = sender_addr == net::inet_addr("0.0.0.0");
    return hardware_matches && from_unset_address;
}

}  // namespace bootp
