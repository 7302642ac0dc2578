#pragma once

// A scene written out in full as text, to compare scenes read in different ways.

#include <cstdio>
#include <string>

#include "MQAReader.h"
#include "Metasequoia.h"
#include "SceneBuilder.h"

inline std::string dumpScene(const Metasequoia& scene) {
    std::string out;
    auto number = [&](float value) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%a ", static_cast<double>(value));
        out += buffer;
    };
    for (const ZeltoMaterial& m : scene.materials()) {
        out += "material " + m.name() + " " + m.textureName() + " ";
        Color c = m.color();
        for (float v : {c.r, c.g, c.b, c.a, m.diffuse(), m.ambient(), m.emissive(), m.specular(), m.power()})
            number(v);
        out += "\n";
    }
    for (const ZeltoModel& model : scene.models()) {
        out += "model " + model.name() + " ";
        number(model.facet());
        out += "\n";
        for (const ZeltoVertex& v : model.vertices()) {
            for (float x : {v.pos.x, v.pos.y, v.pos.z}) number(x);
            out += std::to_string(v.bone) + "\n";
        }
        for (const ZeltoFace& face : model.faces()) {
            // Appended piece by piece: GCC 12 warns wrongly about "x" + std::to_string(...).
            out.append("face ").append(std::to_string(face.material() ? face.material() - scene.materials().data() : -1));
            for (int32_t k = 0; k < face.count(); ++k) {
                out.append(" ").append(std::to_string(face.corner(k).vertex)).append(" ");
                number(face.corner(k).uv.x);
                number(face.corner(k).uv.y);
            }
            out += "\n";
        }
        for (const ZeltoAnimation& animation : model.animations())
            out.append("animation ").append(animation.name()).append(" ").append(std::to_string(animation.count())).append("\n");
    }
    for (const ZeltoAnimation& bones : scene.bones()) {
        out += "bones " + bones.name();
        for (const auto& track : bones.tracks()) out.append(" ").append(std::to_string(track.size()));
        out += "\n";
    }
    for (const MQAWarning& warning : scene.warnings())
        out.append("warning ").append(std::to_string(warning.line)).append(" ").append(warning.message).append("\n");
    return out;
}

// The scene's parts read with lists in halves from `halvesFrom` bytes on, or the error
// with its place.
inline std::string partsOutcome(std::string_view text, size_t halvesFrom) {
    try {
        scene::SceneBuilder builder(false);
        MQAReadOptions options;
        options.halvesFrom = halvesFrom;
        MQAReadResult read = mqa::readDocument(text, builder, options);
        scene::SceneParts parts = builder.build(nullptr);
        std::string out;
        for (const ZeltoModel& model : parts.models) {
            out += model.name() + "\n";
            for (const ZeltoVertex& v : model.vertices()) out += std::to_string(v.pos.x) + " " + std::to_string(v.bone) + "\n";
            for (const ZeltoFace& face : model.faces())
                for (int32_t k = 0; k < face.count(); ++k)
                    out += std::to_string(face.corner(k).vertex) + " " + std::to_string(face.corner(k).normal) + " " +
                           std::to_string(face.corner(k).uv.x) + "\n";
        }
        for (const MQAWarning& w : read.warnings) out += std::to_string(w.line) + " " + w.message + "\n";
        return out;
    } catch (const std::exception& error) {
        std::optional<MQAPlace> place = placeOfError(error);
        return std::string("error: ") + error.what() +
               (place ? " " + std::to_string(place->line) + ":" + std::to_string(place->column) : std::string());
    }
}
