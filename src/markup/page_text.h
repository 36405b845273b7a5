// Text placed in modern pages: the allow-list of inline markup that titles and
// footers may keep, and the code points an HTML document must not hold.
#pragma once

#include <string>
#include <string_view>

namespace scrivane {

// `html` with only b, i, em, strong, code, br, span and a (with an http, https or
// mailto href) kept as tags, balanced; everything else escaped so it shows as text.
std::string SanitizeInlineHtml(std::string_view html);

// The plain text of SanitizeInlineHtml's output, still escaped: tags dropped, br as a space.
std::string InlineHtmlText(std::string_view sanitized);

// True when `text` holds a code point HTML forbids (controls other than white space,
// noncharacters) or bytes that are not UTF-8.
bool HasForbiddenCodePoints(std::string_view text);

// Appends `text` with each forbidden code point (and each malformed byte) replaced by U+FFFD.
void AppendWithoutForbidden(std::string& out, std::string_view text);

// True when a line of text needs AppendPageText before it goes into a modern
// page: it holds forbidden code points or malformed bytes, form feeds, or may
// not be in Normalization Form C.
bool NeedsPageCleaning(std::string_view text);

// Appends a line of text as a modern page holds it: forbidden code points and
// malformed bytes replaced by U+FFFD, form feeds dropped (a space stands for
// one between two words), in Normalization Form C.
void AppendPageText(std::string& out, std::string_view text);

}  // namespace scrivane
