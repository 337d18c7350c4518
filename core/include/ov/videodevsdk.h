#pragma once

// The record of operations one device plug-in fills for its device-type key,
// and the handle records its server-style operations hand back.

#include <cstdint>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <ov/contracts.h>
#include <ov/export.h>
#include <ov/ovsms_records.h>
#include <ov/plugin.h>

// Handle records: the members hold the plug-in's session, which ends when the
// record is destroyed. A plug-in may leave members empty.

struct RealChan {
    boost::function<int32_t()> Close;
    boost::function<int32_t(OvSmsPtzOpt*)> Ptz;
    boost::function<int32_t(OvSmsCaptureOpt*)> Capture;
    boost::function<int32_t(OvSmsSaveRealDataOpt*)> SaveRealData;
    boost::function<int32_t()> StopSaveRealData;
    boost::function<int32_t()> PlaySound;
    boost::function<int32_t()> StopSound;
};

struct PlayBack {
    boost::function<int32_t(OvSmsPlayBackControlOpt*)> Control;
    boost::function<int32_t(OvSmsCaptureOpt*)> Capture;
    boost::function<int32_t()> PlaySound;
    boost::function<int32_t()> StopSound;
    boost::function<int32_t(OvSmsOsdTime*)> GetOsdTime;
};

struct PlayFile {
    boost::function<int32_t()> Pause;
    boost::function<int32_t()> Resume;
    boost::function<int32_t()> Fast;
    boost::function<int32_t()> Slow;
    boost::function<int32_t(OV::WindowHandle)> Play;
    boost::function<int32_t(float)> SetPos;
    boost::function<int32_t(float&)> GetPos;
    boost::function<int32_t(OvSmsCaptureOpt*)> Capture;
    boost::function<int32_t(int32_t&)> GetFileTime;
    boost::function<int32_t()> OneByOne;
    boost::function<int32_t()> PlaySound;
    boost::function<int32_t()> StopSound;
};

struct DownLoad {
    boost::function<int32_t(float&)> GetPos;
};

struct TalkChan {
    boost::function<int32_t()> Close;
};

struct StreamMonitor {
    boost::function<int32_t(OvSmsRealStreamState*)> GetState;
};

// Iterators handed back through a reference: each call fills the next result
// and returns 0, or returns nonzero when there is none.
typedef boost::function<int32_t(OvSmsFindData*)> OvSmsFindIter;
typedef boost::function<int32_t(OvSmsChanData*)> OvSmsChanIter;
typedef boost::function<int32_t(OvSmsDBInfo*)> OvSmsDBIter;
typedef boost::function<void(OV::NodeInfo*)> NodeCallback;

// 31 optional operations, all empty until a plug-in fills them. The order is
// binary interface.
struct VideoDevSDK {
    boost::function<boost::shared_ptr<OV::LiveChan>(OV::ChanOpt*)> GetLiveChan;         // 0
    boost::function<boost::shared_ptr<OV::LiveChan>(OV::ChanOpt*)> GetLiveSubChan;      // 1
    boost::function<boost::shared_ptr<OV::LiveChan>(OV::ChanOpt*)> GetLiveH264Chan;     // 2
    boost::function<boost::shared_ptr<OV::LiveChan>(OV::ChanOpt*)> GetLiveH264SubChan;  // 3
    boost::function<boost::shared_ptr<OV::PtzChan>(OV::ChanOpt*)> GetPtzChan;           // 4
    boost::function<int32_t(OV::HostOpt*, NodeCallback)> EnumHostChan;                  // 5
    boost::function<int32_t(OV::QueryRcdOpt*)> QueryRcd;                                // 6
    boost::function<boost::shared_ptr<OV::RcdChan>(OV::RcdChanOpt*)> GetRcdChan;        // 7
    boost::function<boost::shared_ptr<OV::AlarmChan>(OV::ChanOpt*)> GetAlarmChan;       // 8
    boost::function<int32_t(OvSmsRealPlayOpt*, RealChan&)> RealPlay;                    // 9
    boost::function<int32_t(OvSmsFindFileOpt*, OvSmsFindIter&)> FindFile;               // 10
    boost::function<int32_t(OvSmsPlayBackByTimeOpt*, PlayBack&)> PlayBackByTime;        // 11
    boost::function<int32_t(OvSmsSetTimeOpt*)> SetTime;                                 // 12
    boost::function<int32_t(OvSmsPlayFileOpt*, PlayFile&)> PlayFile;                    // 13
    boost::function<int32_t(OvSmsDownloadByTimeOpt*, DownLoad&)> DownloadByTime;        // 14
    boost::function<int32_t(OvSmsFindChanOpt*, OvSmsChanIter&)> FindChan;               // 15
    boost::function<int32_t(OvSmsRealStreamOpt*, StreamMonitor&)> RealStream;           // 16
    boost::function<int32_t(OvSmsGetDBOpt*, OvSmsDBIter&)> GetDB;                       // 17
    boost::function<int32_t(OvSmsTalkOpt*, TalkChan&)> Talk;                            // 18
    boost::function<int32_t(OvSmsDnyDecOpt*)> StartDynamicDec;                          // 19
    boost::function<int32_t(OvSmsDecChan*)> StopDynamicDec;                             // 20
    boost::function<int32_t(OvSmsLoopDecOpt*)> SetLoopDec;                              // 21
    boost::function<int32_t(OvSmsDecChan*)> EnableLoopDec;                              // 22
    boost::function<int32_t(OvSmsDecChan*)> DisableLoopDec;                             // 23
    boost::function<int32_t(OvSmsOsdOpt*)> SetOsd;                                      // 24
    boost::function<int32_t(OvSmsOsdOpt*)> GetOsd;                                      // 25
    boost::function<int32_t(OvSmsRcdPlanOpt*)> GetRcdPlan;                              // 26
    boost::function<int32_t(OvSmsRcdPlanOpt*)> SetRcdPlan;                              // 27
    boost::function<int32_t(OvSmsGetDecChansOpt*)> GetDecChans;                         // 28
    boost::function<boost::shared_ptr<OV::RcdPlayDec>(int32_t)> GetRcdPlayDec;          // 29
    boost::function<boost::shared_ptr<OV::LivePlayDec>(int32_t)> GetLivePlayDec;        // 30
};

// What a provider hands to the core: the device-type key and the function that
// fills a fresh record for it. Plug-ins derive their own maker and set both.
struct VideoDevSDKMaker {
    const char* name;
    boost::function<void(VideoDevSDK*)> fill;
};

namespace OV {

// Result codes of the server-style operations (slots 9 to 28).
enum : int32_t {
    OVSMS_OK = 0,
    OVSMS_FAILED = -1,
    OVSMS_NO_LOGIN = -2002,
    OVSMS_LIVE_REFUSED = -2003,
    OVSMS_SEARCH_REFUSED = -2004,
    OVSMS_PLAYBACK_REFUSED = -2005,
    OVSMS_UNKNOWN_COMMAND = -2009,
    OVSMS_CLOCK_NOT_SET = -2010,
    OVSMS_NOT_CAPTURED = -2011,
    OVSMS_NOT_RECORDING = -2012,
    OVSMS_DOWNLOAD_REFUSED = -2014,
    OVSMS_NO_MORE = -2015,
    OVSMS_CONTROL_REFUSED = -2016,
    OVSMS_SOUND_NOT_ON = -2017,
    OVSMS_SOUND_NOT_OFF = -2018,
};

const char* const VIDEO_DEV_SDK_MAKER_TYPE = "VideoDevSDKMaker";
const uint32_t VIDEO_DEV_SDK_MAKER_VERSION = 3;

// The provider type device plug-ins offer. Header-only: each plug-in derives
// its provider from it inside its plugin_connect.
class OV_VISIBLE VideoDevSDKMakerProvider : public plugin::Provider {
public:
    uint32_t version() const override { return VIDEO_DEV_SDK_MAKER_VERSION; }
    const char* typeName() const override { return VIDEO_DEV_SDK_MAKER_TYPE; }
    virtual boost::shared_ptr<VideoDevSDKMaker> create() = 0;
};

}  // namespace OV
