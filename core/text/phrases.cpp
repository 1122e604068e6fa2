// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/phrases.h"

#include "text/encoding.h"

namespace velmora::phrases {

#define VELMORA_DEFINE_PHRASE(name, utf8)                            \
    const text::Text& name() {                                       \
        static const text::Text converted = text::gbkFromUtf8(utf8); \
        return converted;                                            \
    }
VELMORA_PHRASES(VELMORA_DEFINE_PHRASE)
#undef VELMORA_DEFINE_PHRASE

}  // namespace velmora::phrases
