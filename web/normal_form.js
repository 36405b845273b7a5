// The browser's side of Normalization Form C (src/markup/normal_form_browser.cpp).
mergeInto(LibraryManager.library, {
  // `length` bytes of UTF-8 at `text`, composed, as a malloc'd buffer whose size
  // goes to `composedLength`; 0 when the bytes are not UTF-8 or memory runs out.
  scrivane_browser_composed: function (text, length, composedLength) {
    let composed;
    try {
      const decoded = new TextDecoder('utf-8', { fatal: true }).decode(HEAPU8.subarray(text, text + length));
      composed = new TextEncoder().encode(decoded.normalize('NFC'));
    } catch (error) {
      return 0;
    }
    const copy = _malloc(Math.max(composed.length, 1));
    if (copy === 0) return 0;
    HEAPU8.set(composed, copy);  // after _malloc, which may have grown the memory
    HEAPU32[composedLength >> 2] = composed.length;
    return copy;
  },
});
