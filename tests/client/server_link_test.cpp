// The online link over real UDP on loopback, against a socket that stands in
// for the server: what the client sends tick by tick, and what it takes.
#include "client/server_link.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "client/session.h"
#include "net/messages.h"
#include "net/snapshot.h"
#include "server/server_session.h"

namespace {

bool wait_readable(int socket, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(socket + 1, &set, nullptr, nullptr, &timeout) > 0;
}

struct Datagram {
    std::vector<uint8_t> bytes;
    uint8_t tag() const { return bytes.size() >= 4 ? bytes[3] : 0; }
};

// A UDP socket on 127.0.0.1 playing the server.
class FakeServer {
public:
    FakeServer() {
        socket_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t length = sizeof a;
        getsockname(socket_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
    }
    ~FakeServer() { ::close(socket_); }

    Endpoint endpoint() const { return make_endpoint(127, 0, 0, 1, port_); }

    // Everything that has arrived; the client's address is learned from it.
    std::vector<Datagram> receive_all() {
        std::vector<Datagram> out;
        while (wait_readable(socket_, 20)) {
            uint8_t buffer[MAX_DATAGRAM];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            ssize_t n = recvfrom(socket_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (n < 0) break;
            client_ = from;
            out.push_back({std::vector<uint8_t>(buffer, buffer + n)});
        }
        return out;
    }

    template <typename Encode>
    void send_to_client(Encode encode) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer);
        encode(w);
        sendto(socket_, buffer, w.length, 0, reinterpret_cast<const sockaddr*>(&client_), sizeof client_);
    }

private:
    int socket_ = -1;
    uint16_t port_ = 0;
    sockaddr_in client_{};
};

std::vector<uint8_t> tags(const std::vector<Datagram>& ds) {
    std::vector<uint8_t> out;
    for (const Datagram& d : ds) out.push_back(d.tag());
    return out;
}

class OnlineLink : public ::testing::Test {
protected:
    void SetUp() override {
        entry.has_endpoint = true;
        entry.endpoint = server.endpoint();
        const std::string text = "127.0.0.1:" + std::to_string(entry.endpoint.port);
        std::memcpy(entry.text, text.data(), text.size());
        entry.text_length = static_cast<uint16_t>(text.size());
        // A server whose status said protocol 20: the client speaks 20.
        answered_version(20);
        ASSERT_TRUE(start_online_session(s, entry));
        ASSERT_EQ(s.link.kind, LinkKind::Online);
    }
    void TearDown() override { leave_session(s); }

    void answered_version(uint8_t version) {
        entry.result.answered = true;
        entry.result.version = version;
        entry.result.compatible = true;
        entry.status.store(ServerStatus::Answered);
    }
    // The version bytes of the JoinRequests that arrived.
    std::vector<uint8_t> join_versions() {
        std::vector<uint8_t> out;
        for (const Datagram& d : server.receive_all()) {
            if (d.tag() == TAG_JOIN_REQUEST) out.push_back(d.bytes[2]);
        }
        return out;
    }

    // Frames of one tick each.
    void ticks(int n, const Controls& c = {}) {
        for (int i = 0; i < n; ++i) {
            float one = 1.25f * TICK;
            session_frame(s, c, one, camera);
        }
    }
    // A frame once the server's reply can be read.
    void frame_after_reply() {
        ASSERT_TRUE(wait_readable(s.link.socket, 1000));
        ticks(1);
    }
    // Joins as `slot`: the first JoinRequest is answered with a Welcome.
    void join(uint8_t slot) {
        ticks(1);
        ASSERT_EQ(tags(server.receive_all()), std::vector<uint8_t>{TAG_JOIN_REQUEST});
        server.send_to_client([&](WireWriter& w) { encode_welcome(w, slot); });
        frame_after_reply();
        ASSERT_EQ(s.client.state, ConnectionState::Joined);
    }

    FakeServer server;
    ServerEntry entry;
    Session s;
    Vec2 camera{};
};

TEST_F(OnlineLink, SilentServerGetsAJoinRequestEveryThirtyTicksAndNothingElse) {
    ticks(90);  // ticks 1, 31 and 61 ask
    EXPECT_EQ(tags(server.receive_all()), std::vector<uint8_t>(3, TAG_JOIN_REQUEST));
    ticks(1);  // tick 91
    EXPECT_EQ(tags(server.receive_all()), std::vector<uint8_t>{TAG_JOIN_REQUEST});
    ticks(29);
    EXPECT_TRUE(server.receive_all().empty());
    ticks(1);
    const std::vector<Datagram> last = server.receive_all();
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].bytes.size(), 4u);
    EXPECT_EQ(s.client.state, ConnectionState::Connecting);
}

TEST_F(OnlineLink, WelcomeAfterServerFullJoins) {
    ticks(1);
    server.receive_all();
    server.send_to_client([](WireWriter& w) { encode_server_full(w); });
    frame_after_reply();
    EXPECT_EQ(s.client.state, ConnectionState::Full);
    EXPECT_EQ(s.notifications.items[s.notifications.count - 1].view(), std::string(entry.name()) + " is full");

    ticks(30);  // a refused client keeps asking
    EXPECT_EQ(tags(server.receive_all()), std::vector<uint8_t>{TAG_JOIN_REQUEST});
    server.send_to_client([](WireWriter& w) { encode_welcome(w, 3); });
    frame_after_reply();
    EXPECT_EQ(s.client.state, ConnectionState::Joined);
    EXPECT_EQ(s.client.own_slot, 3u);
    EXPECT_EQ(s.notifications.items[s.notifications.count - 1].view(),
              "Joined " + std::string(entry.name()) + " as player 4");
    EXPECT_EQ(tags(server.receive_all()), std::vector<uint8_t>{TAG_INPUT_BATCH});
}

TEST_F(OnlineLink, BatchCarriesAtMostSixteenInputsWhenAHundredAreUnacknowledged) {
    join(0);
    server.receive_all();
    for (int i = 0; i < 100; ++i) ticks(1, {i % 2 == 0, false, i % 3 == 0, false, i % 5 == 0});
    const std::vector<Datagram> batches = server.receive_all();
    ASSERT_EQ(batches.size(), 100u);
    for (uint32_t q = 1; q <= 100; ++q) {
        const std::vector<uint8_t>& b = batches[q - 1].bytes;
        ASSERT_EQ(b[3], TAG_INPUT_BATCH);
        WireReader r = make_reader(b.data(), b.size(), HEADER_SIZE);
        InputBatch batch;
        ASSERT_EQ(decode_input_batch(r, batch), WireError::None);
        EXPECT_EQ(batch.newest, q + 1);  // input 1 went out with the joining frame's tick
        ASSERT_EQ(batch.count, std::min<uint32_t>(q + 1, 16));
        ASSERT_EQ(b.size(), 9u + batch.count);
    }
    // The last batch: inputs 86..101, oldest first, as recorded.
    const std::vector<uint8_t>& last = batches.back().bytes;
    for (uint32_t i = 0; i < 16; ++i) {
        const uint32_t number = 86 + i;
        EXPECT_EQ(last[9 + i], pack_input(s.client.history[number % INPUT_HISTORY])) << "input " << number;
    }
}

// The in-process server's queue may hold datagrams for other addresses; the
// tutorial's client takes only those addressed to it.
TEST(InProcessLink, TakesOnlyWhatIsAddressedToItsClient) {
    ServerSession* server = create_session(World{});
    ASSERT_NE(server, nullptr);
    ServerLink link;
    open_in_process(link, server);
    uint8_t welcome[5] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_WELCOME, 6};
    ASSERT_TRUE(push_outgoing(server->outgoing, make_endpoint(10, 0, 0, 7, 7777), welcome, sizeof welcome));
    welcome[4] = 3;
    ASSERT_TRUE(push_outgoing(server->outgoing, IN_PROCESS_CLIENT, welcome, sizeof welcome));
    std::vector<uint8_t> slots;
    collect(
        link,
        [](void* context, const uint8_t* bytes, size_t) { static_cast<std::vector<uint8_t>*>(context)->push_back(bytes[4]); },
        &slots);
    EXPECT_EQ(slots, std::vector<uint8_t>{3});
    close(link, false);
}

TEST_F(OnlineLink, DatagramFromTheServersAddressButAnotherPortIsDropped) {
    ticks(1);
    server.receive_all();
    sockaddr_in client{};
    client.sin_family = AF_INET;
    client.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    client.sin_port = htons(local_port(s.link));
    int other = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    uint8_t welcome[5] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_WELCOME, 2};
    sendto(other, welcome, sizeof welcome, 0, reinterpret_cast<sockaddr*>(&client), sizeof client);
    ::close(other);
    frame_after_reply();
    EXPECT_EQ(s.client.state, ConnectionState::Connecting);

    server.send_to_client([](WireWriter& w) { encode_welcome(w, 2); });
    frame_after_reply();
    EXPECT_EQ(s.client.state, ConnectionState::Joined);
}

TEST_F(OnlineLink, SilenceWarnsOnceAfter361TicksThenJoinsAgain) {
    join(1);
    ticks(359);  // the joining frame's tick and 359 more: 360 silent ticks
    EXPECT_EQ(s.client.state, ConnectionState::Joined);
    server.receive_all();

    testing::internal::CaptureStderr();
    ticks(1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "warning: lost connection to the server\n");
    EXPECT_EQ(s.client.state, ConnectionState::Connecting);
    EXPECT_EQ(s.notifications.items[s.notifications.count - 1].view(),
              "Lost connection to " + std::string(entry.name()) + ", reconnecting");
    EXPECT_TRUE(server.receive_all().empty());  // nothing in the tick of the reset

    testing::internal::CaptureStderr();
    ticks(31);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(tags(server.receive_all()), std::vector<uint8_t>(2, TAG_JOIN_REQUEST));
}

TEST_F(OnlineLink, LeavingSaysGoodbyeOnlyWhenJoined) {
    join(0);
    server.receive_all();
    leave_session(s);
    EXPECT_EQ(tags(server.receive_all()), std::vector<uint8_t>{TAG_LEAVE});
    EXPECT_EQ(s.link.kind, LinkKind::Closed);

    ASSERT_TRUE(start_online_session(s, entry));
    ticks(1);
    server.receive_all();
    leave_session(s);
    EXPECT_TRUE(server.receive_all().empty());
}

TEST_F(OnlineLink, JoinsWithProtocol21WhenTheStatusSaysTheServerSpeaksIt) {
    EXPECT_EQ(join_versions(), std::vector<uint8_t>{});
    leave_session(s);
    answered_version(21);
    ASSERT_TRUE(start_online_session(s, entry));
    ticks(30 * 20 + 1);
    EXPECT_EQ(join_versions(), std::vector<uint8_t>(21, PROTOCOL_VERSION_21));  // and it stays with it
}

TEST_F(OnlineLink, JoinsWithProtocol20WhenTheStatusSaysTheServerSpeaksOnly20) {
    ticks(30 * 20 + 1);
    EXPECT_EQ(join_versions(), std::vector<uint8_t>(21, PROTOCOL_VERSION));
}

TEST_F(OnlineLink, AServerNotHeardFromIsTriedWith21Then20) {
    leave_session(s);
    entry.status.store(ServerStatus::NotQueried);
    entry.result = StatusResult{};
    ASSERT_TRUE(start_online_session(s, entry));
    ticks(30 * 20 + 1);
    std::vector<uint8_t> expected(8, PROTOCOL_VERSION_21);
    expected.insert(expected.end(), 8, PROTOCOL_VERSION);
    expected.insert(expected.end(), 5, PROTOCOL_VERSION_21);
    EXPECT_EQ(join_versions(), expected);

    // Answered in protocol 20 (an older server): joined, and speaking 20 on.
    leave_session(s);
    ASSERT_TRUE(start_online_session(s, entry));
    ticks(30 * 8 + 1);
    ASSERT_EQ(join_versions().back(), PROTOCOL_VERSION);
    server.send_to_client([&](WireWriter& w) { encode_welcome(w, 1); });
    frame_after_reply();
    EXPECT_EQ(s.client.state, ConnectionState::Joined);
    ticks(1);
    const std::vector<Datagram> sent = server.receive_all();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().tag(), TAG_INPUT_BATCH);
    EXPECT_EQ(sent.back().bytes[2], PROTOCOL_VERSION);
}

}  // namespace
