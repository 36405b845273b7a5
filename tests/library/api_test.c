/* The C API as a program built against the installed header and library sees
 * it: every option set of format_cases.txt, converted in memory, from a file
 * and through a stream, gives scrivane-convert's document (UTF-8 and
 * Windows-1252 text); bad options, files and callbacks give the documented
 * codes, messages and error numbers.
 *
 *   api_test SCRIVANE_CONVERT FORMAT_CASES SAMPLE.txt WORK_FOLDER
 */
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <scrivane/scrivane.h>

static int failures;
#define CHECK(condition, ...)                                 \
  do {                                                        \
    if (!(condition)) {                                       \
      ++failures;                                             \
      fprintf(stderr, "FAILED (%s:%d) ", __FILE__, __LINE__); \
      fprintf(stderr, __VA_ARGS__);                           \
      fputc('\n', stderr);                                    \
    }                                                         \
  } while (0)

enum { kPath = 4096 };
static const char* convert_program;
static const char* work;

static char* read_file(const char* path) {
  FILE* file = fopen(path, "rb");
  size_t held = 0, capacity = 4096, got;
  char* bytes = malloc(capacity + 1);
  while (file != NULL && (got = fread(bytes + held, 1, capacity - held, file)) > 0) {
    held += got;
    if (held == capacity) bytes = realloc(bytes, (capacity *= 2) + 1);
  }
  if (file != NULL) fclose(file);
  bytes[held] = '\0';
  return bytes;
}

static const char* in_work(char* path, const char* name) {
  snprintf(path, kPath, "%s/%s", work, name);
  return path;
}

static int starts_with(const char* text, const char* prefix) { return strncmp(text, prefix, strlen(prefix)) == 0; }

/* Equal documents once the date line's text and the selection box's form
 * number are masked, as the program's own tests mask them. */
static int same_document(const char* a, const char* b) {
  for (;;) {
    int skipped = 0;
    if (starts_with(a, "Date: ") && starts_with(b, "Date: ")) {
      a += strcspn(a, "<\r\n"), b += strcspn(b, "<\r\n"), skipped = 1;
    }
    if ((starts_with(a, "\"FN") || starts_with(a, "\"SN") || starts_with(a, ".FN") || starts_with(a, ".SN")) &&
        strncmp(a, b, 3) == 0) {
      a += 3 + strspn(a + 3, "0123456789"), b += 3 + strspn(b + 3, "0123456789"), skipped = 1;
    }
    if (skipped) continue;
    if (*a != *b) return 0;
    if (*a == '\0') return 1;
    ++a, ++b;
  }
}

/* The options of one line of format_cases.txt, and scrivane-convert's arguments for them. */
static scrivane_options* options_of(char* line, char* arguments) {
  scrivane_options* options = scrivane_options_new();
  char* name;
  arguments[0] = '\0';
  for (name = strtok(line, "\t\n"); name != NULL; name = strtok(NULL, "\t\n")) {
    char* value = strchr(name, '=');
    if (value != NULL) *value++ = '\0';
    CHECK(scrivane_options_set(options, name, value ? value : "true") == SCRIVANE_OK, "%s: %s", name,
          scrivane_last_error());
    if (value != NULL) {
      sprintf(arguments + strlen(arguments), " '--%s=%s'", name, value);
    } else {
      sprintf(arguments + strlen(arguments), " --%s", name);
    }
  }
  return options;
}

static ptrdiff_t read_from_file(void* context, char* buffer, size_t size) {
  const size_t got = fread(buffer, 1, size, (FILE*)context);
  return ferror((FILE*)context) ? -1 : (ptrdiff_t)got;
}

static int write_to_file(void* context, const char* bytes, size_t size) {
  return fwrite(bytes, 1, size, (FILE*)context) == size ? 0 : -1;
}

static void check_formats(const char* cases, const char* input) {
  char line[1024], arguments[2048], command[8192], expected_path[kPath], file_path[kPath], stream_path[kPath];
  FILE* table = fopen(cases, "r");
  char* text = read_file(input);
  while (fgets(line, sizeof line, table) != NULL) {
    if (line[0] == '#' || line[0] == '\n') continue;
    scrivane_options* options = options_of(line, arguments);
    snprintf(command, sizeof command, "'%s'%s --force '%s' -o '%s'", convert_program, arguments, input,
             in_work(expected_path, "expected.html"));
    CHECK(system(command) == 0, "%s", command);
    char* expected = read_file(expected_path);

    char* document = NULL;
    size_t length = 0;
    CHECK(scrivane_convert(options, text, strlen(text), &document, &length) == SCRIVANE_OK &&
              length == strlen(document) && same_document(document, expected),
          "in memory:%s %s", arguments, input);
    scrivane_free(document);

    CHECK(scrivane_convert_file(options, input, in_work(file_path, "file.html")) == SCRIVANE_OK, "%s", file_path);
    document = read_file(file_path);
    CHECK(same_document(document, expected), "file:%s %s", arguments, input);
    free(document);

    FILE* in = fopen(input, "rb");
    FILE* out = fopen(in_work(stream_path, "stream.html"), "wb");
    CHECK(scrivane_convert_stream(options, read_from_file, in, write_to_file, out) == SCRIVANE_OK, "stream");
    fclose(in);
    fclose(out);
    document = read_file(stream_path);
    CHECK(same_document(document, expected), "stream:%s %s", arguments, input);
    free(document);
    free(expected);
    scrivane_options_free(options);
  }
  fclose(table);
  free(text);
}

static char* convert_text(const scrivane_options* options, const char* text) {
  char* document = NULL;
  CHECK(scrivane_convert(options, text, strlen(text), &document, NULL) == SCRIVANE_OK, "%s", scrivane_last_error());
  return document;
}

/* A refused option leaves the options as they were. */
static void check_bad_options(void) {
  static const struct {
    const char* name;
    const char* value;
    int code;
  } cases[] = {
      {"colour", "red", SCRIVANE_ERROR_OPTION},   {"--format", "smart", SCRIVANE_ERROR_OPTION},
      {"Format", "smart", SCRIVANE_ERROR_OPTION}, {"", "smart", SCRIVANE_ERROR_OPTION},
      {"format", "html", SCRIVANE_ERROR_VALUE},   {"list-type", "numbered", SCRIVANE_ERROR_VALUE},
      {"centre", "yes", SCRIVANE_ERROR_VALUE},    {"no-www", "1", SCRIVANE_ERROR_VALUE},
      {"fragment", "TRUE", SCRIVANE_ERROR_VALUE}, {"format", NULL, SCRIVANE_ERROR_ARGUMENT},
      {NULL, "smart", SCRIVANE_ERROR_ARGUMENT},
  };
  const char* text = "one www.example.org\ntwo\n";
  scrivane_options* options = scrivane_options_new();
  size_t i;
  scrivane_options_set(options, "format", "list");
  char* before = convert_text(options, text);
  for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    CHECK(scrivane_options_set(options, cases[i].name, cases[i].value) == cases[i].code && *scrivane_last_error(),
          "set(%s, %s): %s", cases[i].name, cases[i].value, scrivane_last_error());
    char* after = convert_text(options, text);
    CHECK(same_document(after, before), "set(%s, %s) changed the options", cases[i].name, cases[i].value);
    free(after);
  }
  CHECK(scrivane_options_set(NULL, "format", "list") == SCRIVANE_ERROR_ARGUMENT, "no options");
  /* The off name means the opposite of the on name. */
  CHECK(scrivane_options_set(options, "no-www", "true") == SCRIVANE_OK && *scrivane_last_error() == '\0', "no-www");
  char* off = convert_text(options, text);
  CHECK(strstr(off, "HREF=\"http://www.example.org\"") == NULL && strstr(before, "HREF=\"http://www.example.org\""),
        "no-www=true leaves host names as text");
  free(off);
  free(before);
  scrivane_options_free(options);
}

static ptrdiff_t failing_read(void* context, char* buffer, size_t size) {
  (void)context, (void)buffer, (void)size;
  errno = EIO;
  return -1;
}

static ptrdiff_t one_line(void* context, char* buffer, size_t size) {
  (void)size;
  if ((*(int*)context)++ > 0) return 0;
  memcpy(buffer, "text\n", 5);
  return 5;
}

static int full_disk(void* context, const char* bytes, size_t size) {
  (void)context, (void)bytes, (void)size;
  errno = ENOSPC;
  return -1;
}

static void check_failures(void) {
  char missing[kPath], expected[kPath + 64];
  int calls = 0;
  char* document = missing;
  CHECK(scrivane_convert_file(NULL, in_work(missing, "missing.txt"), NULL) == SCRIVANE_ERROR_INPUT_MISSING &&
            scrivane_last_errno() == ENOENT,
        "missing input");
  snprintf(expected, sizeof expected, "Input File %s not found", missing);
  CHECK(strcmp(scrivane_last_error(), expected) == 0, "message: %s", scrivane_last_error());
  CHECK(scrivane_convert_stream(NULL, failing_read, NULL, full_disk, NULL) == SCRIVANE_ERROR_INPUT_UNREADABLE &&
            scrivane_last_errno() == EIO &&
            strcmp(scrivane_last_error(), "Could not read the input stream: Input/output error") == 0,
        "failing read: %s", scrivane_last_error());
  CHECK(scrivane_convert_stream(NULL, one_line, &calls, full_disk, NULL) == SCRIVANE_ERROR_DISK_FULL &&
            scrivane_last_errno() == ENOSPC &&
            strcmp(scrivane_last_error(), "Could not write to the output stream: No space left on device") == 0,
        "failing write: %s", scrivane_last_error());
  CHECK(scrivane_convert_stream(NULL, NULL, NULL, full_disk, NULL) == SCRIVANE_ERROR_ARGUMENT, "no read function");
  CHECK(scrivane_convert(NULL, NULL, 3, &document, NULL) == SCRIVANE_ERROR_ARGUMENT && document == NULL, "no text");
  CHECK(scrivane_convert(NULL, NULL, 0, &document, NULL) == SCRIVANE_OK && strstr(document, "</HTML>") &&
            *scrivane_last_error() == '\0' && scrivane_last_errno() == 0,
        "no text and no length: an empty page");
  scrivane_free(document);
  CHECK(strcmp(scrivane_strerror(SCRIVANE_ERROR_DISK_FULL), "the output's disk is full") == 0 &&
            strcmp(scrivane_strerror(99), "unknown result code") == 0,
        "strerror");
}

static void check_version(void) {
  char command[kPath + 32], line[256] = "";
  snprintf(command, sizeof command, "'%s' --version", convert_program);
  FILE* version = popen(command, "r");
  CHECK(fgets(line, sizeof line, version) != NULL, "scrivane-convert --version");
  pclose(version);
  snprintf(command, sizeof command, "scrivane-convert %s\n", scrivane_version());
  CHECK(strcmp(line, command) == 0, "version %s, scrivane-convert says %s", scrivane_version(), line);
}

int main(int argc, char** argv) {
  char legacy[kPath];
  if (argc != 5) {
    fprintf(stderr, "usage: %s SCRIVANE_CONVERT FORMAT_CASES SAMPLE.txt WORK_FOLDER\n", argv[0]);
    return 2;
  }
  convert_program = argv[1];
  work = argv[4];
  /* Not UTF-8: read as Windows-1252, and the document written back in it. */
  FILE* file = fopen(in_work(legacy, "legacy.txt"), "wb");
  fputs("Caf\xe9 prices \x80 4 \x96 see www.example.org\n\nna\xefve \xa3 5\n", file);
  fclose(file);

  check_formats(argv[2], argv[3]);
  check_formats(argv[2], legacy);
  check_bad_options();
  check_failures();
  check_version();
  if (failures != 0) {
    fprintf(stderr, "%d check(s) failed\n", failures);
    return 1;
  }
  printf("All checks passed (scrivane %s).\n", scrivane_version());
  return 0;
}
