// Reading and writing option values through their rows, and the option
// snapshot taken from the form before every run.
#include "form.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <random>
#include <utility>

#include "utf8.h"

namespace scrivane {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// A whole decimal number with an optional sign and blanks around it, or nullopt.
std::optional<int> ParseWholeNumber(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
  if (text.starts_with('+')) text.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int HighestOf(const OptionRow& row) {
  switch (row.kind) {
    case OptionKind::TriState: return kGrey;
    case OptionKind::Flag: return kChecked;
    default: return row.highest;
  }
}

// "a, b or c"
std::string Alternatives(std::span<const std::string_view> choices) {
  std::string text;
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (i > 0) text += i + 1 == choices.size() ? " or " : ", ";
    text += choices[i];
  }
  return text;
}

// "unknown list type 'x' (ordered or unordered)"
std::string UnknownChoice(const OptionRow& row, std::string_view value) {
  std::string noun(row.flag);
  std::replace(noun.begin(), noun.end(), '-', ' ');
  return "unknown " + noun + " '" + std::string(value) + "' (" + Alternatives(row.choices) + ")";
}

template <typename Field>
const OptionRow* FindField(Field field) {
  for (const OptionRow& row : OptionTable()) {
    const Field* held = std::get_if<Field>(&row.field);
    if (held != nullptr && *held == field) return &row;
  }
  return nullptr;
}

}  // namespace

FormState::FormState() : input(0), output(0), outFormat(0), changeWWW(0), changeFTP(0), removePunctuation(0),
                         emailCheck(0), centre(0), goButton(0), webPage(0), modern(0), headerRow(0), newTab(0),
                         nofollow(0), contents(0), keepLineBreaks(0), inlineMarks(0), hideBanners(0) {
  for (const OptionRow& row : OptionTable()) TakeStoredText(row, DefaultText(row), *this);
}

std::string DefaultText(const OptionRow& row) {
  return row.defaultFrom != nullptr ? row.defaultFrom() : std::string(row.defaultValue);
}

std::string LocaleLanguage() {
  // The first of these that is set names the locale for messages, as the C library decides.
  const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::string locale;
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  // "de_CH.UTF-8@euro": the language and region, before the encoding and the variant.
  locale = locale.substr(0, locale.find_first_of(".@"));
  std::replace(locale.begin(), locale.end(), '_', '-');
  const bool wellFormed = !locale.empty() && locale.size() <= 35 &&
                          std::all_of(locale.begin(), locale.end(), [](char c) {
                            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
                          }) &&
                          std::isalpha(static_cast<unsigned char>(locale.front()));
  if (!wellFormed || locale == "C" || locale == "POSIX") return "en";
  return locale;
}

const OptionRow* OptionFor(int FormState::*field) { return FindField(field); }

const OptionRow* OptionFor(std::string FormState::*field) { return FindField(field); }

const OptionRow* OptionNamed(std::string_view flag) {
  const std::string other = OtherSpelling(flag);
  for (const OptionRow& row : OptionTable()) {
    for (const std::string_view name : {flag, std::string_view(other)}) {
      if (!name.empty() && (row.flag == name || row.offFlag == name)) return &row;
    }
  }
  return nullptr;
}

std::string OtherSpelling(std::string_view flag) {
  static constexpr std::pair<std::string_view, std::string_view> kSpellings[] = {
      {"centre", "center"}, {"center", "centre"}, {"colour", "color"}, {"color", "colour"}};
  for (const auto& [word, other] : kSpellings) {
    const std::size_t at = flag.find(word);
    if (at == std::string_view::npos) continue;
    std::string spelt(flag);
    return spelt.replace(at, word.size(), other);
  }
  return {};
}

std::string StoredText(const OptionRow& row, const FormState& form) {
  if (!row.IsNumber()) return row.Text(form);
  const int value = row.Number(form);
  if (row.IsCheck() && row.saved == SaveTime::AtOnce) return value == kUnchecked ? "0" : "1";
  return std::to_string(value);
}

void LoadStoredForm(const StoredTextOf& stored, FormState& form) {
  for (const OptionRow& row : OptionTable()) {
    const std::optional<std::string> text = stored(row.key);
    if (!text || !TakeStoredText(row, *text, form)) TakeStoredText(row, DefaultText(row), form);
  }
}

bool IsOldStore(const StoredTextOf& stored) {
  // An older store kept Input as a flag.
  const std::optional<std::string> input = stored(OptionFor(&FormState::input)->key);
  return input == "True" || input == "False";
}

bool TakeStoredText(const OptionRow& row, std::string_view text, FormState& form) {
  if (!row.IsNumber()) {
    row.Text(form) = std::string(text);
    return true;
  }
  const std::optional<int> value = ParseWholeNumber(text);
  if (!value || *value < 0 || *value > HighestOf(row)) return false;
  row.Number(form) = *value;
  return true;
}

std::string TakeNamedValue(const OptionRow& row, std::string_view value, FormState& form) {
  if (row.IsCheck()) {
    if (value != "true" && value != "false") return "'" + std::string(value) + "' is neither true nor false";
    row.Number(form) = value == "true" ? kChecked : kUnchecked;
    return {};
  }
  if (row.choices.empty()) {
    if (TakeStoredText(row, value, form)) return {};
    return "'" + std::string(value) + "' is not a value of " + std::string(row.key);
  }
  const auto chosen = std::find_if(row.choices.begin(), row.choices.end(),
                                   [&](std::string_view choice) { return EqualsIgnoringCase(choice, value); });
  if (chosen == row.choices.end()) return UnknownChoice(row, value);
  if (row.IsNumber()) {
    row.Number(form) = static_cast<int>(chosen - row.choices.begin());
  } else {
    row.Text(form) = std::string(value);  // kept as typed
  }
  return {};
}

OutputFormat FormatAt(int position) {
  if (position < 0 || position >= kFormatCount) return OutputFormat::Smart;
  return static_cast<OutputFormat>(position);
}

const OptionRow* OptionTextRow(OutputFormat format) {
  for (const OptionRow& row : OptionTable()) {
    if (!row.offered.empty() && row.ForFormat(format)) return &row;
  }
  return nullptr;
}

std::string OptionTextFor(const FormState& form) {
  const OptionRow* row = OptionTextRow(FormatAt(form.outFormat));
  return row == nullptr ? std::string() : row->Text(form);
}

ConversionOptions ReadFormOptions(const FormState& form) {
  ConversionOptions options;
  for (const OptionRow& row : OptionTable()) {
    if (row.apply != nullptr) row.apply(form, row, options);
  }
  return options;
}

std::string NewFormId() {
  thread_local std::mt19937 generator{std::random_device{}()};
  return std::to_string(std::uniform_int_distribution<unsigned>(100000000u, 999999999u)(generator));
}

}  // namespace scrivane
