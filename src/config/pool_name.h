// The rule every pool name must pass: the characters of a Windows volume label.
#ifndef MARLOX_CONFIG_POOL_NAME_H_
#define MARLOX_CONFIG_POOL_NAME_H_

#include <cstddef>
#include <string_view>

namespace marlox {

inline constexpr std::size_t kMaxPoolNameCodeUnits = 32;

// Raises std::invalid_argument with the rule's bare message.
void ValidatePoolName(std::u16string_view name);

}  // namespace marlox

#endif  // MARLOX_CONFIG_POOL_NAME_H_
