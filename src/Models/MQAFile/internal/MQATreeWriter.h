#pragma once

#include <cstdint>
#include <string>
#include <vector>

class MQAAttribute;
class MQABlock;

namespace mqa {

// Writes attributes and blocks as document text, one tab of indentation per level.
// Iterative, so any depth is written without deep recursion; a tree whose indentation
// alone would pass kMaxIndentBytes is refused with std::length_error, since its text
// grows with the square of its depth.
class TreeWriter {
public:
    static constexpr uint64_t kMaxIndentBytes = uint64_t{64} << 20;

    explicit TreeWriter(std::string& out) : _out(out) {}

    void writeAttribute(const MQAAttribute& attribute, int32_t indent);

private:
    struct Frame {
        const MQABlock* block;
        size_t next;
        int64_t indent;
    };
    // Writes the line of an attribute up to its end, or through "{" and pushes its block.
    void writeLine(const MQAAttribute& attribute, int64_t indent);
    void drain();
    void writeTabs(int64_t count);

    std::string& _out;
    std::vector<Frame> _stack;
    uint64_t _indentBytes = 0;
};

}  // namespace mqa
