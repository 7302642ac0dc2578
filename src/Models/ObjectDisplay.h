#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "GLKMath.h"
#include "MQAException.h"
#include "MQAFile.h"

class Metasequoia;

// How the modeller shows an object, which the scene itself does not use: whether the
// object is visible, and the axes it is mirrored across about its own origin (bits 1,
// 2 and 4 for x, y and z; 0 when it is not mirrored). The rest says where the document
// says so, for notes: the lines of "visible 0" and "mirror", the "mirror" value, and
// the object's name as notes give it.
struct ObjectDisplay {
    bool visible = true;
    int32_t mirrorAxes = 0;
    uint64_t visibleLine = 0, mirrorLine = 0;
    int32_t mirror = 0;
    std::string noteName = "Object";
    bool operator==(const ObjectDisplay&) const = default;
};

// The copies a mirrored object shows besides the half it stores, about its own origin:
// one for each set of its mirror axes, the stored half scaled by -1 across the set's
// axes, and turned inside out (its faces wound the other way) where they are odd in
// number. In the order x, y, xy, z, xz, yz, xyz.
struct MirrorCopy {
    int32_t across = 0;  // axis bits, as ObjectDisplay::mirrorAxes
    GLKVector3 scale;
    bool turned = false;
};
class MirrorCopies {
public:
    explicit MirrorCopies(int32_t mirrorAxes);
    const MirrorCopy* begin() const { return _copies.data(); }
    const MirrorCopy* end() const { return _copies.data() + _count; }

private:
    std::array<MirrorCopy, 7> _copies;
    size_t _count = 0;
};

// Whether a picture shows objects as the modeller does: their mirrored halves drawn,
// the objects it hides left out. Both off is the scene as stored.
struct DisplayChoice {
    bool drawMirroredHalves = false;
    bool hideInvisible = false;
    bool operator==(const DisplayChoice&) const = default;
    // As the modeller shows the objects.
    static constexpr DisplayChoice asModelled() { return {true, true}; }
    // What a picture shows unless told otherwise: a document read strictly as stored,
    // one read for compatibility as its modeller shows it.
    static constexpr DisplayChoice forReading(MQAReading reading) {
        return reading == MQAReading::Compatible ? asModelled() : DisplayChoice{};
    }
};

// Notes on the objects a picture with this choice shows otherwise than the modeller does,
// in object order, each at the line that says how the modeller shows it.
std::vector<MQAWarning> displayNotes(const Metasequoia& scene, DisplayChoice choice);
// The scene's reading warnings followed by the display notes for the choice.
std::vector<MQAWarning> warningsAsDrawn(const Metasequoia& scene, DisplayChoice choice);
