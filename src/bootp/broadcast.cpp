// Sends the reply once, from port 67 of this computer to the limited
// broadcast address: the instrument has no address yet to send it to.
#include <cstdio>
#include <cstdlib>

#include "bootp/bootp.h"
#include "run_state.h"

namespace bootp {

void broadcast_reply(int len) {
    // Frees port 67 for the bind below.
    net::closesocket(BOOTPlisten);
    std::puts("Sending a reply to Agilent BootP");

    if (net::bind(BOOTPreply, &BOOTPReplyInterface, sizeof BOOTPReplyInterface) == -1)
        fail_with_last_error("Bind failed with error code : %d");
    if (net::setsockopt_broadcast(BOOTPreply) == -1) {
        std::perror("setsockopt (SO_BROADCAST)");
        std::exit(1);
    }
    if (net::sendto(BOOTPreply, BOOTPreplyBUF, len, 0, &BOOTPReplyAddr, sizeof BOOTPReplyAddr) == -1)
        fail_with_last_error("sendto() failed with error code : %d");

    net::closesocket(BOOTPreply);
}

}  // namespace bootp
