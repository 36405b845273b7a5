// The modern link rules, which FindLink uses when LinkOptions::modern is set.
// Internal to src/markup.
#pragma once

#include <string_view>

#include "markup.h"

namespace scrivane {

// Finds the first link of an escaped word (or TAB piece) under the modern rules.
// Without `atStart`, `word` is what follows a link, and no link starts at its
// first character.
bool FindModernLink(std::string_view word, const LinkOptions& options, Link& link, bool atStart = true);

}  // namespace scrivane
