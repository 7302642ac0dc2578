#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "MQAAttribute.h"

// A brace-delimited list of attribute lines. Destroying a block releases nested blocks
// level by level, so any depth is safe.
class MQABlock {
public:
    MQABlock() = default;
    MQABlock(MQABlock&&) noexcept = default;
    MQABlock& operator=(MQABlock&& other) noexcept;
    ~MQABlock();

    static MQABlock blockWithAttributes(std::vector<MQAAttribute> attributes);

    // Lookups ignore ASCII letter case and skip attributes without a name.
    const MQAAttribute* attributeForName(std::string_view name) const;
    std::vector<const MQAAttribute*> attributesForName(std::string_view name) const;

    const std::vector<MQAAttribute>& attributes() const { return _attributes; }
    std::vector<MQAAttribute>& attributes() { return _attributes; }
    void setAttributes(std::vector<MQAAttribute> attributes);

private:
    void releaseNested();
    std::vector<MQAAttribute> _attributes;
};
