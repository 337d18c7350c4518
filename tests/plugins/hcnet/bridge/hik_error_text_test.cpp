#include "hik_error_text.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <hcnetsdk/hcnet_sdk.h>
#include <hcnetsdk/hiksim_control.h>
#include <ov/ovnexception.h>
#include <ov/text/gbk.h>

using hik::HikErrorText;

namespace {

std::string utf8(int32_t code) {
    return ovtext::gbkToUtf8(HikErrorText(code));
}

}  // namespace

TEST(HikErrorTextTest, RowsCoverTheRangesInTheirOrder) {
    const std::vector<std::pair<int32_t, int32_t>> ranges = {
        {0, 106},     {150, 150},   {153, 153},   {165, 174}, {200, 240}, {300, 306},   {308, 346},   {717, 717},
        {800, 802},   {804, 823},   {901, 927},   {951, 953}, {955, 962}, {1000, 1007}, {1101, 1101}, {1201, 1219},
        {1400, 1499}, {1600, 1601}, {1500, 1504}, {401, 404}, {406, 407}, {410, 416},   {420, 427},   {430, 436},
        {440, 446},   {500, 528},   {600, 613},   {619, 619}, {678, 680}, {687, 690},   {695, 700}};
    std::vector<int32_t> expected;
    for (const auto& r : ranges) {
        for (int32_t c = r.first; c <= r.second; ++c) {
            expected.push_back(c);
        }
    }
    ASSERT_EQ(495u, hik::HikErrorRowCount());
    ASSERT_EQ(expected.size(), hik::HikErrorRowCount());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i], hik::HikErrorRowCode(i)) << "row " << i;
    }
}

TEST(HikErrorTextTest, EveryMessageIsTabFramedChineseThatSurvivesGbk) {
    std::set<std::string> seen;
    for (std::size_t i = 0; i < hik::HikErrorRowCount(); ++i) {
        const int32_t code = hik::HikErrorRowCode(i);
        const std::string gbk = HikErrorText(code);
        ASSERT_GE(gbk.size(), 3u) << code;
        EXPECT_EQ('\t', gbk.front()) << code;
        EXPECT_EQ('\t', gbk.back()) << code;
        EXPECT_EQ(gbk.size() - 1, gbk.find('\t', 1)) << code;  // no tab inside
        // a character GBK lacks would have become '?'
        EXPECT_EQ(std::string::npos, gbk.find('?')) << code;
        EXPECT_EQ(gbk, ovtext::utf8ToGbk(ovtext::gbkToUtf8(gbk))) << code;
        bool chinese = false;
        for (unsigned char ch : gbk) {
            chinese = chinese || ch >= 0x81;
        }
        EXPECT_TRUE(chinese) << code;
        seen.insert(gbk);
    }
    // two codes of the same meaning in different layers may share a text, but
    // not many: a copy-paste slip would show here
    EXPECT_GT(seen.size(), 470u);
}

TEST(HikErrorTextTest, QuotedRowsAndTheDefault) {
    const std::vector<std::pair<int32_t, std::string>> rows = {
        {0, "没有错误。"},
        {1, "用户名密码错误。注册时输入的用户名或者密码错误。"},
        {3, "SDK未初始化。"},
        {5, "设备总的连接数超过最大。"},
        {7, "连接设备失败。设备不在线或网络原因引起的连接超时等。"},
        {10, "从设备接收数据超时。"},
        {17, "参数错误。SDK接口中给入的输入或输出参数为空，或者参数格式或值不符合要求。"},
        {23, "设备不支持。"},
        {24, "设备忙。"},
        {33, "回放时设备没有指定的文件。"},
        {43, "缓冲区太小。接收设备数据的缓冲区或存放图片缓冲区不足。"},
        {52, "登录设备的用户数达到最大。"},
        {153, "用户名被锁定。"},
        {401, "认证失败(没有权限)：服务器返回401时，转成这个错误码"},
        {430, "RTSP PLAY交互错误"},
        {500, "没有错误"},
        {501, "输入参数非法"},
        {600, "没有错误"},
        {695, "内存不足"},
        {700, "没有错误"},
        {1500, "VQD诊断时间段冲突。"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ("\t" + r.second + "\t", utf8(r.first)) << r.first;
    }
    for (int32_t code : {2000, -1, 107, 307, 405, 1102}) {
        EXPECT_EQ("海康未知错误！", utf8(code)) << code;
    }
    EXPECT_EQ(HikErrorText(7), HikErrorText(7));  // one text for the whole process
}

TEST(HikErrorTextTest, RaiseLastHikErrorThrowsOnlyForACode) {
    ASSERT_EQ(1, NET_DVR_Init());
    HikSim_Reset();
    HcDeviceInfo info;
    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_Login_V30", 0));
    ASSERT_EQ(-1, NET_DVR_Login_V30("h", 8000, "u", "p", &info));
    EXPECT_NO_THROW(hik::RaiseLastHikError());

    ASSERT_EQ(-1, NET_DVR_Login_V30("nowhere", 8000, "u", "p", &info));  // no such recorder: 7
    try {
        hik::RaiseLastHikError();
        FAIL() << "no exception";
    } catch (const OV::ovnexception& e) {
        EXPECT_EQ(-1, e.code());
        EXPECT_STREQ(HikErrorText(7), e.message());
    }
}
