#include "MQAAttribute.h"

#include "MQABlock.h"
#include "MQAScan.h"

void MQABlockDeleter::operator()(MQABlock* block) const { delete block; }

MQAAttribute MQAAttribute::attributeWithParams(std::vector<MQAParam> params) {
    MQAAttribute attribute;
    attribute.setParams(std::move(params));
    return attribute;
}

MQAAttribute MQAAttribute::attributeWithName(std::string_view name, std::vector<MQAParam> params) {
    MQAAttribute attribute = attributeWithParams(std::move(params));
    attribute.setName(name);
    return attribute;
}

const MQAParam* MQAAttribute::paramForName(std::string_view name) const { return mqa::firstNamed(_params, name); }

std::vector<const MQAParam*> MQAAttribute::paramsForName(std::string_view name) const {
    return mqa::allNamed(_params, name);
}

std::optional<std::string_view> MQAAttribute::name() const {
    if (!_name) return std::nullopt;
    return std::string_view(*_name);
}

void MQAAttribute::setName(std::optional<std::string_view> name) {
    _name = name ? std::make_unique<std::string>(*name) : nullptr;
}

bool MQAAttribute::hasName(std::string_view name) const { return _name && mqa::equalsIgnoringCase(*_name, name); }

void MQAAttribute::setBlock(MQABlock&& block) { _block = MQABlockPtr(new MQABlock(std::move(block))); }
