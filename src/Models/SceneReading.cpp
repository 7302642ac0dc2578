#include "SceneReading.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "FileBytes.h"
#include "MQACompat.h"
#include "MQAReader.h"
#include "MQAUTF8.h"
#include "SceneBuilder.h"

namespace scene {

Metasequoia SceneReading::read(std::string_view text, bool lenient, MQAProgress* progress,
                               std::vector<MQAWarning> warnings, const std::function<void()>& release) {
    SceneBuilder builder(lenient);
    MQAReadOptions options;
    options.lenient = lenient;
    options.progress = progress;
    MQAReadResult read = mqa::readDocument(text, builder, options);
    release();  // the models need memory more than the text does
    // Every byte is read; what follows is building the models.
    if (progress) progress->reached(progress->bytesTotal());
    SceneParts parts = builder.build(progress);
    Metasequoia scene{Metasequoia::Built{}};
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

Metasequoia SceneReading::fromBytes(std::string_view bytes, MQAReading reading, MQAProgress* progress,
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

}  // namespace scene

Metasequoia Metasequoia::initWithString(std::string_view text) {
    return scene::SceneReading::read(text, false, nullptr, {}, [] {});
}

Metasequoia Metasequoia::initWithData(std::string_view bytes, MQAReading reading) {
    return scene::SceneReading::fromBytes(bytes, reading, nullptr, [] {}, [] {});
}

Metasequoia Metasequoia::initWithData(zelto::DocumentBytes&& bytes, MQAReading reading, MQAProgress* progress,
                                      std::exception_ptr* strictFailure) {
    auto checkWhole = [&] {
        if (bytes.truncated()) throw std::runtime_error("The file changed while it was read.");
    };
    return scene::SceneReading::fromBytes(bytes.view(), reading, progress, [&] { bytes.release(); }, checkWhole,
                                          strictFailure);
}

