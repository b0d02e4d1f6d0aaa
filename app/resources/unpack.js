// Unpacking the text index's files: each keeps its fields as JSON text,
// deflated (RFC 1951), its bytes written as they are in a string.  Joined
// after pako's inflater (from Debian's node-pako) and before the search
// script (fulltext.js) into the one file the pages load.  Unpacked at
// once, so that a search answers as soon as its files are in: the
// browsers' DecompressionStream would answer only later, on a promise.
//
//   LexidorUnpack.text(packed) -> the text; throws on damaged data.
(function (global) {
  'use strict';

  // No file the build writes unpacks to more; a damaged or planted one that
  // would is refused before it fills the page's memory.
  var MAX_UNPACKED = 16 << 20;

  // The bytes of `text`, a file's packed field as the page read it: the
  // file is loaded as windows-1252, so each byte came as one character,
  // itself below 0x80 and from 0xA0 on, and from 0x80 to 0x9F as the
  // character windows-1252 gives it (0x80 as U+20AC, the Euro sign), the
  // five bytes it leaves undefined as U+0081.. themselves.  A reader that
  // took the file as Latin-1 has every byte as itself, which reads alike.
  // (The quote, backslash, LF and CR came written as the script's own
  // escapes, which its parser undid.)  Throws on a character no byte
  // stands for.
  var HIGH = [0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
              0x0160, 0x2039, 0x0152, 0x8D, 0x017D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D,
              0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E,
              0x0178];
  var BYTE_OF = new Uint8Array(0x2123);  // code point > 0xFF -> its byte, 0 for none
  for (var h = 0; h < HIGH.length; h++) if (HIGH[h] > 0xFF) BYTE_OF[HIGH[h]] = 0x80 + h;
  function bytesOf(text) {
    var length = text.length, out = new Uint8Array(length);
    for (var i = 0; i < length; i++) {
      var c = text.charCodeAt(i);
      if (c > 0xFF) {
        c = c < 0x2123 ? BYTE_OF[c] : 0;
        if (!c) throw new Error('bad packed text');
      }
      out[i] = c;
    }
    return out;
  }

  // The text of deflated `src` (a Uint8Array).  Throws on damaged data.
  function inflate(src) {
    var inflater = new global.pako.Inflate({raw: true, chunkSize: 65536});
    var chunks = [], size = 0;
    inflater.onData = function (chunk) {
      size += chunk.length;
      if (size > MAX_UNPACKED) throw new Error('deflate data too large');
      chunks.push(chunk);
    };
    inflater.push(src, true);
    if (inflater.err || !inflater.ended) throw new Error('bad deflate data: ' + (inflater.msg || 'ends early'));
    var out = chunks.length === 1 ? chunks[0] : new Uint8Array(size), at = 0;
    if (chunks.length !== 1) {
      for (var i = 0; i < chunks.length; i++) { out.set(chunks[i], at); at += chunks[i].length; }
    }
    // What the build packs is ASCII, which every decoder reads alike.
    if (global.TextDecoder) return new global.TextDecoder().decode(out);
    var text = '';
    for (i = 0; i < out.length; i += 8192) {
      text += String.fromCharCode.apply(null, out.subarray(i, Math.min(out.length, i + 8192)));
    }
    return text;
  }

  global.LexidorUnpack = {text: function (packed) { return inflate(bytesOf(packed)); }};
})(typeof self !== 'undefined' ? self : this);
