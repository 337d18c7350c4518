// The exported functions: find the objects behind the handles, run the
// operation, and turn every failure into an int32.

#include <ov/servclient.h>

#include <string>

#include "handle_registry.h"
#include "kel_requests.h"
#include "kel_sms_lib.h"

namespace {

using sms::FindDatas;
using sms::HandleRegistry;
using sms::KelSession;

// Nothing leaves an export: not an exception, not a call before the library
// started.
template <class F>
int32_t guarded(F f) noexcept {
    try {
        if (!sms::libStarted()) {
            return -1;
        }
        return f();
    } catch (...) {
        return -1;
    }
}

std::string text(const char* s) {
    return s != nullptr ? std::string(s) : std::string();
}

sms::DeviceChannel device(const char* type, const char* addr, const char* user, const char* passw, const char* chan) {
    return sms::DeviceChannel{text(type), text(addr), text(user), text(passw), text(chan)};
}

OV::DevTime devTime(int32_t y, int32_t mo, int32_t d, int32_t h, int32_t mi, int32_t s) {
    return OV::DevTime{y, mo, d, h, mi, s};
}

template <class T>
int32_t removeKind(int32_t handle) {
    return HandleRegistry::instance().remove<T>(handle) ? 0 : -1;
}

int32_t registerSearch(const sms::FindDatasPtr& result, int32_t* search) {
    if (!result) {
        return -1;
    }
    *search = HandleRegistry::instance().add(result);
    return 0;
}

// Both searches read the same login and time fields; only what names the
// camera differs.
template <class Opt, class Find>
int32_t findRecords(Opt* opt, int32_t* search, Find find) {
    return guarded([&] {
        if (opt == nullptr || search == nullptr) {
            return -1;
        }
        const sms::KelSessionPtr session = HandleRegistry::instance().find<KelSession>(opt->login);
        if (!session) {
            return -1;
        }
        const auto start =
            devTime(opt->startYear, opt->startMonth, opt->startDay, opt->startHour, opt->startMinute, opt->startSecond);
        const auto end =
            devTime(opt->endYear, opt->endMonth, opt->endDay, opt->endHour, opt->endMinute, opt->endSecond);
        return registerSearch(find(*session, start, end), search);
    });
}

}  // namespace

extern "C" {

KELSMS_API int32_t KelSms_Init(int32_t, int32_t, int32_t) {
    try {
        return sms::libStart();
    } catch (...) {
        return -1;
    }
}

KELSMS_API int32_t KelSms_Cleanup(void) {
    try {
        return sms::libStop();
    } catch (...) {
        return -1;
    }
}

KELSMS_API int32_t KelSms_Login(KelSmsLoginOpt* opt, int32_t* login) {
    return guarded([&] {
        if (opt == nullptr || login == nullptr) {
            return -1;
        }
        sms::KelSessionPtr session;
        const int32_t code = sms::openSession(text(opt->addr), text(opt->user), text(opt->passw), &session);
        if (code == 0) {
            *login = HandleRegistry::instance().add(session);
        }
        return code;
    });
}

KELSMS_API int32_t KelSms_Logout(int32_t login) {
    return guarded([&] { return removeKind<KelSession>(login); });
}

KELSMS_API int32_t KelSms_GetDB(int32_t login, OvSmsDBInfo* info) {
    return guarded([&] {
        if (info == nullptr) {
            return -1;
        }
        const sms::KelSessionPtr session = HandleRegistry::instance().find<KelSession>(login);
        return session ? sms::getDB(*session, info) : -1;
    });
}

KELSMS_API int32_t KelSms_Find_Rcd(KelSmsFindOpt* opt, int32_t* search) {
    return findRecords(opt, search, [opt](KelSession& session, const auto& start, const auto& end) {
        return sms::findByDevice(session, device(opt->type, opt->addr, opt->user, opt->passw, opt->chan), start, end);
    });
}

KELSMS_API int32_t KelSms_Find_Rcd_ByID(KelSmsFindByIdOpt* opt, int32_t* search) {
    return findRecords(opt, search, [opt](KelSession& session, const auto& start, const auto& end) {
        return sms::findById(session, text(opt->id), start, end);
    });
}

KELSMS_API int32_t KelSms_Find_Next(int32_t search, OvSmsFindData* data) {
    return guarded([&] {
        if (data == nullptr) {
            return -1;
        }
        const sms::FindDatasPtr result = HandleRegistry::instance().find<FindDatas>(search);
        return result ? result->next(data) : -1;
    });
}

KELSMS_API int32_t KelSms_Find_Close(int32_t search) {
    return guarded([&] { return removeKind<FindDatas>(search); });
}

KELSMS_API int32_t KelSms_PTZCtrol_Other(KelSmsPtzOpt* opt) {
    return guarded([&] {
        if (opt == nullptr) {
            return -1;
        }
        const sms::KelSessionPtr session = HandleRegistry::instance().find<KelSession>(opt->login);
        if (!session) {
            return -1;
        }
        return sms::ptzByDevice(*session, device(opt->type, opt->addr, opt->user, opt->passw, opt->chan), opt->cmd,
                                opt->param);
    });
}

KELSMS_API int32_t KelSms_PTZCtrol_ByID(KelSmsPtzByIdOpt* opt) {
    return guarded([&] {
        if (opt == nullptr) {
            return -1;
        }
        const sms::KelSessionPtr session = HandleRegistry::instance().find<KelSession>(opt->login);
        return session ? sms::ptzById(*session, text(opt->id), opt->cmd, opt->param) : -1;
    });
}

KELSMS_API int32_t KelSms_CloseHandle(int32_t handle) {
    return guarded([&] { return HandleRegistry::instance().removeAny(handle) ? 0 : -1; });
}

}  // extern "C"
