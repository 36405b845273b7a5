// The conversion engine: one run from a text (file or clipboard text) to an
// HTML document (file or clipboard), and the option snapshot it runs with.
// Standard C++ only; the caller supplies the date text and the user-facing
// callbacks, so the engine knows nothing of windows or clipboards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

#include "markup.h"

namespace scrivane {

// The six output formats, in the order the format list shows them.
enum class OutputFormat { Smart, OriginalLinefeeds, OriginalFormat, HtmlList, HtmlTable, SelectionBox };

// Number of output formats.
inline constexpr int kFormatCount = 6;

// The format list's entries, indexed by OutputFormat.
inline constexpr const char* kFormatNames[kFormatCount] = {
    "Smart format", "Retain original linefeeds", "Retain original format",
    "HTML List",    "HTML Table",                "Links Selection Box"};

// Check box states as the window holds them.
inline constexpr int kUnchecked = 0;
inline constexpr int kChecked = 1;
inline constexpr int kGrey = 2;

// Source and destination choices (option button indexes).
inline constexpr int kClipboard = 0;
inline constexpr int kFile = 1;

// The product, its version and its maker, as the page foot and the window show them.
inline constexpr const char* kProgName = "Scrivane";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 5;
inline constexpr int kVersionRevision = 0;
inline constexpr const char* kMakerName = "The Scrivane Project";
inline constexpr const char* kMakerMail = "scrivane@example.org";
inline constexpr const char* kMakerHomePage = "https://scrivane.example.org/";

// The values the window's controls hold, as plain data (texts are UTF-8).
// Defaults are the values of a first start with an empty settings store.
struct FormState {
  int input = kClipboard;                  // optInput
  int output = kClipboard;                 // optOutput
  int outFormat = 0;                       // cmbFormat list position, 0..5
  int changeWWW = kChecked;                // chkWWW
  int changeFTP = kChecked;                // chkFTP
  int removePunctuation = kChecked;        // chkPunctuation
  int emailCheck = kChecked;               // chkEmailCheck
  int centre = kUnchecked;                 // chkCentre
  int goButton = kUnchecked;               // chkButton
  int webPage = kChecked;                  // chkWebPage
  std::string title = "Converted by Scrivane";  // txtHeader
  std::string footer = "Enter your footer here";  // txtFooter
  std::string fontFace;                    // cmbFonts text
  std::string fontSize;                    // txtFontSize
  std::string fontColor;                   // txtFontColor
  std::string bgColor;                     // txtBGColor
  std::string textColor;                   // txtTextColor
  std::string bgImage;                     // txtBGImage
  std::string charSet;                     // txtCharSet
  std::string separator = "comma";         // remembered HTML Table separator
  std::string listType = "Unordered";      // remembered HTML List type
  std::string target = "parent";           // remembered Links Selection Box target
  std::string inFile;                      // cmbInFile text
  std::string outFile;                     // cmbOutFile text
};

// The format a format-list position selects (Smart for positions outside 0..5).
OutputFormat FormatAt(int position);

// The text cmbSeparator shows for a format: the remembered option text, or "" when it has none.
std::string OptionTextFor(const FormState& form);

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
};

// Builds the run options from the form, as the Convert button and the command line both do.
ConversionOptions ReadFormOptions(const FormState& form);

// Where the text comes from.
struct InputFile { std::string path; };
struct InputText { std::string text; };  // clipboard text, UTF-8
struct InputStream {  // standard input or a pipe, read once; `name` stands for it in messages
  int fd = 0;
  std::string name = "standard input";
};
using ConversionInput = std::variant<InputFile, InputText, InputStream>;

// Where the document goes. An empty path means the input path + ".html".
struct OutputFile {
  std::string path;
  bool overwrite = true;  // false: an existing file is left alone and the run fails
};
struct OutputText { std::function<void(std::string&& document)> deliver; };  // clipboard
struct OutputStream {  // standard output or a pipe; gets the document only once it is complete
  int fd = 1;
  std::string name = "standard output";
};
using ConversionOutput = std::variant<OutputFile, OutputText, OutputStream>;

// A message box the run asks its caller to show.
struct RunMessage {
  std::string title;  // empty: the program's default title
  std::string text;
};

// How the run talks to its caller; every member may be left empty.
struct RunCallbacks {
  std::function<void(double fraction)> progress;           // called as the percentage changes
  std::function<void(const std::string& text)> status;     // the progress strip's text
  std::function<void(const RunMessage& message)> message;  // a message box
  std::function<void()> beep;                              // the completion beep
};

// What a run achieved.
struct RunResult {
  bool delivered = false;  // the document reached its destination
  std::string outputPath;  // the file written, for file output
};

// " Progress ... N%" as the strip shows it for a fraction of the input read.
std::string ProgressText(double fraction);

// Converts the input into one document and delivers it; failures become messages.
RunResult RunConversion(const ConversionInput& input, const ConversionOutput& output,
                        const ConversionOptions& options, const RunCallbacks& callbacks);

}  // namespace scrivane
