// The words the programs use for a run: its failure (one wording for the
// window's message box, the command line and the batch tool alike), and the
// window's progress and completion texts.
#pragma once

#include <string>

#include "conversion.h"

namespace scrivane {

// A message for the user about a run.
struct RunMessage {
  std::string title;     // empty: the program's own name
  std::string text;
  bool warning = false;  // the user must act: shown with the exclamation icon
};

// The words for the system's error number `error` on a file, or on a stream.
std::string ErrorText(int error, bool stream = false);

// The message for a run that did not deliver its document.
RunMessage FailureMessage(const RunResult& result);

// "NAME looks like a binary file, not text": said of an input whatever was done with it.
std::string BinaryInputText(const std::string& name);

// The warning for a document delivered from input that looks binary (RunResult::binary);
// `name` is the input as the user knows it.
RunMessage BinaryInputWarning(const std::string& name);

// The message for a run from the clipboard when it holds no text.
RunMessage EmptyClipboardMessage();

// The message when `shown` (a file or address, as the user knows it) could not be
// opened for the system's `reason`.
RunMessage OpenFailureMessage(const std::string& shown, const std::string& reason);

// The window's bar status for a finished run: its failure, or where the document went.
std::string BarStatusText(const RunResult& result);

// " Progress ... N%" as the window's strip shows it for a fraction of the input read.
std::string ProgressText(double fraction);

// The strip's text for a delivered document: the file written, or the clipboard
// (a result with no output path). Its lines are indented by one space.
std::string FinishedText(const RunResult& result);

// True when the failure's message names neither the input nor the output file
// (so a list of many runs must say which input it was).
bool NamesNoFile(const RunResult& result);

}  // namespace scrivane
