// Makes effects from their class names. Every class is registered once at start-up
// (registerAllEffects in the effects layer); the project loader then creates one effect per
// object of the project file. Names are exact and case-sensitive. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class Effect;

class EffectFactory {
public:
    using Creator = std::function<std::unique_ptr<Effect>()>;

    // Registering a name a second time changes nothing.
    template <class T>
    static void registerEffect(const std::string& name) {
        registerCreator(name, [] { return std::unique_ptr<Effect>(new T()); });
    }
    // A new effect, or null with the log line "EffectFactory: Unknown effect type '<name>'".
    static std::unique_ptr<Effect> create(const std::string& className);
    // Names in registration order.
    static const std::vector<std::string>& registeredNames();

private:
    static void registerCreator(const std::string& name, Creator creator);
};
