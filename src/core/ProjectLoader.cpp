// loadProject: resolution, music, textures, effects, then the post-pass at time 0.
#include "core/ProjectLoader.h"

#include <fstream>
#include <limits>

#include "audio/MusicPlayer.h"
#include "base/Logger.h"
#include "base/Platform.h"
#include "core/EffectFactory.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"

namespace {

using nlohmann::json;

// A resolution number as int without undefined behaviour for huge or fractional values.
int resolutionValue(const json& value) {
    if (value.is_boolean()) return value.get<bool>() ? 1 : 0;
    double number = value.get<double>();  // type error unless a number
    if (!(number > std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (number >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(number);  // truncates toward zero
}

void readProjectSettings(const json& project) {
    if (project.contains("resolution")) {
        const json& resolution = project.at("resolution");
        if (!resolution.is_array())
            throw json::type_error::create(302, "type must be array, but is " + std::string(resolution.type_name()),
                                           &resolution);
        projectWidth = resolutionValue(resolution.at(0));
        projectHeight = resolutionValue(resolution.at(1));
        logLine("Loaded Resolution: ", projectWidth, "x", projectHeight);
        if (projectWidth < 1 || projectHeight < 1) {
            logLine("Invalid resolution ", projectWidth, "x", projectHeight, ", using 960x540");
            projectWidth = 960;
            projectHeight = 540;
        }
    }
    if (project.contains("musicFile")) {
        musicPath = getProgramDirectory() + "/" + project.at("musicFile").get<std::string>();
        if (loadMusic(musicPath))
            logLine("OK Music loaded: ", musicPath);
        else
            logLine("X Failed to load music from ", musicPath);
    }
}

void preloadTextures(const json& textures) {
    const std::string directory = getProgramDirectory();
    for (const json& entry : textures) TextureManager::instance().getTexture(directory + "/" + entry.get<std::string>());
}

void createEffects(const json& objects, EffectList& effects, std::vector<bool>& collapsed) {
    for (const json& object : objects) {
        std::string className = object.value("className", std::string());
        std::unique_ptr<Effect> effect = EffectFactory::create(className);
        if (!effect) continue;
        effect->init();
        effect->fromJson(object);
        bool isCollapsed = object.value("collapsed", false);
        effects.push_back(std::move(effect));
        collapsed.push_back(isCollapsed);
    }
}

}  // namespace

bool loadProject(const std::string& path, EffectList& effects, std::vector<bool>& collapsed) {
    std::ifstream file(path);
    if (!file.is_open()) {
        logLine("Fant ingen prosjektfil: ", path);
        return false;
    }

    const int previousWidth = projectWidth, previousHeight = projectHeight;
    const std::string previousMusicPath = musicPath;
    EffectList loaded;
    std::vector<bool> flags;
    try {
        json root = json::parse(file);
        if (root.is_object()) {
            if (root.contains("project") && root.at("project").is_object()) readProjectSettings(root.at("project"));
            if (root.contains("textures")) preloadTextures(root.at("textures"));
            if (root.contains("effects")) createEffects(root.at("effects"), loaded, flags);
        }
        for (auto& effect : loaded) {
            for (std::size_t i = 0; i < effect->textures.size(); ++i)
                if (!effect->textures[i].empty()) effect->setTexture(static_cast<int>(i), effect->textures[i]);
            effect->updateAllTracks(0.0f);
        }
    } catch (const std::exception& error) {
        // A parse error, or a value of the wrong type anywhere: a failed load, nothing kept.
        logLine("JSON Parse Error i filen: ", error.what());
        loaded.clear();
        projectWidth = previousWidth;
        projectHeight = previousHeight;
        musicPath = previousMusicPath;
        return false;
    }
    effects = std::move(loaded);
    collapsed = std::move(flags);
    return true;
}
