// The command line of scrivane-convert: the long options of the option table
// (one per option of the window) and the options of a batch.
#include <QCommandLineParser>


#include "cli.h"
#include "settings.h"

namespace scrivane {
namespace {

const QString kProgram = QStringLiteral("scrivane-convert");

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string S(const QString& text) { return text.toUtf8().toStdString(); }

ParsedCommand UsageError(const QString& text) {
  ParsedCommand command;
  command.status = kExitUsage;
  command.text = S(kProgram + QStringLiteral(": ") + text + QStringLiteral("\nTry '") + kProgram +
                   QStringLiteral(" --help' for more information.\n"));
  return command;
}

void AddOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral(
      "Converts plain text to HTML. Reads the named files, or standard input when the\n"
      "only input is - or there is none. One input goes to standard output (or to\n"
      "-o FILE); several inputs, or folders, each go to NAME.html beside the input\n"
      "(or into --output-dir). Existing files are replaced only with --force."));
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
  parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and end.")});
  parser.addOption({{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version and end.")});
  parser.addPositionalArgument(QStringLiteral("inputs"), QStringLiteral("Text files, folders, or - for standard input."),
                               QStringLiteral("[FILE|FOLDER|-]..."));
  parser.addOptions({
      {{QStringLiteral("o"), QStringLiteral("output")},
       QStringLiteral("Write the document to FILE (- for standard output); one input only."), QStringLiteral("FILE")},
      {QStringLiteral("output-dir"), QStringLiteral("Write each document into FOLDER as NAME.html."),
       QStringLiteral("FOLDER")},
      {{QStringLiteral("r"), QStringLiteral("recursive")},
       QStringLiteral("Also convert the files in the folders below named folders.")},
      {QStringLiteral("include"),
       QStringLiteral("Take the files in folders whose names match PATTERN (default: *.txt); may be repeated."),
       QStringLiteral("PATTERN")},
      {{QStringLiteral("j"), QStringLiteral("jobs")},
       QStringLiteral("Convert N files at a time (default: the number of cores)."), QStringLiteral("N")},
      {{QStringLiteral("f"), QStringLiteral("force")}, QStringLiteral("Replace output files that already exist.")},
      {QStringLiteral("settings"),
       QStringLiteral("Start from the options last used in the Scrivane window instead of the defaults.")},
  });
  for (const OptionRow& row : OptionTable()) {
    if (row.flag.empty()) continue;
    if (row.IsCheck()) {
      parser.addOption({Q(row.flag), Q(row.help)});
      parser.addOption({Q(row.offFlag), Q(row.offHelp)});
    } else {
      parser.addOption({Q(row.flag), Q(row.help), Q(row.valueName)});
    }
  }
}

// The last value of an option given several times, as the user would expect.
QString LastValue(const QCommandLineParser& parser, const QString& name) {
  const QStringList values = parser.values(name);
  return values.isEmpty() ? QString() : values.constLast();
}

}  // namespace

ParsedCommand ParseConvertArguments(const QStringList& arguments, const std::function<FormState()>& storedForm) {
  QCommandLineParser parser;
  AddOptions(parser);
  if (!parser.parse(arguments)) return UsageError(parser.errorText());

  ParsedCommand command;
  if (parser.isSet(QStringLiteral("help"))) {
    // The usage line names the program as the user types it, not the path it was started by.
    QString help = parser.helpText();
    const qsizetype options = help.indexOf(QStringLiteral(" [options]"));
    if (help.startsWith(QStringLiteral("Usage: ")) && options > 0) help.replace(7, options - 7, kProgram);
    command.text = S(help) +
                   "\nExit status: 0 when every input was converted, 1 when any failed, 2 for a wrong command "
                   "line.\nSee scrivane-convert(1) for more.\n";
    return command;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    command.text = "scrivane-convert " + std::string(kVersionText) + "\n";
    return command;
  }

  ConvertRequest request;
  if (parser.isSet(QStringLiteral("settings")) && storedForm) request.form = storedForm();
  FormState& form = request.form;

  for (const OptionRow& row : OptionTable()) {
    if (row.flag.empty()) continue;
    if (row.IsCheck()) {
      const bool on = parser.isSet(Q(row.flag));
      const bool off = parser.isSet(Q(row.offFlag));
      if (on && off) return UsageError(QStringLiteral("--%1 and --%2 contradict each other").arg(Q(row.flag), Q(row.offFlag)));
      if (on || off) TakeNamedValue(row, on ? "true" : "false", form);
    } else if (parser.isSet(Q(row.flag))) {
      const std::string refused = TakeNamedValue(row, S(LastValue(parser, Q(row.flag))), form);
      if (!refused.empty()) return UsageError(Q(refused));
    }
  }

  for (const QString& input : parser.positionalArguments()) request.inputs.push_back(S(input));
  request.output = S(LastValue(parser, QStringLiteral("output")));
  request.outputDir = S(LastValue(parser, QStringLiteral("output-dir")));
  if (parser.isSet(QStringLiteral("output")) && request.output.empty()) {
    return UsageError(QStringLiteral("--output needs a file name (or - for standard output)"));
  }
  if (parser.isSet(QStringLiteral("output-dir")) && request.outputDir.empty()) {
    return UsageError(QStringLiteral("--output-dir needs a folder name"));
  }
  if (parser.isSet(QStringLiteral("include"))) {
    request.include.clear();
    for (const QString& pattern : parser.values(QStringLiteral("include"))) request.include.push_back(S(pattern));
  }
  request.recursive = parser.isSet(QStringLiteral("recursive"));
  request.force = parser.isSet(QStringLiteral("force"));
  if (parser.isSet(QStringLiteral("jobs"))) {
    bool number = false;
    const int jobs = LastValue(parser, QStringLiteral("jobs")).toInt(&number);
    if (!number || jobs < 1 || jobs > 1024) {
      return UsageError(QStringLiteral("--jobs needs a number from 1 to 1024, not '%1'")
                            .arg(LastValue(parser, QStringLiteral("jobs"))));
    }
    request.jobs = jobs;
  }
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
