#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "MQAException.h"

// Why strict reading refuses a document that compatibility reading opens, in plain words,
// from the warnings compatibility reading gave: "LF line ends", "no blank line after the
// header", "format 1.1 from a newer modeller", "the file is empty", and so on, joined as
// "LF line ends and no blank line after the header"; empty when no warning names such a
// liberty. Warnings that strict reading gives as well (hidden or mirrored objects, text
// after the body) or that do not bear on reading (texture paths) add nothing. A chunk
// compatibility reading skips is named only when strict reading stopped inside it, on
// `strictFailureLine` (0 when not known), since most such chunks read strictly as well.
// The window's error, zelto-inspect and zelto-render say this under the reason.
std::string compatibilityHint(const std::vector<MQAWarning>& warnings, uint64_t strictFailureLine);

// The same for a document strict reading refused: its bytes are read again for
// compatibility. Empty when compatibility reading refuses them too, or reads them
// strictly after all.
std::string compatibilityHintFor(zelto::DocumentBytes&& bytes);
