#include "ObjectDisplay.h"

#include <bit>

#include "Metasequoia.h"

MirrorCopies::MirrorCopies(int32_t mirrorAxes) {
    for (int32_t across = 1; across <= 7; ++across) {
        if ((across & mirrorAxes) != across) continue;
        GLKVector3 scale{across & 1 ? -1.0f : 1.0f, across & 2 ? -1.0f : 1.0f, across & 4 ? -1.0f : 1.0f};
        _copies[_count++] = {across, scale, std::popcount(static_cast<unsigned>(across)) % 2 == 1};
    }
}

std::vector<MQAWarning> displayNotes(const Metasequoia& scene, DisplayChoice choice) {
    std::vector<MQAWarning> notes;
    for (const ObjectDisplay& display : scene.objectDisplays()) {
        if (!display.visible && !choice.hideInvisible)
            notes.push_back({display.visibleLine,
                             display.noteName + " is hidden in the modeller (\"visible 0\"); it is drawn"});
        if (display.mirrorAxes != 0 && !choice.drawMirroredHalves)
            notes.push_back({display.mirrorLine, display.noteName + " is mirrored in the modeller (\"mirror " +
                                                     std::to_string(display.mirror) +
                                                     "\"); only the half it stores is drawn"});
    }
    return notes;
}

std::vector<MQAWarning> warningsAsDrawn(const Metasequoia& scene, DisplayChoice choice) {
    std::vector<MQAWarning> warnings = scene.warnings();
    std::vector<MQAWarning> notes = displayNotes(scene, choice);
    warnings.insert(warnings.end(), notes.begin(), notes.end());
    return warnings;
}
