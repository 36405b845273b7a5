// The form's options in the store, through the option table's rows, and the
// window's own keys: its position and the file histories.
#include <QString>

#include <cmath>

#include "qt_text.h"
#include "settings.h"

namespace scrivane {
namespace {

const QString kGeneral = QStringLiteral("General");
const QString kFiles = QStringLiteral("Files");

// Window coordinates beyond this many twips are corrupt values, not positions
// (they would overflow the pixel arithmetic of the window).
constexpr double kLargestCoordinate = 1e9;

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

QString KeyOf(const OptionRow& row) { return QString::fromUtf8(row.key.data(), static_cast<qsizetype>(row.key.size())); }

}  // namespace

AppSettings::AppSettings(SettingsStore& store) : store_(store) {}

StoredTextOf AppSettings::GeneralText() const {
  return [this](std::string_view key) -> std::optional<std::string> {
    const std::optional<QString> text = store_.Read(kGeneral, FromStd(key));
    if (!text) return std::nullopt;
    return ToStd(*text);
  };
}

bool AppSettings::IsOldStore() const { return scrivane::IsOldStore(GeneralText()); }

bool AppSettings::MigrateOldStore() {
  if (!IsOldStore()) return false;
  store_.Delete(kGeneral);
  store_.Sync();
  return true;
}

void AppSettings::LoadForm(FormState& form) const { LoadStoredForm(GeneralText(), form); }

WindowPosition AppSettings::LoadPosition() const {
  return {ReadCoordinate(store_, QStringLiteral("PositionLeft")), ReadCoordinate(store_, QStringLiteral("PositionTop"))};
}

std::vector<std::string> AppSettings::LoadHistory(bool input) const {
  std::vector<std::string> history;
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    history.push_back(ToStd(store_.Read(kFiles, HistoryKey(input, slot), QString())));
  }
  return history;
}

void AppSettings::SaveOption(const OptionRow& row, const FormState& form) {
  store_.Write(kGeneral, KeyOf(row), FromStd(StoredText(row, form)));
}

bool AppSettings::SaveOptionText(OutputFormat format, const std::string& text) {
  const OptionRow* row = OptionTextRow(format);
  if (row == nullptr) return false;
  store_.Write(kGeneral, KeyOf(*row), FromStd(text));
  return true;
}

void AppSettings::SaveAtExit(const FormState& form, const std::vector<std::string>& inputHistory,
                             const std::vector<std::string>& outputHistory, double topTwips, double leftTwips) {
  const auto entry = [](const std::vector<std::string>& history, int slot) {
    return slot < static_cast<int>(history.size()) ? FromStd(history[static_cast<std::size_t>(slot)]) : QString();
  };
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    store_.Write(kFiles, HistoryKey(true, slot), entry(inputHistory, slot));
    store_.Write(kFiles, HistoryKey(false, slot), entry(outputHistory, slot));
  }
  store_.Write(kGeneral, QStringLiteral("PositionTop"), CoordinateText(topTwips));
  store_.Write(kGeneral, QStringLiteral("PositionLeft"), CoordinateText(leftTwips));
  // The page properties come back on the next start, and the command line converts with them.
  for (const OptionRow& row : OptionTable()) {
    if (row.saved == SaveTime::AtExit) SaveOption(row, form);
  }
  store_.Sync();  // the program ends right after this
}

void InsertIntoHistory(std::vector<std::string>& history, const std::string& text) {
  // An empty box names no file; inserting it would only push a real name out of the saved five.
  if (text.empty()) return;
  // Each name once, the latest first.
  std::erase(history, text);
  history.insert(history.begin(), text);
}

}  // namespace scrivane
