#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "MQAProgress.h"
#include "RenderGL.h"
#include "TriangleRuns.h"

class PoseView;
class ZeltoModel;

// A model's faces as indexed triangles in one interleaved array (the model's triangle
// runs, TriangleRuns), for drawing each run of faces that share a material with one
// call. The arrays live in OpenGL buffer objects, so a frame whose pose has not changed
// sends no vertex data at all.
//
// Every element holds its corner's texture coordinates, its normal negated and its
// vertex's posed position, exactly what the per-face path sends; the triangles keep the
// corners (i, i+1, 0) of each polygon, which rasterise bit for bit like the polygon.
class ModelArrays {
public:
    // GL_T2F_N3F_V3F layout.
    struct Element {
        GLfloat s, t;
        GLfloat nx, ny, nz;
        GLfloat x, y, z;
    };
    using Run = TriangleRuns::Run;

    // Lays the model's faces out in their order; positions and normals are filled by
    // refill(). With `progress`, stops with MQACancelled soon after it is cancelled.
    explicit ModelArrays(const ZeltoModel& model, const MQAProgress* progress = nullptr);
    // Deletes the buffers: the context they were made in must be current.
    ~ModelArrays();
    ModelArrays(const ModelArrays&) = delete;
    ModelArrays& operator=(const ModelArrays&) = delete;

    // Copies the posed positions and normals of a pose of the model laid out (by default
    // the model's own). Allocates nothing.
    void refill(const ZeltoModel& model, const PoseView& pose);
    void refill(const ZeltoModel& model);

    std::span<const Element> elements() const { return _elements; }
    std::span<const uint32_t> indices() const { return _layout.indices(); }
    std::span<const Run> runs() const { return _layout.runs(); }

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
    TriangleRuns _layout;
    std::vector<Element> _elements;
    GLuint _elementBuffer = 0;
    GLuint _indexBuffer = 0;
};

// The edges of a model's polygons, each once, as pairs of positions in its vertex list:
// what a wireframe draws. Edges inside a polygon split into pieces are left out.
std::vector<uint32_t> polygonEdges(const ZeltoModel& model);
