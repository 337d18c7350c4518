#pragma once

// The records and interfaces every library of the system shares. Field order,
// field widths and the order of virtual operations are binary interface: do not
// reorder them.

#include <cstdint>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <ov/export.h>

namespace OV {

// Pointer-sized; carries an X11 window id. 0 means no window.
typedef std::uintptr_t WindowHandle;

// Local time of the device.
struct DevTime {
    int32_t year;
    int32_t month;
    int32_t day;
    int32_t hour;
    int32_t minute;
    int32_t second;
};

// Names one channel of one device. Texts stay owned by the caller.
struct ChanOpt {
    const char* type;  // device-type key: "hik", "dahua", "file", "ovsms", "ova"
    const char* addr;  // host, optionally ":" and port
    const char* user;
    const char* passw;
    const char* chan;  // channel number, channel id, JSON description or file path
};

struct HostOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
};

// One channel reported by an enumeration; the texts live only during the callback.
struct NodeInfo {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* name;
    const char* id;
};

struct RcdChanOpt : ChanOpt {
    DevTime start;
    DevTime end;
};

struct RcdInfo {
    DevTime start;
    DevTime end;
    int32_t size;      // bytes, as the device reports it
    int32_t reserved;  // 0
};

// Called once per recording found, on the caller's thread, before QueryRcd returns.
typedef boost::function<void(RcdInfo*)> RcdInfoCallback;

struct QueryRcdOpt : RcdChanOpt {
    RcdInfoCallback callback;
};

// Pan/tilt/zoom commands. Directions run counter-clockwise from right in steps
// of 45 degrees; +n and -n are opposite actions of one lens function.
enum PtzCommand : int32_t {
    PTZ_RIGHT = 0,
    PTZ_UP_RIGHT = 1,
    PTZ_UP = 2,
    PTZ_UP_LEFT = 3,
    PTZ_LEFT = 4,
    PTZ_DOWN_LEFT = 5,
    PTZ_DOWN = 6,
    PTZ_DOWN_RIGHT = 7,
    PTZ_IRIS_OPEN = 10,
    PTZ_IRIS_CLOSE = -10,
    PTZ_ZOOM_OUT = 11,
    PTZ_ZOOM_IN = -11,
    PTZ_FOCUS_NEAR = 12,
    PTZ_FOCUS_FAR = -12,
    PTZ_LIGHT_ON = 18,
};

struct PtzAction {
    int32_t command;  // PtzCommand
    int32_t start;    // nonzero starts or continues the movement, 0 stops it
};

// What a StreamFrame carries.
enum StreamFrameKind : int32_t {
    FRAME_H264 = 1,           // one video frame as H.264 elementary stream
    FRAME_VENDOR_DATA = 4,    // a block of the vendor's own stream, as the device sent it
    FRAME_VENDOR_HEADER = 5,  // the vendor stream's header block, sent once and first
};

// The integer that selects a decoder.
enum StreamType : int32_t {
    STREAM_H264 = 0,
    STREAM_HIK = 1,
    STREAM_DAHUA = 2,
};

struct StreamFrame {
    const uint8_t* data;  // valid only during the callback
    int32_t size;
    int32_t kind;  // StreamFrameKind
    int64_t time;  // ms: kind 1 presentation time, kinds 4/5 time of day at arrival
    int32_t reserved1;
    int32_t reserved2;
    int32_t key;         // kind 1: 1 for a key frame; kinds 4/5: 1
    int32_t streamType;  // StreamType of the block; 0 for kind 1
};

typedef boost::function<void(StreamFrame*)> FrameCallback;

// The interfaces have no virtual destructor: an object is always destroyed by
// the deleter of the shared pointer that the library which made it created.

class OV_VISIBLE LiveChan {
public:
    // The second callback is kept for the channel's lifetime but never called.
    virtual int32_t SetCallback(FrameCallback onFrame, FrameCallback second) = 0;
    virtual int32_t Start() = 0;
    virtual int32_t MakeKeyFrame() = 0;

protected:
    ~LiveChan() {}
};

class OV_VISIBLE PtzChan {
public:
    virtual int32_t Control(PtzAction* action) = 0;

protected:
    ~PtzChan() {}
};

class OV_VISIBLE RcdChan {
public:
    virtual int32_t SetCallback(FrameCallback onFrame) = 0;
    virtual int32_t Start() = 0;
    // Holds delivery inside the vendor's callback until Resume. Never throws.
    virtual void Pause() = 0;
    virtual void Resume() = 0;

protected:
    ~RcdChan() {}
};

// Alarm input of a channel: no operation is defined.
class OV_VISIBLE AlarmChan {
protected:
    ~AlarmChan() {}
};

class OV_VISIBLE JpegData {
public:
    virtual const uint8_t* Data() const = 0;
    virtual int32_t Size() const = 0;

protected:
    ~JpegData() {}
};

class OV_VISIBLE LivePlayDec {
public:
    virtual int32_t SetWnd(WindowHandle wnd) = 0;
    virtual int32_t InputData(int32_t streamType, const uint8_t* data, int32_t len) = 0;
    virtual boost::shared_ptr<JpegData> Capture() = 0;
    virtual int32_t StartSave(const char* path) = 0;
    virtual int32_t StopSave() = 0;
    virtual int32_t OpenSound() = 0;
    virtual int32_t CloseSound() = 0;

protected:
    ~LivePlayDec() {}
};

class OV_VISIBLE RcdPlayDec {
public:
    virtual int32_t SetWnd(WindowHandle wnd) = 0;
    // -1 also means "full now": offer the same block again later.
    virtual int32_t InputData(int32_t streamType, const uint8_t* data, int32_t len) = 0;
    virtual boost::shared_ptr<JpegData> Capture() = 0;
    virtual int32_t OpenSound() = 0;
    virtual int32_t CloseSound() = 0;
    virtual int32_t SetSpeed(float factor) = 0;
    virtual int64_t GetPlayedTime() = 0;

protected:
    ~RcdPlayDec() {}
};

}  // namespace OV
