// The search pages' scans over a part's texts (search_match.js) against the
// same rules applied name by name, on random lists and queries: the name
// groups of FindInPart against MatchName, and the capitals of CapitalsText
// and the abbreviation group against each name's capitals worked out alone.
// Then parts whose rows share links, modules and arguments, before and after
// they are compacted into the shared tables (search_values.js): every row
// reads back as written, and the module scope and the arguments group find
// the rows that hold the text.
// And a large kit's first slice of a search against the whole search.
// Prints each disagreement and exits with status 1 if there is one.
//
// Usage: node page_match_checks.js PAGES_SOURCE_DIR
'use strict';
const fs = require('fs');
const path = require('path');
const vm = require('vm');

const context = { document: { write() {} }, listFolder: '', window: {}, setTimeout() {} };
vm.createContext(context);
for (const f of ['search_lists.js', 'search_values.js', 'search_links.js', 'search_match.js']) {
  vm.runInContext(fs.readFileSync(path.join(process.argv[2], f), 'utf8'), context, { filename: f });
}

// A fixed sequence, so that a failure repeats.
let seed = 20261210;
function Below(n) {
  seed = (Math.imul(seed, 1103515245) + 12345) & 0x7fffffff;
  return Math.floor((seed / 2147483648) * n);
}

// A name's capitals, one name at a time: the first character and every
// capital letter after a character that is not one, and a character after
// an underscore, upper-cased.
function Capitals(name) {
  let caps = name.charAt(0).toUpperCase();
  for (let k = 1; k < name.length; k++) {
    const c = name.charAt(k), before = name.charAt(k - 1);
    const capital = c >= 'A' && c <= 'Z' && !(before >= 'A' && before <= 'Z');
    if (capital || (before === '_' && c !== '_')) caps += c.toUpperCase();
  }
  return caps;
}

const letters = 'abcAB_1\u00df\u0149';
const failures = [];
for (let trial = 0; trial < 4000 && failures.length < 5; trial++) {
  const count = 1 + Below(30), names = [];
  for (let i = 0; i < count; i++) {
    let name = '';
    for (let n = Below(10); n > 0; n--) name += letters[Below(letters.length)];
    names.push(name);
  }
  let typed = '';
  for (let n = 1 + Below(6); n > 0; n--) typed += '**abcAB'[Below(7)];
  const result = vm.runInContext(`(function (names, typed) {
    partSize = names.length; total = names.length; groupBuffers = null;
    var part = MakePart(0, ColumnText(names, total), ColumnText([], total), ColumnText([], total), null, total);
    PartCapitals(part);
    var pat = Pattern(typed), counts = [0, 0, 0, 0, 0], groups = Groups(), found = [], want = [];
    FindInPart(part, pat, 0, groups, counts);
    for (var g = 0; g < 3; g++) for (var h = 0; h < counts[g]; h++) found.push(g + ":" + (groups[g][h] >> 1));
    for (var g = 0; g < 3; g++) {
      for (var i = 0; i < total; i++) {
        var upper = names[i].toUpperCase(), m = pat.pieces.length ? MatchName(upper, pat) : null;
        if (m && (m[0] > 0 ? 2 : m[1] == upper.length ? 0 : 1) == g) want.push(g + ":" + i);
      }
    }
    var abbreviations = [];
    if (pat.abbrev != null) {
      AbbreviationsInPart(part, pat, 0, groups, counts);
      for (var h = 0; h < counts[3]; h++) abbreviations.push(groups[3][h] >> 1);
    }
    return { found: found.join(), want: want.join(), caps: part.caps, abbrev: pat.abbrev, abbreviations: abbreviations.join() };
  })`, context)(names, typed);
  const what = JSON.stringify(typed) + ' in ' + JSON.stringify(names);
  if (result.found !== result.want) failures.push(what + ': found ' + result.found + ', by name ' + result.want);
  const caps = names.map(Capitals);
  if (result.caps !== '\n' + caps.join('\n') + '\n') failures.push(JSON.stringify(names) + ': capitals ' + JSON.stringify(result.caps));
  if (result.abbrev != null) {
    const want = [];
    names.forEach((name, i) => {
      let k = 0;
      for (const c of caps[i]) if (k < result.abbrev.length && c === result.abbrev[k]) k++;
      if (k === result.abbrev.length && name.toUpperCase().indexOf(result.abbrev) === -1) want.push(i);
    });
    if (result.abbreviations !== want.join()) failures.push(what + ': abbreviations ' + result.abbreviations + ', by name ' + want.join());
  }
}
// Parts of up to 40 rows, three at a time in one set of tables, so that
// later parts share values with earlier ones; a page's anchor is the
// command's name, another anchor or none, and a "#" may lie in a folder.
const bits = ['a', 'B', '#', '/', '\u00df', '(', ':'];
function Word(n) {
  let w = '';
  for (let k = Below(n); k > 0; k--) w += bits[Below(bits.length)];
  return w;
}
for (let trial = 0; trial < 300 && failures.length < 5; trial++) {
  const size = 1 + Below(40), sets = [];
  for (let k = 0; k < 3; k++) {
    const rows = { names: [], links: [], modules: [], args: [] };
    const count = k == 2 ? 1 + Below(size) : size;
    for (let i = 0; i < count; i++) {
      const name = Word(5), page = '/d' + Below(6) + '/' + Word(3);
      rows.names.push(name);
      rows.links.push([page + '#' + name, page + '#' + Word(3), page][Below(3)]);
      rows.modules.push('m' + Below(5) + Word(2));
      rows.args.push(Below(2) ? '' : '(' + Word(4) + ')');
    }
    sets.push(rows);
  }
  const typed = ['a', 'B', '(', 'A#', 'ss', ''][Below(6)];
  const result = vm.runInContext(`(function (sets, typed) {
    partSize = sets[0].names.length; total = partSize * 2 + sets[2].names.length;
    groupBuffers = null; parts = []; compacting = [];
    // Tables made small, so that they grow and rehash within a few rows.
    function Small(table) {
      table.slots = new Int32Array(2);
      ["textOf", "at", "size", "hashes"].forEach(function (f) { table[f] = new Int32Array(1); });
      return table;
    }
    pageTable = Small(ValueTable()); moduleTable = Small(ValueTable()); argsTable = Small(ValueTable());
    sets.forEach(function (s, k) {
      AddPart(k, ColumnText(s.names, s.names.length), ColumnText(s.links, s.names.length),
        ColumnText(s.modules, s.names.length), ColumnText(s.args, s.names.length));
    });
    function Read() {
      var rows = [], found = [];
      var scoped = Pattern(typed + ":*"), plain = Pattern(typed);
      parts.forEach(function (part, k) {
        for (var j = 0; j < part.count; j++) {
          rows.push([LinkOf(part, j), ModuleOf(part, j), ArgsOf(part, j)].join("|"));
        }
        var counts = [0, 0, 0, 0, 0], groups = Groups();
        FindInScope(part, scoped, 0, groups, counts);
        if (plain.plain) ArgumentsInPart(part, plain, 0, groups, counts);
        for (var g = 0; g < 5; g++) {
          for (var h = 0; h < counts[g]; h++) found.push(g + ":" + (groups[g][h] >> 1));
        }
      });
      return { rows: rows, found: found.join() };
    }
    var before = Read();
    CompactSome(Infinity);
    return {
      before: before, after: Read(), left: compacting.length, kept: [pageTable.n, moduleTable.n, argsTable.n].join(),
      compacted: parts.every(function (p) { return p.linkRef && p.moduleRef && p.argsRef; })
    };
  })`, context)(sets, typed);
  const what = JSON.stringify(typed) + ' in ' + JSON.stringify(sets);
  const written = [];
  sets.forEach((s) => s.names.forEach((n, i) => written.push([s.links[i], s.modules[i], s.args[i]].join('|'))));
  // By row: the scope in the module; the text in the arguments, not in the name.
  const want = [], wantArgs = [], t = typed.toUpperCase();
  sets.forEach((s, k) => {
    s.names.forEach((n, i) => {
      if (s.modules[i].toUpperCase().includes(t)) want.push(k * size + i);
      const inArgs = t !== '' && s.args[i].toUpperCase().includes(t);
      if (inArgs && !n.toUpperCase().includes(t)) wantArgs.push(k * size + i);
    });
  });
  if (!result.compacted || result.left) failures.push(what + ': not compacted');
  // Each value once: a link's page without an anchor that is the name.
  const distinct = (f) => new Set([].concat(...sets.map(f))).size;
  const page = (s, l, i) => (l.endsWith('#' + s.names[i]) && s.names[i] !== '' ? l.slice(0, -s.names[i].length - 1) : l);
  const kept = [distinct((s) => s.links.map((l, i) => page(s, l, i))), distinct((s) => s.modules),
    distinct((s) => s.args)].join();
  if (result.kept !== kept) failures.push(what + ': values kept ' + result.kept + ', distinct ' + kept);
  for (const side of ['before', 'after']) {
    if (JSON.stringify(result[side].rows) !== JSON.stringify(written)) {
      failures.push(what + ': rows read ' + side + ' compacting: ' + JSON.stringify(result[side].rows));
    }
  }
  if (result.before.found !== result.after.found) {
    failures.push(what + ': found ' + result.before.found + ' before compacting, ' + result.after.found + ' after');
  }
  const hits = result.after.found.split(',').filter((x) => x !== '');
  const rowsOf = (hit) => hits.filter(hit).map((x) => +x.split(':')[1]).sort((a, b) => a - b).join();
  const scopedRows = rowsOf((x) => !x.startsWith('4:')), argsRows = rowsOf((x) => x.startsWith('4:'));
  if (scopedRows !== want.join()) failures.push(what + ': scope found ' + scopedRows + ', by module ' + want);
  // ("ss" is also an abbreviation: its arguments group leaves out names whose capitals hold it.)
  if (typed !== 'ss' && argsRows !== wantArgs.join()) {
    failures.push(what + ': arguments found ' + argsRows + ', by row ' + wantArgs);
  }
}

// A large kit's first slice, which may end once the parts holding the
// names of the text's initial are seen and give a screen of names that are
// or start with the text: those first rows are those of the whole search.
let stoppedEarly = 0;
for (let trial = 0; trial < 400 && failures.length < 5; trial++) {
  const size = 1 + Below(30), count = 2 + Below(4), names = [];
  for (let i = 0; i < size * count; i++) {
    let name = 'aAbB'[Below(4)];
    for (let n = Below(5); n > 0; n--) name += 'abAB1'[Below(5)];
    names.push(name);
  }
  let typed = 'abAB'[Below(4)];
  for (let n = Below(2); n > 0; n--) typed += 'abAB'[Below(4)];
  if (Below(2)) typed += '*';
  const rows = 1 + Below(8);
  const result = vm.runInContext(`(function (names, size, count, typed, rows) {
    partSize = size; total = names.length; groupBuffers = null; listBuffers = [null, null];
    // Only the screen of names may end this slice here, not its time: a
    // slice cut short by a busy machine shows rows that are not yet final.
    var slice = firstSliceMillis;
    largeKit = true; parts = []; firstSliceMillis = Infinity;
    firstCommands = { rowFiles: count, heads: [] };
    for (var k = 0; k < count; k++) {
      var own = names.slice(k * size, (k + 1) * size), heads = "";
      for (var i = 0; i < own.length; i++) if (heads.indexOf(own[i].charAt(0)) == -1) heads += own[i].charAt(0);
      firstCommands.heads[k] = heads;
      parts[k] = MakePart(k, ColumnText(own, size), ColumnText([], size), ColumnText([], size), null, size);
    }
    var first = Find({ search: true, text: typed }, rows), shown = Array.from(first.list.slice(0, Math.min(first.n, rows)));
    var early = !first.done;
    while (!first.done) first.done = Scan(first, Infinity);
    var end = FinalList(first), n = first.counts.reduce(function (a, b) { return a + b; }, 0);
    largeKit = false; firstSliceMillis = slice;
    return { early: early, shown: shown.join(), end: Array.from(end.slice(0, Math.min(n, rows))).join() };
  })`, context)(names, size, count, typed, rows);
  if (result.early) stoppedEarly++;
  if (result.shown !== result.end) {
    failures.push(JSON.stringify(typed) + ' in ' + JSON.stringify(names) + ', parts of ' + size + ', ' + rows +
                  ' rows: first slice showed ' + result.shown + ', the whole search ' + result.end);
  }
}
if (stoppedEarly == 0) failures.push('no first slice ended early');

// A longer text typed after a shorter one looks only through the rows the
// shorter found: the same list, counts and exact matches as a whole search,
// with names, capitals and arguments, in parts, compacted or not.
let narrowed = 0;
const syllables = ['ab', 'Cd', 'e', 'F_', '\u00dfa', 'Gh', 'AB', 'cd'];
function Syllables(n) {
  let w = '';
  for (let k = n; k > 0; k--) w += syllables[Below(syllables.length)];
  return w;
}
for (let trial = 0; trial < 600 && failures.length < 5; trial++) {
  const size = 1 + Below(20), count = 1 + Below(3), names = [], args = [];
  for (let i = 0; i < size * count; i++) {
    names.push(Syllables(Below(4)));
    args.push(Below(2) ? '' : '(' + Syllables(1 + Below(3)) + ')');
  }
  // A text that some name, capitals or arguments hold, or that a name is,
  // typed in either case, and a shorter start of it.
  const name = names[Below(names.length)];
  const from = [name, name, Capitals(name), args[Below(args.length)]][Below(4)];
  const at = Below(from.length + 1);
  let longer = from.slice(at, at + 2 + Below(4));
  if (Below(3) == 0) longer = longer.toLowerCase();
  if (Below(5) == 0) longer += ' ';
  if (longer.length < 2) continue;
  const typed = longer.slice(0, 1 + Below(longer.length - 1));
  const result = vm.runInContext(`(function (names, args, size, count, typed, longer, compact) {
    partSize = size; total = names.length; groupBuffers = null; listBuffers = [null, null];
    parts = []; compacting = []; largeKit = false;
    pageTable = ValueTable(); moduleTable = ValueTable(); argsTable = ValueTable();
    for (var k = 0; k < count; k++) {
      var own = names.slice(k * size, (k + 1) * size);
      AddPart(k, ColumnText(own, size), ColumnText([], size), ColumnText([], size), ColumnText(args.slice(k * size, (k + 1) * size), size));
    }
    if (compact) CompactSome(Infinity);
    var Rows = function (r) { return [Array.from(r.list.slice(0, r.n)).join(), r.counts.join(), r.exact, r.done].join(" | "); };
    var shown = Find({ search: true, text: typed }, 10, null);
    var narrows = Narrows(shown, Pattern(longer));
    var fast = Rows(Find({ search: true, text: longer }, 10, shown));
    return { narrows: narrows, fast: fast, whole: Rows(Find({ search: true, text: longer }, 10, null)) };
  })`, context)(names, args, size, count, typed, longer, Below(2) == 1);
  if (result.narrows) narrowed++;
  if (result.fast !== result.whole) {
    failures.push(JSON.stringify(longer) + ' after ' + JSON.stringify(typed) + ' in ' + JSON.stringify(names) + ', ' +
                  JSON.stringify(args) + ': narrowed ' + result.fast + ', whole search ' + result.whole);
  }
}
if (narrowed < 100) failures.push('only ' + narrowed + ' searches narrowed');

for (const f of failures) console.log(f);
process.exit(failures.length ? 1 : 0);
