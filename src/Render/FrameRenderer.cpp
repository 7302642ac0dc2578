#include "FrameRenderer.h"

#include <algorithm>

#include "FramePose.h"
#include "Metasequoia.h"
#include "RenderGL.h"
#include "TextureLibrary.h"

namespace {

void line(GLfloat x0, GLfloat y0, GLfloat z0, GLfloat x1, GLfloat y1, GLfloat z1) {
    glVertex3f(x0, y0, z0);
    glVertex3f(x1, y1, z1);
}

void translateAndRotate(GLKVector3 pos, GLKVector3 rotate) {
    glTranslatef(pos.x, pos.y, pos.z);
    glRotatef(rotate.x, 1, 0, 0);
    glRotatef(rotate.y, 0, 1, 0);
    glRotatef(rotate.z, 0, 0, 1);
}

}  // namespace

void FrameRenderer::prepare() {
    _background.reset();
    _transparent = false;
    initGL();
    setUpLights();
    drawAxis();
}

void FrameRenderer::initGL() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.117647f, 0.2549019f, 0.3529411f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHT0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void FrameRenderer::setUpLights() {
    const GLfloat position[] = {0, 0, 1, 0};
    const GLfloat ambient[] = {0.25f, 0.25f, 0.25f, 1.0f};
    const GLfloat diffuse[] = {1, 1, 1, 1};
    const GLfloat specular[] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
}

void FrameRenderer::drawAxis() {
    glNewList(kAxisList, GL_COMPILE);
    drawGridLines(true, true);
    glEndList();
}

void FrameRenderer::drawGridLines(bool grid, bool axes) {
    glBegin(GL_LINES);
    glNormal3f(0, 0, 1);
    if (axes) {
        glColor3f(1, 0, 0);
        line(0, 0, 0, 600, 0, 0);
        glColor3f(0, 1, 0);
        line(0, 0, 0, 0, 600, 0);
        glColor3f(0, 0, 1);
        line(0, 0, 0, 0, 0, 600);
    }
    if (grid) {
        glColor3f(0.35686275f, 0.4117647f, 0.35686275f);
        line(-500, 0, 0, 0, 0, 0);
        line(0, 0, -500, 0, 0, 0);
        for (int i = -500; i <= 500; i += 50)
            if (i != 0) line(GLfloat(i), 0, -500, GLfloat(i), 0, 500);
        for (int i = -500; i <= 500; i += 50)
            if (i != 0) line(-500, 0, GLfloat(i), 500, 0, GLfloat(i));
    }
    glEnd();
}

void FrameRenderer::useBackground(const FrameState& frame) {
    std::optional<Color> wanted = frame.transparent ? Color{0, 0, 0, 0} : frame.background;
    if (wanted != _background) {
        if (wanted)
            glClearColor(wanted->r, wanted->g, wanted->b, wanted->a);
        else
            glClearColor(0.117647f, 0.2549019f, 0.3529411f, 0.0f);
        _background = wanted;
    }
    if (frame.transparent != _transparent) {
        // Over nothing, a pixel's alpha adds up the coverage of what is drawn on it.
        if (frame.transparent)
            glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        else
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        _transparent = frame.transparent;
    }
}

void FrameRenderer::reshape(double x, double y, double width, double height) {
    glViewport(static_cast<GLint>(x), static_cast<GLint>(y), static_cast<GLsizei>(width),
               static_cast<GLsizei>(height));
}

void FrameRenderer::drawFrame(const FrameState& frame, TextureLibrary& textures) {
    useBackground(frame);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    float aspect = static_cast<float>(frame.backingWidth) / static_cast<float>(frame.backingHeight);
    gluPerspective(30, aspect, 10, 10000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    setUpLights();
    translateAndRotate(frame.camera.pos(), frame.camera.rotate());
    // A fitted world: the grid, at its own size, lies where the model's origin is, and
    // the models are scaled to it, so its spacing is so many of their units.
    if (frame.fit) {
        const ViewFit& fit = *frame.fit;
        glTranslatef(-fit.centre.x * fit.scale, -fit.centre.y * fit.scale, -fit.centre.z * fit.scale);
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    bool grid = frame.showGrid && !frame.transparent, axes = frame.showAxes && !frame.transparent;
    if (grid && axes)
        glCallList(kAxisList);
    else if (grid || axes)
        drawGridLines(grid, axes);
    if (frame.fit) glScalef(frame.fit->scale, frame.fit->scale, frame.fit->scale);

    glEnable(GL_LIGHTING);
    if (!frame.scene) return;
    FramePose pose(*frame.scene, frame.animationName, frame.animationTime);
    drawModels(*frame.scene, pose, textures, frame);
}

void FrameRenderer::forgetScene() {
    _drawings.clear();
    _notes.clear();
    _laidOutScene = nullptr;
    _posedFor.reset();
}

FrameRenderer::Layouts FrameRenderer::layOut(const Metasequoia& scene, const MQAProgress* progress) {
    Layouts layouts;
    for (const ZeltoModel& model : scene.models()) layouts[&model] = std::make_unique<ModelArrays>(model, progress);
    return layouts;
}

void FrameRenderer::adoptLayouts(const Metasequoia* scene, Layouts layouts) {
    if (_path != DrawPath::Arrays) return;
    forgetScene();
    _laidOutScene = scene;
    // Nothing is filled yet: the first frame poses, fills and uploads every model.
    for (auto& [model, arrays] : layouts) _drawings[model].arrays = std::move(arrays);
}

void FrameRenderer::drawModels(const Metasequoia& scene, const FramePose& pose, TextureLibrary& textures,
                               const FrameState& frame) {
    if (_laidOutScene != &scene) {
        forgetScene();
        _laidOutScene = &scene;
    }
    const bool poseChanged = !_posedFor || *_posedFor != pose.boneList();
    // Faces seen from behind are drawn too, lit on the side they show: the faces the
    // frame normally shows become the front ones, and the light turns for the others.
    GLenum frontFace = frame.backFaces ? GL_CW : GL_CCW;
    if (frame.backFaces) {
        glDisable(GL_CULL_FACE);
        glFrontFace(frontFace);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    }
    // Edges lie on their faces: the faces give way a little in depth so the edges show.
    if (frame.wireframe) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1, 1);
    }
    const std::vector<ObjectDisplay>& displays = scene.objectDisplays();
    for (size_t index = 0; index < scene.models().size(); ++index) {
        const ZeltoModel& model = scene.models()[index];
        ModelDrawing& drawing = _drawings[&model];
        ObjectDisplay display = index < displays.size() ? displays[index] : ObjectDisplay{};
        if (frame.hideInvisible && !display.visible) {
            // Its pose and arrays would miss the poses of the frames it is hidden for:
            // it is posed and laid out afresh when it shows again.
            drawing.pose.reset();
            drawing.arrays.reset();
            continue;
        }
        glPushMatrix();
        translateAndRotate(scene.pos(), scene.rotate());
        animationWithModel(model, pose);
        poseModel(model, drawing, pose, poseChanged);
        if (_path == DrawPath::Arrays && !drawing.oneByOne) prepareArrays(model, drawing);
        drawFaces(model, drawing, textures);
        if (frame.wireframe) drawEdges(model, drawing);
        if (frame.drawMirroredHalves && display.mirrorAxes) {
            for (const MirrorCopy& copy : MirrorCopies(display.mirrorAxes)) {
                glPushMatrix();
                glScalef(copy.scale.x, copy.scale.y, copy.scale.z);
                if (copy.turned) glFrontFace(frontFace == GL_CCW ? GL_CW : GL_CCW);
                drawFaces(model, drawing, textures);
                if (frame.wireframe) drawEdges(model, drawing);
                if (copy.turned) glFrontFace(frontFace);
                glPopMatrix();
            }
        }
        glPopMatrix();
    }
    if (frame.wireframe) glDisable(GL_POLYGON_OFFSET_FILL);
    if (frame.backFaces) {
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    }
    _posedFor = pose.boneList();
}

void FrameRenderer::poseModel(const ZeltoModel& model, ModelDrawing& drawing, const FramePose& pose,
                              bool poseChanged) {
    if (drawing.pose && !poseChanged) return;
    if (drawing.pose)
        pose.poseModel(model, *drawing.pose);
    else
        drawing.pose.emplace(pose.poseOf(model));
    drawing.arraysFilled = false;
}

void FrameRenderer::prepareArrays(const ZeltoModel& model, ModelDrawing& drawing) {
    // Laid out ahead (adoptLayouts) but not yet filled, or posed since: filled again.
    if (drawing.arrays && drawing.arraysFilled && drawing.arrays->isUploaded()) return;
    if (!drawing.arrays) drawing.arrays = std::make_unique<ModelArrays>(model);
    drawing.arrays->refill(model, *drawing.pose);
    drawing.arraysFilled = true;
    if (drawing.arrays->upload()) return;
    // OpenGL could not hold its arrays: the model is drawn a face at a time.
    drawing.arrays.reset();
    drawing.oneByOne = true;
    _notes.push_back("model \"" + model.name() + "\" is drawn a face at a time: its arrays did not fit "
                     "in the graphics memory");
}

void FrameRenderer::drawFaces(const ZeltoModel& model, const ModelDrawing& drawing, TextureLibrary& textures) const {
    if (_path == DrawPath::PerFace || drawing.oneByOne)
        drawFacesOneByOne(model, *drawing.pose, textures);
    else
        drawFacesFromArrays(*drawing.arrays, textures);
}

void FrameRenderer::drawEdges(const ZeltoModel& model, ModelDrawing& drawing) {
    if (drawing.edges.empty()) drawing.edges = polygonEdges(model);
    if (drawing.edges.empty()) return;
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.05f, 0.05f, 0.05f);
    // Straight from the posed positions: no copy per frame.
    const pose::ConstPoints positions = drawing.pose->view().positions();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, static_cast<GLsizei>(positions.stride()), positions.first());
    glDrawElements(GL_LINES, static_cast<GLsizei>(drawing.edges.size()), GL_UNSIGNED_INT, drawing.edges.data());
    glDisableClientState(GL_VERTEX_ARRAY);
    glEnable(GL_LIGHTING);
}

void FrameRenderer::animationWithModel(const ZeltoModel& model, const FramePose& pose) {
    GLKMatrix4 m = pose.modelMatrix(model);
    glMultMatrixf(m.m.data());
}

void FrameRenderer::drawFacesOneByOne(const ZeltoModel& model, TextureLibrary& textures) {
    drawFacesOneByOne(model, model.posed(), textures);
}

void FrameRenderer::drawFacesOneByOne(const ZeltoModel& model, const PoseView& pose, TextureLibrary& textures) {
    MaterialSwitch materials(textures);
    for (const ZeltoFace& face : model.faces()) {
        materials.use(face.material());
        face.drawFace(pose);
    }
}

void FrameRenderer::drawFacesFromArrays(const ModelArrays& arrays, TextureLibrary& textures) {
    MaterialSwitch materials(textures);
    arrays.bindArrays();
    for (const ModelArrays::Run& run : arrays.runs()) {
        materials.use(run.material);
        arrays.drawRun(run);
    }
    ModelArrays::unbindArrays();
}

void MaterialSwitch::use(const ZeltoMaterial* material) {
    if (material == _last) return;
    _last = material;
    if (material) material->apply();
    if (std::optional<GLuint> texture = _textures.textureForMaterial(material)) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, *texture);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
}
