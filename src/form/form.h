// The form: the options a user chooses, in the window, on the command line,
// in the settings store or through the library. Every option is declared once,
// as a row of one table (option_table.cpp): its field, kind, settings key,
// default, command-line names and help, and how it becomes an engine option.
// Standard C++ only; the store, the command line and the window read the table.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "conversion.h"

namespace scrivane {

// Check box states as the window holds them and the store keeps them.
inline constexpr int kUnchecked = 0;
inline constexpr int kChecked = 1;
inline constexpr int kGrey = 2;

// Source and destination choices (option button indexes).
inline constexpr int kClipboard = 0;
inline constexpr int kFile = 1;

// The format list's entries, indexed by OutputFormat.
inline constexpr std::array<const char*, kFormatCount> kFormatNames = {
    "Smart format", "Retain original linefeeds", "Retain original format",
    "HTML List",    "HTML Table",                "Links Selection Box",
    "Structured text"};

// The values of the form as plain data (texts are UTF-8). The option fields are
// rows of the option table; a new form holds the table's defaults.
struct FormState {
  FormState();

  int input, output, outFormat;
  int changeWWW, changeFTP, removePunctuation, emailCheck;
  int centre, goButton, webPage;
  int modern, headerRow, newTab, nofollow;
  int contents, keepLineBreaks, inlineMarks;  // structured text's choices
  int hideBanners;  // the window's tips strip hidden
  std::string title, footer;
  std::string fontFace, fontSize, fontColor;
  std::string bgColor, textColor, bgImage, charSet;
  std::string language;
  std::string separator, listType, target;  // remembered texts of the table, list and selection box
  std::string inFile, outFile;  // the file boxes' texts (kept with their histories, not as options)
};

// How an option's value is kept and offered.
enum class OptionKind {
  Index,     // one of a few numbered choices, stored as its number
  TriState,  // a check box: 0 clear, 1 ticked, 2 grey (only a stored value makes it grey)
  Flag,      // a check box that is on or off: 0 or 1
  Text,      // free text, stored exactly as typed
  Colour,    // colour text (#RRGGBB or a name), stored exactly as typed
};

// When the window writes an option to the store: when it changes, or in the exit batch.
enum class SaveTime { AtOnce, AtExit };

// The kind of page an option changes.
enum class PageKind { Both, Classic, Modern };

// The bit of a format in OptionRow::formats.
constexpr unsigned FormatBit(OutputFormat format) { return 1u << static_cast<unsigned>(format); }
// Every format, those added later included.
inline constexpr unsigned kEveryFormat = ~0u;

// One option.
struct OptionRow {
  using Field = std::variant<int FormState::*, std::string FormState::*>;
  using Apply = void (*)(const FormState& form, const OptionRow& row, ConversionOptions& options);

  std::string_view key{};         // settings key in [General]
  OptionKind kind{};
  Field field{};
  std::string_view defaultValue{};  // as stored
  std::string (*defaultFrom)() = nullptr;  // where the default is found at run time instead (the user's locale)
  int highest = 0;                // Index: the highest number it takes
  SaveTime saved = SaveTime::AtExit;
  std::string_view control{};     // the window control's object name; "" when the window keeps the value itself
  std::string_view flag{};        // scrivane-convert's long option (and the library's name); "" for none
  std::string_view offFlag{};     // TriState and Flag: the option that clears it
  std::string_view valueName{};   // what the option's value is called in --help
  std::string_view help{};        // --help's line for `flag`
  std::string_view offHelp{};     // --help's line for `offFlag`
  std::span<const std::string_view> choices{};  // command-line values: an Index's names by number, or a Text's
                                              // accepted texts (any letter case); empty: any text
  Apply apply = nullptr;          // puts the value into the engine's options; null: not an engine option
  unsigned formats = kEveryFormat;  // FormatBit of each format whose documents the option changes
  PageKind page = PageKind::Both;   // the kind of page it changes
  std::span<const std::string_view> offered{};  // Text: the values the window's option box lists for its formats
  std::string_view caption{};       // Text with offered values: the option box's caption

  // True when the option changes documents of `format`.
  bool ForFormat(OutputFormat format) const { return (formats & FormatBit(format)) != 0; }

  // The row's value in `form`.
  int& Number(FormState& form) const { return form.*std::get<int FormState::*>(field); }
  int Number(const FormState& form) const { return form.*std::get<int FormState::*>(field); }
  std::string& Text(FormState& form) const { return form.*std::get<std::string FormState::*>(field); }
  const std::string& Text(const FormState& form) const { return form.*std::get<std::string FormState::*>(field); }
  // True for the kinds kept as numbers.
  bool IsNumber() const { return std::holds_alternative<int FormState::*>(field); }
  // True for the check boxes, set by name with "true" or "false".
  bool IsCheck() const { return kind == OptionKind::TriState || kind == OptionKind::Flag; }
};

// Every option, in the order --help lists them.
std::span<const OptionRow> OptionTable();

// The row of a field, or null.
const OptionRow* OptionFor(int FormState::*field);
const OptionRow* OptionFor(std::string FormState::*field);
// The row whose long option (or off option) is `flag`, or null. Both spellings of
// a word that British and American English spell apart are taken ("center", "colour").
const OptionRow* OptionNamed(std::string_view flag);

// `flag` in the other spelling of such a word ("no-center" for "no-centre"), or "" when it has none.
std::string OtherSpelling(std::string_view flag);

// True when the option changes documents of `format` on `page` (Classic or Modern).
bool OptionApplies(const OptionRow& row, OutputFormat format, PageKind page);

// Every option with a command-line name as JSON, for forms built from the table:
// {"formats": [{"flag", "name"}...], "options": [{"flag", "offFlag", "kind",
// "valueName", "help", "offHelp", "default", "choices", "formats", "page"}...]}.
// "default" is the value by name ("true"/"false", a choice's name or the text).
std::string OptionTableJson();

// The row's default, as stored.
std::string DefaultText(const OptionRow& row);

// The language of the user's locale as a language tag ("de-CH"), "en" for the C and POSIX locales.
std::string LocaleLanguage();

// The text the store keeps for the row's value in `form`. A check box saved the
// moment it is clicked keeps "0" when clear and "1" otherwise.
std::string StoredText(const OptionRow& row, const FormState& form);
// Takes a stored text into `form`; false, with `form` unchanged, when it is not a
// value of the option (a number out of range, or not a whole number).
bool TakeStoredText(const OptionRow& row, std::string_view text, FormState& form);

// The stored text of a General key in the settings store, nullopt when it is missing.
using StoredTextOf = std::function<std::optional<std::string>(std::string_view key)>;
// Reads every option into `form` through `stored`; missing or bad values give the defaults.
void LoadStoredForm(const StoredTextOf& stored, FormState& form);
// True when the store is of the older kind (Input holds "True" or "False"), whose
// General values mean nothing now.
bool IsOldStore(const StoredTextOf& stored);

// Takes a value given by name (command line, library) into `form`: "true" or
// "false" for check boxes, a choice's name, or the text. Returns "" when taken, or
// why it was refused ("unknown format 'x' (smart, ... or select)"), form unchanged.
std::string TakeNamedValue(const OptionRow& row, std::string_view value, FormState& form);

// The format a format-list position selects (Smart for positions outside 0..5).
OutputFormat FormatAt(int position);

// The row whose values the option box offers for `format` (separator, list type or target), or null.
const OptionRow* OptionTextRow(OutputFormat format);

// The text the option box shows for a format: the remembered option text, or "" when it has none.
std::string OptionTextFor(const FormState& form);

// Builds the run options from the form, as the Convert button and the command line both do.
ConversionOptions ReadFormOptions(const FormState& form);

// A fresh random nine-digit name for a selection box's form, so two boxes on one page never clash.
std::string NewFormId();

}  // namespace scrivane
