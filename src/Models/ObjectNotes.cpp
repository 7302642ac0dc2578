#include "SceneReading.h"
#include "ScenePasses.h"

namespace scene {
namespace {

// Value 0 of the first parameter of the first line of that name; none without one.
std::optional<int32_t> intSetting(const MQABlock& block, std::string_view name) {
    const MQAAttribute* line = block.attributeForName(name);
    if (!line || line->params().empty() || line->params()[0].count() == 0) return std::nullopt;
    return line->params()[0].intValueAtIndex(0);
}

uint64_t lineOf(const MQABlock& block, std::string_view name, uint64_t fallback) {
    const MQAAttribute* line = block.attributeForName(name);
    return line && line->sourceLine() ? line->sourceLine() : fallback;
}

}  // namespace

ObjectNotes readObjectNotes(const MQABlock& body) {
    ObjectNotes notes;
    for (const MQAAttribute& chunk : body.attributes()) {
        if (!chunk.hasName("object")) continue;
        ObjectDisplay display;
        const MQABlock* block = chunk.block();
        if (!block) {
            notes.displays.push_back(display);
            continue;
        }
        std::string object = "Object";
        if (!chunk.params().empty() && chunk.params()[0].type() == MQAParamTypeString &&
            chunk.params()[0].count() > 0)
            object.append(" ").append(quoted(chunk.params()[0].stringValueAtIndex(0)));
        if (intSetting(*block, "visible") == 0) {
            display.visible = false;
            notes.warnings.push_back({lineOf(*block, "visible", chunk.sourceLine()),
                                      object + " is hidden in the modeller (\"visible 0\"); it is drawn"});
        }
        if (int32_t mirror = intSetting(*block, "mirror").value_or(0); mirror != 0) {
            display.mirrorAxes = intSetting(*block, "mirror_axis").value_or(1) & 7;
            if (display.mirrorAxes == 0) display.mirrorAxes = 1;
            notes.warnings.push_back({lineOf(*block, "mirror", chunk.sourceLine()),
                                      object + " is mirrored in the modeller (\"mirror " +
                                          std::to_string(mirror) +
                                          "\"); only the half it stores is drawn"});
        }
        if (const MQAAttribute* bvertex = block->attributeForName("bvertex"))
            notes.warnings.push_back({bvertex->sourceLine() ? bvertex->sourceLine() : chunk.sourceLine(),
                                      object + " keeps vertices in a \"BVertex\" block, which is not "
                                               "read"});
        notes.displays.push_back(display);
    }
    return notes;
}

}  // namespace scene
