#include "cli/hosts/hostRegistry.h"

#include <stdexcept>

#include "cli/hosts/hostBackends.h"
#include "cli/hosts/hostCommands.h"

namespace sorvane::cli {

const std::vector<HostEntry>& registeredHosts() {
    static const std::vector<HostEntry> hosts{
        {"maya", inspectMaya, openMayaShadeSession, render::openMayaBackend},
        {"mentalray", inspectMentalray, openMentalrayShadeSession, render::openMentalrayBackend},
    };
    return hosts;
}

std::vector<std::string> hostNames() {
    std::vector<std::string> names;
    for (const HostEntry& host : registeredHosts()) names.push_back(host.name);
    return names;
}

const HostEntry& findHost(const std::string& name) {
    for (const HostEntry& host : registeredHosts()) {
        if (host.name == name) return host;
    }
    throw std::invalid_argument("no host \"" + name + "\"");
}

}  // namespace sorvane::cli
