// Checks of the pages' full-text search (fulltext.js) over text indexes a
// test has built, each against what the test knows of its pages.
//
//   node fulltext_checks.js property <oracle.json>
//     random queries over small random corpora: the hits are exactly the
//     sections that hold every word (a phrase as a run, the last word as a
//     prefix), best score first; and random query texts never break it;
//   node fulltext_checks.js known <Modules> <oracle.json>
//     each {link, words} section is found in the top 3 by its words;
//   node fulltext_checks.js expect <Modules> <oracle.json>
//     each {query, links} gives exactly those links (in any order), and
//     names as missing exactly the files in `missing` (none when not given);
//   node fulltext_checks.js answers <Modules> [<segments>]
//     every prefix the build answered (the a and b files) gets, for 10
//     hits, what the search gets without the answers: the same hits
//     (sections, scores, rows, marks) in order, the same count (or a bound
//     of it); at once, with no file to wait for, once its first two letters
//     were typed (its first four for a prefix of five or six; on
//     an index of two segments, unless a page indexed again since holds
//     one of its stored hits); the manifest names that many segments;
//   node fulltext_checks.js unpack <file> <text file>
//     the index file, read as a page reads it, unpacks to the text;
//   node fulltext_checks.js same <Modules> <Modules of a full build> <oracle.json>
//     each query of {queries, exact} finds the same sections in both, with
//     the same total, in the same order but for near ties; some hits are of
//     the pages in `exact` (indexed again).
// Prints what failed; exits with 1 when anything did.
'use strict';
const fs = require('fs'), path = require('path'), vm = require('vm');
const {open, pakoInflater, readWindows1252} = require('./fulltext_engine.js');

let failures = 0;
function fail(text) {
  if (failures++ < 20) console.log('FAIL ' + text);
}

// A small seeded generator, so that a failure can be run again.
function random(seed) {
  let s = seed >>> 0 || 1;
  return (n) => {
    s ^= s << 13; s >>>= 0; s ^= s >>> 17; s ^= s << 5; s >>>= 0;
    return s % n;
  };
}

// The engine a Modules folder installed, else the source one (an index
// built in process has no script beside it).
function engineFor(modules) {
  const installed = fs.existsSync(path.join(modules, 'fulltext.js'));
  return open(modules, installed ? undefined : path.join(__dirname, '..', 'app', 'resources',
                                                           'fulltext.js'));
}

function holdsRun(words, run) {
  for (let i = 0; i + run.length <= words.length; i++) {
    if (run.every((w, k) => words[i + k] === w)) return true;
  }
  return false;
}

function property(oracleFile) {
  const corpora = JSON.parse(fs.readFileSync(oracleFile, 'utf8'));
  const scriptFile = path.join(__dirname, '..', 'app', 'resources', 'fulltext.js');
  let queries = 0;
  corpora.forEach((corpus, c) => {
    const engine = open(corpus.modules, scriptFile);
    const next = random(c + 1);
    const pick = (list) => list[next(list.length)];
    for (let q = 0; q < 60; q++) {
      const kind = next(3);  // words, a phrase, words with a prefix
      const count = 1 + next(3);
      const words = [];
      for (let k = 0; k < count; k++) words.push(pick(corpus.vocabulary));
      let text, holds;
      if (kind === 1 && count > 1) {
        text = '"' + words.join(' ') + '"';
        holds = (s) => holdsRun(s.title, words) || holdsRun(s.body, words);
      } else if (kind === 2) {
        const last = words[count - 1];
        const prefix = last.slice(0, 1 + next(last.length));
        text = words.slice(0, -1).concat([prefix]).join(' ');
        holds = (s) => {
          const all = s.title.concat(s.body);
          return words.slice(0, -1).every((w) => all.includes(w)) &&
                 all.some((w) => w.startsWith(prefix));
        };
      } else {
        text = words.join(' ') + ' ';
        holds = (s) => words.every((w) => s.title.includes(w) || s.body.includes(w));
      }
      queries++;
      const result = engine.search(text);
      const want = corpus.sections.filter(holds).map((s) => s.link).sort();
      const got = result.hits.map((h) => h.link).sort();
      if (result.total !== result.hits.length || JSON.stringify(want) !== JSON.stringify(got)) {
        fail(`corpus ${c} ${JSON.stringify(text)}: got ${JSON.stringify(got)}, ` +
             `expected ${JSON.stringify(want)}`);
      }
      for (let k = 1; k < result.hits.length; k++) {
        if (result.hits[k].score > result.hits[k - 1].score) {
          fail(`corpus ${c} ${JSON.stringify(text)}: hit ${k} scores above the one before`);
        }
      }
    }
    // Typed key by key into one engine whose files arrive in later tasks,
    // interleaved with the keystrokes, while it loads (and searches) ahead
    // what the next keystroke may want, and lets go of all but a few postings and files
    // loaded, and decodes and ranks every search in small steps, a task each:
    // every answer is the latest query's and the same as a fresh engine's.
    const queue = [];
    const warm = open(corpus.modules, scriptFile, (f) => queue.push(f),
                      {postings: 8, files: 0, slice: 2}).engine;
    const run = (steps) => { while (steps-- > 0 && queue.length) queue.splice(next(queue.length), 1)[0](); };
    for (let q = 0; q < 20; q++) {
      const words = [];
      for (let k = 1 + next(3); k > 0; k--) words.push(pick(corpus.vocabulary));
      const text = (next(4) ? '' : '"') + words.join(' ');
      let asked = null;
      for (let end = 1; end <= text.length; end++) {
        // As the page asks: a last word of two letters after others is
        // looked for whole (the search made ahead for its first letter
        // gives its ranking).
        const typed = /\s[^\s"]{2}$/.test(text.slice(0, end)) ? text.slice(0, end) + ' ' :
            text.slice(0, end);
        asked = typed;
        warm.search(typed, (r) => {
          queries++;
          const cold = engine.search(typed, 10);
          const got = [r.total].concat(r.hits.map((h) => h.link + ' ' + h.excerpt));
          const want = [cold.total].concat(cold.hits.map((h) => h.link + ' ' + h.excerpt));
          if (typed !== asked) fail(`corpus ${c}: ${JSON.stringify(typed)} answered after ${JSON.stringify(asked)}`);
          if (JSON.stringify(got) !== JSON.stringify(want)) {
            fail(`corpus ${c} typed ${JSON.stringify(typed)}: got ${JSON.stringify(got)}, a fresh engine ${JSON.stringify(want)}`);
          }
        }, {limit: 10});
        // As the page does after each keystroke: a new word's first letter
        // searches ahead the two-letter words it begins.
        warm.prefetch(text.slice(0, end));
        run(next(4));
      }
      run(Infinity);
    }

    // A word's first letter after others searches ahead the two-letter
    // words it begins, and the ranking of that search is kept for the
    // second letter's, or goes on for it when still ranking (a step a
    // task): what it then gives is a fresh engine's.
    const pairs = corpus.vocabulary.filter((w) => w.length === 2);
    for (let q = 0; q < 20 && pairs.length; q++) {
      const later = [], drain = (n) => { while (n-- > 0 && later.length) later.shift()(); };
      const ahead = open(corpus.modules, scriptFile, (f) => later.push(f),
                         {postings: 1e6, files: 1e3, slice: q % 2 ? 1 : undefined}).engine;
      const text = pick(corpus.vocabulary) + ' ' + pick(pairs);
      ahead.prefetch(text.slice(0, -1));
      drain(q % 2 ? next(40) : Infinity);
      let got = null;
      ahead.search(text + ' ', (r) => { got = r; }, {limit: 10});
      drain(Infinity);
      const cold = engine.search(text + ' ', 10);
      queries++;
      if (!got || JSON.stringify(got.hits) !== JSON.stringify(cold.hits) || got.total !== cold.total) {
        fail(`corpus ${c} ${JSON.stringify(text)} after its first letter: got ` +
             `${JSON.stringify(got && got.hits)}, a fresh engine ${JSON.stringify(cold.hits)}`);
      }
    }

    // Any text at all is a query: parsing and searching never throw.
    const chars = ['a', 'b', ' ', '"', '*', '\\', '\u00e9', '\u0000', '\ud800', '(', 'x', '?'];
    for (let q = 0; q < 200; q++) {
      let text = '';
      for (let k = next(12); k > 0; k--) text += pick(chars.concat(corpus.vocabulary));
      try {
        const parsed = engine.parseQuery(text);
        if (parsed.groups.some((g) => !g.words.length || g.words.some((w) => !w))) {
          fail(`query ${JSON.stringify(text)} parses to an empty word`);
        }
        engine.search(text);
      } catch (e) {
        fail(`query ${JSON.stringify(text)}: ${e.stack}`);
      }
    }
  });
  return `${corpora.length} corpora, ${queries} queries`;
}

// Words, prefixes, and words with others, each searched for a few hits
// (a page that reads the words' files in part) and for all of them.
function tiers(oracleFile) {
  const {modules, vocabulary} = JSON.parse(fs.readFileSync(oracleFile, 'utf8'));
  const scriptFile = path.join(__dirname, '..', 'app', 'resources', 'fulltext.js');
  const whole = open(modules, scriptFile);
  const shown = (r, n) => JSON.stringify(r.hits.slice(0, n).map((h) => [h.link, h.score]));
  const bytes = (e) => e.read.reduce((n, [, size]) => n + size, 0);
  let cut = 0, queries = 0, tiered = 0;
  const texts = vocabulary.map((w) => w + ' ').concat(vocabulary.map((w) => w.slice(0, 2)), ['b']);
  for (const text of texts) {
    // More hits than are ever read in part, and the word twice: all its files.
    const all = whole.search(text, 1001), alone = open(modules, scriptFile);
    alone.search(text.trim() + ' ' + text, 10);
    // One engine for every count shown, as "Show 10 more" asks again.
    const part = open(modules, scriptFile);
    for (const limit of [10, 40, 150, 600, 1000]) {
      queries++;
      const r = part.search(text, limit);
      if (limit === 10) {
        const fresh = open(modules, scriptFile);
        fresh.search(text, limit);
        if (bytes(fresh) < bytes(alone)) cut++;
        // Only a stem in tiers has files of further tiers, even read whole.
        const further = alone.read.filter(([file]) => /\/q\d+\.js$/.test(file));
        if (all.total < 256 && text.endsWith(' ') && further.length) {
          fail(`${JSON.stringify(text)}: ${all.total} sections, yet read ${further[0][0]}`);
        }
        if (all.total >= 256) tiered++;
        // The first hits kept with the postings show as their sections' files do.
        const files = open(modules, scriptFile, undefined, {postings: 1e6, files: 64, rows: 0});
        const a = JSON.stringify(r.hits), b = JSON.stringify(files.search(text, limit).hits);
        if (a !== b) fail(`${JSON.stringify(text)}: hits ${a}, from the sections' files ${b}`);
      }
      const pair = (h) => (h ? h.link + ' ' + h.score : 'none');
      const at = all.hits.slice(0, limit).findIndex((h, k) => pair(h) !== pair(r.hits[k]));
      if (at >= 0 || r.hits.length > limit) {
        fail(`${JSON.stringify(text)} shown ${limit}: hit ${at} ${pair(r.hits[at])}, ` +
             `all read ${pair(all.hits[at])}`);
      }
      if (r.atLeast ? r.total > all.total : r.total !== all.total) {
        fail(`${JSON.stringify(text)} shown ${limit}: ${r.atLeast ? 'at least ' : ''}${r.total} ` +
             `found, all read ${all.total}`);
      }
    }
    // The same engine then searches the word with another: read whole.
    const both = text.trim() + ' ' + vocabulary[0] + ' ';
    const r = part.search(both, 10), want = whole.search(both);
    queries++;
    if (r.total !== want.total || shown(r, 10) !== shown(want, 10)) {
      fail(`${JSON.stringify(both)} after ${JSON.stringify(text)}: ${r.total} found, ` +
           `${shown(r, 10)}; all read ${want.total}, ${shown(want, 10)}`);
    }
  }
  if (!cut || !tiered) fail('no word was read in part, or none was in tiers');
  return `${queries} queries, ${cut} read in part`;
}

function known(modules, oracleFile) {
  const engine = open(modules, undefined, undefined, undefined, false);
  const items = JSON.parse(fs.readFileSync(oracleFile, 'utf8'));
  const ranks = [];
  items.forEach((item, k) => {
    const text = k % 2 ? '"' + item.words.join(' ') + '"' : item.words.join(' ');
    const result = engine.search(text, 3);
    const at = result.hits.findIndex((h) => h.link === item.link);
    ranks.push(at);
    if (at < 0) {
      const all = engine.search(text).hits;
      const rank = all.findIndex((h) => h.link === item.link);
      fail(`${JSON.stringify(text)}: ${item.link} ranks ${rank} of ${result.total} ` +
           `(score ${rank >= 0 && all[rank].score.toFixed(2)}), the top 3: ` +
           JSON.stringify(all.slice(0, 3).map((h) => [h.link, h.score.toFixed(2)])));
    }
  });
  // A common word's hits are ranked only as far as they may be shown or
  // ranked again (200): those are the first of all its hits ranked whole.
  // (By the search itself: the build's answers to prefixes hold 10.)
  let long = 0;
  items.forEach((item) => [item.words[0], item.words[0].slice(0, 3)].forEach((text) => {
    const shown = engine.search(text, 10), all = engine.search(text);
    const first = (r) =>
      JSON.stringify(Array.from(r.ranked.slice(0, 200), (id, k) => [id, r.scores[k]]));
    if (shown.total !== all.total || first(shown) !== first(all)) {
      fail(`${JSON.stringify(text)}: ranked in part ${first(shown)}, whole ${first(all)}`);
    }
    if (all.total > 400) long++;
  }));
  if (!long) fail('no word held more hits than are ranked whole');
  return `${items.length} items, ${ranks.filter((r) => r === 0).length} first, ` +
         `${long} words ranked in part`;
}

function expect(modules, oracleFile) {
  const engine = engineFor(modules);
  const items = JSON.parse(fs.readFileSync(oracleFile, 'utf8'));
  items.forEach((item) => {
    const result = engine.search(item.query);
    const got = result.hits.map((h) => h.link).sort();
    const missing = result.missing.map((f) => path.basename(f));
    if (JSON.stringify(got) !== JSON.stringify(item.links.slice().sort()) ||
        JSON.stringify(missing) !== JSON.stringify(item.missing || [])) {
      fail(`${JSON.stringify(item.query)}: got ${JSON.stringify(got)}, expected ` +
           `${JSON.stringify(item.links)}, missing ${JSON.stringify(result.missing)}`);
    }
    result.hits.forEach((h) => h.highlights.forEach(([s, e]) => {
      if (!(s >= 0 && s < e && e <= h.excerpt.length)) fail(`${item.query}: highlight ${s}-${e}`);
    }));
    // The excerpt shown: at most 160 characters and an ellipsis at each end,
    // and "shows" the text it starts with and the first word it marks; "titled"
    // the word marked in the first hit's title.
    result.hits.forEach((h) => {
      if (h.excerpt.length > 162) fail(`${item.query}: excerpt of ${h.excerpt.length}`);
    });
    if (item.titled) {
      const h = result.hits[0], mark = h && h.titleHighlights[0];
      if (!mark || h.title.slice(...mark) !== item.titled) {
        fail(`${item.query}: title ${JSON.stringify(h && h.title)} marks ${JSON.stringify(mark)}`);
      }
    }
    if (item.shows) {
      const h = result.hits[0], mark = h && h.highlights[0];
      const got = h ? [h.excerpt.slice(0, item.shows[0].length), mark && h.excerpt.slice(...mark)] : [];
      if (JSON.stringify(got) !== JSON.stringify(item.shows)) {
        fail(`${item.query}: excerpt ${JSON.stringify(h && h.excerpt)} marks ${JSON.stringify(got)}`);
      }
    }
  });
  return `${items.length} queries`;
}

// A rebuilt index against a full build of the same pages: the same
// sections and total, and the same order but for near ties.  A score is
// kept as a step of 16 ln(1 + score); the sections of pages kept from the
// last full build keep the step it gave them, reckoned over the pages as
// they were then, and the pages indexed again are scored alike, so a score
// may lie a step away from a full build's, and two hits two steps apart
// or less may change places.
function same(modules, fullModules, oracleFile) {
  const rebuilt = engineFor(modules), full = engineFor(fullModules);
  const {queries, exact} = JSON.parse(fs.readFileSync(oracleFile, 'utf8'));
  const steps = (score) => 16 * Math.log(1 + score);
  let again = 0;
  queries.forEach((query) => {
    const a = rebuilt.search(query), b = full.search(query);
    const links = (r) => JSON.stringify(r.hits.map((h) => h.link).sort());
    if (a.total !== b.total || links(a) !== links(b) || a.missing.length) {
      return fail(`${JSON.stringify(query)}: got ${links(a)}, a full build ${links(b)}`);
    }
    again += b.hits.filter((h) => exact.some((page) => h.link.startsWith(page + '#'))).length;
    const at = new Map(a.hits.map((h, k) => [h.link, k]));
    for (let i = 0; i < b.hits.length; i++) {
      for (let j = i + 1; j < b.hits.length; j++) {
        if (steps(b.hits[i].score) - steps(b.hits[j].score) > 2.01 &&
            at.get(b.hits[i].link) > at.get(b.hits[j].link)) {
          fail(`${JSON.stringify(query)}: ${b.hits[j].link} ranks above ${b.hits[i].link}`);
        }
      }
    }
  });
  if (!again) fail('no query found a page indexed again');
  return `${queries.length} queries, ${again} hits of pages indexed again`;
}

function answers(modules, segments) {
  const installed = fs.existsSync(path.join(modules, 'fulltext.js'));
  const script = installed ? undefined : path.join(__dirname, '..', 'app', 'resources', 'fulltext.js');
  const queue = [];
  // Their clocks stand still: a slice ended by a busy machine's time
  // would answer in a later task, not at once.
  const still = () => 0;
  const on = open(modules, script, (f) => queue.push(f), undefined, undefined, still);
  const off = open(modules, script, undefined, undefined, false);
  const drain = () => { while (queue.length) queue.shift()(); };
  on.engine.prefetch('zz');
  drain();
  // The answered prefixes, from the a files of the manifest's first segment.
  const c = on.context, pointer = c.lexidorTextIndex;
  const manifest = c.LexidorFullText.unpack(c.LexidorFullText.registered(pointer.generation + '/m'));
  const parts = manifest.segments || [manifest];
  if (parts.length !== Number(segments || 1)) fail(`${parts.length} segments`);
  const dir = path.join(modules, pointer.dir, parts[0].dir || '');
  const prefixes = [], stored = new Map(), counts = new Map();
  for (const kind of ['a', 'b']) {
    for (let n = 0; n < (parts[0][kind] || []).length / 2; n++) {
      const file = {self: {}};
      file.self = file;
      vm.runInContext(readWindows1252(path.join(dir, `${kind}${n}.js`)), vm.createContext(file));
      const fields = JSON.parse(c.LexidorUnpack.text(file.lexidorText[0].z));
      fields.t.forEach((prefix, k) => {
        stored.set(prefix, fields.a[k].filter((x, i) => i % 2));
        counts.set(prefix, Math.abs(fields.a[k][0]));
      });
      prefixes.push(...fields.t);
    }
  }
  // Whether a page indexed again since holds one of a prefix's stored hits.
  const mask = parts[0].mask || [];
  const masked = (prefix) => stored.get(prefix).some((id) => {
    for (let i = 0; i + 1 < mask.length; i += 2) if (id >= mask[i] && id < mask[i + 1]) return true;
    return false;
  });
  if (!prefixes.length) fail('no answered prefix');
  // A prefix of five or six letters is answered only where it shows a hit
  // its nearest answered shorter one does not.
  let longer = 0;
  const shorterOf = new Map();
  for (const prefix of prefixes.filter((p) => p.length > 4)) {
    longer++;
    let n = prefix.length - 1;
    while (n > 0 && !stored.has(prefix.slice(0, n))) n--;
    if (n > 0) shorterOf.set(prefix, prefix.slice(0, n));
    const shorter = n > 0 ? stored.get(prefix.slice(0, n)) : [];
    if (n > 0 && stored.get(prefix).every((id) => shorter.includes(id))) {
      fail(`${JSON.stringify(prefix)} shows what ${JSON.stringify(prefix.slice(0, n))} shows`);
    }
  }
  if (!longer) fail('no answered prefix of five letters or more');
  // They are the most common: as many as one per 200 sections at most,
  // each holding as many sections at least.
  const share = Math.max(1, Math.floor(parts[0].sections / 200));
  if (longer > share) fail(`${longer} prefixes of five or six answered, not ${share} at most`);
  for (const prefix of prefixes.filter((p) => p.length > 4 && counts.get(p) < share)) {
    fail(`${JSON.stringify(prefix)} answered, of ${counts.get(prefix)} sections`);
  }
  const shown = (r) => JSON.stringify(r.hits.map((h) => [h.section, h.score, h.link, h.title,
    h.excerpt, h.highlights, h.titleHighlights]));
  let atOnce = 0, fresh = 0;
  for (const prefix of prefixes) {
    const want = off.search(prefix, 10);
    // A hit of the second segment's is typed on a page of its own: the
    // files one prefix loads must not be what lets the next answer at once.
    const own = want.hits.some((h) => h.section >= parts[0].sections);
    const typed = own ? open(modules, script, (f) => queue.push(f), undefined, undefined, still) : on;
    fresh += own;
    // A word's first two letters load the answers of its third and fourth,
    // its first four those of its fifth and sixth, whose rows leave out
    // those of the nearest answered shorter prefix, typed before.
    typed.engine.prefetch(prefix.slice(0, prefix.length > 4 ? 4 : 2));
    drain();
    if (shorterOf.has(prefix)) {
      typed.engine.search(shorterOf.get(prefix), () => {}, {limit: 10});
      drain();
    }
    let got = null;
    typed.engine.search(prefix, (r) => { got = r; }, {limit: 10});
    if (got) atOnce++;
    else if (!masked(prefix)) fail(`${JSON.stringify(prefix)} waited for files`);
    drain();
    if (!got || shown(got) !== shown(want)) {
      fail(`${JSON.stringify(prefix)}: ${got && shown(got)}; without answers ${shown(want)}`);
      continue;
    }
    // An exact count is the count; a bound lies on its side of one.
    const total = (r) => (r.atLeast ? 'at least ' : '') + r.total;
    if (got.atLeast && want.atLeast ? false : got.atLeast ? got.total > want.total :
        want.atLeast ? got.total < want.total : got.total !== want.total) {
      fail(`${JSON.stringify(prefix)}: ${total(got)} found; without answers ${total(want)}`);
    }
  }
  return `${prefixes.length} prefixes (${longer} of five or six), ${atOnce} answered at once, ` +
      `${fresh} on a fresh page`;
}

function unpack(file, textFile) {
  const context = {TextDecoder};
  context.self = context;
  vm.createContext(context);
  const unpacker = path.join(__dirname, '..', 'app', 'resources', 'unpack.js');
  for (const script of [pakoInflater(), unpacker]) {
    vm.runInContext(fs.readFileSync(script, 'latin1'), context, {filename: script});
  }
  vm.runInContext(readWindows1252(file), context, {filename: file});
  const want = fs.readFileSync(textFile, 'latin1');
  let got = null;
  try {
    got = context.LexidorUnpack.text(context.lexidorText[0].z);
  } catch (e) {
    fail(`${file}: ${e.message}`);
  }
  if (got !== null && got !== want) {
    fail(`${file}: unpacked ${got.length} characters, not ${want.length}`);
  }
  return `${want.length} characters unpacked`;
}

const [mode, ...args] = process.argv.slice(2);
const modes = {property, tiers, known, expect, same, answers, unpack};
const summary = (modes[mode] || expect)(...args);
console.log((failures ? 'failed ' + failures + ', ' : 'ok, ') + summary);
process.exit(failures ? 1 : 0);
