#include "MQAFile.h"

#include <cstdio>
#include <algorithm>
#include <optional>
#include <system_error>

#include "MQAEnvelope.h"
#include "MQACompat.h"
#include "MQAException.h"
#include "MQAFileReading.h"
#include "MQALineMap.h"
#include "MQAMemory.h"
#include "MQANumber.h"
#include "MQAReadAhead.h"
#include "MQAScan.h"
#include "MQATextStorage.h"
#include "MQATreeReader.h"
#include "MQATreeWriter.h"

namespace {

constexpr std::string_view kUnit = "MQAFile";
constexpr int kNotMQALine = 74;
constexpr int kTypeLine = 79;
constexpr int kVersionLine = 85;

std::string formatVersion(const char* format, float version) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, static_cast<double>(version));
    return buffer;
}

uint64_t firstLineOfBody(std::string_view text, const mqa::EnvelopeMatch& match) {
    return 1 + static_cast<uint64_t>(std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(match.bodyStart), '\n'));
}

[[noreturn]] void raiseAt(std::string_view text, size_t offset, const std::string& message, int line) {
    MQAException error(message, kUnit, line);
    error.setPlace(mqa::placeInText(text, offset));
    throw error;
}

// Checks the header, type and version; returns the body bounds. Leniently, version 1.1
// and a missing blank line are taken, with a warning.
mqa::EnvelopeMatch checkEnvelope(std::string_view text, MQAFile& file, bool lenient = false,
                                 std::vector<MQAWarning>* warnings = nullptr) {
    size_t failedAt = 0;
    std::optional<mqa::EnvelopeMatch> match = mqa::matchEnvelope(text, &failedAt, lenient);
    if (!match) raiseAt(text, failedAt, "This is not MQA file.", kNotMQALine);
    file.setType(std::string(match->type));
    size_t typeAt = static_cast<size_t>(match->type.data() - text.data());
    if (!mqa::equalsIgnoringCase(match->type, "text"))
        raiseAt(text, typeAt, "'" + file.type() + "' type is unsupported.", kTypeLine);
    file.setVersion(mqa::parseFloat(match->version));
    size_t versionAt = static_cast<size_t>(match->version.data() - text.data());
    bool versionTaken = file.version() == 1.0f || (lenient && file.version() == 1.1f);
    if (!versionTaken)
        raiseAt(text, versionAt, formatVersion("Ver %.1f is unsupported.", file.version()), kVersionLine);
    if (warnings && file.version() != 1.0f)
        warnings->push_back({2, formatVersion("format version %.1f is read as version 1.0", file.version())});
    if (warnings && match->blankLineMissing)
        warnings->push_back({3, "the blank line after the header is missing"});
    return *match;
}

// What stopped the body's list at `stop`, for the warning about the text after it.
std::string stopReason(const char* stop, const char* end) {
    const char* p = mqa::skipBlanks(stop, end);
    if (p != end && *p == '}') return "a \"}\" that closes no block";
    if (p != end && *p == '#') return "an indented \"#\" line";
    return "a line that is not an attribute";
}

// Removes comment and blank lines from text[start, end), reads the attributes into the
// file's body and warns about text the body leaves unread. `firstLine` is the file's
// line at `start`.
// The text is the caller's: it must outlive the call, and is changed in place.
void readBody(MQAFile& file, char* text, size_t start, size_t end, uint64_t firstLine,
              const MQAReadOptions& options, std::vector<std::vector<mqa::LinesRemoved>> outer = {},
              std::vector<MQAWarning> warnings = {}) {
    mqa::LineMap lines;
    lines.bodyFirstLine = firstLine;
    lines.outer = std::move(outer);
    end = mqa::removeCommentLines(text, start, end, &lines.comments);
    end = mqa::removeBlankLines(text, start, end, &lines.blanks);
    const char* base = text;
    std::optional<MQAReadAhead> readAhead;
    if (end - start >= options.readAheadBytes && !options.chooser) {
        size_t from = options.readAheadFrom ? start + options.readAheadFrom : start + (end - start) / 2;
        if (const char* lineStart = MQAReadAhead::lineStartAfter(base + std::min(from, end), base + end)) {
            try {
                readAhead.emplace(lineStart, base + end, base + start, 0, &lines, options.compatibility);
            } catch (const std::system_error&) {
                // No thread to be had: read alone, which gives the same result.
            }
        }
    }
    MQABlock body;
    MQATreeReader reader(base + start, base + end);
    reader.setLineMap(&lines, 0, base + start);
    reader.setReadAhead(readAhead ? &*readAhead : nullptr);
    reader.setLenient(options.compatibility);
    reader.setSinkChooser(options.chooser, options.readAheadBytes != SIZE_MAX);
    reader.setProgress(options.progress, base);
    {
        // Integers among decimals read as decimals on this thread while the body is read.
        struct Lenience {
            explicit Lenience(bool on) { mqa::compat::setLenientNumbers(on); }
            ~Lenience() { mqa::compat::setLenientNumbers(false); }
        } lenience(options.compatibility);
        reader.readList(body.attributes());
    }
    file.setBody(std::move(body));
    if (uint64_t mixed = reader.firstMixedLine())
        warnings.push_back({mixed, "integers among decimals in a list are read as decimals (here and "
                                   "on any later line)"});

    const char* stop = reader.position();
    if (mqa::skipSpaces(stop, base + end) != base + end) {
        uint64_t stopLine = lines.fileLine(reader.readLine());
        uint64_t lastLine = lines.fileLine(static_cast<uint64_t>(std::count(base + start, base + end, '\n')));
        if (base[end - 1] == '\n') --lastLine;  // the body's last line ends there
        uint64_t ignored = lastLine >= stopLine ? lastLine - stopLine + 1 : 1;
        warnings.push_back(MQAWarning{
            stopLine, "the body ends at " + stopReason(stop, base + end) + "; the " +
                          (ignored == 1 ? std::string("line") : std::to_string(ignored) + " lines") +
                          " from here to \"Eof\" " + (ignored == 1 ? "is" : "are") + " ignored"});
    }
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const MQAWarning& a, const MQAWarning& b) { return a.line < b.line; });
    file.setWarnings(std::move(warnings));
}

}  // namespace

MQAFile::MQAFile() = default;

MQAFile MQAFile::initWithString(std::string_view text) {
    MQAFile file;
    mqa::EnvelopeMatch match = checkEnvelope(text, file);
    std::string body(text.substr(match.bodyStart, match.bodyEnd - match.bodyStart));
    readBody(file, body.data(), 0, body.size(), firstLineOfBody(text, match), MQAReadOptions());
    mqa::returnThreadSlab();
    return file;
}

MQAFile MQAFile::initWithString(std::string&& text) {
    return mqa::readDocument(std::move(text), MQAReadOptions());
}

MQAFile MQAFile::initWithString(std::string&& text, MQAReading reading) {
    if (reading == MQAReading::Strict) return initWithString(std::move(text));
    // What strict reading accepts, it reads; the rest is read leniently.
    std::string copy = text;
    try {
        return initWithString(std::move(text));
    } catch (const std::exception&) {
        MQAReadOptions options;
        options.compatibility = true;
        return mqa::readDocument(std::move(copy), options);
    }
}

MQAFile mqa::readDocument(std::string&& text, const MQAReadOptions& options) {
    MQAFile file;
    if (options.compatibility) {
        mqa::compat::Prepared prepared = mqa::compat::prepare(std::move(text));
        std::vector<MQAWarning> warnings = std::move(prepared.warnings);
        mqa::EnvelopeMatch match = checkEnvelope(prepared.text, file, true, &warnings);
        uint64_t firstLine = firstLineOfBody(prepared.text, match);
        std::reverse(prepared.removed.begin(), prepared.removed.end());  // innermost first
        readBody(file, prepared.text.data(), match.bodyStart, match.bodyEnd, firstLine, options,
                 std::move(prepared.removed), std::move(warnings));
        mqa::returnThreadSlab();
        return file;
    }
    // The text goes as soon as it is read.
    std::string owned = std::move(text);
    return readDocument(owned.data(), owned.size(), options);
}

MQAFile mqa::readDocument(char* text, size_t size, const MQAReadOptions& options) {
    MQAFile file;
    std::string_view whole(text, size);
    mqa::EnvelopeMatch match = checkEnvelope(whole, file);
    uint64_t firstLine = firstLineOfBody(whole, match);
    readBody(file, text, match.bodyStart, match.bodyEnd, firstLine, options);
    // This thread's partly used tree memory goes back once the tree lets it go, instead
    // of staying with the thread until its next document or its end.
    mqa::returnThreadSlab();
    return file;
}

std::string MQAFile::stringValue() const {
    MQATextStorage storage;
    std::string& out = storage.text();
    out.append("Metasequoia Document\r\n");
    out.append("Format ").append(_type).append(formatVersion(" Ver %.1f\r\n\r\n", _version));
    MQATreeWriter writer(out);
    for (const MQAAttribute& attribute : _body.attributes()) writer.writeAttribute(attribute, 0);
    out.append("Eof\r\n");
    return std::move(out);
}
