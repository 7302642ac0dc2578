#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "MQAProgress.h"

class ZeltoMaterial;
class ZeltoModel;

// What a model's triangle runs keep besides its triangles, and what they leave out.
struct TriangleRunChoices {
    bool lines = false;  // two-corner faces, as runs of lines
    // Faces with a corner whose stored position is not a finite point are left out.
    bool finiteFacesOnly = false;
};

// A model's faces flattened into runs of indexed triangles: a run for each stretch of
// faces with one material, in the model's face order, for one draw call or one exported
// primitive. Each run's elements are numbered one after another; an element stands for
// a corner, and corners that would carry the same values (one vertex, one shared normal,
// one texture coordinate) share an element within a run. Only the corners are listed:
// the values come from whichever pose the caller draws or writes.
//
// A polygon of n corners becomes the triangles of corners (i, i+1, 0), i = 1 .. n-2,
// which rasterise bit for bit like the polygon drawn whole and keep its winding. A
// two-corner face adds no triangle, but its stretch still makes a run, so material
// changes come where they come face by face; asked for, the two-corner faces of a
// stretch make a run of lines of their own, after its triangles.
class TriangleRuns {
public:
    // Where an element takes its values from: corner `corner` of face `face` (a position
    // in the model's face list).
    struct Corner {
        uint32_t face;
        uint32_t corner;
    };
    struct Run {
        const ZeltoMaterial* material;
        uint32_t firstIndex;  // in indices(): three a triangle, or two a line
        uint32_t indexCount;
        uint32_t firstElement;
        uint32_t elementCount;
        bool lines;  // two-corner faces rather than triangles
    };
    using Choices = TriangleRunChoices;

    // With `progress`, stops with MQACancelled soon after it is cancelled.
    explicit TriangleRuns(const ZeltoModel& model, Choices choices = {}, const MQAProgress* progress = nullptr);

    std::span<const Corner> elements() const { return _elements; }
    // Elements by their number in the whole list.
    std::span<const uint32_t> indices() const { return _indices; }
    std::span<const Run> runs() const { return _runs; }
    // How many faces were left out for a corner that is not a finite point.
    uint64_t facesLeftOut() const { return _leftOut; }

private:
    // The faces [begin, end) of one material as a run: those of three and four corners
    // as triangles, or those of two as lines.
    void addRun(const ZeltoModel& model, uint32_t begin, uint32_t end, bool lines);
    // The element of a corner: one of the run's that carries the same values, or a new one.
    uint32_t elementFor(const ZeltoModel& model, uint32_t face, int32_t corner, uint32_t runStart);
    // Whether the face goes in, counting those left out.
    bool takes(const ZeltoModel& model, uint32_t face);

    Choices _choices;
    std::vector<Corner> _elements;
    std::vector<uint32_t> _indices;
    std::vector<Run> _runs;
    uint64_t _leftOut = 0;
    // While laying out: a vertex's elements that may be shared, newest first.
    std::vector<uint32_t> _firstOfVertex;
    std::vector<uint32_t> _nextOfElement;
};
