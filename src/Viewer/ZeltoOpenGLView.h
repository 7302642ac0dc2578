#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <QOpenGLWidget>
#include <QUrl>

#include "Binding.h"
#include "Camera.h"
#include "ObjectDisplay.h"
#include "DragTracker.h"
#include "FrameRenderer.h"
#include "Framing.h"
#include "Playback.h"
#include "TextureLibrary.h"
#include "ViewerTypes.h"

class QNativeGestureEvent;
class QOpenGLFramebufferObject;

// The window's drawing surface: shows one scene over the grid with the camera the user
// steers, and plays the chosen animation. It takes its scene, the document's location,
// its zoom and the animation name through bindings; it owns the textures it loads.
class ZeltoOpenGLView : public QOpenGLWidget {
    Q_OBJECT
    Q_PROPERTY(SceneHandle metaseq READ metaseq WRITE setMetaseq)
    Q_PROPERTY(QUrl textureBaseURL READ textureBaseURL WRITE setTextureBaseURL)
    Q_PROPERTY(float zoom READ zoom WRITE setZoom)
    Q_PROPERTY(AnimationNameHandle animationName READ animationName WRITE setAnimationName)

public:
    // A wheel's notch is 120 angle units; a touchpad that reports pixels moves this many
    // for the same zoom step.
    static constexpr double kPixelsPerNotch = 24.0;

    explicit ZeltoOpenGLView(QWidget* parent = nullptr);
    ~ZeltoOpenGLView() override;

    // "metaseq", "textureBaseURL", "zoom" and "animationName", in this order.
    static const QList<QByteArray>& exposedBindings();
    bool bind(const QByteArray& name, QObject* source, const QString& keyPath);
    Binding* infoForBinding(const QByteArray& name) const { return _bindings.infoForBinding(name); }

    // The scene to draw (none once its document let it go). Setting it, even to the same
    // scene, reloads the textures and redraws.
    SceneHandle metaseq() const { return _metaseq.lock(); }
    void setMetaseq(SceneHandle scene);
    // Array layouts made ahead for the scene shown (see FrameRenderer::layOut); layouts
    // for another scene are dropped.
    void adoptLayouts(const SceneHandle& scene, FrameRenderer::Layouts layouts);
    // The document's file; texture names resolve against its folder.
    QUrl textureBaseURL() const { return _textureBaseURL; }
    void setTextureBaseURL(const QUrl& url);

    // Camera properties; every change redraws. The zoom is written back to its binding.
    float zoom() const { return _view.camera.zoom(); }
    void setZoom(float zoom);
    Camera::Origin origin() const { return _view.camera.origin(); }
    void setOrigin(Camera::Origin origin);
    float rotateX() const { return _view.camera.rotateX(); }
    void setRotateX(float angle);
    float rotateY() const { return _view.camera.rotateY(); }
    void setRotateY(float angle);
    const Camera& camera() const { return _view.camera; }

    AnimationNameHandle animationName() const { return _playback.animationName(); }
    void setAnimationName(AnimationNameHandle name) { _playback.setAnimationName(std::move(name)); }
    uint64_t animationTime() const { return _playback.animationTime(); }
    Playback& playback() { return _playback; }

    // Beyond the view as specified, both off unless chosen: leave out the objects the
    // modeller hides; draw the other halves of the objects it mirrors.
    DisplayChoice displayChoice() const { return _display; }
    void setDisplayChoice(DisplayChoice choice);
    bool hidesInvisibleObjects() const { return _display.hideInvisible; }
    void setHidesInvisibleObjects(bool hide);
    bool drawsMirroredHalves() const { return _display.drawMirroredHalves; }
    void setDrawsMirroredHalves(bool draw);
    // Texture names resolved as compatibility reading does (see textureLocation); takes
    // effect with the next reload.
    void setLenientTexturePaths(bool lenient) { _textures.setLenientPaths(lenient); }

    // Beyond the view as specified: the world scaled to suit a model of another size
    // (see ViewFit). The first scene with vertices the view gets opens with the default
    // camera when that shows it whole at a good size, else framed (see openingView);
    // Frame Model frames the scene as it is drawn now, with the camera's turn; Home View
    // returns to the view the scene opened with.
    const std::optional<ViewFit>& fit() const { return _view.fit; }
    const View& homeView() const { return _home; }
    void frameModel();
    void goHome();
    // Off unless chosen: when the scene that opens shows no face because every face
    // points away, back faces are shown (and backFacesShownForScene says so).
    void setShowsBackFacesWhenAllPointAway(bool on) { _backFacesWhenAllPointAway = on; }
    // Off unless chosen: the edges of every polygon over the shaded model; faces drawn
    // from both sides.
    bool drawsWireframe() const { return _look.wireframe; }
    void setDrawsWireframe(bool draw);
    bool drawsBackFaces() const { return _look.backFaces; }
    void setDrawsBackFaces(bool draw);
    // On unless chosen otherwise: the grid and the axes; the clear colour as specified
    // unless another is chosen. Off unless chosen: edges smoothed by drawing each frame
    // with several samples a pixel.
    bool showsGrid() const { return _look.showGrid; }
    void setShowsGrid(bool show);
    bool showsAxes() const { return _look.showAxes; }
    void setShowsAxes(bool show);
    const std::optional<Color>& background() const { return _look.background; }
    void setBackground(std::optional<Color> colour);
    bool antialiasing() const { return _antialiasing; }
    void setAntialiasing(bool on);
    // Samples a pixel while smoothing edges, and the largest picture smoothed.
    static constexpr int kSamples = 4;
    static constexpr qint64 kLargestSmoothedPicture = qint64{4096} * 4096;

    Qt::CursorShape currentCursor() const { return _currentCursor; }
    const DragTracker& dragTracker() const { return _drags; }
    const TextureLibrary& textures() const { return _textures; }
    // What drawing left out or drew another way (models whose arrays did not fit).
    const std::vector<std::string>& drawingNotes() const { return _renderer.notes(); }
    FrameRenderer& renderer() { return _renderer; }

    // The view's size in device pixels: its size in points times the pixel ratio.
    static QSizeF backingSize(QSize points, qreal devicePixelRatio);

    // What the view would draw of `scene` (held alive by the caller) at a backing size:
    // its camera, the playing animation's name and frame, and the View menu's choices.
    FrameState frameState(const Metasequoia* scene, const std::string* animationName, QSizeF backing) const;

    // The current frame drawn off screen at a size in pixels, as the window would show it
    // at that size; a null image when no such picture can be drawn (no context yet, or
    // a size past what OpenGL allows). A transparent picture leaves the background, the
    // grid and the axes out, and keeps the model's coverage in its alpha.
    QImage renderImage(QSize pixels, bool transparent = false);
    QSize backingPixels() const;

signals:
    // The textures were loaded afresh for the current scene and document location.
    void texturesReloaded();
    // Drawing has something new to say (drawingNotes()).
    void drawingNotesChanged();
    // The world was fitted to a model, or returned to its own size.
    void fitChanged();
    // The scene that opened showed no face, all pointing away: back faces are shown.
    void backFacesShownForScene();
    // One of the View menu's choices changed (display choice, wireframe, back faces, ...);
    // the display choice itself changed.
    void optionsChanged();
    void displayChoiceChanged();

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The textures of the current scene and document location are to be loaded afresh.
    void reloadTextures();
    // Loads them if they are due; this view's context is current.
    void loadPendingTextures();
    // Textures and array buffers go with this view's context current.
    void releaseGLResources();
    void forgetLayouts();
    void nativeGesture(QNativeGestureEvent* event);
    // The open hand while Shift, Control or Alt is held, else the arrow; not during a drag.
    void flagsChanged(Qt::KeyboardModifiers modifiers);
    void setCurrentCursor(Qt::CursorShape shape);
    // Draws the frame into the framebuffer `target`; to smooth edges, into `samples` first
    // (made or remade at the size), then resolved into `target`.
    void drawInto(GLuint target, QSize pixels, const FrameState& frame,
                  std::unique_ptr<QOpenGLFramebufferObject>* samples);
    // Takes a camera and fit as they are, writing the zoom back to its binding.
    void showWith(const View& view);
    // Sets one of the look's choices; a change is announced and drawn.
    template <typename T>
    void changeLook(T& choice, T value);
    // Once, for the first scene with vertices, while the view is shown (its size, and so
    // its aspect, is known then): the view the scene opens with.
    void decideOpeningView();
    float aspect() const;
    QPointF windowLocation(QPointF local) const;

    BindingSet _bindings;
    std::weak_ptr<const Metasequoia> _metaseq;
    QUrl _textureBaseURL;
    Playback _playback;
    DragTracker _drags;
    Qt::CursorShape _currentCursor = Qt::ArrowCursor;
    Qt::CursorShape _cursorBeforeDrag = Qt::ArrowCursor;
    TextureLibrary _textures;
    FrameRenderer _renderer;
    bool _texturesPending = false;
    DisplayChoice _display;
    View _view;
    View _home;
    bool _openingDecided = false;  // whether a scene with vertices was looked at yet
    bool _backFacesWhenAllPointAway = false;
    FrameLook _look;
    bool _antialiasing = false;
    // Where the window's smoothed frames are drawn before they are resolved into its own.
    std::unique_ptr<QOpenGLFramebufferObject> _multisampled;
};
