// The catalogue of effect classes for demo authors: every registered class, in registration
// order, with a one-line summary and its tracks in creation order ("enabled" first): name,
// range, the default key at time 0 (value and interpolation) and the integer flag. Made by
// creating and initialising one effect of each class, so it always says what the code does.
// Printed by `demorender --list-effects` as text, JSON or Markdown (docs/effects.md).
#pragma once

#include <string>
#include <vector>

struct CatalogueTrack {
    std::string name;
    float min = 0.0f, max = 0.0f;  // NaN when the class gives no range
    bool hasDefault = false;       // a key at time 0
    float defaultValue = 0.0f;
    std::string interpolation;     // of the default key
    bool snapToInteger = false;
};

struct CatalogueEntry {
    std::string className;
    std::string summary;
    std::vector<CatalogueTrack> tracks;
};

// Registers the effect classes (once) and describes each. Needs no GL context of its own;
// effects that touch GL while initialising find the caller's current one, if any.
std::vector<CatalogueEntry> effectCatalogue();

std::string catalogueText(const std::vector<CatalogueEntry>& entries);
std::string catalogueJson(const std::vector<CatalogueEntry>& entries);
std::string catalogueMarkdown(const std::vector<CatalogueEntry>& entries);
