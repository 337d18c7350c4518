#include "kel_requests.h"

namespace sms {

int32_t openSession(const std::string& address, const std::string& user, const std::string& passw,
                    KelSessionPtr* session) {
    KelSessionPtr fresh = KelSession::create();
    const int32_t code = fresh->login(address, user, passw);
    if (code == 0) {
        *session = fresh;
    }
    return code;
}

int32_t getDB(KelSession& session, OvSmsDBInfo* out) {
    return dbInfoOf(session.request(makeMsg(dbInfoDoc(session.nextSn()))), out);
}

FindDatasPtr findByDevice(KelSession& session, const DeviceChannel& dev, const OV::DevTime& start,
                          const OV::DevTime& end) {
    return searchResultOf(session.request(makeMsg(findByDeviceDoc(session.nextSn(), start, end, dev))));
}

FindDatasPtr findById(KelSession& session, const std::string& chnlid, const OV::DevTime& start,
                      const OV::DevTime& end) {
    return searchResultOf(session.request(makeMsg(findByIdDoc(session.nextSn(), start, end, chnlid))));
}

int32_t ptzByDevice(KelSession& session, const DeviceChannel& dev, int32_t cmd, int32_t param) {
    session.send(makeMsg(ptzByDeviceDoc(session.nextSn(), dev, cmd, param)));
    return 0;
}

int32_t ptzById(KelSession& session, const std::string& chnlid, int32_t cmd, int32_t param) {
    session.send(makeMsg(ptzByIdDoc(session.nextSn(), chnlid, cmd, param)));
    return 0;
}

}  // namespace sms
