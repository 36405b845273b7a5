// The option table as JSON, for forms that are built from it outside C++.
#include <string>

#include "form.h"
#include "utf8.h"

namespace scrivane {
namespace {

// `text` as a JSON string. Control characters and the characters that end a
// script element's text in HTML are escaped, so the JSON can sit in a page.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || c == '<' || c == '>' || c == '&') {
      quoted += "\\u00";
      AppendHexByte(quoted, byte, HexCase::Lower);
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

std::string KindName(OptionKind kind) {
  switch (kind) {
    case OptionKind::Index: return "choice";
    case OptionKind::TriState:
    case OptionKind::Flag: return "check";
    case OptionKind::Colour: return "colour";
    case OptionKind::Text: break;
  }
  return "text";
}

std::string PageName(PageKind page) {
  switch (page) {
    case PageKind::Classic: return "classic";
    case PageKind::Modern: return "modern";
    case PageKind::Both: break;
  }
  return "both";
}

// The default by name, as the command line would give it.
std::string NamedDefault(const OptionRow& row) {
  FormState form;
  TakeStoredText(row, DefaultText(row), form);
  if (row.IsCheck()) return row.Number(form) == kChecked ? "true" : "false";
  if (row.IsNumber()) {
    const auto index = static_cast<std::size_t>(row.Number(form));
    return index < row.choices.size() ? std::string(row.choices[index]) : std::to_string(index);
  }
  return row.Text(form);
}

std::string Field(std::string_view name, const std::string& json) { return Quoted(name) + ":" + json; }

std::string OptionJson(const OptionRow& row) {
  std::string choices, formats;
  for (const std::string_view choice : row.choices) choices += (choices.empty() ? "" : ",") + Quoted(choice);
  const OptionRow* format = OptionNamed("format");
  for (int i = 0; i < kFormatCount; ++i) {
    if (!row.ForFormat(FormatAt(i))) continue;
    formats += (formats.empty() ? "" : ",") + Quoted(format->choices[static_cast<std::size_t>(i)]);
  }
  return "{" + Field("flag", Quoted(row.flag)) + "," + Field("offFlag", Quoted(row.offFlag)) + "," +
         Field("kind", Quoted(KindName(row.kind))) + "," + Field("valueName", Quoted(row.valueName)) + "," +
         Field("help", Quoted(row.help)) + "," + Field("offHelp", Quoted(row.offHelp)) + "," +
         Field("default", Quoted(NamedDefault(row))) + "," + Field("localeDefault", row.defaultFrom ? "true" : "false") +
         "," + Field("choices", "[" + choices + "]") + "," + Field("formats", "[" + formats + "]") + "," +
         Field("page", Quoted(PageName(row.page))) + "}";
}

}  // namespace

bool OptionApplies(const OptionRow& row, OutputFormat format, PageKind page) {
  return row.ForFormat(format) && (row.page == PageKind::Both || row.page == page);
}

std::string OptionTableJson() {
  const OptionRow* format = OptionNamed("format");
  std::string formats, options;
  for (int i = 0; i < kFormatCount; ++i) {
    const auto at = static_cast<std::size_t>(i);
    formats += std::string(formats.empty() ? "" : ",") + "{" + Field("flag", Quoted(format->choices[at])) + "," +
               Field("name", Quoted(kFormatNames[at])) + "}";
  }
  for (const OptionRow& row : OptionTable()) {
    if (!row.flag.empty()) options += (options.empty() ? "" : ",") + OptionJson(row);
  }
  return "{" + Field("formats", "[" + formats + "]") + "," + Field("options", "[" + options + "]") + "}";
}

}  // namespace scrivane
