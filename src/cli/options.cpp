// The command line of scrivane-convert: one long option per option of the
// window, mapped onto the form the window would hold.
#include <QCommandLineParser>

#include <array>

#include "cli.h"
#include "settings.h"

namespace scrivane {
namespace {

const QString kProgram = QStringLiteral("scrivane-convert");

// A pair of options that set one check box on or off.
struct CheckPair {
  const char* on;
  const char* off;
  int FormState::*field;
  const char* onHelp;
  const char* offHelp;
};

const std::array<CheckPair, 7> kCheckPairs{{
    {"web-page", "fragment", &FormState::webPage, "Write a free-standing web page: head, title banner and foot (default).",
     "Write only the body and its font and centring wrappers."},
    {"centre", "no-centre", &FormState::centre, "Centre the body (smart, linefeeds and select formats).",
     "Do not centre the body (default)."},
    {"www", "no-www", &FormState::changeWWW, "Make www. host names links (default).",
     "Leave www. host names as text."},
    {"ftp", "no-ftp", &FormState::changeFTP, "Make ftp. host names links (default).",
     "Leave ftp. host names as text."},
    {"email", "no-email", &FormState::emailCheck, "Make e-mail addresses mailto: links (default).",
     "Leave e-mail addresses as text."},
    {"remove-punctuation", "keep-punctuation", &FormState::removePunctuation,
     "Keep one trailing , . : ; ? or ! out of a link (default).", "Leave trailing punctuation inside links."},
    {"go-button", "no-go-button", &FormState::goButton, "Add a Go button to the select format.",
     "No Go button (default)."},
}};

// An option that sets one text of the form.
struct TextOption {
  const char* name;
  std::string FormState::*field;
  const char* valueName;
  const char* help;
};

const std::array<TextOption, 11> kTextOptions{{
    {"title", &FormState::title, "TEXT", "Page title and banner, as HTML (default: \"Converted by Scrivane\")."},
    {"footer", &FormState::footer, "HTML", "HTML written at the foot of a web page, before the credit lines."},
    {"font-face", &FormState::fontFace, "NAME", "Font face of the body."},
    {"font-size", &FormState::fontSize, "SIZE", "Font size of the body, 1 to 7 or relative such as +1."},
    {"font-color", &FormState::fontColor, "COLOUR", "Font colour of the body, such as #000080."},
    {"bg-color", &FormState::bgColor, "COLOUR", "Background colour of the page."},
    {"text-color", &FormState::textColor, "COLOUR", "Text colour of the page."},
    {"bg-image", &FormState::bgImage, "URL", "Background image of the page."},
    {"charset", &FormState::charSet, "NAME", "Character set named in the page head, such as utf-8."},
    {"separator", &FormState::separator, "TEXT",
     "Cell separator of the table format: comma (default), tab, semi-colon or any text."},
    {"target", &FormState::target, "TARGET",
     "Where the select format's Go button opens a link: _blank, _parent, _self, _top or a frame name "
     "(default: parent)."},
}};

// The --format names, in the order of the window's format list.
const std::array<const char*, kFormatCount> kFormatOptionNames{"smart", "linefeeds", "pre", "list", "table", "select"};

QString Q(const char* text) { return QString::fromUtf8(text); }

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
      {QStringLiteral("format"),
       QStringLiteral("Body format: smart (default), linefeeds, pre, list, table or select."),
       QStringLiteral("FORMAT")},
      {QStringLiteral("list-type"), QStringLiteral("List type of the list format: unordered (default) or ordered."),
       QStringLiteral("TYPE")},
  });
  for (const CheckPair& pair : kCheckPairs) {
    parser.addOption({Q(pair.on), Q(pair.onHelp)});
    parser.addOption({Q(pair.off), Q(pair.offHelp)});
  }
  for (const TextOption& option : kTextOptions) {
    parser.addOption({Q(option.name), Q(option.help), Q(option.valueName)});
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
    command.text = "scrivane-convert " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
                   std::to_string(kVersionRevision) + "\n";
    return command;
  }

  ConvertRequest request;
  if (parser.isSet(QStringLiteral("settings")) && storedForm) request.form = storedForm();
  FormState& form = request.form;

  if (parser.isSet(QStringLiteral("format"))) {
    const QString name = LastValue(parser, QStringLiteral("format")).toLower();
    int position = -1;
    for (int i = 0; i < kFormatCount; ++i) {
      if (name == Q(kFormatOptionNames[i])) position = i;
    }
    if (position < 0) {
      return UsageError(QStringLiteral("unknown format '%1' (smart, linefeeds, pre, list, table or select)")
                            .arg(LastValue(parser, QStringLiteral("format"))));
    }
    form.outFormat = position;
  }
  if (parser.isSet(QStringLiteral("list-type"))) {
    const QString type = LastValue(parser, QStringLiteral("list-type"));
    if (type.compare(QStringLiteral("ordered"), Qt::CaseInsensitive) != 0 &&
        type.compare(QStringLiteral("unordered"), Qt::CaseInsensitive) != 0) {
      return UsageError(QStringLiteral("unknown list type '%1' (ordered or unordered)").arg(type));
    }
    form.listType = S(type);
  }
  for (const CheckPair& pair : kCheckPairs) {
    const bool on = parser.isSet(Q(pair.on));
    const bool off = parser.isSet(Q(pair.off));
    if (on && off) return UsageError(QStringLiteral("--%1 and --%2 contradict each other").arg(Q(pair.on), Q(pair.off)));
    if (on) form.*pair.field = kChecked;
    if (off) form.*pair.field = kUnchecked;
  }
  for (const TextOption& option : kTextOptions) {
    if (parser.isSet(Q(option.name))) form.*option.field = S(LastValue(parser, Q(option.name)));
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
  FormState form;
  // The window discards a store of the old kind (Input "True" or "False") and starts from the
  // defaults; do the same without touching the file.
  const std::optional<QString> input = store.Read(QStringLiteral("General"), QStringLiteral("Input"));
  if (input == QStringLiteral("True") || input == QStringLiteral("False")) return form;
  AppSettings(store).LoadForm(form);
  return form;
}

}  // namespace scrivane
