// Unpacking the text index's files: each keeps its fields as JSON text,
// deflated (RFC 1951) and written in base 85.  Joined after pako's inflater
// (from Debian's node-pako) and before the search script (fulltext.js) into
// the one file the pages load.  Unpacked at once, so that a search answers
// as soon as its files are in: the browsers' DecompressionStream would
// answer only later, on a promise.
//
//   LexidorUnpack.text(packed) -> the text; throws on damaged data.
(function (global) {
  'use strict';

  // No file the build writes unpacks to more; a damaged or planted one that
  // would is refused before it fills the page's memory.
  var MAX_UNPACKED = 16 << 20;

  // The bytes of base-85 `text`: each 5 digits ("#" 0 .. "x" 84, the
  // backslash left out) the 4 bytes of a number, most significant first; a
  // last group of n + 1 digits stands for n bytes, its digits padded with
  // 84s.  Throws on a character that is no digit.
  var BASE85 = new Int8Array(128).fill(-1);
  for (var b85 = 0x23, v85 = 0; v85 < 85; b85++) if (b85 !== 0x5C) BASE85[b85] = v85++;
  function fromBase85(text) {
    var length = text.length, rest = length % 5;
    if (rest === 1) throw new Error('bad base 85');
    var out = new Uint8Array((length - rest) / 5 * 4 + (rest ? rest - 1 : 0)), o = 0;
    for (var i = 0; i < length; i += 5) {
      var v = 0;
      for (var k = 0; k < 5; k++) {
        var c = i + k < length ? text.charCodeAt(i + k) : 0x78;
        var d = c < 128 ? BASE85[c] : -1;
        if (d < 0) throw new Error('bad base 85');
        v = v * 85 + d;
      }
      if (v > 0xFFFFFFFF) throw new Error('bad base 85');
      for (k = 0; k < 4 && o < out.length && (i + k + 1 < length); k++) {
        out[o++] = (v >>> (24 - 8 * k)) & 255;
      }
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

  global.LexidorUnpack = {text: function (packed) { return inflate(fromBase85(packed)); }};
})(typeof self !== 'undefined' ? self : this);
