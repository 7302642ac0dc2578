#pragma once

// An object's face lines, from the lines as read to faces in material order.

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "MQAProgress.h"
#include "MQAReader.h"
#include "SceneLines.h"
#include "ZeltoFace.h"
#include "ZeltoMaterial.h"
#include "ZeltoVertex.h"

namespace scene {

// Where lines of a list are in the file: a list's lines follow one another unless
// comment or blank lines come between them.
class LineNumbers {
public:
    void add(size_t index, uint64_t fileLine);
    uint64_t fileLine(size_t index) const;
    void append(const LineNumbers& later, size_t offset);

private:
    std::vector<std::pair<size_t, uint64_t>> _jumps;  // where a run of consecutive lines starts
};

// The face lines of one object's face block, as the reader hands them over. A block read
// in halves keeps each half's lines where they were read.
class FaceList : public MQALineVisitor {
public:
    // Lines at `depth` are the list's; `polygons` keeps all the corners of longer lines
    // (lenient reading); room for `expected` lines is made up front.
    FaceList(uint32_t depth, bool polygons, size_t expected);
    void line(const MQALine& line, uint32_t depth) override;
    // Takes the lines of a list that followed this one's.
    void absorb(FaceList& later);
    // Gives back room a claimed count made that the lines read do not take.
    void close();

    size_t size() const { return _count; }
    // The room made up front.
    size_t expected() const { return _expected; }
    // Whether a line names a material not among the first `count`, or none when there are none.
    bool needsMaterialPast(size_t count) const;

private:
    friend class FaceResolver;
    struct Piece {
        std::vector<RawFace> faces;
        std::vector<PolygonCorner> corners;
    };
    std::vector<Piece> _pieces;
    size_t _count = 0;
    size_t _expected;
    LineNumbers _lines;
    uint32_t _depth;
    bool _polygons;
};

struct ResolvedFaces {
    std::vector<ZeltoFace> faces;          // in material order
    std::vector<uint32_t> documentOrder;   // each face's place, in document order
    size_t defaulted = 0;                  // lines that took the default material
    uint64_t firstDefaultedLine = 0;
    size_t approximated = 0;               // polygons split only approximately, not being simple
    uint64_t firstApproximatedLine = 0;
};

// Checks each face line against the vertices and materials it names, in line order,
// and puts its faces in material order; the pieces of a polygon of more than four
// corners follow one another (one that is not simple is split approximately, and
// counted). A line whose material cannot be used takes `fallback` (the last of
// `materials`) when there is one. Otherwise, and for a vertex it cannot use, the first
// bad line throws SceneError, named after `label` ("Object \"o\""). Stops with
// MQACancelled within a few milliseconds of `progress` being cancelled.
ResolvedFaces resolveFaces(const FaceList& list, std::span<const ZeltoVertex> vertices,
                           const std::vector<ZeltoMaterial>& materials, bool fallback, const std::string& label,
                           MQAProgress* progress);

}  // namespace scene
