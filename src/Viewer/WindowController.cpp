#include "WindowController.h"

#include <cmath>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QSlider>
#include <QToolBar>
#include <QVBoxLayout>

#include "ArrayController.h"
#include "Document.h"
#include "DocumentWindow.h"
#include "FileWatcher.h"
#include "InfoPanel.h"
#include "MessageBar.h"
#include "Metasequoia.h"
#include "SceneLoader.h"
#include "PlaybackControls.h"
#include "ViewMenu.h"
#include "ViewPreferences.h"
#include "WarningSummary.h"
#include "ZeltoOpenGLView.h"

namespace {
constexpr int kZoomLimit = 800;
}

WindowController::WindowController(Document* document, QObject* parent)
    : QObject(parent), _document(document) {
    loadWindow();
    windowDidLoad();
}

WindowController::~WindowController() { delete _window; }

void WindowController::loadWindow() {
    _window = new DocumentWindow;
    _window->setAcceptDrops(true);
    _window->setWindowTitle(title());
    if (_document->fileURL().isLocalFile()) {
        _window->setWindowFilePath(_document->fileURL().toLocalFile());
        _fileWatcher = new FileWatcher(_document->fileURL().toLocalFile(), this);
    }
    _window->resize(960, 720);

    // The message bar sits above the view, and only takes room while it shows.
    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    _messageBar = new MessageBar;
    column->addWidget(_messageBar);
    _glView = new ZeltoOpenGLView;
    column->addWidget(_glView, 1);
    _window->setCentralWidget(central);
    _arrayController = new ArrayController(this);

    auto* bar = new QToolBar(tr("Animation and zoom"));
    bar->setObjectName("controls");
    bar->setMovable(false);
    bar->addWidget(new QLabel(tr("Animation ")));
    _picker = new QComboBox;
    _picker->setObjectName("animationPicker");
    _picker->setMinimumContentsLength(14);
    _picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    bar->addWidget(_picker);
    bar->addSeparator();
    bar->addWidget(new QLabel(tr(" Zoom ")));
    _zoomSlider = new QSlider(Qt::Horizontal);
    _zoomSlider->setObjectName("zoomSlider");
    _zoomSlider->setRange(-kZoomLimit, kZoomLimit);
    _zoomSlider->setMaximumWidth(240);
    _zoomSlider->setToolTip(tr("Nearer to the left, farther to the right"));
    bar->addWidget(_zoomSlider);
    _zoomField = new QDoubleSpinBox;
    _zoomField->setObjectName("zoomField");
    _zoomField->setRange(-kZoomLimit, kZoomLimit);
    _zoomField->setDecimals(1);
    _zoomField->setSingleStep(10);
    _zoomField->setKeyboardTracking(false);
    bar->addWidget(_zoomField);
    _window->addToolBar(Qt::BottomToolBarArea, bar);

    if (!_document->fileURL().isLocalFile()) {
        // An empty window says how to fill it.
        auto* layout = new QVBoxLayout(_glView);
        _hint = new QLabel(tr("Open a Metasequoia document with Ctrl+O,\nor drop a .mqo or .mqoz file on this window."));
        _hint->setAlignment(Qt::AlignCenter);
        _hint->setStyleSheet("color: rgb(215, 225, 235); font-size: 15pt; background: transparent;");
        layout->addWidget(_hint, 0, Qt::AlignCenter);
    }

    connect(_picker, &QComboBox::currentIndexChanged, this, [this](int index) {
        // Entry 0 is "No animation".
        if (index <= 0)
            _arrayController->setSelectionIndex(std::nullopt);
        else
            _arrayController->setSelectionIndex(static_cast<size_t>(index - 1));
    });
    connect(_arrayController, &ArrayController::contentChanged, this, &WindowController::fillPicker);
    connect(_arrayController, &ArrayController::selectionChanged, this, &WindowController::fillPicker);
    connect(_zoomSlider, &QSlider::valueChanged, this, [this](int value) {
        if (std::lround(_zoom) != value) setZoom(static_cast<float>(value));
    });
    connect(_zoomField, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        setZoom(static_cast<float>(value));
    });
    connect(this, &WindowController::zoomChanged, this, &WindowController::showZoom);

    _infoPanel = new InfoPanel(_document, _glView, _window);
    _window->addDockWidget(Qt::RightDockWidgetArea, _infoPanel);
    _infoPanel->hide();

    // The warnings give way to a passing message ("Copied") for as long as it shows; the
    // grid's spacing stays.
    _warnings = new WarningSummary;
    _window->statusBar()->addWidget(_warnings, 1);
    _gridSpacing = new QLabel;
    _gridSpacing->setObjectName("gridSpacing");
    _window->statusBar()->addPermanentWidget(_gridSpacing);
    connect(_glView, &ZeltoOpenGLView::fitChanged, this, &WindowController::showGridSpacing);
    connect(_glView, &ZeltoOpenGLView::texturesReloaded, this, &WindowController::showWarnings);
    connect(_glView, &ZeltoOpenGLView::drawingNotesChanged, this, &WindowController::showWarnings);
    showGridSpacing();
    _viewMenu = new ViewMenu(_window, _glView, _document, _infoPanel);
    connect(_glView, &ZeltoOpenGLView::displayChoiceChanged, this, &WindowController::showWarnings);
    connect(_glView, &ZeltoOpenGLView::backFacesShownForScene, this, [this] {
        _messageBar->showMessage(MessageBar::Kind::Notice,
                                 tr("Every face of the model points away from the camera, so back faces are "
                                    "shown (View > Show Back Faces)."));
    });
    _playbackControls = new PlaybackControls(_window, _glView, _document);

    // The picker offers the names of whatever scene the document holds, the status bar
    // its reading warnings; textures resolve the way the document was read.
    auto offerNames = [this] {
        SceneHandle scene = _document->model();
        _arrayController->setContent(scene ? scene->animationNames() : std::vector<std::string>{});
        showWarnings();
    };
    connect(_document, &Document::modelWillChange, this, &WindowController::followReading);
    followReading();
    connect(_document, &Document::modelChanged, this, offerNames);
    offerNames();
    showZoom();
}

void WindowController::followReading() {
    MQAReading reading = _document->reading();
    _glView->setLenientTexturePaths(reading == MQAReading::Compatible);
    _glView->setShowsBackFacesWhenAllPointAway(reading == MQAReading::Compatible);
    // A document read for compatibility shows as its modeller shows it, or as the user
    // last chose for such documents; one read strictly, as it is stored. A file read
    // again the same way keeps the window's choice.
    if (reading == _displayReading) return;
    _displayReading = reading;
    _glView->setDisplayChoice(reading == MQAReading::Compatible ? ViewPreferences::displayForCompatibleDocuments()
                                                                 : DisplayChoice{});
}

void WindowController::showGridSpacing() {
    const std::optional<ViewFit>& fit = _glView->fit();
    float spacing = fit ? fit->gridSpacing() : ViewFit::kGridSpacing;
    _gridSpacing->setText((spacing == 1 ? tr("Grid: %1 unit") : tr("Grid: %1 units")).arg(QString::number(double(spacing), 'g', 6)));
    _gridSpacing->setToolTip(fit ? tr("The model is shown fitted to the view, the grid scaled with it") : QString());
}

void WindowController::showWarnings() {
    SceneHandle scene = _document->model();
    std::vector<MQAWarning> warnings =
        scene ? warningsAsDrawn(*scene, _glView->displayChoice()) : std::vector<MQAWarning>();
    // What the textures and the drawing left out goes with what reading did.
    for (const std::string& note : _glView->textures().notes()) warnings.push_back({0, note});
    for (const std::string& note : _glView->drawingNotes()) warnings.push_back({0, note});
    _warnings->showWarnings(warnings);
}

void WindowController::windowDidLoad() {
    _glView->bind("metaseq", this, "document.model");
    _glView->bind("textureBaseURL", this, "document.fileURL");
    _glView->bind("zoom", this, "zoom");
    _glView->bind("animationName", _arrayController, "selection.self");
}

void WindowController::setZoom(float zoom) {
    if (zoom == _zoom) return;
    _zoom = zoom;
    emit zoomChanged();
}

QString WindowController::title() const {
    return _fileGone ? tr("%1 (file gone)").arg(_document->displayName()) : _document->displayName();
}

void WindowController::setOpeningLoader(SceneLoader* loader) { _openingLoader = loader; }

bool WindowController::isLoading() const { return _openingLoader != nullptr; }

void WindowController::markFileGone(bool gone) {
    _fileGone = gone;
    _window->setWindowTitle(title());
    if (gone)
        _messageBar->showMessage(MessageBar::Kind::Notice,
                                 tr("The file “%1” is gone (deleted or moved). The window shows it as it was "
                                    "last read.")
                                     .arg(_document->displayName()),
                                 _document->fileURL().toLocalFile());
    else if (_messageBar->kind() == MessageBar::Kind::Notice)
        _messageBar->dismiss();
}

void WindowController::showWindow() {
    _window->show();
    _window->raise();
    _window->activateWindow();
    _glView->setFocus();
}

void WindowController::fillPicker() {
    QSignalBlocker blocker(_picker);
    _picker->clear();
    _picker->addItem(tr("No animation"));
    for (const AnimationNameHandle& name : _arrayController->arrangedObjects())
        _picker->addItem(QString::fromStdString(*name));
    std::optional<size_t> chosen = _arrayController->selectionIndex();
    _picker->setCurrentIndex(chosen ? static_cast<int>(*chosen) + 1 : 0);
    _picker->setEnabled(!_arrayController->arrangedObjects().empty());
}

void WindowController::showZoom() {
    QSignalBlocker sliderBlocker(_zoomSlider);
    QSignalBlocker fieldBlocker(_zoomField);
    _zoomSlider->setValue(static_cast<int>(std::lround(_zoom)));
    _zoomField->setValue(_zoom);
}
