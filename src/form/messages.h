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

// The message for a run that did not deliver its document.
RunMessage FailureMessage(const RunResult& result);

// "NAME looks like a binary file, not text": said of an input whatever was done with it.
std::string BinaryInputText(const std::string& name);

// The warning for a document delivered from input that looks binary (RunResult::binary);
// `name` is the input as the user knows it.
RunMessage BinaryInputWarning(const std::string& name);

// " Progress ... N%" as the window's strip shows it for a fraction of the input read.
std::string ProgressText(double fraction);

// The strip's text for a delivered document: the file written, or the clipboard
// (a result with no output path). Its lines are indented by one space.
std::string FinishedText(const RunResult& result);

// True when the failure's message names neither the input nor the output file
// (so a list of many runs must say which input it was).
bool NamesNoFile(const RunResult& result);

}  // namespace scrivane
