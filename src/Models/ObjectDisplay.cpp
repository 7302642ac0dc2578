#include "ObjectDisplay.h"

#include "Metasequoia.h"

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
