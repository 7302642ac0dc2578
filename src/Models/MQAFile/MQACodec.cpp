#include "MQACodec.h"

#include <string>
#include <vector>

#include "MQALineReader.h"
#include "MQAScan.h"
#include "MQATreeBuilder.h"
#include "MQATreeWriter.h"

namespace mqa {
namespace {

// Reads at the cursor, then consumes what was read.
template <typename Read>
auto atCursor(MQATextStorage& storage, Read&& read) {
    MQAReadOptions options;
    LenientNotes notes;
    LineReader reader(storage.text(), storage.cursor(), storage.end(), 1, options, notes);
    reader.setPassesOverCommentsAndBlanks(false);
    auto result = read(reader);
    storage.advanceTo(reader.position());
    return result;
}

}  // namespace

std::optional<MQAParam> initDecodeParam(MQATextStorage& storage) {
    return atCursor(storage, [](LineReader& reader) { return reader.readParamHere(); });
}

bool addValueFromStorage(MQAParam& param, MQATextStorage& storage) {
    MQAScannedValue v = scanValue(storage.cursor(), storage.end());
    if (v.kind == MQAValueKind::None) return false;
    MQAParamType kind = v.kind == MQAValueKind::String ? MQAParamTypeString
                        : v.kind == MQAValueKind::Float ? MQAParamTypeFloat
                                                         : MQAParamTypeInt;
    if (param.type() != MQAParamTypeNone && param.type() != kind)
        MQARaise("Type Mismatch.", "MQAParam", kind == MQAParamTypeString ? 283 : kind == MQAParamTypeFloat ? 292 : 301);
    std::optional<std::string_view> name = param.name();
    std::string ownName(name.value_or(""));
    MQAParam grown;
    if (kind == MQAParamTypeString) {
        std::vector<std::string> texts;
        for (uint64_t i = 0; i < param.count(); ++i) texts.push_back(param.stringValueAtIndex(i));
        texts.emplace_back(v.text);
        std::vector<std::string_view> views(texts.begin(), texts.end());
        grown = MQAParam::paramWithStringValues(std::span<const std::string_view>(views));
    } else if (kind == MQAParamTypeInt) {
        std::vector<int32_t> numbers;
        for (uint64_t i = 0; i < param.count(); ++i) numbers.push_back(param.intValueAtIndex(i));
        numbers.push_back(static_cast<int32_t>(v.bits));
        grown = MQAParam::paramWithIntValues(numbers);
    } else {
        std::vector<float> numbers;
        for (uint64_t i = 0; i < param.count(); ++i) numbers.push_back(param.floatValueAtIndex(i));
        numbers.push_back(std::bit_cast<float>(v.bits));
        grown = MQAParam::paramWithFloatValues(std::span<const float>(numbers));
    }
    if (name) grown.setName(std::string_view(ownName));
    param = std::move(grown);
    storage.advanceTo(v.next);
    return true;
}

std::optional<MQAAttribute> initDecodeAttribute(MQATextStorage& storage) {
    return atCursor(storage, [](LineReader& reader) -> std::optional<MQAAttribute> {
        TreeBuilder builder;
        if (!reader.readOneLine(builder)) return std::nullopt;
        return std::move(builder.take().front());
    });
}

std::optional<MQABlock> initDecodeBlock(MQATextStorage& storage) {
    return atCursor(storage, [](LineReader& reader) -> std::optional<MQABlock> {
        TreeBuilder builder;
        if (!reader.readBlock(builder)) return std::nullopt;
        MQABlockPtr block = builder.take().front().takeBlock();
        return std::move(*block);
    });
}

void encode(const MQAParam& param, MQATextStorage& storage) { param.appendText(storage.text()); }

void encode(const MQAAttribute& attribute, MQATextStorage& storage, int32_t indent) {
    TreeWriter(storage.text()).writeAttribute(attribute, indent);
}

void encode(const MQABlock& block, MQATextStorage& storage, int32_t indent) {
    TreeWriter(storage.text()).writeBlock(block, indent);
}

}  // namespace mqa
