#include <ov/plugin.h>

namespace plugin {

Provider::~Provider() = default;

bool Provider::isCompatible(const Host& host) const {
    const char* type = typeName();
    if (type == nullptr || !host.knows(type)) {
        return false;
    }
    const uint32_t v = version();
    return host.getLowestVersion(type) <= v && v <= host.getVersion(type);
}

}  // namespace plugin
