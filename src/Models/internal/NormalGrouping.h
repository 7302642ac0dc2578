#pragma once

// The grouping of the corners at a vertex into shared smooth normals.

#include <cstdint>
#include <functional>
#include <span>
#include <unordered_map>
#include <vector>

#include "CancelCheck.h"
#include "FacetTest.h"
#include "GLKMath.h"
#include "ZeltoNormal.h"

// Groups the corners at one vertex at a time. For each vertex, its corners (in the
// grouping order of faces) are split greedily: the first remaining corner seeds a
// group, every remaining corner whose face normal is within the smoothing angle of the
// seed's (or equal to it) joins, and a group of two or more faces gets a shared normal;
// a seed left alone is flat there. The pieces of one polygon count as one face.
//
// Corners whose faces have equal normals join and leave together, so they are handled
// as one; the normals a seed could take are found in a grid of cells. Each seed looks
// at a bounded number of normals it does not take whenever the smoothing angle is clear
// of rounding (about 0.1 degrees or more, or none at all), so a vertex of n corners takes
// O(n log n) time.
class NormalGrouper {
public:
    // Gives corner `entry` (face << 2 | corner) its normal: a shared normal's index, or
    // ZeltoCorner::kNormalFlat.
    using SetLink = std::function<void(uint32_t entry, uint32_t link)>;
    // `pieceOf`: for each face, the first face of the polygon it is a piece of, or
    // UINT32_MAX (empty when there are no polygons). Shared normals are added to
    // `normals`, their faces to `normalFaces`; the work is noted with `cancel`.
    NormalGrouper(std::span<const GLKVector3> faceNormals, const FacetTest& test, std::span<const uint32_t> pieceOf,
                  SetLink setLink, std::vector<ZeltoNormal>& normals, std::vector<uint32_t>& normalFaces,
                  scene::CancelCheck& cancel);

    // `entries`: the corners at one vertex, as face << 2 | corner, in grouping order.
    void group(std::span<const uint32_t> entries);

private:
    // Corners whose faces' normals are equal.
    struct Kind {
        GLKVector3 normal;
        uint32_t first, count;  // its corners: _members[first] on
        bool taken;
    };

    GLKVector3 normalOf(uint32_t entry) const { return _faceNormals[entry >> 2]; }
    bool joins(GLKVector3 seed, GLKVector3 f) const;
    void finishGroup(std::span<const uint32_t> entries, const std::vector<uint32_t>& group);
    void groupFew(std::span<const uint32_t> entries);
    void groupByKinds(std::span<const uint32_t> entries);
    void sortIntoKinds(std::span<const uint32_t> entries);
    void indexKinds();
    // Takes the kinds in `list` that join a seed of normal s (all of them when `all`).
    void takeFrom(std::vector<uint32_t>& list, GLKVector3 s, bool all);
    int32_t cellOf(float coordinate) const;

    std::span<const GLKVector3> _faceNormals;
    const FacetTest& _test;
    std::span<const uint32_t> _pieceOf;
    SetLink _setLink;
    std::vector<ZeltoNormal>& _normals;
    std::vector<uint32_t>& _normalFaces;
    scene::CancelCheck& _cancel;
    float _radius, _cell;
    bool _acceptsAny, _acceptsZero;
    // Scratch, kept from one vertex to the next.
    std::vector<uint32_t> _group, _taken;
    std::vector<uint8_t> _takenFew;
    std::vector<Kind> _kinds;
    std::vector<uint32_t> _members, _kindOf, _zeros, _others, _remaining;
    std::unordered_map<uint64_t, std::vector<uint32_t>> _cells;
};
