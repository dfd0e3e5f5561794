// The whole run over the fake platform, in a child process: console, exit
// status, and every call on the network, for a good run and every failure.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bootp/bootp.h"
#include "bootp_request.h"
#include "child_run.h"
#include "ntp/ntp.h"
#include "run.h"

int station_main(int argc, char** argv);  // the tool's own main, renamed for the tests

namespace {

using fake::kBind;
using fake::kBroadcast;
using fake::kRecv;
using fake::kSend;
using fake::kSocket;
using fake::kStartup;

const std::string kOpening =
    "Using Winsock to setup socket...Succesful!\n"
    "Creating socket...Sockets created.\n";
const std::string kEndpoints =
    "Binding sockets to their addresses and ports:\n"
    "\tCreating a socket with the address of 0.0.0.0:67\n"
    "\tCreating a socket with the address of 10.1.1.100:67\n"
    "\tCreating a socket with the address of 255.255.255.255:68\n"
    "\tCreating a socket with the address of 10.1.1.101:123\n"
    "\tCreating a socket with the address of 10.1.1.100:0\n";
const std::string kBound =
    "Starting to bind...Bind done\n"
    "Listening on computer port 67 for Agilent broadcast.\n";
const std::string kListening = kOpening + kEndpoints + kBound;
const std::string kRejected = "We are looking for a packet from 0.0.0.0, so this message was rejected\n";
const std::string kReplying = "\tParsing\nSending a reply to Agilent BootP\n";
const std::string kDone = "-----DONE!-----";

std::string received(const std::string& from, int port) {
    return "Waiting for data...Received packet from " + from + " from their port " + std::to_string(port) + "\n";
}

const std::string kInstrumentArrives = received("0.0.0.0", 68);

constexpr std::int64_t kClock[] = {1700000001, 1700000003, 1700000006};

class Run : public ::testing::Test {
protected:
    fake::Net* net() { return run_.net(); }

    void send_datagram(const Bytes& d, const char* from, std::uint16_t port) {
        fake::add_datagram(net(), d.data(), static_cast<int>(d.size()), from, port);
    }

    void script_clock() {
        for (std::int64_t t : kClock) fake::add_clock(net(), t);
    }

    Outcome run_tool() {
        return run_.run([] { return udpProtocol(); });
    }

    std::vector<std::string> events() {
        std::vector<std::string> texts;
        for (int i = 0; i < net()->event_count; ++i) texts.emplace_back(net()->events[i].text);
        return texts;
    }

    Bytes sent_bytes(int i) {
        const fake::Sent& s = net()->sent[i];
        return Bytes(s.bytes, s.bytes + s.len);
    }

    std::string sent_route(int i) {
        char from[32], to[32];
        return std::string(fake::endpoint_text(net()->sent[i].local, from, sizeof from)) + " -> " +
               fake::endpoint_text(net()->sent[i].to, to, sizeof to);
    }

private:
    FakeRun run_;
};

const Bytes kForeign = {0xDE, 0xAD, 0xBE, 0xEF, 1, 2, 3};

TEST_F(Run, CompleteRunWithOneForeignDatagram) {
    send_datagram(kForeign, "10.1.1.7", 5000);
    send_datagram(instrument_request(), "0.0.0.0", 68);
    script_clock();

    const Outcome o = run_tool();

    EXPECT_EQ(o.out, kListening + received("10.1.1.7", 5000) + kRejected + kInstrumentArrives + kReplying + kDone);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(events(), (std::vector<std::string>{
                            "startup 0x0202",
                            "socket 3",
                            "socket 4",
                            "socket 5",
                            "bind 3 0.0.0.0:67",
                            "recv 3 7 from 10.1.1.7:5000",
                            "recv 3 300 from 0.0.0.0:68",
                            "close 3",  // port 67 is free again before the reply socket takes it
                            "bind 4 10.1.1.100:67",
                            "broadcast 4",
                            "send 4 300 from 10.1.1.100:67 to 255.255.255.255:68",
                            "close 4",
                            "bind 5 10.1.1.100:0",
                            "sleep 1000",
                            "clock 1700000001",
                            "send 5 48 from 10.1.1.100:49152 to 10.1.1.101:123",
                            "sleep 2000",
                            "clock 1700000003",
                            "send 5 48 from 10.1.1.100:49152 to 10.1.1.101:123",
                            "sleep 3000",
                            "clock 1700000006",
                            "send 5 48 from 10.1.1.100:49152 to 10.1.1.101:123",
                            "close 5",
                            "cleanup",
                        }));

    ASSERT_EQ(net()->sent_count, 4);
    std::uint8_t reply[bootp::kReplySize];
    bootp::layout_reply(in_listen_buffer(instrument_request()).data(), reply);
    EXPECT_EQ(sent_bytes(0), Bytes(reply, reply + sizeof reply));
    for (int i = 0; i < 3; ++i) {
        std::uint8_t msg[ntp::kMessageSize];
        ntp::layout_time_message(msg, kClock[i]);
        EXPECT_EQ(sent_bytes(i + 1), Bytes(msg, msg + sizeof msg)) << "time message " << i + 1;
    }
}

TEST_F(Run, WaitingForDataShowsBeforeTheWait) {
    send_datagram(kForeign, "10.1.1.7", 5000);
    send_datagram(instrument_request(), "0.0.0.0", 68);
    script_clock();
    run_tool();

    std::vector<long> shown_at_receive;
    for (int i = 0; i < net()->event_count; ++i)
        if (net()->events[i].call == kRecv) shown_at_receive.push_back(net()->events[i].stdout_bytes);
    const std::string first_wait = kListening + "Waiting for data...";
    const std::string second_wait = first_wait + "Received packet from 10.1.1.7 from their port 5000\n" + kRejected +
                                    "Waiting for data...";
    EXPECT_EQ(shown_at_receive, (std::vector<long>{static_cast<long>(first_wait.size()),
                                                   static_cast<long>(second_wait.size())}));
}

TEST_F(Run, ArgumentsChangeNothing) {
    const std::vector<std::vector<std::string>> command_lines = {
        {"station"},
        {"station", "--help"},
        {"station", "10.9.9.9", "-p", "68", ""},
    };
    for (const auto& words : command_lines) {
        FakeRun fresh;
        fake::add_datagram(fresh.net(), instrument_request().data(), 300, "0.0.0.0", 68);
        for (std::int64_t t : kClock) fake::add_clock(fresh.net(), t);

        const Outcome o = fresh.run([&words] {
            std::vector<std::string> copies = words;
            std::vector<char*> argv;
            for (std::string& w : copies) argv.push_back(&w[0]);
            argv.push_back(nullptr);
            return station_main(static_cast<int>(words.size()), argv.data());
        });

        EXPECT_EQ(o.out, kListening + kInstrumentArrives + kReplying + kDone) << words.size() << " words";
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(fresh.net()->sent_count, 4);
    }
}

TEST_F(Run, NothingIsClosedTwice) {
    send_datagram(instrument_request(), "0.0.0.0", 68);
    script_clock();
    run_tool();
    std::vector<std::string> closes;
    for (const std::string& e : events())
        if (e.rfind("close", 0) == 0) closes.push_back(e);
    EXPECT_EQ(closes, (std::vector<std::string>{"close 3", "close 4", "close 5"}));
}

// Each failure: the call that fails, what the console shows, and how many
// datagrams went out before it. Nothing is closed or released afterwards,
// so the failing call is the last one the run makes.
struct FailureCase {
    const char* what;
    std::vector<fake::Failure> failures;
    std::string out;
    std::string err;
    int sent;
    std::string last_call;
};

const std::string kAccepted = kListening + kInstrumentArrives;
const std::string kReplySent = kAccepted + kReplying;

std::string created_with_failures(const std::string& failures) {
    return "Using Winsock to setup socket...Succesful!\nCreating socket..." + failures + "Sockets created.\n" +
           kEndpoints + "Starting to bind...";
}

const FailureCase kFailures[] = {
    {"library start-up", {{kStartup, 1, 10091}},
     "Using Winsock to setup socket...Failed to start Winsock. Error Code : 10091", "", 0, "startup 0x0202 fails"},
    {"first socket", {{kSocket, 1, 24}},
     created_with_failures("Could not create socket : 24") + "Bind failed with error code : 9", "", 0,
     "bind -1 0.0.0.0:67 fails 9"},
    {"first two sockets", {{kSocket, 1, 24}, {kSocket, 2, 23}},
     created_with_failures("Could not create socket : 24Could not create socket : 23") +
         "Bind failed with error code : 9",
     "", 0, "bind -1 0.0.0.0:67 fails 9"},
    {"all three sockets", {{kSocket, 1, 24}, {kSocket, 2, 24}, {kSocket, 3, 24}},
     created_with_failures("Could not create socket : 24Could not create socket : 24Could not create socket : 24") +
         "Bind failed with error code : 9",
     "", 0, "bind -1 0.0.0.0:67 fails 9"},
    {"reply socket", {{kSocket, 2, 105}},
     "Using Winsock to setup socket...Succesful!\nCreating socket...Could not create socket : 105"
     "Sockets created.\n" + kEndpoints + kBound + kInstrumentArrives + kReplying +
         "Bind failed with error code : 9",
     "", 0, "bind -1 10.1.1.100:67 fails 9"},
    {"time socket", {{kSocket, 3, 105}},
     "Using Winsock to setup socket...Succesful!\nCreating socket...Could not create socket : 105"
     "Sockets created.\n" + kEndpoints + kBound + kInstrumentArrives + kReplying +
         "Bind failed with error code : 9",
     "", 1, "bind -1 10.1.1.100:0 fails 9"},
    {"listening bind, port 67 taken", {{kBind, 1, 98}},
     kOpening + kEndpoints + "Starting to bind...Bind failed with error code : 98", "", 0,
     "bind 3 0.0.0.0:67 fails 98"},
    {"listening bind, not privileged", {{kBind, 1, 13}},
     kOpening + kEndpoints + "Starting to bind...Bind failed with error code : 13", "", 0,
     "bind 3 0.0.0.0:67 fails 13"},
    {"receive", {{kRecv, 1, 14}},
     kListening + "Waiting for data...recvfrom() failed with error code : 14\n length of message:-1 Buffer Size:8192",
     "", 0, "recv 3 fails 14"},
    {"reply bind, address not here", {{kBind, 2, 99}}, kReplySent + "Bind failed with error code : 99", "", 0,
     "bind 4 10.1.1.100:67 fails 99"},
    {"broadcast option", {{kBroadcast, 1, 13}}, kReplySent, "setsockopt (SO_BROADCAST): Permission denied\n", 0,
     "broadcast 4 fails 13"},
    {"reply send", {{kSend, 1, 101}}, kReplySent + "sendto() failed with error code : 101", "", 0,
     "send 4 300 to 255.255.255.255:68 fails 101"},
    {"time socket bind", {{kBind, 3, 99}}, kReplySent + "Bind failed with error code : 99", "", 1,
     "bind 5 10.1.1.100:0 fails 99"},
    {"first time send", {{kSend, 2, 101}}, kReplySent + "sendto() failed with error code : 101", "", 1,
     "send 5 48 to 10.1.1.101:123 fails 101"},
    {"second time send", {{kSend, 3, 101}}, kReplySent + "sendto() failed with error code : 101", "", 2,
     "send 5 48 to 10.1.1.101:123 fails 101"},
    {"third time send", {{kSend, 4, 101}}, kReplySent + "sendto() failed with error code : 101", "", 3,
     "send 5 48 to 10.1.1.101:123 fails 101"},
};

TEST_F(Run, EveryFailureEndsWithItsMessageAndStatusOne) {
    for (const FailureCase& c : kFailures) {
        FakeRun fresh;
        fake::add_datagram(fresh.net(), instrument_request().data(), 300, "0.0.0.0", 68);
        for (std::int64_t t : kClock) fake::add_clock(fresh.net(), t);
        for (const fake::Failure& f : c.failures) fake::fail_call(fresh.net(), f.call, f.nth, f.error);

        const Outcome o = fresh.run([] { return udpProtocol(); });

        SCOPED_TRACE(c.what);
        EXPECT_EQ(o.out, c.out);
        EXPECT_EQ(o.err, c.err);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(fresh.net()->sent_count, c.sent);
        ASSERT_GT(fresh.net()->event_count, 0);
        EXPECT_EQ(std::string(fresh.net()->events[fresh.net()->event_count - 1].text), c.last_call);
    }
}

TEST_F(Run, TheReplyOnlyEverGoesOutAsABroadcastFromPort67) {
    send_datagram(instrument_request(), "0.0.0.0", 68);
    script_clock();
    run_tool();
    ASSERT_EQ(net()->sent_count, 4);
    EXPECT_EQ(sent_route(0), "10.1.1.100:67 -> 255.255.255.255:68");
    for (int i = 1; i < 4; ++i) EXPECT_EQ(sent_route(i), "10.1.1.100:49152 -> 10.1.1.101:123");
}

// The intake, through a whole run: each datagram is either served or
// announced, rejected, and followed by the instrument's own request.
struct IntakeCase {
    const char* what;
    Bytes datagram;
    const char* from;
    std::uint16_t port;
    bool accepted;
};

Bytes with_byte(Bytes b, std::size_t at, std::uint8_t v) {
    b[at] = v;
    return b;
}

Bytes first(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); }

TEST_F(Run, IntakeServesOnlyTheInstrumentFromTheUnsetAddress) {
    const Bytes request = instrument_request();
    const IntakeCase cases[] = {
        {"the instrument's request", request, "0.0.0.0", 68, true},
        {"a reply-shaped datagram with its address", with_byte(request, bootp::kOp, 2), "0.0.0.0", 68, true},
        {"op 255 with its address", with_byte(request, bootp::kOp, 255), "0.0.0.0", 68, true},
        {"34 bytes with its address", first(request, 34), "0.0.0.0", 68, true},
        {"its address from another port", request, "0.0.0.0", 1234, true},
        {"33 bytes", first(request, 33), "0.0.0.0", 68, false},
        {"an empty datagram", {}, "0.0.0.0", 68, false},
        {"another hardware address", with_byte(request, bootp::kChaddr + 5, 0x52), "0.0.0.0", 68, false},
        {"its address from an address it holds", request, "10.1.1.101", 68, false},
        {"its address from another computer", request, "192.168.4.20", 67, false},
    };
    for (const IntakeCase& c : cases) {
        FakeRun fresh;
        fake::add_datagram(fresh.net(), c.datagram.data(), static_cast<int>(c.datagram.size()), c.from, c.port);
        fake::add_datagram(fresh.net(), request.data(), static_cast<int>(request.size()), "0.0.0.0", 68);
        for (std::int64_t t : kClock) fake::add_clock(fresh.net(), t);

        const Outcome o = fresh.run([] { return udpProtocol(); });

        SCOPED_TRACE(c.what);
        const std::string arrival = received(c.from, c.port);
        EXPECT_EQ(o.out, c.accepted ? kListening + arrival + kReplying + kDone
                                    : kListening + arrival + kRejected + kInstrumentArrives + kReplying + kDone);
        EXPECT_EQ(o.status, 0);
        ASSERT_EQ(fresh.net()->sent_count, 4);
        std::uint8_t expected[bootp::kReplySize];
        bootp::layout_reply(in_listen_buffer(c.accepted ? c.datagram : request).data(), expected);
        const fake::Sent& reply = fresh.net()->sent[0];
        EXPECT_EQ(Bytes(reply.bytes, reply.bytes + reply.len), Bytes(expected, expected + sizeof expected));
    }
}

TEST_F(Run, NothingOfAnEarlierDatagramReachesTheReply) {
    Bytes foreign(9000, 0xEE);  // longer than the buffer: cut to 8192
    std::copy(kInstrumentMac, kInstrumentMac + 6, foreign.begin() + bootp::kChaddr);
    send_datagram(foreign, "10.1.1.9", 68);
    send_datagram(first(instrument_request(), 34), "0.0.0.0", 68);
    script_clock();

    const Outcome o = run_tool();

    EXPECT_EQ(o.out, kListening + received("10.1.1.9", 68) + kRejected + kInstrumentArrives + kReplying + kDone);
    EXPECT_EQ(std::string(net()->events[5].text), "recv 3 8192 from 10.1.1.9:68");
    ASSERT_GE(net()->sent_count, 1);
    const Bytes reply = sent_bytes(0);
    EXPECT_EQ(Bytes(reply.begin() + 34, reply.begin() + bootp::kOptions), zeros(bootp::kOptions - 34));
    for (std::size_t i = 0; i < reply.size(); ++i) EXPECT_NE(reply[i], 0xEE) << "byte " << i;
}

}  // namespace
