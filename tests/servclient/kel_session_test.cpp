#include "kel_session.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "bson_fields.h"
#include "raw_frame.h"
#include "session_fixture.h"

namespace sms {
namespace {

using smssim::AnswerScript;
using smssim::rawFrame;
using smssim::RetcodeFault;
using smssim::SimConnection;
using smssim::SimRequest;
using smssim::SimServer;

const int kPatienceMs = 15000;  // for things that take well under a second

TEST_F(SessionTest, LoginTakesSn0AndTheFirstRequestSn1) {
    KelSessionPtr s = loggedIn();
    ASSERT_TRUE(s);
    OvSmsDBInfo info;
    ASSERT_EQ(getDB(*s, &info), 0);
    EXPECT_STREQ(info.addr, "127.0.0.1");
    EXPECT_STREQ(info.dbname, "ovdb");
    EXPECT_STREQ(info.user, "sa");
    EXPECT_STREQ(info.passw, "secret");
    EXPECT_EQ(info.port, 1433);

    const auto logins = sim.requestsOf(FC_LOGIN);
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0].sn, 0);
    EXPECT_EQ(textOf(logins[0].doc->get(), "username"), "admin");
    EXPECT_EQ(textOf(logins[0].doc->get(), "password"), "12345");
    const auto db = sim.requestsOf(FC_DB_INFO);
    ASSERT_EQ(db.size(), 1u);
    EXPECT_EQ(db[0].sn, 1);
    EXPECT_EQ(s->waiterCount(), 0u);
    EXPECT_TRUE(s->connected());
}

TEST_F(SessionTest, LoginResults) {
    SimServer gone;
    const std::string nobody = "127.0.0.1:" + std::to_string(gone.start());
    gone.stop();
    const std::string here = sim.address();
    auto answerWith = [this](RetcodeFault fault) {
        AnswerScript a;
        a.fault = fault;
        sim.setAnswer(FC_LOGIN, a);
    };
    auto rawAnswer = [this](const std::vector<uint8_t>& bytes) {
        AnswerScript a;
        a.rawSet = true;
        a.raw = bytes;
        sim.setAnswer(FC_LOGIN, a);
    };
    DocBuilder ok;
    ok.i32("fcode", FC_LOGIN).i32("sn", 0).i32("retcode", 0);
    const std::vector<uint8_t> okDoc = smssim::docBytes(ok.finish());

    const struct {
        const char* what;
        std::function<void()> script;
        std::string address;
        const char* passw;
        int32_t expected;
    } cases[] = {
        {"accepted", [] {}, here, "12345", 0},
        {"wrong password", [] {}, here, "nope", 1},
        {"refused with a code", [this] { sim.refuseLogin(7); }, here, "12345", 7},
        {"retcode missing", [&] { answerWith(RetcodeFault::Missing); }, here, "12345", -1},
        {"retcode as text", [&] { answerWith(RetcodeFault::WrongType); }, here, "12345", -1},
        {"empty answer",
         [&] {
             rawAnswer(rawFrame("OV", 5, {5, 0, 0, 0, 0}));
         },
         here, "12345", -1},
        {"length out of range",
         [&] {
             rawAnswer(rawFrame("OV", 4, {5, 0, 0, 0}));
         },
         here, "12345", -1},
        // the synchronous exchange does not look at the magic
        {"bad magic", [&] { rawAnswer(rawFrame("XY", uint32_t(okDoc.size()), okDoc)); }, here, "12345", 0},
        {"host by name", [] {}, "localhost:" + std::to_string(sim.port()), "12345", -1},
        {"nobody listening", [] {}, nobody, "12345", -1},
    };
    for (const auto& c : cases) {
        sim.refuseLogin(0);
        sim.clearAnswer(FC_LOGIN);
        c.script();
        KelSessionPtr session;
        EXPECT_EQ(openSession(c.address, "admin", c.passw, &session), c.expected) << c.what;
        EXPECT_EQ(bool(session), c.expected == 0) << c.what;
    }
}

TEST_F(SessionTest, AddressWithoutPortReaches6888) {
    smssim::SimConfig config;
    config.port = 6888;
    SimServer standard(config);
    try {
        standard.start();
    } catch (const boost::system::system_error&) {
        GTEST_SKIP() << "port 6888 is in use on this machine";
    }
    KelSessionPtr s;
    EXPECT_EQ(openSession("127.0.0.1", "admin", "12345", &s), 0);
    // another program's client may find this server on the well-known port too
    EXPECT_GE(standard.loginCount(), 1);
}

// What the server sends on an established connection, and whether the client
// must take it as a broken connection (log in again) or read on.
TEST_F(SessionTest, FramesThatBreakOrKeepAnEstablishedConnection) {
    DocBuilder hb;
    hb.i32("fcode", FC_HEARTBEAT).i32("sn", 1);
    const std::vector<uint8_t> heartbeat = smssim::docBytes(hb.finish());
    DocBuilder unknown;
    unknown.i32("fcode", 14).i32("sn", 1);
    const std::vector<uint8_t> unknownDoc = smssim::docBytes(unknown.finish());

    const struct {
        const char* what;
        std::function<void()> act;
        bool breaks;
    } cases[] = {
        {"length 4",
         [&] {
             sim.sendRaw(rawFrame("OV", 4, {4, 0, 0, 0}));
         },
         true},
        {"length 5",
         [&] {
             sim.sendRaw(rawFrame("OV", 5, {5, 0, 0, 0, 0}));
         },
         false},
        {"length 16777217", [&] { sim.sendRaw(rawFrame("OV", 16777217, {})); }, true},
        {"bad magic", [&] { sim.sendRaw(rawFrame("XV", uint32_t(heartbeat.size()), heartbeat)); }, true},
        {"unknown fcode", [&] { sim.sendRaw(rawFrame("OV", uint32_t(unknownDoc.size()), unknownDoc)); }, false},
        {"no document",
         [&] {
             sim.sendRaw(rawFrame("OV", 6, {9, 0, 0, 0, 0, 0}));
         },
         false},
        {"server closes", [&] { sim.closeConnections(); }, true},
    };
    for (const auto& c : cases) {
        KelSessionPtr s = loggedIn();
        const int32_t logins = sim.loginCount();
        const int32_t accepted = sim.acceptedCount();
        c.act();
        if (c.breaks) {
            EXPECT_TRUE(sim.waitFor([&] { return sim.loginCount() == logins + 1 && s->connected(); }, kPatienceMs))
                << c.what;
        }
        OvSmsDBInfo info;
        EXPECT_EQ(getDB(*s, &info), 0) << c.what;
        if (!c.breaks) {
            EXPECT_EQ(sim.loginCount(), logins) << c.what;
            EXPECT_EQ(sim.acceptedCount(), accepted) << c.what;
        }
    }
}

TEST_F(SessionTest, AnswerOfTheLargestLengthIsRead) {
    AnswerScript huge;
    huge.padTo = kMaxFrameLength;
    sim.setAnswer(FC_DB_INFO, huge);
    KelSessionPtr s = loggedIn();
    const KelMsgPtr answer = s->request(makeMsg(dbInfoDoc(s->nextSn())));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->document()->len, kMaxFrameLength);
    EXPECT_EQ(answerCode(answer), 0);
    EXPECT_EQ(sim.loginCount(), 1);
}

TEST_F(SessionTest, Fcodes5And8AreDeliveredAsAnswersOthersIgnored) {
    auto echo = [](SimConnection& c, const SimRequest& r) { c.server().answer(c, r.fcode, r.sn, 0); };
    for (int32_t fcode : {5, 8, 14}) {
        sim.setHandler(fcode, echo);
    }
    KelSessionPtr s = loggedIn();
    for (int32_t fcode : {5, 8}) {
        DocBuilder b;
        b.i32("fcode", fcode).i32("sn", s->nextSn());
        const KelMsgPtr answer = s->request(makeMsg(b.finish()));
        ASSERT_TRUE(answer) << fcode;
        EXPECT_EQ(*int32Of(answer->document(), "fcode"), fcode);
    }
    DocBuilder b;
    b.i32("fcode", 14).i32("sn", s->nextSn());
    EXPECT_FALSE(s->request(makeMsg(b.finish()), 500));
    EXPECT_EQ(s->waiterCount(), 0u);
    OvSmsDBInfo info;
    EXPECT_EQ(getDB(*s, &info), 0);
}

TEST_F(SessionTest, ConcurrentRequestsEachGetTheirOwnAnswer) {
    AnswerScript slow;
    slow.delayMs = 300;  // all requests are in flight at once
    sim.setAnswer(FC_DB_INFO, slow);
    KelSessionPtr s = loggedIn();
    const int kThreads = 4;
    std::atomic<int> ok{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            const int32_t sn = s->nextSn();
            const KelMsgPtr answer = s->request(makeMsg(dbInfoDoc(sn)));
            if (answer && int32Of(answer->document(), "sn") == sn && answerCode(answer) == 0) {
                ++ok;
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(ok.load(), kThreads);
    std::set<int32_t> sns;
    for (const auto& r : sim.requestsOf(FC_DB_INFO)) {
        sns.insert(r.sn);
    }
    EXPECT_EQ(sns.size(), size_t(kThreads));
    EXPECT_EQ(s->waiterCount(), 0u);
}

BsonDocPtr media(int32_t fcode, const std::string& d, bool withPts, int32_t t, int32_t st) {
    DocBuilder b;
    b.i32("fcode", fcode).binary("d", reinterpret_cast<const uint8_t*>(d.data()), uint32_t(d.size()));
    if (withPts) {
        b.i64("pts", 1000 + t);
    }
    b.i32("t", t).i32("st", st);
    return b.finish();
}

TEST_F(SessionTest, MediaFramesReachTheDataCallbackInOrderAndAreMetered) {
    KelSessionPtr s = loggedIn();
    std::mutex mutex;
    std::vector<std::string> got;
    s->setDataCallback([&](KelStream* f) {
        std::lock_guard<std::mutex> lock(mutex);
        got.push_back(std::string(reinterpret_cast<const char*>(f->data), size_t(f->len)) + "/" +
                      std::to_string(f->pts) + "/" + std::to_string(f->t) + "/" + std::to_string(f->st));
        if (got.size() == 1) {
            throw std::runtime_error("a consumer's failure ends with its frame");
        }
    });
    const std::vector<BsonDocPtr> frames = {media(50, "abc", true, 7, 1), media(50, "bad", false, 8, 1),
                                            media(51, "de", true, 9, 0), media(50, "fgh", true, 10, 2)};
    int64_t bytes = 0;
    for (const auto& f : frames) {
        sim.sendDoc(f);
        bytes += f->get()->len;
    }
    auto count = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return got.size();
    };
    ASSERT_TRUE(sim.waitFor([&] { return count() == 3; }, kPatienceMs));
    EXPECT_EQ(got, (std::vector<std::string>{"abc/1007/7/1", "de/1009/9/0", "fgh/1010/10/2"}));
    // every media frame counts, the dropped one too
    EXPECT_EQ(s->totalBytes(), bytes);
    // A rate shows for the one meter period the bytes came in. Media goes on
    // until the test has seen one, so a test thread that sleeps through a
    // period on a busy machine cannot miss it.
    const BsonDocPtr more = media(50, "ijk", true, 11, 1);
    EXPECT_TRUE(sim.waitFor(
        [&] {
            if (s->bytesPerSecond() > 0) {
                return true;
            }
            sim.sendDoc(more);
            bytes += more->get()->len;
            return false;
        },
        kPatienceMs));
    EXPECT_TRUE(sim.waitFor([&] { return s->totalBytes() == bytes; }, kPatienceMs));
    EXPECT_TRUE(sim.waitFor([&] { return s->bytesPerSecond() == 0; }, kPatienceMs));
    EXPECT_EQ(s->totalBytes(), bytes);
}

// The reader takes whatever pieces the connection brings: frames sent whole,
// in random pieces or byte by byte arrive the same.
TEST_F(SessionTest, FramesArriveTheSameHoweverTheStreamIsCut) {
    std::vector<uint8_t> stream;
    std::vector<std::string> expected;
    std::vector<std::size_t> starts;  // where each frame begins
    for (int i = 0; i < 12; ++i) {
        // small frames, and some larger than what the reader buffers ahead
        const std::string payload(i % 4 == 3 ? 9000 + i : 10 + 37 * i, static_cast<char>('a' + i));
        const auto frame = smssim::frameOf(media(50 + i % 2, payload, true, i, i % 3));
        starts.push_back(stream.size());
        stream.insert(stream.end(), frame.begin(), frame.end());
        expected.push_back(std::to_string(payload.size()) + payload.substr(0, 1) + "/" + std::to_string(1000 + i) +
                           "/" + std::to_string(i) + "/" + std::to_string(i % 3));
    }
    // where each piece ends
    std::vector<std::size_t> random, headers, bytes;
    std::mt19937 generator(7);
    for (std::size_t at = 0; at < stream.size(); at += 1 + generator() % 3000) {
        random.push_back(at);
    }
    for (std::size_t i = 1; i < starts.size(); ++i) {
        // the end of one frame with a few bytes of the next header, then the rest
        headers.push_back(starts[i] + 1 + i % 5);
    }
    for (std::size_t at = 1; at < stream.size(); ++at) {
        bytes.push_back(at);
    }
    const std::vector<std::pair<const char*, std::vector<std::size_t>>> cuts = {
        {"whole", {}}, {"random", random}, {"through the headers", headers}, {"byte by byte", bytes}};
    for (const auto& cut : cuts) {
        KelSessionPtr s = loggedIn();
        const int32_t logins = sim.loginCount();
        std::mutex mutex;
        std::vector<std::string> got;
        s->setDataCallback([&](KelStream* f) {
            std::lock_guard<std::mutex> lock(mutex);
            got.push_back(std::to_string(f->len) + std::string(reinterpret_cast<const char*>(f->data), 1) + "/" +
                          std::to_string(f->pts) + "/" + std::to_string(f->t) + "/" + std::to_string(f->st));
        });
        std::vector<std::vector<uint8_t>> pieces;
        std::size_t from = 0;
        for (std::size_t to : cut.second) {
            if (to > from && to < stream.size()) {
                pieces.emplace_back(stream.begin() + from, stream.begin() + to);
                from = to;
            }
        }
        pieces.emplace_back(stream.begin() + from, stream.end());
        sim.sendRawPieces(pieces);
        EXPECT_TRUE(sim.waitFor(
            [&] {
                std::lock_guard<std::mutex> lock(mutex);
                return got.size() == expected.size();
            },
            kPatienceMs))
            << cut.first;
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(got, expected) << cut.first;
        EXPECT_EQ(sim.loginCount(), logins) << cut.first << ": the connection held";
    }
}

}  // namespace
}  // namespace sms
