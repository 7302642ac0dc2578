#include "ZeltoOpenGLView.h"

#include <algorithm>

#include <QApplication>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFunctions>

#include "FrameImage.h"
#include "FramePose.h"
#include "Framing.h"
#include "Metasequoia.h"

ZeltoOpenGLView::ZeltoOpenGLView(QWidget* parent)
    : QOpenGLWidget(parent),
      _bindings(this, exposedBindings()),
      _playback([this] { update(); }) {
    // Modifier keys change the cursor, so the view takes keyboard focus.
    setFocusPolicy(Qt::StrongFocus);
    setCursor(_currentCursor);
    setMouseTracking(false);
    qApp->installEventFilter(this);
}

ZeltoOpenGLView::~ZeltoOpenGLView() {
    qApp->removeEventFilter(this);
    releaseGLResources();
    // The context outlives this part of the view: it must not call back into it.
    if (context()) disconnect(context(), nullptr, this, nullptr);
}

const QList<QByteArray>& ZeltoOpenGLView::exposedBindings() {
    static const QList<QByteArray> names{"metaseq", "textureBaseURL", "zoom", "animationName"};
    return names;
}

bool ZeltoOpenGLView::bind(const QByteArray& name, QObject* source, const QString& keyPath) {
    return _bindings.bind(name, source, keyPath);
}

void ZeltoOpenGLView::setMetaseq(SceneHandle scene) {
    _metaseq = scene;
    forgetLayouts();
    reloadTextures();
    decideOpeningView();
    update();
}

float ZeltoOpenGLView::aspect() const {
    return width() > 0 && height() > 0 ? float(width()) / float(height()) : 4.0f / 3.0f;
}

void ZeltoOpenGLView::decideOpeningView() {
    SceneHandle scene = metaseq();
    auto hasVertices = [](const Metasequoia& s) {
        return std::any_of(s.models().begin(), s.models().end(),
                           [](const ZeltoModel& model) { return !model.vertices().empty(); });
    };
    // Files read again keep the view the user has.
    if (_openingDecided || !isVisible() || !scene || !hasVertices(*scene)) return;
    _openingDecided = true;
    FramePose rest(*scene, std::nullopt, 0);
    _home = openingView(*scene, rest, _display, aspect());
    showWith(_home);
    if (_backFacesWhenAllPointAway && !_look.backFaces && allFacesPointAway(*scene, rest, _display, _home, aspect())) {
        setDrawsBackFaces(true);
        emit backFacesShownForScene();
    }
}

void ZeltoOpenGLView::showEvent(QShowEvent* event) {
    QOpenGLWidget::showEvent(event);
    decideOpeningView();
}

void ZeltoOpenGLView::frameModel() {
    SceneHandle scene = metaseq();
    if (!scene) return;
    AnimationNameHandle name = _playback.animationName();
    std::optional<std::string_view> animation;
    if (name) animation = *name;
    FramePose pose(*scene, animation, _playback.animationTime());
    if (std::optional<View> framed = framedView(*scene, pose, _display, _view.camera, aspect())) showWith(*framed);
}

void ZeltoOpenGLView::goHome() { showWith(_home); }

void ZeltoOpenGLView::showWith(const View& view) {
    bool changed = view.fit != _view.fit;
    _view = view;
    if (Binding* binding = infoForBinding("zoom")) binding->writeBack(QVariant::fromValue(zoom()));
    if (changed) emit fitChanged();
    update();
}

template <typename T>
void ZeltoOpenGLView::changeLook(T& choice, T value) {
    if (value == choice) return;
    choice = std::move(value);
    emit optionsChanged();
    update();
}

void ZeltoOpenGLView::setDrawsWireframe(bool draw) { changeLook(_look.wireframe, draw); }
void ZeltoOpenGLView::setDrawsBackFaces(bool draw) { changeLook(_look.backFaces, draw); }
void ZeltoOpenGLView::setShowsGrid(bool show) { changeLook(_look.showGrid, show); }
void ZeltoOpenGLView::setShowsAxes(bool show) { changeLook(_look.showAxes, show); }
void ZeltoOpenGLView::setBackground(std::optional<Color> colour) { changeLook(_look.background, std::move(colour)); }

void ZeltoOpenGLView::setAntialiasing(bool on) {
    if (on == _antialiasing) return;
    _antialiasing = on;
    if (!on && _multisampled && context() && isValid()) {
        makeCurrent();
        _multisampled.reset();
        doneCurrent();
    }
    emit optionsChanged();
    update();
}

void ZeltoOpenGLView::adoptLayouts(const SceneHandle& scene, FrameRenderer::Layouts layouts) {
    if (!scene || metaseq() != scene) return;
    bool current = context() && isValid();
    if (current) makeCurrent();
    _renderer.adoptLayouts(scene.get(), std::move(layouts));
    if (current) doneCurrent();
}

void ZeltoOpenGLView::forgetLayouts() {
    // The array buffers are names in this view's context: they are deleted with it
    // current, never in whichever context another window left current.
    if (context() && isValid()) {
        makeCurrent();
        _renderer.forgetScene();
        doneCurrent();
    } else {
        _renderer.forgetScene();  // no context: nothing was uploaded, or it went already
    }
}

void ZeltoOpenGLView::setTextureBaseURL(const QUrl& url) {
    _textureBaseURL = url;
    if (url.isLocalFile())
        _textures.setTextureBaseURL(url.toLocalFile().toStdString());
    else
        _textures.setTextureBaseURL(std::nullopt);
    reloadTextures();
    update();
}

void ZeltoOpenGLView::reloadTextures() {
    // Loaded as the next frame or picture is drawn, with this view's context current; a
    // view without a context yet loads them once it has one.
    _texturesPending = true;
    update();
}

void ZeltoOpenGLView::loadPendingTextures() {
    if (!_texturesPending) return;
    _texturesPending = false;
    SceneHandle scene = metaseq();
    _textures.reloadTextures(scene.get());
    emit texturesReloaded();
}

void ZeltoOpenGLView::releaseGLResources() {
    if (!context() || !isValid()) return;
    makeCurrent();
    _textures.reloadTextures(nullptr);
    _renderer.forgetScene();
    _multisampled.reset();
    doneCurrent();
}

void ZeltoOpenGLView::setZoom(float zoom) {
    _view.camera.setZoom(zoom);
    if (Binding* binding = infoForBinding("zoom")) binding->writeBack(QVariant::fromValue(this->zoom()));
    update();
}

void ZeltoOpenGLView::setOrigin(Camera::Origin origin) {
    _view.camera.setOrigin(origin);
    update();
}

void ZeltoOpenGLView::setRotateX(float angle) {
    _view.camera.setRotateX(angle);
    update();
}

void ZeltoOpenGLView::setRotateY(float angle) {
    _view.camera.setRotateY(angle);
    update();
}

void ZeltoOpenGLView::setDisplayChoice(DisplayChoice choice) {
    if (choice == _display) return;
    _display = choice;
    emit displayChoiceChanged();
    emit optionsChanged();
    update();
}

void ZeltoOpenGLView::setHidesInvisibleObjects(bool hide) {
    setDisplayChoice({_display.drawMirroredHalves, hide});
}

void ZeltoOpenGLView::setDrawsMirroredHalves(bool draw) { setDisplayChoice({draw, _display.hideInvisible}); }

QSizeF ZeltoOpenGLView::backingSize(QSize points, qreal devicePixelRatio) {
    return QSizeF(points.width() * devicePixelRatio, points.height() * devicePixelRatio);
}

void ZeltoOpenGLView::initializeGL() {
    // A new context (the first, or after the widget moved to another window) starts
    // without the textures of the old one.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &ZeltoOpenGLView::releaseGLResources,
            Qt::UniqueConnection);
    _renderer.prepare();
    _renderer.forgetScene();
    _texturesPending = true;
}

void ZeltoOpenGLView::resizeGL(int, int) {
    QSizeF backing = backingSize(size(), devicePixelRatioF());
    FrameRenderer::reshape(0, 0, backing.width(), backing.height());
}

void ZeltoOpenGLView::paintGL() {
    loadPendingTextures();
    SceneHandle scene = metaseq();
    AnimationNameHandle name = _playback.animationName();
    const size_t notes = _renderer.notes().size();
    drawInto(defaultFramebufferObject(), backingPixels(),
             frameState(scene.get(), name.get(), backingSize(size(), devicePixelRatioF())),
             _antialiasing ? &_multisampled : nullptr);
    if (_renderer.notes().size() != notes) emit drawingNotesChanged();
}

void ZeltoOpenGLView::drawInto(GLuint target, QSize pixels, const FrameState& frame,
                               std::unique_ptr<QOpenGLFramebufferObject>* samples) {
    QOpenGLExtraFunctions* gl = context()->extraFunctions();
    if (samples) {
        if (!*samples || (*samples)->size() != pixels) {
            QOpenGLFramebufferObjectFormat format;
            format.setAttachment(QOpenGLFramebufferObject::Depth);
            format.setInternalTextureFormat(GL_RGBA8);
            format.setSamples(kSamples);
            *samples = std::make_unique<QOpenGLFramebufferObject>(pixels, format);
        }
        if ((*samples)->isValid() && (*samples)->bind()) {
            _renderer.drawFrame(frame, _textures);
            gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, (*samples)->handle());
            gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
            gl->glBlitFramebuffer(0, 0, pixels.width(), pixels.height(), 0, 0, pixels.width(), pixels.height(),
                                  GL_COLOR_BUFFER_BIT, GL_NEAREST);
            gl->glBindFramebuffer(GL_FRAMEBUFFER, target);
            return;
        }
        samples->reset();  // none to be had: the frame is drawn as it is
    }
    gl->glBindFramebuffer(GL_FRAMEBUFFER, target);
    _renderer.drawFrame(frame, _textures);
}

FrameState ZeltoOpenGLView::frameState(const Metasequoia* scene, const std::string* name, QSizeF backing) const {
    FrameState frame;
    static_cast<FrameLook&>(frame) = _look;
    frame.scene = scene;
    if (name) frame.animationName = *name;
    frame.animationTime = _playback.animationTime();
    frame.camera = _view.camera;
    frame.backingWidth = backing.width();
    frame.backingHeight = backing.height();
    frame.hideInvisible = _display.hideInvisible;
    frame.drawMirroredHalves = _display.drawMirroredHalves;
    frame.fit = _view.fit;
    return frame;
}

QSize ZeltoOpenGLView::backingPixels() const {
    QSizeF backing = backingSize(size(), devicePixelRatioF());
    return QSize(static_cast<int>(backing.width()), static_cast<int>(backing.height()));
}

QImage ZeltoOpenGLView::renderImage(QSize pixels, bool transparent) {
    if (!context() || !isValid() || pixels.isEmpty()) return QImage();
    makeCurrent();
    GLint largest[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    if (pixels.width() > largest[0] || pixels.height() > largest[1]) {
        doneCurrent();
        return QImage();
    }
    loadPendingTextures();
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::Depth);
    format.setInternalTextureFormat(GL_RGBA8);
    QImage image;
    {
        QOpenGLFramebufferObject target(pixels, format);
        if (target.isValid() && target.bind()) {
            FrameRenderer::reshape(0, 0, pixels.width(), pixels.height());
            SceneHandle scene = metaseq();
            AnimationNameHandle name = _playback.animationName();
            FrameState frame = frameState(scene.get(), name.get(), QSizeF(pixels));
            frame.transparent = transparent;
            // Past this many pixels, samples for smoothing would take gigabytes: such a
            // picture is drawn as it is. The window's own samples stay as they are.
            bool smooth = _antialiasing && qint64(pixels.width()) * pixels.height() <= kLargestSmoothedPicture;
            std::unique_ptr<QOpenGLFramebufferObject> samples;
            drawInto(target.handle(), pixels, frame, smooth ? &samples : nullptr);
            image = readFrameImage(pixels.width(), pixels.height(), transparent);
            target.release();
        }
    }
    // Back to the window's own framebuffer and viewport.
    context()->functions()->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    QSizeF backing = backingSize(size(), devicePixelRatioF());
    FrameRenderer::reshape(0, 0, backing.width(), backing.height());
    doneCurrent();
    return image;
}
