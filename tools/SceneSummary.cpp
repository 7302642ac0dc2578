#include "SceneSummary.h"

#include <cstdio>

#include "Metasequoia.h"

namespace {

void appendf(std::string& out, const char* format, auto... args) {
    char buffer[1024];
    int n = std::snprintf(buffer, sizeof buffer, format, args...);
    out.append(buffer, static_cast<size_t>(std::min<int>(n, sizeof buffer - 1)));
}

}  // namespace

std::string sceneSummary(const Metasequoia& scene) {
    std::string out;
    appendf(out, "Materials: %zu\n", scene.materials().size());
    for (size_t i = 0; i < scene.materials().size(); ++i) {
        const ZeltoMaterial& m = scene.materials()[i];
        Color c = m.color();
        appendf(out, "  %zu \"%s\" colour (%g, %g, %g, %g)", i, m.name().c_str(), c.r, c.g, c.b, c.a);
        if (!m.textureName().empty()) appendf(out, " texture \"%s\"", m.textureName().c_str());
        out += "\n";
    }
    appendf(out, "Objects: %zu\n", scene.models().size());
    for (const ZeltoModel& model : scene.models()) {
        size_t byCorners[5] = {};
        for (const ZeltoFace& face : model.faces()) ++byCorners[face.count()];
        appendf(out, "  #%d \"%s\": facet %g, %zu vertices, %zu faces (%zu lines, %zu triangles, "
                     "%zu quads), %zu shared normals\n",
                model.number(), model.name().c_str(), model.facet(), model.vertices().size(),
                model.faces().size(), byCorners[2], byCorners[3], byCorners[4], model.normals().size());
        for (const ZeltoAnimation& animation : model.animations())
            appendf(out, "    animation \"%s\": %llu frames\n", animation.name().c_str(),
                    static_cast<unsigned long long>(animation.count()));
    }
    appendf(out, "Bone animations: %zu\n", scene.bones().size());
    for (const ZeltoAnimation& animation : scene.bones())
        appendf(out, "  \"%s\": %llu tracks, %llu frames\n", animation.name().c_str(),
                static_cast<unsigned long long>(animation.count()),
                static_cast<unsigned long long>(animation.frameCount()));
    out += "Animation names:";
    for (const std::string& name : scene.animationNames()) out += " \"" + name + "\"";
    out += "\n";
    return out;
}
