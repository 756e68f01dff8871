// Effect base: track creation and binding, the per-frame protocol and the effect object.
#include "core/Effect.h"

#include "base/Logger.h"

SyncEffectBase::~SyncEffectBase() {
    for (ITrack* track : tracks) delete track;
}

KeyframeTrack* SyncEffectBase::addTrack(const std::string& name) {
    for (ITrack* track : tracks) {
        if (track->getName() == name) {
            if (auto* keyframe = dynamic_cast<KeyframeTrack*>(track)) return keyframe;
            break;
        }
    }
    auto* track = new KeyframeTrack(name);
    tracks.push_back(track);
    return track;
}

KeyframeTrack* Effect::createTrack(const std::string& name, float* member, float minValue, float maxValue,
                                   float defaultValue, bool snapToInteger, InterpType interp) {
    KeyframeTrack* track = addTrack(name);
    track->minValue = minValue;
    track->maxValue = maxValue;
    track->snapToInteger = snapToInteger;
    track->setKey(0.0f, defaultValue, interp);
    if (member) {
        track->target = member;
        *member = track->currentValue;
        track->update(0.0f);
    }
    return track;
}

void Effect::init() {
    KeyframeTrack* track = addTrack("enabled");
    track->minValue = 0.0f;
    track->maxValue = 1.0f;
    track->snapToInteger = true;
    track->setKey(0.0f, enabled, InterpType::Step);
    track->target = &enabled;
    enabled = track->currentValue;
    track->update(0.0f);
    onInit();
}

void Effect::updateAllTracks(float time) {
    for (ITrack* track : tracks) track->update(time);
    Logger::instance().logOnce("updateAllTracks called");
    if (enabled >= 0.5f) onUpdate(time);
}

void Effect::render() {
    if (enabled >= 0.5f) onRender();
}

KeyframeTrack* Effect::findTrack(const std::string& name) const {
    for (ITrack* track : tracks)
        if (track->getName() == name) return dynamic_cast<KeyframeTrack*>(track);
    return nullptr;
}

float Effect::trackValue(const std::string& name, float fallback) const {
    KeyframeTrack* track = findTrack(name);
    return track ? track->currentValue : fallback;
}

void Effect::setTexture(int index, const std::string& name) {
    if (index < 0) return;
    if (static_cast<std::size_t>(index) >= textures.size()) textures.resize(static_cast<std::size_t>(index) + 1);
    textures[static_cast<std::size_t>(index)] = name;
    onTextureChanged(index, name);
}

nlohmann::json Effect::toJson() const {
    nlohmann::json j;
    j["className"] = getClassName();
    j["instanceName"] = instanceName;
    j["folderName"] = folderName;
    j["textures"] = textures;
    nlohmann::json trackArray = nlohmann::json::array();
    for (ITrack* track : tracks)
        if (auto* keyframe = dynamic_cast<KeyframeTrack*>(track)) trackArray.push_back(keyframe->toJson());
    j["tracks"] = std::move(trackArray);
    return j;
}

void Effect::fromJson(const nlohmann::json& j) {
    instanceName = j.value("instanceName", std::string(getClassName()));
    folderName = j.value("folderName", std::string("Root"));
    if (j.contains("textures")) {
        const nlohmann::json& names = j.at("textures");
        if (!names.is_array())
            throw nlohmann::json::type_error::create(302, "type must be array, but is " + std::string(names.type_name()), &names);
        for (std::size_t i = 0; i < names.size(); ++i)
            setTexture(static_cast<int>(i), names[i].get<std::string>());
    }
    if (j.is_object() && j.contains("tracks")) {
        for (const nlohmann::json& element : j.at("tracks")) {
            std::string name = element.value("name", std::string());
            if (KeyframeTrack* track = findTrack(name)) track->fromJson(element);
        }
    }
}
