// The C API over the engine: options through the option table, runs through
// RunConversion, failures worded by FailureMessage as the programs word them.
// No C++ exception leaves a function of the API.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "conversion.h"
#include "form.h"
#include "messages.h"
#include "page_stamp.h"
#include "product.h"
#include "scrivane/scrivane.h"

struct scrivane_options {
  scrivane::FormState form;  // first-start defaults, then whatever was set
};

namespace scrivane::library {
namespace {

// The calling thread's last call, as scrivane_last_error and scrivane_last_errno report it.
struct LastCall {
  std::string message;
  int error = 0;
};
thread_local LastCall lastCall;

int Succeeded() {
  lastCall.message.clear();
  lastCall.error = 0;
  return SCRIVANE_OK;
}

int Failed(int code, const std::string& message, int error = 0) noexcept {
  try {
    lastCall.message = message;
  } catch (...) {
    lastCall.message.clear();  // no memory even for the message: the code still tells
  }
  lastCall.error = error;
  return code;
}

int CodeOf(RunFailure failure) {
  switch (failure) {
    case RunFailure::None: return SCRIVANE_OK;
    case RunFailure::InputMissing: return SCRIVANE_ERROR_INPUT_MISSING;
    case RunFailure::InputUnreadable: return SCRIVANE_ERROR_INPUT_UNREADABLE;
    case RunFailure::NoOutputName: return SCRIVANE_ERROR_NO_OUTPUT_NAME;
    case RunFailure::InvalidListType: return SCRIVANE_ERROR_LIST_TYPE;
    case RunFailure::OutputUnwritable: return SCRIVANE_ERROR_OUTPUT_UNWRITABLE;
    case RunFailure::DiskFull: return SCRIVANE_ERROR_DISK_FULL;
    case RunFailure::TemporaryFile: return SCRIVANE_ERROR_TEMPORARY_FILE;
    case RunFailure::OutOfMemory: return SCRIVANE_ERROR_OUT_OF_MEMORY;
    case RunFailure::NoInputName: return SCRIVANE_ERROR_NO_INPUT_NAME;
    case RunFailure::OutputIsInput: return SCRIVANE_ERROR_OUTPUT_IS_INPUT;
    case RunFailure::BinaryInput:  // the library converts whatever it is given
    case RunFailure::Internal:
    case RunFailure::Cancelled: break;  // the library offers no cancel check
  }
  return SCRIVANE_ERROR_INTERNAL;
}

// The result code, message and error number of a run.
int Reported(const RunResult& result) noexcept {
  if (result.delivered) return Succeeded();
  try {
    return Failed(CodeOf(result.failure), FailureMessage(result).text, result.error);
  } catch (...) {
    return Failed(CodeOf(result.failure), {}, result.error);  // no memory even for the message
  }
}

// Runs one call of the API, turning anything thrown into a result code.
template <class Call>
int Guarded(Call call) noexcept {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return Reported(RunResult{.failure = RunFailure::OutOfMemory, .error = ENOMEM});
  } catch (const std::exception& error) {
    return Reported(RunResult{.failure = RunFailure::Internal, .reason = error.what()});
  } catch (...) {
    return Reported(RunResult{.failure = RunFailure::Internal});
  }
}

// The engine's options for one run: the form's, with this run's date and form name.
ConversionOptions RunOptions(const scrivane_options* options) {
  ConversionOptions run = ReadFormOptions(options != nullptr ? options->form : FormState());
  run.dateText = PageDateText();
  run.formId = NewFormId();
  return run;
}

int Missing(const char* what) { return Failed(SCRIVANE_ERROR_ARGUMENT, std::string(what) + " is missing (NULL)", EINVAL); }

}  // namespace
}  // namespace scrivane::library

using namespace scrivane;
using namespace scrivane::library;

extern "C" {

scrivane_options* scrivane_options_new(void) {
  try {
    return new scrivane_options();
  } catch (...) {
    return nullptr;
  }
}

void scrivane_options_free(scrivane_options* options) { delete options; }

int scrivane_options_set(scrivane_options* options, const char* name, const char* value) {
  return Guarded([&] {
    if (options == nullptr) return Missing("the options");
    if (name == nullptr) return Missing("the option's name");
    if (value == nullptr) return Missing("the option's value");
    const std::string_view flag = name;
    const OptionRow* row = OptionNamed(flag);
    if (row == nullptr) return Failed(SCRIVANE_ERROR_OPTION, "unknown option '" + std::string(flag) + "'", EINVAL);
    std::string_view taken = value;
    // The off name of an on/off option takes the opposite value.
    if (row->IsCheck() && flag == row->offFlag && (taken == "true" || taken == "false")) {
      taken = taken == "true" ? "false" : "true";
    }
    const std::string refused = TakeNamedValue(*row, taken, options->form);
    if (!refused.empty()) return Failed(SCRIVANE_ERROR_VALUE, std::string(flag) + ": " + refused, EINVAL);
    return Succeeded();
  });
}

int scrivane_convert(const scrivane_options* options, const char* text, size_t length, char** document,
                     size_t* document_length) {
  if (document != nullptr) *document = nullptr;
  if (document_length != nullptr) *document_length = 0;
  return Guarded([&] {
    if (document == nullptr) return Missing("the place for the document");
    if (text == nullptr && length > 0) return Missing("the text");
    std::string made;
    OutputText output{[&made](std::string&& complete) { made = std::move(complete); }};
    output.inputEncoding = true;  // as scrivane-convert writes it
    const RunResult result =
        RunConversion(InputText{text == nullptr ? std::string() : std::string(text, length)}, output, RunOptions(options));
    if (!result.delivered) return Reported(result);
    char* copy = static_cast<char*>(std::malloc(made.size() + 1));
    if (copy == nullptr) throw std::bad_alloc();
    std::memcpy(copy, made.data(), made.size());
    copy[made.size()] = '\0';
    *document = copy;
    if (document_length != nullptr) *document_length = made.size();
    return Succeeded();
  });
}

void scrivane_free(void* document) { std::free(document); }

int scrivane_convert_stream(const scrivane_options* options, scrivane_read_fn read, void* read_context,
                            scrivane_write_fn write, void* write_context) {
  return Guarded([&] {
    if (read == nullptr) return Missing("the read function");
    if (write == nullptr) return Missing("the write function");
    InputStream input;
    input.name = "the input stream";
    input.read = [read, read_context](char* buffer, std::size_t size) -> std::ptrdiff_t {
      errno = 0;
      const std::ptrdiff_t got = read(read_context, buffer, size);
      if (got >= 0 && static_cast<std::size_t>(got) <= size) return got;
      if (got >= 0 || errno == 0) errno = got >= 0 ? EOVERFLOW : EIO;  // more than asked for, or no reason given
      return -1;
    };
    OutputStream output;
    output.name = "the output stream";
    output.write = [write, write_context](std::string_view bytes) {
      return write(write_context, bytes.data(), bytes.size()) == 0;
    };
    return Reported(RunConversion(input, output, RunOptions(options)));
  });
}

int scrivane_convert_file(const scrivane_options* options, const char* input_path, const char* output_path) {
  return Guarded([&] {
    if (input_path == nullptr) return Missing("the input file's name");
    const OutputFile output{output_path == nullptr ? std::string() : std::string(output_path)};
    return Reported(RunConversion(InputFile{input_path}, output, RunOptions(options)));
  });
}

const char* scrivane_strerror(int code) {
  switch (code) {
    case SCRIVANE_OK: return "success";
    case SCRIVANE_ERROR_ARGUMENT: return "a required argument is missing";
    case SCRIVANE_ERROR_OPTION: return "no option has that name";
    case SCRIVANE_ERROR_VALUE: return "the option does not take that value";
    case SCRIVANE_ERROR_INPUT_MISSING: return "the input file cannot be found";
    case SCRIVANE_ERROR_INPUT_UNREADABLE: return "the input could not be read";
    case SCRIVANE_ERROR_NO_OUTPUT_NAME: return "the document has no output file name";
    case SCRIVANE_ERROR_LIST_TYPE: return "the list type is neither ordered nor unordered";
    case SCRIVANE_ERROR_OUTPUT_UNWRITABLE: return "the output could not be written";
    case SCRIVANE_ERROR_DISK_FULL: return "the output's disk is full";
    case SCRIVANE_ERROR_TEMPORARY_FILE: return "no temporary file could be used";
    case SCRIVANE_ERROR_OUT_OF_MEMORY: return "not enough memory";
    case SCRIVANE_ERROR_INTERNAL: return "the conversion failed";
    case SCRIVANE_ERROR_NO_INPUT_NAME: return "no input file is named";
    case SCRIVANE_ERROR_OUTPUT_IS_INPUT: return "the output file is the input file";
    default: return "unknown result code";
  }
}

const char* scrivane_last_error(void) { return lastCall.message.c_str(); }

int scrivane_last_errno(void) { return lastCall.error; }

const char* scrivane_version(void) { return kVersionText; }

}  // extern "C"
