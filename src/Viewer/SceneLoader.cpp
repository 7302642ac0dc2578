#include "SceneLoader.h"

#include <exception>
#include <new>
#include <system_error>

#include <QFile>

#include "FileBytes.h"
#include "Metasequoia.h"

namespace {

// Reads once, in one way; fills `error` when the file does not open.
SceneHandle readScene(const QString& path, MQAReading reading, MQAProgress* progress, DocumentError& error) {
    try {
        zelto::DocumentBytes bytes = zelto::DocumentBytes::readFile(QFile::encodeName(path).toStdString());
        return std::make_shared<Metasequoia>(Metasequoia::initWithData(std::move(bytes), reading, progress));
    } catch (const std::system_error& failure) {
        error = DocumentError{Document::kErrorDomain, DocumentError::kReadError,
                              QString::fromStdString(failure.code().message()), std::nullopt};
    } catch (const std::exception& exception) {
        // Reading and scene errors carry their reason text, and their place when known.
        error = DocumentError{Document::kErrorDomain, DocumentError::kReadError,
                              QString::fromUtf8(exception.what()), placeOfError(exception)};
    }
    return nullptr;
}

}  // namespace

SceneLoader::Outcome SceneLoader::load(const QString& path, MQAReading reading, bool offerCompatibility,
                                       MQAProgress* progress) {
    Outcome outcome;
    outcome.reading = reading;
    outcome.scene = readScene(path, reading, progress, outcome.error);
    if (!outcome.scene && reading == MQAReading::Strict && offerCompatibility &&
        !(progress && progress->isCancelled())) {
        DocumentError ignored;
        outcome.compatibleScene = readScene(path, MQAReading::Compatible, progress, ignored);
    }
    return outcome;
}

SceneLoader::SceneLoader(QString path, MQAReading reading, bool offerCompatibility, QObject* parent)
    : QObject(parent), _path(std::move(path)), _reading(reading), _offerCompatibility(offerCompatibility) {}

SceneLoader::~SceneLoader() {
    _progress.cancel();
    if (_thread.joinable()) _thread.join();
}

void SceneLoader::start() {
    if (_running || _thread.joinable()) return;
    _running = true;
    _thread = std::thread([this] {
        Outcome outcome = load(_path, _reading, _offerCompatibility, &_progress);
        if (outcome.scene && !_progress.isCancelled()) {
            // The layouts are the first frame's longest part; laid out here, the window
            // does not wait for them.
            try {
                outcome.layouts = std::make_shared<FrameRenderer::Layouts>(FrameRenderer::layOut(*outcome.scene));
            } catch (const std::bad_alloc&) {
                // The frame lays them out itself.
            }
        }
        // Handed over on the owner's thread; an event for an object that is gone is
        // dropped with it, and the destructor waits for this thread first.
        QMetaObject::invokeMethod(
            this,
            [this, outcome = std::move(outcome)]() mutable {
                _thread.join();
                _running = false;
                if (_progress.isCancelled()) return;
                _outcome = std::move(outcome);
                emit finished();
            },
            Qt::QueuedConnection);
    });
}

void SceneLoader::cancel() { _progress.cancel(); }
