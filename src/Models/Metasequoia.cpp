#include "Metasequoia.h"

#include <algorithm>
#include <stdexcept>

#include "FileBytes.h"
#include "MQAFile.h"
#include "MQAFileReading.h"
#include "MQAMemory.h"
#include "MQAUTF8.h"
#include "ObjectLines.h"
#include "ScenePasses.h"

Metasequoia::Metasequoia() {
    _materials.reserve(10);
    _models.reserve(10);
    _bones.reserve(10);
}

Metasequoia Metasequoia::initWithString(std::string_view text) {
    return initWithString(std::string(text));
}

Metasequoia Metasequoia::initWithString(std::string&& text) {
    scene::ObjectListSinks sinks;
    MQAReadOptions options;
    options.chooser = &sinks;
    return fromFile(mqa::readDocument(std::move(text), options), &sinks);
}

Metasequoia Metasequoia::initWithStringReadingWholeTree(std::string&& text) {
    return fromFile(MQAFile::initWithString(std::move(text)));
}

Metasequoia Metasequoia::fromFile(MQAFile&& document, scene::ObjectListSinks* sinks) {
    Metasequoia scene{Built{}};
    {
        MQAFile file = std::move(document);
        scene._warnings = file.warnings();
        scene::ObjectNotes notes = scene::readObjectNotes(file.body());
        scene._displays = std::move(notes.displays);
        scene._warnings.insert(scene._warnings.end(), notes.warnings.begin(), notes.warnings.end());
        std::stable_sort(scene._warnings.begin(), scene._warnings.end(),
                         [](const MQAWarning& a, const MQAWarning& b) { return a.line < b.line; });
        scene._materials = scene::readMaterials(file.body());
        scene._models = scene::readObjects(file.body(), scene._materials, sinks);
        scene._bones = scene::readBoneAnimations(file.body());
    }
    // The tree is gone: its memory goes back now, not when this thread next reads.
    mqa::returnThreadSlab();
    return scene;
}

Metasequoia Metasequoia::initWithData(std::string_view bytes) {
    return initWithData(std::string(bytes));
}

Metasequoia Metasequoia::initWithData(zelto::DocumentBytes&& bytes, MQAReading reading, MQAProgress* progress) {
    uint64_t total = bytes.size();
    if (progress) {
        progress->setTotal(total);
        progress->reached(0);
    }
    if (reading != MQAReading::Strict || !bytes.mapped()) {
        Metasequoia scene = initWithData(std::move(bytes).takeString(), reading);
        if (progress) progress->reached(total);
        return scene;
    }
    auto changed = [] { return std::runtime_error("The file changed while it was read."); };
    scene::ObjectListSinks sinks;
    MQAFile file;
    try {
        mqa::requireUTF8(bytes.view());
        MQAReadOptions options;
        options.chooser = &sinks;
        options.progress = progress;
        file = mqa::readDocument(bytes.data(), bytes.size(), options);
    } catch (const std::exception&) {
        if (bytes.truncated()) throw changed();
        throw;
    }
    if (bytes.truncated()) throw changed();
    bytes.release();  // the models need memory more than the text does
    // Every byte is read; what follows is building the models.
    if (progress) progress->reached(total);
    Metasequoia scene = fromFile(std::move(file), &sinks);
    if (progress) progress->reached(total);
    return scene;
}

Metasequoia Metasequoia::initWithData(std::string&& bytes, MQAReading reading) {
    if (reading == MQAReading::Strict) return initWithData(std::move(bytes));
    // What strict reading accepts, it reads; the rest is read leniently.
    std::string copy = bytes;
    Metasequoia scene;
    try {
        scene = initWithData(std::move(bytes));
    } catch (const std::exception&) {
        scene::ObjectListSinks sinks;
        MQAReadOptions options;
        options.compatibility = true;
        options.chooser = &sinks;
        scene = fromFile(mqa::readDocument(std::move(copy), options), &sinks);
    }
    for (const ZeltoMaterial& material : scene._materials) {
        const std::string& name = material.textureName();
        bool foreign = name.find('\\') != std::string::npos ||
                       (name.size() > 2 && name[1] == ':' && (name[2] == '\\' || name[2] == '/'));
        if (!foreign) continue;
        std::string file = name.substr(name.find_last_of("\\/") + 1);
        scene._warnings.push_back({0, "Material \"" + material.name() + "\": texture \"" + name +
                                          "\" is a path on another machine; it is looked for as \"" +
                                          file + "\" beside the document"});
    }
    return scene;
}

Metasequoia Metasequoia::initWithData(std::string&& bytes) {
    mqa::requireUTF8(bytes);
    return initWithString(std::move(bytes));
}

std::string Metasequoia::stringValue() const { return MQAFile().stringValue(); }

std::optional<std::string> Metasequoia::data() const { return stringValue(); }

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
