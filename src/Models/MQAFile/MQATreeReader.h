#pragma once

#include <optional>
#include <vector>

#include "MQAAttribute.h"
#include "MQABlock.h"

class MQATextStorage;

// Reads attribute lines and blocks at a cursor. Nested blocks are kept on an explicit
// stack rather than the call stack, so nesting depth is limited only by memory.
class MQATreeReader {
public:
    explicit MQATreeReader(MQATextStorage& storage);

    std::optional<MQAAttribute> readAttribute();
    std::optional<MQABlock> readBlock();

private:
    // The attribute line that opened a block being filled (absent for a block read on
    // its own). The block's lines gather in _lines[depth], a list reused for every block
    // at that depth, and move into a list of their exact size when the block closes.
    struct Frame {
        std::optional<MQAAttribute> owner;
    };
    // The result of reading from the current position until the outermost attribute
    // line ends (stack empty) or the bottom, ownerless block closes.
    struct Outcome {
        std::optional<MQAAttribute> attribute;
        std::optional<MQABlock> block;
    };
    Outcome run(std::vector<Frame>& stack);
    void readHead(MQAAttribute& attribute);
    const char* matchOpener(const char* p) const;
    void openBlock(std::vector<Frame>& stack, std::optional<MQAAttribute> owner);
    MQABlock closeBlock(std::vector<Frame>& stack);

    MQATextStorage& _storage;
    const char* _p;
    const char* _end;
    std::vector<std::vector<MQAAttribute>> _lines;
    std::vector<MQAParam> _params;
};
