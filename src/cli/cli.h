// scrivane-convert: the converter for scripts and pipelines. Reads its command
// line into a form (the window's options as plain data), turns the named files
// and folders into jobs, and runs them on several threads through the one
// conversion path (ReadFormOptions, StampRun, RunConversion).
#pragma once

#include <QStringList>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "form.h"

namespace scrivane {

// Exit statuses of scrivane-convert.
inline constexpr int kExitConverted = 0;  // every input converted
inline constexpr int kExitFailed = 1;     // at least one input failed
inline constexpr int kExitUsage = 2;      // the command line itself was wrong

// The name that stands for standard input (as an input) or standard output (after -o).
inline constexpr const char* kStandardStream = "-";

// What one command line asks for.
struct ConvertRequest {
  FormState form;                               // the defaults or the stored settings, then the options
  std::vector<std::string> inputs;              // files, folders or "-", as given
  std::string output;                           // -o FILE or "-"; "" when not given
  std::string outputDir;                        // --output-dir; "" when not given
  std::vector<std::string> include{"*.txt"};    // names of the files taken from folders
  bool recursive = false;                       // descend into the folders of named folders
  bool force = false;                           // replace existing output files
  int jobs = 0;                                 // threads; 0 means one per core
};

// A command line read: a request to carry out, or a text to print with a status.
struct ParsedCommand {
  std::optional<ConvertRequest> request;  // set when there is work to do
  std::string text;                       // help or version (status 0) or an error (status 2)
  int status = kExitConverted;
};

// Reads the arguments (the program name first). `storedForm` is asked for the
// window's stored options only when --settings is given.
ParsedCommand ParseConvertArguments(const QStringList& arguments, const std::function<FormState()>& storedForm);

// The form the window would start with from the user's settings store, read without writing.
FormState StoredForm();

// One input and where its document goes.
struct ConvertJob {
  std::string input;    // a file path or "-"
  std::string output;   // a file path or "-"
  std::string problem;  // why this job cannot run, found while planning; "" when it can
};

// The jobs of a request: folders expanded (sorted by name, hidden entries skipped),
// output names derived and checked against each other. A request that cannot be
// carried out at all (such as -o with two inputs) gives no jobs and sets `error`.
std::vector<ConvertJob> PlanJobs(const ConvertRequest& request, std::string& error);

// Where a batch reports while it runs; calls never overlap.
struct BatchReport {
  std::function<void(const std::string& text)> failure;  // one failed job, naming the file and reason
  std::function<void(std::size_t done, std::size_t total, const std::string& input)> progress;  // a job ended
};

// What a batch achieved.
struct BatchResult {
  std::size_t converted = 0;
  std::vector<std::size_t> failed;  // indexes of the failed jobs, in job order
};

// Runs the jobs on `threads` threads (at least one), each through ReadFormOptions,
// StampRun and RunConversion. Existing files are replaced only with `force`.
BatchResult RunJobs(const std::vector<ConvertJob>& jobs, const FormState& form, int threads, bool force,
                    const BatchReport& report);

// The whole program: reads the arguments, converts, reports on standard error,
// and returns the exit status.
int RunConvertCommand(const QStringList& arguments);

}  // namespace scrivane
