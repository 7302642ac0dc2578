// What happens when memory runs out. This program replaces the global allocation
// functions so that a test can make the next allocation fail.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "MQAParam.h"

namespace {
bool gFailNextAllocation = false;
}

void* operator new(std::size_t size) {
    if (gFailNextAllocation) {
        gFailNextAllocation = false;
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
// The replaced new takes its blocks from malloc, so free is the matching release; GCC
// cannot see that the two replacements belong together and warns.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

TEST(MQAParamCopy, FailedAssignmentLeavesTheTargetAsItWas) {
    MQAParam strings = MQAParam::paramWithStringValues({"first", "second"});
    const int32_t numbers[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    MQAParam target = MQAParam::paramWithIntValues(numbers);
    target.setName("long name");
    gFailNextAllocation = true;
    EXPECT_THROW(target = strings, std::bad_alloc);
    ASSERT_EQ(target.count(), 10u);
    EXPECT_EQ(target.type(), MQAParamTypeInt);
    EXPECT_EQ(target.intValueAtIndex(9), 10);
    EXPECT_EQ(target.name(), std::optional<std::string_view>("long name"));
    target = strings;  // and a later assignment still works
    EXPECT_EQ(target.stringValueAtIndex(1), "second");
}  // destroying both frees each block once
