#pragma once

// The plug-in framework: libraries found at run time offer provider objects of
// named, versioned types. No operation throws; failures are false or 0 results
// with a fixed line on standard error.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <ov/export.h>

namespace plugin {

class Host;

// Base of every provider. Derived types add their factory operation after these slots.
class OV_CORE_API Provider {
public:
    virtual ~Provider();
    virtual uint32_t version() const = 0;
    virtual const char* typeName() const = 0;

    // True when the host knows the type and its lowest version <= version() <= its version.
    bool isCompatible(const Host& host) const;
};

// The registry of provider types and providers handed to plug-ins. Owns every
// provider it holds, confirmed or pending.
class OV_CORE_API Host {
public:
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Offers a provider; it stays pending until the loader confirms the plug-in.
    bool add(Provider* provider);

    bool registerType(const std::string& type, uint32_t version, uint32_t lowestVersion);
    bool knows(const std::string& type) const;
    uint32_t getVersion(const std::string& type) const;
    uint32_t getLowestVersion(const std::string& type) const;
    const std::vector<Provider*>* getProviders(const std::string& type) const;

    bool validateProvider(Provider* provider) const;
    bool registerProvider(Provider* provider);
    bool confirmAdditions();
    void cancelAdditions();
    void clearProviders();

private:
    friend class PluginManager;
    Host();
    ~Host();

    struct TypeEntry {
        uint32_t version;
        uint32_t lowestVersion;
        std::vector<Provider*> providers;
    };

    std::map<std::string, TypeEntry> types_;
    std::map<std::string, std::vector<Provider*>> pending_;
};

class PluginLibrary;

// Loads plug-in libraries ("*.ovn") and owns the Host their providers live in.
class OV_CORE_API PluginManager {
public:
    PluginManager();
    ~PluginManager();
    PluginManager(const PluginManager&) = delete;
    PluginManager& operator=(const PluginManager&) = delete;

    bool load(const std::string& path);
    bool load(const std::string& folder, const std::string& fileName);
    int32_t loadFromFolder(const std::string& folder, bool recursive);
    bool unload(const std::string& nameOrPath);
    void unloadAll();

    // Lets the host application register providers of its own.
    bool addProvider(Provider* provider);

    // Appends each loaded plug-in's name in name order; valid until it is unloaded.
    void getLoadedPlugins(std::vector<const std::string*>& names) const;
    bool isLoaded(const std::string& nameOrPath) const;

    bool registerType(const std::string& type, uint32_t version, uint32_t lowestVersion);
    const std::vector<Provider*>* getProviders(const std::string& type) const;

    // "C:/x/hik.ovn" and "hik" give "hik"; "a.b/c" gives "c".
    static std::string getPluginName(const std::string& path);
    // Appends ".ovn" when the file name has no dot.
    static std::string resolvePathExtension(const std::string& path);

private:
    std::map<std::string, std::unique_ptr<PluginLibrary>> libraries_;
    Host host_;
};

// The one export of every plug-in library.
typedef bool (*ConnectFunc)(Host& host);

}  // namespace plugin

#define OV_PLUGIN_ENTRY extern "C" __attribute__((visibility("default"))) bool plugin_connect(plugin::Host& host)
