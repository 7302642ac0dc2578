// bytes -> tree -> text -> tree: reading never crashes; reading blocks in halves on two
// threads gives what reading in one go gives; compatibility reading takes any bytes and
// gives the strict tree wherever strict reading succeeds; and text the writer produced
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
#include "MQAReader.h"
#include "MQATreeBuilder.h"
#include "MQAUTF8.h"

namespace {

// Reads and writes text; none when reading or writing refuses it with a clear error,
// whose text goes to `error`.
std::optional<std::string> rewrite(const std::string& text, size_t halvesFrom = SIZE_MAX,
                                   std::string* error = nullptr) {
    try {
        mqa::TreeBuilder builder;
        MQAReadOptions options;
        options.halvesFrom = halvesFrom;
        MQAReadResult read = mqa::readDocument(text, builder, options);
        MQAFile file;
        file.setType(read.type);
        file.setVersion(read.version);
        file.setBody(MQABlock::blockWithAttributes(builder.take()));
        return file.stringValue();
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
    std::optional<std::string> compatible;
    try {
        compatible = MQAFile::initWithString(text, MQAReading::Compatible).stringValue();
    } catch (const std::exception&) {
    }
    if (mqa::findInvalidUTF8(text)) return 0;
    std::string aloneError, splitError;
    std::optional<std::string> once = rewrite(text, SIZE_MAX, &aloneError);
    if (rewrite(text, 0, &splitError) != once || splitError != aloneError) std::abort();
    if (once && compatible != once) std::abort();
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
