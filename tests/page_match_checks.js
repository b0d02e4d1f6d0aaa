// The search pages' scans over a part's texts (search_match.js) against the
// same rules applied name by name, on random lists and queries: the name
// groups of FindInPart against MatchName, and the capitals of CapitalsText
// and the abbreviation group against each name's capitals worked out alone.
// Prints each disagreement and exits with status 1 if there is one.
//
// Usage: node page_match_checks.js PAGES_SOURCE_DIR
'use strict';
const fs = require('fs');
const path = require('path');
const vm = require('vm');

const context = { document: { write() {} }, listFolder: '', window: {} };
vm.createContext(context);
for (const f of ['search_lists.js', 'search_values.js', 'search_links.js', 'search_match.js']) {
  vm.runInContext(fs.readFileSync(path.join(process.argv[2], f), 'utf8'), context, { filename: f });
}

// A fixed sequence, so that a failure repeats.
let seed = 20261210;
function Below(n) {
  seed = (seed * 1103515245 + 12345) % 2147483648;
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
for (const f of failures) console.log(f);
process.exit(failures.length ? 1 : 0);
