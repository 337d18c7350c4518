// The test clip through a simulated recorder and the plug-in as the core loads
// it: the H.264 channel gives back every picture of the clip, and the plain
// channel the recorder's stream byte for byte.
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <ov/devcore.h>

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v == nullptr ? std::string() : std::string(v);
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

// Output of a command, or "" when it cannot run.
std::string run(const std::string& command) {
    std::string out;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    pclose(pipe);
    return out;
}

int frameCount(const std::string& file) {
    return std::atoi(run("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                         "-of csv=p=0 '" +
                         file + "'")
                         .c_str());
}

// The MD5 of every decoded picture, in display order.
std::vector<std::string> pictureHashes(const std::string& file) {
    std::istringstream lines(run("ffmpeg -v error -i '" + file + "' -map 0:v:0 -f framemd5 -"));
    std::vector<std::string> hashes;
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] != '#') {
            hashes.push_back(line.substr(line.rfind(',') + 1));
        }
    }
    return hashes;
}

struct Collected {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<OV::StreamFrame> frames;  // data pointers not kept
    std::vector<uint8_t> bytes;
    std::size_t wanted = 0;  // frames, or bytes when counting bytes
    bool byBytes = false;

    OV::FrameCallback callback() {
        return [this](OV::StreamFrame* f) {
            std::lock_guard<std::mutex> lock(mutex);
            if (done()) {
                return;
            }
            frames.push_back(*f);
            bytes.insert(bytes.end(), f->data, f->data + f->size);
            changed.notify_all();
        };
    }
    bool done() const { return byBytes ? bytes.size() >= wanted : frames.size() >= wanted; }
    bool wait() {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(120), [this] { return done(); });
    }
};

class HcnetbridgeE2eTest : public testing::Test {
protected:
    void SetUp() override {
        if (run("ffprobe -version").empty()) {
            GTEST_SKIP() << "ffprobe is not installed";
        }
        OV::Init();
    }
    void TearDown() override { OV::Fini(); }

    OV::ChanOpt chan_ = {"hik", "127.0.0.1", "admin", "12345", "2"};
};

}  // namespace

TEST_F(HcnetbridgeE2eTest, H264ChannelGivesEveryPictureOfTheClip) {
    const std::string clip = env("OV_TEST_CLIP");
    const int pictures = frameCount(clip);
    ASSERT_GT(pictures, 0) << clip;

    Collected got;
    got.wanted = std::size_t(pictures);
    boost::shared_ptr<OV::LiveChan> chan = OV::GetLiveH264Chan(&chan_);
    ASSERT_TRUE(chan);
    chan->SetCallback(got.callback(), OV::FrameCallback());
    ASSERT_EQ(0, chan->Start());
    ASSERT_TRUE(got.wait());
    chan.reset();

    for (std::size_t i = 0; i < got.frames.size(); ++i) {
        EXPECT_EQ(OV::FRAME_H264, got.frames[i].kind);
        EXPECT_EQ(int64_t(40 * i), got.frames[i].time) << i;
    }
    EXPECT_EQ(1, got.frames[0].key);
    const std::string out = folderOf(env("OV_HIKSIM_FILE")) + "/live.h264";
    std::ofstream(out, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(got.bytes.data()), std::streamsize(got.bytes.size()));
    EXPECT_EQ(pictures, frameCount(out));
    const std::vector<std::string> expected = pictureHashes(clip);
    EXPECT_EQ(std::size_t(pictures), expected.size());
    EXPECT_EQ(expected, pictureHashes(out));
}

TEST_F(HcnetbridgeE2eTest, PlainChannelGivesTheRecorderStream) {
    const std::string streamFile = folderOf(env("OV_HIKSIM_FILE")) + "/clip.ps";
    std::ifstream in(streamFile, std::ios::binary);
    const std::vector<uint8_t> expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(expected.size(), 40u);

    Collected got;
    got.byBytes = true;
    got.wanted = expected.size();
    boost::shared_ptr<OV::LiveChan> chan = OV::GetLiveChan(&chan_);
    ASSERT_TRUE(chan);
    chan->SetCallback(got.callback(), OV::FrameCallback());
    ASSERT_EQ(0, chan->Start());
    ASSERT_TRUE(got.wait());
    chan.reset();

    EXPECT_EQ(OV::FRAME_VENDOR_HEADER, got.frames[0].kind);
    EXPECT_EQ(40, got.frames[0].size);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.bytes.begin()));
    const std::string out = folderOf(env("OV_HIKSIM_FILE")) + "/live.ps";
    std::ofstream(out, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(got.bytes.data()), std::streamsize(got.bytes.size()));
    EXPECT_GE(frameCount(out), frameCount(env("OV_TEST_CLIP")));
}
