#pragma once

// Compatibility reading: documents as modellers and exporters write them, beyond what
// the strict grammar takes. The bytes are prepared into text the strict reader reads
// (with a little lenience of its own), and every liberty taken is reported as a warning.

#include <string>
#include <vector>

#include "MQAException.h"
#include "MQALineMap.h"

namespace mqa::compat {

struct Prepared {
    std::string text;
    // Lines taken out, innermost step first, in whole-text line numbers (1-based).
    std::vector<std::vector<LinesRemoved>> removed;
    std::vector<MQAWarning> warnings;
};

// Skips a UTF-8 byte-order mark; cuts the binary data that follows "Vector N [BYTES]"
// lines; ends lines that end with LF alone with CR LF; decodes text that is not UTF-8
// as Shift_JIS (CP932); takes out "Thumbnail" and "BVertex" chunks. Throws
// MQAInvalidText when the text is neither UTF-8 nor Shift_JIS.
Prepared prepare(std::string bytes);

// While set on a thread, a parameter list that mixes integers and decimals reads as
// decimals instead of failing; mixedNumbersSeen() then says whether one did since the
// last call.
void setLenientNumbers(bool lenient);
bool lenientNumbers();
void noteMixedNumbers();
bool mixedNumbersSeen();

}  // namespace mqa::compat
