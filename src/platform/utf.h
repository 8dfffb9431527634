// UTF-8 and UTF-16 conversions for the platform edge. Portable code, no system calls.
#ifndef MARLOX_PLATFORM_UTF_H_
#define MARLOX_PLATFORM_UTF_H_

#include <string>
#include <string_view>

namespace marlox::platform {

// Decodes UTF-8. A byte that is not part of a well-formed sequence becomes the lone
// low surrogate U+DC00 + byte (0x80..0xFF), so that EncodeUtf8 with
// `restore_escaped_bytes` gives back the original bytes exactly.
std::u16string DecodeUtf8(std::string_view bytes);

// Encodes UTF-16 as UTF-8. With `restore_escaped_bytes`, a lone U+DC80..U+DCFF turns
// back into the byte it stands for; every other unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view text, bool restore_escaped_bytes);

// UTF-8 for showing and comparing text, unpaired surrogates as U+FFFD.
inline std::string ToUtf8(std::u16string_view text) { return EncodeUtf8(text, false); }

}  // namespace marlox::platform

#endif  // MARLOX_PLATFORM_UTF_H_
