#include "SceneLoader.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>

#include <QCoreApplication>
#include <QFile>
#include <QPointer>

#include "CompatibilityHint.h"
#include "DocumentSource.h"
#include "Metasequoia.h"

namespace {

DocumentError errorOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const zelto::SourceError& error) {
        // "It is a directory, not a regular file": the reason as a sentence of its own.
        QString reason = QString::fromUtf8(error.what());
        if (!reason.isEmpty()) reason[0] = reason[0].toUpper();
        return DocumentError{Document::kErrorDomain, DocumentError::kReadError, reason, std::nullopt, {}};
    } catch (const std::system_error& error) {
        return DocumentError{Document::kErrorDomain, DocumentError::kReadError,
                             QString::fromStdString(error.code().message()), std::nullopt, {}};
    } catch (const std::exception& error) {
        // Reading and scene errors carry their reason text, and their place when known.
        return DocumentError{Document::kErrorDomain, DocumentError::kReadError, QString::fromUtf8(error.what()),
                             placeOfError(error), {}};
    }
}

// Workers running, counted so that the program can wait for them before it exits.
std::mutex gWorkersLock;
std::condition_variable gWorkersDone;
int gWorkers = 0;

}  // namespace

int SceneLoader::runningWorkers() {
    std::lock_guard lock(gWorkersLock);
    return gWorkers;
}

SceneLoader::CountedWorker::CountedWorker() {
    std::lock_guard lock(gWorkersLock);
    ++gWorkers;
}

SceneLoader::CountedWorker::~CountedWorker() {
    std::lock_guard lock(gWorkersLock);
    if (--gWorkers == 0) gWorkersDone.notify_all();
}

void SceneLoader::waitForWorkers() {
    std::unique_lock lock(gWorkersLock);
    gWorkersDone.wait(lock, [] { return gWorkers == 0; });
}

SceneLoader::Outcome SceneLoader::load(const QString& path, MQAReading reading, bool offerCompatibility,
                                       MQAProgress* progress) {
    Outcome outcome;
    outcome.reading = reading;
    // Offering compatibility reading takes no second read: compatibility reading reads
    // strictly first, and says why strict reading refused the file.
    const bool offer = reading == MQAReading::Strict && offerCompatibility;
    std::exception_ptr strictFailure;
    try {
        // A regular file only, opened without blocking: a FIFO handed to the window is refused at once.
        zelto::DocumentBytes bytes =
            zelto::openDocument(QFile::encodeName(path).toStdString(), zelto::Streams::Refused).bytes;
        auto scene = std::make_shared<Metasequoia>(
            Metasequoia::initWithData(std::move(bytes), offer ? MQAReading::Compatible : reading, progress, &strictFailure));
        if (offer && strictFailure) {
            outcome.compatibleScene = std::move(scene);
            outcome.error = errorOf(strictFailure);
            const uint64_t line = outcome.error.place ? outcome.error.place->line : 0;
            outcome.error.compatibilityHint =
                QString::fromStdString(compatibilityHint(outcome.compatibleScene->warnings(), line));
        } else {
            outcome.scene = std::move(scene);
        }
    } catch (const MQACancelled&) {
        outcome.error = errorOf(std::current_exception());
    } catch (const std::exception&) {
        outcome.error = errorOf(strictFailure ? strictFailure : std::current_exception());
    }
    return outcome;
}

SceneLoader::SceneLoader(QString path, MQAReading reading, bool offerCompatibility, QObject* parent)
    : QObject(parent), _path(std::move(path)), _reading(reading), _offerCompatibility(offerCompatibility) {}

SceneLoader::~SceneLoader() {
    // The worker, which shares what it needs, ends on its own soon after: nothing waits.
    _shared->progress.cancel();
    if (_thread.joinable()) _thread.detach();
}

void SceneLoader::start() {
    if (_running || _thread.joinable()) return;
    _running = true;
    QPointer<SceneLoader> self(this);
    auto counted = std::make_shared<CountedWorker>();  // counted from before the thread starts
    _thread = std::thread([self, shared = _shared, path = _path, reading = _reading, offer = _offerCompatibility,
                           counted = std::move(counted)]() mutable {
        // Uncounted as the worker ends, whatever the outcome.
        struct Release {
            std::shared_ptr<CountedWorker>& counted;
            ~Release() { counted.reset(); }
        } release{counted};
        Outcome outcome = load(path, reading, offer, &shared->progress);
        if (outcome.scene && !shared->progress.isCancelled()) {
            // The layouts are the first frame's longest part; laid out here, the window
            // does not wait for them.
            try {
                outcome.layouts =
                    std::make_shared<FrameRenderer::Layouts>(FrameRenderer::layOut(*outcome.scene, &shared->progress));
            } catch (const std::bad_alloc&) {
                // The frame lays them out itself.
            } catch (const MQACancelled&) {
            }
        }
        if (shared->progress.isCancelled()) return;  // the loader may be gone: nothing is handed over
        // Handed over on the main thread, where the loader is looked for: it may have gone
        // while the outcome was on its way.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, outcome = std::move(outcome)]() mutable {
                if (!self) return;
                self->_thread.join();
                self->_running = false;
                if (self->_shared->progress.isCancelled()) return;
                self->_outcome = std::move(outcome);
                self->_finished = true;
                emit self->finished();
            },
            Qt::QueuedConnection);
    });
}

void SceneLoader::cancel() { _shared->progress.cancel(); }
