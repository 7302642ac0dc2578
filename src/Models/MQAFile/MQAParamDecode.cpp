// Reading parameters and values at the cursor.

#include <bit>
#include <vector>

#include "MQACompat.h"
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


bool mixesNumbers(int64_t type, mqa::MQAValueKind kind) {
    return (type == MQAParamTypeInt && kind == mqa::MQAValueKind::Float) ||
           (type == MQAParamTypeFloat && kind == mqa::MQAValueKind::Int);
}

uint32_t intBitsAsFloatBits(uint32_t bits) {
    return std::bit_cast<uint32_t>(static_cast<float>(static_cast<int32_t>(bits)));
}

}  // namespace

bool MQAParam::addValueFromStorage(MQATextStorage& storage) {
    mqa::MQAScannedValue v = mqa::scanValue(storage.cursor(), storage.end());
    if (v.kind == mqa::MQAValueKind::None) return false;
    checkKind(type(), v.kind);
    switch (v.kind) {
        case mqa::MQAValueKind::String: appendString(v.text); break;
        case mqa::MQAValueKind::Float: appendFloat(std::bit_cast<float>(v.bits)); break;
        default: appendInt(static_cast<int32_t>(v.bits)); break;
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
    if (!param.decodeHere(p, end)) return std::nullopt;
    return param;
}

bool MQAParam::decodeInto(const char*& p, const char* end, std::vector<MQAParam>& into) {
    if (!into.emplace_back().decodeHere(p, end)) {
        into.pop_back();
        return false;
    }
    return true;
}

bool MQAParam::decodeHere(const char*& p, const char* end) {
    // Blanks before the parameter are skipped once; every pattern below starts after them.
    const char* start = mqa::skipBlanks(p, end);
    const char* open = nullptr;
    if (const char* nameEnd = mqa::scanName(start, end)) {
        // A named list: the name, then "(".
        if ((open = mqa::matchBlanksThen(nameEnd, end, '(')))
            setName(std::string_view(start, static_cast<size_t>(nameEnd - start)));
    } else if (start != end && *start == '(') {
        open = start + 1;
    }
    if (!open) {
        mqa::MQAScannedValue v = mqa::scanValue(start, end);
        if (v.kind == mqa::MQAValueKind::None) return false;
        if (v.kind == mqa::MQAValueKind::String)
            appendString(v.text);
        else
            setCompact(&v.bits, 1, typeOf(v.kind));
        p = v.next;
        return true;
    }
    // Numbers are gathered first and stored once, inline or in an array of their size.
    constexpr size_t kLocal = 16;
    uint32_t local[kLocal];
    thread_local std::vector<uint32_t> spill;
    size_t n = 0;
    int64_t kind = MQAParamTypeNone;
    const char* q = open;
    for (;;) {
        mqa::MQAScannedValue v = mqa::scanValue(q, end);
        if (v.kind == mqa::MQAValueKind::None) break;
        if (kind != MQAParamTypeNone && kind != typeOf(v.kind) && mixesNumbers(kind, v.kind) &&
            mqa::compat::lenientNumbers()) {
            // Compatibility reading: integers among decimals read as decimals.
            mqa::compat::noteMixedNumbers();
            if (kind == MQAParamTypeInt) {
                uint32_t* gathered = n <= kLocal ? local : spill.data();
                for (size_t k = 0; k < n; ++k) gathered[k] = intBitsAsFloatBits(gathered[k]);
                kind = MQAParamTypeFloat;
            }
            if (v.kind == mqa::MQAValueKind::Int) {
                v.bits = intBitsAsFloatBits(v.bits);
                v.kind = mqa::MQAValueKind::Float;
            }
        }
        checkKind(kind, v.kind);
        kind = typeOf(v.kind);
        if (v.kind == mqa::MQAValueKind::String) {
            appendString(v.text);
        } else if (n < kLocal) {
            local[n++] = v.bits;
        } else {
            if (n == kLocal) spill.assign(local, local + kLocal);
            spill.push_back(v.bits);
            ++n;
        }
        q = v.next;
    }
    const char* close = mqa::matchBlanksThen(q, end, ')');
    if (!close) MQARaise("Syntax Error.", kUnit, kSyntaxErrorLine);
    if (n > 0) setCompact(n <= kLocal ? local : spill.data(), n, static_cast<MQAParamType>(kind));
    p = close;
    return true;
}
