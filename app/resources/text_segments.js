// The search of the whole text index: the segments its manifest names,
// each searched by fulltext.js (joined before this script into the
// installed Modules/fulltext.js), their hits merged.
(function (global) {
  'use strict';

  var FT = global.LexidorFullText;

  // The folder of a segment's files: the pointer's, or one the manifest
  // gives beside it ("../g7/": a rebuild's index reads the files of the last
  // full build where that build wrote them).
  function segmentDir(dir, own) {
    if (typeof own !== 'string' || !own) return dir;
    return dir.replace(/[^\/]*\/$/, '') + own.replace(/^\.\.\//, '');
  }

  // The whole index.  Its manifest names one segment (a full build) or two
  // (a rebuild: the files of the last full build, with the sections of the
  // pages changed or removed since masked, and the pages changed or added
  // since then in a second, small one).  Each segment is searched on its
  // own; their hits are merged by score, and the second's section numbers
  // follow the first's, so that every hit's number is unique.
  function create(options) {
    options = options || {};
    var base = options.base || '';
    var load = options.load || FT.loadScript;
    var parts = null, missing = null, waiting = null, latest = 0;

    function start(done) {
      if (parts || missing) return done();
      if (waiting) return waiting.push(done);
      waiting = [done];
      var finish = function () {
        var calls = waiting;
        waiting = null;
        calls.forEach(function (f) { f(); });
      };
      var begin = function () {
        var pointer = global.lexidorTextIndex;
        if (!pointer || typeof pointer.dir !== 'string') {
          missing = ['textindex.js'];
          return finish();
        }
        var key = pointer.generation + '/m';
        var found = function () {
          var m = FT.unpack(FT.registered(key));
          // A manifest of another form is no index this script can read.
          if (!m || m.v !== FT.FORMAT) {
            missing = [pointer.dir + 'manifest.js'];
            return finish();
          }
          var segments = m.segments || [{g: m.g, f: '', sections: m.sections, d: m.d, p: m.p,
                                         q: m.q, s: m.s, a: m.a, b: m.b}];
          var offset = 0;
          parts = segments.map(function (segment) {
            var dir = segmentDir(pointer.dir, segment.dir);
            var part = FT.createSegment({base: base, load: load, dir: dir,
                                         segment: segment, held: options.held,
                                         answers: options.answers});
            // Files missing from a folder other than the pointer's are named
            // with their folder.
            part.named = function (names) {
              return dir === pointer.dir ? names : names.map(function (n) { return dir + n; });
            };
            part.offset = offset;
            offset += segment.sections;
            return part;
          });
          finish();
        };
        if (FT.registered(key)) return found();
        load(base + pointer.dir + 'manifest.js', found);
      };
      if (global.lexidorTextIndex) return begin();
      load(base + 'textindex.js', begin);
    }

    // The segments' ranked sections as one: best score first, then by
    // section; then the details of the first `limit` of them, each from
    // its own segment, so that no more sections are read than are shown.
    function merge(query, results, limit, done) {
      var total = 0, lost = [], at = results.map(function () { return 0; }), chosen = [];
      var atLeast = false;
      results.forEach(function (r, i) {
        total += r.total;
        atLeast = atLeast || !!r.atLeast;
        lost = lost.concat(parts[i].named(r.missing));
      });
      while (chosen.length < limit) {
        var best = -1;
        for (var i = 0; i < results.length; i++) {
          var r = results[i], k = at[i];
          if (!r.ranked || k >= r.ranked.length) continue;
          if (best < 0 || r.scores[k] > results[best].scores[at[best]]) best = i;
        }
        if (best < 0) break;
        chosen.push([best, at[best]++]);
      }
      var hits = [], left = results.length;
      results.forEach(function (r, i) {
        var mine = chosen.filter(function (c) { return c[0] === i; });
        var ids = mine.map(function (c) { return r.ranked[c[1]]; });
        var finish = function (found, missing) {
          found.forEach(function (h, n) {
            h.score = r.scores[mine[n][1]];
            h.section += parts[i].offset;
            hits.push(h);
          });
          lost = lost.concat(parts[i].named(missing));
          if (--left > 0) return;
          hits.sort(function (a, b) { return b.score - a.score || a.section - b.section; });
          var merged = {query: query, total: total, hits: hits, missing: lost};
          if (atLeast) merged.atLeast = true;
          done(merged);
        };
        if (!ids.length) return finish([], []);
        parts[i].details(ids, r.highlight, finish);
      });
    }

    function search(query, callback, opts) {
      var ticket = ++latest;
      var limit = opts && opts.limit !== undefined ? opts.limit : FT.DEFAULT_LIMIT;
      start(function () {
        if (ticket !== latest) return;
        if (!parts) return callback({query: query, total: 0, hits: [], missing: missing});
        if (parts.length === 1) {
          return parts[0].search(query, function (result) {
            result.missing = parts[0].named(result.missing);
            callback(result);
          }, opts);
        }
        // Each segment ranks its sections; only those shown are read.  (A
        // segment still loads ahead the sections of as many hits as are
        // shown for the next keystroke's likeliest query.)
        var ranking = {}, results = [], left = parts.length;
        for (var key in opts || {}) ranking[key] = opts[key];
        ranking.limit = 0;
        ranking.shown = limit;
        parts.forEach(function (part, i) {
          part.search(query, function (result) {
            results[i] = result;
            if (--left > 0 || ticket !== latest) return;
            merge(query, results, limit, function (merged) {
              if (ticket === latest) callback(merged);
            });
          }, ranking);
        });
      });
    }

    function prefetch(text) {
      start(function () {
        if (parts) parts.forEach(function (part) { part.prefetch(text); });
      });
    }

    return {search: search, prefetch: prefetch};
  }

  FT.create = create;
})(typeof self !== 'undefined' ? self : this);
