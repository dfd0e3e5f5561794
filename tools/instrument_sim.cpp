// A stand-in for the instrument, for the wire tests and for checking a
// station before the instrument is connected. It asks for its address the way
// the instrument does, checks the reply against what it asked, takes the
// address, receives the three time messages, and reports what it saw.
//
// It shares no code with the tool: what it expects it works out from its own
// request, so that a fault in the tool's layout cannot hide in both.
//
// Exit status: 0 when the reply and three well-formed time messages arrived,
// 1 with a one-line reason otherwise, 2 for a usage error.
#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// What a station is documented to hand out.
const char* const kStationAddress = "10.1.1.100";
const char* const kOfferedAddress = "10.1.1.101";
const char* const kSubnetMask = "255.255.255.0";

constexpr std::uint16_t kServerPort = 67;
constexpr std::uint16_t kClientPort = 68;
constexpr std::uint16_t kTimePort = 123;
constexpr std::uint32_t kNtpEraOffset = 2208988800u;
constexpr int kTimeMessages = 3;

struct Options {
    std::string interface;
    int foreign = 0;
    double reply_timeout_s = 10;
    double time_timeout_s = 10;
    unsigned seed = 0;
    bool seeded = false;
    bool reply_only = false;      // stop at the reply: for timing any responder
    double flood_seconds = 0;     // only flood, for this long
    double flood_rate = 0;        // datagrams a second; 0 for as fast as it goes
};

[[noreturn]] void fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::fputs("instrument: FAILED: ", stdout);
    std::vfprintf(stdout, format, args);
    std::fputs("\n", stdout);
    va_end(args);
    std::exit(1);
}

void say(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::fputs("instrument: ", stdout);
    std::vfprintf(stdout, format, args);
    std::fputs("\n", stdout);
    std::fflush(stdout);
    va_end(args);
}

[[noreturn]] void usage() {
    std::fputs(
        "usage: instrument_sim --interface IF [--foreign N] [--reply-timeout S] [--time-timeout S] [--seed N]\n"
        "                      [--reply-only] [--flood-seconds S [--flood-rate R]]\n"
        "  Sends a BOOTP request from 0.0.0.0 on IF (whose hardware address it uses),\n"
        "  first N foreign datagrams if asked, then reports the reply and the time messages.\n"
        "  --reply-only stops at the reply (any reply to its request), after timing it.\n"
        "  --flood-seconds sends only foreign datagrams, R a second (0: as fast as it can).\n",
        stderr);
    std::exit(2);
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--reply-only") {
            o.reply_only = true;
            continue;
        }
        if (i + 1 >= argc) usage();
        const char* v = argv[++i];
        if (a == "--interface") o.interface = v;
        else if (a == "--foreign") o.foreign = std::atoi(v);
        else if (a == "--reply-timeout") o.reply_timeout_s = std::atof(v);
        else if (a == "--time-timeout") o.time_timeout_s = std::atof(v);
        else if (a == "--flood-seconds") o.flood_seconds = std::atof(v);
        else if (a == "--flood-rate") o.flood_rate = std::atof(v);
        else if (a == "--seed") o.seed = static_cast<unsigned>(std::strtoul(v, nullptr, 10)), o.seeded = true;
        else usage();
    }
    if (o.interface.empty() || o.foreign < 0) usage();
    return o;
}

std::uint32_t addr(const char* text) { return inet_addr(text); }

std::string addr_text(std::uint32_t a) {
    in_addr in{};
    in.s_addr = a;
    return inet_ntoa(in);
}

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void put_addr(Bytes& b, std::size_t at, std::uint32_t network_order) { std::memcpy(&b[at], &network_order, 4); }

std::uint32_t sum16(const std::uint8_t* p, std::size_t n, std::uint32_t sum = 0) {
    for (std::size_t i = 0; i + 1 < n; i += 2) sum += std::uint32_t(p[i]) << 8 | p[i + 1];
    if (n % 2) sum += std::uint32_t(p[n - 1]) << 8;
    return sum;
}

std::uint16_t fold(std::uint32_t sum) {
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

// An IPv4 packet carrying one UDP datagram, checksums included.
Bytes udp_packet(std::uint32_t src, std::uint16_t sport, std::uint32_t dst, std::uint16_t dport, const Bytes& payload) {
    const std::size_t udp_len = 8 + payload.size();
    Bytes p(20 + udp_len, 0);
    p[0] = 0x45;  // IPv4, 20-byte header
    put16(p, 2, static_cast<std::uint16_t>(p.size()));
    p[8] = 64;  // TTL
    p[9] = IPPROTO_UDP;
    put_addr(p, 12, src);
    put_addr(p, 16, dst);
    put16(p, 10, fold(sum16(p.data(), 20)));

    put16(p, 20, sport);
    put16(p, 22, dport);
    put16(p, 24, static_cast<std::uint16_t>(udp_len));
    std::copy(payload.begin(), payload.end(), p.begin() + 28);
    std::uint32_t pseudo = sum16(&p[12], 8);  // source and destination
    pseudo += IPPROTO_UDP + static_cast<std::uint32_t>(udp_len);
    std::uint16_t check = fold(sum16(&p[20], udp_len, pseudo));
    put16(p, 26, check == 0 ? 0xFFFF : check);
    return p;
}

struct Link {
    int fd = -1;  // packet socket: IPv4 packets in and out, as real clients use
    int index = 0;
    int mtu = 1500;
    std::uint8_t mac[6] = {};
};

Link open_link(const std::string& name) {
    Link l;
    l.fd = socket(AF_PACKET, SOCK_DGRAM, htons(ETH_P_IP));
    if (l.fd < 0) fail("packet socket: %s (needs root)", std::strerror(errno));
    ifreq req{};
    std::snprintf(req.ifr_name, sizeof req.ifr_name, "%s", name.c_str());
    if (ioctl(l.fd, SIOCGIFINDEX, &req) < 0) fail("no interface %s: %s", name.c_str(), std::strerror(errno));
    l.index = req.ifr_ifindex;
    if (ioctl(l.fd, SIOCGIFHWADDR, &req) < 0) fail("hardware address of %s: %s", name.c_str(), std::strerror(errno));
    std::memcpy(l.mac, req.ifr_hwaddr.sa_data, 6);
    if (ioctl(l.fd, SIOCGIFMTU, &req) == 0) l.mtu = req.ifr_mtu;
    sockaddr_ll sll{};
    sll.sll_family = AF_PACKET;
    sll.sll_protocol = htons(ETH_P_IP);
    sll.sll_ifindex = l.index;
    if (bind(l.fd, reinterpret_cast<sockaddr*>(&sll), sizeof sll) < 0) fail("bind to %s: %s", name.c_str(), std::strerror(errno));
    // Not its own packets back: under a flood they would crowd out the reply.
    const int on = 1;
    setsockopt(l.fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &on, sizeof on);
    return l;
}

void broadcast_frame(const Link& l, const Bytes& packet) {
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_protocol = htons(ETH_P_IP);
    to.sll_ifindex = l.index;
    to.sll_halen = 6;
    std::memset(to.sll_addr, 0xFF, 6);
    if (sendto(l.fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0)
        fail("sending %zu bytes: %s", packet.size(), std::strerror(errno));
}

double ms_since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

int ms_left(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

Bytes bootrequest(const std::uint8_t mac[6], std::uint32_t xid) {
    Bytes r(300, 0);
    r[0] = 1;  // BOOTREQUEST
    r[1] = 1;  // Ethernet
    r[2] = 6;
    put16(r, 4, static_cast<std::uint16_t>(xid >> 16));
    put16(r, 6, static_cast<std::uint16_t>(xid));
    put16(r, 8, 4);       // secs
    put16(r, 10, 0x8000);  // broadcast flag
    std::memcpy(&r[28], mac, 6);
    const std::uint8_t vend[] = {99, 130, 83, 99,        // magic cookie
                                 55, 4, 1, 3, 12, 42,    // parameters it would like
                                 60, 4, 'l', 'a', 'b', '1',  // a class identifier of its own
                                 255};
    std::memcpy(&r[236], vend, sizeof vend);
    return r;
}

// The reply a station must give to `request`, worked out from the request alone.
Bytes expected_reply(const Bytes& request) {
    Bytes e(300, 0);
    e[0] = static_cast<std::uint8_t>(request[0] + 1);
    std::copy(request.begin() + 1, request.begin() + 16, e.begin() + 1);
    put_addr(e, 16, addr(kOfferedAddress));
    put_addr(e, 20, addr(kStationAddress));
    put_addr(e, 24, addr(kStationAddress));
    std::copy(request.begin() + 28, request.begin() + 240, e.begin() + 28);
    return e;  // options are checked one by one
}

struct Offer {
    std::uint32_t yiaddr = 0, siaddr = 0, giaddr = 0, mask = 0;
    int boot_size = -1;
    std::string host;
    int site[3] = {-1, -1, -1};
};

Offer read_options(const Bytes& reply) {
    Offer o;
    std::memcpy(&o.yiaddr, &reply[16], 4);
    std::memcpy(&o.siaddr, &reply[20], 4);
    std::memcpy(&o.giaddr, &reply[24], 4);
    std::size_t i = 240;
    while (i < reply.size() && reply[i] != 255) {
        if (reply[i] == 0) {
            ++i;
            continue;
        }
        if (i + 1 >= reply.size() || i + 2 + reply[i + 1] > reply.size()) fail("option %d runs past the reply", reply[i]);
        const std::uint8_t code = reply[i], len = reply[i + 1];
        const std::uint8_t* v = &reply[i + 2];
        if (code == 1 && len == 4) std::memcpy(&o.mask, v, 4);
        if (code == 13 && len == 2) o.boot_size = v[0] << 8 | v[1];
        if (code == 12) o.host.assign(reinterpret_cast<const char*>(v), len);
        if (code >= 145 && code <= 147 && len == 1) o.site[code - 145] = v[0];
        i += 2u + len;
    }
    if (i >= reply.size()) fail("the reply's options have no end option");
    for (std::size_t j = i + 1; j < reply.size(); ++j)
        if (reply[j] != 0) fail("reply byte %zu, after the end option, is %d, not zero", j, reply[j]);
    return o;
}

// Waits for a UDP datagram to `port` on the link; returns its payload.
bool receive_udp(const Link& l, std::uint16_t port, Clock::time_point deadline, Bytes* payload, std::uint32_t* src,
                 std::uint16_t* sport, std::uint32_t* dst) {
    std::uint8_t buf[65536];
    for (;;) {
        pollfd p{l.fd, POLLIN, 0};
        const int ready = poll(&p, 1, ms_left(deadline));
        if (ready == 0) return false;
        if (ready < 0) {
            if (errno == EINTR) continue;
            fail("poll: %s", std::strerror(errno));
        }
        sockaddr_ll from{};
        socklen_t from_len = sizeof from;
        const ssize_t n = recvfrom(l.fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &from_len);
        if (n < 28 || from.sll_pkttype == PACKET_OUTGOING) continue;
        const std::size_t ihl = (buf[0] & 0x0F) * 4u;
        if ((buf[0] >> 4) != 4 || buf[9] != IPPROTO_UDP || static_cast<std::size_t>(n) < ihl + 8) continue;
        const std::uint8_t* udp = buf + ihl;
        if ((udp[2] << 8 | udp[3]) != port) continue;
        const std::size_t udp_len = static_cast<std::size_t>(udp[4] << 8 | udp[5]);
        if (udp_len < 8 || ihl + udp_len > static_cast<std::size_t>(n)) continue;
        payload->assign(udp + 8, udp + udp_len);
        std::memcpy(src, buf + 12, 4);
        std::memcpy(dst, buf + 16, 4);
        *sport = static_cast<std::uint16_t>(udp[0] << 8 | udp[1]);
        return true;
    }
}

void configure_address(const std::string& name, std::uint32_t address, std::uint32_t mask) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq req{};
    std::snprintf(req.ifr_name, sizeof req.ifr_name, "%s", name.c_str());
    auto* sin = reinterpret_cast<sockaddr_in*>(&req.ifr_addr);
    sin->sin_family = AF_INET;
    sin->sin_addr.s_addr = address;
    if (ioctl(fd, SIOCSIFADDR, &req) < 0) fail("setting %s on %s: %s", addr_text(address).c_str(), name.c_str(), std::strerror(errno));
    sin->sin_addr.s_addr = mask;
    if (ioctl(fd, SIOCSIFNETMASK, &req) < 0) fail("setting the mask on %s: %s", name.c_str(), std::strerror(errno));
    close(fd);
}

// Foreign datagrams of four kinds in turn, as a busy network would carry.
void send_foreign(const Link& l, int count, std::mt19937& rng) {
    const std::size_t max_payload = static_cast<std::size_t>(l.mtu) - 28;
    std::uniform_int_distribution<int> byte(0, 255);
    int kinds[4] = {};
    for (int i = 0; i < count; ++i) {
        const int kind = i % 4;
        ++kinds[kind];
        Bytes payload;
        std::uint32_t src = 0;
        if (kind == 0) {  // garbage from another computer
            payload.resize(std::uniform_int_distribution<std::size_t>(0, 1472)(rng));
            src = addr("10.1.1.77");
        } else if (kind == 1 || kind == 2) {  // a request from 0.0.0.0 with another hardware address, or ours from an address
            std::uint8_t other[6];
            std::memcpy(other, l.mac, 6);
            if (kind == 1) other[5] ^= 0x5A;
            payload = bootrequest(other, static_cast<std::uint32_t>(rng()));
            for (std::size_t j = 240; j < payload.size(); ++j) payload[j] = static_cast<std::uint8_t>(byte(rng));
            src = kind == 1 ? 0 : addr("10.1.1.150");
        } else {  // the largest the link carries, past the tool's 8192-byte buffer where the MTU allows
            payload.resize(std::uniform_int_distribution<std::size_t>(max_payload / 2, max_payload)(rng));
            src = addr("10.1.1.77");
        }
        if (kind != 1 && kind != 2)
            for (auto& b : payload) b = static_cast<std::uint8_t>(byte(rng));
        if (kind == 0 || kind == 3)  // never by chance the instrument's own address
            if (payload.size() >= 34 && std::memcmp(&payload[28], l.mac, 6) == 0) payload[33] ^= 1;
        broadcast_frame(l, udp_packet(src, kClientPort, addr("255.255.255.255"), kServerPort, payload));
        usleep(2000);  // paced, so that the station's receive queue never overflows
    }
    if (count > 0)
        say("sent %d foreign datagrams: %d garbage, %d with another hardware address from 0.0.0.0, "
            "%d with this hardware address from 10.1.1.150, %d of up to %zu bytes",
            count, kinds[0], kinds[1], kinds[2], kinds[3], max_payload);
}

// Garbage datagrams of a request's size from another computer, for a while,
// at a steady rate or as fast as the link takes them.
void flood(const Link& l, double seconds, double rate, std::mt19937& rng) {
    Bytes payload(300);
    for (auto& b : payload) b = static_cast<std::uint8_t>(rng());
    payload[28] = 0xEE;  // never the instrument's hardware address
    const Bytes packet = udp_packet(addr("10.1.1.77"), kClientPort, addr("255.255.255.255"), kServerPort, payload);
    const auto start = Clock::now();
    long sent = 0;
    for (;;) {
        const double elapsed = ms_since(start) / 1000;
        if (elapsed >= seconds) break;
        if (rate > 0 && static_cast<double>(sent) >= elapsed * rate) {
            usleep(100);
            continue;
        }
        broadcast_frame(l, packet);
        ++sent;
    }
    say("flooded %ld datagrams in %.1f s: %.0f a second", sent, seconds, static_cast<double>(sent) / seconds);
}

void check_reply(const Bytes& request, const Bytes& reply) {
    if (reply.size() != 300) fail("the reply is %zu bytes, not 300", reply.size());
    const Bytes expected = expected_reply(request);
    for (std::size_t i = 0; i < 240; ++i)
        if (reply[i] != expected[i]) fail("reply byte %zu is %d, expected %d", i, reply[i], expected[i]);
}

void report_offer(const Offer& o) {
    say("  address %s, server %s, gateway %s", addr_text(o.yiaddr).c_str(), addr_text(o.siaddr).c_str(),
        addr_text(o.giaddr).c_str());
    say("  subnet mask %s, boot file size %d, host name \"%s\"", addr_text(o.mask).c_str(), o.boot_size, o.host.c_str());
    say("  option 145 = %d, option 146 = %d, option 147 = %d", o.site[0], o.site[1], o.site[2]);
    if (o.mask != addr(kSubnetMask)) fail("subnet mask %s, expected %s", addr_text(o.mask).c_str(), kSubnetMask);
    if (o.boot_size != 1) fail("boot file size %d, expected 1", o.boot_size);
    if (o.host.size() != 6) fail("host name of %zu bytes, expected 6", o.host.size());
    if (o.site[0] != 100 || o.site[1] != 1 || o.site[2] != 1) fail("site options %d %d %d, expected 100 1 1", o.site[0], o.site[1], o.site[2]);
}

// Checks one time message and returns its seconds as system-clock seconds.
double check_time_message(const Bytes& m, int n) {
    if (m.size() != 48) fail("time message %d is %zu bytes, not 48", n, m.size());
    const std::uint8_t head[] = {0xDC, 0, 10, 0xFA, 0, 0, 0, 0, 0, 1, 4, 0};
    if (std::memcmp(m.data(), head, sizeof head) != 0) fail("time message %d has an unexpected header", n);
    for (std::size_t i = 12; i < 32; ++i)
        if (m[i] != 0) fail("time message %d: byte %zu is not zero", n, i);
    if (std::memcmp(&m[32], &m[40], 8) != 0) fail("time message %d: receive and transmit times differ", n);
    if (get32(&m[36]) != 0) fail("time message %d: the fraction is not zero", n);
    return static_cast<double>(get32(&m[40]) - kNtpEraOffset);  // this era: 1970 to 2036
}

std::string utc_text(double unix_seconds) {
    const std::time_t t = static_cast<std::time_t>(unix_seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return text;
}

double wall_now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    const Options opt = parse(argc, argv);
    std::mt19937 rng(opt.seeded ? opt.seed : std::random_device{}());
    const Link link = open_link(opt.interface);

    if (opt.flood_seconds > 0) {
        flood(link, opt.flood_seconds, opt.flood_rate, rng);
        return 0;
    }

    // Listening for the time messages before asking, so that none is missed.
    int ntp = -1;
    if (!opt.reply_only) {
        ntp = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(kTimePort);
        if (ntp < 0 || bind(ntp, reinterpret_cast<sockaddr*>(&any), sizeof any) < 0)
            fail("binding port %d: %s", kTimePort, std::strerror(errno));
    }
    send_foreign(link, opt.foreign, rng);

    const std::uint32_t xid = static_cast<std::uint32_t>(rng());
    const Bytes request = bootrequest(link.mac, xid);
    const auto asked = Clock::now();
    broadcast_frame(link, udp_packet(0, kClientPort, addr("255.255.255.255"), kServerPort, request));
    say("sent BOOTREQUEST xid 0x%08x from 0.0.0.0:%d on %s (%02x:%02x:%02x:%02x:%02x:%02x)", xid, kClientPort,
        opt.interface.c_str(), link.mac[0], link.mac[1], link.mac[2], link.mac[3], link.mac[4], link.mac[5]);

    // The reply: to port 68, with our xid; anything else on port 68 is not for us.
    Bytes reply;
    std::uint32_t src = 0, dst = 0;
    std::uint16_t sport = 0;
    const auto reply_deadline = asked + std::chrono::milliseconds(static_cast<long>(opt.reply_timeout_s * 1000));
    for (;;) {
        if (!receive_udp(link, kClientPort, reply_deadline, &reply, &src, &sport, &dst))
            fail("no reply within %g s", opt.reply_timeout_s);
        if (reply.size() >= 8 && std::memcmp(&reply[4], &request[4], 4) == 0) break;
    }
    const double latency_ms = ms_since(asked);
    const auto replied = Clock::now();
    say("reply from %s:%d to %s:%d, %zu bytes, %.3f ms after the request", addr_text(src).c_str(), sport,
        addr_text(dst).c_str(), kClientPort, reply.size(), latency_ms);
    if (opt.reply_only) {
        say("latency_ms=%.3f", latency_ms);
        return 0;
    }
    if (sport != kServerPort || dst != addr("255.255.255.255"))
        fail("the reply should come from port %d to 255.255.255.255", kServerPort);
    check_reply(request, reply);
    const Offer offer = read_options(reply);
    report_offer(offer);
    say("  the reply matches the layout expected from the request");
    say("latency_ms=%.3f", latency_ms);

    configure_address(opt.interface, offer.yiaddr, offer.mask);
    say("configured %s/%s on %s", addr_text(offer.yiaddr).c_str(), addr_text(offer.mask).c_str(), opt.interface.c_str());

    double after_reply_ms[kTimeMessages], offsets_s[kTimeMessages];
    const auto time_deadline = replied + std::chrono::milliseconds(static_cast<long>(opt.time_timeout_s * 1000));
    for (int n = 1; n <= kTimeMessages; ++n) {
        pollfd p{ntp, POLLIN, 0};
        if (poll(&p, 1, ms_left(time_deadline)) <= 0) fail("time message %d did not arrive within %g s of the reply", n, opt.time_timeout_s);
        std::uint8_t buf[2048];
        sockaddr_in from{};
        socklen_t from_len = sizeof from;
        const ssize_t got = recvfrom(ntp, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &from_len);
        if (got < 0) fail("receiving time message %d: %s", n, std::strerror(errno));
        const double now = wall_now();
        after_reply_ms[n - 1] = ms_since(replied);
        const double carried = check_time_message(Bytes(buf, buf + got), n);
        offsets_s[n - 1] = carried - now;
        if (from.sin_addr.s_addr != addr(kStationAddress)) fail("time message %d came from %s", n, addr_text(from.sin_addr.s_addr).c_str());
        const double gap = n == 1 ? after_reply_ms[0] : after_reply_ms[n - 1] - after_reply_ms[n - 2];
        say("time %d from %s:%d: %s, offset %+.3f s from this clock, %s %.0f ms", n, addr_text(from.sin_addr.s_addr).c_str(),
            ntohs(from.sin_port), utc_text(carried).c_str(), offsets_s[n - 1], n == 1 ? "after the reply" : "gap", gap);
        if (std::fabs(offsets_s[n - 1]) > 2.0) fail("time message %d is %.3f s off this clock", n, offsets_s[n - 1]);
    }
    say("schedule_ms=%.0f,%.0f,%.0f offsets_s=%.3f,%.3f,%.3f", after_reply_ms[0], after_reply_ms[1], after_reply_ms[2],
        offsets_s[0], offsets_s[1], offsets_s[2]);
    say("done: address, options and three time messages received");
    return 0;
}
