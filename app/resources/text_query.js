// The words of a text search, folded and cut as the index build folds and
// cuts the pages' words, and a query read into its groups of words.  Joined
// before fulltext.js into the installed Modules/fulltext.js.
(function (global) {
  'use strict';

  var MAX_WORD = 32;
  // Folding: the same rules as the index build.  U+0100..U+017F by base
  // letter ('1' stands for "ij", '2' for "oe"), then U+00C0..U+00FF.
  var LATIN_A = 'aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii11jjkkkllllllllllnnnnnnnnn' +
      'oooooo22rrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs';
  var LATIN_1 = ('a a a a a a ae c e e e e i i i i d n o o o o o x o u u u u y th ss ' +
                 'a a a a a a ae c e e e e i i i i d n o o o o o x o u u u u y th y').split(' ');

  // A word no page holds as typed ("opening" where the pages say "opens")
  // may still share their stem: with a common ending cut off it is looked
  // up as a stem.  The build stems every word of the pages; this covers the
  // usual endings of a query without a stemmer in the page.
  function plainForm(word) {
    var endings = ['ing', 'ed', 'es', 'ly', 's'];
    for (var i = 0; i < endings.length; i++) {
      var e = endings[i];
      if (word.length >= e.length + 3 && word.slice(-e.length) === e &&
          !(e === 's' && word.slice(-2) === 'ss')) {
        return word.slice(0, -e.length);
      }
    }
    return undefined;
  }

  function isWordChar(c) {
    if (c < 0x80) return (c >= 48 && c <= 57) || (c >= 97 && c <= 122) || (c >= 65 && c <= 90);
    if (c >= 0xC0 && c <= 0x24F) return c !== 0xD7 && c !== 0xF7;
    if (c >= 0x370 && c <= 0x3FF) return c !== 0x375 && c !== 0x37E && c !== 0x387;
    if (c >= 0x400 && c <= 0x52F) return c < 0x482 || c > 0x489;
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF);
  }

  function foldChar(c) {
    if (c < 0x80) return String.fromCharCode(c >= 65 && c <= 90 ? c + 32 : c);
    if (c >= 0xC0 && c <= 0xFF) return LATIN_1[c - 0xC0];
    if (c >= 0x100 && c <= 0x17F) {
      var base = LATIN_A.charAt(c - 0x100);
      return base === '1' ? 'ij' : base === '2' ? 'oe' : base;
    }
    if ((c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F)) {
      return String.fromCharCode(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40F) return String.fromCharCode(c + 0x50);
    return String.fromCharCode(c);
  }

  // The words of a text, folded, with where each stands: [{word, start, end}].
  // A word all of ASCII letters and digits (most of them) is folded by
  // lowering its case at once, not a character at a time: the marks of a
  // screen of hits fold thousands of words in the keystroke that shows them.
  function wordsOf(text) {
    var out = [], word = '', chars = 0, start = -1, ascii = true;
    for (var i = 0; i <= text.length; i++) {
      var c = i < text.length ? text.charCodeAt(i) : 0;
      if (i < text.length && isWordChar(c)) {
        if (start < 0) start = i;
        if (c >= 0x80) {
          if (ascii) word = text.slice(start, Math.min(i, start + MAX_WORD)).toLowerCase();
          ascii = false;
        }
        if (chars++ < MAX_WORD && !ascii) word += foldChar(c);
      } else if (start >= 0) {
        if (ascii) word = text.slice(start, Math.min(i, start + MAX_WORD)).toLowerCase();
        out.push({word: word, start: start, end: i});
        word = '';
        chars = 0;
        start = -1;
        ascii = true;
      }
    }
    return out;
  }

  // A query: words outside quotes are each required; "quoted words" are a
  // phrase; the last word matches as a prefix while it is being typed (no
  // blank or closing quote after it).  Never throws, whatever the text.
  function parseQuery(text) {
    text = String(text == null ? '' : text);
    var groups = [], i = 0;
    while (i < text.length) {
      var quote = text.indexOf('"', i);
      var plainEnd = quote < 0 ? text.length : quote;
      wordsOf(text.slice(i, plainEnd)).forEach(function (w) {
        groups.push({words: [w.word], phrase: false, prefix: false});
      });
      if (quote < 0) break;
      var close = text.indexOf('"', quote + 1);
      var inner = wordsOf(text.slice(quote + 1, close < 0 ? text.length : close));
      if (inner.length > 1) {
        groups.push({words: inner.map(function (w) { return w.word; }), phrase: true,
                     prefix: false});
      } else if (inner.length === 1) {
        groups.push({words: [inner[0].word], phrase: false, prefix: false});
      }
      i = close < 0 ? text.length : close + 1;
    }
    var last = text.length ? text.charCodeAt(text.length - 1) : 0;
    if (groups.length && isWordChar(last)) groups[groups.length - 1].prefix = true;
    return {groups: groups};
  }

  global.LexidorTextQuery = {wordsOf: wordsOf, parseQuery: parseQuery, plainForm: plainForm};
})(typeof self !== 'undefined' ? self : this);
