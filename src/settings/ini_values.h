// The settings file read without Qt: where it is, whether it can be used, and its
// values decoded the way the store writes them. The program's command line reads
// its options through here and never loads Qt; the store reads its odd values here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace scrivane {

// Every key's raw value text, by key path: "Input" for the General section, "Files/In0" for others.
using RawIniValues = std::unordered_map<std::string, std::string>;

// The user's store: $XDG_CONFIG_HOME/Scrivan/Scrivan.ini (~/.config when unset or relative).
std::string UserStorePath();

// A missing file is usable (it is created on the first write); a folder, a device, a pipe,
// a dangling link or a file far larger than a settings file is not.
bool IsUsableStoreFile(const std::string& path);

// Says on standard error that the file at `path` is not used and the defaults apply.
void WarnUnusableStore(const std::string& path);

// The key path the store uses for `key` in `section` ("General" keys sit at the top).
std::string IniKeyPath(std::string_view section, std::string_view key);

// Reads every key's raw value from the INI file at `path`; empty when it cannot be read.
RawIniValues ReadRawIniValues(const std::string& path);

// Decodes a raw value as the store's writer meant it (escapes, quotes, outer blanks, a
// doubled leading '@'), except that commas are ordinary characters: "a, b" is "a, b".
std::string DecodeIniValue(std::string_view raw);

// The decoded values of one settings file, looked up by section and key.
class StoredValues {
 public:
  // Reads the file at `path` when it is usable; otherwise warns and holds nothing.
  explicit StoredValues(const std::string& path);
  // The decoded text, or nullopt when the key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

 private:
  RawIniValues raw_;
};

}  // namespace scrivane
