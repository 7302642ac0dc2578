#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "MQAProgress.h"
#include "RenderGL.h"

class ZeltoFace;
class ZeltoMaterial;
class ZeltoModel;
struct ZeltoVertex;

// A model's faces as indexed triangles in one interleaved array, for drawing each run
// of faces that share a material with one call. The arrays live in OpenGL buffer
// objects, so a frame whose pose has not changed sends no vertex data at all.
//
// Every polygon corner becomes an array element holding its texture coordinates, its
// normal negated and its vertex's posed position, exactly what the per-face path sends.
// Corners that would send the same values (one vertex, one shared normal, one texture
// coordinate) share an element. A polygon of n corners becomes the triangles of corners
// (i, i+1, 0), i = 1 .. n-2, which rasterise bit for bit like the polygon; a two-corner
// face adds no triangle but still takes part in the runs, so material changes stay the
// same as face by face.
class ModelArrays {
public:
    // GL_T2F_N3F_V3F layout.
    struct Element {
        GLfloat s, t;
        GLfloat nx, ny, nz;
        GLfloat x, y, z;
    };
    // Consecutive faces with one material: their triangles' indices.
    struct Run {
        const ZeltoMaterial* material;
        uint32_t firstIndex;
        uint32_t indexCount;
    };

    // Lays the model's faces out in their order; positions and normals are filled by
    // refill().
    // With `progress`, stops with MQACancelled soon after it is cancelled.
    explicit ModelArrays(const ZeltoModel& model, const MQAProgress* progress = nullptr);
    // Deletes the buffers: the context they were made in must be current.
    ~ModelArrays();
    ModelArrays(const ModelArrays&) = delete;
    ModelArrays& operator=(const ModelArrays&) = delete;

    // Copies the model's current posed positions and normals; the model must be the one
    // laid out. Allocates nothing.
    void refill(const ZeltoModel& model);

    std::span<const Element> elements() const { return _elements; }
    std::span<const uint32_t> indices() const { return _indices; }
    std::span<const Run> runs() const { return _runs; }

    // Copies the elements into their buffer (made, with the index buffer, the first
    // time); call after refill(), with the context current. False, with no buffers
    // kept, when OpenGL could not take them (out of memory).
    bool upload();
    bool isUploaded() const { return _elementBuffer != 0; }
    // Points the vertex, normal and texture coordinate arrays at the uploaded elements.
    void bindArrays() const;
    // Draws one run's triangles from the bound arrays; nothing for an empty run.
    void drawRun(const Run& run) const;
    // Leaves the three client arrays disabled and no buffer bound.
    static void unbindArrays();

private:
    // Where an element takes its values from: a corner of a face.
    struct Source {
        uint32_t face;
        uint32_t corner;
    };

    std::vector<Element> _elements;
    std::vector<Source> _sources;
    std::vector<uint32_t> _indices;
    std::vector<Run> _runs;
    GLuint _elementBuffer = 0;
    GLuint _indexBuffer = 0;
};

// The edges of a model's polygons, each once, as pairs of positions in its vertex list:
// what a wireframe draws. Edges inside a polygon split into pieces are left out.
std::vector<uint32_t> polygonEdges(const ZeltoModel& model);
