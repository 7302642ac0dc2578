#include "MQAFile.h"

#include <cstdio>
#include <algorithm>
#include <optional>
#include <system_error>

#include "MQAEnvelope.h"
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

// Checks the header, type and version; returns the body bounds.
mqa::EnvelopeMatch checkEnvelope(std::string_view text, MQAFile& file) {
    size_t failedAt = 0;
    std::optional<mqa::EnvelopeMatch> match = mqa::matchEnvelope(text, &failedAt);
    if (!match) raiseAt(text, failedAt, "This is not MQA file.", kNotMQALine);
    file.setType(std::string(match->type));
    size_t typeAt = static_cast<size_t>(match->type.data() - text.data());
    if (!mqa::equalsIgnoringCase(match->type, "text"))
        raiseAt(text, typeAt, "'" + file.type() + "' type is unsupported.", kTypeLine);
    file.setVersion(mqa::parseFloat(match->version));
    size_t versionAt = static_cast<size_t>(match->version.data() - text.data());
    if (file.version() != 1.0f)
        raiseAt(text, versionAt, formatVersion("Ver %.1f is unsupported.", file.version()), kVersionLine);
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
void readBody(MQAFile& file, std::string&& text, size_t start, size_t end, uint64_t firstLine,
              const MQAReadOptions& options) {
    mqa::LineMap lines;
    lines.bodyFirstLine = firstLine;
    end = mqa::removeCommentLines(text, start, end, &lines.comments);
    end = mqa::removeBlankLines(text, start, end, &lines.blanks);
    text.resize(end);
    MQATextStorage storage(std::move(text));
    storage.setRange({start, end - start});
    const char* base = storage.text().data();
    // Declared after the storage it reads, so its thread has ended before the text goes.
    std::optional<MQAReadAhead> readAhead;
    if (end - start >= options.readAheadBytes) {
        size_t from = options.readAheadFrom ? start + options.readAheadFrom : start + (end - start) / 2;
        if (const char* lineStart = MQAReadAhead::lineStartAfter(base + std::min(from, end), base + end)) {
            try {
                readAhead.emplace(lineStart, base + end, base + start, &lines);
            } catch (const std::system_error&) {
                // No thread to be had: read alone, which gives the same result.
            }
        }
    }
    MQABlock body;
    MQATreeReader reader(storage);
    reader.setLineMap(&lines, 0);
    reader.setReadAhead(readAhead ? &*readAhead : nullptr);
    reader.readList(body.attributes());
    file.setBody(std::move(body));

    const char* stop = reader.position();
    if (mqa::skipSpaces(stop, base + end) != base + end) {
        uint64_t stopLine = lines.fileLine(reader.readLine());
        uint64_t lastLine = lines.fileLine(static_cast<uint64_t>(std::count(base + start, base + end, '\n')));
        if (base[end - 1] == '\n') --lastLine;  // the body's last line ends there
        uint64_t ignored = lastLine >= stopLine ? lastLine - stopLine + 1 : 1;
        file.setWarnings({MQAWarning{
            stopLine, "the body ends at " + stopReason(stop, base + end) + "; the " +
                          (ignored == 1 ? std::string("line") : std::to_string(ignored) + " lines") +
                          " from here to \"Eof\" " + (ignored == 1 ? "is" : "are") + " ignored"}});
    }
}

}  // namespace

MQAFile::MQAFile() = default;

MQAFile MQAFile::initWithString(std::string_view text) {
    MQAFile file;
    mqa::EnvelopeMatch match = checkEnvelope(text, file);
    std::string body(text.substr(match.bodyStart, match.bodyEnd - match.bodyStart));
    size_t length = body.size();
    readBody(file, std::move(body), 0, length, firstLineOfBody(text, match), MQAReadOptions());
    mqa::returnThreadSlab();
    return file;
}

MQAFile MQAFile::initWithString(std::string&& text) {
    return mqa::readDocument(std::move(text), MQAReadOptions());
}

MQAFile mqa::readDocument(std::string&& text, const MQAReadOptions& options) {
    MQAFile file;
    mqa::EnvelopeMatch match = checkEnvelope(text, file);
    uint64_t firstLine = firstLineOfBody(text, match);
    readBody(file, std::move(text), match.bodyStart, match.bodyEnd, firstLine, options);
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
