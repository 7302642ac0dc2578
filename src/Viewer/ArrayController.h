#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QObject>

#include "ViewerTypes.h"

// The animation picker's list: the names it offers and which one, if any, is chosen.
// The list owns its names; `selection` is the chosen name, or none when no single entry
// is chosen.
class ArrayController : public QObject {
    Q_OBJECT
    Q_PROPERTY(AnimationNameHandle selection READ selection NOTIFY selectionChanged)

public:
    using QObject::QObject;

    // Replaces the names. A name that stays in the list keeps its entry, so a chosen
    // name that is still offered stays chosen without a change; otherwise the choice is
    // cleared.
    void setContent(const std::vector<std::string>& names);
    const std::vector<AnimationNameHandle>& arrangedObjects() const { return _content; }

    std::optional<size_t> selectionIndex() const { return _selection; }
    // Chooses an entry, or none; an index past the list chooses none.
    void setSelectionIndex(std::optional<size_t> index);
    AnimationNameHandle selection() const;

signals:
    void contentChanged();
    void selectionChanged();

private:
    std::vector<AnimationNameHandle> _content;
    std::optional<size_t> _selection;
};
