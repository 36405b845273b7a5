// What differs from run to run: the date texts and the form identifiers; and
// whether a desktop is there. Plain C++ so that a run needs no Qt.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "form.h"
#include "page_date.h"
#include "platform.h"

namespace scrivane {
namespace {

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// The moment as ISO 8601 local time with its offset: "2024-01-01T09:05:00+01:00", "…Z" at UTC.
std::string IsoDateTime(const std::tm& local) {
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  const int offset = static_cast<int>(local.tm_gmtoff / 60) % (100 * 60);
  if (offset == 0) return std::string(text) + 'Z';
  char zone[8];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60, std::abs(offset) % 60);
  return text + std::string(zone);
}

}  // namespace

void StampRun(ConversionOptions& options) {
  options.dateText = PageDateText();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  options.dateTime = IsoDateTime(local);
  options.formId = NewFormId();
}

bool GraphicalSessionPresent() { return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"); }

std::string NoDisplayText() {
  return "scrivane: no display was found, so the window cannot open.\n"
         "To convert a file without the window, run: scrivane FILE\n"
         "For several files, folders and pipelines, use scrivane-convert (see scrivane-convert --help).\n";
}

}  // namespace scrivane
