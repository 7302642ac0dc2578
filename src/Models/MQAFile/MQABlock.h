#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "MQAAttribute.h"

class MQATextStorage;

// A brace-delimited list of attribute lines. Destroying a block releases nested blocks
// level by level, so any depth is safe.
class MQABlock {
public:
    MQABlock() = default;
    MQABlock(MQABlock&&) noexcept = default;
    MQABlock& operator=(MQABlock&& other) noexcept;
    ~MQABlock();

    static MQABlock blockWithAttributes(std::vector<MQAAttribute> attributes);

    // Reads a block from its "{" line through its "}"; none when no opener stands there.
    static std::optional<MQABlock> initDecode(MQATextStorage& storage);
    // Appends the block from "{" to "}" (the owning attribute ends the line).
    void encode(MQATextStorage& storage, int32_t indent) const;

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
