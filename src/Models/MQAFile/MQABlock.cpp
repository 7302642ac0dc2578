#include "MQABlock.h"

#include <memory>

#include "MQAScan.h"

MQABlock& MQABlock::operator=(MQABlock&& other) noexcept {
    if (this != &other) {
        releaseNested();
        _attributes = std::move(other._attributes);
    }
    return *this;
}

MQABlock::~MQABlock() { releaseNested(); }

// Detaches every nested block into a work list and frees them one at a time, each
// already stripped of its own nested blocks, so no destructor recurses.
void MQABlock::releaseNested() {
    std::vector<MQABlockPtr> pending;
    for (MQAAttribute& attribute : _attributes)
        if (attribute.block()) pending.push_back(attribute.takeBlock());
    while (!pending.empty()) {
        MQABlockPtr block = std::move(pending.back());
        pending.pop_back();
        for (MQAAttribute& attribute : block->_attributes)
            if (attribute.block()) pending.push_back(attribute.takeBlock());
    }
}

MQABlock MQABlock::blockWithAttributes(std::vector<MQAAttribute> attributes) {
    MQABlock block;
    block._attributes = std::move(attributes);
    return block;
}

void MQABlock::setAttributes(std::vector<MQAAttribute> attributes) {
    releaseNested();
    _attributes = std::move(attributes);
}

const MQAAttribute* MQABlock::attributeForName(std::string_view name) const {
    return mqa::firstNamed(_attributes, name);
}

std::vector<const MQAAttribute*> MQABlock::attributesForName(std::string_view name) const {
    return mqa::allNamed(_attributes, name);
}
