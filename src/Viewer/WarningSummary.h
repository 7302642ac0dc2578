#pragma once

#include <vector>

#include <QLabel>

#include "MQAFile.h"

// The status bar's word on what reading, textures and drawing left out or did another
// way: the first warning and how many there are, every one of them in the tooltip; empty
// when there are none.
class WarningSummary : public QLabel {
    Q_OBJECT

public:
    explicit WarningSummary(QWidget* parent = nullptr);

    void showWarnings(const std::vector<MQAWarning>& warnings);
};
