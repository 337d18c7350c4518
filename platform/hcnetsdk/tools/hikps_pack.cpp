// hikps_pack: turns the H.264 video of a media file into a stream file of the
// simulated recorders, packed as a Hikvision recorder sends it (the 40-byte
// "IMKH" header, then one program-stream pack per frame).
//
//   hikps_pack <media file> <stream file> [--frames N]

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
}

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <psmux/ps_muxer.h>

namespace {

struct Output {
    std::FILE* file = nullptr;
    bool failed = false;
};

int32_t writeOut(const void* data, int32_t length, const PsFrameInfo*, void* user) {
    Output* out = static_cast<Output*>(user);
    if (std::fwrite(data, 1, std::size_t(length), out->file) != std::size_t(length)) {
        out->failed = true;
    }
    return 0;
}

struct Nal {
    std::size_t begin;  // at its start code
    std::size_t end;
    int type;
};

std::vector<Nal> splitNals(const std::vector<uint8_t>& au) {
    std::vector<Nal> nals;
    std::size_t i = 0;
    while (i + 3 <= au.size()) {
        if (au[i] == 0 && au[i + 1] == 0 && au[i + 2] == 1) {
            const std::size_t begin = i > 0 && au[i - 1] == 0 ? i - 1 : i;
            if (!nals.empty()) {
                nals.back().end = begin;
            }
            nals.push_back(Nal{begin, au.size(), i + 3 < au.size() ? au[i + 3] & 0x1F : 0});
            i += 3;
        } else {
            ++i;
        }
    }
    return nals;
}

// The recorder's layout: parameter sets first (that is how the packer and the
// players tell a key frame), no access-unit delimiter (the packer writes its own).
std::vector<uint8_t> recorderOrder(const std::vector<uint8_t>& au) {
    std::vector<uint8_t> out;
    const std::vector<Nal> nals = splitNals(au);
    auto append = [&](const Nal& n) {
        if (au[n.begin + 2] == 1) {
            out.push_back(0);  // every unit with a four-byte start code
        }
        out.insert(out.end(), au.begin() + std::ptrdiff_t(n.begin), au.begin() + std::ptrdiff_t(n.end));
    };
    for (int type : {7, 8}) {
        for (const Nal& n : nals) {
            if (n.type == type) {
                append(n);
            }
        }
    }
    for (const Nal& n : nals) {
        if (n.type != 7 && n.type != 8 && n.type != 9) {
            append(n);
        }
    }
    return out;
}

int fail(const std::string& why) {
    std::fprintf(stderr, "hikps_pack: %s\n", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "--frames") == 0)) {
        std::fprintf(stderr, "usage: hikps_pack <media file> <stream file> [--frames N]\n");
        return 2;
    }
    const long maxFrames = argc == 5 ? std::strtol(argv[4], nullptr, 10) : -1;

    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, argv[1], nullptr, nullptr) < 0 || avformat_find_stream_info(input, nullptr) < 0) {
        return fail(std::string("cannot read ") + argv[1]);
    }
    const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0 || input->streams[index]->codecpar->codec_id != AV_CODEC_ID_H264) {
        avformat_close_input(&input);
        return fail(std::string(argv[1]) + " has no H.264 video");
    }
    const AVStream* stream = input->streams[index];

    AVBSFContext* bsf = nullptr;
    if (av_bsf_alloc(av_bsf_get_by_name("h264_mp4toannexb"), &bsf) < 0 ||
        avcodec_parameters_copy(bsf->par_in, stream->codecpar) < 0 || av_bsf_init(bsf) < 0) {
        avformat_close_input(&input);
        return fail("cannot set up the Annex B conversion");
    }
    bsf->time_base_in = stream->time_base;

    Output out;
    out.file = std::fopen(argv[2], "wb");
    if (out.file == nullptr) {
        av_bsf_free(&bsf);
        avformat_close_input(&input);
        return fail(std::string("cannot write ") + argv[2]);
    }
    IPsmuxer* muxer = CreatePsMuxer(&writeOut, &out, PS_MUXER_HIK);

    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    long frames = 0;
    int64_t firstMs = AV_NOPTS_VALUE;
    AVPacket* packet = av_packet_alloc();
    bool draining = false;
    while (maxFrames < 0 || frames < maxFrames) {
        if (!draining) {
            const int got = av_read_frame(input, packet);
            if (got < 0) {
                draining = true;
                av_bsf_send_packet(bsf, nullptr);
            } else if (packet->stream_index != index) {
                av_packet_unref(packet);
                continue;
            } else {
                av_bsf_send_packet(bsf, packet);
            }
        }
        int received = 0;
        while ((maxFrames < 0 || frames < maxFrames) && (received = av_bsf_receive_packet(bsf, packet)) == 0) {
            // frames go out in decoding order, as a recorder sends them, with
            // the decoding time as their clock
            const int64_t ts = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
            int64_t ms = ts == AV_NOPTS_VALUE ? frames * 40 : av_rescale_q(ts, stream->time_base, AVRational{1, 1000});
            if (firstMs == AV_NOPTS_VALUE) {
                firstMs = ms;
            }
            ms -= firstMs;
            const std::vector<uint8_t> au =
                recorderOrder(std::vector<uint8_t>(packet->data, packet->data + packet->size));
            PsFrameInfo info = {};
            info.key = (packet->flags & AV_PKT_FLAG_KEY) != 0 ? 1 : 0;
            info.width = stream->codecpar->width;
            info.height = stream->codecpar->height;
            info.timestampMs = ms;
            info.year = uint16_t(local.tm_year + 1900);
            info.month = uint16_t(local.tm_mon + 1);
            info.day = uint16_t(local.tm_mday);
            info.hour = uint16_t(local.tm_hour);
            info.minute = uint16_t(local.tm_min);
            info.second = uint16_t(local.tm_sec);
            muxer->InputFrame(au.data(), int32_t(au.size()), &info);
            av_packet_unref(packet);
            ++frames;
        }
        if (draining && received != 0) {
            break;
        }
    }
    av_packet_free(&packet);
    muxer->Release();
    av_bsf_free(&bsf);
    avformat_close_input(&input);
    const bool closed = std::fclose(out.file) == 0;
    if (out.failed || !closed) {
        return fail(std::string("cannot write ") + argv[2]);
    }
    std::printf("%ld frames packed into %s\n", frames, argv[2]);
    return 0;
}
