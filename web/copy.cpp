// The C library's memcpy, for the engine in WebAssembly. Emscripten's own moves
// one byte at a time when the two addresses differ in their alignment to four,
// as most of the engine's copies do (a line's text after a tag, a tag after a
// word); this one moves sixteen bytes at a time at any alignment, overlapping
// the last load, and hands large copies to the browser as emscripten's does.
#include <cstddef>
#include <cstdint>

#include <emscripten/em_macros.h>
#include <wasm_simd128.h>

namespace {

// Unaligned words (WebAssembly loads and stores any alignment).
using Word64 = std::uint64_t __attribute__((aligned(1), may_alias));
using Word32 = std::uint32_t __attribute__((aligned(1), may_alias));

// From this size on the browser's own copy is faster than a loop here.
constexpr std::size_t kBigCopy = 512;

}  // namespace

extern "C" {

// The browser's copy inside the memory (Uint8Array.copyWithin), from emscripten's library.
void* emscripten_memcpy_big(void* dest, const void* src, std::size_t count) EM_IMPORT(emscripten_memcpy_big);

// No call to a library copy may appear in here, the compiler's own included.
__attribute__((no_builtin)) void* memcpy(void* __restrict dest, const void* __restrict src, std::size_t count) {
  auto* to = static_cast<unsigned char*>(dest);
  const auto* from = static_cast<const unsigned char*>(src);
  if (count >= 16) {
    if (count >= kBigCopy) return emscripten_memcpy_big(dest, src, count);
    const v128_t last = wasm_v128_load(from + count - 16);
    for (std::size_t i = 0; i + 16 < count; i += 16) wasm_v128_store(to + i, wasm_v128_load(from + i));
    wasm_v128_store(to + count - 16, last);
  } else if (count >= 8) {
    const std::uint64_t first = *reinterpret_cast<const Word64*>(from);
    const std::uint64_t end = *reinterpret_cast<const Word64*>(from + count - 8);
    *reinterpret_cast<Word64*>(to) = first;
    *reinterpret_cast<Word64*>(to + count - 8) = end;
  } else if (count >= 4) {
    const std::uint32_t first = *reinterpret_cast<const Word32*>(from);
    const std::uint32_t end = *reinterpret_cast<const Word32*>(from + count - 4);
    *reinterpret_cast<Word32*>(to) = first;
    *reinterpret_cast<Word32*>(to + count - 4) = end;
  } else if (count > 0) {  // one to three bytes: the first, the middle and the last
    const unsigned char first = from[0], middle = from[count / 2], end = from[count - 1];
    to[0] = first;
    to[count / 2] = middle;
    to[count - 1] = end;
  }
  return dest;
}

}  // extern "C"
