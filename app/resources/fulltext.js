// Full-text search of the kit's pages, from file:// with nothing but
// <script> loads.
//
// The build writes the text index as small script files (at most 256 KB
// each) in a folder named by the pointer file Modules/textindex.js; each file
// registers itself with (self.lexidorText=self.lexidorText||[]).push({...})
// and keeps its fields packed, which LexidorUnpack (unpack.js, joined before
// this script into the installed Modules/fulltext.js) unpacks.
// A search loads only the files its words need: the manifest, the
// dictionary files that hold its words, the postings files of their stems,
// and the section files of the hits it shows.  Results are given once all
// of these are in, so they never change order under the reader.  An index
// rebuilt after a few pages changed is in two segments, searched alike and
// merged (text_segments.js, joined after this script, gives create).
//
//   var engine = LexidorFullText.create({base: 'Modules/'});
//   engine.search('draw image', function (result) { ... }, {limit: 50});
//
// result: {query, total, hits: [{section, title, link, excerpt, highlights:
// [[start, end], ...], titleHighlights, score}], missing: [file, ...]}: the
// highlights mark the words matched in the excerpt and in the title.  A new
// search replaces the one still waiting: only the latest is answered.
// engine.prefetch('d') loads the dictionary files of the words beginning
// with the last word given, for the search a next keystroke will make (and
// after other words, searches ahead the two-letter words a first letter
// begins: see nextLetter below).
// After each answer, when the page is idle, the engine itself loads what
// the next keystroke most likely needs (see ahead below).
// A word's first three to six letters alone are answered from the build's
// answers to them (the a files, loaded with the word's first two letters,
// and for the fifth and sixth the b files, loaded with its first four)
// where those hold the hits to show: see fromTable below.
(function (global) {
  'use strict';

  // Digits of the dictionary's counts.
  var DIGITS = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_';
  var DIGIT = new Int8Array(128).fill(-1);
  for (var d = 0; d < 64; d++) DIGIT[DIGITS.charCodeAt(d)] = d;
  // The query's words, folded as the build folds the pages' (text_query.js,
  // joined before this script).
  var Query = global.LexidorTextQuery;
  var wordsOf = Query.wordsOf, parseQuery = Query.parseQuery, plainForm = Query.plainForm;
  // A stem's postings decoded, and sections ranked (text_rank.js, joined
  // before this script).
  var Rank = global.LexidorTextRank;
  var decodePart = Rank.decodePart, groupHits = Rank.groupHits, rank = Rank.rank;
  var near = Rank.near, NEAR_RANKED = Rank.NEAR_RANKED;

  // Stems a prefix may stand for, and hits given section details at once.
  var PREFIX_STEMS = 64;
  // A word's postings are read in part (best tiers first) while no more
  // than CUT_SHOWN hits are to be shown.
  var CUT_SHOWN = 1000;
  // What one segment keeps decoded, and the files it keeps unpacked, stay
  // bounded whatever the searches (a kit's common words hold hundreds of
  // thousands of postings): past these, what was used longest ago goes,
  // and is loaded again when wanted.
  var HELD_POSTINGS = 200000, HELD_FILES = 64, HELD_ROWS = 4096;
  // Ways the last word may go on whose first hits' section files are
  // loaded ahead.
  var AHEAD_GUESSES = 1;
  // Further ways, likeliest first, whose first hits' section files are
  // loaded too when those not in yet hold no more than CHEAP_SECTIONS
  // sections (five files of a small kit, two of a large one).
  var CHEAP_GUESSES = 4, CHEAP_SECTIONS = 320;
  // A prefix's dictionary files loaded ahead, when there are no more.
  var AHEAD_DICTIONARY = 4;
  // Two-letter words searched ahead after a new word's first letter, and
  // the postings files they may load that are not in yet.
  var AHEAD_LETTER_WORDS = 12, AHEAD_LETTER_FILES = 6;
  // Prefixes the build answered: their lengths (those up to FIRST_ANSWERED
  // in the a files, the longer ones in the b files), and the a files of a
  // word's first letters loaded at most.  A common pair of first letters
  // has its answers in three or four files of a 50,000-page kit (`gu`:
  // `gut`'s lies in the third); loading only two left a word's third letter
  // waiting for the rest.  The b files hold the longer prefixes that show
  // hits their shorter ones do not: those a word's first four letters begin
  // lie in one file.
  var ANSWERED_FROM = 3, FIRST_ANSWERED = 4, ANSWERED_TO = 6, ANSWER_FILES = 4;
  var FURTHER_FILES = 1;
  // Work put off until the current task, and its paint, are done: when the
  // page is idle where it can tell; none where there is no timer (a test
  // that runs the engine at once).
  var later = typeof global.requestIdleCallback === 'function' ?
      function (f) { global.requestIdleCallback(f, {timeout: 100}); } :
      typeof global.setTimeout === 'function' ?
      function (f) { global.setTimeout(f, 0); } : function () {};
  // A task, made of slices, runs for about SLICE_MS before it yields, and
  // decodes SLICE_POSTINGS postings between looks at the clock; a stem's
  // postings of more than SLICE_TEXT characters are decoded apart.  Most
  // slices run between keystrokes (the search that goes on after an answer
  // from the build's answers, the loading ahead): a keystroke that comes
  // meanwhile waits for the slice to end, so they are short, and end at
  // once where the browser tells of input waiting.
  var SLICE_MS = 4, SLICE_POSTINGS = 2048, SLICE_TEXT = 32768;
  var scheduling = global.navigator && global.navigator.scheduling;
  var inputWaits = scheduling && typeof scheduling.isInputPending === 'function' ?
      function () { return scheduling.isInputPending(); } : function () { return false; };
  // A search ranks more than BIG_ORDER postings in slices, pausing every
  // CHUNK_MASK + 1 sections (every PHRASE_MASK + 1 of a phrase's first word).
  var BIG_ORDER = 16384, CHUNK_MASK = 8191, PHRASE_MASK = 1023;
  // The next slice: a task of its own, through a message channel where
  // there is one (a page clamps a timer set from a timer to 4 ms or more),
  // else a timer.
  var soon = null;
  if (typeof global.MessageChannel === 'function') {
    var channel = new global.MessageChannel(), slices = [];
    channel.port1.onmessage = function () { slices.shift()(); };
    soon = function (f) { slices.push(f); channel.port2.postMessage(0); };
  } else if (typeof global.setTimeout === 'function') {
    soon = function (f) { global.setTimeout(f, 0); };
  }
  // The loading ahead starts once the answer is painted: an idle callback
  // came only after the page had filled in its names, 30 to 100 ms later,
  // often after the next keystroke.  A page that paints nothing (a tab in
  // the background) starts it after a moment.
  var afterPaint = typeof global.requestAnimationFrame === 'function' &&
      typeof global.setTimeout === 'function' ?
      function (f) {
        var ran = false, run = function () { if (!ran) { ran = true; f(); } };
        global.requestAnimationFrame(function () { global.setTimeout(run, 0); });
        global.setTimeout(run, 100);
      } : later;
  var now = global.performance && typeof global.performance.now === 'function' ?
      function () { return global.performance.now(); } : Date.now;
  var DEFAULT_LIMIT = 10;
  // Characters of a section's text a hit shows, and how many of them come
  // before the first word matched when the window must move to show it.
  var EXCERPT_SHOWN = 160, EXCERPT_LEAD = 40;

  // The form of the index files this script reads (the manifest's "v").
  var FORMAT = 7;

  // A registered file with its packed fields unpacked; null when they
  // cannot be.
  function unpack(file) {
    if (!file || file.z === undefined) return file || null;
    try {
      var fields = JSON.parse(global.LexidorUnpack.text(file.z));
      for (var key in fields) if (key !== 'g' && key !== 'k' && key !== 'n') file[key] = fields[key];
      delete file.z;
      return file;
    } catch (e) {
      return null;
    }
  }

  // Shards register here, by generation, kind and number.
  var registry = {};
  function register(shard) {
    if (!shard || typeof shard.g !== 'string' || typeof shard.k !== 'string') return;
    registry[shard.g + '/' + shard.k + (shard.k === 'm' ? '' : shard.n)] = shard;
  }
  var early = global.lexidorText;
  global.lexidorText = {push: function () {
    for (var i = 0; i < arguments.length; i++) register(arguments[i]);
  }};
  if (early && early.length) for (var e = 0; e < early.length; e++) register(early[e]);

  // Loads an index file.  Its packed fields are bytes as they are, which
  // windows-1252 reads as one character each, whatever the page's own
  // charset (the files begin with ASCII, never with a byte order mark,
  // which would override it).
  function loadScript(url, done) {
    var script = global.document.createElement('script');
    script.charset = 'windows-1252';
    script.src = url;
    script.onload = function () { done(true); };
    script.onerror = function () { done(false); };
    global.document.head.appendChild(script);
  }

  // Lower bound of `key` in the sorted pairs [from, to, from, to, ...]:
  // the index of the first range whose end is not below `key`.
  function firstRangeEndingAtOrAfter(ranges, key) {
    var lo = 0, hi = ranges.length / 2;
    while (lo < hi) {
      var mid = (lo + hi) >> 1;
      if (ranges[2 * mid + 1] < key) lo = mid + 1; else hi = mid;
    }
    return lo;
  }

  // The search of one segment of the index (options.segment: its part of
  // the manifest), with its own section numbers.
  function createSegment(options) {
    var base = options.base;
    var load = options.load;
    var prefix = options.segment.f || '';
    var hidden = null;  // sections of pages indexed again in a later segment
    var pointer = null, manifest = null, manifestMissing = null;
    var loading = {};          // file -> [callbacks]
    var failed = {};           // file -> true
    var decoded = {};          // stem -> postings, used longest ago first
    var held = 0;              // postings in decoded
    var pinned = {};           // stem -> searches waiting for its postings
    var heldFiles = {};        // registry key -> file name, of files searches read
    var bounds = options.held || {postings: HELD_POSTINGS, files: HELD_FILES};
    // Postings decoded between looks at the clock, the text of a stem's
    // postings decoded from a task of its own, the postings of a search
    // ranked in slices, the sections between pauses, and a slice's time (a
    // test makes them all small, to decode and rank every search in parts,
    // a task each).
    var slicePostings = bounds.slice || SLICE_POSTINGS, sliceText = bounds.slice ? 0 : SLICE_TEXT;
    var bigOrder = bounds.slice ? 0 : BIG_ORDER, chunkMask = bounds.slice ? 1 : CHUNK_MASK;
    var phraseMask = bounds.slice ? 1 : PHRASE_MASK, sliceMs = bounds.slice ? 0 : SLICE_MS;
    var latest = 0;
    var marks = null, scores = null, spare = null;
    var made = 0;              // postings decoded so far, each entry's number
    var guess = null;          // what the last search ranked, for guessing the next
    var rowsKept = new Map();  // section -> [page, anchor or 0, title, excerpt]
    // Whether prefixes are answered from the build's answers (a test
    // switches them off to compare).
    var tables = options.answers !== false;
    // Stem -> whether its postings are in tiers, as the dictionary says, of
    // the stems searched: only those have q files.
    var inTiers = {};

    function dir() { return pointer.dir; }

    // The file of kind k number n in this segment's folder, and the key it
    // registers itself under.
    function fileOf(k, n) { return k === 'm' ? 'manifest.js' : prefix + k + n + '.js'; }
    function keyOf(k, n) { return pointer.generation + '/' + k + (k === 'm' ? '' : n); }
    // Whether a file is in or on its way.
    function inOrComing(k, n) { return !!(registry[keyOf(k, n)] || loading[fileOf(k, n)]); }

    // Calls back with the shard of kind k number n (null when missing).
    function shard(k, n, done) {
      var file = fileOf(k, n), key = keyOf(k, n);
      if (registry[key]) {
        var known = unpack(registry[key]);
        if (!known) failed[file] = true;
        return done(known);
      }
      if (failed[file]) return done(null);
      if (loading[file]) return loading[file].push(done);
      loading[file] = [done];
      load(base + dir() + file, function () {
        var waiting = loading[file];
        delete loading[file];
        var found = unpack(registry[key]);
        if (!found) failed[file] = true;
        waiting.forEach(function (f) { f(found); });
      });
    }

    // Loads shards of kind k; calls back with {n: shard} and the missing files.
    function shards(k, ns, done) {
      var got = {}, missing = [], left = ns.length;
      if (!left) return done(got, missing);
      ns.forEach(function (n) {
        shard(k, n, function (s) {
          if (s) got[n] = s; else missing.push(fileOf(k, n));
          if (--left === 0) done(got, missing);
        });
      });
    }

    function start(done) {
      if (!manifest) {
        var m = options.segment;
        pointer = {dir: options.dir, generation: m.g};
        manifest = m;
        manifest.sFirst = [];
        // Each sections file's count of sections: where each one's begin.
        for (var i = 0, at = 0; i < m.s.length; i++) {
          manifest.sFirst.push(at);
          at += m.s[i];
        }
        marks = new Uint8Array(m.sections);
        scores = new Float64Array(m.sections);
        hidden = new Uint8Array(m.sections);
        var mask = m.mask || [];
        manifest.masked = 0;
        for (i = 0; i + 1 < mask.length; i += 2) {
          hidden.fill(1, mask[i], mask[i + 1]);
          manifest.masked += mask[i + 1] - mask[i];
        }
      }
      done();
    }

    // The shard numbers of a family whose key ranges meet [from, to].
    function rangeShards(ranges, from, to, cap) {
      var out = [];
      for (var i = firstRangeEndingAtOrAfter(ranges, from); i < ranges.length / 2; i++) {
        if (ranges[2 * i] > to || out.length >= cap) break;
        out.push(i);
      }
      return out;
    }

    // The dictionary: word -> stem, and the words of a prefix.
    function lookUp(words, prefix, done) {
      var want = {};
      words.forEach(function (w) {
        rangeShards(manifest.d, w, w, 4).forEach(function (n) { want[n] = 1; });
      });
      if (prefix) {
        rangeShards(manifest.d, prefix, prefix + '\uffff', 2).forEach(function (n) {
          want[n] = 1;
        });
      }
      shards('d', Object.keys(want).map(Number), function (got, missing) {
        var stemOf = {}, prefixed = [];
        Object.keys(got).forEach(function (n) {
          var s = got[n];
          if (!s.list) s.list = dictionary(s.w);
          var list = s.list;
          words.forEach(function (w) {
            var lo = lowerBound(list, w, 0);
            if (lo < list.length && list[lo][0] === w) {
              stemOf[w] = list[lo][1];
              inTiers[list[lo][1]] = list[lo][2];
            }
          });
          if (prefix) {
            for (var i = lowerBound(list, prefix, 0); i < list.length &&
                 list[i][0].lastIndexOf(prefix, 0) === 0; i++) {
              prefixed.push(list[i]);
              inTiers[list[i][1]] = list[i][2];
            }
          }
        });
        holdFiles('d', got);
        done(stemOf, prefixed, missing);
      });
    }

    // A dictionary file's front-coded words: [[word, stem], ...].
    function dictionary(text) {
      var previous = '';
      return text.split(' ').map(function (e) {
        var tiers = e.charAt(e.length - 1) === '+';
        if (tiers) e = e.slice(0, -1);
        var colon = e.indexOf(':', 1);
        var word = previous.slice(0, DIGIT[e.charCodeAt(0)]) + e.slice(1, colon < 0 ? e.length : colon);
        var stem = word;
        if (colon >= 0) {
          var rest = e.slice(colon + 1);
          stem = rest.charAt(0) === '=' ? rest.slice(1) :
              word.slice(0, word.length - DIGIT[rest.charCodeAt(0)]) + rest.slice(1);
        }
        previous = word;
        return [word, stem, tiers];
      });
    }

    // The first place in sorted `list` whose key is not below `key`: its
    // element's, or its element's `field` (a dictionary's [word, ...]).
    function lowerBound(list, key, field) {
      var lo = 0, hi = list.length;
      while (lo < hi) {
        var mid = (lo + hi) >> 1;
        if ((field === undefined ? list[mid] : list[mid][field]) < key) lo = mid + 1; else hi = mid;
      }
      return lo;
    }

    // Postings of stems, each from the first wanted(stem) of its files (all
    // for Infinity); one read in part has `complete` false, `rest` (the
    // highest score digit unread, 64: not known) and `df` (its sections).
    function postings(stems, wanted, done) {
      var want = {}, filesOf = {};
      stems.forEach(function (s) {
        pinned[s] = (pinned[s] || 0) + 1;
        var all = postingsFiles(s), count = Math.min(all.length, wanted(s));
        var known = decoded[s];
        if (known && (known.complete || known.files >= count)) {
          delete decoded[s];
          decoded[s] = known;  // used now: last to go
        } else {
          filesOf[s] = all.slice(0, count);
          filesOf[s].forEach(function (n) { want[n] = 1; });
          filesOf[s].complete = count === all.length;
          filesOf[s].heads = all.heads;
        }
      });
      var ns = Object.keys(want).map(Number).sort(function (a, b) { return a - b; });
      postingsShards(ns, function (got, missing) {
        var entries = {}, parts = [];
        stems.forEach(function (stem) {
          var files = filesOf[stem];
          if (!files || entries[stem]) return;
          var entry = entries[stem] = {secs: [], imps: [], counts: [], at: [], parts: [],
                                       files: files.length, complete: files.complete, rest: 0,
                                       df: 0, made: ++made};
          var last = null;
          files.forEach(function (n) {
            var s = got[n];
            if (!s) return;
            (placesOf(s).get(stem) || []).forEach(function (i) {
              parts.push([entry, s.d[i]]);
              last = [s, i];
              keepRows(s, i);
            });
          });
          if (!entry.complete) {
            var more = last ? Rank.tiersOf(last[0])[last[1]] : null;
            // Past its p files, a stem whose last part says no more follow
            // is whole: a q file's range of keys spans stems it lacks.
            if (!more && files.length >= files.heads) entry.complete = true;
            entry.rest = more ? more[0] : 64;
            entry.df = more ? more[1] : 0;
          }
        });
        // A common word's postings (more than a task's worth) are decoded
        // from a task of their own, after the one that unpacked their file.
        var j = 0, at = 0, size = 0;
        parts.forEach(function (part) { size += part[1].length; });
        inSlices(function () {
          if (j < parts.length) at = decodePart(parts[j][0], parts[j][1], at, slicePostings);
          if (at < 0) { j++; at = 0; }
          return j < parts.length;
        }, size > sliceText, function () {
          // A stem read without all its files is not kept: a later search
          // tries them again.  One another search decoded meanwhile is
          // kept once.
          for (var stem in entries) {
            var before = decoded[stem];
            if (missing.length || (before && (before.complete || before.files >= entries[stem].files))) {
              continue;
            }
            if (before) held -= before.secs.length;
            delete decoded[stem];
            decoded[stem] = entries[stem];
            held += entries[stem].secs.length;
          }
          done(missing, size > sliceText);
          stems.forEach(function (stem) { if (--pinned[stem] === 0) delete pinned[stem]; });
          trim(stems);
          holdFiles('p', got.p);
          holdFiles('q', got.q);
        });
      });
    }

    // A postings file's parts by stem: {stem: [place in "t", ...]}, made
    // once a file (a prefix's search looks up 64 stems in files of
    // hundreds).
    function placesOf(file) {
      if (!file.places) {
        file.places = new Map();
        for (var i = 0; i < file.t.length; i++) {
          var list = file.places.get(file.t[i]);
          if (list) list.push(i); else file.places.set(file.t[i], [i]);
        }
      }
      return file.places;
    }

    // The postings files of a stem, as numbers: its first part's in the p
    // files (0 on), then its further tiers' in the q files (numbered on
    // after the p files), those of a stem the dictionary has not said is
    // in tiers left out.
    function postingsFiles(stem) {
      var heads = rangeShards(manifest.p, stem, stem, 1e9), after = manifest.p.length / 2;
      var further = inTiers[stem] === false ? [] : rangeShards(manifest.q || [], stem, stem, 1e9);
      var all = heads.concat(further.map(function (n) { return n + after; }));
      all.heads = heads.length;
      return all;
    }

    // Loads postings files by those numbers; calls back with {number:
    // shard}, also as got.p and got.q by each kind's own number, and the
    // missing files.
    function postingsShards(ns, done) {
      var after = manifest.p.length / 2;
      var heads = ns.filter(function (n) { return n < after; });
      var further = ns.filter(function (n) { return n >= after; }).map(function (n) {
        return n - after;
      });
      // Both kinds load side by side.
      var p = null, q = null, m1 = null, m2 = null;
      var both = function () {
        if (!p || !q) return;
        var got = {};
        Object.defineProperty(got, 'p', {value: p});
        Object.defineProperty(got, 'q', {value: q});
        Object.keys(p).forEach(function (n) { got[n] = p[n]; });
        Object.keys(q).forEach(function (n) { got[Number(n) + after] = q[n]; });
        done(got, m1.concat(m2));
      };
      shards('p', heads, function (got, missing) { p = got; m1 = missing; both(); });
      shards('q', further, function (got, missing) { q = got; m2 = missing; both(); });
    }

    // Keeps the first hits a postings file gives with a stem's part, shown
    // without their sections files; those kept longest ago go past HELD_ROWS.
    function keepRows(file, place) {
      var r = Rank.rowsOf(file)[place];
      for (var k = 0; r && k + 4 < r.length; k += 5) keepRow(r, k);
      trimRows();
    }

    // Keeps row r[k..k+4]: section, page, anchor or 0, title, text.
    function keepRow(r, k) {
      rowsKept.delete(r[k]);
      rowsKept.set(r[k], [r[k + 1], r[k + 2], r[k + 3], r[k + 4]]);
    }
    function trimRows() {
      var drop = rowsKept.size - (bounds.rows === undefined ? HELD_ROWS : bounds.rows);
      for (var id of rowsKept.keys()) if (drop-- <= 0 || !rowsKept.delete(id)) break;
    }

    // Loads the a files of the prefixes that begin with `word` (a word's
    // first two letters, or more), and from its fourth letter on the b
    // files, for the keystrokes to come.  A segment
    // without them (a rebuild's second, small one) loads instead the
    // postings file of the stems that begin so, when they are in one, and
    // its sections file when it has only one (a page or two): the answer
    // of the other waits for its own, and its hits may rank among the
    // other's.
    function loadAnswers(word) {
      if (word.length < 2 || word.length >= ANSWERED_TO) return;
      if (word.length >= FIRST_ANSWERED) {
        furtherFiles(word, function (ns) {
          ns.forEach(function (n) {
            shard('b', n, function (got) { if (got) holdAnswers('b', n); });
          });
        });
      }
      if (word.length > FIRST_ANSWERED) return;
      if (!manifest.a) {
        var p = rangeShards(manifest.p, word, word + '\uffff', 2);
        if (p.length === 1) shard('p', p[0], function () {});
        if (p.length === 1 && manifest.s.length === 1) shard('s', 0, function () {});
        return;
      }
      if (!tables) return;
      // Held as the files searches read are, so that they stay bounded.
      rangeShards(manifest.a, word, word + '\uffff', ANSWER_FILES).forEach(function (n) {
        shard('a', n, function (file) { if (file) holdAnswers('a', n); });
      });
    }

    // The build's answer to `prefix` searched alone, when it holds the
    // `most` best hits but for the hidden sections (or all of its hits),
    // given to `done` as a search ranks them ({ids, scores, count, atLeast,
    // hl}), its rows kept for `details`; else null.  From the a file (a
    // prefix of five or six letters: the b file) when it is in, else once
    // it has come.
    function fromTable(prefix, most, done) {
      if (!tables || !manifest.a || prefix.length < ANSWERED_FROM ||
          prefix.length > ANSWERED_TO) {
        return done(null);
      }
      if (prefix.length > FIRST_ANSWERED) {
        return furtherFiles(prefix, function (n) { answerIn('b', n); });
      }
      answerIn('a', rangeShards(manifest.a, prefix, prefix, 1));

      function answerIn(kind, n) {
        if (!n.length) return done(null);
        shard(kind, n[0], function (file) {
          if (file) holdAnswers(kind, n[0]);
          // A file not of this form (damaged) answers nothing: the search does.
          var place = file && Array.isArray(file.t) && Array.isArray(file.a) &&
              Array.isArray(file.r) ? lowerBound(file.t, prefix) : -1;
          if (place < 0 || file.t[place] !== prefix || !Array.isArray(file.a[place])) {
            return done(null);
          }
          var entry = file.a[place], ids = [], scores = [], stored = (entry.length - 1) >> 1;
          for (var k = 1; k + 1 < entry.length; k += 2) {
            if (hidden[entry[k]]) continue;
            ids.push(entry[k]);
            scores.push(Rank.SCORES[entry[k + 1]]);
          }
          // A negative count: at least that many.
          var count = Math.abs(entry[0]), whole = entry[0] === stored;
          if (!whole && ids.length < most) return done(null);
          if (!file.rowAt) {
            file.rowAt = new Map();
            for (k = 0; k + 4 < file.r.length; k += 5) file.rowAt.set(file.r[k], k);
          }
          ids.forEach(function (id) {
            var at = file.rowAt.get(id);
            if (at !== undefined) keepRow(file.r, at);
          });
          trimRows();
          var extra = (file.e && file.e[place]) || [];
          done({ids: ids, scores: scores, count: whole ? ids.length :
                Math.max(ids.length, count - manifest.masked),
                atLeast: !whole && (entry[0] < 0 || manifest.masked > 0),
                hl: {words: new Set(), stems: extra.slice(), prefix: prefix}});
        });
      }
    }

    // The b file (as a list: none or one) of the longer prefixes `word`'s
    // first four letters begin, given to `done` when the answer to those
    // letters says the build answered some (a b file's range of keys holds
    // other letters' too).
    function furtherFiles(word, done) {
      var group = word.slice(0, FIRST_ANSWERED);
      var a = tables && manifest.a && manifest.b ? rangeShards(manifest.a, group, group, 1) : [];
      if (!a.length) return done([]);
      shard('a', a[0], function (file) {
        var place = file && Array.isArray(file.t) && Array.isArray(file.f) ?
            lowerBound(file.t, group) : -1;
        if (place < 0 || file.t[place] !== group || file.f.indexOf(place) < 0) return done([]);
        done(rangeShards(manifest.b, group, group + '\uffff', FURTHER_FILES));
      });
    }

    function holdAnswers(kind, n) {
      var got = {};
      got[n] = true;
      holdFiles(kind, got);
    }

    // Runs step() until it returns false, then done, in slices of about
    // SLICE_MS, each in a task of its own (the first too when `apart`), so
    // that a common word's long postings never hold the page for long; at
    // once where there is no timer.
    function inSlices(step, apart, done) {
      var slice = function () {
        var until = now() + sliceMs;
        while (step()) if ((now() >= until || inputWaits()) && soon) return soon(slice);
        done();
      };
      if (apart && soon) soon(slice); else slice();
    }

    // Lets go of the postings used longest ago, past the bound, but for
    // those of `keep` (the search just answered, for its next keystroke)
    // and those a search still waits for.
    function trim(keep) {
      var kept = {};
      keep.forEach(function (s) { kept[s] = true; });
      for (var s in decoded) {
        if (held <= bounds.postings) break;
        if (kept[s] || pinned[s]) continue;
        held -= decoded[s].secs.length;
        delete decoded[s];
      }
    }

    // Notes the files of kind k a search just read (`got`: {n: file}) as
    // used last, and lets the registry go of those used longest ago past
    // the bound (never of one loading again, whose arrival must find it).
    function holdFiles(k, got) {
      for (var n in got) {
        var key = keyOf(k, n);
        delete heldFiles[key];
        heldFiles[key] = fileOf(k, n);
      }
      var files = Object.keys(heldFiles);
      for (var i = 0; i + bounds.files < files.length; i++) {
        if (loading[heldFiles[files[i]]]) continue;
        delete registry[files[i]];
        delete heldFiles[files[i]];
      }
    }

    // The sections the groups find, best first (the first `shown` and
    // NEAR_RANKED in order, at least), given to `done`, or null to `done`
    // when `live()` turns false first.  The postings used are held from
    // the start, whatever a search meanwhile lets go of.  A search of
    // more than BIG_ORDER postings goes in slices of tasks, with marks and
    // scores of its own (a common word's sections take tens of
    // milliseconds); a smaller one at once, with the segment's.
    function order(groups, stemsOf, shown, apart, live, done) {
      var using = {}, size = 0, ranked = null, lost = false;
      for (var w in stemsOf) {
        [].concat(stemsOf[w]).forEach(function (s) {
          if (!s || using[s]) return;
          if (!decoded[s]) return void (lost = true);
          using[s] = decoded[s];
          size += decoded[s].secs.length;
        });
      }
      // Let go of since a guess was made (a search's own are held for it).
      if (lost) return done(null);
      var big = size > bigOrder;
      var scratch = {marks: marks, scores: scores, hidden: hidden, chunk: chunkMask,
                     phrase: phraseMask};
      // A sliced ranking's own marks and scores (4 MB at 50,000 pages),
      // those of the last one when it has ended: made anew each time, they
      // cost the keystrokes that followed the garbage collector's pauses.
      var own = null;
      if (big) {
        own = spare || {marks: new Uint8Array(marks.length), scores: new Float64Array(marks.length)};
        spare = null;
        scratch.marks = own.marks;
        scratch.scores = own.scores;
      }
      var plain = groups.filter(function (g) { return !g.phrase && !g.prefix; });
      var steps = (function* () {
        var lists = [];
        for (var i = 0; i < groups.length; i++) {
          lists.push(yield* groupHits(groups[i], stemsOf, using, scratch));
        }
        ranked = yield* rank(lists, Math.max(NEAR_RANKED, shown), scratch);
        if (plain.length > 1) {
          yield;
          near(ranked, plain.map(function (g) { return using[stemsOf[g.words[0]]]; }));
        }
      })();
      if (!big) {
        while (!steps.next().done) continue;
        return done(ranked);
      }
      inSlices(function () {
        if (!live()) return (ranked = null);
        return !steps.next().done;
      }, apart, function () {
        // Given up midway, the marks it set are cleared (scores are
        // written before they are read).
        if (!ranked) own.marks.fill(0);
        spare = own;
        done(ranked);
      });
    }

    // The ranking of a search made ahead (a word's first letter after
    // others searches its two-letter words ahead), kept for the search of
    // the same words that the next keystroke makes: the words' postings
    // are those it was made of (by their numbers: holding them would keep
    // what the bounds let go of), so the ranking is the same, and the
    // keystroke no longer ranks tens of thousands of sections again (8 to
    // 11 ms at 50,000 pages).  Other searches rank as before.
    // One still ranking in slices when that search comes (a phrase's
    // takes tens of milliseconds) goes on for it rather than being given up
    // and made again.
    var rankedKept = [], rankingAhead = {};
    function kept(groups, stemsOf, shown, apart, live, ahead, done) {
      var key = JSON.stringify([groups, shown]), stems = [];
      for (var w in stemsOf) [].concat(stemsOf[w]).forEach(function (s) { stems.push(s); });
      // Which decoding of each stem's postings the ranking is made of.
      var from = stems.map(function (s) { return decoded[s] ? decoded[s].made : -1; }).join();
      var same = function (k) { return k.key === key && k.from === from; };
      for (var i = 0; i < rankedKept.length; i++) {
        if (same(rankedKept[i])) return done(rankedKept[i].ranked);
      }
      var going = rankingAhead[key];
      if (going && same(going)) {
        going.wanted = true;
        return going.waiting.push(done);
      }
      if (!ahead) return order(groups, stemsOf, shown, apart, live, done);
      going = rankingAhead[key] = {key: key, from: from, waiting: [done], wanted: false};
      var alive = function () { return going.wanted || live(); };
      order(groups, stemsOf, shown, apart, alive, function (ranked) {
        if (rankingAhead[key] === going) delete rankingAhead[key];
        // Of its hits, those that may be shown or ranked again (the rest
        // follow in document order), and their count.
        var first = Math.max(NEAR_RANKED, shown);
        if (ranked) {
          rankedKept.push({key: key, from: from,
                           ranked: {ids: ranked.ids.slice(0, first), scores: ranked.scores.slice(0, first),
                                    found: ranked.ids.length}});
          if (rankedKept.length > AHEAD_LETTER_WORDS) rankedKept.shift();
        }
        going.waiting.forEach(function (f) { f(ranked); });
      });
    }

    // Titles, links and excerpts of sections, in the order given: from the
    // first hits a postings file gives, or from their sections' files.
    function details(ids, highlight, done) {
      var want = {};
      ids.forEach(function (id) { if (!rowsKept.has(id)) want[sectionShard(id)] = 1; });
      shards('s', Object.keys(want).map(Number), function (got, missing) {
        holdFiles('s', got);
        done(ids.map(function (id) {
          var row = rowsKept.get(id);
          if (row) return hitOf(id, row[0], row[1], row[2], row[3], highlight);
          var s = got[sectionShard(id)];
          if (!s) {
            return {section: id, title: '', link: '', page: '', excerpt: '', highlights: [],
                    titleHighlights: []};
          }
          var r = (id - s.f) * 4, row = s.r;
          return hitOf(id, s.p[row[r]], row[r + 1], row[r + 2], row[r + 3], highlight);
        }), missing);
      });
    }

    // A hit: a section's page, anchor (0: its title), title and stored text.
    function hitOf(id, page, anchor, title, text, highlight) {
      var shown = excerptWindow(text, highlight);
      if (anchor === 0) anchor = title;
      return {section: id, title: title, page: page, link: page + (anchor ? '#' + anchor : ''),
              excerpt: shown.text, highlights: shown.marks,
              titleHighlights: highlights(title, highlight)};
    }

    function sectionShard(id) {
      var f = manifest.sFirst, lo = 0, hi = f.length;
      while (lo < hi) { var mid = (lo + hi) >> 1; if (f[mid] <= id) lo = mid + 1; else hi = mid; }
      return lo - 1;
    }

    // The part of a section's stored text a hit shows: its start, or, when
    // the first word matched lies beyond that, a window that begins a few
    // words before it; "…" stands for what is left out.
    function excerptWindow(text, hl) {
      var marks = highlights(text, hl);
      if (text.length <= EXCERPT_SHOWN) return {text: text, marks: marks};
      var from = 0, first = marks.length ? marks[0] : null;
      if (first && first[1] > EXCERPT_SHOWN) {
        from = Math.max(0, Math.min(first[0] - EXCERPT_LEAD, text.length - EXCERPT_SHOWN));
        var blank = text.indexOf(' ', from);
        if (from > 0 && text.charAt(from - 1) !== ' ' && blank >= 0 && blank < first[0]) {
          from = blank + 1;
        }
      }
      var to = Math.min(text.length, from + EXCERPT_SHOWN);
      if (to < text.length && text.charAt(to) !== ' ') {
        var end = text.lastIndexOf(' ', to);
        if (end > from) to = end;
      }
      if (first) to = Math.max(to, first[1]);
      var lead = from > 0 ? '\u2026' : '', shift = lead.length - from;
      var out = [];
      marks.forEach(function (m) {
        if (m[0] >= from && m[1] <= to) out.push([m[0] + shift, m[1] + shift]);
      });
      var tail = to < text.length ? '\u2026' : '';
      return {text: lead + text.slice(from, to).replace(/ $/, '') + tail, marks: out};
    }

    function highlights(text, hl) {
      var out = [], starts = startsOf(hl), words = wordsOf(text);
      for (var i = 0; i < words.length; i++) {
        var w = words[i].word, some = w.length ? starts.get(w.charAt(0)) : null, found = false;
        for (var k = 0; some && k < some.length && !found; k++) found = w.lastIndexOf(some[k], 0) === 0;
        if (found || hl.words.has(w)) out.push([words[i].start, words[i].end]);
      }
      return out;
    }

    // The words typed, and the forms of the stems they matched: those
    // begin with the stem, or with all of it but its last letter ("happy"
    // for "happi"); by their first letter, so that a word of the text is
    // compared with those of its own letter only (a prefix stands for up
    // to 64 stems, and a screen of hits holds hundreds of words).
    var startsKept = typeof WeakMap === 'function' ? new WeakMap() : null;
    function startsOf(hl) {
      var kept = startsKept && startsKept.get(hl);
      if (kept && kept.stems === hl.stems.length) return kept.starts;
      var starts = new Map();
      hl.stems.map(function (s) { return s.length > 3 ? s.slice(0, -1) : s; })
        .concat(hl.prefix ? [hl.prefix] : []).forEach(function (s) {
          if (!s) return;
          var c = s.charAt(0);
          if (!starts.has(c)) starts.set(c, []);
          starts.get(c).push(s);
        });
      if (startsKept) startsKept.set(hl, {stems: hl.stems.length, starts: starts});
      return starts;
    }

    function search(query, callback, opts) {
      // A search run ahead (opts.ahead) only loads the files its answer
      // would need: it answers nothing, guesses nothing, and gives way to
      // any search that comes.
      var dry = !!(opts && opts.ahead);
      var ticket = dry ? latest : ++latest;
      var limit = opts && opts.limit !== undefined ? opts.limit : DEFAULT_LIMIT;
      // Answered from the build's answers: the search goes on all the
      // same, answering nothing, for the files the next keystroke needs.
      var answered = false;
      var answer = function (result) {
        if (ticket !== latest || dry) return;
        if (!answered) callback(result);
        answered = true;
        if (ticket === latest) afterPaint(function () { ahead(ticket, parsed); });
      };
      var empty = function (missing) {
        answer({query: query, total: 0, hits: [], missing: missing || []});
      };
      var parsed = parseQuery(query);
      start(function () {
        if (!manifest) return empty(manifestMissing);
        if (!parsed.groups.length) return empty();
        var last = parsed.groups[parsed.groups.length - 1];
        if (!dry && parsed.groups.length === 1 && last.prefix && !last.phrase &&
            last.words.length === 1) {
          var shown = opts && opts.shown !== undefined ? opts.shown : limit;
          fromTable(last.words[0], Math.max(limit, shown), function (table) {
            if (!table || answered || ticket !== latest) return;
            details(table.ids.slice(0, limit), table.hl, function (hits, missing) {
              if (answered || ticket !== latest) return;
              hits.forEach(function (h, k) { h.score = table.scores[k]; });
              var result = {query: query, total: table.count, hits: hits, missing: missing,
                            ranked: table.ids, scores: table.scores, highlight: table.hl};
              if (table.atLeast) result.atLeast = true;
              answered = true;
              callback(result);
            });
          });
        }
        var goOn = function () {
          var words = [], prefix = null;
          parsed.groups.forEach(function (g, gi) {
            g.words.forEach(function (w, k) {
              if (g.prefix && gi === parsed.groups.length - 1 && k === g.words.length - 1) {
                prefix = w;
              } else {
                words.push(w);
              }
            });
          });
          alongside(prefix, words.length > 0);
          lookUp(prefix ? words.concat([prefix]) : words, prefix, function (stemOf, prefixed, m1) {
            if (ticket !== latest) return;
            var stemsOf = {};
            words.forEach(function (w) { stemsOf[w] = stemOf[w] || plainForm(w); });
            var hl = {words: new Set(words), stems: [], prefix: prefix};
            if (prefix) {
              var seen = {};
              stemsOf.prefix = [];
              if (stemOf[prefix]) { seen[stemOf[prefix]] = 1; stemsOf.prefix.push(stemOf[prefix]); }
              prefixed.forEach(function (e) {
                if (!seen[e[1]] && stemsOf.prefix.length < PREFIX_STEMS) {
                  seen[e[1]] = 1;
                  stemsOf.prefix.push(e[1]);
                }
              });
              if (!stemsOf.prefix.length && plainForm(prefix)) stemsOf.prefix.push(plainForm(prefix));
            }
            if (m1.length) return empty(m1);
            var stems = [];
            words.forEach(function (w) { if (stemsOf[w]) stems.push(stemsOf[w]); });
            if (prefix) stems = stems.concat(stemsOf.prefix);
            if (words.some(function (w) { return !stemsOf[w]; }) ||
                (prefix && !stemsOf.prefix.length)) {
              return empty();
            }
            var shownLater = opts && opts.shown !== undefined ? opts.shown : limit;
            var most = Math.max(limit, shownLater);
            // One word or prefix: its files read one at a time, best tiers
            // first, until the hits shown are found; else all of them.
            var group = parsed.groups[0], filesRead = {};
            var partly = parsed.groups.length === 1 && !group.phrase && group.words.length === 1 &&
                most <= CUT_SHOWN;
            stems.forEach(function (s) { filesRead[s] = partly ? 1 : Infinity; });
            var read = function () {
              postings(stems, function (s) { return filesRead[s]; }, function (m2, long) {
                if (ticket !== latest) return;
                if (m2.length) return empty(m2);
                if (partly) {
                  var more = unread(stems, most);
                  if (more.length) {
                    more.forEach(function (s) { filesRead[s] = decoded[s].files + 1; });
                    return read();
                  }
                }
                answerWith(long);
              });
            };
            var answerWith = function (long) {
              stems.forEach(function (s) {
                hl.stems.push(s);
              });
              var live = function () { return ticket === latest; };
              // Of a word read in part, its count of sections; of a prefix
              // read in part, as many as its most common stem holds, or more.
              // Sections left out (of pages indexed again since) may be among
              // them: so many fewer, or more.
              var count = Rank.countOf(stems.map(function (s) { return decoded[s]; }),
                                       manifest.masked);
              kept(parsed.groups, stemsOf, most, long, live, dry, function (ranked) {
                if (!ranked || ticket !== latest) return;
                var lastGroup = parsed.groups[parsed.groups.length - 1];
                if (!dry) {
                  guess = {ticket: ticket, groups: parsed.groups, stemsOf: stemsOf, prefix: !!prefix,
                           word: lastGroup.words[lastGroup.words.length - 1], stem: stemOf[prefix],
                           limit: shownLater};
                }
                var shown = Array.prototype.slice.call(ranked.ids, 0, limit);
                details(shown, hl, function (hits, m3) {
                  hits.forEach(function (h, k) { h.score = ranked.scores[k]; });
                  var found = ranked.found === undefined ? ranked.ids.length : ranked.found;
                  var result = {query: query, total: Math.max(found, count.total),
                                hits: hits, missing: m3, ranked: ranked.ids, scores: ranked.scores,
                                highlight: hl};
                  if (count.atLeast) result.atLeast = true;
                  answer(result);
                });
              });
            };
            read();
          });
        };
        // Answered from the build's answers: the search that reads the files
        // the next keystroke needs goes on once the answer is painted, not in
        // its task or before its frame.
        if (answered) afterPaint(function () { if (ticket === latest) goOn(); });
        else goOn();
      });
    }

    // A prefix of three letters or more after other words, whose
    // dictionary files are not in: the postings files of the stems that
    // begin so (most of its stems), and those of their further tiers (read
    // whole after other words), are loaded beside them, not a round of
    // loads after (`neru tao` waited for three rounds at 50,000 pages).  A
    // word alone has its dictionary files loaded ahead, and reads its
    // postings in part: loading them so read 44 KB more a query.
    function alongside(prefix, others) {
      if (!prefix || !others || prefix.length < ANSWERED_FROM) return;
      var end = prefix + '\uffff';
      if (rangeShards(manifest.d, prefix, end, 2).every(function (n) { return inOrComing('d', n); })) {
        return;
      }
      rangeShards(manifest.p, prefix, end, 2).forEach(function (n) { shard('p', n, function () {}); });
      rangeShards(manifest.q || [], prefix, end, 2).forEach(function (n) { shard('q', n, function () {}); });
    }

    // The stems of a search read in part whose further files may hold
    // one of the `k` best hits (Rank.unread).
    function unread(stems, k) {
      var waiting = Rank.unread(stems.map(function (s) { return decoded[s]; }), k, hidden);
      return stems.filter(function (s, i) {
        return waiting.indexOf(decoded[s]) >= 0 && stems.indexOf(s) === i;
      });
    }

    // Loads, while the reader reads an answer, what the next keystroke most
    // likely needs: the dictionary files of the words that begin as the
    // query's last word does, and the section files of the first hits of
    // the likeliest ways that word goes on, of those whose postings are in
    // (those of a prefix hold the postings of its longer prefixes, unless
    // it stood for more stems than a search takes).  Postings are not
    // guessed: the likeliest next letter by the words it begins was right
    // too seldom for the bytes.  Nothing when a newer search came.
    function ahead(ticket, parsed) {
      var g = guess;
      if (ticket !== latest || !manifest || !parsed.groups.length) return;
      if (!g || g.ticket !== ticket) return prefetch(parsed);
      // The answers to the prefixes a word alone begins, once this answer
      // is shown: loaded with its files, they held it back.
      if (g.groups.length === 1 && !g.groups[0].phrase) loadAnswers(g.word);
      // The dictionary files of the words the last word begins past the
      // two a search reads, when they are few: the next letter's words may
      // lie in them.
      if (g.prefix || g.word.length <= 2) {
        var all = rangeShards(manifest.d, g.word, g.word + '\uffff', AHEAD_DICTIONARY + 1);
        if (all.length <= AHEAD_DICTIONARY) {
          all.forEach(function (n) { shard('d', n, function () {}); });
        }
      }
      lookUp([], g.word, function (stemOf, prefixed, missing) {
        if (ticket !== latest || missing.length) return;
        // A word alone whose next letter the build answered needs no
        // guess: the answer holds its hits' rows.
        var alone = g.groups.length === 1 && !g.groups[0].phrase && g.groups[0].words.length === 1;
        nextWords(g, prefixed).slice(0, AHEAD_GUESSES + CHEAP_GUESSES).forEach(function (next, k) {
          (soon || later)(function () {
            if (ticket !== latest) return;
            var guessed = function () {
              showable(g, next, k < AHEAD_GUESSES ? Infinity : CHEAP_SECTIONS);
            };
            if (!alone || next.whole) return guessed();
            fromTable(g.word + next.letter, g.limit, function (table) {
              if (!table && ticket === latest) guessed();
            });
          });
        });
      });
    }

    // The ways the last word `g.word` may go on whose postings are all in:
    // one letter more (its stems those of the words in `prefixed` that
    // begin so) or, for a word typed as a prefix, a blank (the word as it
    // stands); likeliest first, each as likely as the sections its stems
    // are found in.
    function nextWords(g, prefixed) {
      var ways = {}, p = g.word, out = [];
      prefixed.forEach(function (e) {
        // A word of three letters or more searched whole was ended by a
        // blank: the next letter begins another word.
        if (e[0].length <= p.length || (!g.prefix && p.length > 2)) return;
        var c = e[0].charAt(p.length);
        var way = ways[c] || (ways[c] = {stems: [], seen: {}, letter: c});
        if (!way.seen[e[1]] && way.stems.length < PREFIX_STEMS) {
          way.seen[e[1]] = 1;
          way.stems.push(e[1]);
        }
      });
      if (g.prefix && g.stem) ways[' '] = {stems: [g.stem], whole: true};
      Object.keys(ways).forEach(function (c) {
        var way = ways[c], weight = 0;
        for (var i = 0; i < way.stems.length && weight >= 0; i++) {
          var e = decoded[way.stems[i]];
          // A stem read in part counts all its sections, not those read.
          weight = e ? weight + Math.max(e.secs.length, e.complete ? 0 : e.df) : -1;
        }
        if (weight > 0) {
          out.push({stems: way.stems, whole: way.whole, weight: weight, letter: way.letter});
        }
      });
      return out.sort(function (a, b) { return b.weight - a.weight; });
    }

    // Loads the section files of the hits a next word would show first,
    // when those still to load hold no more than `cap` sections.
    function showable(g, next, cap) {
      var stemsOf = Object.assign({}, g.stemsOf), last = g.groups[g.groups.length - 1];
      if (next.whole) {
        stemsOf[g.word] = next.stems[0];
      } else {
        stemsOf.prefix = next.stems;
      }
      var groups = g.groups.slice(0, -1).concat([{words: last.words, phrase: last.phrase,
                                                  prefix: !next.whole}]);
      var live = function () { return g.ticket === latest; };
      order(groups, stemsOf, g.limit, true, live, function (ranked) {
        if (!ranked || g.ticket !== latest) return;
        var want = {}, wanted = [], lacking = 0, f = manifest.sFirst;
        ranked.ids.slice(0, g.limit).forEach(function (id) {
          var n = sectionShard(id);
          if (want[n] || rowsKept.has(id) || inOrComing('s', n)) return;
          want[n] = 1;
          wanted.push(n);
          lacking += (n + 1 < f.length ? f[n + 1] : manifest.sections) - f[n];
        });
        if (lacking <= cap) wanted.forEach(function (n) { shard('s', n, function () {}); });
      });
    }

    // Loads, ahead of the search that will want them, the dictionary files
    // of the words that begin as the last word of `text` does: a first
    // letter typed searches nothing, but the keystroke after it then finds
    // its dictionary files in.
    function prefetch(text) {
      start(function () {
        var groups = (typeof text === 'string' ? parseQuery(text) : text).groups;
        if (!manifest || !groups.length) return;
        var words = groups[groups.length - 1].words, w = words[words.length - 1];
        if (groups.length === 1 && !groups[0].phrase) loadAnswers(w);
        rangeShards(manifest.d, w, w + '\uffff', 2).forEach(function (n) {
          shard('d', n, function () {});
        });
        if (typeof text === 'string' && w.length === 1 && (groups.length > 1 || words.length > 1)) {
          nextLetter(text, w);
        }
      });
    }

    // A new word's first letter after others (`text` ends with it): the
    // page searches the words before it until its second letter comes, and
    // then the two letters whole.  Each two-letter word the dictionary holds
    // that begins so is searched ahead with the words before it, up to
    // AHEAD_LETTER_WORDS of them while their postings files not in yet are
    // at most AHEAD_LETTER_FILES: their postings and first hits' sections
    // are then in when the second letter comes.
    function nextLetter(text, w) {
      var ticket = latest, base = text.replace(/[^\s"]$/, '');
      lookUp([], w, function (stemOf, prefixed, missing) {
        if (ticket !== latest || missing.length) return;
        var seen = {}, files = {}, lacking = 0, next = [];
        prefixed.forEach(function (e) {
          if (e[0].length !== 2 || seen[e[0]] || next.length >= AHEAD_LETTER_WORDS) return;
          seen[e[0]] = 1;
          var more = rangeShards(manifest.p, e[1], e[1], 1e9).filter(function (n) {
            return !files[n] && !inOrComing('p', n);
          });
          if (lacking + more.length > AHEAD_LETTER_FILES) return;
          more.forEach(function (n) { files[n] = 1; });
          lacking += more.length;
          next.push(e[0]);
        });
        next.forEach(function (word) {
          (soon || later)(function () {
            if (ticket === latest) search(base + word + ' ', function () {}, {ahead: true});
          });
        });
      });
    }

    return {search: search, details: details, prefetch: prefetch};
  }

  // The search of one segment and what the whole index's search
  // (text_segments.js, joined after this script) needs to read the
  // manifest.
  global.LexidorFullText = {
    createSegment: createSegment, parseQuery: parseQuery, wordsOf: wordsOf,
    loadScript: loadScript, unpack: unpack, FORMAT: FORMAT, DEFAULT_LIMIT: DEFAULT_LIMIT,
    registered: function (key) { return registry[key]; }
  };
})(typeof self !== 'undefined' ? self : this);
