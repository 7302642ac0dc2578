#pragma once

#include <string>

class Metasequoia;

// A short human-readable account of a scene: materials, objects, animations.
std::string sceneSummary(const Metasequoia& scene);
