// The site's manifest (what the program wrote into an output folder, from which
// input and options) and the hashes and titles it records.
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <filesystem>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "cli.h"
#include "encoding.h"
#include "messages.h"
#include "output_file.h"
#include "utf8.h"

namespace scrivane {
namespace {

// Bumped whenever the manifest's fields change meaning; another number is refused.
constexpr int kManifestFormat = 1;

// A title longer than this (in characters) is cut; a first line is read this far (in bytes).
constexpr std::size_t kTitleCharacters = 160;
constexpr std::size_t kTitleBytes = 4096;

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

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
  static constexpr char kDigits[] = "0123456789abcdef";
  out.push_back('"');
  if (!IsValidUtf8(text)) {
    out += "\\u0000";
    for (const char c : text) {
      out.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
      out.push_back(kDigits[static_cast<unsigned char>(c) & 15]);
    }
  } else {
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        out.push_back('\\');
        out.push_back(c);
      } else if (byte < 0x20) {
        out.append("\\u00").push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 15]);
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

}  // namespace

bool Manifest::Load(const std::string& folder, std::string& error) {
  documents.clear();
  indexes.clear();
  const std::string path = ManifestPath(folder);
  QFile file(Q(path));
  if (!file.exists()) return true;
  if (!file.open(QIODevice::ReadOnly)) {
    error = "Could not read " + path + ": " + S(file.errorString());
    return false;
  }
  const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
  const QJsonObject root = document.object();
  if (document.isNull() || root.value(QLatin1String("format")).toInt() != kManifestFormat) {
    error = path + " is not a manifest this program can read (move it away and convert again with --force)";
    return false;
  }
  const QJsonObject written = root.value(QLatin1String("documents")).toObject();
  for (auto it = written.begin(); it != written.end(); ++it) {
    const QJsonArray fields = it.value().toArray();
    documents[FromJson(it.key())] = {
        FromJson(fields.at(0).toString()),
        static_cast<std::uint64_t>(fields.at(1).toInteger()),
        fields.at(2).toString().toLongLong(),
        S(fields.at(3).toString()),
        S(fields.at(4).toString()),
        S(fields.at(6).toString()),
        static_cast<std::uint64_t>(fields.at(5).toInteger()),
    };
  }
  const QJsonObject pages = root.value(QLatin1String("indexes")).toObject();
  for (auto it = pages.begin(); it != pages.end(); ++it) indexes[FromJson(it.key())] = S(it.value().toString());
  return true;
}

bool Manifest::Save(const std::string& folder, std::string& error) const {
  // Written by hand, a document a line: Qt's JSON writer takes a tenth of a second for
  // ten thousand documents, and the manifest is saved again and again during a run.
  std::string json = "{\"format\":" + std::to_string(kManifestFormat) + ",\"program\":";
  AppendJsonString(json, std::string("scrivane-convert ") + kVersionText);
  // Each document: input, its size, its time (ns, as text: past a JSON number's exact range),
  // its hash, the options' hash, the document's size, the title.
  json += ",\n\"documents\":{";
  const char* separator = "\n";
  for (const auto& [name, entry] : documents) {
    json += separator;
    separator = ",\n";
    AppendJsonString(json, name);
    json += ":[";
    AppendJsonString(json, entry.input);
    json += "," + std::to_string(entry.size) + ",\"" + std::to_string(entry.mtime) + "\",";
    AppendJsonString(json, entry.hash);
    json += ",";
    AppendJsonString(json, entry.options);
    json += "," + std::to_string(entry.bytes) + ",";
    AppendJsonString(json, entry.title);
    json += "]";
  }
  json += "},\n\"indexes\":{";
  separator = "\n";
  for (const auto& [name, hash] : indexes) {
    json += separator;
    separator = ",\n";
    AppendJsonString(json, name);
    json += ":";
    AppendJsonString(json, hash);
  }
  json += "}}\n";
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
