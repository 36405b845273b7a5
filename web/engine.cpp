// The engine's entry points for the web page (compiled to WebAssembly). The
// page fills the input buffer in chunks straight from the file, sets options
// by their command-line names, converts, and reads the document's bytes; one
// run at a time, so the state is kept here between calls.
#include <new>
#include <string>

#include "conversion.h"
#include "form.h"
#include "messages.h"
#include "page_stamp.h"  // the date text, as the library writes it

namespace {

scrivane::FormState form;  // the options set so far
std::string input;         // the text to convert, written by the page
std::string document;      // the last document made
std::string message;       // why the last call failed

int Refused(std::string why) {
  message = std::move(why);
  return 1;
}

}  // namespace

extern "C" {

// The option table as JSON (see OptionTableJson).
const char* scrivane_web_options() {
  static const std::string table = scrivane::OptionTableJson();
  return table.c_str();
}

// Every option back to its default.
void scrivane_web_reset() { form = scrivane::FormState(); }

// Sets the option whose command-line name is `name` ("true"/"false" for check
// boxes); 0 when taken, else 1 and the reason in scrivane_web_message.
int scrivane_web_set(const char* name, const char* value) {
  const scrivane::OptionRow* row = scrivane::OptionNamed(name);
  if (row == nullptr || row->flag != name) return Refused("unknown option '" + std::string(name) + "'");
  const std::string refused = scrivane::TakeNamedValue(*row, value, form);
  return refused.empty() ? 0 : Refused(std::string(name) + ": " + refused);
}

// Room for a text of `size` bytes, for the page to fill; null without the memory.
// The last document is dropped first.
char* scrivane_web_input(std::size_t size) {
  document = std::string();
  input = std::string();
  try {
    input.resize(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return input.data();
}

// Converts the input (which it takes), dated `dateTime` (ISO 8601, the page's
// clock), a selection box's form named by `formId`; 0 when the document is
// ready, else 1 and the reason.
int scrivane_web_convert(const char* dateTime, const char* formId) {
  scrivane::ConversionOptions options = scrivane::ReadFormOptions(form);
  options.dateText = scrivane::library::PageDateText();
  options.dateTime = dateTime;
  options.formId = formId;
  scrivane::OutputText output{[](std::string&& made) { document = std::move(made); }};
  output.inputEncoding = true;  // the bytes a file gets, as scrivane-convert writes them
  const scrivane::RunResult result = scrivane::RunConversion(scrivane::InputText{std::move(input)}, output, options);
  input = std::string();
  return result.delivered ? 0 : Refused(scrivane::FailureMessage(result).text);
}

// The last document's bytes and their number.
const char* scrivane_web_document() { return document.data(); }
std::size_t scrivane_web_document_size() { return document.size(); }

// Frees the last document once the page has its copy.
void scrivane_web_release() { document = std::string(); }

// Why the last call that failed did.
const char* scrivane_web_message() { return message.c_str(); }

}  // extern "C"
