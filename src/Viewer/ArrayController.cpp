#include "ArrayController.h"

void ArrayController::setContent(const std::vector<std::string>& names) {
    AnimationNameHandle chosen = selection();
    std::vector<AnimationNameHandle> content;
    content.reserve(names.size());
    std::optional<size_t> chosenIndex;
    for (const std::string& name : names) {
        AnimationNameHandle entry;
        for (const AnimationNameHandle& old : _content)
            if (*old == name) entry = old;
        if (!entry) entry = std::make_shared<const std::string>(name);
        if (entry == chosen) chosenIndex = content.size();
        content.push_back(std::move(entry));
    }
    _content = std::move(content);
    _selection = chosenIndex;
    emit contentChanged();
    if (selection() != chosen) emit selectionChanged();
}

void ArrayController::setSelectionIndex(std::optional<size_t> index) {
    if (index && *index >= _content.size()) index.reset();
    if (index == _selection) return;
    _selection = index;
    emit selectionChanged();
}

AnimationNameHandle ArrayController::selection() const {
    if (!_selection) return nullptr;
    return _content[*_selection];
}
