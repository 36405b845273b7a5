// Unicode Normalization Form C for the text of modern pages: canonically the
// same text, in the composed form the web expects.
#pragma once

#include <string>
#include <string_view>

namespace scrivane {

// False when well-formed UTF-8 `text` is surely in Normalization Form C: it
// holds no code point that composes with the one before it, reorders, or has
// another composed form. True may still mean that it is.
bool MayNeedComposing(std::string_view text);

// Appends well-formed UTF-8 `text` in Normalization Form C.
void AppendComposed(std::string& out, std::string_view text);

}  // namespace scrivane
