// A scriptable stand-in for the platform layer: it feeds chosen datagrams
// from chosen senders, fails any single call with a chosen error code, and
// records every call and every datagram sent, in order.
//
// All of it is plain data in one struct, so a test can place it in memory
// shared with a child process that runs the tool and exits.
#pragma once

#include <cstdint>

#include "net/net.h"

namespace fake {

enum Call { kStartup, kSocket, kBind, kRecv, kSend, kBroadcast, kClose, kCleanup, kSleep, kClock, kCallKinds };

constexpr int kMaxIncoming = 8;
constexpr int kMaxDatagram = 9216;  // longer than the tool's buffer, to test the cut
constexpr int kMaxFailures = 4;
constexpr int kMaxClock = 4;
constexpr int kMaxEvents = 64;
constexpr int kEventText = 96;
constexpr int kMaxSent = 8;
constexpr int kMaxSentBytes = 512;
constexpr int kMaxSockets = 8;
constexpr int kFirstHandle = 3;
constexpr int kFirstEphemeralPort = 49152;

struct Incoming {
    int len;
    std::uint32_t from_addr;  // network order
    std::uint16_t from_port;  // host order
    std::uint8_t bytes[kMaxDatagram];
};

struct Failure {
    Call call;
    int nth;  // 1 for the first call of that kind
    int error;
};

struct Event {
    Call call;
    char text[kEventText];
    long stdout_bytes;  // how much the console had shown when the call was made
};

struct Sent {
    int len;
    net::SockAddrIn local;
    net::SockAddrIn to;
    std::uint8_t bytes[kMaxSentBytes];
};

struct SocketState {
    bool open;
    bool bound;
    bool broadcast;
    net::SockAddrIn local;
};

struct Net {
    // The script.
    Incoming incoming[kMaxIncoming];
    int incoming_count;
    Failure failures[kMaxFailures];
    int failure_count;
    std::int64_t clock[kMaxClock];  // the last value repeats
    int clock_count;

    // The record.
    Event events[kMaxEvents];
    int event_count;
    Sent sent[kMaxSent];
    int sent_count;

    // Bookkeeping.
    int calls[kCallKinds];
    int next_incoming;
    int next_clock;
    int next_port;
    SocketState sockets[kMaxSockets];
    int socket_count;
};

// Every call of the layer goes to this; a call with none set aborts.
extern Net* g_net;

// Script helpers.
void add_datagram(Net* n, const std::uint8_t* bytes, int len, const char* from_addr, std::uint16_t from_port);
void fail_call(Net* n, Call call, int nth, int error);
void add_clock(Net* n, std::int64_t unix_seconds);

// "10.1.1.100:67"
const char* endpoint_text(const net::SockAddrIn& a, char* buf, int size);

}  // namespace fake
