#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <ov/devcore.h>

namespace fs = std::filesystem;
using plugin::PluginManager;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

std::string pluginDir() {
    return std::getenv("OV_TEST_PLUGINS");
}
std::string pluginFile(const std::string& name) {
    return pluginDir() + "/" + name + ".ovn";
}

class PluginManagerTest : public testing::Test {
protected:
    void SetUp() override { manager.registerType("VideoDevSDKMaker", 3, 3); }

    size_t providerCount() const {
        const auto* providers = manager.getProviders("VideoDevSDKMaker");
        return providers == nullptr ? 0 : providers->size();
    }

    PluginManager manager;
};

// A scratch folder that disappears with the test.
class ScratchFolder {
public:
    ScratchFolder()
        : path_(fs::temp_directory_path() /
                ("ovscan-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++))) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchFolder() { fs::remove_all(path_); }
    std::string path() const { return path_.string(); }
    void put(const std::string& source, const std::string& relative) const {
        fs::create_directories((path_ / relative).parent_path());
        fs::copy_file(source, path_ / relative);
    }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

TEST(PluginNames, PluginNameAndExtension) {
    const struct {
        const char* path;
        const char* name;
    } names[] = {
        {"C:/x/y/hik.ovn", "hik"},
        {"C:\\x\\y\\hik.ovn", "hik"},
        {"hik", "hik"},
        {"a.b/c", "c"},
        {"/opt/ov/lib/ovnplugin/localbridge.ovn", "localbridge"},
        {"dir/x.tar.ovn", "x.tar"},
        {"", ""},
    };
    for (const auto& c : names) {
        EXPECT_EQ(PluginManager::getPluginName(c.path), c.name) << c.path;
    }
    const struct {
        const char* path;
        const char* resolved;
    } extensions[] = {
        {"dir/hik", "dir/hik.ovn"},
        {"dir/hik.dll", "dir/hik.dll"},
        {"dir.v/hik", "dir.v/hik.ovn"},
        {"dir.v\\hik", "dir.v\\hik.ovn"},
        {"hik", "hik.ovn"},
    };
    for (const auto& c : extensions) {
        EXPECT_EQ(PluginManager::resolvePathExtension(c.path), c.resolved) << c.path;
    }
}

TEST_F(PluginManagerTest, RegisteringATypeTwiceKeepsTheFirstVersions) {
    manager.registerType("VideoDevSDKMaker", 5, 4);
    ASSERT_TRUE(manager.load(pluginFile("tp_mixed")));  // a version 3 provider is still accepted
    EXPECT_EQ(providerCount(), 1u);
}

TEST_F(PluginManagerTest, FailedLoadsPrintTheirLines) {
    const std::string missing = pluginDir() + "/no_such_plugin.ovn";
    const struct {
        std::string path;
        std::string lines;
    } cases[] = {
        {"", "Failed to load library: Empty path\n"},
        {missing, "Failed to load library \"" + missing + "\".\n"},
        {pluginDir() + "/tp_noentry",
         "Library symbol \"plugin_connect\" not found.\n"
         "Failed to initialize plugin \"tp_noentry\": plugin_connect function not found\n"},
        {pluginFile("tp_false"), "Self registry failed on plugin \"tp_false\".\n"},
        {pluginFile("tp_badversion"),
         "Incompatible VideoDevSDKMaker provider version.\n"
         "Incompatible VideoDevSDKMaker provider version.\n"
         "Nothing registered by plugin \"tp_badversion\".\n"},
    };
    for (const auto& c : cases) {
        CaptureStderr();
        EXPECT_FALSE(manager.load(c.path)) << c.path;
        EXPECT_EQ(GetCapturedStderr(), c.lines) << c.path;
        EXPECT_FALSE(manager.isLoaded(c.path)) << c.path;
    }
    EXPECT_EQ(providerCount(), 0u);
}

TEST_F(PluginManagerTest, GoodProvidersSurviveBadOffersOfTheSamePlugin) {
    CaptureStderr();
    EXPECT_TRUE(manager.load(pluginFile("tp_mixed")));
    EXPECT_EQ(GetCapturedStderr(),
              "Trying to add a null provider.\n"
              "Stranger provider type isn't registered.\n");
    EXPECT_TRUE(manager.isLoaded("tp_mixed"));
    EXPECT_EQ(providerCount(), 1u);
}

TEST_F(PluginManagerTest, LoadingTheSameFileTwiceRegistersTwice) {
    EXPECT_TRUE(manager.load(pluginDir(), "tp_mixed.ovn"));
    EXPECT_TRUE(manager.load(pluginDir() + "/", "tp_mixed"));
    EXPECT_EQ(providerCount(), 2u);
    std::vector<const std::string*> names;
    manager.getLoadedPlugins(names);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(*names[0], "tp_mixed");
}

TEST_F(PluginManagerTest, UnloadByNameOrPath) {
    ASSERT_TRUE(manager.load(pluginFile("tp_mixed")));
    ASSERT_TRUE(manager.load(pluginFile("tp_dup_1")));
    std::vector<const std::string*> names;
    manager.getLoadedPlugins(names);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(*names[0], "tp_dup_1");
    EXPECT_EQ(*names[1], "tp_mixed");
    EXPECT_TRUE(manager.unload("/somewhere/else/tp_mixed.ovn"));
    EXPECT_FALSE(manager.isLoaded("tp_mixed"));
    EXPECT_FALSE(manager.unload("tp_mixed"));
    manager.unloadAll();
    EXPECT_FALSE(manager.isLoaded("tp_dup_1"));
    EXPECT_EQ(providerCount(), 0u);
}

TEST_F(PluginManagerTest, HostProvidersAreValidatedLikePluginOnes) {
    class Own : public OV::VideoDevSDKMakerProvider {
    public:
        explicit Own(uint32_t v) : v_(v) {}
        uint32_t version() const override { return v_; }
        boost::shared_ptr<VideoDevSDKMaker> create() override { return {}; }

    private:
        uint32_t v_;
    };
    CaptureStderr();
    EXPECT_FALSE(manager.addProvider(nullptr));
    EXPECT_FALSE(manager.addProvider(new Own(2)));
    EXPECT_FALSE(manager.addProvider(new Own(4)));
    EXPECT_TRUE(manager.addProvider(new Own(3)));
    EXPECT_EQ(GetCapturedStderr(),
              "Trying to add null provider\n"
              "Incompatible VideoDevSDKMaker provider version.\n"
              "Incompatible VideoDevSDKMaker provider version.\n");
    EXPECT_EQ(providerCount(), 1u);
}

TEST_F(PluginManagerTest, MissingFolder) {
    CaptureStderr();
    EXPECT_EQ(manager.loadFromFolder("/no/such/folder", true), 0);
    EXPECT_EQ(GetCapturedStderr(), "Could not open \"/no/such/folder\" directory.\n");
}

TEST_F(PluginManagerTest, FolderScanTakesExactlyTheOvnExtension) {
    ScratchFolder folder;
    const std::string good = pluginFile("tp_mixed");
    folder.put(good, "top.ovn");
    folder.put(good, "hik.OVN");
    folder.put(good, "hik.ovn.bak");
    folder.put(good, "notes.txt");
    folder.put(good, "sub/deeper/deep.ovn");
    fs::create_directories(folder.path() + "/folder.ovn");  // a folder, never a plug-in

    CaptureStderr();
    EXPECT_EQ(manager.loadFromFolder(folder.path(), false), 1);
    GetCapturedStderr();
    EXPECT_TRUE(manager.isLoaded("top"));
    EXPECT_FALSE(manager.isLoaded("deep"));

    PluginManager recursive;
    recursive.registerType("VideoDevSDKMaker", 3, 3);
    CaptureStderr();
    EXPECT_EQ(recursive.loadFromFolder(folder.path() + "/", true), 2);
    GetCapturedStderr();
    EXPECT_TRUE(recursive.isLoaded("deep"));
}

TEST_F(PluginManagerTest, AFileNamedJustOvnIsTakenThenResolvedLikeAnyPath) {
    // The whole name counts as the extension, so the scan takes it; loading
    // then adds the extension a dotless name lacks, as for any path.
    ScratchFolder folder;
    folder.put(pluginFile("tp_mixed"), "ovn");
    CaptureStderr();
    EXPECT_EQ(manager.loadFromFolder(folder.path(), false), 0);
    EXPECT_EQ(GetCapturedStderr(), "Failed to load library \"" + folder.path() + "/ovn.ovn\".\n");
}

TEST_F(PluginManagerTest, LinkCyclesAreWalkedOnce) {
    ScratchFolder folder;
    folder.put(pluginFile("tp_mixed"), "a/one.ovn");
    fs::create_directory_symlink(folder.path(), folder.path() + "/a/back");
    EXPECT_EQ(manager.loadFromFolder(folder.path(), true), 1);
}

}  // namespace
