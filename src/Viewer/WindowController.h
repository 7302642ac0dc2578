#pragma once

#include <optional>

#include <QObject>
#include <QPointer>

#include "MQAFile.h"

class ArrayController;
class Document;
class DocumentWindow;
class FileWatcher;
class InfoPanel;
class MessageBar;
class PlaybackControls;
class ViewMenu;
class SceneLoader;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSlider;
class WarningSummary;
class ZeltoOpenGLView;

// The window of one document: the view filling it, a tool bar with the animation picker
// and a zoom control, tied together by four bindings; the message bar, the Information
// panel and the status bar's labels beside them. It lays these out and connects them;
// reading, menus and what the labels say are other units' work.
class WindowController : public QObject {
    Q_OBJECT
    Q_PROPERTY(Document* document READ document CONSTANT)
    Q_PROPERTY(float zoom READ zoom WRITE setZoom NOTIFY zoomChanged)

public:
    // Lays the window out and makes the bindings; the window is not shown yet.
    explicit WindowController(Document* document, QObject* parent = nullptr);
    ~WindowController() override;

    Document* document() const { return _document; }
    DocumentWindow* window() const { return _window; }
    ZeltoOpenGLView* glView() const { return _glView; }
    ArrayController* arrayController() const { return _arrayController; }
    QComboBox* animationPicker() const { return _picker; }
    QSlider* zoomSlider() const { return _zoomSlider; }
    QDoubleSpinBox* zoomField() const { return _zoomField; }
    // What reading left out, shown in the status bar (empty when nothing was).
    WarningSummary* warningsLabel() const { return _warnings; }
    // How far apart the grid's lines are in the model's units, in the status bar.
    QLabel* gridSpacingLabel() const { return _gridSpacing; }
    PlaybackControls* playbackControls() const { return _playbackControls; }
    ViewMenu* viewMenu() const { return _viewMenu; }
    // Hidden until chosen from the View menu (Ctrl+I).
    InfoPanel* infoPanel() const { return _infoPanel; }
    // Above the view: the progress of an open, a reload that failed, a file gone.
    MessageBar* messageBar() const { return _messageBar; }
    // Watches the document's file; none for a new document.
    FileWatcher* fileWatcher() const { return _fileWatcher; }

    // The read that gives the window its first scene, while it runs (none after).
    void setOpeningLoader(SceneLoader* loader);
    bool isLoading() const;
    // The file went away: the window keeps the scene it shows and says so.
    void markFileGone(bool gone);
    bool isFileGone() const { return _fileGone; }

    float zoom() const { return _zoom; }
    void setZoom(float zoom);

    void showWindow();

    // The window's title: the document's name, marked while its file is gone.
    QString title() const;

signals:
    void zoomChanged();

private:
    void loadWindow();
    // The scene, the document's location, the zoom and the chosen animation reach the
    // view through these, made in this order.
    void windowDidLoad();
    void fillPicker();
    void showZoom();
    void showWarnings();
    void showGridSpacing();
    // The display choice and texture paths that go with how the document was read.
    void followReading();

    QPointer<Document> _document;
    DocumentWindow* _window = nullptr;
    ZeltoOpenGLView* _glView = nullptr;
    ArrayController* _arrayController = nullptr;
    QComboBox* _picker = nullptr;
    QSlider* _zoomSlider = nullptr;
    QDoubleSpinBox* _zoomField = nullptr;
    QLabel* _hint = nullptr;
    WarningSummary* _warnings = nullptr;
    QLabel* _gridSpacing = nullptr;
    PlaybackControls* _playbackControls = nullptr;
    ViewMenu* _viewMenu = nullptr;
    InfoPanel* _infoPanel = nullptr;
    MessageBar* _messageBar = nullptr;
    FileWatcher* _fileWatcher = nullptr;
    QPointer<SceneLoader> _openingLoader;
    bool _fileGone = false;
    std::optional<MQAReading> _displayReading;  // the reading the display choice was made for
    float _zoom = 0;
};
