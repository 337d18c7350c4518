#pragma once

// The core's public face. Call OV::Init once before any request and OV::Fini
// once per OV::Init. Failures are thrown as OV::ovnexception: -3001 unknown
// device-type key, -3002 operation not offered, -3005 no decoder; whatever a
// plug-in raises passes through unchanged.

#include <cstdint>
#include <string>
#include <vector>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <ov/contracts.h>
#include <ov/export.h>
#include <ov/videodevsdk.h>

namespace OV {

OV_CORE_API void Init();
OV_CORE_API void Fini();

OV_CORE_API boost::shared_ptr<LiveChan> GetLiveChan(ChanOpt* opt);
OV_CORE_API boost::shared_ptr<LiveChan> GetLiveSubChan(ChanOpt* opt);
OV_CORE_API boost::shared_ptr<LiveChan> GetLiveH264Chan(ChanOpt* opt);
OV_CORE_API boost::shared_ptr<LiveChan> GetLiveH264SubChan(ChanOpt* opt);
OV_CORE_API boost::shared_ptr<PtzChan> GetPtzChan(ChanOpt* opt);
OV_CORE_API int32_t EnumHostChan(HostOpt* opt, boost::function<void(NodeInfo*)> onNode);
OV_CORE_API int32_t QueryRcd(QueryRcdOpt* opt);
OV_CORE_API boost::shared_ptr<RcdChan> GetRcdChan(RcdChanOpt* opt);
OV_CORE_API boost::shared_ptr<AlarmChan> GetAlarmChan(ChanOpt* opt);

// Each call asks every record in key order and returns a new decoder.
OV_CORE_API boost::shared_ptr<LivePlayDec> GetLivePlayDec(int32_t streamType);
OV_CORE_API boost::shared_ptr<RcdPlayDec> GetRcdPlayDec(int32_t streamType);

}  // namespace OV

OV_CORE_API boost::shared_ptr<VideoDevSDK> GetVideoDevSDK(const char* type);
OV_CORE_API std::vector<boost::shared_ptr<VideoDevSDK>> GetAllVideoDevSDK();
// The registered device-type keys in key order, the order of GetAllVideoDevSDK.
OV_CORE_API std::vector<std::string> GetVideoDevSDKTypes();
