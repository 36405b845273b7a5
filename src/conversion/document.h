// One HTML document: the page wrapper around the body of the chosen format.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "conversion.h"
#include "sink.h"
#include "render.h"

namespace scrivane {

// The list tag ("UL" or "OL") for a list type, compared lower-case; "" when invalid.
std::string ListTagFor(std::string_view listType);

// The font size written for a format: "Retain original format" raises it one step.
std::string EffectiveFontSize(const ConversionOptions& options);

// The text between table fields for a separator name ("comma", "tab", "semi-colon"
// or the text itself); "" means the whole line is one field.
std::string SeparatorFor(std::string_view name);

// Splits a table line into fields as spreadsheet text does (quoted fields may
// hold the separator; "" in them is one quote). Fields are views into the line,
// or into `unquoted` for quoted fields.
void SplitFields(std::string_view line, const std::string& separator, std::string& unquoted,
                 std::vector<std::string_view>& fields);

// What a modern document carries from one input line to the next.
struct LineContext {
  bool afterText = false;     // the line before held text (a paragraph is open)
  bool rowsBefore = false;    // a table row has been written
  std::size_t rowWidth = 0;   // the fields of every table row so far, while the widest is not known
};

// Thrown by a modern table whose width is not known when a row differs from the others.
struct UnevenTable {};

// Writes a document line by line into a sink.
class DocumentWriter {
 public:
  // The options must outlive the writer; the list type must be valid (ListTagFor).
  // `tableColumns`: the widest row of a modern table, so that every row fills it;
  // 0 while it is not known (then a row of another width throws UnevenTable).
  DocumentWriter(const ConversionOptions& options, DocumentSink& sink, std::size_t tableColumns = 0);
  DocumentWriter(const DocumentWriter&) = delete;  // drain_ points back at this writer
  DocumentWriter& operator=(const DocumentWriter&) = delete;

  // Writes the page head, the opening wrappers and the format's opening markup.
  void Begin();
  // Writes one input line (UTF-8, without its line end) as the format requires.
  // `plain` promises that no word of it needs escaping or linking; `printable`
  // that it holds only printable ASCII and TAB.
  void AddLine(std::string_view line, bool plain = false, bool printable = false);
  // Writes the closing markup, the closing wrappers and the page foot.
  void End();

  // Where the input stands after the lines written so far.
  const LineContext& Context() const { return context_; }
  // Goes on after lines written by another writer (a block converted elsewhere).
  void Resume(const LineContext& context) { context_ = context; }

 private:
  void BeginModern();
  void AddModernLine(std::string_view line, bool plain, bool printable);
  void AddModernRow(std::string_view line, bool plain);
  void AddModernOption(std::string_view line);
  void EndModern();
  void WriteModernFoot();
  void AddTableRow(std::string_view line, bool plain);
  void WriteText(std::string_view text, bool plain);
  void AddSelectionOption(std::string_view line);
  // Finds the line's first link into link_ and its other words into label_; false without one.
  bool TakeOptionLink(std::string_view line);
  // The option's label: label_ escaped, or the link's text when the line has no other words.
  void AppendOptionLabel(std::string& out);
  void WriteGoButton();
  void WriteFoot();

  const ConversionOptions& options_;
  DocumentSink& sink_;
  std::string fontTag_;
  std::string listTag_;
  std::string separator_;
  std::vector<std::string_view> words_;
  std::vector<std::string_view> fields_;
  Link link_;
  std::string label_;
  std::string unquoted_;
  std::string cleaned_;
  std::size_t tableColumns_ = 0;
  LineContext context_;
  DrainFunction drain_;  // flushes the sink in the middle of a giant word
};

}  // namespace scrivane
