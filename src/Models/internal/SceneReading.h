#pragma once

// How a scene is read from a document: strictly, or for compatibility when strict
// reading refuses it, from its text or its bytes. Metasequoia's initialisers read here.

#include <exception>
#include <functional>
#include <string_view>
#include <vector>

#include "MQAException.h"
#include "MQAFile.h"
#include "MQAProgress.h"
#include "Metasequoia.h"

namespace scene {

struct SceneReading {
    // Reads text (strictly, or leniently after the text's preparation left `warnings`),
    // lets the text go with `release` once its lines are read, then builds the scene.
    static Metasequoia read(std::string_view text, bool lenient, MQAProgress* progress,
                            std::vector<MQAWarning> warnings, const std::function<void()>& release);
    // Strict reading, then compatibility reading when asked for and strict reading fails.
    static Metasequoia fromBytes(std::string_view bytes, MQAReading reading, MQAProgress* progress,
                                 const std::function<void()>& release, const std::function<void()>& checkWhole,
                                 std::exception_ptr* strictFailure = nullptr);
};

}  // namespace scene
