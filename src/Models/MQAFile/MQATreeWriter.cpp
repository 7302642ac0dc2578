#include "MQATreeWriter.h"

#include <stdexcept>

#include "MQAAttribute.h"
#include "MQABlock.h"

namespace mqa {

void TreeWriter::writeAttribute(const MQAAttribute& attribute, int32_t indent) {
    writeLine(attribute, indent);
    drain();
}

void TreeWriter::writeTabs(int64_t count) {
    if (count <= 0) return;
    _indentBytes += static_cast<uint64_t>(count);
    if (_indentBytes > kMaxIndentBytes)
        throw std::length_error("The document is nested too deeply to be written as text.");
    _out.append(static_cast<size_t>(count), '\t');
}

void TreeWriter::writeLine(const MQAAttribute& attribute, int64_t indent) {
    writeTabs(indent);
    if (auto name = attribute.name()) _out.append(*name).push_back(' ');
    bool first = true;
    for (const MQAParam& param : attribute.params()) {
        if (!first) _out.push_back(' ');
        first = false;
        param.appendText(_out);
    }
    if (const MQABlock* block = attribute.block()) {
        _out.append(" {\r\n");
        _stack.push_back(Frame{block, 0, indent});
    } else {
        _out.append("\r\n");
    }
}

void TreeWriter::drain() {
    while (!_stack.empty()) {
        Frame& top = _stack.back();
        if (top.next < top.block->attributes().size()) {
            const MQAAttribute& attribute = top.block->attributes()[top.next++];
            writeLine(attribute, top.indent + 1);  // may push, invalidating `top`
            continue;
        }
        writeTabs(top.indent);
        _out.append("}\r\n");
        _stack.pop_back();
    }
}

}  // namespace mqa
