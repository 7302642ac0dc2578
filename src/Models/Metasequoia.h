#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "GLKMath.h"
#include "MQAException.h"
#include "MQAFile.h"
#include "MQAProgress.h"
#include "ObjectDisplay.h"
#include "ZeltoAnimation.h"
#include "ZeltoMaterial.h"
#include "ZeltoModel.h"

// The scene of one document: its materials, models and bone animations, plus a
// scene-wide translation and rotation (angles in degrees about x, y and z).
//
// Faces point at the scene's material records, so a scene is move-only and its lists
// never change after construction.
namespace zelto {
class DocumentBytes;
}
namespace scene {
struct SceneReading;
}

class Metasequoia {
public:
    Metasequoia();  // an empty scene

    // Builds a scene from document text or bytes (UTF-8). Throws MQAException for
    // malformed text, std::out_of_range for a value or index the scene cannot use, and
    // std::runtime_error for bytes that are not UTF-8; the text says what is wrong.
    static Metasequoia initWithString(std::string_view text);
    // Read strictly or leniently (MQAReading): a document strict reading accepts gives
    // the same scene either way.
    static Metasequoia initWithData(std::string_view bytes, MQAReading reading = MQAReading::Strict);
    // The same from a file's bytes (FileBytes.h), which are let go as soon as they are
    // read, before the models are made. With `progress`, reports how far reading got
    // and stops with MQACancelled when asked to (see MQAProgress). With `strictFailure`,
    // compatibility reading keeps there why strict reading refused the document, if it did.
    static Metasequoia initWithData(zelto::DocumentBytes&& bytes, MQAReading reading = MQAReading::Strict,
                                    MQAProgress* progress = nullptr, std::exception_ptr* strictFailure = nullptr);

    Metasequoia(Metasequoia&&) noexcept = default;
    Metasequoia& operator=(Metasequoia&&) noexcept = default;
    Metasequoia(const Metasequoia&) = delete;
    Metasequoia& operator=(const Metasequoia&) = delete;

    // The text and bytes forms hold no chunks: always the same empty document.
    std::string stringValue() const;
    std::optional<std::string> data() const;

    const std::vector<ZeltoMaterial>& materials() const { return _materials; }
    // The models, which only change through their own posing: a scene's readers pose
    // them into ModelPose values of their own.
    const std::vector<ZeltoModel>& models() const { return _models; }
    const std::vector<ZeltoAnimation>& bones() const { return _bones; }

    // What reading left out without an error (text after the body's end, blocks it does
    // not read), in file order. How the modeller shows objects is noted by displayNotes.
    const std::vector<MQAWarning>& warnings() const { return _warnings; }
    // How the modeller shows each model (visible, mirrored); one per model, in order.
    const std::vector<ObjectDisplay>& objectDisplays() const { return _displays; }

    GLKVector3 pos() const { return _pos; }
    void setPos(GLKVector3 pos) { _pos = pos; }
    GLKVector3 rotate() const { return _rotate; }
    void setRotate(GLKVector3 rotate) { _rotate = rotate; }
    // Where the scene puts its models: translated by pos(), after turns by rotate()'s
    // angles about x, then y, then z, composed as glTranslate and a glRotate for each
    // axis in that order compose them (the turn about z acts on a model first).
    GLKMatrix4 sceneMatrix() const;

    // Every distinct name of a bone or object animation, sorted by character code.
    std::vector<std::string> animationNames() const;
    // One matrix per track of the bone animation named `name` (or the first one) at a
    // frame, looping over its longest track; none when the scene has no bone animations.
    std::optional<std::vector<GLKMatrix4>> bonesForName(std::optional<std::string_view> name,
                                                        uint64_t atTime) const;

private:
    friend struct scene::SceneReading;  // reads documents into scenes
    struct Built {};
    explicit Metasequoia(Built) {}

    std::vector<ZeltoMaterial> _materials;
    std::vector<ZeltoModel> _models;
    std::vector<ZeltoAnimation> _bones;
    std::vector<MQAWarning> _warnings;
    std::vector<ObjectDisplay> _displays;
    GLKVector3 _pos{0, 0, 0};
    GLKVector3 _rotate{0, 0, 0};
};
