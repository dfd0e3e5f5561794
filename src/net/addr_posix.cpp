// Address text conversions, from the system's own resolver library.
#include "net/net.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace net {

std::uint32_t inet_addr(const char* text) { return ::inet_addr(text); }

const char* inet_ntoa(std::uint32_t addr) {
    in_addr in{};
    in.s_addr = addr;
    return ::inet_ntoa(in);
}

}  // namespace net
