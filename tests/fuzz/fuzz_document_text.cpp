// bytes -> tree -> text -> tree: reading never crashes, and text the writer produced
// settles: once written text has been read and written again, further rounds change
// nothing. (The first round may change the tree: an empty unnamed list writes nothing,
// so a line that began with one is read back with its next token as the name.)

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "MQAException.h"
#include "MQAFile.h"
#include "MQAUTF8.h"

namespace {

// Reads and writes text; none when reading or writing refuses it with a clear error.
std::optional<std::string> rewrite(std::string text) {
    try {
        return MQAFile::initWithString(std::move(text)).stringValue();
    } catch (const MQAException&) {
    } catch (const std::out_of_range&) {
    } catch (const std::length_error&) {
    }
    return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (mqa::findInvalidUTF8(text)) return 0;
    std::optional<std::string> once = rewrite(std::move(text));
    if (!once) return 0;
    std::optional<std::string> twice = rewrite(*once);
    if (!twice) return 0;  // strings holding quotes or nothing cannot be written readably
    std::optional<std::string> thrice = rewrite(*twice);
    // An empty body, for one, writes text that does not read back.
    if (thrice && *thrice != *twice) std::abort();
    return 0;
}
