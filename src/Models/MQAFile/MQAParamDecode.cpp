// Reading parameters and values at the cursor.

#include <bit>
#include <vector>

#include "MQAException.h"
#include "MQANumber.h"
#include "MQAParam.h"
#include "MQAScan.h"
#include "MQATextStorage.h"

namespace {

constexpr std::string_view kUnit = "MQAParam";
constexpr int kSyntaxErrorLine = 249;
constexpr int kStringMismatchLine = 283;
constexpr int kFloatMismatchLine = 292;
constexpr int kIntMismatchLine = 301;

MQAParamType typeOf(mqa::MQAValueKind kind) {
    switch (kind) {
        case mqa::MQAValueKind::String: return MQAParamTypeString;
        case mqa::MQAValueKind::Float: return MQAParamTypeFloat;
        case mqa::MQAValueKind::Int: return MQAParamTypeInt;
        default: return MQAParamTypeNone;
    }
}

// Raises "Type Mismatch." when a value of another kind follows values of a set type.
void checkKind(int64_t type, mqa::MQAValueKind kind) {
    if (type == MQAParamTypeNone || type == typeOf(kind)) return;
    int line = kind == mqa::MQAValueKind::String ? kStringMismatchLine
               : kind == mqa::MQAValueKind::Float ? kFloatMismatchLine
                                                   : kIntMismatchLine;
    MQARaise("Type Mismatch.", kUnit, line);
}

uint32_t numberBits(const mqa::MQAScannedValue& v) {
    if (v.kind == mqa::MQAValueKind::Float) return std::bit_cast<uint32_t>(mqa::parseFloat(v.text));
    return static_cast<uint32_t>(mqa::parseInt(v.text));
}

}  // namespace

bool MQAParam::addValueFromStorage(MQATextStorage& storage) {
    mqa::MQAScannedValue v = mqa::scanValue(storage.cursor(), storage.end());
    if (v.kind == mqa::MQAValueKind::None) return false;
    checkKind(type(), v.kind);
    switch (v.kind) {
        case mqa::MQAValueKind::String: appendString(v.text); break;
        case mqa::MQAValueKind::Float: appendFloat(mqa::parseFloat(v.text)); break;
        default: appendInt(mqa::parseInt(v.text)); break;
    }
    storage.advanceTo(v.next);
    return true;
}

std::optional<MQAParam> MQAParam::initDecode(MQATextStorage& storage) {
    const char* p = storage.cursor();
    std::optional<MQAParam> param = decodeAt(p, storage.end());
    if (param) storage.advanceTo(p);
    return param;
}

std::optional<MQAParam> MQAParam::decodeAt(const char*& p, const char* end) {
    MQAParam param;
    const char* q = p;
    // A named list: the name, then "(" (which stays for the list opener).
    const char* nameStart = mqa::skipBlanks(q, end);
    if (const char* nameEnd = mqa::scanName(nameStart, end)) {
        if (mqa::matchBlanksThen(nameEnd, end, '(')) {
            param.setName(std::string_view(nameStart, static_cast<size_t>(nameEnd - nameStart)));
            q = nameEnd;
        }
    }
    const char* open = mqa::matchBlanksThen(q, end, '(');
    if (!open) {
        mqa::MQAScannedValue v = mqa::scanValue(q, end);
        if (v.kind == mqa::MQAValueKind::None) return std::nullopt;
        if (v.kind == mqa::MQAValueKind::String)
            param.appendString(v.text);
        else
            param.appendCompact(numberBits(v), typeOf(v.kind));
        p = v.next;
        return param;
    }
    // Numbers are gathered first and stored once, in an array of exactly their size.
    thread_local std::vector<uint32_t> numbers;
    numbers.clear();
    int64_t type = MQAParamTypeNone;
    q = open;
    for (;;) {
        mqa::MQAScannedValue v = mqa::scanValue(q, end);
        if (v.kind == mqa::MQAValueKind::None) break;
        checkKind(type, v.kind);
        type = typeOf(v.kind);
        if (v.kind == mqa::MQAValueKind::String)
            param.appendString(v.text);
        else
            numbers.push_back(numberBits(v));
        q = v.next;
    }
    const char* close = mqa::matchBlanksThen(q, end, ')');
    if (!close) MQARaise("Syntax Error.", kUnit, kSyntaxErrorLine);
    if (!numbers.empty()) {
        if (param.isExt() || numbers.size() <= kInlineValues) {
            for (uint32_t bits : numbers) param.appendCompactOrExt(bits, static_cast<MQAParamType>(type));
        } else {
            param.adoptCompact(numbers, static_cast<MQAParamType>(type));
        }
    }
    p = close;
    return param;
}
