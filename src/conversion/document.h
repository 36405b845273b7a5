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

// Writes a document line by line into a sink.
class DocumentWriter {
 public:
  // The options must outlive the writer; the list type must be valid (ListTagFor).
  DocumentWriter(const ConversionOptions& options, DocumentSink& sink);
  DocumentWriter(const DocumentWriter&) = delete;  // drain_ points back at this writer
  DocumentWriter& operator=(const DocumentWriter&) = delete;

  // Writes the page head, the opening wrappers and the format's opening markup.
  void Begin();
  // Writes one input line (UTF-8, without its line end) as the format requires.
  // `plain` promises that no word of it needs escaping or linking.
  void AddLine(std::string_view line, bool plain = false);
  // Writes the closing markup, the closing wrappers and the page foot.
  void End();

 private:
  void AddTableRow(std::string_view line, bool plain);
  void WriteText(std::string_view text, bool plain);
  void AddSelectionOption(std::string_view line);
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
  DrainFunction drain_;  // flushes the sink in the middle of a giant word
};

}  // namespace scrivane
