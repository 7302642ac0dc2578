#include "WarningSummary.h"

#include <QStringList>

namespace {

QString describe(const MQAWarning& warning) {
    QString text = QString::fromStdString(warning.message);
    return warning.line ? WarningSummary::tr("line %1: %2").arg(warning.line).arg(text) : text;
}

}  // namespace

WarningSummary::WarningSummary(QWidget* parent) : QLabel(parent) { setObjectName("readingWarnings"); }

void WarningSummary::showWarnings(const std::vector<MQAWarning>& warnings) {
    if (warnings.empty()) {
        clear();
        setToolTip(QString());
        return;
    }
    QString first = describe(warnings.front());
    setText(warnings.size() == 1 ? tr("Reading warning: %1").arg(first)
                                 : tr("%1 reading warnings; first, %2").arg(warnings.size()).arg(first));
    QStringList all;
    for (const MQAWarning& warning : warnings) all << describe(warning);
    setToolTip(all.join("\n"));
}
