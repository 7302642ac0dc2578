// bytes -> tree -> text -> tree: reading never crashes; reading with the second half of
// the body read ahead in another thread gives what reading alone gives; and text the
// writer produced settles: once written text has been read and written again, further
// rounds change nothing. (The first round may change the tree: an empty unnamed list
// writes nothing, so a line that began with one is read back with its next token as
// the name.)

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "MQAException.h"
#include "MQAFile.h"
#include "MQAFileReading.h"
#include "MQAUTF8.h"

namespace {

// Reads and writes text; none when reading or writing refuses it with a clear error,
// whose text goes to `error`.
std::optional<std::string> rewrite(std::string text, const MQAReadOptions& options = {},
                                   std::string* error = nullptr) {
    try {
        return mqa::readDocument(std::move(text), options).stringValue();
    } catch (const MQAException& e) {
        if (error) *error = e.what();
    } catch (const std::out_of_range& e) {
        if (error) *error = e.what();
    } catch (const std::length_error& e) {
        if (error) *error = e.what();
    }
    return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (mqa::findInvalidUTF8(text)) return 0;
    MQAReadOptions alone, split;
    alone.readAheadBytes = SIZE_MAX;
    split.readAheadBytes = 0;
    split.readAheadFrom = 1 + (size > 0 ? data[0] * size / 256 : 0);
    std::string aloneError, splitError;
    std::optional<std::string> once = rewrite(text, alone, &aloneError);
    if (rewrite(text, split, &splitError) != once || splitError != aloneError) std::abort();
    if (!once) return 0;
    std::optional<std::string> twice = rewrite(*once);
    // Every string that reading gives can be written: a refusal (std::invalid_argument)
    // would end the run above.
    if (!twice) return 0;
    std::optional<std::string> thrice = rewrite(*twice);
    // An empty body, for one, writes text that does not read back.
    if (thrice && *thrice != *twice) std::abort();
    return 0;
}
