// ovctl live: opens one live channel and shows, records, captures and counts
// what it delivers.

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include <ov/devcore.h>
#include <ov/window/top_window.h>

#include "commands.h"
#include "core_session.h"

namespace ovctl {

const char* const kLiveUsage =
    "usage: ovctl live --type T [--addr A] [--user U] [--pass P] --chan C [--sub] [--h264]\n"
    "                  [--seconds N | --frames N] [--raw FILE] [--window | --wid ID]\n"
    "                  [--record FILE.ps] [--snapshot FILE.jpg]\n"
    "\n"
    "Opens the live channel C of a device of type T and runs until N seconds have\n"
    "passed, N frames have arrived, or Ctrl-C (without either option, until Ctrl-C).\n"
    "For type \"file\", C is the path of a media file that plays as a camera, in a loop.\n"
    "\n"
    "  --sub            the sub stream (GetLiveSubChan; with --h264 GetLiveH264SubChan)\n"
    "  --h264           H.264 frames instead of the device's own stream (GetLiveH264Chan)\n"
    "  --raw FILE       writes every received block to FILE as it arrives\n"
    "  --window         shows the stream in a new X11 window (closing it ends the run)\n"
    "  --wid ID         shows the stream in the existing X11 window ID\n"
    "  --record FILE    records through the stream's decoder (a program stream for H.264)\n"
    "  --snapshot FILE  captures the decoder's current picture as JPEG at the end\n"
    "\n"
    "Showing, recording and capturing go through the live decoder of the blocks'\n"
    "stream type: type 0 for H.264 frames, the frame's own type for vendor streams.\n"
    "On a terminal a status line (frames, fps, kbit/s, key frames) updates in place;\n"
    "a summary follows at the end. A run that receives nothing for 15 s fails.\n";

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::seconds kStallLimit{15};
constexpr std::chrono::milliseconds kStatusEvery{500};
constexpr std::chrono::milliseconds kPollEvery{100};
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 360;

volatile sig_atomic_t g_interrupted = 0;

void onSignal(int) {
    g_interrupted = 1;
}

// Ctrl-C and SIGTERM end the run normally, with the summary, while this lives.
class SignalScope {
public:
    SignalScope() {
        g_interrupted = 0;
        struct sigaction sa;
        std::memset(&sa, 0, sizeof sa);
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &oldInt_);
        sigaction(SIGTERM, &sa, &oldTerm_);
    }
    ~SignalScope() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    SignalScope(const SignalScope&) = delete;
    SignalScope& operator=(const SignalScope&) = delete;

private:
    struct sigaction oldInt_;
    struct sigaction oldTerm_;
};

struct LiveOptions {
    std::string type, addr, user, pass, chan;
    bool sub = false;
    bool h264 = false;
    std::optional<long long> seconds;
    std::optional<long long> frames;
    std::optional<std::string> raw, record, snapshot;
    bool window = false;
    std::optional<long long> wid;
};

LiveOptions parse(Args& args) {
    LiveOptions o;
    o.type = args.require("--type");
    o.addr = args.value("--addr").value_or("");
    o.user = args.value("--user").value_or("");
    o.pass = args.value("--pass").value_or("");
    o.chan = args.require("--chan");
    o.sub = args.flag("--sub");
    o.h264 = args.flag("--h264");
    o.seconds = args.number("--seconds");
    o.frames = args.number("--frames");
    o.raw = args.value("--raw");
    o.window = args.flag("--window");
    o.wid = args.number("--wid");
    o.record = args.value("--record");
    o.snapshot = args.value("--snapshot");
    args.finish();
    if (o.seconds && o.frames) {
        throw UsageError("--seconds and --frames exclude each other");
    }
    if ((o.seconds && *o.seconds <= 0) || (o.frames && *o.frames <= 0)) {
        throw UsageError("--seconds and --frames want a positive number");
    }
    if (o.window && o.wid) {
        throw UsageError("--window and --wid exclude each other");
    }
    if (o.wid && *o.wid <= 0) {
        throw UsageError("--wid wants a window id");
    }
    return o;
}

// The facade operation that --sub and --h264 pick.
struct Slot {
    const char* name;
    boost::shared_ptr<OV::LiveChan> (*open)(OV::ChanOpt*);
};

Slot pickSlot(bool sub, bool h264) {
    if (h264) {
        return sub ? Slot{"GetLiveH264SubChan", OV::GetLiveH264SubChan} : Slot{"GetLiveH264Chan", OV::GetLiveH264Chan};
    }
    return sub ? Slot{"GetLiveSubChan", OV::GetLiveSubChan} : Slot{"GetLiveChan", OV::GetLiveChan};
}

// Width and height from a JPEG's frame header; false when there is none.
bool jpegSize(const uint8_t* p, int32_t size, int* width, int* height) {
    int32_t i = 2;
    while (i + 9 < size) {
        if (p[i] != 0xFF) {
            return false;
        }
        const uint8_t marker = p[i + 1];
        const int32_t length = (p[i + 2] << 8) | p[i + 3];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            *height = (p[i + 5] << 8) | p[i + 6];
            *width = (p[i + 7] << 8) | p[i + 8];
            return true;
        }
        i += 2 + length;
    }
    return false;
}

struct Counters {
    long long frames = 0;   // kind 1 frames and kind 4 blocks
    long long headers = 0;  // kind 5 blocks
    long long keys = 0;     // kind 1 key frames
    long long bytes = 0;
    long long skipped = 0;  // blocks of another stream type than the decoder's
};

// What the channel's thread shares with the command. The channel calls
// onFrame on its own thread; everything here is guarded by one mutex, which
// the command never holds while it releases the channel.
class LiveSession {
public:
    LiveSession(const LiveOptions& options, OV::WindowHandle window, std::FILE* raw)
        : options_(options),
          window_(window),
          raw_(raw),
          needDecoder_(window != 0 || options.record || options.snapshot) {}

    void onFrame(OV::StreamFrame* frame) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_ || done_ || failed_) {
            return;
        }
        lastArrival_ = Clock::now();
        if (frame->kind == OV::FRAME_VENDOR_HEADER) {
            ++counters_.headers;
        } else {
            ++counters_.frames;
            if (frame->kind == OV::FRAME_H264 && frame->key) {
                ++counters_.keys;
            }
        }
        counters_.bytes += frame->size;
        if (raw_ && frame->size > 0) {
            std::fwrite(frame->data, 1, static_cast<size_t>(frame->size), raw_);
        }
        if (needDecoder_) {
            feedDecoder(frame);
        }
        if (options_.frames && counters_.frames >= *options_.frames) {
            done_ = true;
        }
        if (done_ || failed_) {
            cond_.notify_all();
        }
    }

    // Waits up to `timeout` for the frame limit or a failure; true when either came.
    bool waitDone(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cond_.wait_for(lock, timeout, [this] { return done_ || failed_; });
    }

    // No block is taken any more; a channel that still calls back is ignored.
    void close() {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }

    Counters counters() {
        std::lock_guard<std::mutex> lock(mutex_);
        return counters_;
    }
    std::optional<Clock::time_point> lastArrival() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastArrival_;
    }
    // The error that ended the run, thrown again on the command's thread.
    void rethrow() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (failed_) {
            throw OV::ovnexception_imp(errorCode_, errorText_);
        }
    }
    // Notes for the user (a window the decoder did not accept); taken once.
    std::string takeNotes() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string notes;
        notes.swap(notes_);
        return notes;
    }
    // Valid once the channel is released and the session closed.
    boost::shared_ptr<OV::LivePlayDec> decoder() const { return decoder_; }
    int32_t decoderType() const { return decoderType_; }
    bool recording() const { return recording_; }

private:
    void fail(int32_t code, const std::string& text) {
        failed_ = true;
        errorCode_ = code;
        errorText_ = text;
    }

    void feedDecoder(OV::StreamFrame* frame) {
        // kind 1 frames are plain H.264 whatever their field says
        const int32_t type = frame->kind == OV::FRAME_H264 ? OV::STREAM_H264 : frame->streamType;
        if (!decoder_) {
            try {
                decoder_ = OV::GetLivePlayDec(type);
            } catch (const OV::ovnexception& e) {
                fail(e.code(), e.message());
                return;
            }
            decoderType_ = type;
            if (window_ != 0 && decoder_->SetWnd(window_) != 0) {
                notes_ += "the stream-type " + std::to_string(type) + " decoder did not accept the window\n";
            }
            if (options_.record) {
                if (decoder_->StartSave(options_.record->c_str()) != 0) {
                    fail(-1, "cannot record to \"" + *options_.record + "\"");
                    return;
                }
                recording_ = true;
            }
        }
        if (type != decoderType_) {
            ++counters_.skipped;
            return;
        }
        decoder_->InputData(type, frame->data, frame->size);
    }

    const LiveOptions& options_;
    const OV::WindowHandle window_;
    std::FILE* const raw_;
    const bool needDecoder_;

    std::mutex mutex_;
    std::condition_variable cond_;
    bool closed_ = false;
    bool done_ = false;
    bool failed_ = false;
    int32_t errorCode_ = 0;
    std::string errorText_;
    std::string notes_;
    Counters counters_;
    std::optional<Clock::time_point> lastArrival_;
    boost::shared_ptr<OV::LivePlayDec> decoder_;
    int32_t decoderType_ = -1;
    bool recording_ = false;
};

double secondsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

void printStatus(const Counters& c, double fps, double kbps, double elapsed) {
    std::printf("\r%8lld frames  %6.1f fps  %9.1f kbit/s  %5lld key  %6.1f s\033[K", c.frames, fps, kbps, c.keys,
                elapsed);
    std::fflush(stdout);
}

class FileCloser {
public:
    explicit FileCloser(std::FILE* f) : f_(f) {}
    ~FileCloser() {
        if (f_) {
            std::fclose(f_);
        }
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    std::FILE* f_;
};

class WindowHolder {
public:
    ~WindowHolder() {
        if (id != 0) {
            ovwin::destroyWindow(id);
        }
    }
    ovwin::WindowId id = 0;
};

}  // namespace

int runLive(Args& args) {
    const LiveOptions o = parse(args);

    std::FILE* raw = nullptr;
    if (o.raw) {
        raw = std::fopen(o.raw->c_str(), "wb");
        if (!raw) {
            throw OV::ovnexception_imp(-1, "cannot write \"" + *o.raw + "\"");
        }
    }
    FileCloser rawCloser(raw);

    WindowHolder window;
    OV::WindowHandle wnd = 0;
    if (o.wid) {
        wnd = static_cast<OV::WindowHandle>(*o.wid);
    } else if (o.window) {
        window.id = ovwin::createWindow(kWindowWidth, kWindowHeight, ("ovctl live: " + o.chan).c_str());
        if (window.id == 0) {
            std::fprintf(stderr, "ovctl live: no X display (DISPLAY unset or unreachable): running without a window\n");
        }
        wnd = window.id;
    }

    CoreSession core;
    LiveSession session(o, wnd, raw);
    const Slot slot = pickSlot(o.sub, o.h264);
    OV::ChanOpt opt = {o.type.c_str(), o.addr.c_str(), o.user.c_str(), o.pass.c_str(), o.chan.c_str()};
    boost::shared_ptr<OV::LiveChan> channel = slot.open(&opt);
    if (!channel) {
        throw OV::ovnexception_imp(-1, std::string(slot.name) + " gave no channel for \"" + o.chan + "\"");
    }
    OV::FrameCallback onFrame = [&session](OV::StreamFrame* frame) { session.onFrame(frame); };
    channel->SetCallback(onFrame, OV::FrameCallback());

    const bool tty = isatty(STDOUT_FILENO) != 0;
    SignalScope signals;
    const Clock::time_point start = Clock::now();
    const int32_t started = channel->Start();
    if (started != 0) {
        throw OV::ovnexception_imp(started, "Start of the channel failed");
    }

    bool stalled = false;
    Clock::time_point lastStatus = start;
    Counters lastCounters;
    for (;;) {
        if (session.waitDone(kPollEvery) || g_interrupted) {
            break;
        }
        const Clock::time_point now = Clock::now();
        if (o.seconds && now - start >= std::chrono::seconds(*o.seconds)) {
            break;
        }
        if (window.id != 0 && ovwin::closeRequested(window.id)) {
            break;
        }
        const std::string notes = session.takeNotes();
        if (!notes.empty()) {
            std::fprintf(stderr, "%sovctl live: %s", tty ? "\n" : "", notes.c_str());
        }
        const std::optional<Clock::time_point> last = session.lastArrival();
        if (now - last.value_or(start) >= kStallLimit) {
            stalled = true;
            break;
        }
        if (tty && now - lastStatus >= kStatusEvery) {
            const Counters c = session.counters();
            const double dt = secondsBetween(lastStatus, now);
            printStatus(c, (c.frames - lastCounters.frames) / dt, (c.bytes - lastCounters.bytes) * 8 / dt / 1000,
                        secondsBetween(start, now));
            lastStatus = now;
            lastCounters = c;
        }
    }
    const Clock::time_point end = Clock::now();
    // The channel goes first, so no block arrives while the decoder finishes;
    // the session ignores whatever a channel still delivers after its release.
    channel.reset();
    session.close();
    if (tty) {
        std::printf("\n");
    }
    session.rethrow();

    const Counters c = session.counters();
    const double elapsed = secondsBetween(start, end);
    std::printf("%s channel \"%s\" through %s: %lld frames (%lld key) in %.2f s, %.1f fps, %.1f kbit/s\n",
                o.type.c_str(), o.chan.c_str(), slot.name, c.frames, c.keys, elapsed, c.frames / elapsed,
                c.bytes * 8 / elapsed / 1000);
    if (c.headers > 0 || c.skipped > 0) {
        std::printf("  %lld stream headers; %lld blocks of another stream type not decoded\n", c.headers, c.skipped);
    }
    if (o.raw) {
        std::printf("  raw blocks: %s (%lld bytes)\n", o.raw->c_str(), c.bytes);
    }
    int rc = 0;
    boost::shared_ptr<OV::LivePlayDec> decoder = session.decoder();
    if (o.record) {
        if (decoder && session.recording()) {
            decoder->StopSave();
            std::printf("  recording: %s (stream-type %d decoder)\n", o.record->c_str(), session.decoderType());
        } else {
            std::fprintf(stderr, "ovctl live: nothing recorded: no block arrived\n");
            rc = 1;
        }
    }
    if (o.snapshot) {
        boost::shared_ptr<OV::JpegData> jpeg = decoder ? decoder->Capture() : boost::shared_ptr<OV::JpegData>();
        std::FILE* out = jpeg ? std::fopen(o.snapshot->c_str(), "wb") : nullptr;
        if (!jpeg) {
            std::fprintf(stderr, "ovctl live: no picture to capture\n");
            rc = 1;
        } else if (!out || std::fwrite(jpeg->Data(), 1, static_cast<size_t>(jpeg->Size()), out) !=
                               static_cast<size_t>(jpeg->Size())) {
            std::fprintf(stderr, "ovctl live: cannot write \"%s\"\n", o.snapshot->c_str());
            rc = 1;
        } else {
            int width = 0;
            int height = 0;
            jpegSize(jpeg->Data(), jpeg->Size(), &width, &height);
            std::printf("  snapshot: %s (%dx%d JPEG, %d bytes)\n", o.snapshot->c_str(), width, height, jpeg->Size());
        }
        if (out) {
            std::fclose(out);
        }
    }
    if (stalled) {
        throw OV::ovnexception_imp(-1, "no data from the channel for " + std::to_string(kStallLimit.count()) + " s");
    }
    return rc;
}

}  // namespace ovctl
