#include "SceneExport.h"

#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
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
#include "ZeltoOpenGLView.h"

namespace SceneExport {

namespace {

std::string local(const QString& path) { return QFile::encodeName(path).toStdString(); }

const char* const kScaleKey = "glTF export/metres per unit";

// A field below the file's name for the scale: metres per document unit, as last used.
QDoubleSpinBox* addScaleField(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);  // a native dialog takes no fields
    auto* scale = new QDoubleSpinBox(&dialog);
    scale->setDecimals(6);
    scale->setRange(0.000001, 1000000);
    scale->setValue(QSettings().value(kScaleKey, 1.0).toDouble());
    scale->setToolTip(QObject::tr("The exported scene is scaled by this: glTF measures in metres."));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QObject::tr("Metres per unit:"), &dialog), row, 0);
        grid->addWidget(scale, row, 1);
    }
    return scale;
}

// What a worker shares with the window that started it, which may close first.
struct Job {
    MQAProgress progress;
    std::atomic<bool> done{false};
    QString error;
    QStringList warnings;
};

}  // namespace

QString exportFile(const SceneHandle& scene, const QString& documentPath, MQAReading reading, const QString& out,
                   MQAProgress* progress, QStringList* warnings, DisplayChoice display, double scale) {
    GltfExportOptions options;
    options.display = display;
    options.scale = scale;
    options.documentPath = local(QFileInfo(documentPath).absoluteFilePath());
    options.lenientPaths = reading == MQAReading::Compatible;
    options.progress = progress;
    try {
        for (const std::string& warning : exportGltfFile(*scene, local(out), options))
            warnings->append(QString::fromStdString(warning));
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
    QDoubleSpinBox* scale = addScaleField(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString out = dialog.selectedFiles().front();
    QSettings().setValue(kScaleKey, scale->value());

    auto job = std::make_shared<Job>();
    auto counted = std::make_shared<SceneLoader::CountedWorker>();
    std::thread([job, scene = controller->document()->model(), document, out, reading = controller->document()->reading(),
                 display = controller->glView()->displayChoice(), scale = scale->value(), counted]() mutable {
        job->error = exportFile(scene, document, reading, out, &job->progress, &job->warnings, display, scale);
        job->done = true;
        counted.reset();
    }).detach();

    // The window's message bar follows the faces written and offers Cancel; polled, as
    // the worker only counts them. A window that closes cancels the export.
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
