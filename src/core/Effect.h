// The effect base classes: an effect owns named keyframe tracks bound to its float members,
// is initialised (the "enabled" track, then onInit), reads its saved state from the project,
// and is updated and drawn once per frame while its "enabled" value is at least 0.5.
// The draw itself, resources and GL state are each class's own business.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/KeyframeTrack.h"

class SyncEffectBase {
public:
    SyncEffectBase() = default;
    SyncEffectBase(const SyncEffectBase&) = delete;
    SyncEffectBase& operator=(const SyncEffectBase&) = delete;

    virtual void init() = 0;
    virtual ~SyncEffectBase();  // deletes the tracks in list order

    // The first track with exactly this name, or a new one appended to `tracks`.
    KeyframeTrack* addTrack(const std::string& name);

    std::vector<ITrack*> tracks;  // owned, in creation order
};

class Effect : public SyncEffectBase {
public:
    Effect() = default;
    ~Effect() override = default;

    void init() override;
    virtual void updateAllTracks(float time);
    virtual void render();
    virtual void onInit() = 0;
    virtual void onUpdate(float time) = 0;
    virtual void onRender() = 0;
    virtual void renderGeometry() {}
    virtual void reservedHook() {}
    virtual const char* getClassName() const = 0;
    virtual nlohmann::json toJson() const;
    // Throws the JSON library's type errors on members of the wrong type.
    virtual void fromJson(const nlohmann::json& j);
    virtual void onTextureChanged(int /*index*/, const std::string& /*name*/) {}

    // Grows the slot list as needed; negative indices are ignored.
    void setTexture(int index, const std::string& name);

    // The standard way to make a parameter: addTrack, range and snap flag, a default key at
    // time 0, bind to `member` (may be null for tracks read by name), evaluate at time 0.
    KeyframeTrack* createTrack(const std::string& name, float* member, float minValue, float maxValue,
                               float defaultValue, bool snapToInteger = false,
                               InterpType interp = InterpType::Linear);
    // The first track with this exact name, without creating one; null when there is none.
    KeyframeTrack* findTrack(const std::string& name) const;
    // currentValue of the named track, or `fallback` when there is none.
    float trackValue(const std::string& name, float fallback = 0.0f) const;

    bool isEnabled() const { return enabled >= 0.5f; }

    float enabled = 1.0f;
    std::string instanceName;
    std::string folderName = "Root";
    std::vector<std::string> textures;
};

// Lets an interactive tool move an effect's main object and store the result as keys.
// The player never sets `driving`.
class IDrivable {
public:
    virtual Effect* asEffect() = 0;
    virtual ~IDrivable() = default;
    virtual void drive(float dt, bool forward, bool backward, bool left, bool right, bool up, bool down) = 0;
    virtual void syncFromParameters() = 0;
    virtual void recordKeys(float time) = 0;

    bool driving = false;
};
