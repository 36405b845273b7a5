// The document body: input lines through the format, one thread or several.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "document.h"
#include "encoding.h"
#include "line_scanner.h"
#include "markup.h"

namespace scrivane {

// A buffer of `size` bytes left uncleared, for bytes that are written before
// they are read (what std::make_unique_for_overwrite gives, where it exists).
inline std::unique_ptr<char[]> UninitialisedBytes(std::size_t size) { return std::unique_ptr<char[]>(new char[size]); }

// Thrown when text read as UTF-8 turns out not to be.
struct NotUtf8 {};

// Told how many input bytes have been converted so far.
using ConsumedFunction = std::function<void(std::uint64_t consumed)>;

// Converts every line the scanner yields into `writer`. `atStart` says the input
// begins here, where a UTF-8 byte-order mark is dropped. Throws NotUtf8.
void ConvertLines(LineScanner& scanner, TextEncoding encoding, bool atStart, DocumentWriter& writer,
                  const ConsumedFunction& consumed);

// The same in blocks of whole lines on `threads` threads, each block's document
// text handed to `sink` in input order. Memory stays a few blocks whatever the size.
// Returns where the input stands after its last line, for the writer that ends the document.
LineContext ConvertInParallel(const ReadFunction& read, TextEncoding encoding, const PagePlan& plan,
                              DocumentSink& sink, const ConsumedFunction& consumed, unsigned threads,
                              std::size_t tableColumns = 0);

// Structured text read the same way: the lines of each block are scanned, checked,
// examined (ExaminedLine) and rendered ahead on `threads` threads, and handed to
// `writer` in order on this one, where the blocks are built and written. Memory
// stays a few blocks whatever the size.
void ConvertStructuredInParallel(const ReadFunction& read, TextEncoding encoding, const LinkOptions& links,
                                 DocumentWriter& writer, const ConsumedFunction& consumed, unsigned threads);

// The most fields a line of the input holds once split at `separator` as the table
// writer splits it; reads the whole input once, in order.
std::size_t CountTableColumns(const ReadFunction& read, TextEncoding encoding, const std::string& separator);

// Reads up to `size` bytes of the input from `offset` on into `buffer` and returns
// how many; 0 past its end. Called from several threads at once; throws what fails.
using ReadAtFunction = std::function<std::size_t(char* buffer, std::size_t size, std::uint64_t offset)>;

// Input read at a time by each thread of CountTableColumnsAt.
constexpr std::size_t kTableCountStretch = 256 * 1024;

// CountTableColumns for an input that can be read anywhere, on `threads` threads:
// each reads the next stretch of the input itself, in no order with the others,
// and counts the lines that begin in it. Throws what a read threw.
std::size_t CountTableColumnsAt(const ReadAtFunction& readAt, TextEncoding encoding, const std::string& separator,
                                unsigned threads);

}  // namespace scrivane
