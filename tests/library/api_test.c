/* The C API as a program built against the installed header and library sees
 * it: every format, in memory, from a file and through a stream, equals
 * scrivane-convert's document; bad options, files and streams give the
 * documented codes, messages and error numbers; threads share options.
 *
 *   api_test SCRIVANE_CONVERT SAMPLE.txt WORK_FOLDER
 */
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <scrivane/scrivane.h>

static int failures;
#define CHECK(condition, ...)                                            \
  do {                                                                   \
    if (!(condition)) {                                                  \
      ++failures;                                                        \
      fprintf(stderr, "FAILED (%s:%d) ", __FILE__, __LINE__);            \
      fprintf(stderr, __VA_ARGS__);                                      \
      fputc('\n', stderr);                                               \
    }                                                                    \
  } while (0)

static const char* convert_program;
static char work[4096];

struct option {
  const char* name;
  const char* value;
};

/* The same options for scrivane-convert and for the library. */
struct format_case {
  const char* arguments;
  struct option options[5];
};

static const struct format_case format_cases[] = {
    {"", {{NULL, NULL}}},
    {"--format linefeeds --centre --font-face Verdana",
     {{"format", "linefeeds"}, {"centre", "true"}, {"font-face", "Verdana"}, {NULL, NULL}}},
    {"--format pre --fragment --font-size 3", {{"format", "pre"}, {"fragment", "true"}, {"font-size", "3"}, {NULL, NULL}}},
    {"--format list --list-type ordered --title 'Notes &amp; news'",
     {{"format", "list"}, {"list-type", "ordered"}, {"title", "Notes &amp; news"}, {NULL, NULL}}},
    {"--format table --separator tab --bg-color '#FFFFE0' --charset utf-8",
     {{"format", "table"}, {"separator", "tab"}, {"bg-color", "#FFFFE0"}, {"charset", "utf-8"}, {NULL, NULL}}},
    {"--format select --go-button --target _blank --no-www",
     {{"format", "select"}, {"go-button", "true"}, {"target", "_blank"}, {"no-www", "true"}, {NULL, NULL}}},
    {"--no-email --no-ftp --keep-punctuation --footer 'See you'",
     {{"email", "false"}, {"ftp", "false"}, {"remove-punctuation", "false"}, {"footer", "See you"}, {NULL, NULL}}},
};

static char* read_file(const char* path, size_t* length) {
  FILE* file = fopen(path, "rb");
  char* bytes = NULL;
  size_t held = 0, capacity = 0;
  if (file == NULL) return NULL;
  for (;;) {
    if (held == capacity) {
      capacity = capacity * 2 + 4096;
      bytes = realloc(bytes, capacity + 1);
    }
    const size_t got = fread(bytes + held, 1, capacity - held, file);
    if (got == 0) break;
    held += got;
  }
  fclose(file);
  bytes[held] = '\0';
  if (length != NULL) *length = held;
  return bytes;
}

static void write_file(const char* path, const char* bytes) {
  FILE* file = fopen(path, "wb");
  fputs(bytes, file);
  fclose(file);
}

static const char* in_work(const char* name) {
  static char path[4200];
  snprintf(path, sizeof path, "%s/%s", work, name);
  return path;
}

static int starts_with(const char* text, const char* prefix) { return strncmp(text, prefix, strlen(prefix)) == 0; }

/* The document with the date line's text and the selection box's form number
 * masked, as the program's own tests mask them. */
static char* masked(const char* document) {
  char* out = malloc(4 * strlen(document) + 64);
  char* end = out;
  while (*document != '\0') {
    if (starts_with(document, "Date: ")) {
      end += sprintf(end, "Date: (masked)");
      document += 6;
      while (*document != '\0' && strchr("<\r\n", *document) == NULL) ++document;
    } else if (starts_with(document, "\"FN") || starts_with(document, "\"SN") || starts_with(document, ".FN") ||
               starts_with(document, ".SN")) {
      end += sprintf(end, "%.3s(id)", document);
      document += 3;
      while (*document >= '0' && *document <= '9') ++document;
    } else {
      *end++ = *document++;
    }
  }
  *end = '\0';
  return out;
}

static int same_document(const char* made, const char* expected) {
  char* a = masked(made);
  char* b = masked(expected);
  const int same = strcmp(a, b) == 0;
  free(a);
  free(b);
  return same;
}

static scrivane_options* options_for(const struct option* given) {
  scrivane_options* options = scrivane_options_new();
  for (; given->name != NULL; ++given) {
    const int code = scrivane_options_set(options, given->name, given->value);
    CHECK(code == SCRIVANE_OK, "%s=%s: %d %s", given->name, given->value, code, scrivane_last_error());
  }
  return options;
}

/* scrivane-convert's document for `input` with `arguments`. */
static char* program_document(const char* arguments, const char* input) {
  char command[16384];
  char output[4200];
  snprintf(output, sizeof output, "%s/expected.html", work);
  snprintf(command, sizeof command, "'%s' %s --force '%s' -o '%s'", convert_program, arguments, input, output);
  CHECK(system(command) == 0, "%s", command);
  return read_file(output, NULL);
}

static ptrdiff_t read_from_file(void* context, char* buffer, size_t size) {
  const size_t got = fread(buffer, 1, size, (FILE*)context);
  return ferror((FILE*)context) ? -1 : (ptrdiff_t)got;
}

static int write_to_file(void* context, const char* bytes, size_t size) {
  return fwrite(bytes, 1, size, (FILE*)context) == size ? 0 : -1;
}

static void check_formats(const char* input) {
  size_t length = 0;
  char* text = read_file(input, &length);
  size_t i;
  for (i = 0; i < sizeof format_cases / sizeof format_cases[0]; ++i) {
    const struct format_case* test = &format_cases[i];
    scrivane_options* options = options_for(test->options);
    char* expected = program_document(test->arguments, input);
    char* document = NULL;
    size_t document_length = 0;
    int code = scrivane_convert(options, text, length, &document, &document_length);
    CHECK(code == SCRIVANE_OK && document_length == strlen(document), "in memory [%s] %s", test->arguments, input);
    CHECK(code == SCRIVANE_OK && same_document(document, expected), "in memory [%s] %s: differs", test->arguments,
          input);
    scrivane_free(document);

    code = scrivane_convert_file(options, input, in_work("library.html"));
    document = read_file(in_work("library.html"), NULL);
    CHECK(code == SCRIVANE_OK && same_document(document, expected), "file [%s] %s", test->arguments, input);
    free(document);

    FILE* in = fopen(input, "rb");
    FILE* out = fopen(in_work("stream.html"), "wb");
    code = scrivane_convert_stream(options, read_from_file, in, write_to_file, out);
    fclose(in);
    fclose(out);
    document = read_file(in_work("stream.html"), NULL);
    CHECK(code == SCRIVANE_OK && same_document(document, expected), "stream [%s] %s", test->arguments, input);
    free(document);
    free(expected);
    scrivane_options_free(options);
  }
  free(text);
}

static char* convert_text(const scrivane_options* options, const char* text) {
  char* document = NULL;
  const int code = scrivane_convert(options, text, strlen(text), &document, NULL);
  CHECK(code == SCRIVANE_OK, "converting %s: %s", text, scrivane_last_error());
  return document;
}

/* A refused option leaves the options as they were. */
static void check_bad_options(void) {
  static const struct {
    const char* name;
    const char* value;
    int code;
  } cases[] = {
      {"colour", "red", SCRIVANE_ERROR_OPTION},       {"--format", "smart", SCRIVANE_ERROR_OPTION},
      {"Format", "smart", SCRIVANE_ERROR_OPTION},     {"", "smart", SCRIVANE_ERROR_OPTION},
      {"format", "html", SCRIVANE_ERROR_VALUE},       {"list-type", "numbered", SCRIVANE_ERROR_VALUE},
      {"centre", "yes", SCRIVANE_ERROR_VALUE},        {"no-www", "1", SCRIVANE_ERROR_VALUE},
      {"fragment", "TRUE", SCRIVANE_ERROR_VALUE},     {"format", NULL, SCRIVANE_ERROR_ARGUMENT},
      {NULL, "smart", SCRIVANE_ERROR_ARGUMENT},
  };
  static const struct option listed[] = {{"format", "list"}, {"list-type", "ordered"}, {NULL, NULL}};
  const char* text = "one www.example.org\ntwo\n";
  scrivane_options* options = options_for(listed);
  char* before = convert_text(options, text);
  size_t i;
  for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const int code = scrivane_options_set(options, cases[i].name, cases[i].value);
    CHECK(code == cases[i].code, "set(%s, %s) gave %d", cases[i].name, cases[i].value, code);
    CHECK(*scrivane_last_error() != '\0', "set(%s, %s) has no message", cases[i].name, cases[i].value);
    char* after = convert_text(options, text);
    CHECK(same_document(after, before), "set(%s, %s) changed the options", cases[i].name, cases[i].value);
    free(after);
  }
  CHECK(scrivane_options_set(NULL, "format", "list") == SCRIVANE_ERROR_ARGUMENT, "no options");
  CHECK(strcmp(scrivane_last_error(), "") != 0, "no message for missing options");
  /* The off name means the opposite of the on name. */
  CHECK(scrivane_options_set(options, "no-www", "false") == SCRIVANE_OK && *scrivane_last_error() == '\0', "no-www");
  char* on = convert_text(options, text);
  CHECK(same_document(on, before) && strstr(on, "HREF=\"http://www.example.org\"") != NULL, "no-www=false links");
  scrivane_options_set(options, "www", "false");
  char* off = convert_text(options, text);
  CHECK(strstr(off, "HREF=\"http://www.example.org\"") == NULL, "www=false leaves host names as text");
  free(on);
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
  int* calls = context;
  (void)size;
  if ((*calls)++ > 0) return 0;
  memcpy(buffer, "text\n", 5);
  return 5;
}

static int full_disk(void* context, const char* bytes, size_t size) {
  (void)context, (void)bytes, (void)size;
  errno = ENOSPC;
  return -1;
}

static int discard(void* context, const char* bytes, size_t size) {
  (void)context, (void)bytes, (void)size;
  return 0;
}

static void check_failures(const char* sample) {
  char expected[8600];
  int calls = 0;
  static const struct {
    const char* input;
    const char* output;
    int code;
    int error;
    const char* message;  /* the start of the message, then the file */
  } cases[] = {
      {"no such file.txt", NULL, SCRIVANE_ERROR_INPUT_MISSING, ENOENT, "Input File "},
      {".", NULL, SCRIVANE_ERROR_INPUT_MISSING, EISDIR, "Input File "},
      {NULL, "no folder/out.html", SCRIVANE_ERROR_OUTPUT_UNWRITABLE, ENOENT, "Could not write the output file "},
      {NULL, ".", SCRIVANE_ERROR_OUTPUT_UNWRITABLE, 0, "Could not write the output file "},
  };
  size_t i;
  for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    char input[4200], output[4200];
    snprintf(input, sizeof input, "%s", cases[i].input ? in_work(cases[i].input) : sample);
    snprintf(output, sizeof output, "%s", in_work(cases[i].output ? cases[i].output : "out.html"));
    const int code = scrivane_convert_file(NULL, input, output);
    snprintf(expected, sizeof expected, "%s%s", cases[i].message, cases[i].input ? input : output);
    CHECK(code == cases[i].code && scrivane_last_errno() == cases[i].error, "%s -> %s: %d, errno %d", input, output,
          code, scrivane_last_errno());
    CHECK(starts_with(scrivane_last_error(), expected), "%s -> %s: message '%s'", input, output,
          scrivane_last_error());
  }
  CHECK(scrivane_convert_file(NULL, NULL, "x.html") == SCRIVANE_ERROR_ARGUMENT, "no input name");

  CHECK(scrivane_convert_stream(NULL, failing_read, NULL, discard, NULL) == SCRIVANE_ERROR_INPUT_UNREADABLE &&
            scrivane_last_errno() == EIO &&
            strcmp(scrivane_last_error(), "Could not read the input stream: Input/output error") == 0,
        "failing read: %s", scrivane_last_error());
  CHECK(scrivane_convert_stream(NULL, one_line, &calls, full_disk, NULL) == SCRIVANE_ERROR_DISK_FULL &&
            scrivane_last_errno() == ENOSPC &&
            strcmp(scrivane_last_error(), "Could not write to the output stream: No space left on device") == 0,
        "failing write: %s", scrivane_last_error());
  CHECK(scrivane_convert_stream(NULL, NULL, NULL, discard, NULL) == SCRIVANE_ERROR_ARGUMENT, "no read function");

  char untouched = 'x';
  char* document = &untouched;
  CHECK(scrivane_convert(NULL, NULL, 3, &document, NULL) == SCRIVANE_ERROR_ARGUMENT && document == NULL, "no text");
  CHECK(scrivane_convert(NULL, NULL, 0, &document, NULL) == SCRIVANE_OK && strstr(document, "</HTML>") != NULL &&
            *scrivane_last_error() == '\0' && scrivane_last_errno() == 0,
        "no text, no length: an empty page");
  scrivane_free(document);
}

static void check_names(void) {
  int code;
  for (code = SCRIVANE_OK; code <= SCRIVANE_ERROR_INTERNAL; ++code) {
    int other;
    CHECK(*scrivane_strerror(code) != '\0', "strerror(%d) is empty", code);
    for (other = SCRIVANE_OK; other < code; ++other) {
      CHECK(strcmp(scrivane_strerror(code), scrivane_strerror(other)) != 0, "strerror(%d) = strerror(%d)", code, other);
    }
  }
  CHECK(strcmp(scrivane_strerror(99), scrivane_strerror(-1)) == 0, "unknown codes");

  char command[4200], line[256] = "";
  snprintf(command, sizeof command, "'%s' --version", convert_program);
  FILE* version = popen(command, "r");
  CHECK(fgets(line, sizeof line, version) != NULL, "scrivane-convert --version");
  pclose(version);
  snprintf(command, sizeof command, "scrivane-convert %s\n", scrivane_version());
  CHECK(strcmp(line, command) == 0, "version %s, scrivane-convert says %s", scrivane_version(), line);
}

/* Threads converting at once with one options object get the documents one thread gets. */
struct thread_work {
  const scrivane_options* options;
  const char* text;
  const char* expected;
  int same;
};

static void* convert_repeatedly(void* argument) {
  struct thread_work* work_item = argument;
  int round;
  work_item->same = 1;
  for (round = 0; round < 20; ++round) {
    char* document = NULL;
    if (scrivane_convert(work_item->options, work_item->text, strlen(work_item->text), &document, NULL) != 0 ||
        !same_document(document, work_item->expected)) {
      work_item->same = 0;
    }
    scrivane_free(document);
  }
  return NULL;
}

static void check_threads(const char* sample) {
  static const struct option boxed[] = {{"format", "select"}, {"go-button", "true"}, {NULL, NULL}};
  scrivane_options* options = options_for(boxed);
  char* text = read_file(sample, NULL);
  char* expected = convert_text(options, text);
  struct thread_work items[4];
  pthread_t threads[4];
  int i;
  for (i = 0; i < 4; ++i) {
    items[i].options = options;
    items[i].text = text;
    items[i].expected = expected;
    pthread_create(&threads[i], NULL, convert_repeatedly, &items[i]);
  }
  for (i = 0; i < 4; ++i) {
    pthread_join(threads[i], NULL);
    CHECK(items[i].same, "thread %d made another document", i);
  }
  free(expected);
  free(text);
  scrivane_options_free(options);
}

int main(int argc, char** argv) {
  char legacy[4200];
  if (argc != 4) {
    fprintf(stderr, "usage: %s SCRIVANE_CONVERT SAMPLE.txt WORK_FOLDER\n", argv[0]);
    return 2;
  }
  convert_program = argv[1];
  snprintf(work, sizeof work, "%s", argv[3]);
  /* Legacy text: not UTF-8, so read as Windows-1252 and written back in it. */
  write_file(in_work("legacy.txt"), "Caf\xe9 prices \x80 4 \x96 see www.example.org\n\nna\xefve \xa3 5\n");

  snprintf(legacy, sizeof legacy, "%s", in_work("legacy.txt"));
  check_formats(argv[2]);
  check_formats(legacy);
  check_bad_options();
  check_failures(argv[2]);
  check_names();
  check_threads(argv[2]);
  if (failures != 0) {
    fprintf(stderr, "%d check(s) failed\n", failures);
    return 1;
  }
  printf("All checks passed (scrivane %s).\n", scrivane_version());
  return 0;
}
