// EffectFactory: the registry of constructor functions by class name.
#include "core/EffectFactory.h"

#include "base/Logger.h"
#include "core/Effect.h"

namespace {
std::unordered_map<std::string, EffectFactory::Creator>& registry() {
    static std::unordered_map<std::string, EffectFactory::Creator> map;
    return map;
}
std::vector<std::string>& names() {
    static std::vector<std::string> list;
    return list;
}
}  // namespace

void EffectFactory::registerCreator(const std::string& name, Creator creator) {
    if (registry().count(name)) return;
    registry().emplace(name, std::move(creator));
    names().push_back(name);
}

std::unique_ptr<Effect> EffectFactory::create(const std::string& className) {
    auto found = registry().find(className);
    if (found == registry().end()) {
        logLine("EffectFactory: Unknown effect type '", className, "'");
        return nullptr;
    }
    return found->second();
}

const std::vector<std::string>& EffectFactory::registeredNames() { return names(); }
