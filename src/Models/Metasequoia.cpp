#include "Metasequoia.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "FileBytes.h"
#include "MQACompat.h"
#include "MQAReader.h"
#include "MQAUTF8.h"
#include "SceneBuilder.h"

Metasequoia::Metasequoia() {
    _materials.reserve(10);
    _models.reserve(10);
    _bones.reserve(10);
}

Metasequoia Metasequoia::read(std::string_view text, bool lenient, MQAProgress* progress,
                              std::vector<MQAWarning> warnings, const std::function<void()>& release) {
    scene::SceneBuilder builder(lenient);
    MQAReadOptions options;
    options.lenient = lenient;
    options.progress = progress;
    MQAReadResult read = mqa::readDocument(text, builder, options);
    release();  // the models need memory more than the text does
    // Every byte is read; what follows is building the models.
    if (progress) progress->reached(progress->bytesTotal());
    scene::SceneParts parts = builder.build(progress);
    Metasequoia scene{Built{}};
    scene._materials = std::move(parts.materials);
    scene._models = std::move(parts.models);
    scene._bones = std::move(parts.bones);
    scene._displays = std::move(parts.displays);
    warnings.insert(warnings.end(), read.warnings.begin(), read.warnings.end());
    warnings.insert(warnings.end(), parts.warnings.begin(), parts.warnings.end());
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const MQAWarning& a, const MQAWarning& b) { return a.line < b.line; });
    scene._warnings = std::move(warnings);
    return scene;
}

Metasequoia Metasequoia::fromBytes(std::string_view bytes, MQAReading reading, MQAProgress* progress,
                                   const std::function<void()>& release, const std::function<void()>& checkWhole,
                                   std::exception_ptr* strictFailure) {
    if (progress) {
        progress->setTotal(bytes.size());
        progress->reached(0);
    }
    std::optional<Metasequoia> scene;
    try {
        mqa::requireUTF8(bytes);
        // Compatibility reading may yet need the bytes should the scene's passes fail.
        scene = read(bytes, false, progress, {}, [&] {
            checkWhole();
            if (reading == MQAReading::Strict) release();
        });
    } catch (const MQACancelled&) {
        throw;
    } catch (const std::exception&) {
        checkWhole();
        if (reading == MQAReading::Strict) throw;
        if (strictFailure) *strictFailure = std::current_exception();
    }
    if (reading == MQAReading::Strict) return std::move(*scene);
    if (!scene) {
        // What strict reading refuses is read leniently.
        mqa::compat::PreparedText prepared = mqa::compat::prepareText(bytes, progress);
        scene = read(prepared.text, true, progress, std::move(prepared.warnings), [&] {
            checkWhole();
            release();
        });
    }
    // Texture names as another machine wrote them are looked for beside the document.
    for (const ZeltoMaterial& material : scene->_materials) {
        const std::string& name = material.textureName();
        bool foreign = name.find('\\') != std::string::npos ||
                       (name.size() > 2 && name[1] == ':' && (name[2] == '\\' || name[2] == '/'));
        if (!foreign) continue;
        std::string file = name.substr(name.find_last_of("\\/") + 1);
        scene->_warnings.push_back({0, "Material \"" + material.name() + "\": texture \"" + name +
                                           "\" is a path on another machine; it is looked for as \"" + file +
                                           "\" beside the document"});
    }
    return std::move(*scene);
}

Metasequoia Metasequoia::initWithString(std::string_view text) { return read(text, false, nullptr, {}, [] {}); }

Metasequoia Metasequoia::initWithData(std::string_view bytes, MQAReading reading) {
    return fromBytes(bytes, reading, nullptr, [] {}, [] {});
}

Metasequoia Metasequoia::initWithData(zelto::DocumentBytes&& bytes, MQAReading reading, MQAProgress* progress,
                                      std::exception_ptr* strictFailure) {
    auto checkWhole = [&] {
        if (bytes.truncated()) throw std::runtime_error("The file changed while it was read.");
    };
    return fromBytes(bytes.view(), reading, progress, [&] { bytes.release(); }, checkWhole, strictFailure);
}

std::string Metasequoia::stringValue() const { return MQAFile().stringValue(); }

std::optional<std::string> Metasequoia::data() const { return stringValue(); }

GLKMatrix4 Metasequoia::sceneMatrix() const {
    // Column-major, in double precision until the end.
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, _pos.x, _pos.y, _pos.z, 1};
    const float degrees[3] = {_rotate.x, _rotate.y, _rotate.z};
    for (int axis = 0; axis < 3; ++axis) {
        const double radians = degrees[axis] * M_PI / 180, c = std::cos(radians), s = std::sin(radians);
        // Columns u and v, the two the turn mixes: u' = c u + s v, v' = c v - s u.
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        for (int row = 0; row < 3; ++row) {
            const double a = m[u * 4 + row], b = m[v * 4 + row];
            m[u * 4 + row] = c * a + s * b;
            m[v * 4 + row] = c * b - s * a;
        }
    }
    GLKMatrix4 matrix;
    for (size_t i = 0; i < 16; ++i) matrix.m[i] = static_cast<float>(m[i]);
    return matrix;
}

std::vector<std::string> Metasequoia::animationNames() const {
    std::vector<std::string> names;
    for (const ZeltoAnimation& animation : _bones) names.push_back(animation.name());
    for (const ZeltoModel& model : _models)
        for (const ZeltoAnimation& animation : model.animations()) names.push_back(animation.name());
    std::sort(names.begin(), names.end());  // byte order: capitals before small letters
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::optional<std::vector<GLKMatrix4>> Metasequoia::bonesForName(
    std::optional<std::string_view> name, uint64_t atTime) const {
    if (_bones.empty()) return std::nullopt;
    const ZeltoAnimation* chosen = &_bones.front();
    if (name)
        for (const ZeltoAnimation& animation : _bones)
            if (animation.name() == *name) {
                chosen = &animation;
                break;
            }
    const ZeltoAnimation::Tracks& tracks = chosen->tracks();
    uint64_t frames = chosen->frameCount();
    std::vector<GLKMatrix4> pose;
    pose.reserve(tracks.size());
    // Without frames there is no frame to show: every track rests at the identity.
    uint64_t frame = frames == 0 ? 0 : atTime % frames;
    for (const ZeltoAnimation::Frames& track : tracks)
        pose.push_back(frame < track.size() ? track[frame] : GLKMatrix4Identity);
    return pose;
}
