#include "SceneSummary.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "Metasequoia.h"
#include "SceneFigures.h"

namespace {

// printf into a string, of any length.
[[gnu::format(printf, 2, 3)]] void appendf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    char buffer[256];
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;  // an encoding error: nothing to add
    }
    if (static_cast<size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<size_t>(n));
    } else {
        size_t at = out.size();
        out.resize(at + static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data() + at, static_cast<size_t>(n) + 1, format, again);
        out.resize(at + static_cast<size_t>(n));
    }
    va_end(again);
}

// "1 quad", "2 quads".
std::string count(uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "(64 triangles, 1 quad)": the kinds present.
std::string kinds(const ShapeCounts& shapes) {
    std::string parts;
    auto add = [&](uint64_t n, const char* one, const char* many) {
        if (!n) return;
        if (!parts.empty()) parts += ", ";
        parts += count(n, one, many);
    };
    add(shapes.lines, "two-corner polygon", "two-corner polygons");
    add(shapes.triangles, "triangle", "triangles");
    add(shapes.quads, "quad", "quads");
    return parts.empty() ? std::string() : " (" + parts + ")";
}

bool fileExists(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::string sceneSummary(const Metasequoia& scene, const std::string& displayName, const zelto::DocumentFiles& files) {
    std::string out;
    SceneFigures figures = sceneFigures(scene);
    appendf(out, "%s: %s, %s, %s%s, %s\n", displayName.c_str(),
            count(figures.objects, "object", "objects").c_str(),
            count(figures.vertices, "vertex", "vertices").c_str(),
            count(figures.polygons.total(), "polygon", "polygons").c_str(), kinds(figures.polygons).c_str(),
            count(figures.materials, "material", "materials").c_str());
    if (figures.bounds) {
        GLKVector3 low = figures.bounds->low, high = figures.bounds->high, size = figures.bounds->size();
        appendf(out, "Bounding box: (%g, %g, %g) to (%g, %g, %g), size %g x %g x %g\n", low.x, low.y,
                low.z, high.x, high.y, high.z, size.x, size.y, size.z);
    }

    if (!scene.materials().empty()) out += "Materials:\n";
    for (size_t i = 0; i < scene.materials().size(); ++i) {
        const ZeltoMaterial& m = scene.materials()[i];
        Color c = m.color();
        appendf(out, "  %zu \"%s\": colour (%g, %g, %g), alpha %g", i, m.name().c_str(), c.r, c.g, c.b, c.a);
        if (!m.textureName().empty()) {
            zelto::DocumentFiles::Found found = files.find(m.textureName());
            std::string location = found.found() ? found.path : files.besideDocument(m.textureName());
            if (!found.entry.empty()) location = files.documentPath().value_or(displayName) + ":" + found.entry;
            // Found ignoring case: the note says which file of how many.
            appendf(out, ", texture \"%s\" at %s (%s%s)", m.textureName().c_str(), location.c_str(),
                    fileExists(location) || !found.entry.empty() ? "found" : "missing",
                    found.note.empty() ? "" : ("; " + found.note).c_str());
        }
        out += "\n";
    }

    if (!scene.models().empty()) out += "Objects:\n";
    for (const ZeltoModel& model : scene.models()) {
        ShapeCounts own;
        own.add(model);
        appendf(out, "  object %d \"%s\": %s, %s%s, smoothing angle %g°, %s\n", model.number(),
                model.name().c_str(), count(model.vertices().size(), "vertex", "vertices").c_str(),
                count(own.total(), "polygon", "polygons").c_str(), kinds(own).c_str(), model.facet(),
                count(model.normals().size(), "shared normal", "shared normals").c_str());
        for (const ZeltoAnimation& animation : model.animations())
            appendf(out, "    animation \"%s\": %s\n", animation.name().c_str(),
                    count(animation.count(), "frame", "frames").c_str());
    }

    if (!scene.bones().empty()) out += "Bone animations:\n";
    for (const ZeltoAnimation& animation : scene.bones())
        appendf(out, "  \"%s\": %s, %s\n", animation.name().c_str(),
                count(animation.count(), "track", "tracks").c_str(),
                count(animation.frameCount(), "frame", "frames").c_str());

    std::vector<std::string> names = scene.animationNames();
    if (!names.empty()) {
        out += "Animation names:";
        for (size_t i = 0; i < names.size(); ++i) out += (i ? ", \"" : " \"") + names[i] + "\"";
        out += "\n";
    }
    return out;
}
