// Runs the pages' full-text search script (fulltext.js) in node over an
// installed text index, loading its files the way <script> would: each
// file is run in the page's global scope, then its load is reported.
//
//   node fulltext_engine.js <Modules folder> <query> [<query> ...]
// prints one JSON result per query; as a module, open(modules) gives a
// search function that answers at once.  open(modules, script, later) runs
// each load, and the engine's own timers, through `later` instead, as a
// page's loads come in later tasks (`engine` is then the script's own).
// `held` ({postings, files}) bounds what its segments keep decoded;
// `answers` false searches prefixes without the build's answers to them.
'use strict';
const fs = require('fs'), vm = require('vm'), path = require('path');

// An index file's text as a page reads it: its script element's charset is
// windows-1252, Latin-1 but for 0x80-0x9F (node's own decoder takes it
// for Latin-1 throughout).
const WINDOWS_1252 = '\u20ac\x81\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160' +
    '\u2039\u0152\x8d\u017d\x8f\x90\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc' +
    '\u2122\u0161\u203a\u0153\x9d\u017e\u0178';
function readWindows1252(file) {
  return fs.readFileSync(file, 'latin1').replace(/[\x80-\x9f]/g,
      (c) => WINDOWS_1252[c.charCodeAt(0) - 0x80]);
}

// Debian's node-pako, where node's own search may not look.
function pakoInflater() {
  try {
    return require.resolve('pako/dist/pako_inflate.min.js');
  } catch (e) {
    return '/usr/share/nodejs/pako/dist/pako_inflate.min.js';
  }
}

function open(modules, scriptFile, later, held, answers, clock) {
  const context = {console, TextDecoder};
  if (later) context.setTimeout = (f) => later(f);
  // The engine's clock, which ends a slice of its work after a few
  // milliseconds: a check of what is answered at once gives one that
  // stands still, so that a busy machine does not end a slice first.
  if (clock) context.performance = {now: clock};
  context.self = context;
  vm.createContext(context);
  const run = (file, text) => vm.runInContext(
      text === undefined ? fs.readFileSync(file, 'latin1') : text, context, {filename: file});
  // The installed script, or a source one with pako and the unpacker.
  if (scriptFile) {
    run(pakoInflater());
    run(path.join(path.dirname(scriptFile), 'unpack.js'));
    run(path.join(path.dirname(scriptFile), 'text_query.js'));
    run(path.join(path.dirname(scriptFile), 'text_rank.js'));
  }
  run(scriptFile || path.join(modules, 'fulltext.js'));
  if (scriptFile) run(path.join(path.dirname(scriptFile), 'text_segments.js'));
  const read = [];
  const engine = context.LexidorFullText.create({
    base: modules + '/',
    held,
    answers,
    load(url, done) {
      const loaded = () => {
        let ok = true;
        try {
          run(url, readWindows1252(url));
          read.push([url, fs.statSync(url).size]);
        } catch (e) {
          ok = false;
        }
        done(ok);
      };
      if (later) later(loaded); else loaded();
    },
  });
  return {
    search(query, limit) {
      let result = null;
      engine.search(query, (r) => { result = r; }, {limit: limit === undefined ? 1e9 : limit});
      if (!result) throw new Error('no answer for ' + JSON.stringify(query));
      return result;
    },
    engine,
    parseQuery: context.LexidorFullText.parseQuery,
    wordsOf: context.LexidorFullText.wordsOf,
    context,
    read,
  };
}

module.exports = {open, pakoInflater, readWindows1252};

if (require.main === module) {
  const [modules, ...queries] = process.argv.slice(2);
  const engine = open(modules);
  for (const q of queries) {
    const r = engine.search(q, 10);
    console.log(JSON.stringify({query: q, total: r.total, missing: r.missing,
      hits: r.hits.map((h) => [h.title, h.link, h.excerpt.slice(0, 60), h.highlights, h.score])}));
  }
}
