// The browser's side of the host-name encoder (src/markup/host_name_browser.cpp).
mergeInto(LibraryManager.library, {
  // The ASCII form of a UTF-8 host name as a malloc'd string, or 0 when it has none.
  // The URL parser maps as the programs do but in one case: a name with symbols
  // or emoji (beyond IDNA2008's letters, marks and digits) that also holds a
  // sharp s or final sigma, which the programs refuse.
  scrivane_browser_ascii_host: function (host, length) {
    const name = UTF8ToString(host, length);
    const strict = /^[\p{L}\p{M}\p{Nd}\u200c\u200d.-]+$/u.test(name);
    if (!strict && /[\u00df\u03c2]/u.test(name)) return 0;
    let ascii;
    try {
      ascii = new URL('http://' + name + '/').hostname;
    } catch (error) {
      return 0;
    }
    if (!/^[\x21-\x7e]+$/.test(ascii)) return 0;
    const size = lengthBytesUTF8(ascii) + 1;
    const copy = _malloc(size);
    stringToUTF8(ascii, copy, size);
    return copy;
  },
});
