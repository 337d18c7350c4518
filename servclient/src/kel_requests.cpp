#include "kel_requests.h"

#include <cstring>

#include "bson_fields.h"
#include "server_address.h"

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

void copyBounded(char* field, std::size_t cap, const std::string& text) {
    const std::size_t n = std::min(text.size(), cap - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

int32_t getDB(KelSession& session, OvSmsDBInfo* out) {
    const KelMsgPtr answer = session.request(makeMsg(dbInfoDoc(session.nextSn())));
    const int32_t code = answerCode(answer);
    if (code != 0) {
        return code;
    }
    const bson_t* doc = answer->document();
    OvSmsDBInfo info;
    std::memset(&info, 0, sizeof info);
    copyBounded(info.addr, sizeof info.addr, textOf(doc, "dbaddr"));
    copyBounded(info.dbname, sizeof info.dbname, textOf(doc, "dbname"));
    copyBounded(info.user, sizeof info.user, textOf(doc, "dbusername"));
    copyBounded(info.passw, sizeof info.passw, textOf(doc, "dbpassword"));
    // only text counts: a port sent as a number gives 0
    info.port = port16Of(textOf(doc, "dbport"));
    *out = info;
    return 0;
}

namespace {

FindDatasPtr searchResult(const KelMsgPtr& answer) {
    if (answerCode(answer) != 0) {
        return FindDatasPtr();
    }
    return FindDatas::fromAnswer(answer->document());
}

}  // namespace

FindDatasPtr findByDevice(KelSession& session, const DeviceChannel& dev, const OV::DevTime& start,
                          const OV::DevTime& end) {
    return searchResult(session.request(makeMsg(findByDeviceDoc(session.nextSn(), start, end, dev))));
}

FindDatasPtr findById(KelSession& session, const std::string& chnlid, const OV::DevTime& start,
                      const OV::DevTime& end) {
    return searchResult(session.request(makeMsg(findByIdDoc(session.nextSn(), start, end, chnlid))));
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
