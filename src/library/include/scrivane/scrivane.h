/* Scrivane's C API: plain text to HTML, from memory, through callbacks or file
 * to file, with the same engine and the same options as scrivane-convert.
 *
 * Link with `pkg-config --cflags --libs scrivane`, or in CMake with
 * find_package(Scrivane) and the target Scrivane::scrivane.
 *
 * Errors: every function that can fail returns an int, SCRIVANE_OK (0) on
 * success or one of the codes below. scrivane_strerror() names a code;
 * scrivane_last_error() gives the message of the calling thread's last call,
 * naming the file and the system's reason as the programs word them.
 *
 * Every conversion takes NULL options as the defaults.
 *
 * Threads: separate calls on separate threads are safe, including calls that
 * share one options object as long as no thread changes it meanwhile (an
 * options object must not be changed or freed while a call uses it). The last
 * error is kept per thread.
 *
 * The page foot's date line is today's date and the time in the user's
 * language (LC_TIME, else LC_ALL or LANG): "Monday, 1 January 2024 09:05 AM";
 * in the C locale it reads as the programs write it. Every document gets a
 * fresh random name for its selection box's form.
 */
#ifndef SCRIVANE_SCRIVANE_H
#define SCRIVANE_SCRIVANE_H

#include <stddef.h>

#if defined(__GNUC__)
#define SCRIVANE_API __attribute__((visibility("default")))
#else
#define SCRIVANE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
enum scrivane_result {
  SCRIVANE_OK = 0,
  SCRIVANE_ERROR_ARGUMENT = 1,          /* a null pointer where one is not allowed */
  SCRIVANE_ERROR_OPTION = 2,            /* no option has that name */
  SCRIVANE_ERROR_VALUE = 3,             /* the value is not one the option takes */
  SCRIVANE_ERROR_INPUT_MISSING = 4,     /* the input file cannot be found or opened */
  SCRIVANE_ERROR_INPUT_UNREADABLE = 5,  /* reading the input failed */
  SCRIVANE_ERROR_NO_OUTPUT_NAME = 6,    /* the document has no file name to go to */
  SCRIVANE_ERROR_LIST_TYPE = 7,         /* the list type is neither ordered nor unordered */
  SCRIVANE_ERROR_OUTPUT_UNWRITABLE = 8, /* the output could not be made, written or put in place */
  SCRIVANE_ERROR_DISK_FULL = 9,         /* the output's file system, quota or file size limit is full */
  SCRIVANE_ERROR_TEMPORARY_FILE = 10,   /* no temporary file could hold a stream's text */
  SCRIVANE_ERROR_OUT_OF_MEMORY = 11,    /* not enough memory */
  SCRIVANE_ERROR_INTERNAL = 12,         /* anything else; the message says what */
  SCRIVANE_ERROR_NO_INPUT_NAME = 13,    /* the input file's name is empty */
  SCRIVANE_ERROR_OUTPUT_IS_INPUT = 14   /* the output file is the input file itself */
};

/* The options of a conversion; opaque. */
typedef struct scrivane_options scrivane_options;

/* New options holding the first-start defaults (those of scrivane-convert
 * without --settings); NULL when out of memory. */
SCRIVANE_API scrivane_options* scrivane_options_new(void);

/* Frees options; NULL is ignored. */
SCRIVANE_API void scrivane_options_free(scrivane_options* options);

/* Sets the option with the long name `name` of scrivane-convert, without the
 * dashes ("format", "separator", "title", "web-page"), to `value` as typed
 * after it on the command line. On/off options take "true" or "false" under
 * their "on" name ("www", "centre", "web-page"); their "off" name ("no-www",
 * "no-centre", "fragment") is accepted too and means the opposite, so
 * ("no-www", "true") equals ("www", "false"). Returns SCRIVANE_ERROR_OPTION
 * for an unknown name and SCRIVANE_ERROR_VALUE for a value the option does not
 * take; the options are then unchanged. */
SCRIVANE_API int scrivane_options_set(scrivane_options* options, const char* name, const char* value);

/* Converts `length` bytes of text into a document in memory. The text is read
 * as UTF-8, or as Windows-1252 when it is not valid UTF-8, and the document is
 * written in the same encoding. On success *document holds the document and a
 * terminating NUL (free it with scrivane_free) and *document_length, when not
 * NULL, its length without the NUL; on failure *document is NULL. */
SCRIVANE_API int scrivane_convert(const scrivane_options* options, const char* text, size_t length,
                                  char** document, size_t* document_length);

/* Frees a document made by scrivane_convert; NULL is ignored. */
SCRIVANE_API void scrivane_free(void* document);

/* Reads up to `size` bytes into `buffer`: returns the number read, 0 at the
 * end of the text, or -1 with errno set on failure. */
typedef ptrdiff_t (*scrivane_read_fn)(void* context, char* buffer, size_t size);

/* Writes `size` bytes: returns 0 when all were written, or -1 with errno set. */
typedef int (*scrivane_write_fn)(void* context, const char* bytes, size_t size);

/* Converts a text read through `read` into a document written through
 * `write`, in memory that does not grow with the text. The text is kept in a
 * temporary file while it is read (in $TMPDIR, else /tmp), and the document is
 * written only once it is complete, in blocks, in the text's encoding. A
 * failed read or write is reported with the errno the callback set. */
SCRIVANE_API int scrivane_convert_stream(const scrivane_options* options, scrivane_read_fn read, void* read_context,
                                         scrivane_write_fn write, void* write_context);

/* Converts the file `input_path` into `output_path`, or into `input_path` with
 * ".html" added when `output_path` is NULL or "". An existing output file is
 * replaced only once the new document is complete; a failed run leaves it as
 * it was. */
SCRIVANE_API int scrivane_convert_file(const scrivane_options* options, const char* input_path,
                                       const char* output_path);

/* A short text naming a result code ("the input file cannot be found"). */
SCRIVANE_API const char* scrivane_strerror(int code);

/* The message of the calling thread's last call: "" when it succeeded, else
 * what went wrong, naming the file and the system's reason ("Could not write
 * the output file out/a.html: Permission denied"). Valid until the thread's
 * next call. */
SCRIVANE_API const char* scrivane_last_error(void);

/* The system's error number behind the calling thread's last failed call
 * (ENOENT, EACCES, ENOSPC, ...), or 0 when there is none. */
SCRIVANE_API int scrivane_last_errno(void);

/* The library's version, "major.minor.patch". */
SCRIVANE_API const char* scrivane_version(void);

#ifdef __cplusplus
}
#endif

#endif /* SCRIVANE_SCRIVANE_H */
