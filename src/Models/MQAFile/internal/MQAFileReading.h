#pragma once

#include "MQAProgress.h"

// How a document body is read, for the format layer's own use, its tests and
// benchmarks. Large bodies are read in two halves at once; the result is the same as
// reading alone (see MQAReadAhead).

#include <cstddef>
#include <string>

class MQAFile;
class MQASinkChooser;

struct MQAReadOptions {
    size_t readAheadBytes = size_t{4} << 20;  // bodies at least this large read in halves
    size_t readAheadFrom = 0;                 // where the second half may start: 0 for the middle
    // Compatibility reading (MQACompat) in place of strict reading, whatever the text.
    bool compatibility = false;
    // Blocks read straight into sinks (MQALineSink); long ones in two halves, on two
    // threads, in place of the body read in two halves.
    MQASinkChooser* chooser = nullptr;
    // Where to report how far the body's reading got, and to be asked to stop.
    MQAProgress* progress = nullptr;
};

namespace mqa {

// MQAFile::initWithString with the reading chosen by `options`.
MQAFile readDocument(std::string&& text, const MQAReadOptions& options);
// The same for text the caller keeps (and that must outlive the call); it is changed in
// place. Strict reading only.
MQAFile readDocument(char* text, size_t size, const MQAReadOptions& options);

}  // namespace mqa
