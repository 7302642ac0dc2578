#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// Documents made to hurt a reader, each growing linearly with `scale` (1 gives a
// document that takes a reader a noticeable fraction of a second). Kinds:
//   thumbnails  unclosed "Thumbnail" chunk lines, which compatibility reading skips
//   fan         one vertex shared by every triangle of a smooth object, "facet 0"
//   claims      objects whose empty lists claim 2^31 - 1 entries
//   nesting     chunks nested as deep as the text allows
//   long-line   one line of a great many numbers
//   lf          a modeller's document with LF line ends
//   polygon     one concave face of many corners (a star), split into triangles
//   lone-cr     lone CRs, each before a comment line that ends with LF alone
//   sjis-comments  a Shift_JIS document, then comment lines that end in "]"
//   level-fan   like fan, but nearly level: normals all but parallel, no two equal
//   spiral      one face that is a band wound round many times, with LF line ends
//   comb        one face of 250,000 corners at 1x: a U whose inside edge is a comb
// An empty string for a kind it does not know.
std::string generateHostile(std::string_view kind, size_t scale);

// The kinds above, and whether each needs compatibility reading.
struct HostileKind {
    const char* name;
    bool compatible;
};
const std::vector<HostileKind>& hostileKinds();

}  // namespace bench
