#include "ErrorDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include "Document.h"

namespace ErrorDialog {

namespace {

QString tr(const char* text) { return QCoreApplication::translate("ErrorDialog", text); }

// The line as it is, with a caret under the column; the line's tabs are kept so that
// the caret lines up.
QString lineWithCaret(const MQAPlace& place) {
    QString line = QString::fromUtf8(place.excerpt.data(), qsizetype(place.excerpt.size()));
    if (place.column == 0) return line;
    QString caret;
    for (qsizetype i = 0; i + 1 < qsizetype(place.column) && i < line.size(); ++i)
        caret += line[i] == '\t' ? QChar('\t') : QChar(' ');
    return line + "\n" + caret + "^";
}

}  // namespace

QString placeSuffix(const DocumentError& error) {
    if (!error.place || error.place->line == 0) return QString();
    QString column = error.place->column > 0 ? tr(", column %1").arg(error.place->column) : QString();
    return tr(" (line %1%2)").arg(error.place->line).arg(column);
}

DocumentController::ErrorChoice present(const QString& path, const DocumentError& error, bool offerCompatibility) {
    using Choice = DocumentController::ErrorChoice;
    // The reason comes first, as it is; what compatibility reading takes follows it.
    QString text = error.description;
    if (offerCompatibility && !error.compatibilityHint.isEmpty())
        text += "\n\n" + tr("Compatibility reading opens it: %1.").arg(error.compatibilityHint);
    QMessageBox box(QMessageBox::Warning, tr("Zelto"), text);
    QString where = path;
    if (error.place && error.place->line > 0) {
        where += "\n" + tr("Line %1").arg(error.place->line);
        if (error.place->column > 0) where += tr(", column %1").arg(error.place->column);
    }
    box.setInformativeText(where);
    if (error.place && !error.place->excerpt.empty()) box.setDetailedText(lineWithCaret(*error.place));
    QPushButton* compatible = nullptr;
    if (offerCompatibility) {
        compatible = box.addButton(tr("Open with Compatibility Reading"), QMessageBox::AcceptRole);
        // Files from one modeller tend to need it alike: it can stay on for the next ones.
        auto* keep = new QCheckBox(tr("Keep compatibility reading on for the files I open next"));
        keep->setObjectName("keepCompatibilityReading");
        box.setCheckBox(keep);
    }
    box.setDefaultButton(box.addButton(QMessageBox::Close));
    box.exec();
    if (!compatible || box.clickedButton() != compatible) return Choice::Dismiss;
    return box.checkBox()->isChecked() ? Choice::ReadCompatiblyFromNowOn : Choice::ReadCompatibly;
}

}  // namespace ErrorDialog
