// Requests: each picks the record of its device-type key and calls one slot;
// decoder requests ask every record in key order.

#include <string>

#include <ov/facade.h>
#include <ov/ovnexception.h>
#include <ov/text/gbk.h>

#include "core_state.h"

namespace OV {
namespace {

[[noreturn]] void throwUnknownType(const std::string& key) {
    static const std::string head = ovtext::utf8ToGbk("缺少类型为[");
    static const std::string tail = ovtext::utf8ToGbk("]的相应组件");
    throw ovnexception_imp(OVN_UNKNOWN_TYPE, head + key + tail);
}

[[noreturn]] void throwNoDecoder(int32_t streamType, bool playback) {
    static const std::string head = ovtext::utf8ToGbk("缺少类型为[");
    static const std::string liveTail = ovtext::utf8ToGbk("]的相应解码组件");
    static const std::string playbackTail = ovtext::utf8ToGbk("]的相应回放解码组件");
    throw ovnexception_imp(OVN_NO_DECODER, head + std::to_string(streamType) + (playback ? playbackTail : liveTail));
}

// Only an empty slot becomes -3002: a bad_function_call from inside a plug-in
// is the plug-in's own failure and passes through like any other.
template <class Function>
const Function& requireSlot(const Function& slot) {
    if (slot.empty()) {
        throw ovnexception_imp(OVN_NO_OPERATION, boost::bad_function_call().what());
    }
    return slot;
}

// Options without a key name no component; they fail like an unknown key.
template <class Options>
boost::shared_ptr<VideoDevSDK> recordFor(const Options* opt) {
    return GetVideoDevSDK(opt == nullptr ? nullptr : opt->type);
}

template <class Result, class Options>
Result callSlot(boost::function<Result(Options*)> VideoDevSDK::*slot, Options* opt) {
    const boost::shared_ptr<VideoDevSDK> record = recordFor(opt);
    return requireSlot((*record).*slot)(opt);
}

template <class Decoder>
boost::shared_ptr<Decoder> findDecoder(boost::function<boost::shared_ptr<Decoder>(int32_t)> VideoDevSDK::*slot,
                                       int32_t streamType, bool playback) {
    for (const boost::shared_ptr<VideoDevSDK>& record : GetAllVideoDevSDK()) {
        const auto& make = (*record).*slot;
        if (make.empty()) {
            continue;
        }
        boost::shared_ptr<Decoder> decoder = make(streamType);
        if (decoder) {
            return decoder;
        }
    }
    throwNoDecoder(streamType, playback);
}

}  // namespace

boost::shared_ptr<LiveChan> GetLiveChan(ChanOpt* opt) {
    return callSlot(&VideoDevSDK::GetLiveChan, opt);
}

boost::shared_ptr<LiveChan> GetLiveSubChan(ChanOpt* opt) {
    return callSlot(&VideoDevSDK::GetLiveSubChan, opt);
}

boost::shared_ptr<LiveChan> GetLiveH264Chan(ChanOpt* opt) {
    return callSlot(&VideoDevSDK::GetLiveH264Chan, opt);
}

boost::shared_ptr<LiveChan> GetLiveH264SubChan(ChanOpt* opt) {
    return callSlot(&VideoDevSDK::GetLiveH264SubChan, opt);
}

boost::shared_ptr<PtzChan> GetPtzChan(ChanOpt* opt) {
    return callSlot(&VideoDevSDK::GetPtzChan, opt);
}

int32_t EnumHostChan(HostOpt* opt, boost::function<void(NodeInfo*)> onNode) {
    const boost::shared_ptr<VideoDevSDK> record = recordFor(opt);
    return requireSlot(record->EnumHostChan)(opt, onNode);
}

int32_t QueryRcd(QueryRcdOpt* opt) {
    return callSlot(&VideoDevSDK::QueryRcd, opt);
}

boost::shared_ptr<RcdChan> GetRcdChan(RcdChanOpt* opt) {
    return callSlot(&VideoDevSDK::GetRcdChan, opt);
}

boost::shared_ptr<AlarmChan> GetAlarmChan(ChanOpt* opt) {
    return callSlot(&VideoDevSDK::GetAlarmChan, opt);
}

boost::shared_ptr<LivePlayDec> GetLivePlayDec(int32_t streamType) {
    return findDecoder(&VideoDevSDK::GetLivePlayDec, streamType, false);
}

boost::shared_ptr<RcdPlayDec> GetRcdPlayDec(int32_t streamType) {
    return findDecoder(&VideoDevSDK::GetRcdPlayDec, streamType, true);
}

}  // namespace OV

boost::shared_ptr<VideoDevSDK> GetVideoDevSDK(const char* type) {
    const std::string key = type == nullptr ? std::string() : std::string(type);
    boost::shared_ptr<VideoDevSDK> record;
    if (OV::coreAlive()) {
        record = OV::coreState().registry.find(key);
    }
    if (!record) {
        OV::throwUnknownType(key);
    }
    return record;
}

std::vector<boost::shared_ptr<VideoDevSDK>> GetAllVideoDevSDK() {
    if (!OV::coreAlive()) {
        return {};
    }
    return OV::coreState().registry.snapshot();
}

std::vector<std::string> GetVideoDevSDKTypes() {
    if (!OV::coreAlive()) {
        return {};
    }
    return OV::coreState().registry.keys();
}
