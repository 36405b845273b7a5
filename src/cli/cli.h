// scrivane-convert: the converter for scripts and pipelines. Reads its command
// line into a form (the window's options as plain data), turns the named files
// and folders into jobs, and runs them on several threads through the one
// conversion path (ReadFormOptions, StampRun, RunConversion).
#pragma once

#include <QStringList>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
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
  bool settings = false;                        // `form` starts from the window's stored options
  bool update = false;                          // convert only what changed since the manifest says
  bool prune = false;                           // remove the documents whose inputs are gone
  bool watch = false;                           // keep the output in step until interrupted
  bool index = false;                           // an index page in every output folder
  std::string binary;                           // --binary: convert, skip or fail; "" leaves it to the run's kind

  // True when the output folder is kept as a site, with a manifest (each site option implies --update).
  bool Site() const { return update || prune || watch || index; }
};

// One option of a batch (not of the form): its names, its --help line and the
// request field it sets. The parser and --help read these rows beside the
// option table's.
struct BatchOptionRow {
  using Field = std::variant<bool ConvertRequest::*, int ConvertRequest::*, std::string ConvertRequest::*,
                             std::vector<std::string> ConvertRequest::*>;

  std::string_view flag{};       // long option
  std::string_view letter{};     // short option, or ""
  std::string_view valueName{};  // what the value is called in --help; "" for a switch
  std::string_view help{};       // --help's line
  Field field{};
  std::string_view needs{};      // texts: what an empty value lacks ("a folder name"), "" when empty is
                                 // taken; switches: the long option they need, or ""
  int lowest = 0, highest = 0;   // numbers: the values taken
  std::span<const std::string_view> choices{};  // texts: the values taken (any letter case); empty: any
};

// The batch options, in the order --help lists them (before the form's).
std::span<const BatchOptionRow> BatchOptionTable();

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

// What a run does with an input that looks like a binary file rather than text.
enum class BinaryHandling {
  Convert,  // converts it, with a warning
  Skip,     // leaves it, with a warning; not a failure
  Fail,     // leaves it, as a failure
};

// The request's --binary, or the default for its kind of run: skipped in a batch
// (`batch`: several inputs, a folder or --output-dir), converted for a single input.
BinaryHandling BinaryHandlingFor(const ConvertRequest& request, bool batch);

// One input and where its document goes.
struct ConvertJob {
  std::string input{};  // a file path or "-"
  std::string output;   // a file path or "-"
  std::string problem;  // why this job cannot run, found while planning; "" when it can
};

// The jobs of a request: folders expanded (sorted by name, hidden entries skipped),
// output names derived and checked against each other. A request that cannot be
// carried out at all (such as -o with two inputs) gives no jobs and sets `error`.
// `folders`, when given, receives every folder read (to watch).
std::vector<ConvertJob> PlanJobs(const ConvertRequest& request, std::string& error,
                                 std::vector<std::string>* folders = nullptr);

// Where a batch reports while it runs; calls never overlap.
struct BatchReport {
  std::function<void(const std::string& text)> failure;  // one failed job, naming the file and reason
  std::function<void(const std::string& text)> warning;  // a job converted or skipped with a warning
  std::function<void(std::size_t done, std::size_t total, const std::string& input)> progress;  // a job ended
  std::function<void(const std::string& text)> summary;  // a line about the whole batch (a pass of --watch)
};

// What a batch achieved.
struct BatchResult {
  std::size_t converted = 0;
  std::size_t skipped = 0;          // inputs left alone as binary files
  std::vector<std::size_t> failed;  // indexes of the failed jobs, in job order
};

// Runs the jobs on `threads` threads (at least one), each through ReadFormOptions,
// StampRun and RunConversion. Existing files are replaced only with `force`.
BatchResult RunJobs(const std::vector<ConvertJob>& jobs, const FormState& form, int threads, bool force,
                    BinaryHandling binary, const BatchReport& report);

// Makes the folders of the jobs' outputs, once each (the folders below --output-dir
// first); a job whose folder cannot be made gets the reason as its problem.
void MakeOutputFolders(std::vector<ConvertJob>& jobs);

// Calls `work(i)` for each i below `count`, in order, on `threads` threads (this one
// among them); once `stop` is set no further i is started.
void RunInParallel(std::size_t count, int threads, const std::atomic<bool>* stop,
                   const std::function<void(std::size_t)>& work);

// How one job ended, as the user reads it.
struct JobOutcome {
  std::string failure{};     // "" when the document was written or the input skipped
  std::string warning{};     // about a document written or an input skipped; "" when none
  bool skipped = false;      // the input looked binary and was left alone
  std::uint64_t bytes = 0;   // the document's size
};

// Converts one job with `options` (stamped here). An existing output is replaced
// only with `replace`; input that looks binary is dealt with as `binary` says.
JobOutcome ConvertOneJob(const ConvertJob& job, const ConversionOptions& options, bool replace,
                         BinaryHandling binary);

// ---- Sites: an output folder kept in step with its inputs (--update, --delete, --watch, --index).

// The manifest's name in the output folder.
inline constexpr const char* kManifestName = ".scrivane-manifest.json";
// The index page's name in every output folder.
inline constexpr const char* kIndexName = "index.html";

// What the manifest records of a document the program wrote.
struct ManifestEntry {
  std::string input;            // the input, relative to the output folder
  std::uint64_t size = 0;       // the input's size and modification time (ns) when it was read
  std::int64_t mtime = 0;
  std::string hash{};           // the input's content hash; "" while the document is only claimed
  std::string options{};        // OptionsHash of the run that wrote it
  std::uint64_t bytes = 0;      // the document's size
  std::string title{};          // the input's first non-empty line (UTF-8), or ""

  bool operator==(const ManifestEntry&) const = default;
};

// The output folder's record of what the program wrote there, saved atomically.
struct Manifest {
  std::map<std::string, ManifestEntry> documents;  // by document path relative to the output folder
  std::map<std::string, std::string> indexes;      // index pages written: relative path -> content hash

  // Reads `folder`'s manifest; none there gives an empty one. False, with `error`, when it cannot be read.
  bool Load(const std::string& folder, std::string& error);
  // Writes it atomically into `folder`; false, with `error`, when that failed.
  bool Save(const std::string& folder, std::string& error) const;
};

// Replaces the file at `path` with `bytes` atomically (as documents are written,
// so that an interrupted write leaves nothing behind that the next one does not
// clear away); false, with `error`, when that failed.
bool WriteWhole(const std::string& path, std::string_view bytes, std::string& error);

// The hash of what makes a document besides its input: the stored texts of the
// option rows that reach the engine, and the program's version.
std::string OptionsHash(const FormState& form);

// Hex hash of bytes, as the manifest keeps hashes.
std::string HashText(std::string_view bytes);

// What reading an input gave: its content hash and title.
struct InputDigest {
  std::string hash;
  std::string title;  // the first line with more than blanks, trimmed, as UTF-8 with no control characters
};
// Reads a file once for its digest; false, with `error`, when it cannot be read.
bool DigestInput(const std::string& path, InputDigest& digest, std::string& error);

// Bytes as a line of text any page may hold: UTF-8 (read as Windows-1252 when they
// are not UTF-8), controls and noncharacters as spaces, blanks run together and
// trimmed, at most `characters` characters.
std::string PageText(std::string_view bytes, std::size_t characters);

// One document line of an index page.
struct IndexItem {
  std::string name;    // the document's file name
  std::string title;   // shown as the link's text; the input's file name when its text has no title
  std::uint64_t bytes = 0;
  std::int64_t mtime = 0;  // the input's modification time (ns since the epoch)
};
// One output folder's index: where it is, its sub-folders and documents (sorted).
struct IndexFolder {
  std::string path;  // relative to the output folder, "" for the output folder itself
  std::string site;  // the output folder's own name, shown in titles
  std::vector<std::string> folders;
  std::vector<IndexItem> documents;
};
// The index page of a folder: upper-case HTML like the classic documents, or an
// HTML5 page with landmarks when `options.modern`. UTF-8, names escaped.
std::string IndexPage(const IndexFolder& folder, const ConversionOptions& options);

// What one pass over a site did.
struct SiteCounts {
  std::size_t converted = 0, unchanged = 0, removed = 0, failed = 0, skipped = 0;
};

// One pass over the site: converts what changed (and what was never converted),
// or, for a plain run into --output-dir (no site option), every job, replacing
// files only with --force and recording what it wrote so that --update adopts it;
// removes documents of gone inputs with `request.prune`, rewrites the index pages
// with `request.index`, and keeps the manifest as it goes. Stops starting
// conversions once `stop` is set. A manifest that cannot be read or written ends
// the pass with `fatal` set.
SiteCounts UpdateSite(const ConvertRequest& request, const std::vector<ConvertJob>& jobs, int threads,
                      const BatchReport& report, const std::atomic<bool>* stop, std::string& fatal);

// The summary of a pass: "Converted 3 files, 97 unchanged, 1 removed, 0 failed."
// (and ", 2 skipped" when binary inputs were left alone).
std::string SiteSummary(const SiteCounts& counts);

// Watches the inputs, runs a first pass, then a pass after each burst of changes,
// until `stop` is set (`wake` becomes readable then); each pass is summed up
// through `report.summary`. Needs a QCoreApplication. Returns the exit status.
int WatchSite(const ConvertRequest& request, int threads, const BatchReport& report, const std::atomic<bool>& stop,
              int wake);

// The whole program: reads the arguments, converts, reports on standard error,
// and returns the exit status.
int RunConvertCommand(const QStringList& arguments);

}  // namespace scrivane
