#pragma once

#include "MQAProgress.h"

#include <atomic>
#include <optional>
#include <vector>

#include "MQAAttribute.h"
#include "MQABlock.h"
#include "MQALineMap.h"

class MQALineSink;
class MQAReadAhead;
class MQASinkChooser;
class MQATextStorage;

// Reads attribute lines and blocks at a cursor. Nested blocks are kept on an explicit
// stack rather than the call stack, so nesting depth is limited only by memory.
class MQATreeReader {
public:
    // Reads at the cursor and consumes what was read.
    explicit MQATreeReader(MQATextStorage& storage);
    // Reads the text [begin, end) without a cursor; position() tells how far it got.
    MQATreeReader(const char* begin, const char* end);

    std::optional<MQAAttribute> readAttribute();
    std::optional<MQABlock> readBlock();
    // Reads attribute lines and appends them to `into` until a line reads as none.
    void readList(std::vector<MQAAttribute>& into);
    // The same, handing the lines to a sink instead.
    void readList(MQALineSink& into);
    // Blocks the chooser picks are read into its sinks (see MQALineSink); long ones in
    // two halves, the second on another thread, when `split` is set.
    void setSinkChooser(MQASinkChooser* chooser, bool split) {
        _chooser = chooser;
        _splitSinkBlocks = split;
    }
    // Lines read ahead that this reader takes over when it arrives at their start.
    void setReadAhead(MQAReadAhead* readAhead) { _readAhead = readAhead; }
    // A flag that, once set, makes the reader stop at its next line (by throwing
    // MQATreeReader::Cancelled); for a reader whose result may no longer be wanted.
    void setCancel(const std::atomic<bool>* cancel) { _cancel = cancel; }
    struct Cancelled {};
    // Reports how far it got, counted from `from`, every few thousand lines, and stops
    // (MQACancelled) once the progress is cancelled.
    void setProgress(MQAProgress* progress, const char* from) {
        _progress = progress;
        _progressFrom = from;
    }
    const char* position() const { return _p; }
    // Numbers the lines read: the first line is line `firstReadLine` of the text read,
    // which `map` takes back to the file's lines. Attributes then carry their file line,
    // and errors their place.
    void setLineMap(const mqa::LineMap* map, uint64_t firstReadLine, const char* textStart = nullptr);
    // The line of the text read (0-based) the reader stands at.
    uint64_t readLine() const { return _readLine; }
    // Compatibility reading: notes the first line where integers among decimals were
    // read as decimals (the lenience itself is the thread's, see MQACompat).
    void setLenient(bool lenient) { _lenient = lenient; }
    uint64_t firstMixedLine() const { return _firstMixedLine; }

private:
    // The attribute line that opened a block being filled (absent for a block read on
    // its own). The block's lines gather in _lines[depth], a list reused for every block
    // at that depth, and move into a list of their size when the block closes (a large
    // list's room rounded up to whole huge pages).
    struct Frame {
        std::optional<MQAAttribute> owner;
        MQALineSink* sink = nullptr;  // takes the block's lines instead of _lines
        // The second half of a long sink block, read ahead on another thread.
        std::unique_ptr<MQAReadAhead> secondHalf;
        bool endsWithList = false;  // a list read on its own: ends where a line reads as none
        Frame(std::optional<MQAAttribute> o, MQALineSink* s);
        Frame(Frame&&) noexcept;
        Frame& operator=(Frame&&) noexcept;
        ~Frame();
    };
    // The result of reading from the current position until the outermost attribute
    // line ends (stack empty) or the bottom, ownerless block closes.
    struct Outcome {
        std::optional<MQAAttribute> attribute;
        std::optional<MQABlock> block;
    };
    Outcome run(std::vector<Frame>& stack);
    // run(), with a reading error given the place where reading stopped.
    Outcome runPlaced(std::vector<Frame>& stack);
    // Name and parameters of an attribute line; consumes only what matched. The
    // parameters stay in _params when `keep` is false.
    void readHead(MQAAttribute& attribute, bool keep);
    // Starts reading the second half of a long sink block on another thread.
    void splitSinkBlock(Frame& frame);
    bool adoptSecondHalf(Frame& frame);
    const char* matchOpener(const char* p) const;
    void openBlock(std::vector<Frame>& stack, std::optional<MQAAttribute> owner);
    MQABlock closeBlock(std::vector<Frame>& stack);

    void commit();  // consumes what was read from the cursor, if there is one
    void lineEnded(const char* next);  // the reader moved past a line end to `next`
    // Gives an error without a place the reader's: the line, and the column of _failAt.
    void placeError(MQAException& error);
    // Takes over the lines read ahead when the reader stands at their start about to read
    // a line of the list `stack` says it is in; true when it did.
    bool adoptReadAhead(std::vector<Frame>& stack);

    MQATextStorage* _storage = nullptr;
    MQAReadAhead* _readAhead = nullptr;
    const std::atomic<bool>* _cancel = nullptr;
    MQAProgress* _progress = nullptr;
    const char* _progressFrom = nullptr;
    uint32_t _linesSinceProgress = 0;
    MQASinkChooser* _chooser = nullptr;
    bool _splitSinkBlocks = false;
    const char* _textStart = nullptr;  // where the text begins; none: a second half's lines go unnumbered
    const mqa::LineMap* _lineMap = nullptr;
    std::vector<MQAAttribute>* _topList = nullptr;  // the list readList fills
    const char* _p;
    const char* _end;
    std::vector<std::vector<MQAAttribute>> _lines;
    std::vector<MQAParam> _params;
    // Line numbering: the line of the text read, where it starts, and where the reader
    // looked when it failed.
    mqa::LineMap::Walker _fileLines{nullptr};
    uint64_t _readLine = 0;
    const char* _lineStart;
    const char* _failAt;
    bool _lenient = false;
    uint64_t _firstMixedLine = 0;
};
