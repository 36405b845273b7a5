// The conversion engine: one run from a text (file, memory or stream) to an
// HTML document (file, memory or stream), and the option snapshot it runs with.
// Standard C++ only; the caller supplies the date text and words the result
// for its user, so the engine knows nothing of windows, clipboards or terminals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

#include "markup.h"
#include "product.h"

namespace scrivane {

// The output formats, in the order their stored numbers give them.
enum class OutputFormat { Smart, OriginalLinefeeds, OriginalFormat, HtmlList, HtmlTable, SelectionBox, Structured };

// Number of output formats.
inline constexpr int kFormatCount = 7;

// The title option's default; a structured text's own title takes its place.
inline constexpr std::string_view kDefaultTitle = "Converted by Scrivane";

// Everything one run needs, captured before it starts.
struct ConversionOptions {
  OutputFormat format = OutputFormat::Smart;
  LinkOptions links;           // punctuation removal already folded with the format
  bool centre = false;         // centring, for the formats that allow it
  bool webPage = true;         // a free-standing page rather than a fragment
  bool goButton = false;       // the selection box's Go button
  std::string title;           // written as HTML, unescaped
  std::string footer;          // written as HTML after the foot's rule, unless a placeholder
  std::string fontFace, fontSize, fontColor;
  std::string bgColor, bgImage, textColor, charSet;
  std::string separator, listType, target;
  std::string progName = kProgName;
  std::string dateText;        // the foot's date and time, formatted by the caller
  std::string formId = "1";    // names the selection box's form; unique per document
  bool modern = false;         // an HTML5 page (or fragment) rather than the classic document
  std::string language = "en"; // the modern page's language (BCP 47); "en" when it is not a tag
  bool headerRow = false;      // a modern table's first row is its column headings
  std::string dateTime;        // the foot's date as ISO 8601, for the modern page's <time>
  bool refuseBinary = false;   // input that looks like a binary file fails with BinaryInput instead
  bool contents = false;       // structured text: a table of contents of the headings
  bool keepLineBreaks = false; // structured text: a paragraph's lines stay lines
  bool inlineMarks = false;    // structured text: *strong*, _emphasis_ and `code` become elements
};

// Where the text comes from.
struct InputFile { std::string path; };
struct InputText { std::string text; };  // text held in memory, UTF-8
struct InputStream {  // standard input or a pipe, read once; `name` stands for it in results
  int fd = 0;
  std::string name = "standard input";
  // When set, read instead of `fd`, as read(2) is: bytes read, 0 at the end, -1 with errno set.
  std::function<std::ptrdiff_t(char* buffer, std::size_t size)> read{};
};
using ConversionInput = std::variant<InputFile, InputText, InputStream>;

// Where the document goes. An empty path means the input path + ".html".
struct OutputFile {
  std::string path;
  bool overwrite = true;  // false: an existing file is left alone and the run fails
};
struct OutputText {  // memory
  std::function<void(std::string&& document)> deliver;
  bool inputEncoding = false;  // in the input's encoding as files get it, rather than always UTF-8 (the clipboard)
};
struct OutputStream {  // standard output or a pipe; gets the document only once it is complete
  int fd = 1;
  std::string name = "standard output";
  // When set, written to instead of `fd`: false, with errno set, when the bytes could not be written.
  std::function<bool(std::string_view bytes)> write{};
};
using ConversionOutput = std::variant<OutputFile, OutputText, OutputStream>;

// Why a run did not deliver its document.
enum class RunFailure {
  None,
  InputMissing,     // the input file cannot be found (or opened)
  NoInputName,      // the input file's name is empty
  InputUnreadable,  // reading the input failed
  NoOutputName,     // the document has no file name to go to
  OutputIsInput,    // the output file is the input file itself (by identity, not by spelling)
  InvalidListType,  // the list type is neither ordered nor unordered
  OutputUnwritable, // the output could not be made, written or put in place
  DiskFull,         // the output's file system (or quota, or file size limit) is full
  TemporaryFile,    // no temporary file could be used to hold the text
  BinaryInput,      // the input looks like a binary file and the options refuse those
  OutOfMemory,      // the text needed more memory than there is
  Internal,         // anything else that stopped the run; `reason` says what
  Cancelled,        // the caller's cancel check stopped the run; nothing was delivered
};

// What a run achieved, as data for the caller to word.
struct RunResult {
  bool delivered = false;   // the document reached its destination
  RunFailure failure = RunFailure::None;
  std::string path{};       // the file, folder or stream the failure concerns
  bool stream = false;      // `path` names a stream (standard input or output), not a file
  int error = 0;            // the system's error number (an errno value, such as EACCES); 0 when none
  std::string reason{};     // what stopped an internal failure, as the exception put it; "" otherwise
  std::string outputPath{}; // the file written, for file output
  std::uint64_t bytesWritten = 0;  // the document's size in bytes, once delivered
  bool binary = false;      // the input looks like a binary file, not text (NUL bytes near its start)
};

// How the run reports while it works; may be left empty.
struct RunCallbacks {
  std::function<void(double fraction)> progress;  // called as the whole percentage read changes
  std::function<bool()> cancelled;  // asked every so often as the input is read; true stops the run
};

// Converts the input into one document and delivers it.
RunResult RunConversion(const ConversionInput& input, const ConversionOutput& output,
                        const ConversionOptions& options, const RunCallbacks& callbacks = {});

}  // namespace scrivane
