#pragma once

// The document classes' reads and writes at a text cursor. Each read takes what stands
// at the cursor exactly (comment and blank lines are lines like any other), consumes
// what it read, and gives none, consuming nothing, when nothing of its kind starts
// there; errors are placed relative to the cursor. Each write appends to the cursor's
// text.

#include <cstdint>
#include <optional>

#include "MQAAttribute.h"
#include "MQABlock.h"
#include "MQAParam.h"
#include "MQATextStorage.h"

namespace mqa {

std::optional<MQAParam> initDecodeParam(MQATextStorage& storage);
// Reads one value at the cursor and appends it to the parameter; false (nothing
// consumed) when none starts there. A value of another kind raises "Type Mismatch.".
bool addValueFromStorage(MQAParam& param, MQATextStorage& storage);
// One attribute line, with its nested blocks.
std::optional<MQAAttribute> initDecodeAttribute(MQATextStorage& storage);
// A block from its "{" line through its "}".
std::optional<MQABlock> initDecodeBlock(MQATextStorage& storage);

void encode(const MQAParam& param, MQATextStorage& storage);
void encode(const MQAAttribute& attribute, MQATextStorage& storage, int32_t indent);
// From "{" to "}"; the owning attribute ends the line.
void encode(const MQABlock& block, MQATextStorage& storage, int32_t indent);

}  // namespace mqa
