// The per-user settings store and the one class that knows every key: its
// section, its encoding and its default, how the keys fill the form at start-up
// and how the window's state goes back (at once, or in one batch at exit).
#pragma once

#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "conversion.h"

class QSettings;

namespace scrivane {

// Number of entries each file history keeps in the store.
inline constexpr int kHistorySlots = 5;

// Text values addressed by section and key, kept in an INI file. A missing or
// unreadable file reads as empty; nothing here ever stops the program. Section
// "General" is kept at the file's top level so that it reads [General].
class SettingsStore {
 public:
  // The user's store: $XDG_CONFIG_HOME/Scrivan/Scrivan.ini (~/.config when unset).
  SettingsStore();
  // A store kept in the INI file at `path` (tests, tools).
  explicit SettingsStore(const QString& path);
  virtual ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // The stored text, or nullopt when the key or its section is missing.
  virtual std::optional<QString> Read(const QString& section, const QString& key) const;
  // The stored text, or `fallback` when missing (a stored "" stays "").
  QString Read(const QString& section, const QString& key, const QString& fallback) const;
  // Creates or replaces the value.
  virtual void Write(const QString& section, const QString& key, const QString& value);
  // Removes a whole section with its keys.
  virtual void Delete(const QString& section);
  // Writes pending changes to the file.
  void Sync();
  // The INI file's path.
  QString FilePath() const;

 private:
  // The stored text QSettings could not hand back as plain text (unquoted commas, "@" forms).
  QString RawText(const QString& keyPath) const;
  // Rewrites values QSettings parsed as lists as the plain texts they were written as.
  void KeepListValuesAsText();

  QString path_;
  std::unique_ptr<QSettings> settings_;  // null when the file is unusable (not a file, too large)
  bool listValuesKept_ = false;
};

// The check boxes that are saved the moment they are clicked.
enum class InstantCheck { ChangeWWW, ChangeFTP, RemovePunctuation, EmailCheck };

// A window position in twips, as stored.
struct WindowPosition {
  std::optional<double> left;  // nullopt: not stored, the caller centres the window
  std::optional<double> top;
};

// Owns every settings key, its section, its encoding and its default.
class AppSettings {
 public:
  explicit AppSettings(SettingsStore& store);

  // Deletes the General section when Input holds an old "True"/"False" flag; true if it did.
  bool MigrateOldStore();

  // Reads the General keys in table order into `form`; missing or bad values give defaults.
  void LoadForm(FormState& form) const;
  // The stored window position.
  WindowPosition LoadPosition() const;
  // The input (In0..In4) or output (Out0..Out4) history, always kHistorySlots entries.
  std::vector<std::string> LoadHistory(bool input) const;

  // Saves the source (optInput) index at once.
  void SaveInput(int index);
  // Saves the destination (optOutput) index at once.
  void SaveOutput(int index);
  // Saves the format list position at once.
  void SaveFormat(int position);
  // Saves one of the instantly saved check boxes: "0" when unchecked, else "1".
  void SaveCheck(InstantCheck check, int state);
  // Saves the option box text under the key of `format` (Separator, ListType or
  // Target) and returns true; other formats store nothing and return false.
  bool SaveOptionText(OutputFormat format, const std::string& text);

  // The exit batch: histories, position (top, then left), then the web-page and font keys.
  void SaveAtExit(const FormState& form, const std::vector<std::string>& inputHistory,
                  const std::vector<std::string>& outputHistory, double topTwips, double leftTwips);

 private:
  SettingsStore& store_;
};

// Puts `text` at the top of `history` unless it already is the first entry.
void InsertIntoHistory(std::vector<std::string>& history, const std::string& text);

}  // namespace scrivane
