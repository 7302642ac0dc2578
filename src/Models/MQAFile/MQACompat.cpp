#include "MQACompat.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "MQAScan.h"
#include "MQAUTF8.h"

namespace mqa::compat {
namespace {

uint64_t lineAt(std::string_view text, size_t offset) {
    return 1 + static_cast<uint64_t>(std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(offset), '\n'));
}

struct CodePage {
    std::string name;  // as written
    uint64_t line = 0;
};

// The value of the document's "CodePage" line, which stands among its first chunks,
// before any object.
std::optional<CodePage> codePageOf(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        size_t lf = text.find('\n', at);
        std::string_view line = text.substr(at, (lf == std::string_view::npos ? text.size() : lf) - at);
        auto startsWith = [&](std::string_view word) {
            return line.size() > word.size() && equalsIgnoringCase(line.substr(0, word.size()), word) &&
                   isBlank(line[word.size()]);
        };
        if (startsWith("object")) break;
        if (startsWith("codepage")) {
            std::string_view value = line.substr(8);
            while (!value.empty() && (isBlank(value.front()) || value.front() == '"')) value.remove_prefix(1);
            while (!value.empty() && (isSpace(value.back()) || value.back() == '"')) value.remove_suffix(1);
            return CodePage{std::string(value), lineAt(text, at)};
        }
        if (lf == std::string_view::npos) break;
        at = lf + 1;
    }
    return std::nullopt;
}

// The binary data among the text: after a line that ends in "[N]", N bytes and what
// follows them up to the next line end.
std::vector<std::pair<size_t, size_t>> binaryRuns(std::string_view text) {
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t at = 0; at < text.size();) {
        size_t lf = text.find('\n', at);
        if (lf == std::string_view::npos) break;
        size_t end = lf;
        while (end > at && (isSpace(text[end - 1]))) --end;
        size_t open = end > at && text[end - 1] == ']' ? text.rfind('[', end - 1) : std::string_view::npos;
        size_t bytes = 0;
        bool counted = open != std::string_view::npos && open >= at && open + 2 < end;
        for (size_t i = open + 1; counted && i + 1 < end; ++i) {
            counted = isDigit(text[i]);
            bytes = std::min<size_t>(bytes * 10 + static_cast<size_t>(text[i] - '0'), text.size());
        }
        at = lf + 1;
        if (!counted || bytes == 0) continue;
        size_t stop = std::min(text.size(), at + bytes);
        if (stop < text.size() && text[stop - 1] != '\n') {
            size_t next = text.find('\n', stop);
            stop = next == std::string_view::npos ? text.size() : next + 1;
        }
        runs.emplace_back(at, stop);
        at = stop;
    }
    return runs;
}

// The first byte that is not UTF-8 outside the binary data.
std::optional<size_t> firstInvalid(std::string_view text, const std::vector<std::pair<size_t, size_t>>& binary) {
    size_t from = 0;
    for (size_t k = 0; k <= binary.size(); ++k) {
        size_t to = k < binary.size() ? binary[k].first : text.size();
        if (std::optional<size_t> bad = findInvalidUTF8(text.substr(from, to - from))) return from + *bad;
        if (k < binary.size()) from = binary[k].second;
    }
    return std::nullopt;
}

// The text decoded from `encoding` into UTF-8, the binary data as it is; none when the
// text is not text in that encoding.
std::optional<std::string> decode(std::string_view bytes, const std::string& encoding,
                                  const std::vector<std::pair<size_t, size_t>>& binary, const MQAProgress* progress) {
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
            if (progress && progress->isCancelled()) throw MQACancelled();
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
    std::optional<CodePage> page = codePageOf(bytes);
    bool numbered = page && !page->name.empty() && !namesUTF8(page->name) &&
                    std::all_of(page->name.begin(), page->name.end(), [](char c) { return isDigit(c); });
    std::optional<size_t> invalid = findInvalidUTF8(bytes);
    if (!invalid && !numbered) return out;
    // Binary data is no text in any encoding: it stays as it is.
    std::vector<std::pair<size_t, size_t>> binary = binaryRuns(bytes);
    if (invalid) invalid = firstInvalid(bytes, binary);
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
