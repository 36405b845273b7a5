// The command line of scrivane-convert: the long options of the option table
// (one per option of the window) and the options of a batch.
#include <QCommandLineParser>

#include <algorithm>
#include <array>
#include <type_traits>
#include <vector>

#include "cli.h"
#include "qt_text.h"
#include "settings.h"

namespace scrivane {
namespace {

const QString kProgram = QStringLiteral("scrivane-convert");

ParsedCommand UsageError(const QString& text) {
  ParsedCommand command;
  command.status = kExitUsage;
  command.text = ToStd(kProgram + QStringLiteral(": ") + text + QStringLiteral("\nTry '") + kProgram +
                   QStringLiteral(" --help' for more information.\n"));
  return command;
}

constexpr std::array<std::string_view, 3> kBinaryChoices{"convert", "skip", "fail"};

// The batch options: the request fields the command line sets besides the form.
constexpr std::array kBatchOptions{
    BatchOptionRow{.flag = "output", .letter = "o", .valueName = "FILE",
                   .help = "Write the document to FILE (- for standard output); one input only.",
                   .field = &ConvertRequest::output, .needs = "a file name (or - for standard output)"},
    BatchOptionRow{.flag = "output-dir", .valueName = "FOLDER", .help = "Write each document into FOLDER as NAME.html.",
                   .field = &ConvertRequest::outputDir, .needs = "a folder name"},
    BatchOptionRow{.flag = "recursive", .letter = "r", .help = "Also convert the files in the folders below named folders.",
                   .field = &ConvertRequest::recursive},
    BatchOptionRow{.flag = "include", .valueName = "PATTERN",
                   .help = "Take the files in folders whose names match PATTERN (default: *.txt); may be repeated.",
                   .field = &ConvertRequest::include},
    BatchOptionRow{.flag = "jobs", .letter = "j", .valueName = "N",
                   .help = "Convert N files at a time (default: the number of cores).", .field = &ConvertRequest::jobs,
                   .lowest = 1, .highest = 1024},
    BatchOptionRow{.flag = "force", .letter = "f", .help = "Replace output files that already exist.",
                   .field = &ConvertRequest::force},
    BatchOptionRow{.flag = "update",
                   .help = "Convert only what changed since the last run into --output-dir; replace only the "
                           "documents written there by this program.",
                   .field = &ConvertRequest::update, .needs = "output-dir"},
    BatchOptionRow{.flag = "delete", .help = "Also remove the documents whose inputs are gone (implies --update).",
                   .field = &ConvertRequest::prune, .needs = "output-dir"},
    BatchOptionRow{.flag = "watch",
                   .help = "Then keep --output-dir in step with the inputs until interrupted (implies --update).",
                   .field = &ConvertRequest::watch, .needs = "output-dir"},
    BatchOptionRow{.flag = "index",
                   .help = "Write an index.html listing the documents into every output folder (implies --update).",
                   .field = &ConvertRequest::index, .needs = "output-dir"},
    BatchOptionRow{.flag = "binary", .valueName = "WHAT",
                   .help = "What to do with inputs that look like binary files, not text: convert (with a warning), "
                           "skip (with a warning) or fail. Default: skip in a batch, convert a single input.",
                   .field = &ConvertRequest::binary, .needs = "convert, skip or fail", .choices = kBinaryChoices},
    BatchOptionRow{.flag = "settings",
                   .help = "Start from the options last used in the Scrivane window instead of the defaults.",
                   .field = &ConvertRequest::settings},
};

QStringList Names(const BatchOptionRow& row) {
  QStringList names;
  if (!row.letter.empty()) names << FromStd(row.letter);
  return names << FromStd(row.flag);
}

// A form option's names: its flag, and the flag in the other spelling of its word.
QStringList Names(std::string_view flag) {
  QStringList names{FromStd(flag)};
  if (const std::string other = OtherSpelling(flag); !other.empty()) names << FromStd(other);
  return names;
}

// How many letters must be added, removed or changed to turn one word into the other.
qsizetype EditDistance(const QString& a, const QString& b) {
  std::vector<qsizetype> row(static_cast<std::size_t>(b.size()) + 1);
  for (qsizetype j = 0; j <= b.size(); ++j) row[static_cast<std::size_t>(j)] = j;
  for (qsizetype i = 1; i <= a.size(); ++i) {
    qsizetype diagonal = row[0];
    row[0] = i;
    for (qsizetype j = 1; j <= b.size(); ++j) {
      const auto at = static_cast<std::size_t>(j);
      const qsizetype substituted = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
      diagonal = row[at];
      row[at] = std::min({row[at] + 1, row[at - 1] + 1, substituted});
    }
  }
  return row.back();
}

// " Did you mean --NAME?" for the long option nearest to a mistyped one, "" when none is near.
QString Suggestion(const QCommandLineParser& parser, const QList<QCommandLineOption>& options) {
  const QStringList unknown = parser.unknownOptionNames();
  if (unknown.isEmpty() || unknown.first().size() < 3) return {};
  const QString& typed = unknown.first();
  QString nearest;
  qsizetype best = std::max<qsizetype>(2, typed.size() / 3) + 1;  // farther than this is no likely typo
  for (const QCommandLineOption& option : options) {
    for (const QString& name : option.names()) {
      const qsizetype distance = name.size() < 2 ? best : EditDistance(typed, name);
      if (distance < best) {
        best = distance;
        nearest = name;
      }
    }
  }
  return nearest.isEmpty() ? QString() : QStringLiteral(" Did you mean --%1?").arg(nearest);
}

QList<QCommandLineOption> AllOptions() {
  QList<QCommandLineOption> options{{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and end.")},
                                    {{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version and end.")}};
  for (const BatchOptionRow& row : kBatchOptions) options.append({Names(row), FromStd(row.help), FromStd(row.valueName)});
  for (const OptionRow& row : OptionTable()) {
    if (row.flag.empty()) continue;
    if (row.IsCheck()) {
      options.append({Names(row.flag), FromStd(row.help)});
      options.append({Names(row.offFlag), FromStd(row.offHelp)});
    } else {
      options.append({Names(row.flag), FromStd(row.help), FromStd(row.valueName)});
    }
  }
  return options;
}

void AddOptions(QCommandLineParser& parser, const QList<QCommandLineOption>& options) {
  parser.setApplicationDescription(QStringLiteral(
      "Converts plain text to HTML. Reads the named files, or standard input when the\n"
      "only input is - or there is none. One input goes to standard output (or to\n"
      "-o FILE); several inputs, or folders, each go to NAME.html beside the input\n"
      "(or into --output-dir). Existing files are replaced only with --force."));
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
  parser.addPositionalArgument(QStringLiteral("inputs"), QStringLiteral("Text files, folders, or - for standard input."),
                               QStringLiteral("[FILE|FOLDER|-]..."));
  parser.addOptions(options);
}

// The last value of an option given several times, as the user would expect.
QString LastValue(const QCommandLineParser& parser, const QString& name) {
  const QStringList values = parser.values(name);
  return values.isEmpty() ? QString() : values.constLast();
}

// Puts a given batch option into the request; returns "" or why its value is refused.
QString TakeBatchOption(const QCommandLineParser& parser, const BatchOptionRow& row, ConvertRequest& request) {
  const QString flag = FromStd(row.flag);
  const QString value = LastValue(parser, flag);
  return std::visit(
      [&](auto field) -> QString {
        using Value = std::remove_reference_t<decltype(request.*field)>;
        if constexpr (std::is_same_v<Value, bool>) {
          request.*field = true;
        } else if constexpr (std::is_same_v<Value, int>) {
          bool number = false;
          const int taken = value.toInt(&number);
          if (!number || taken < row.lowest || taken > row.highest) {
            return QStringLiteral("--%1 needs a number from %2 to %3, not '%4'")
                .arg(flag).arg(row.lowest).arg(row.highest).arg(value);
          }
          request.*field = taken;
        } else if constexpr (std::is_same_v<Value, std::string>) {
          if (value.isEmpty() && !row.needs.empty()) return QStringLiteral("--%1 needs %2").arg(flag, FromStd(row.needs));
          request.*field = ToStd(value);
          if (!row.choices.empty()) {
            const auto chosen = std::find_if(row.choices.begin(), row.choices.end(), [&](std::string_view choice) {
              return value.compare(FromStd(choice), Qt::CaseInsensitive) == 0;
            });
            if (chosen == row.choices.end()) return QStringLiteral("--%1 needs %2, not '%3'").arg(flag, FromStd(row.needs), value);
            request.*field = std::string(*chosen);
          }
        } else {
          request.*field = {};  // given patterns replace the default
          for (const QString& each : parser.values(flag)) (request.*field).push_back(ToStd(each));
        }
        return {};
      },
      row.field);
}

}  // namespace

std::span<const BatchOptionRow> BatchOptionTable() { return kBatchOptions; }

ParsedCommand ParseConvertArguments(const QStringList& arguments, const std::function<FormState()>& storedForm) {
  QCommandLineParser parser;
  const QList<QCommandLineOption> options = AllOptions();
  AddOptions(parser, options);
  if (!parser.parse(arguments)) return UsageError(parser.errorText() + Suggestion(parser, options));

  ParsedCommand command;
  if (parser.isSet(QStringLiteral("help"))) {
    // The usage line names the program as the user types it, not the path it was started by.
    QString help = parser.helpText();
    const qsizetype options = help.indexOf(QStringLiteral(" [options]"));
    if (help.startsWith(QStringLiteral("Usage: ")) && options > 0) help.replace(7, options - 7, kProgram);
    command.text = ToStd(help) +
                   "\nExit status: 0 when every input was converted, 1 when any failed, 2 for a wrong command "
                   "line.\nSee scrivane-convert(1) for more.\n";
    return command;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    command.text = "scrivane-convert " + std::string(kVersionText) + "\n";
    return command;
  }

  ConvertRequest request;
  for (const BatchOptionRow& row : kBatchOptions) {
    if (!parser.isSet(FromStd(row.flag))) continue;
    const QString refused = TakeBatchOption(parser, row, request);
    if (!refused.isEmpty()) return UsageError(refused);
  }
  // A switch's `needs` names the option it cannot do without.
  for (const BatchOptionRow& row : kBatchOptions) {
    if (!std::holds_alternative<bool ConvertRequest::*>(row.field) || row.needs.empty() || !parser.isSet(FromStd(row.flag))) {
      continue;
    }
    if (!parser.isSet(FromStd(row.needs))) return UsageError(QStringLiteral("--%1 needs --%2").arg(FromStd(row.flag), FromStd(row.needs)));
  }
  if (request.settings && storedForm) request.form = storedForm();
  FormState& form = request.form;

  for (const OptionRow& row : OptionTable()) {
    if (row.flag.empty()) continue;
    if (row.IsCheck()) {
      const bool on = parser.isSet(FromStd(row.flag));
      const bool off = parser.isSet(FromStd(row.offFlag));
      if (on && off) return UsageError(QStringLiteral("--%1 and --%2 contradict each other").arg(FromStd(row.flag), FromStd(row.offFlag)));
      if (on || off) TakeNamedValue(row, on ? "true" : "false", form);
    } else if (parser.isSet(FromStd(row.flag))) {
      const std::string refused = TakeNamedValue(row, ToStd(LastValue(parser, FromStd(row.flag))), form);
      if (!refused.empty()) return UsageError(FromStd(refused));
    }
  }

  for (const QString& input : parser.positionalArguments()) request.inputs.push_back(ToStd(input));
  command.request = std::move(request);
  return command;
}

FormState StoredForm() {
  SettingsStore store;
  const AppSettings settings(store);
  FormState form;
  // The window discards a store of the old kind and starts from the defaults; do
  // the same without touching the file.
  if (!settings.IsOldStore()) settings.LoadForm(form);
  return form;
}

}  // namespace scrivane
