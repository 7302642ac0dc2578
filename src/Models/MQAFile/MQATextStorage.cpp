#include "MQATextStorage.h"

MQATextStorage::MQATextStorage() { _text.reserve(4096); }

MQATextStorage::MQATextStorage(std::string_view text) : _text(text), _range{0, text.size()} {}

MQATextStorage::MQATextStorage(std::string&& text)
    : _text(std::move(text)), _range{0, _text.size()} {}
