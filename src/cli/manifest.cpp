// The site's manifest (what the program wrote into an output folder, from which
// input and options) and the hashes and titles it records.
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "cli.h"
#include "encoding.h"
#include "messages.h"
#include "output_file.h"
#include "qt_text.h"
#include "utf8.h"

namespace scrivane {
namespace {

// Bumped whenever the manifest's fields change meaning; another number is refused.
// Format 1 wrote each document's fields as an array, in the order of DocumentField;
// format 2 writes them as an object under their keys. Both are read.
constexpr int kManifestFormat = 2;
constexpr int kPositionalFormat = 1;

// The fields of a document's entry, in the order format 1 put them in its array.
enum DocumentField { kInput, kSize, kMtime, kHash, kOptions, kBytes, kTitle, kFieldCount };
// Their keys in format 2.
constexpr std::array<const char*, kFieldCount> kFieldKeys = {"input", "size", "mtime", "hash",
                                                              "options", "bytes", "title"};

// A title longer than this (in characters) is cut; a first line is read this far (in bytes).
constexpr std::size_t kTitleCharacters = 160;
constexpr std::size_t kTitleBytes = 4096;

std::string ManifestPath(const std::string& folder) {
  return (std::filesystem::path(folder) / kManifestName).string();
}

std::string Hex(const XXH128_hash_t& hash) {
  XXH128_canonical_t canonical;
  XXH128_canonicalFromHash(&canonical, hash);
  std::string hex;
  for (const unsigned char byte : canonical.digest) AppendHexByte(hex, byte, HexCase::Lower);
  return hex;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

// Drops an incomplete UTF-8 sequence cut off at the end of `text`.
void DropCutSequence(std::string& text) {
  for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    const char lead = text[text.size() - back];
    if (IsContinuation(lead)) continue;  // look further back
    if (Utf8SequenceLength(lead) > back) text.resize(text.size() - back);
    return;
  }
}

// Finds the first line with more than blanks in text given piece by piece.
class TitleFinder {
 public:
  bool Done() const { return done_; }
  const std::string& Title() const { return title_; }

  void Add(std::string_view bytes) {
    if (first_) {
      first_ = false;
      if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);  // a byte order mark is no text
    }
    for (const char c : bytes) {
      if (done_) return;
      if (c == '\n' || c == '\r') {
        EndLine();
      } else if (line_.size() < kTitleBytes) {
        if (!IsBlank(c)) seen_ = true;
        line_.push_back(c);
      } else {
        cut_ = true;
      }
    }
  }
  void Finish() {
    if (!done_) EndLine();
  }

 private:
  void EndLine() {
    if (seen_) {
      if (cut_) DropCutSequence(line_);
      title_ = PageText(line_, kTitleCharacters);
      done_ = !title_.empty();
    }
    line_.clear();
    seen_ = cut_ = false;
  }

  std::string line_, title_;
  bool first_ = true, seen_ = false, cut_ = false, done_ = false;
};

// Appends `text` as a JSON string. Bytes that are not UTF-8 (a file name may hold
// any) are kept as a NUL character and their hex digits: no name holds a NUL.
void AppendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
  if (!IsValidUtf8(text)) {
    out += "\\u0000";
    for (const char c : text) AppendHexByte(out, static_cast<unsigned char>(c), HexCase::Lower);
  } else {
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        out.push_back('\\');
        out.push_back(c);
      } else if (byte < 0x20) {
        out.append("\\u00");
        AppendHexByte(out, byte, HexCase::Lower);
      } else {
        out.push_back(c);
      }
    }
  }
  out.push_back('"');
}

// A text read back from the manifest, as AppendJsonString wrote it.
std::string FromJson(const QString& text) {
  if (text.startsWith(QChar(0))) return QByteArray::fromHex(text.sliced(1).toLatin1()).toStdString();
  return text.toStdString();
}

// A document's entry read from its fields: an object by key, or (format 1) an array by position.
ManifestEntry EntryFrom(const QJsonValue& fields) {
  const auto field = [&](DocumentField which) {
    return fields.isArray() ? fields.toArray().at(which) : fields.toObject().value(QLatin1String(kFieldKeys[which]));
  };
  return {
      .input = FromJson(field(kInput).toString()),
      .size = static_cast<std::uint64_t>(field(kSize).toInteger()),
      .mtime = field(kMtime).toString().toLongLong(),  // as text: past a JSON number's exact range
      .hash = ToStd(field(kHash).toString()),
      .options = ToStd(field(kOptions).toString()),
      .bytes = static_cast<std::uint64_t>(field(kBytes).toInteger()),
      .title = ToStd(field(kTitle).toString()),
  };
}

// Appends a document's entry as a JSON object under the fields' keys.
void AppendEntry(std::string& json, const ManifestEntry& entry) {
  const auto key = [&json](DocumentField which) {
    json += which == kInput ? "{\"" : ",\"";
    json += kFieldKeys[which];
    json += "\":";
  };
  key(kInput);
  AppendJsonString(json, entry.input);
  key(kSize);
  json += std::to_string(entry.size);
  key(kMtime);
  json += "\"" + std::to_string(entry.mtime) + "\"";
  key(kHash);
  AppendJsonString(json, entry.hash);
  key(kOptions);
  AppendJsonString(json, entry.options);
  key(kBytes);
  json += std::to_string(entry.bytes);
  key(kTitle);
  AppendJsonString(json, entry.title);
  json += "}";
}

// Appends `members` as a JSON object, a member a line, each value written by `append`.
template <class Members, class Append>
void AppendObject(std::string& json, const Members& members, Append append) {
  json += "{";
  const char* separator = "\n";
  for (const auto& [name, value] : members) {
    json += separator;
    separator = ",\n";
    AppendJsonString(json, name);
    json += ":";
    append(json, value);
  }
  json += "}";
}

}  // namespace

bool Manifest::Load(const std::string& folder, std::string& error) {
  documents.clear();
  indexes.clear();
  const std::string path = ManifestPath(folder);
  QFile file(FromStd(path));
  if (!file.exists()) return true;
  if (!file.open(QIODevice::ReadOnly)) {
    error = "Could not read " + path + ": " + ToStd(file.errorString());
    return false;
  }
  const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
  const QJsonObject root = document.object();
  const int format = root.value(QLatin1String("format")).toInt();
  if (document.isNull() || (format != kManifestFormat && format != kPositionalFormat)) {
    error = path + " is not a manifest this program can read (move it away and convert again with --force)";
    return false;
  }
  const QJsonObject written = root.value(QLatin1String("documents")).toObject();
  for (auto it = written.begin(); it != written.end(); ++it) documents[FromJson(it.key())] = EntryFrom(it.value());
  const QJsonObject pages = root.value(QLatin1String("indexes")).toObject();
  for (auto it = pages.begin(); it != pages.end(); ++it) indexes[FromJson(it.key())] = ToStd(it.value().toString());
  return true;
}

bool Manifest::Save(const std::string& folder, std::string& error) const {
  // Written by hand, a document a line: Qt's JSON writer takes a tenth of a second for
  // ten thousand documents, and the manifest is saved again and again during a run.
  std::string json = "{\"format\":" + std::to_string(kManifestFormat) + ",\"program\":";
  AppendJsonString(json, std::string("scrivane-convert ") + kVersionText);
  json += ",\n\"documents\":";
  AppendObject(json, documents, AppendEntry);
  json += ",\n\"indexes\":";
  AppendObject(json, indexes, AppendJsonString);
  json += "}\n";
  return WriteWhole(ManifestPath(folder), json, error);
}

bool WriteWhole(const std::string& path, std::string_view bytes, std::string& error) {
  try {
    SafeOutputFile file(path);
    file.Write(bytes);
    file.Commit();
    return true;
  } catch (const FileError& failure) {
    error = "Could not write " + path + ": " + ErrorText(failure.error, failure.stream);
    return false;
  }
}

std::string HashText(std::string_view bytes) { return Hex(XXH3_128bits(bytes.data(), bytes.size())); }

std::string OptionsHash(const FormState& form) {
  std::string texts;
  for (const OptionRow& row : OptionTable()) {
    if (row.apply == nullptr) continue;
    const std::string text = StoredText(row, form);
    // Each text with its length, so that no two option sets read alike.
    texts.append(row.key).append(1, '\0').append(std::to_string(text.size())).append(1, '\0').append(text);
  }
  texts.append("version").append(1, '\0').append(kVersionText);
  return HashText(texts);
}

bool DigestInput(const std::string& path, InputDigest& digest, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  XXH3_state_t state;
  XXH3_128bits_reset(&state);
  TitleFinder title;
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = std::strerror(errno);
      close(fd);
      return false;
    }
    if (got == 0) break;
    XXH3_128bits_update(&state, buffer, static_cast<std::size_t>(got));
    if (!title.Done()) title.Add(std::string_view(buffer, static_cast<std::size_t>(got)));
  }
  close(fd);
  title.Finish();
  digest.hash = Hex(XXH3_128bits_digest(&state));
  digest.title = title.Title();
  return true;
}

}  // namespace scrivane
