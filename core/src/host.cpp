#include <cstdio>

#include <ov/plugin.h>

namespace plugin {
namespace {

void deleteAll(std::vector<Provider*>& providers) {
    for (Provider* p : providers) {
        delete p;
    }
    providers.clear();
}

}  // namespace

Host::Host() = default;

Host::~Host() {
    cancelAdditions();
    clearProviders();
}

bool Host::add(Provider* provider) {
    if (provider == nullptr) {
        std::fprintf(stderr, "Trying to add a null provider.\n");
        return false;
    }
    if (!validateProvider(provider)) {
        delete provider;
        return false;
    }
    pending_[provider->typeName()].push_back(provider);
    return true;
}

bool Host::registerType(const std::string& type, uint32_t version, uint32_t lowestVersion) {
    return types_.emplace(type, TypeEntry{version, lowestVersion, {}}).second;
}

bool Host::knows(const std::string& type) const {
    return types_.count(type) != 0;
}

uint32_t Host::getVersion(const std::string& type) const {
    auto it = types_.find(type);
    return it == types_.end() ? 0 : it->second.version;
}

uint32_t Host::getLowestVersion(const std::string& type) const {
    auto it = types_.find(type);
    return it == types_.end() ? 0 : it->second.lowestVersion;
}

const std::vector<Provider*>* Host::getProviders(const std::string& type) const {
    auto it = types_.find(type);
    return it == types_.end() ? nullptr : &it->second.providers;
}

bool Host::validateProvider(Provider* provider) const {
    const char* type = provider->typeName();
    if (type == nullptr) {
        // a provider without a type name cannot belong to any registered type
        std::fprintf(stderr, "%s provider type isn't registered.\n", "(null)");
        return false;
    }
    if (!knows(type)) {
        std::fprintf(stderr, "%s provider type isn't registered.\n", type);
        return false;
    }
    if (!provider->isCompatible(*this)) {
        std::fprintf(stderr, "Incompatible %s provider version.\n", type);
        return false;
    }
    return true;
}

bool Host::registerProvider(Provider* provider) {
    if (!validateProvider(provider)) {
        delete provider;
        return false;
    }
    types_[provider->typeName()].providers.push_back(provider);
    return true;
}

bool Host::confirmAdditions() {
    if (pending_.empty()) {
        return false;
    }
    for (auto& [type, offered] : pending_) {
        auto& providers = types_[type].providers;
        providers.insert(providers.end(), offered.begin(), offered.end());
    }
    pending_.clear();
    return true;
}

void Host::cancelAdditions() {
    for (auto& entry : pending_) {
        deleteAll(entry.second);
    }
    pending_.clear();
}

void Host::clearProviders() {
    for (auto& entry : types_) {
        deleteAll(entry.second.providers);
    }
}

}  // namespace plugin
