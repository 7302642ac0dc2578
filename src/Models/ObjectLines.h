#pragma once

// The lines of an object's vertex and face lists, as the object pass turns them into
// vertices and faces: one conversion whether the lines come from the tree or are handed
// over while the document is read (ObjectListSinks), so both give the same scene and
// the same errors.

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "MQALineSink.h"
#include "SceneReading.h"
#include "ZeltoVertex.h"

namespace scene {

// "Object \"body\"": how messages name an object, from its chunk's first parameter.
std::string objectLabel(const MQAAttribute& chunk, size_t number);

// One vertex line: value 0 of parameters 0 to 2 as the position, value 0 of "b" as the
// bone (-1 without one).
ZeltoVertex vertexOfLine(const SceneLine& line, const Place& where);

// One face line as read, before the vertices and materials it refers to are known.
struct RawFace {
    enum MaterialState : uint8_t { kNoMaterial, kMaterial, kMaterialWithoutValue };
    int32_t material = 0;  // value 0 of "m"
    MaterialState materialState = kNoMaterial;
    uint8_t corners = 0;   // values of "v", at most 4
    uint8_t coordinates = 0;  // values of "uv", at most 8
    std::array<int32_t, 4> vertex{};
    std::array<float, 8> uv{};
};
RawFace rawFaceOfLine(const SceneLine& line);

// A list's face lines as read, in pieces: a list read in two halves keeps each half's
// lines where they were read rather than copying the second after the first.
class RawFaces {
public:
    void append(std::vector<RawFace>&& piece) {
        if (!piece.empty()) _pieces.push_back(std::move(piece));
    }
    void append(RawFaces&& later) {
        for (std::vector<RawFace>& piece : later._pieces) append(std::move(piece));
        later.clear();
    }
    size_t size() const {
        size_t count = 0;
        for (const std::vector<RawFace>& piece : _pieces) count += piece.size();
        return count;
    }
    const RawFace& operator[](size_t i) const {
        for (const std::vector<RawFace>& piece : _pieces) {
            if (i < piece.size()) return piece[i];
            i -= piece.size();
        }
        return _pieces.back()[i];  // out of range, as a vector's [] would be
    }
    // Lets the memory go.
    void clear() { std::vector<std::vector<RawFace>>().swap(_pieces); }

private:
    std::vector<std::vector<RawFace>> _pieces;
};

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

// A list's first error, kept until the scene is built: what is wrong, the line's place
// in the file and its position in the list (the message counts lines from 1).
struct DeferredError {
    bool present = false;
    size_t index = 0;
    std::string what;
    std::optional<MQAPlace> place;
};

// Receives the vertex lines of one object.
class VertexLines : public MQALineSink {
public:
    VertexLines(std::string object, size_t expected);
    void line(std::optional<std::string_view> name, std::span<const MQAParam> params,
              uint64_t fileLine) override;
    const char* takeSimpleLine(const char* p, const char* end, uint64_t fileLine) override;
    std::unique_ptr<MQALineSink> forLaterLines() override;
    void takeLaterLines(MQALineSink& later) override;

    // The vertices, or the first line's error.
    std::vector<ZeltoVertex> take();

private:
    std::string _object;
    size_t _expected;  // the list's stated length, for the sink of its later lines
    std::vector<ZeltoVertex> _vertices;
    DeferredError _error;
};

// Receives the face lines of one object.
class FaceLines : public MQALineSink {
public:
    FaceLines(std::string object, size_t expected);
    void line(std::optional<std::string_view> name, std::span<const MQAParam> params,
              uint64_t fileLine) override;
    const char* takeSimpleLine(const char* p, const char* end, uint64_t fileLine) override;
    std::unique_ptr<MQALineSink> forLaterLines() override;
    void takeLaterLines(MQALineSink& later) override;

    // The faces read, which leave this sink.
    RawFaces takeFaces();
    const LineNumbers& lines() const { return _lines; }

private:
    std::string _object;
    size_t _expected;
    RawFaces _earlier;          // pieces before the one being read into
    size_t _earlierCount = 0;
    std::vector<RawFace> _faces;  // the piece being read into
    LineNumbers _lines;
};

// Picks the first vertex and face list of every object chunk of the body, to be read
// straight into these sinks.
class ObjectListSinks : public MQASinkChooser {
public:
    struct Lists {
        std::unique_ptr<VertexLines> vertices;
        std::unique_ptr<FaceLines> faces;
    };

    MQALineSink* sinkFor(const MQAAttribute& owner, size_t depth,
                         const std::vector<MQAAttribute>& enclosingSoFar) override;
    // The lists of the object chunk that is the `index`th of the body (from 0).
    Lists* forObject(size_t index);

private:
    std::vector<Lists> _objects;
    std::optional<size_t> _current;  // the object chunk being read
    std::string _label;
};

}  // namespace scene
