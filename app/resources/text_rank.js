// The postings of the text index's stems decoded, and the sections a
// query's words find ranked: BM25 scores summed over the words, a run of
// the words as typed, or their standing near each other, counting more.
// Joined before fulltext.js, which calls it, into the installed
// Modules/fulltext.js.
//
// A stem's postings ({secs, imps, counts, at, parts}) list the sections
// that hold it, in document order, each with its score and where its word
// positions start in the packed text kept in `parts`.
(function (global) {
  'use strict';

  // Digits of the postings' numbers: the printable ASCII characters but the
  // quote and the backslash; the first 64 end a number (base 64), the other
  // 29 come before its last (base 29).
  var SYMBOL = new Int8Array(128).fill(-1);
  for (var c = 0x20, k = 0; c < 0x7F; c++) if (c !== 0x22 && c !== 0x5C) SYMBOL[c] = k++;
  // A section's score for a stem is written as one digit: e^(digit/16) - 1.
  var SCORES = [];
  for (var q = 0; q < 64; q++) SCORES.push(Math.exp(q / 16) - 1);
  var NEAR_RANKED = 200, NEAR_WINDOW = 8;

  // Reads one number of a postings string at pos[0]; -1 past its end.
  function number(s, pos) {
    var v = 0;
    for (;;) {
      var c = s.charCodeAt(pos[0]++);
      var x = c < 128 ? SYMBOL[c] : -1;
      if (x < 0) return -1;
      if (x < 64) return v * 64 + x;
      v = v * 29 + (x - 64);
    }
  }

  // Decodes one file's postings of a stem onto `entry`, from `at` in its
  // text, `count` postings at most; gives where it stopped, or -1 at the
  // end (the number reader inlined: a common word's postings run to
  // hundreds of thousands).
  function decodePart(entry, text, at, count) {
    if (at === 0) { entry.parts.push(text); entry.section = 0; }
    var part = entry.parts.length - 1, end = text.length, section = entry.section;
    var last = entry.secs.length ? entry.secs[entry.secs.length - 1] : -1;
    var values = [0, 0, 0], c = 0;
    for (; at < end && count > 0; count--) {
      // The head (section step and whether a count follows), the score's
      // digit, the count; then the positions, skipped.
      var want = 2, got = 0;
      while (got < want) {
        var v = 0, x;
        for (;;) {
          c = at < end ? text.charCodeAt(at++) : -1;
          x = c >= 0 && c < 128 ? SYMBOL[c] : -1;
          if (x < 64) break;
          v = v * 29 + (x - 64);
        }
        if (x < 0) return -1;
        values[got++] = v * 64 + x;
        if (got === 1 && values[0] & 1) want = 3;
      }
      var positions = want === 3 ? values[2] : 1;
      section += Math.floor(values[0] / 2);
      if (section < last) entry.unordered = true;
      last = section;
      entry.secs.push(section);
      entry.imps.push(SCORES[values[1] & 63]);
      entry.counts.push(positions);
      entry.at.push(part * 0x10000000 + at);  // where its positions start
      for (var n = 0; n < positions && at < end; n++) {
        c = text.charCodeAt(at);
        while (at < end && (c >= 128 || SYMBOL[c] >= 64)) c = text.charCodeAt(++at);
        at++;
      }
    }
    entry.section = section;
    return at < end ? at : -1;
  }

  // Where section `s` stands in `entry`'s postings, or -1.
  function find(entry, s) {
    if (entry.unordered) {
      if (!entry.index) {
        entry.index = new Map();
        for (var i = 0; i < entry.secs.length; i++) entry.index.set(entry.secs[i], i);
      }
      var at = entry.index.get(s);
      return at === undefined ? -1 : at;
    }
    var secs = entry.secs, lo = 0, hi = secs.length;
    while (lo < hi) {
      var mid = (lo + hi) >> 1;
      if (secs[mid] < s) lo = mid + 1; else hi = mid;
    }
    return lo < secs.length && secs[lo] === s ? lo : -1;
  }

  function positionsOf(entry, index) {
    var code = entry.at[index], text = entry.parts[Math.floor(code / 0x10000000)];
    var pos = [code % 0x10000000], out = new Set(), p = 0;
    for (var k = 0; k < entry.counts[index]; k++) { p += number(text, pos); out.add(p); }
    return out;
  }

  // One group's sections and scores: a word, a prefix or a phrase, from
  // the postings `using` holds by stem.  A generator, which pauses every
  // scratch.chunk + 1 sections (scratch.phrase + 1 of a phrase's first
  // word); `scratch` holds the marks and scores it may use, all zero and
  // left so.
  function* groupHits(group, stemsOf, using, scratch) {
    var lists = group.words.map(function (w, k) {
      var last = group.prefix && k === group.words.length - 1;
      return (last ? stemsOf.prefix : [stemsOf[w]]).filter(Boolean).map(function (s) {
        return using[s];
      });
    });
    if (lists.some(function (l) { return l.length === 0; })) return {secs: [], imps: []};
    var marks = scratch.marks, scores = scratch.scores, i, j, s;
    if (!group.phrase) {
      var alternatives = lists[0];
      if (alternatives.length === 1) return alternatives[0];
      // The best score of each section any of them holds.
      var secs = [];
      for (j = 0; j < alternatives.length; j++) {
        var e = alternatives[j];
        for (i = 0; i < e.secs.length; i++) {
          s = e.secs[i];
          if (!marks[s]) { marks[s] = 1; scores[s] = e.imps[i]; secs.push(s); }
          else if (scores[s] < e.imps[i]) scores[s] = e.imps[i];
          if ((i & scratch.chunk) === scratch.chunk) yield;
        }
      }
      yield;
      var ordered = Int32Array.from(secs).sort(), imps = new Array(ordered.length);
      yield;
      secs = new Array(ordered.length);
      for (j = 0; j < ordered.length; j++) {
        secs[j] = ordered[j];
        imps[j] = scores[ordered[j]];
        marks[ordered[j]] = 0;
        if ((j & scratch.chunk) === scratch.chunk) yield;
      }
      return {secs: secs, imps: imps};
    }
    // A phrase: sections that hold every word, then a run of positions.
    // A phrase's last word typed as a prefix stands for its first stem.
    var heads = lists.map(function (l) { return l[0]; });
    var first = heads[0], out = {secs: [], imps: []};
    var found = false, sets = null;
    var inRun = function (p) {
      if (found) return;
      for (var k = 1; k < sets.length; k++) if (!sets[k].has(p + k)) return;
      found = true;
    };
    for (i = 0; i < first.secs.length; i++) {
      if ((i & scratch.phrase) === scratch.phrase) yield;
      var where = [], ok = true, sum = 0;
      s = first.secs[i];
      for (var k = 0; k < heads.length && ok; k++) {
        var at = find(heads[k], s);
        if (at < 0) ok = false; else { where.push(at); sum += heads[k].imps[at]; }
      }
      if (!ok) continue;
      sets = heads.map(function (e, k) { return positionsOf(e, where[k]); });
      found = false;
      sets[0].forEach(inRun);
      if (found) { out.secs.push(s); out.imps.push(sum); }
    }
    return out;
  }

  // Ranks the sections every group holds: highest score first, then in
  // document order, for the first `sorted` of them at least, but for the
  // sections scratch.hidden marks.  A generator, like groupHits.
  function* rank(groups, sorted, scratch) {
    groups = groups.slice().sort(function (a, b) { return a.secs.length - b.secs.length; });
    var marks = scratch.marks, scores = scratch.scores, first = groups[0], g, i, s;
    var n = first.secs.length, hits = new Int32Array(n), sc = new Float64Array(n), m = 0;
    if (groups.length === 1) {
      for (i = 0; i < n; i++) {
        s = first.secs[i];
        if (!scratch.hidden[s]) { hits[m] = s; sc[m++] = first.imps[i]; }
        if ((i & scratch.chunk) === scratch.chunk) yield;
      }
    } else {
      for (i = 0; i < n; i++) {
        s = first.secs[i];
        marks[s] = 1;
        scores[s] = first.imps[i];
        if ((i & scratch.chunk) === scratch.chunk) yield;
      }
      for (g = 1; g < groups.length; g++) {
        var e = groups[g];
        for (i = 0; i < e.secs.length; i++) {
          s = e.secs[i];
          if (marks[s] === g) { marks[s] = g + 1; scores[s] += e.imps[i]; }
          if ((i & scratch.chunk) === scratch.chunk) yield;
        }
      }
      for (i = 0; i < n; i++) {
        s = first.secs[i];
        if (marks[s] === groups.length && !scratch.hidden[s]) { hits[m] = s; sc[m++] = scores[s]; }
        marks[s] = 0;
        if ((i & scratch.chunk) === scratch.chunk) yield;
      }
    }
    // Only the first `sorted` are ever shown or ranked again: past twice
    // that many hits, those scoring above the sorted-th are sorted and
    // the rest follow in document order (a common word's hundreds of
    // thousands of sections sorted whole held the page for 100 ms).
    var order = [], top = m > 2 * sorted ? new Uint8Array(m) : null;
    if (top) {
      yield;
      var cut = kthLargest(sc.slice(0, m), sorted - 1), ties = sorted;
      yield;
      for (i = 0; i < m; i++) if (sc[i] > cut) ties--;
      // of the hits scoring just the cut, the first `ties` are sorted
      for (i = 0; i < m; i++) {
        if (sc[i] > cut || (sc[i] === cut && ties-- > 0)) { top[i] = 1; order.push(i); }
      }
      yield;
    } else {
      for (i = 0; i < m; i++) order.push(i);
    }
    order.sort(function (a, b) { return sc[b] - sc[a] || hits[a] - hits[b]; });
    var ids = new Int32Array(m), out = new Float64Array(m), k = order.length;
    for (i = 0; i < k; i++) { ids[i] = hits[order[i]]; out[i] = sc[order[i]]; }
    for (i = 0; top && i < m; i++) if (!top[i]) { ids[k] = hits[i]; out[k++] = sc[i]; }
    return {ids: ids, scores: out};
  }

  // The k-th largest (from 0) of `a`, whose order it changes: a
  // selection in three parts (above, equal to, below a pivot), as scores
  // repeat a lot.
  function kthLargest(a, k) {
    var lo = 0, hi = a.length - 1;
    for (;;) {
      if (lo >= hi) return a[lo];
      var x = a[lo], y = a[(lo + hi) >> 1], z = a[hi];
      var pivot = x < y ? (y < z ? y : x < z ? z : x) : (x < z ? x : y < z ? z : y);
      var lt = lo, gt = hi, i = lo;
      while (i <= gt) {
        var v = a[i];
        if (v > pivot) { a[i] = a[lt]; a[lt++] = v; i++; }
        else if (v < pivot) { a[i] = a[gt]; a[gt--] = v; }
        else i++;
      }
      if (k < lt) hi = lt - 1;
      else if (k > gt) lo = gt + 1;
      else return pivot;
    }
  }

  // Words typed together count more where they stand together: among the
  // best NEAR_RANKED hits, the words' run as typed makes a score four times
  // as high, and the words within NEAR_WINDOW positions of the first twice.
  function near(ranked, entries) {
    var n = Math.min(NEAR_RANKED, ranked.ids.length);
    if (n < 2) return;
    var order = [];
    for (var i = 0; i < n; i++) {
      var s = ranked.ids[i], sets = [], ok = true;
      for (var k = 0; k < entries.length && ok; k++) {
        var at = find(entries[k], s);
        if (at < 0) ok = false; else sets.push(positionsOf(entries[k], at));
      }
      var factor = 1;
      if (ok) {
        sets[0].forEach(function (p) {
          if (factor === 4) return;
          var run = true, close = true;
          for (var k = 1; k < sets.length; k++) {
            if (!sets[k].has(p + k)) run = false;
            var any = false;
            for (var d = -NEAR_WINDOW; d <= NEAR_WINDOW && !any; d++) any = sets[k].has(p + d);
            if (!any) close = false;
          }
          factor = run ? 4 : close ? Math.max(factor, 2) : factor;
        });
      }
      order.push({id: s, score: ranked.scores[i] * factor});
    }
    order.sort(function (a, b) { return b.score - a.score || a.id - b.id; });
    for (i = 0; i < n; i++) { ranked.ids[i] = order[i].id; ranked.scores[i] = order[i].score; }
  }

  // The highest score a stem's unread postings may have, by the digit its
  // last part read gives (64 and more: not known).
  function restScore(digit) { return digit < 64 ? SCORES[digit] : Infinity; }

  // Of the postings `entries` of one word or prefix (some of them read
  // from only some of their files: `complete` false), those whose further
  // files may hold one of the `k` best hits but for the sections `hidden`
  // marks: none once k sections score above all that is unread.  A
  // section's score is its best over the entries (a prefix's stems), so an
  // unread posting scores no more than its entry's `rest`.
  function unread(entries, k, hidden) {
    var bound = -1, partial = [];
    entries.forEach(function (e) {
      if (!e || e.complete || partial.indexOf(e) >= 0) return;
      partial.push(e);
      bound = Math.max(bound, restScore(e.rest));
    });
    if (bound < 0) return [];
    var above = new Set();
    for (var j = 0; j < partial.length; j++) {
      var e = partial[j];
      for (var i = 0; i < e.secs.length; i++) {
        if (e.imps[i] > bound && !hidden[e.secs[i]]) above.add(e.secs[i]);
      }
      if (above.size >= k) return [];
    }
    return partial.filter(function (e) { return restScore(e.rest) === bound; });
  }

  // The count of sections of entries read in part: a word's own count of
  // sections; a prefix's, as many as its most common stem holds, or more.
  // `masked` sections left out (of pages indexed again since) may be among
  // them: so many fewer, or more.  {total: 0 when all were read whole}.
  function countOf(entries, masked) {
    var total = 0, atLeast = false;
    entries.forEach(function (e) {
      if (!e || e.complete) return;
      total = Math.max(total, e.df - masked);
      atLeast = atLeast || entries.length > 1 || masked > 0;
    });
    return {total: total, atLeast: atLeast};
  }

  // A postings file's parts that more parts of their stem follow: {place
  // in "t": [highest digit after it, the stem's sections]}.
  function tiersOf(file) {
    if (!file.tiers) {
      file.tiers = {};
      for (var i = 0; file.x && i + 2 < file.x.length; i += 3) {
        file.tiers[file.x[i]] = [file.x[i + 1], file.x[i + 2]];
      }
    }
    return file.tiers;
  }

  // A postings file's first hits of its stems: {place in "t": [section,
  // page, anchor or 0, title, text, section, ...]}.
  function rowsOf(file) {
    if (!file.rows) {
      file.rows = {};
      for (var i = 0; file.h && i + 1 < file.h.length; i += 2) file.rows[file.h[i]] = file.h[i + 1];
    }
    return file.rows;
  }

  global.LexidorTextRank = {
    decodePart: decodePart, groupHits: groupHits, rank: rank, near: near, unread: unread,
    countOf: countOf, tiersOf: tiersOf, rowsOf: rowsOf,
    NEAR_RANKED: NEAR_RANKED, SCORES: SCORES
  };
})(typeof self !== 'undefined' ? self : this);
