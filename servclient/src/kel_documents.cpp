#include "kel_documents.h"

#include <cstdio>
#include <stdexcept>

#include "bson_fields.h"

namespace sms {

Route routeOf(int32_t fcode) {
    if (fcode == FC_HEARTBEAT) {
        return Route::Heartbeat;
    }
    if (fcode == FC_LOGIN || (fcode >= FC_LIVE_BY_DEVICE && fcode <= FC_PLAYBACK_BY_ID)) {
        return Route::Answer;
    }
    if (fcode == FC_MEDIA || fcode == FC_MEDIA_ALT) {
        return Route::Media;
    }
    return Route::Ignore;
}

int32_t answerCode(const KelMsgPtr& answer) {
    const bson_t* doc = answer ? answer->document() : nullptr;
    if (doc == nullptr || doc->len <= kMinFrameLength) {
        return -1;
    }
    return int32Of(doc, "retcode").value_or(-1);
}

std::string devAddr(const std::string& addr, const std::string& user, const std::string& passw) {
    return addr + "@" + user + ":" + passw;
}

std::string timeText(const OV::DevTime& t) {
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

DocBuilder::DocBuilder() : doc_(bson_new()) {}

DocBuilder::~DocBuilder() {
    if (doc_ != nullptr) {
        bson_destroy(doc_);
    }
}

// libbson refuses an append only when the document would outgrow its size
// limit; a request never comes near it, a test document might.
static void checked(bool appended) {
    if (!appended) {
        throw std::length_error("document too large");
    }
}

DocBuilder& DocBuilder::i32(const char* key, int32_t v) {
    checked(bson_append_int32(doc_, key, -1, v));
    return *this;
}

DocBuilder& DocBuilder::i64(const char* key, int64_t v) {
    checked(bson_append_int64(doc_, key, -1, v));
    return *this;
}

DocBuilder& DocBuilder::text(const char* key, const std::string& v) {
    checked(bson_append_utf8(doc_, key, -1, v.data(), static_cast<int>(v.size())));
    return *this;
}

DocBuilder& DocBuilder::boolean(const char* key, bool v) {
    checked(bson_append_bool(doc_, key, -1, v));
    return *this;
}

DocBuilder& DocBuilder::binary(const char* key, const uint8_t* data, uint32_t len) {
    checked(bson_append_binary(doc_, key, -1, BSON_SUBTYPE_BINARY, data, len));
    return *this;
}

BsonDocPtr DocBuilder::finish() {
    bson_t* doc = doc_;
    doc_ = nullptr;
    return adoptDoc(doc);
}

namespace {

DocBuilder& request(DocBuilder& b, int32_t fcode, int32_t sn) {
    return b.i32("fcode", fcode).i32("sn", sn);
}

void device(DocBuilder& b, const DeviceChannel& dev) {
    b.text("devtype", dev.type).text("devaddr", devAddr(dev.addr, dev.user, dev.passw)).text("chnlname", dev.chan);
}

}  // namespace

BsonDocPtr loginDoc(int32_t sn, const std::string& user, const std::string& passw) {
    DocBuilder b;
    request(b, FC_LOGIN, sn).text("username", user).text("password", passw);
    b.i32("v1", 1).i32("v2", 1).i32("v3", 0).i32("v4", 0);
    return b.finish();
}

BsonDocPtr heartbeatDoc(int32_t sn) {
    DocBuilder b;
    request(b, FC_HEARTBEAT, sn);
    return b.finish();
}

BsonDocPtr dbInfoDoc(int32_t sn) {
    DocBuilder b;
    request(b, FC_DB_INFO, sn);
    return b.finish();
}

BsonDocPtr liveByDeviceDoc(int32_t sn, const DeviceChannel& dev, int32_t streamMode) {
    DocBuilder b;
    request(b, FC_LIVE_BY_DEVICE, sn);
    device(b, dev);
    b.text("userdata", "").boolean("hasaudio", true).i32("streammode", streamMode);
    return b.finish();
}

BsonDocPtr liveByIdDoc(int32_t sn, const std::string& chnlid, int32_t streamMode) {
    DocBuilder b;
    request(b, FC_LIVE_BY_ID, sn).text("chnlid", chnlid);
    b.text("userdata", "").boolean("hasaudio", true).i32("streammode", streamMode);
    return b.finish();
}

BsonDocPtr ptzByDeviceDoc(int32_t sn, const DeviceChannel& dev, int32_t cmd, int32_t param) {
    DocBuilder b;
    request(b, FC_PTZ_BY_DEVICE, sn);
    device(b, dev);
    b.i32("ptzcmd", cmd).i32("ptzparam", param);
    return b.finish();
}

BsonDocPtr ptzByIdDoc(int32_t sn, const std::string& chnlid, int32_t cmd, int32_t param) {
    DocBuilder b;
    request(b, FC_PTZ_BY_ID, sn).text("chnlid", chnlid).i32("ptzcmd", cmd).i32("ptzparam", param);
    return b.finish();
}

BsonDocPtr findByDeviceDoc(int32_t sn, const OV::DevTime& start, const OV::DevTime& end, const DeviceChannel& dev) {
    DocBuilder b;
    request(b, FC_FIND_BY_DEVICE, sn).text("st", timeText(start)).text("et", timeText(end));
    device(b, dev);
    return b.finish();
}

BsonDocPtr findByIdDoc(int32_t sn, const OV::DevTime& start, const OV::DevTime& end, const std::string& chnlid) {
    DocBuilder b;
    request(b, FC_FIND_BY_ID, sn).text("st", timeText(start)).text("et", timeText(end)).text("chnlid", chnlid);
    return b.finish();
}

BsonDocPtr playbackByDeviceDoc(int32_t sn, const DeviceChannel& dev, const OV::DevTime& start, const OV::DevTime& end) {
    DocBuilder b;
    request(b, FC_PLAYBACK_BY_DEVICE, sn);
    device(b, dev);
    b.text("userdata", "").text("st", timeText(start)).text("et", timeText(end));
    return b.finish();
}

BsonDocPtr playbackByIdDoc(int32_t sn, const std::string& chnlid, const OV::DevTime& start, const OV::DevTime& end) {
    DocBuilder b;
    request(b, FC_PLAYBACK_BY_ID, sn).text("chnlid", chnlid).text("userdata", "");
    b.text("st", timeText(start)).text("et", timeText(end));
    return b.finish();
}

}  // namespace sms
