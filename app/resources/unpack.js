// Unpacking the text index's files: each keeps its fields as JSON text,
// deflated (RFC 1951) and written in base 85.  Joined before the search
// script (fulltext.js) into the one file the pages load.  Unpacked at once,
// so that a search answers as soon as its files are in: the browsers'
// DecompressionStream would answer only later, on a promise.
//
//   LexidorUnpack.text(packed) -> the text; throws on damaged data.
(function (global) {
  'use strict';

  var LENGTH_BASE = [3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59,
                     67, 83, 99, 115, 131, 163, 195, 227, 258];
  var LENGTH_EXTRA = [0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4,
                      5, 5, 5, 5, 0];
  var DISTANCE_BASE = [1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513,
                       769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577];
  var DISTANCE_EXTRA = [0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10,
                        11, 11, 12, 12, 13, 13];
  var CODE_ORDER = [16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15];
  var MAX_UNPACKED = 16 << 20;

  // A canonical Huffman code from code lengths, as a table indexed by the
  // next `max` bits of input: each entry the symbol times 16 plus the
  // length of its code (0: no code starts so).
  function huffman(lengths, from, count) {
    var counts = new Uint16Array(16), next = new Uint16Array(16), max = 0, i, len;
    for (i = 0; i < count; i++) {
      counts[lengths[from + i]]++;
      max = Math.max(max, lengths[from + i]);
    }
    counts[0] = 0;
    for (var code = 0, bits = 1; bits < 16; bits++) {
      code = (code + counts[bits - 1]) << 1;
      next[bits] = code;
    }
    var size = 1 << max, table = new Uint32Array(size);
    for (i = 0; i < count; i++) {
      if (!(len = lengths[from + i])) continue;
      // Codes are sent from their first bit on, the input read from its
      // lowest bit: the table is indexed by the code reversed.
      for (var c = next[len]++, reversed = 0, k = 0; k < len; k++, c >>= 1) {
        reversed = (reversed << 1) | (c & 1);
      }
      for (k = reversed; k < size; k += 1 << len) table[k] = (i << 4) | len;
    }
    return {table: table, max: max};
  }
  var FIXED_LITERALS, FIXED_DISTANCES;
  (function () {
    var l = new Uint8Array(288), i;
    for (i = 0; i < 288; i++) l[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    FIXED_LITERALS = huffman(l, 0, 288);
    FIXED_DISTANCES = huffman(new Uint8Array(30).fill(5), 0, 30);
  })();

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

  // The bytes of deflated `src` (a Uint8Array) as a string of the same
  // bytes.  Throws on damaged data.
  function inflate(src) {
    var pos = 0, buffer = 0, held = 0, out = new Uint8Array(src.length * 4 + 1024), n = 0;
    // Input past the end reads as zero bits; whether any was used is
    // checked at the end (and, against endless output, as it goes).
    function fill(k) {
      while (held < k) {
        buffer |= (pos < src.length ? src[pos] : 0) << held;
        pos++;
        held += 8;
      }
    }
    function bits(k) {
      fill(k);
      var v = buffer & ((1 << k) - 1);
      buffer >>>= k;
      held -= k;
      return v;
    }
    function room(k) {
      if (n + k <= out.length) return;
      // No file the build writes unpacks to more than a few hundred KB.
      if (n + k > MAX_UNPACKED) throw new Error('deflate data too large');
      var grown = new Uint8Array(Math.max(out.length * 2, n + k));
      grown.set(out);
      out = grown;
    }
    function symbol(code) {
      if (pos > src.length + 4) throw new Error('deflate data ends early');
      fill(code.max);
      var entry = code.table[buffer & ((1 << code.max) - 1)];
      if (!entry) throw new Error('bad deflate code');
      buffer >>>= entry & 15;
      held -= entry & 15;
      return entry >> 4;
    }
    for (var last = 0; !last;) {
      last = bits(1);
      var type = bits(2), literals = FIXED_LITERALS, distances = FIXED_DISTANCES, i;
      if (type === 0) {
        pos -= (held - (held & 7)) >> 3;  // whole bytes read ahead go back
        buffer = held = 0;
        if (pos + 4 > src.length) throw new Error('deflate data ends early');
        var size = src[pos] | src[pos + 1] << 8;
        if ((src[pos + 2] | src[pos + 3] << 8) !== (~size & 0xFFFF)) {
          throw new Error('bad deflate block');
        }
        pos += 4;
        if (pos + size > src.length) throw new Error('deflate data ends early');
        room(size);
        for (i = 0; i < size; i++) out[n++] = src[pos++];
        continue;
      }
      if (type === 3) throw new Error('bad deflate block');
      if (type === 2) {
        var nLiterals = bits(5) + 257, nDistances = bits(5) + 1, nCodes = bits(4) + 4;
        var lengths = new Uint8Array(320);
        for (i = 0; i < nCodes; i++) lengths[CODE_ORDER[i]] = bits(3);
        var codes = huffman(lengths, 0, 19);
        lengths = new Uint8Array(320);
        for (i = 0; i < nLiterals + nDistances;) {
          var c = symbol(codes);
          if (c < 16) { lengths[i++] = c; continue; }
          var repeat = 0, times;
          if (c === 16) {
            if (!i) throw new Error('bad deflate lengths');
            repeat = lengths[i - 1];
            times = 3 + bits(2);
          } else {
            times = c === 17 ? 3 + bits(3) : 11 + bits(7);
          }
          if (i + times > nLiterals + nDistances) throw new Error('bad deflate lengths');
          while (times--) lengths[i++] = repeat;
        }
        literals = huffman(lengths, 0, nLiterals);
        distances = huffman(lengths, nLiterals, nDistances);
      }
      // The codes of the block, kept in locals: the loop every byte of
      // output passes through.
      var lt = literals.table, lmax = literals.max, lmask = (1 << lmax) - 1;
      var dt = distances.table, dmax = distances.max, dmask = (1 << dmax) - 1;
      var b = buffer, h = held, p = pos, o = out, m = n, end = src.length, e, sym, extra;
      for (;;) {
        if (p > end + 4) throw new Error('deflate data ends early');
        while (h < lmax) { b |= (p < end ? src[p] : 0) << h; p++; h += 8; }
        e = lt[b & lmask];
        if (!e) throw new Error('bad deflate code');
        b >>>= e & 15;
        h -= e & 15;
        sym = e >> 4;
        if (sym < 256) {
          if (m === o.length) { out = o; n = m; room(1); o = out; }
          o[m++] = sym;
          continue;
        }
        if (sym === 256) break;
        sym -= 257;
        if (sym >= 29) throw new Error('bad deflate length');
        extra = LENGTH_EXTRA[sym];
        while (h < extra) { b |= (p < end ? src[p] : 0) << h; p++; h += 8; }
        var length = LENGTH_BASE[sym] + (b & ((1 << extra) - 1));
        b >>>= extra;
        h -= extra;
        while (h < dmax) { b |= (p < end ? src[p] : 0) << h; p++; h += 8; }
        e = dt[b & dmask];
        if (!e || (sym = e >> 4) >= 30) throw new Error('bad deflate distance');
        b >>>= e & 15;
        h -= e & 15;
        extra = DISTANCE_EXTRA[sym];
        while (h < extra) { b |= (p < end ? src[p] : 0) << h; p++; h += 8; }
        var distance = DISTANCE_BASE[sym] + (b & ((1 << extra) - 1));
        b >>>= extra;
        h -= extra;
        if (distance > m) throw new Error('bad deflate distance');
        if (m + length > o.length) { out = o; n = m; room(length); o = out; }
        for (var from = m - distance, stop = m + length; m < stop;) o[m++] = o[from++];
      }
      buffer = b;
      held = h;
      pos = p;
      out = o;
      n = m;
    }
    if (pos - (held >> 3) > src.length) throw new Error('deflate data ends early');
    // What the build packs is ASCII, which every decoder reads alike.
    if (global.TextDecoder) return new global.TextDecoder().decode(out.subarray(0, n));
    var text = '';
    for (i = 0; i < n; i += 8192) {
      text += String.fromCharCode.apply(null, out.subarray(i, Math.min(n, i + 8192)));
    }
    return text;
  }

  global.LexidorUnpack = {text: function (packed) { return inflate(fromBase85(packed)); }};
})(typeof self !== 'undefined' ? self : this);
