#include <ov/text/gbk.h>

#include <iconv.h>

#include <cerrno>

namespace ovtext {
namespace {

std::string convert(std::string_view in, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(in);
    }
    std::string out;
    out.resize(in.size() * 2 + 4);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    while (srcLeft > 0) {
        char* dst = &out[used];
        size_t dstLeft = out.size() - used;
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (rc != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else {
            // invalid or truncated sequence: mark it and go on with the next byte
            if (used == out.size()) {
                out.resize(out.size() * 2);
            }
            out[used++] = '?';
            ++src;
            --srcLeft;
        }
    }
    iconv_close(cd);
    out.resize(used);
    return out;
}

}  // namespace

std::string utf8ToGbk(std::string_view utf8) {
    return convert(utf8, "GBK", "UTF-8");
}

std::string gbkToUtf8(std::string_view gbk) {
    return convert(gbk, "UTF-8", "GBK");
}

}  // namespace ovtext
