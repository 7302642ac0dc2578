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
    // A block being filled, and the attribute line that opened it (absent for a block
    // read on its own).
    struct Frame {
        std::optional<MQAAttribute> owner;
        MQABlock block;
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

    MQATextStorage& _storage;
    const char* _p;
    const char* _end;
};
