// Text between Qt and the rest of the program: QString holds UTF-16, the engine's
// std::string UTF-8. The one pair of conversions every Qt module uses.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace scrivane {

// UTF-8 `text` as a QString.
inline QString FromStd(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// `text` as UTF-8.
inline std::string ToStd(const QString& text) { return text.toStdString(); }

}  // namespace scrivane
