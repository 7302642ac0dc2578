#include "ImageExport.h"

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QSaveFile>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>

#include "Document.h"
#include "DocumentWindow.h"
#include "FileBytes.h"
#include "WindowController.h"
#include "ZeltoOpenGLView.h"

namespace ImageExport {

namespace {

constexpr const char* kFolderKey = "export/imageFolder";

QString documentPathOf(WindowController* controller) {
    QUrl url = controller->document()->fileURL();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

std::optional<PictureChoice> askPicture(QWidget* parent, QSize viewPixels) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Export Image"));
    auto* form = new QFormLayout(&dialog);
    auto* ownSize = new QRadioButton(
        QObject::tr("The view’s size, %1 × %2 pixels").arg(viewPixels.width()).arg(viewPixels.height()));
    auto* chosen = new QRadioButton(QObject::tr("This size:"));
    ownSize->setChecked(true);
    auto* width = new QSpinBox;
    auto* height = new QSpinBox;
    for (QSpinBox* side : {width, height}) {
        side->setRange(1, kMaxSide);
        side->setSuffix(QObject::tr(" px"));
        side->setEnabled(false);
        QObject::connect(chosen, &QRadioButton::toggled, side, &QSpinBox::setEnabled);
    }
    width->setValue(std::max(1, viewPixels.width() * 2));
    height->setValue(std::max(1, viewPixels.height() * 2));
    auto* sides = new QHBoxLayout;
    sides->addWidget(width);
    sides->addWidget(new QLabel("×"));
    sides->addWidget(height);
    form->addRow(ownSize);
    form->addRow(chosen, sides);
    auto* transparent = new QCheckBox(QObject::tr("Transparent background, without the grid and axes"));
    form->addRow(transparent);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return PictureChoice{ownSize->isChecked() ? viewPixels : QSize(width->value(), height->value()),
                         transparent->isChecked()};
}

QString suggestedPath(const QString& folder, const QString& documentName) {
    QDir dir(folder);
    QString base = documentName.isEmpty() ? QObject::tr("Untitled") : documentName;
    QString path = dir.filePath(base + "-view.png");
    for (int number = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++number)
        path = dir.filePath(QStringLiteral("%1-view-%2.png").arg(base).arg(number));
    return path;
}

QString lastFolder() { return QSettings().value(kFolderKey).toString(); }

bool writePng(const QImage& image, const QString& path, const QString& documentPath, QString* error) {
    if (!documentPath.isEmpty() && zelto::sameFile(QFile::encodeName(path).toStdString(), QFile::encodeName(documentPath).toStdString())) {
        *error = QObject::tr("“%1” is the document itself; the picture is not written over it.")
                     .arg(QFileInfo(path).fileName());
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

QFileDialog* saveDialog(QWidget* parent, const QString& suggestion) {
    auto* dialog = new QFileDialog(parent, QObject::tr("Export Image"), suggestion, QObject::tr("PNG images (*.png)"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    // The dialog adds ".png" to a name typed without it before it asks about replacing a
    // file: "shot" never writes over "shot.png" unasked.
    dialog->setDefaultSuffix("png");
    return dialog;
}

void exportImage(WindowController* controller) {
    QWidget* window = controller->window();
    ZeltoOpenGLView* view = controller->glView();
    std::optional<PictureChoice> choice = askPicture(window, view->backingPixels());
    if (!choice) return;
    QString document = documentPathOf(controller);
    QString folder = lastFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = document.isEmpty() ? QDir::homePath() : QFileInfo(document).absolutePath();
    QString name = document.isEmpty() ? QString() : QFileInfo(document).completeBaseName();
    std::unique_ptr<QFileDialog> dialog(saveDialog(window, suggestedPath(folder, name)));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return;
    QString path = dialog->selectedFiles().front();
    QSize size = choice->size;
    QImage image = view->renderImage(size, choice->transparent);
    QString error;
    if (image.isNull()) {
        error = QObject::tr("A picture of %1 × %2 pixels cannot be drawn here.").arg(size.width()).arg(size.height());
    } else if (writePng(image, path, document, &error)) {
        QSettings().setValue(kFolderKey, QFileInfo(path).absolutePath());
        return;
    }
    QMessageBox box(QMessageBox::Warning, QObject::tr("Export Image"),
                    QObject::tr("The picture was not written to “%1”.").arg(path), QMessageBox::Ok, window);
    box.setInformativeText(error);
    box.exec();
}

void copyImage(WindowController* controller) {
    ZeltoOpenGLView* view = controller->glView();
    QImage image = view->renderImage(view->backingPixels());
    if (image.isNull()) return;
    QApplication::clipboard()->setImage(image);
    controller->window()->statusBar()->showMessage(QObject::tr("Copied"), 3000);
}

}  // namespace ImageExport
