// The message texts of failed runs.
#include "messages.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace scrivane {

std::string ErrorText(int error, bool stream) {
  if (error == EISDIR && !stream) return "it is a folder";  // a folder named where a file belongs
  return std::strerror(error);
}

RunMessage FailureMessage(const RunResult& result) {
  const std::string& path = result.path;
  const std::string reason = ErrorText(result.error, result.stream);
  switch (result.failure) {
    case RunFailure::InputMissing: return {"Error", "Input File " + path + " not found", true};
    case RunFailure::NoInputName: return {"Error", "No input file named", true};
    case RunFailure::NoOutputName: return {"Error", "No output file named", true};
    case RunFailure::OutputIsInput:
      return {"Error", "The output file " + path + " is the input file itself. Choose another output name.", true};
    case RunFailure::InvalidListType: return {"", "Invalid HTML List type", false};
    case RunFailure::InputUnreadable:
      return {"Error", (result.stream ? "Could not read " : "Could not read the input file ") + path + ": " + reason,
              true};
    case RunFailure::OutputUnwritable:
    case RunFailure::DiskFull:
      return {"Error", (result.stream ? "Could not write to " : "Could not write the output file ") + path + ": " + reason,
              true};
    case RunFailure::TemporaryFile:
      return {"Error", "Could not use a temporary file in " + path + ": " + reason, true};
    case RunFailure::BinaryInput:
      return {"Error", BinaryInputText(path.empty() ? "The text" : path) +
                           "; it was not converted.", true};
    case RunFailure::OutOfMemory: return {"Error", "Not enough memory to convert this text.", true};
    case RunFailure::Internal:
      if (result.reason.empty()) break;
      return {"Error", "The conversion failed: " + result.reason, true};
    case RunFailure::Cancelled: return {"", "Conversion stopped: nothing was written.", false};
    case RunFailure::None: break;
  }
  return {"Error", "The conversion failed.", true};
}

std::string BinaryInputText(const std::string& name) { return name + " looks like a binary file, not text"; }

RunMessage BinaryInputWarning(const std::string& name) {
  return {"Warning", BinaryInputText(name) + "; it was converted anyway, and the page may show stray characters.",
          true};
}

std::string ProgressText(double fraction) {
  const long percent = std::lround(std::clamp(fraction, 0.0, 1.0) * 100.0);
  return " Progress ... " + (percent == 0 ? std::string() : std::to_string(percent)) + "%";
}

RunMessage EmptyClipboardMessage() { return {"Error", "The clipboard holds no text to convert.", true}; }

RunMessage OpenFailureMessage(const std::string& shown, const std::string& reason) {
  return {"Error", "Could not open " + shown + ": " + reason, true};
}

std::string BarStatusText(const RunResult& result) {
  if (!result.delivered) return FailureMessage(result).text;
  if (result.outputPath.empty()) return "Finished: HTML in the clipboard";
  return "Finished: " + result.outputPath.substr(result.outputPath.rfind('/') + 1);
}

std::string FinishedText(const RunResult& result) {
  if (result.outputPath.empty()) return " Finished Conversion.\r\n HTML document now in clipboard.";
  return " Finished Conversion. HTML document written to file\r\n " + result.outputPath;
}

bool NamesNoFile(const RunResult& result) {
  switch (result.failure) {
    case RunFailure::InputMissing:
    case RunFailure::InputUnreadable:
    case RunFailure::OutputIsInput: return false;  // they name the file, or standard input
    case RunFailure::BinaryInput: return result.path.empty();
    case RunFailure::OutputUnwritable:
    case RunFailure::DiskFull: return result.stream;
    default: return true;
  }
}

}  // namespace scrivane
