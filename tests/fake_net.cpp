#include "fake_net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace fake {

Net* g_net = nullptr;

void add_datagram(Net* n, const std::uint8_t* bytes, int len, const char* from_addr, std::uint16_t from_port) {
    if (n->incoming_count == kMaxIncoming || len > kMaxDatagram) std::abort();
    Incoming& in = n->incoming[n->incoming_count++];
    in.len = len;
    in.from_addr = ::inet_addr(from_addr);
    in.from_port = from_port;
    if (len > 0) std::memcpy(in.bytes, bytes, static_cast<size_t>(len));
}

void fail_call(Net* n, Call call, int nth, int error) {
    if (n->failure_count == kMaxFailures) std::abort();
    n->failures[n->failure_count++] = Failure{call, nth, error};
}

void add_clock(Net* n, std::int64_t unix_seconds) {
    if (n->clock_count == kMaxClock) std::abort();
    n->clock[n->clock_count++] = unix_seconds;
}

const char* endpoint_text(const net::SockAddrIn& a, char* buf, int size) {
    in_addr in{};
    in.s_addr = a.addr;
    std::snprintf(buf, static_cast<size_t>(size), "%s:%d", ::inet_ntoa(in), ntohs(a.port));
    return buf;
}

namespace {

Net& state() {
    if (g_net == nullptr) {
        std::fputs("fake net: no script set\n", stderr);
        std::_Exit(97);
    }
    return *g_net;
}

long console_bytes() {
    struct stat st{};
    return fstat(1, &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

void record(Call call, const char* format, ...) {
    Net& n = state();
    if (n.event_count == kMaxEvents) return;
    Event& e = n.events[n.event_count++];
    e.call = call;
    e.stdout_bytes = console_bytes();
    va_list args;
    va_start(args, format);
    std::vsnprintf(e.text, sizeof e.text, format, args);
    va_end(args);
}

// Counts the call and returns the error code scripted for it, or 0.
int scripted_failure(Call call) {
    Net& n = state();
    const int nth = ++n.calls[call];
    for (int i = 0; i < n.failure_count; ++i)
        if (n.failures[i].call == call && n.failures[i].nth == nth) return n.failures[i].error;
    return 0;
}

SocketState* find_open(net::Socket s) {
    Net& n = state();
    const net::Socket index = s - kFirstHandle;
    if (index < 0 || index >= n.socket_count || !n.sockets[index].open) return nullptr;
    return &n.sockets[index];
}

bool ports_clash(const net::SockAddrIn& a, const net::SockAddrIn& b) {
    return a.port == b.port && (a.addr == 0 || b.addr == 0 || a.addr == b.addr);
}

int fail_with(int error) {
    errno = error;
    return -1;
}

}  // namespace

}  // namespace fake

namespace net {

using namespace fake;

int startup(std::uint16_t version, StartupRecord* record_out) {
    const int error = scripted_failure(kStartup);
    record(kStartup, "startup 0x%04x%s", version, error ? " fails" : "");
    if (error) {
        errno = error;
        return error;
    }
    record_out->version = version;
    return 0;
}

void cleanup() { record(kCleanup, "cleanup"); }

int last_error() { return errno; }

Socket udp_socket() {
    Net& n = state();
    if (const int error = scripted_failure(kSocket)) {
        record(kSocket, "socket fails %d", error);
        return fail_with(error);
    }
    if (n.socket_count == kMaxSockets) std::abort();
    const Socket s = kFirstHandle + n.socket_count;
    n.sockets[n.socket_count++] = SocketState{true, false, false, {}};
    record(kSocket, "socket %d", static_cast<int>(s));
    return s;
}

int bind(Socket s, const SockAddrIn* local, int local_len) {
    Net& n = state();
    char where[32];
    endpoint_text(*local, where, sizeof where);
    int error = scripted_failure(kBind);
    SocketState* sock = find_open(s);
    if (!error && !sock) error = EBADF;
    if (!error && (sock->bound || local_len != static_cast<int>(sizeof(SockAddrIn)))) error = EINVAL;
    for (int i = 0; !error && i < n.socket_count; ++i) {
        const SocketState& other = n.sockets[i];
        if (other.open && other.bound && local->port != 0 && ports_clash(other.local, *local)) error = EADDRINUSE;
    }
    if (error) {
        record(kBind, "bind %d %s fails %d", static_cast<int>(s), where, error);
        return fail_with(error);
    }
    sock->bound = true;
    sock->local = *local;
    if (local->port == 0) sock->local.port = hton16(static_cast<std::uint16_t>(kFirstEphemeralPort + n.next_port++));
    record(kBind, "bind %d %s", static_cast<int>(s), where);
    return 0;
}

int recvfrom(Socket s, std::uint8_t* buf, int capacity, int flags, SockAddrIn* from, int* from_len) {
    Net& n = state();
    int error = scripted_failure(kRecv);
    if (!error && !find_open(s)) error = EBADF;
    if (!error && (flags != 0 || *from_len != static_cast<int>(sizeof(SockAddrIn)))) error = EINVAL;
    if (error) {
        record(kRecv, "recv %d fails %d", static_cast<int>(s), error);
        return fail_with(error);
    }
    if (n.next_incoming == n.incoming_count) {
        std::fputs("fake net: the tool waits for a datagram the script does not have\n", stderr);
        std::_Exit(98);
    }
    const Incoming& in = n.incoming[n.next_incoming++];
    // A datagram longer than the buffer is cut to it, as on Linux.
    const int got = in.len < capacity ? in.len : capacity;
    if (got > 0) std::memcpy(buf, in.bytes, static_cast<size_t>(got));
    *from = SockAddrIn{kAfInet, hton16(in.from_port), in.from_addr, {}};
    *from_len = sizeof(SockAddrIn);
    char who[32];
    record(kRecv, "recv %d %d from %s", static_cast<int>(s), got, endpoint_text(*from, who, sizeof who));
    return got;
}

int sendto(Socket s, const std::uint8_t* buf, int len, int flags, const SockAddrIn* to, int to_len) {
    Net& n = state();
    char dest[32];
    endpoint_text(*to, dest, sizeof dest);
    int error = scripted_failure(kSend);
    SocketState* sock = find_open(s);
    if (!error && !sock) error = EBADF;
    if (!error && (flags != 0 || to_len != static_cast<int>(sizeof(SockAddrIn)))) error = EINVAL;
    if (!error && to->addr == 0xFFFFFFFFu && !sock->broadcast) error = EACCES;
    if (error) {
        record(kSend, "send %d %d to %s fails %d", static_cast<int>(s), len, dest, error);
        return fail_with(error);
    }
    if (!sock->bound) {  // as the system does: an unbound socket gets any address, any port
        sock->bound = true;
        sock->local = SockAddrIn{kAfInet, hton16(static_cast<std::uint16_t>(kFirstEphemeralPort + n.next_port++)), 0, {}};
    }
    if (n.sent_count == kMaxSent) std::abort();
    Sent& out = n.sent[n.sent_count++];
    out.len = len;
    out.local = sock->local;
    out.to = *to;
    std::memcpy(out.bytes, buf, static_cast<size_t>(len < kMaxSentBytes ? len : kMaxSentBytes));
    char from[32];
    record(kSend, "send %d %d from %s to %s", static_cast<int>(s), len, endpoint_text(sock->local, from, sizeof from),
           dest);
    return len;
}

int setsockopt_broadcast(Socket s) {
    int error = scripted_failure(kBroadcast);
    SocketState* sock = find_open(s);
    if (!error && !sock) error = EBADF;
    if (error) {
        record(kBroadcast, "broadcast %d fails %d", static_cast<int>(s), error);
        return fail_with(error);
    }
    sock->broadcast = true;
    record(kBroadcast, "broadcast %d", static_cast<int>(s));
    return 0;
}

void closesocket(Socket s) {
    SocketState* sock = find_open(s);
    record(kClose, sock ? "close %d" : "close %d, not open", static_cast<int>(s));
    if (sock) sock->open = false;
}

void sleep_ms(unsigned ms) { record(kSleep, "sleep %u", ms); }

std::int64_t time_now() {
    Net& n = state();
    if (n.clock_count == 0) std::abort();
    const int i = n.next_clock < n.clock_count ? n.next_clock++ : n.clock_count - 1;
    record(kClock, "clock %lld", static_cast<long long>(n.clock[i]));
    return n.clock[i];
}

}  // namespace net
