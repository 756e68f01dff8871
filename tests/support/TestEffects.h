// Small effect classes for framework tests: they record what the framework calls, in order,
// into one shared journal ("update:<name>@<time>", "render:<name>", "destroy:<name>").
#pragma once

#include <string>
#include <vector>

#include "core/Effect.h"

inline std::vector<std::string>& effectJournal() {
    static std::vector<std::string> journal;
    return journal;
}

class JournalEffect : public Effect {
public:
    ~JournalEffect() override { effectJournal().push_back("destroy:" + instanceName); }
    void onInit() override {
        createTrack("speed", &speed, -10.0f, 10.0f, 3.0f);
        createTrack("mode", &mode, 0.0f, 4.0f, 2.0f, true, InterpType::Step);
        ++initCount;
    }
    void onUpdate(float time) override {
        effectJournal().push_back("update:" + instanceName + "@" + std::to_string(time));
    }
    void onRender() override { effectJournal().push_back("render:" + instanceName); }
    const char* getClassName() const override { return "JournalEffect"; }
    void onTextureChanged(int index, const std::string& name) override {
        effectJournal().push_back("texture:" + std::to_string(index) + "=" + name);
    }

    float speed = 0.0f;
    float mode = 0.0f;
    int initCount = 0;
};

// Makes its tracks in the constructor and reads them by name, like the screen overlays do.
class UnboundEffect : public Effect {
public:
    UnboundEffect() { createTrack("alpha", nullptr, 0.0f, 1.0f, 0.25f); }
    void onInit() override {}
    void onUpdate(float) override {}
    void onRender() override {}
    const char* getClassName() const override { return "UnboundEffect"; }
};
