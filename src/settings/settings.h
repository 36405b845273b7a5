// The per-user settings store, and the class that keeps the form in it: the
// option table's rows fill the form at start-up and take the window's state
// back (at once, or in one batch at exit); the window's own keys (position,
// file histories) are kept here too.
#pragma once

#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form.h"

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

// A window position in twips, as stored.
struct WindowPosition {
  std::optional<double> left;  // nullopt: not stored, the caller centres the window
  std::optional<double> top;
};

// Keeps the form and the window's state in the store.
class AppSettings {
 public:
  explicit AppSettings(SettingsStore& store);

  // True when the store is of the older kind (Input holds "True" or "False"), whose
  // General values mean nothing now.
  bool IsOldStore() const;
  // Deletes the General section of an older store; true if it did.
  bool MigrateOldStore();

  // Reads every option into `form`; missing or bad values give the defaults.
  void LoadForm(FormState& form) const;
  // The stored window position.
  WindowPosition LoadPosition() const;
  // The input (In0..In4) or output (Out0..Out4) history, always kHistorySlots entries.
  std::vector<std::string> LoadHistory(bool input) const;

  // Saves one option's value in `form` at once (the options saved as they change).
  void SaveOption(const OptionRow& row, const FormState& form);
  // Saves the option box text as the text remembered for `format` (separator, list
  // type or target) and returns true; other formats store nothing and return false.
  bool SaveOptionText(OutputFormat format, const std::string& text);

  // The exit batch: histories, position (top, then left), then the options saved at exit.
  void SaveAtExit(const FormState& form, const std::vector<std::string>& inputHistory,
                  const std::vector<std::string>& outputHistory, double topTwips, double leftTwips);

 private:
  // The store's General texts, as the option table's loaders read them.
  StoredTextOf GeneralText() const;

  SettingsStore& store_;
};

// Puts `text` at the top of `history`, taking it out of any lower place (empty text is left out).
void InsertIntoHistory(std::vector<std::string>& history, const std::string& text);

}  // namespace scrivane
