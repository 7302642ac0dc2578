#pragma once

#include <optional>
#include <string>

class Metasequoia;

// A plain account of a scene for people: totals and the bounding box, then each
// material (with where its texture is looked for and whether it is there), object and
// animation. `documentPath` is the document's file, none for standard input.
// With `lenientTextures`, texture names are resolved as compatibility reading does.
std::string sceneSummary(const Metasequoia& scene, const std::string& displayName,
                         const std::optional<std::string>& documentPath, bool lenientTextures = false);
