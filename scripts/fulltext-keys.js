// The pages' text search typed key by key in node, on a clock of its own:
// every index file takes LATENCY ms to load (files load side by side), the
// engine's own work takes no time, keystrokes come 120 ms apart.  What it
// gives does not depend on the machine's load: per keystroke, how long its
// text results wait for files, and the bytes of the files a query loads
// (the page's prefetches included).  The longest task is given by the clock
// and by the CPU time it took, which a loaded machine sways less.
//
//   node scripts/fulltext-keys.js MODULES_DIR [--latency=25] [--script=fulltext.js] QUERY...
//
// Each query is typed on a fresh engine after the manifest is in, as on a
// freshly loaded page; the page's rules decide what each keystroke asks
// of the text (app/pages/search_text.js, TextQueryOf: fewer than two
// letters search nothing but prefetch, nor does a last word's first letter,
// a last word of two letters is looked for whole).
'use strict';
const fs = require('fs'), vm = require('vm'), path = require('path');

const args = process.argv.slice(2);
const modules = args.shift();
let latency = 25, scriptFile = path.join(modules, 'fulltext.js');
const queries = [];
for (const a of args) {
  if (a.startsWith('--latency=')) latency = Number(a.slice(10));
  else if (a.startsWith('--script=')) scriptFile = a.slice(9);
  else queries.push(a);
}

// The clock and its events.
let now = 0, seq = 0, longest = 0, longestCpu = 0;
const events = [];
function at(t, fn, label) {
  events.push({t, n: seq++, fn, label});
  events.sort((a, b) => a.t - b.t || a.n - b.n);
}
function runUntil(t) {
  while (events.length && events[0].t <= t) {
    const e = events.shift();
    now = e.t;
    const t0 = process.hrtime.bigint(), c0 = process.cpuUsage();
    e.fn();
    const took = Number(process.hrtime.bigint() - t0) / 1e6, cpu = process.cpuUsage(c0);
    longest = Math.max(longest, took);
    longestCpu = Math.max(longestCpu, (cpu.user + cpu.system) / 1000);
    if (process.env.VERBOSE && took > 20) {
      console.log(`  task ${e.label || 'timer'}: ${took.toFixed(1)} ms, ` +
                  `${((cpu.user + cpu.system) / 1000).toFixed(1)} ms of CPU time`);
    }
  }
  now = t;
}

// How a page reads an index file (windows-1252) and where pako lies, as
// the engine's node harness does.
const {pakoInflater, readWindows1252} = require('../tests/fulltext_engine.js');

// The page's rule: what a typed text asks of the text search.
function textQueryOf(typed) {
  let text = typed.replace(/^[\s*]+/, '').replace(/\*+$/, '').replace(/\*/g, ' ');
  if (text.replace(/[\s"]/g, '').length < 2) return null;
  if (/[^\s"][\s"]+[^\s"]$/.test(text)) text = text.slice(0, -1);
  return /(^|[\s"])[^\s"]{1,2}$/.test(text) ? text + ' ' : text;
}

function fresh() {
  const context = {console, TextDecoder};
  context.self = context;
  context.setTimeout = (fn, ms) => at(now + (ms || 0), fn);
  vm.createContext(context);
  const run = (file, text) => vm.runInContext(
      text === undefined ? fs.readFileSync(file, 'latin1') : text, context, {filename: file});
  if (!scriptFile.startsWith(modules)) {
    run(pakoInflater());
    run(path.join(path.dirname(scriptFile), 'unpack.js'));
    run(path.join(path.dirname(scriptFile), 'text_query.js'));
    run(path.join(path.dirname(scriptFile), 'text_rank.js'));
  }
  run(scriptFile);
  if (!scriptFile.startsWith(modules)) run(path.join(path.dirname(scriptFile), 'text_segments.js'));
  const read = [];
  const engine = context.LexidorFullText.create({
    base: modules + '/',
    load(url, done) {
      at(now + latency, () => {
        let ok = true;
        try {
          run(url, readWindows1252(url));
          read.push([url, fs.statSync(url).size, now]);
        } catch (e) {
          ok = false;
        }
        done(ok);
      }, path.basename(url));
    },
  });
  return {engine, read};
}

const waits = [], firsts = [], bytes = [], work = [];
const kinds = {};  // kind of file -> [bytes, files] over all queries
let superseded = 0;
for (const q of queries) {
  const {engine, read} = fresh();
  engine.search('', () => {});
  runUntil(now + 1000);
  const start = now;
  let wanted = null;
  const asked = [];
  for (let k = 1; k <= q.length; k++) {
    runUntil(start + (k - 1) * 120);
    const typed = q.slice(0, k), text = textQueryOf(typed);
    if (text === null || /(^|[\s"*])[^\s"*]$/.test(typed)) {
      if (engine.prefetch) engine.prefetch(typed.replace(/\*/g, ' '));
    }
    if (text === null) {
      wanted = null;
      continue;
    }
    if (text === wanted) continue;
    wanted = text;
    const entry = {text, asked: now, answered: null};
    asked.push(entry);
    const t0 = process.hrtime.bigint();
    engine.search(text, (r) => { entry.answered = now; entry.total = r.total; }, {limit: 10});
    work.push(Number(process.hrtime.bigint() - t0) / 1e6);
    longest = Math.max(longest, work[work.length - 1]);
    if (process.env.VERBOSE && work[work.length - 1] > 10) console.log(`  ${JSON.stringify(text)}: ${work[work.length - 1].toFixed(1)} ms of engine work`);
  }
  runUntil(now + 5000);
  asked.forEach((e, k) => {
    if (e.answered === null) { superseded++; return; }
    (k === 0 ? firsts : waits).push(e.answered - e.asked);
  });
  bytes.push(read.reduce((n, r) => n + r[1], 0));
  read.forEach(([url, size]) => {
    const kind = path.basename(url).replace(/^x?([abdpqs]).*|^(manifest|textindex).*/, '$1$2');
    kinds[kind] = kinds[kind] || [0, 0];
    kinds[kind][0] += size;
    kinds[kind][1]++;
  });
  if (process.env.VERBOSE) {
    console.log(q, Math.round(bytes[bytes.length - 1] / 1000) + ' KB');
    asked.forEach((e, k) => {
      const until = k + 1 < asked.length ? asked[k + 1].asked : Infinity;
      const files = (from, to) => read.filter((r) => r[2] > from && r[2] <= to).map((r) => path.basename(r[0], '.js'));
      console.log(`  ${JSON.stringify(e.text)}: ${e.answered === null ? '-' : e.answered - e.asked} ms, ` +
                  `${e.total} found; waited for ${files(e.asked, e.answered)}; then ${files(e.answered, until)}`);
    });
  }
}
const sorted = (a) => a.slice().sort((x, y) => x - y);
const p = (a, f) => sorted(a)[Math.min(a.length - 1, Math.max(0, Math.ceil(f * a.length) - 1))];
const zero = waits.filter((w) => w === 0).length;
console.log(`keys:    ${queries.length} queries typed key by key in node, each file ${latency} ms to load:`);
console.log(`         first text results wait median ${p(firsts, 0.5)} ms, max ${p(firsts, 1)} ms`);
console.log(`         further keystrokes wait median ${p(waits, 0.5)} ms, p95 ${p(waits, 0.95)} ms; ` +
            `${zero} of ${waits.length} answered at once (${superseded} superseded)`);
const rounds = [];
waits.forEach((w) => { const r = Math.round(w / latency); rounds[r] = (rounds[r] || 0) + 1; });
console.log(`         further keystrokes by rounds of loads waited for (0, 1, 2, ...): ` +
            Array.from(rounds, (n) => n || 0).join(' / '));
console.log(`         bytes per query median ${(p(bytes, 0.5) / 1000).toFixed(0)} KB, ` +
            `max ${(p(bytes, 1) / 1000).toFixed(0)} KB; engine work per search call median ` +
            `${p(work, 0.5).toFixed(1)} ms, max ${p(work, 1).toFixed(1)} ms; longest task of the engine's ` +
            `${longest.toFixed(1)} ms (${longestCpu.toFixed(1)} ms of CPU time)`);
console.log('         per query, mean: ' + Object.keys(kinds).sort().map((k) =>
  `${k} ${(kinds[k][0] / queries.length / 1000).toFixed(0)} KB in ` +
  `${(kinds[k][1] / queries.length).toFixed(1)} files`).join(', '));
