#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MQAParam.h"

class MQABlock;
// Lets attributes be moved and destroyed inline where MQABlock is still incomplete.
struct MQABlockDeleter {
    void operator()(MQABlock* block) const;
};
using MQABlockPtr = std::unique_ptr<MQABlock, MQABlockDeleter>;

// One line of a document: an optional name, its parameters and optionally a block.
// Move-only: a tree may be deeper than any call stack, so copying is not offered, and
// reading, writing and destroying never recurse.
class MQAAttribute {
public:
    MQAAttribute() = default;
    MQAAttribute(MQAAttribute&&) noexcept = default;
    MQAAttribute& operator=(MQAAttribute&&) noexcept = default;
    ~MQAAttribute() = default;

    static MQAAttribute attributeWithParams(std::vector<MQAParam> params);
    static MQAAttribute attributeWithName(std::string_view name, std::vector<MQAParam> params);

    // Lookups ignore ASCII letter case and skip parameters without a name.
    const MQAParam* paramForName(std::string_view name) const;
    std::vector<const MQAParam*> paramsForName(std::string_view name) const;

    std::optional<std::string_view> name() const;
    void setName(std::optional<std::string_view> name);
    bool hasName(std::string_view name) const;

    const std::vector<MQAParam>& params() const { return _params; }
    std::vector<MQAParam>& params() { return _params; }
    void setParams(std::vector<MQAParam> params) { _params = std::move(params); }

    const MQABlock* block() const { return _block.get(); }
    MQABlock* block() { return _block.get(); }
    void setBlock(MQABlock&& block);
    void setBlock(MQABlockPtr block) { _block = std::move(block); }
    MQABlockPtr takeBlock() { return std::move(_block); }

    bool isEmpty() const { return !_name && _params.empty() && !_block; }

    // The line of the file it was read from (1-based); 0 when not read from a file.
    uint64_t sourceLine() const { return _sourceLine; }
    void setSourceLine(uint64_t line) { _sourceLine = line; }

private:
    std::unique_ptr<std::string> _name;  // absent: no name
    std::vector<MQAParam> _params;
    MQABlockPtr _block;
    uint64_t _sourceLine = 0;
};
