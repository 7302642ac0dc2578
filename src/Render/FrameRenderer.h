#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <string>
#include <unordered_map>
#include <vector>

#include "Camera.h"
#include "Framing.h"
#include "GLKMath.h"
#include "ModelArrays.h"
#include "ModelPose.h"

class FramePose;
class Metasequoia;
class TextureLibrary;
class ZeltoFace;
class ZeltoMaterial;
class ZeltoModel;

// How faces reach OpenGL: one polygon at a time in immediate mode, or each run of faces
// that share a material with one array draw. Both give the same pixels.
enum class DrawPath { PerFace, Arrays };

// How frames look, as the window's View menu or the render tool's options choose: off
// unless asked for, the edges of every polygon drawn over the shaded model and faces
// drawn from both sides; on unless asked otherwise, the grid and the axes; the usual
// clear colour unless another is given. The window keeps one for all its frames.
struct FrameLook {
    bool wireframe = false;
    bool backFaces = false;
    bool showGrid = true;
    bool showAxes = true;
    std::optional<Color> background;
};

// What one frame shows, and how it looks.
struct FrameState : FrameLook {
    const Metasequoia* scene = nullptr;  // none: only the grid and axes
    std::optional<std::string_view> animationName;
    uint64_t animationTime = 0;
    Camera camera;
    // The drawing surface in device pixels.
    double backingWidth = 0;
    double backingHeight = 0;
    // Beyond the frame as specified, both off unless asked for: leave out the models the
    // modeller hides, and draw the other halves of models it mirrors.
    bool hideInvisible = false;
    bool drawMirroredHalves = false;
    // None unless asked for: the world of grid and models scaled to suit a model of
    // another size (see ViewFit).
    std::optional<ViewFit> fit;
    // Off unless asked for: a transparent background, which clears to nothing, leaves the
    // grid and axes out and keeps each pixel's coverage in its alpha (the colours then
    // come premultiplied by it).
    bool transparent = false;
};

// Draws a scene with fixed-function OpenGL into the current context: the fixed state,
// a light fixed in eye space, the grid and axes from display list 1, and every model in
// its pose for the frame, with material and texture changes only where the material
// changes from one face to the next. Used alike by the window and the headless tools.
// The scene is only read: each model's pose is the renderer's own.
class FrameRenderer {
public:
    static constexpr GLuint kAxisList = 1;

    // Once per context: initGL, setUpLights, drawAxis.
    void prepare();
    static void initGL();
    static void setUpLights();
    static void drawAxis();
    // The lines of display list 1 without a display list: the coloured axes, the grid (its
    // lines and the grey-green half-axes through its middle), or both.
    static void drawGridLines(bool grid, bool axes);
    // The viewport for a backing rectangle in pixels, each value truncated toward zero.
    static void reshape(double x, double y, double width, double height);

    // Clears and draws one frame; presenting it is the caller's part.
    void drawFrame(const FrameState& frame, TextureLibrary& textures);

    DrawPath drawPath() const { return _path; }
    void setDrawPath(DrawPath path) { _path = path; }
    // Forgets what was laid out for a scene, deleting its buffers: call when the scene
    // changes, with the context current.
    void forgetScene();
    // What the frames of the scene drawn since left out or drew another way, and why.
    const std::vector<std::string>& notes() const { return _notes; }

    // The array path's layouts of a scene's models, made without OpenGL, on any thread.
    using Layouts = std::unordered_map<const ZeltoModel*, std::unique_ptr<ModelArrays>>;
    static Layouts layOut(const Metasequoia& scene, const MQAProgress* progress = nullptr);
    // Takes layouts that layOut made for `scene` (held alive by the caller while it is
    // drawn), so its first frame only fills and uploads them; with the context current.
    void adoptLayouts(const Metasequoia* scene, Layouts layouts);

private:
    // The clear colour and blending for the frame's background, set only where they
    // differ from the last frame's.
    void useBackground(const FrameState& frame);
    // What is kept of each model drawn, each part made when first needed: its pose, its
    // arrays (the array path), and its polygons' edges as pairs of vertex positions (a
    // wireframe).
    struct ModelDrawing {
        std::optional<ModelPose> pose;
        std::unique_ptr<ModelArrays> arrays;
        bool arraysFilled = false;  // with the pose as it is
        bool oneByOne = false;      // OpenGL could not take its arrays
        std::vector<uint32_t> edges;
    };

    void drawModels(const Metasequoia& scene, const FramePose& pose, TextureLibrary& textures,
                    const FrameState& frame);
    // Poses the model for the frame unless its pose is the frame's already.
    static void poseModel(const ZeltoModel& model, ModelDrawing& drawing, const FramePose& pose, bool poseChanged);
    // Lays out, fills and uploads the model's arrays as needed, or leaves it to be drawn a
    // face at a time when OpenGL cannot take them.
    void prepareArrays(const ZeltoModel& model, ModelDrawing& drawing);
    // The model's faces, as the draw path draws them.
    void drawFaces(const ZeltoModel& model, const ModelDrawing& drawing, TextureLibrary& textures) const;
    // The edges of the model's polygons in its posed place, unlit, over what is drawn.
    static void drawEdges(const ZeltoModel& model, ModelDrawing& drawing);
    static void animationWithModel(const ZeltoModel& model, const FramePose& pose);

public:
    // The model loop's two ways to draw faces in order, changing material and texture
    // only where the material changes from one face to the next: in a pose of the model
    // (by default the model's own), or from its arrays.
    static void drawFacesOneByOne(const ZeltoModel& model, const PoseView& pose, TextureLibrary& textures);
    static void drawFacesOneByOne(const ZeltoModel& model, TextureLibrary& textures);
    static void drawFacesFromArrays(const ModelArrays& arrays, TextureLibrary& textures);

private:
    DrawPath _path = DrawPath::Arrays;
    // What is kept of the models of the scene drawn, and the bone pose their poses hold:
    // while it stays the same the models need no posing and their arrays no refill.
    const Metasequoia* _laidOutScene = nullptr;
    std::unordered_map<const ZeltoModel*, ModelDrawing> _drawings;
    std::vector<std::string> _notes;
    std::optional<std::optional<std::vector<GLKMatrix4>>> _posedFor;
    // The background the context is set for: none for the one initGL sets.
    std::optional<Color> _background;
    bool _transparent = false;
};

// Applies a material, and binds its texture or turns texturing off, when the material
// differs (by identity) from the last one applied; the last one starts as none.
class MaterialSwitch {
public:
    explicit MaterialSwitch(TextureLibrary& textures) : _textures(textures) {}
    void use(const ZeltoMaterial* material);

private:
    TextureLibrary& _textures;
    const ZeltoMaterial* _last = nullptr;
};
