// Request round trips per second: KelSms_GetDB on one login, with 1 and 8
// application threads, on loopback. The limit is a plain blocking TCP
// exchange of frames of the same sizes (one connection per application
// thread), measured in the same run against the same blocking server, so the
// ratio shows what the client costs. The client against smssim is printed
// for comparison.
//
//   servclient_bench [seconds per side and thread count, default 4]

#include <ov/servclient.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include "bson_fields.h"
#include "frame_header.h"
#include "kel_documents.h"
#include "raw_frame.h"
#include "sim_server.h"

namespace {

using boost::asio::ip::tcp;
using Clock = std::chrono::steady_clock;

// Runs body(stop) on n threads for the given time; returns round trips per second.
double measure(int threads, double seconds, const std::function<long(const std::atomic<bool>&)>& body) {
    std::atomic<bool> stop{false};
    std::atomic<long> total{0};
    std::vector<std::thread> workers;
    const auto t0 = Clock::now();
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back([&] { total += body(stop); });
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (auto& w : workers) {
        w.join();
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    return total.load() / elapsed;
}

// One blocking server thread per connection, the same for both sides of the
// comparison: it reads a frame and answers with a frame of the database
// answer's size carrying the request's "sn" (a login or a heartbeat gets its
// own short answer), so that only the client side differs.
class BlockingServer {
public:
    explicit BlockingServer(std::vector<uint8_t> dbAnswer)
        : dbAnswer_(std::move(dbAnswer)), acceptor_(io_, tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), 0)) {
        thread_ = std::thread([this] { acceptLoop(); });
    }
    ~BlockingServer() {
        stopping_ = true;
        // wake the acceptor with one last connection
        boost::system::error_code ignored;
        tcp::socket poke(io_);
        poke.connect(tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), port()), ignored);
        thread_.join();
        for (auto& t : connections_) {
            t.join();
        }
    }
    uint16_t port() const { return acceptor_.local_endpoint().port(); }

private:
    void acceptLoop() {
        while (!stopping_) {
            auto sock = std::make_shared<tcp::socket>(io_);
            boost::system::error_code ec;
            acceptor_.accept(*sock, ec);
            if (ec || stopping_) {
                return;
            }
            sock->set_option(tcp::no_delay(true));
            connections_.emplace_back([this, sock] { serve(*sock); });
        }
    }

    void serve(tcp::socket& sock) {
        uint8_t header[6];
        std::vector<uint8_t> payload;
        std::vector<uint8_t> answer = dbAnswer_;
        boost::system::error_code ec;
        for (;;) {
            boost::asio::read(sock, boost::asio::buffer(header), ec);
            if (ec) {
                return;
            }
            payload.resize(sms::decodeLength(header));
            boost::asio::read(sock, boost::asio::buffer(payload), ec);
            bson_t doc;
            if (ec || !bson_init_static(&doc, payload.data(), payload.size())) {
                return;
            }
            const int32_t fcode = sms::int32Of(&doc, "fcode").value_or(0);
            const int32_t sn = sms::int32Of(&doc, "sn").value_or(0);
            if (fcode == sms::FC_LOGIN || fcode == sms::FC_HEARTBEAT) {
                sms::DocBuilder b;
                b.i32("fcode", fcode).i32("sn", sn).i32("retcode", 0);
                boost::asio::write(sock, boost::asio::buffer(smssim::frameOf(b.finish())), ec);
            } else {
                // "fcode", then "sn": the sn's value sits at a fixed offset
                std::memcpy(answer.data() + kSnOffset, &sn, sizeof sn);
                boost::asio::write(sock, boost::asio::buffer(answer), ec);
            }
            if (ec) {
                return;
            }
        }
    }

    // header 6, document size 4, "fcode" element 11, "sn" element's type and key 4
    static constexpr std::size_t kSnOffset = 6 + 4 + 11 + 4;
    std::vector<uint8_t> dbAnswer_;
    boost::asio::io_context io_;
    tcp::acceptor acceptor_;
    std::thread thread_;
    std::vector<std::thread> connections_;
    std::atomic<bool> stopping_{false};
};

// The limit: each thread on its own connection, blocking write and read.
double echoRate(int threads, double seconds, uint16_t port, const std::vector<uint8_t>& request) {
    return measure(threads, seconds, [&](const std::atomic<bool>& stop) {
        boost::asio::io_context io;
        tcp::socket sock(io);
        sock.connect(tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), port));
        sock.set_option(tcp::no_delay(true));
        std::vector<uint8_t> in(sms::kMaxFrameLength < 65536 ? sms::kMaxFrameLength : 65536);
        long n = 0;
        while (!stop) {
            boost::asio::write(sock, boost::asio::buffer(request));
            boost::asio::read(sock, boost::asio::buffer(in.data(), 6));
            boost::asio::read(sock, boost::asio::buffer(in.data() + 6, sms::decodeLength(in.data())));
            ++n;
        }
        return n;
    });
}

double clientRate(int threads, double seconds, int32_t login) {
    std::atomic<bool> failed{false};
    const double rate = measure(threads, seconds, [&](const std::atomic<bool>& stop) {
        OvSmsDBInfo info;
        long n = 0;
        while (!stop) {
            if (KelSms_GetDB(login, &info) != 0) {
                failed = true;
                return n;
            }
            ++n;
        }
        return n;
    });
    if (failed) {
        std::fprintf(stderr, "servclient_bench: a request failed\n");
        std::exit(1);
    }
    return rate;
}

int32_t loginTo(const std::string& address) {
    KelSmsLoginOpt opt{address.c_str(), "admin", "12345"};
    int32_t login = 0;
    if (KelSms_Login(&opt, &login) != 0) {
        std::fprintf(stderr, "servclient_bench: login to %s failed\n", address.c_str());
        std::exit(1);
    }
    return login;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
    const int rounds = 8;

    // the frames of the measured exchange, built as the client and the
    // simulator build them
    const std::vector<uint8_t> request = smssim::frameOf(sms::dbInfoDoc(1));
    sms::DocBuilder b;
    const smssim::SimDb db;
    b.i32("fcode", sms::FC_DB_INFO).i32("sn", 1).i32("retcode", 0);
    b.text("dbaddr", db.addr).text("dbname", db.name).text("dbpassword", db.password);
    b.text("dbport", db.port).text("dbusername", db.user);
    const std::vector<uint8_t> answer = smssim::frameOf(b.finish());

    BlockingServer server(answer);
    smssim::SimConfig config;
    config.recordRequests = false;
    smssim::SimServer sim(config);
    sim.start();

    if (KelSms_Init(1, 0, 0) != 0) {
        std::fprintf(stderr, "servclient_bench: KelSms_Init failed\n");
        return 1;
    }
    const int32_t login = loginTo("127.0.0.1:" + std::to_string(server.port()));
    const int32_t simLogin = loginTo(sim.address());

    std::printf("GetDB round trips per second on loopback (request %zu bytes, answer %zu bytes)\n", request.size(),
                answer.size());
    std::printf(
        "server: one blocking thread per connection for both; %d alternating rounds of %.2f s per side;\n"
        "best round of each side, the median of the rounds' ratios, and the client against smssim\n",
        rounds, seconds / rounds);
    for (int threads : {1, 8}) {
        // alternating short rounds: a machine busy with other work hits both sides alike
        std::vector<double> echo, client, ratios, withSim;
        for (int r = 0; r < rounds; ++r) {
            echo.push_back(echoRate(threads, seconds / rounds, server.port(), request));
            client.push_back(clientRate(threads, seconds / rounds, login));
            ratios.push_back(client.back() / echo.back());
            withSim.push_back(clientRate(threads, seconds / rounds / 2, simLogin));
        }
        std::sort(ratios.begin(), ratios.end());
        const double bestEcho = *std::max_element(echo.begin(), echo.end());
        const double bestClient = *std::max_element(client.begin(), client.end());
        const double bestSim = *std::max_element(withSim.begin(), withSim.end());
        const double ratio = bestClient / bestEcho;
        const double median = (ratios[rounds / 2 - 1] + ratios[rounds / 2]) / 2;
        std::printf(
            "  %d thread%s: client %8.0f/s  blocking echo %8.0f/s  ratio %.2f (median %.2f)%s  [smssim %8.0f/s]\n",
            threads, threads == 1 ? " " : "s", bestClient, bestEcho, ratio, median,
            ratio >= 0.5 ? "" : "  below the 0.50 target", bestSim);
    }
    KelSms_Logout(login);
    KelSms_Logout(simLogin);
    KelSms_Cleanup();
    return 0;
}
