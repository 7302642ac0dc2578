#pragma once

#include <string>

#include "DocumentSource.h"

class Metasequoia;

// A plain account of a scene for people: totals and the bounding box, then each
// material (with where its texture is looked for, beside the document or in its archive,
// and whether it is there), object and animation.
std::string sceneSummary(const Metasequoia& scene, const std::string& displayName, const zelto::DocumentFiles& files);
