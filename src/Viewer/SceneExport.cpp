#include "SceneExport.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <memory>
#include <thread>

#include "Document.h"
#include "DocumentWindow.h"
#include "GltfExport.h"
#include "MQAProgress.h"
#include "MessageBar.h"
#include "SceneLoader.h"
#include "WindowController.h"

namespace SceneExport {

namespace {

std::string local(const QString& path) { return QFile::encodeName(path).toStdString(); }

// What a worker shares with the window that started it, which may close first.
struct Job {
    MQAProgress progress;
    std::atomic<bool> done{false};
    QString error;
    QStringList warnings;
};

}  // namespace

QString exportFile(const QString& documentPath, MQAReading reading, const QString& out, MQAProgress* progress,
                   QStringList* warnings) {
    const bool binary = out.endsWith(".glb", Qt::CaseInsensitive);
    if (!binary && !out.endsWith(".gltf", Qt::CaseInsensitive))
        return QObject::tr("A glTF file’s name ends in .glb or .gltf.");
    const QString resources = binary ? QString() : out.left(out.size() - 5) + ".bin";
    SceneLoader::Outcome read = SceneLoader::load(documentPath, reading, false, progress);
    if (!read.scene) return read.error.description;
    GltfExportOptions options;
    options.binary = binary;
    options.resourcesName = QFileInfo(resources).fileName().toStdString();
    options.documentPath = local(QFileInfo(documentPath).absoluteFilePath());
    options.lenientPaths = reading == MQAReading::Compatible;
    options.progress = progress;
    try {
        GltfExport exported = exportGltf(*read.scene, options);
        if (progress && progress->isCancelled()) throw MQACancelled();
        for (const std::string& warning : exported.warnings) warnings->append(QString::fromStdString(warning));
        writeGltfExport(exported, local(out), options.documentPath, local(resources));
    } catch (const std::exception& error) {
        return QString::fromStdString(error.what());
    }
    return {};
}

void exportGltf(WindowController* controller) {
    QWidget* window = controller->window();
    QUrl url = controller->document()->fileURL();
    if (!url.isLocalFile()) {
        QMessageBox::information(window, QObject::tr("Export glTF"),
                                 QObject::tr("Only a document kept in a file can be exported: save it first."));
        return;
    }
    const QString document = url.toLocalFile();
    const QFileInfo info(document);
    QFileDialog dialog(window, QObject::tr("Export glTF"), info.dir().filePath(info.completeBaseName() + ".glb"),
                       QObject::tr("glTF binary (*.glb);;glTF text with its buffer beside it (*.gltf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("glb");  // added before the dialog asks about replacing a file
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter.contains("*.gltf") ? "gltf" : "glb");
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString out = dialog.selectedFiles().front();

    auto job = std::make_shared<Job>();
    auto counted = std::make_shared<SceneLoader::CountedWorker>();
    std::thread([job, document, out, reading = controller->document()->reading(), counted]() mutable {
        job->error = exportFile(document, reading, out, &job->progress, &job->warnings);
        job->done = true;
        counted.reset();
    }).detach();

    // The window's message bar follows the reading (the export after it is quick) and
    // offers Cancel; polled, as the worker only counts bytes. A window that closes
    // cancels the export.
    MessageBar* bar = controller->messageBar();
    bar->showProgress(QObject::tr("Exporting “%1” as glTF…").arg(info.fileName()));
    QMetaObject::Connection cancel =
        QObject::connect(bar, &MessageBar::cancelRequested, bar, [job] { job->progress.cancel(); });
    QObject::connect(bar, &QObject::destroyed, [job] { job->progress.cancel(); });
    auto* poll = new QTimer(bar);
    QObject::connect(poll, &QTimer::timeout, bar, [job, bar, poll, cancel, out] {
        bar->setProgress(static_cast<qint64>(job->progress.bytesRead()), static_cast<qint64>(job->progress.bytesTotal()));
        if (!job->done) return;
        poll->deleteLater();
        QObject::disconnect(cancel);
        const QString name = QFileInfo(out).fileName();
        if (job->progress.isCancelled())
            bar->dismiss();
        else if (!job->error.isEmpty())
            bar->showMessage(MessageBar::Kind::Problem, QObject::tr("The scene was not written to “%1”: %2").arg(name, job->error), out);
        else if (!job->warnings.isEmpty())
            bar->showMessage(MessageBar::Kind::Notice,
                             QObject::tr("The scene was written to “%1”; not all of it could be carried over exactly "
                                         "(rest the pointer here for what).").arg(name),
                             job->warnings.join("\n"));
        else
            bar->showMessage(MessageBar::Kind::Notice, QObject::tr("The scene was written to “%1”.").arg(name), out);
    });
    poll->start(50);
}

}  // namespace SceneExport
