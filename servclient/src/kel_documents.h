#pragma once

// The documents of the management-server protocol: function codes, how an
// incoming frame is routed by its code, and the requests of the client with
// their elements in the order the server expects them.

#include <cstdint>
#include <string>

#include <ov/contracts.h>

#include "bson_msg.h"

namespace sms {

enum FCode : int32_t {
    FC_LOGIN = 1,
    FC_HEARTBEAT = 2,
    FC_LIVE_BY_DEVICE = 3,
    FC_LIVE_BY_ID = 4,
    FC_PTZ_BY_DEVICE = 6,
    FC_PTZ_BY_ID = 7,
    FC_DB_INFO = 9,
    FC_FIND_BY_DEVICE = 10,
    FC_FIND_BY_ID = 11,
    FC_PLAYBACK_BY_DEVICE = 12,
    FC_PLAYBACK_BY_ID = 13,
    FC_MEDIA = 50,
    FC_MEDIA_ALT = 51,
};

enum class Route { Answer, Heartbeat, Media, Ignore };

// Codes 1 and 3 to 13 are answers, even the ones the client never asks for
// (5 and 8): a waiter with the same "sn" gets them.
Route routeOf(int32_t fcode);

// A channel of a device that the server reaches on the client's behalf.
struct DeviceChannel {
    std::string type;
    std::string addr;
    std::string user;
    std::string passw;
    std::string chan;
};

// address "@" user ":" password; empty parts contribute nothing, the
// separators are always there.
std::string devAddr(const std::string& addr, const std::string& user, const std::string& passw);

// The result of an answer: its int32 "retcode", or -1 when there is no
// answer, the document is empty (5 bytes or less) or "retcode" is missing or
// of another type.
int32_t answerCode(const KelMsgPtr& answer);

// "%04d-%02d-%02d %02d:%02d:%02d" of the fields exactly as given, unchecked.
std::string timeText(const OV::DevTime& t);

BsonDocPtr loginDoc(int32_t sn, const std::string& user, const std::string& passw);
BsonDocPtr heartbeatDoc(int32_t sn);
BsonDocPtr dbInfoDoc(int32_t sn);
BsonDocPtr liveByDeviceDoc(int32_t sn, const DeviceChannel& dev, int32_t streamMode);
BsonDocPtr liveByIdDoc(int32_t sn, const std::string& chnlid, int32_t streamMode);
BsonDocPtr ptzByDeviceDoc(int32_t sn, const DeviceChannel& dev, int32_t cmd, int32_t param);
BsonDocPtr ptzByIdDoc(int32_t sn, const std::string& chnlid, int32_t cmd, int32_t param);
BsonDocPtr findByDeviceDoc(int32_t sn, const OV::DevTime& start, const OV::DevTime& end, const DeviceChannel& dev);
BsonDocPtr findByIdDoc(int32_t sn, const OV::DevTime& start, const OV::DevTime& end, const std::string& chnlid);
BsonDocPtr playbackByDeviceDoc(int32_t sn, const DeviceChannel& dev, const OV::DevTime& start, const OV::DevTime& end);
BsonDocPtr playbackByIdDoc(int32_t sn, const std::string& chnlid, const OV::DevTime& start, const OV::DevTime& end);

// Appends elements in call order; finish() hands the document over.
class DocBuilder {
public:
    DocBuilder();
    ~DocBuilder();
    DocBuilder(const DocBuilder&) = delete;
    DocBuilder& operator=(const DocBuilder&) = delete;

    DocBuilder& i32(const char* key, int32_t v);
    DocBuilder& i64(const char* key, int64_t v);
    DocBuilder& text(const char* key, const std::string& v);
    DocBuilder& boolean(const char* key, bool v);
    DocBuilder& binary(const char* key, const uint8_t* data, uint32_t len);
    bson_t* raw() { return doc_; }
    BsonDocPtr finish();

private:
    bson_t* doc_;
};

}  // namespace sms
