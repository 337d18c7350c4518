// The recorders of the file named by OV_HIKSIM_FILE are there after the first
// NET_DVR_Init of the process.
#include <hcnetsdk/hcnet_sdk.h>
#include <hcnetsdk/hiksim_control.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include <hiksimtest/hik_stream.h>

TEST(HcNetSdkFileTest, RecordersOfTheNamedFileAreThereAfterInit) {
    const char* env = std::getenv("OV_HIKSIM_FILE");
    ASSERT_NE(nullptr, env);
    const std::string file = env;
    const std::string folder = file.substr(0, file.rfind('/'));
    {
        const auto stream = hiksimtest::MakeHikStream(hiksimtest::FakeVideo(3));
        std::ofstream ps(folder + "/clip.ps", std::ios::binary | std::ios::trunc);
        ps.write(reinterpret_cast<const char*>(stream.data()), std::streamsize(stream.size()));
        std::ofstream json(file, std::ios::trunc);
        json << R"({"devices": [{"host": "127.0.0.1", "port": 8001, "users": {"admin": "12345"},
                   "analogChannels": 2, "channels": {"*": {"main": "clip.ps"}}}]})";
    }
    ASSERT_EQ(1, NET_DVR_Init());
    HcDeviceInfo info;
    const int32_t user = NET_DVR_Login_V30("127.0.0.1", 8001, "admin", "12345", &info);
    ASSERT_GE(user, 0) << NET_DVR_GetLastError();
    EXPECT_EQ(2, info.analogChanCount);
    HcPreviewInfo preview = {};
    preview.channel = 2;
    EXPECT_GE(NET_DVR_RealPlay_V40(user, &preview, nullptr, nullptr), 0);
    HikSim_Reset();
}
