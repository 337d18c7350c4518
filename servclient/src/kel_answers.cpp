#include "kel_answers.h"

#include <algorithm>
#include <cstring>

#include "bson_fields.h"
#include "kel_documents.h"
#include "server_address.h"

namespace sms {

void copyBounded(char* field, std::size_t cap, const std::string& text) {
    const std::size_t n = std::min(text.size(), cap - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

int32_t dbInfoOf(const KelMsgPtr& answer, OvSmsDBInfo* out) {
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

FindDatasPtr searchResultOf(const KelMsgPtr& answer) {
    if (answerCode(answer) != 0) {
        return FindDatasPtr();
    }
    return FindDatas::fromAnswer(answer->document());
}

}  // namespace sms
