// Every settings key with its section, encoding and default, and the moments the
// window's state is read from and written back to the store.
#include <QString>

#include <cmath>

#include "settings.h"

namespace scrivane {
namespace {

const QString kGeneral = QStringLiteral("General");
const QString kFiles = QStringLiteral("Files");

// Window coordinates beyond this many twips are corrupt values, not positions
// (they would overflow the pixel arithmetic of the window).
constexpr double kLargestCoordinate = 1e9;

QString ToQt(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string FromQt(const QString& text) { return text.toStdString(); }

// A whole number within [low, high], or nullopt for a missing or bad value.
std::optional<int> ReadInteger(const SettingsStore& store, const QString& key, int low, int high) {
  const std::optional<QString> text = store.Read(kGeneral, key);
  if (!text) return std::nullopt;
  bool ok = false;
  const int value = text->trimmed().toInt(&ok);
  if (!ok || value < low || value > high) return std::nullopt;
  return value;
}

int ReadIndex(const SettingsStore& store, const QString& key, int fallback) {
  return ReadInteger(store, key, kClipboard, kFile).value_or(fallback);
}

int ReadCheck(const SettingsStore& store, const QString& key, int fallback) {
  return ReadInteger(store, key, kUnchecked, kGrey).value_or(fallback);
}

std::string ReadText(const SettingsStore& store, const QString& key, const std::string& fallback) {
  const std::optional<QString> text = store.Read(kGeneral, key);
  return text ? FromQt(*text) : fallback;
}

std::optional<double> ReadCoordinate(const SettingsStore& store, const QString& key) {
  const std::optional<QString> text = store.Read(kGeneral, key);
  if (!text) return std::nullopt;
  bool ok = false;
  const double value = text->trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value) || std::fabs(value) > kLargestCoordinate) return std::nullopt;
  return value;
}

// A position is kept as single precision: whole twips give plain digits ("2250").
QString CoordinateText(double twips) {
  return QString::number(static_cast<double>(static_cast<float>(twips)), 'g', 7);
}

QString HistoryKey(bool input, int slot) {
  return (input ? QStringLiteral("In") : QStringLiteral("Out")) + QString::number(slot);
}

QString InstantCheckKey(InstantCheck check) {
  switch (check) {
    case InstantCheck::ChangeWWW: return QStringLiteral("ChangeWWW");
    case InstantCheck::ChangeFTP: return QStringLiteral("ChangeFTP");
    case InstantCheck::RemovePunctuation: return QStringLiteral("RemovePunctuation");
    case InstantCheck::EmailCheck: return QStringLiteral("EmailCheck");
  }
  return {};
}

}  // namespace

AppSettings::AppSettings(SettingsStore& store) : store_(store) {}

bool AppSettings::MigrateOldStore() {
  // An older store kept Input as a flag; none of its General values mean the same now.
  const std::optional<QString> input = store_.Read(kGeneral, QStringLiteral("Input"));
  if (!input || (*input != QStringLiteral("True") && *input != QStringLiteral("False"))) return false;
  store_.Delete(kGeneral);
  store_.Sync();
  return true;
}

void AppSettings::LoadForm(FormState& form) const {
  const FormState defaults;
  form.input = ReadIndex(store_, QStringLiteral("Input"), defaults.input);
  form.output = ReadIndex(store_, QStringLiteral("Output"), defaults.output);
  form.outFormat = ReadInteger(store_, QStringLiteral("OutFormat"), 0, kFormatCount - 1).value_or(defaults.outFormat);
  form.changeWWW = ReadCheck(store_, QStringLiteral("ChangeWWW"), defaults.changeWWW);
  form.changeFTP = ReadCheck(store_, QStringLiteral("ChangeFTP"), defaults.changeFTP);
  form.removePunctuation = ReadCheck(store_, QStringLiteral("RemovePunctuation"), defaults.removePunctuation);
  form.emailCheck = ReadCheck(store_, QStringLiteral("EmailCheck"), defaults.emailCheck);
  form.centre = ReadCheck(store_, QStringLiteral("Centre"), defaults.centre);
  form.goButton = ReadCheck(store_, QStringLiteral("GoButton"), defaults.goButton);
  form.webPage = ReadCheck(store_, QStringLiteral("WebPage"), defaults.webPage);
  form.title = ReadText(store_, QStringLiteral("Title"), defaults.title);
  form.footer = ReadText(store_, QStringLiteral("Footer"), defaults.footer);
  form.fontFace = ReadText(store_, QStringLiteral("FontFace"), defaults.fontFace);
  form.fontSize = ReadText(store_, QStringLiteral("FontSize"), defaults.fontSize);
  form.fontColor = ReadText(store_, QStringLiteral("FontColor"), defaults.fontColor);
  form.bgColor = ReadText(store_, QStringLiteral("BGColor"), defaults.bgColor);
  form.textColor = ReadText(store_, QStringLiteral("TextColor"), defaults.textColor);
  form.bgImage = ReadText(store_, QStringLiteral("BGImage"), defaults.bgImage);
  form.charSet = ReadText(store_, QStringLiteral("CharSet"), defaults.charSet);
  form.separator = ReadText(store_, QStringLiteral("Separator"), defaults.separator);
  form.listType = ReadText(store_, QStringLiteral("ListType"), defaults.listType);
  form.target = ReadText(store_, QStringLiteral("Target"), defaults.target);
}

WindowPosition AppSettings::LoadPosition() const {
  return {ReadCoordinate(store_, QStringLiteral("PositionLeft")), ReadCoordinate(store_, QStringLiteral("PositionTop"))};
}

std::vector<std::string> AppSettings::LoadHistory(bool input) const {
  std::vector<std::string> history;
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    history.push_back(FromQt(store_.Read(kFiles, HistoryKey(input, slot), QString())));
  }
  return history;
}

void AppSettings::SaveInput(int index) { store_.Write(kGeneral, QStringLiteral("Input"), QString::number(index)); }

void AppSettings::SaveOutput(int index) { store_.Write(kGeneral, QStringLiteral("Output"), QString::number(index)); }

void AppSettings::SaveFormat(int position) {
  store_.Write(kGeneral, QStringLiteral("OutFormat"), QString::number(position));
}

void AppSettings::SaveCheck(InstantCheck check, int state) {
  store_.Write(kGeneral, InstantCheckKey(check), state == kUnchecked ? QStringLiteral("0") : QStringLiteral("1"));
}

bool AppSettings::SaveOptionText(OutputFormat format, const std::string& text) {
  QString key;
  switch (format) {
    case OutputFormat::HtmlTable: key = QStringLiteral("Separator"); break;
    case OutputFormat::HtmlList: key = QStringLiteral("ListType"); break;
    case OutputFormat::SelectionBox: key = QStringLiteral("Target"); break;
    default: return false;
  }
  store_.Write(kGeneral, key, ToQt(text));
  return true;
}

void AppSettings::SaveAtExit(const FormState& form, const std::vector<std::string>& inputHistory,
                             const std::vector<std::string>& outputHistory, double topTwips, double leftTwips) {
  const auto entry = [](const std::vector<std::string>& history, int slot) {
    return slot < static_cast<int>(history.size()) ? ToQt(history[static_cast<std::size_t>(slot)]) : QString();
  };
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    store_.Write(kFiles, HistoryKey(true, slot), entry(inputHistory, slot));
    store_.Write(kFiles, HistoryKey(false, slot), entry(outputHistory, slot));
  }
  store_.Write(kGeneral, QStringLiteral("PositionTop"), CoordinateText(topTwips));
  store_.Write(kGeneral, QStringLiteral("PositionLeft"), CoordinateText(leftTwips));
  store_.Write(kGeneral, QStringLiteral("WebPage"), QString::number(form.webPage));
  store_.Write(kGeneral, QStringLiteral("Title"), ToQt(form.title));
  store_.Write(kGeneral, QStringLiteral("Centre"), QString::number(form.centre));
  store_.Write(kGeneral, QStringLiteral("GoButton"), QString::number(form.goButton));
  store_.Write(kGeneral, QStringLiteral("FontFace"), ToQt(form.fontFace));
  store_.Write(kGeneral, QStringLiteral("FontSize"), ToQt(form.fontSize));
  store_.Write(kGeneral, QStringLiteral("FontColor"), ToQt(form.fontColor));
  // The page properties come back on the next start, and the command line converts with them.
  store_.Write(kGeneral, QStringLiteral("Footer"), ToQt(form.footer));
  store_.Write(kGeneral, QStringLiteral("BGColor"), ToQt(form.bgColor));
  store_.Write(kGeneral, QStringLiteral("TextColor"), ToQt(form.textColor));
  store_.Write(kGeneral, QStringLiteral("BGImage"), ToQt(form.bgImage));
  store_.Write(kGeneral, QStringLiteral("CharSet"), ToQt(form.charSet));
  store_.Sync();  // the program ends right after this
}

void InsertIntoHistory(std::vector<std::string>& history, const std::string& text) {
  // An empty box names no file; inserting it would only push a real name out of the saved five.
  if (text.empty()) return;
  if (history.empty() || history.front() != text) history.insert(history.begin(), text);
}

}  // namespace scrivane
