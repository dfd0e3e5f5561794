// Address text conversions, from the system's socket library.
#ifdef _WIN32
#define _WINSOCK_DEPRECATED_NO_WARNINGS  // inet_addr and inet_ntoa are what the tool prints with
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

#include "net/net.h"

namespace net {

std::uint32_t inet_addr(const char* text) { return ::inet_addr(text); }

const char* inet_ntoa(std::uint32_t addr) {
    in_addr in{};
    in.s_addr = addr;
    return ::inet_ntoa(in);
}

}  // namespace net
