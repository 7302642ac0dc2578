#include "MQACompat.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "MQARawLines.h"
#include "MQAReader.h"
#include "MQAScan.h"
#include "MQAUTF8.h"

namespace mqa::compat {
namespace {

// How much of a text each stage goes through between looks at the cancel flag.
constexpr size_t kBytesPerCheck = size_t{1} << 20;

void stopIfCancelled(const MQAProgress* progress) {
    if (progress && progress->isCancelled()) throw MQACancelled();
}

uint64_t lineAt(std::string_view text, size_t offset) {
    return 1 + static_cast<uint64_t>(std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(offset), '\n'));
}

struct CodePage {
    std::string name;  // as written
    uint64_t line = 0;
};

// The value of the document's "CodePage" line, which stands among its first chunks,
// before any object.
std::optional<CodePage> codePageOf(std::string_view text, const MQAProgress* progress) {
    const char* end = text.data() + text.size();
    const char* checked = text.data();
    for (const char* at = text.data(); at != end;) {
        if (static_cast<size_t>(at - checked) > kBytesPerCheck) {
            stopIfCancelled(progress);
            checked = at;
        }
        RawLine line = rawLineAt(at, end);
        auto startsWith = [&](std::string_view word) {
            return line.content.size() > word.size() && equalsIgnoringCase(line.content.substr(0, word.size()), word) &&
                   isBlank(line.content[word.size()]);
        };
        if (startsWith("object")) break;
        if (startsWith("codepage")) {
            std::string_view value = line.content.substr(8);
            while (!value.empty() && (isBlank(value.front()) || value.front() == '"')) value.remove_prefix(1);
            while (!value.empty() && (isSpace(value.back()) || value.back() == '"')) value.remove_suffix(1);
            return CodePage{std::string(value), lineAt(text, static_cast<size_t>(at - text.data()))};
        }
        at = line.next;
    }
    return std::nullopt;
}

using BinaryRuns = std::vector<std::pair<size_t, size_t>>;

// Whether any line ends in "[N]", so that binary data may follow it.
bool announcesBinary(std::string_view text, const MQAProgress* progress) {
    const char* end = text.data() + text.size();
    const char* checked = text.data();
    for (const char* p = text.data(); p != end;) {
        RawLine line = rawLineAt(p, end);
        if (binaryBytes(line.content)) return true;
        p = line.next;
        if (static_cast<size_t>(p - checked) > kBytesPerCheck) {
            stopIfCancelled(progress);
            checked = p;
        }
    }
    return false;
}

// Takes no line: only what reading passes over matters here.
class NoLines : public MQALineVisitor {
public:
    void line(const MQALine&, uint32_t) override {}
};

// The binary data among the text: where lenient reading finds it, in the chunks it
// passes over. The bytes are read as lenient reading reads the decoded text: lines,
// names, strings and braces are the same in the bytes of every code page read here (no
// byte of a multibyte character is a quote, a line end or a blank). When that reading
// fails, nothing after the failing line is read either: it is all kept as it is.
BinaryRuns binaryRunsOf(std::string_view text, const MQAProgress* progress) {
    BinaryRuns runs;
    if (!announcesBinary(text, progress)) return runs;
    NoLines none;
    MQAReadOptions options;
    options.lenient = true;
    options.progress = const_cast<MQAProgress*>(progress);
    options.reportsProgress = false;
    options.binaryRuns = &runs;
    try {
        readDocument(text, none, options);
    } catch (const MQACancelled&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        std::optional<MQAPlace> place = placeOfError(error);
        size_t from = 0;
        for (uint64_t line = 1; place && line <= place->line && from < text.size(); ++line)
            from = rawLineAt(text.data() + from, text.data() + text.size()).next - text.data();
        if (place && from < text.size() && (runs.empty() || runs.back().second <= from))
            runs.emplace_back(from, text.size());
    }
    return runs;
}

// The first byte that is not UTF-8 outside the binary data.
std::optional<size_t> firstInvalid(std::string_view text, const BinaryRuns& binary, const MQAProgress* progress) {
    size_t from = 0;
    for (size_t k = 0; k <= binary.size(); ++k) {
        size_t to = k < binary.size() ? binary[k].first : text.size();
        if (std::optional<size_t> bad = findInvalidUTF8(text.substr(from, to - from), progress)) return from + *bad;
        if (k < binary.size()) from = binary[k].second;
    }
    return std::nullopt;
}

// The text decoded from `encoding` into UTF-8, the binary data as it is; none when the
// text is not text in that encoding.
std::optional<std::string> decode(std::string_view bytes, const std::string& encoding, const BinaryRuns& binary,
                                  const MQAProgress* progress) {
    iconv_t converter = iconv_open("UTF-8", encoding.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::unique_ptr<void, int (*)(iconv_t)> closer(converter, iconv_close);
    std::string decoded;
    decoded.reserve(bytes.size() * 3 / 2 + 16);
    auto convert = [&](std::string_view part) {
        char* in = const_cast<char*>(part.data());
        size_t inLeft = part.size();
        char chunk[1 << 16];
        while (inLeft > 0) {
            stopIfCancelled(progress);
            char* out = chunk;
            size_t outLeft = sizeof chunk;
            size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
            decoded.append(chunk, static_cast<size_t>(out - chunk));
            if (done == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    };
    size_t from = 0;
    for (size_t k = 0; k <= binary.size(); ++k) {
        size_t to = k < binary.size() ? binary[k].first : bytes.size();
        if (!convert(bytes.substr(from, to - from))) return std::nullopt;
        if (k < binary.size()) {
            decoded.append(bytes.substr(binary[k].first, binary[k].second - binary[k].first));
            from = binary[k].second;
        }
    }
    return decoded;
}

bool namesUTF8(std::string_view name) {
    return equalsIgnoringCase(name, "utf8") || equalsIgnoringCase(name, "utf-8") || name == "65001";
}

}  // namespace

PreparedText::PreparedText(PreparedText&& other) noexcept
    : decoded(std::move(other.decoded)), warnings(std::move(other.warnings)) {
    text = decoded ? std::string_view(*decoded) : other.text;
}

PreparedText prepareText(std::string_view bytes, const MQAProgress* progress) {
    PreparedText out;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        out.warnings.push_back({1, "a UTF-8 byte-order mark at the start is skipped"});
    }
    out.text = bytes;
    std::optional<CodePage> page = codePageOf(bytes, progress);
    bool numbered = page && !page->name.empty() && !namesUTF8(page->name) &&
                    std::all_of(page->name.begin(), page->name.end(), [](char c) { return isDigit(c); });
    std::optional<size_t> invalid = findInvalidUTF8(bytes, progress);
    if (!invalid && !numbered) return out;
    // Binary data is no text in any encoding: it stays as it is.
    BinaryRuns binary = binaryRunsOf(bytes, progress);
    if (invalid) invalid = firstInvalid(bytes, binary, progress);
    if (numbered) {
        // Names and file names in the document's own code page.
        if (std::optional<std::string> decoded = decode(bytes, "CP" + page->name, binary, progress)) {
            if (*decoded != bytes) {
                out.warnings.push_back({page->line, "the text is read as code page " + page->name +
                                                        ", as its \"CodePage\" line says"});
                out.decoded = std::move(decoded);
                out.text = *out.decoded;
            }
            return out;
        }
    }
    if (!invalid) return out;
    // UTF-8 said or expected, but not given: text of the format's first versions.
    std::optional<std::string> decoded =
        page && namesUTF8(page->name) ? std::nullopt : decode(bytes, "CP932", binary, progress);
    if (!decoded) raiseInvalidUTF8(bytes, *invalid);
    out.warnings.push_back({lineAt(bytes, *invalid), "the text is not UTF-8; it is read as Shift_JIS (CP932)"});
    out.decoded = std::move(decoded);
    out.text = *out.decoded;
    return out;
}

}  // namespace mqa::compat
