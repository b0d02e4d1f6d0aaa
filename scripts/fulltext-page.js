// The text search of the installed pages in headless Chromium, from file://
// (run by scripts/fulltext-bench on a kit it has built):
//
//   node scripts/fulltext-page.js CHROMIUM DOCS_HTML_DIR QUERY...
//
// For each query, on a freshly loaded commands page (cold: only the
// pointer, the engine and the index's manifest are in, as after any page
// load), the query is typed key by key, 120 ms apart, and each keystroke is
// timed from its keydown to the text group drawn for it and painted, and
// to the text search starting, once the names are drawn.  The
// first figure is the first keystroke that asks for text (two letters);
// the rest are the keystrokes after it.  The bytes of the text index's
// script files the page loaded for the query (pointer and manifest
// included) are summed from their sizes on disk.  Then one page takes all
// the queries in turn, and the JavaScript heap is measured after a
// collection.  Long tasks (50 ms or more) are noted throughout, by the wall
// clock and, while the fresh pages are typed into, by the page thread's CPU
// time; and for each further keystroke the rounds of loads it waited for, and
// for those answered from files already in the CPU time of their task and frame.
'use strict';
const fs = require('fs');
const path = require('path');
const { Browser } = require('../tests/page_driver.js');

const [chromium, docs, ...queries] = process.argv.slice(2);
const page = 'file://' + path.join(docs, 'Modules/commands.html');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Runs before the page's scripts: keydown times, the moments the text group
// is painted (the frame after it is drawn), and long tasks.
const probe = `
window.__bench = { keys: [], drawn: [], tasks: [], runs: [], answered: [] };
new PerformanceObserver((list) => {
  for (const e of list.getEntries()) __bench.tasks.push([e.startTime, e.duration]);
}).observe({ type: 'longtask', buffered: true });
document.addEventListener('keydown', (e) => { __bench.keys.push(performance.now()); }, true);
// Each text index file asked for: when its script was added and loaded.
__bench.files = [];
const append = Node.prototype.appendChild;
Node.prototype.appendChild = function (el) {
  if (el && el.tagName === 'SCRIPT' && /textindex\\//.test(el.src)) {
    const file = [performance.now(), null];
    __bench.files.push(file);
    el.addEventListener('load', () => { file[1] = performance.now(); });
    el.addEventListener('error', () => { file[1] = performance.now(); });
  }
  return append.call(this, el);
};
document.addEventListener('DOMContentLoaded', () => {
  // When the text search starts: the names are drawn before it.
  const run = window.RunText;
  if (run) window.RunText = function () { __bench.runs.push(performance.now()); return run.apply(this, arguments); };
  // A search started before the names are searched.
  const early = window.TextEarly;
  if (early) {
    window.TextEarly = function () {
      const t = performance.now(), r = early.apply(this, arguments);
      if (textEarly != null) __bench.runs.push(t);
      return r;
    };
  }
  const count = document.getElementById('textcount');
  if (!count) return;
  new MutationObserver(() => {
    if (document.getElementById('textpart').classList.contains('stale')) return;
    const text = textWanted;
    __bench.answered.push([performance.now(), text]);
    requestAnimationFrame(() => setTimeout(() => { __bench.drawn.push([performance.now(), text]); }, 0));
  }).observe(count, { childList: true, characterData: true, subtree: true });
});
`;

function Percentile(values, f) {
  const sorted = values.slice().sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.max(0, Math.ceil(sorted.length * f) - 1))];
}

// Types `query` key by key and returns, per keystroke that asks for text,
// the milliseconds from its keydown to its text group painted (null when a
// later keystroke came first).
async function TypeAndTime(b, query) {
  await b.eval('__bench.keys = []; __bench.drawn = []; __bench.tasks = []; __bench.runs = []; ' +
               '__bench.answered = []; __bench.files = []; 1');
  const wanted = [];
  for (const ch of query) {
    await b.key(ch);
    wanted.push(await b.eval('textWanted'));
    await sleep(120);
  }
  const last = wanted[wanted.length - 1];
  for (let i = 0; i < 200 && !(await b.eval(`__bench.drawn.some((d) => d[1] === ${JSON.stringify(last)})`)); i++) {
    await sleep(50);
  }
  const { keys, drawn, runs, answered, files } = await b.eval('__bench');
  const times = [], starts = [], rounds = [], typed = [];
  for (let k = 0; k < keys.length; k++) {
    if (wanted[k] == null || (k > 0 && wanted[k] === wanted[k - 1])) continue;
    const d = drawn.find((x) => x[1] === wanted[k] && x[0] >= keys[k]);
    times.push(d ? d[0] - keys[k] : null);
    typed.push(k);
    const a = answered.find((x) => x[1] === wanted[k] && x[0] >= keys[k]);
    rounds.push(a ? RoundsWaited(files, keys[k], a[0]) : null);
    const r = runs.find((t) => t >= keys[k]);
    if (r !== undefined && (k + 1 >= keys.length || r < keys[k + 1])) starts.push(r - keys[k]);
  }
  return { times, starts, rounds, typed };
}

// The rounds of loads an answer waited for: the files asked for between the
// keystroke and its answer, each a round after the latest of them loaded
// before it was asked for.
function RoundsWaited(files, from, to) {
  const asked = files.filter((f) => f[0] >= from && f[0] < to && f[1] != null && f[1] <= to);
  const round = asked.map(() => 1);
  asked.forEach((f, i) => {
    for (let j = 0; j < i; j++) {
      if (asked[j][1] <= f[0]) round[i] = Math.max(round[i], round[j] + 1);
    }
  });
  return Math.max(0, ...round);
}

// The longest task since the first keystroke typed (page loads left out),
// and the count of those of 100 ms or more.
const typingTasks = `Math.max(0, ...__bench.tasks.filter((t) => t[0] + t[1] >= __bench.keys[0]).map((t) => t[1]))`;
const longTasks = `__bench.tasks.filter((t) => t[0] + t[1] >= __bench.keys[0] && t[1] >= 100).length`;

const textFiles = `[...document.scripts].map((s) => s.src).filter((s) =>
  /\\/(textindex\\.js|textindex\\/[^/]+\\/[^/]+\\.js)$/.test(s))`;

// The page thread's tasks while a query is typed (by `run`), by the CPU
// time each took: on a machine shared with others a task's wall clock grows
// with the wait for a core, its CPU time does not.
async function TraceTasks(b, run) {
  const own = await b.traceMainThread('toplevel,devtools.timeline', run);
  const tasks = own.filter((e) => e.name === 'ThreadControllerImpl::RunTask' &&
    e.tdur !== undefined);
  // Each keystroke's own CPU time: its task (keydown to input handled, and
  // what the browser lays out after it) and the frame that paints it.
  const within = (t, e) => e.ts >= t.ts && e.ts <= t.ts + t.dur;
  const keys = own.filter((e) => e.name === 'EventDispatch' && e.args.data.type === 'keydown')
    .map((k) => {
      const task = tasks.find((t) => within(t, k));
      const paint = task && own.find((e) => e.name === 'Paint' && e.ts > task.ts + task.dur);
      const frame = paint && tasks.find((t) => within(t, paint));
      return task ? (task.tdur + (frame ? frame.tdur : 0)) / 1000 : null;
    });
  return { tasks: tasks.map((e) => e.tdur / 1000), keys };
}

(async () => {
  const b = await Browser.start(chromium, ['--window-size=1280,1024']);
  const first = [], further = [], bytes = [], before = [], waited = [], cpuTasks = [], atOnce = [];
  const atOnceCpu = [];
  let longest = 0, superseded = 0, heap = 0, over = 0;
  try {
    await b.page('Network.enable');
    await b.page('Network.setCacheDisabled', { cacheDisabled: true });
    await b.page('Page.addScriptToEvaluateOnNewDocument', { source: probe });
    const fresh = async () => {
      await b.goto('about:blank');
      await b.goto(page);
      for (let i = 0; i < 200 && !(await b.eval('!!textEngine && [...document.scripts].some((s) => /manifest\\.js$/.test(s.src))')); i++) {
        await sleep(25);
      }
      await sleep(300);
      await b.eval('document.getElementById("textfield").focus(), 1');
    };
    for (const q of queries) {
      // Timed on a page of its own without the trace, which costs the page
      // a few milliseconds a keystroke; then typed again, traced, for the
      // CPU times.
      await fresh();
      const { times, starts, rounds, typed } = await TypeAndTime(b, q);
      await fresh();
      let again;
      const traced = await TraceTasks(b, async () => { again = await TypeAndTime(b, q); });
      cpuTasks.push(...traced.tasks);
      before.push(...starts);
      times.forEach((t, k) => {
        if (t == null) superseded++;
        else (k === 0 ? first : further).push(t);
        if (process.env.VERBOSE) console.log(`  ${JSON.stringify(q.slice(0, typed[k] + 1))}: ${t == null ? '-' : t.toFixed(1)} ms, ${rounds[k]} rounds`);
        if (k > 0 && t != null && rounds[k] != null) {
          waited[rounds[k]] = (waited[rounds[k]] || 0) + 1;
          if (rounds[k] === 0) atOnce.push(t);
        }
      });
      again.rounds.forEach((r, k) => {
        const cpu = traced.keys[again.typed[k]];
        if (process.env.VERBOSE) console.log(`  ${JSON.stringify(q.slice(0, again.typed[k] + 1))}: CPU ${cpu == null ? '-' : cpu.toFixed(1)} ms`);
        if (k > 0 && r === 0 && cpu != null) atOnceCpu.push(cpu);
      });
      const files = await b.eval(textFiles);
      bytes.push(files.reduce((n, url) => n + fs.statSync(decodeURIComponent(new URL(url).pathname)).size, 0));
      longest = Math.max(longest, await b.eval(typingTasks));
      over += await b.eval(longTasks);
    }
    // One page, every query in turn; then the heap.
    await b.goto('about:blank');
    await b.goto(page);
    for (let i = 0; i < 200 && !(await b.eval('!!textEngine')); i++) await sleep(25);
    await b.eval('document.getElementById("textfield").focus(), 1');
    for (const q of queries) {
      await b.eval('document.getElementById("textfield").value = "", 1');
      await TypeAndTime(b, q);
    }
    longest = Math.max(longest, await b.eval(typingTasks));
    await b.send('HeapProfiler.enable', {}, b.session);
    await b.send('HeapProfiler.collectGarbage', {}, b.session);
    heap = (await b.page('Runtime.getHeapUsage')).usedSize / (1024 * 1024);
  } finally {
    await b.close();
  }
  const engine = fs.statSync(path.join(docs, 'Modules/fulltext.js')).size;
  console.log(`page:    ${queries.length} queries typed from file://, each on a fresh page:`);
  console.log(`         first text results painted after the first keystroke asking for them: ` +
              `median ${Percentile(first, 0.5).toFixed(0)} ms, p95 ${Percentile(first, 0.95).toFixed(0)} ms, ` +
              `max ${Percentile(first, 1).toFixed(0)} ms`);
  console.log(`         each further keystroke: median ${Percentile(further, 0.5).toFixed(0)} ms, ` +
              `p95 ${Percentile(further, 0.95).toFixed(0)} ms (${further.length} keystrokes, ` +
              `${superseded} answered by a later one)`);
  console.log(`         further keystrokes by rounds of loads waited for (0, 1, 2, ...): ` +
              Array.from(waited, (n) => n || 0).join(' / '));
  console.log(`         of which answered from files already in: median ` +
              `${Percentile(atOnce, 0.5).toFixed(0)} ms, ` +
              `p95 ${Percentile(atOnce, 0.95).toFixed(0)} ms, ` +
              `max ${Percentile(atOnce, 1).toFixed(0)} ms; ` +
              `the page thread's CPU time of their task ` +
              `and frame: median ${Percentile(atOnceCpu, 0.5).toFixed(0)} ms, ` +
              `p95 ${Percentile(atOnceCpu, 0.95).toFixed(0)} ms`);
  console.log(`         of which before the text search starts (the names found and drawn): ` +
              `median ${Percentile(before, 0.5).toFixed(0)} ms, p95 ${Percentile(before, 0.95).toFixed(0)} ms`);
  console.log(`         longest task while typing: ${longest.toFixed(0)} ms (0: none of 50 ms or more); ` +
              `${over} of 100 ms or more while typing on the fresh pages`);
  const cpuLong = (ms) => cpuTasks.filter((t) => t >= ms).length;
  console.log(`         longest task while typing on the fresh pages by the page thread's ` +
              `CPU time: ${Math.max(0, ...cpuTasks).toFixed(0)} ms; ${cpuLong(50)} of 50 ms ` +
              `or more, ${cpuLong(100)} of 100 ms or more`);
  console.log(`         text index files loaded per query: median ${(Percentile(bytes, 0.5) / 1000).toFixed(0)} KB, ` +
              `max ${(Percentile(bytes, 1) / 1000).toFixed(0)} KB (and the engine, fulltext.js, ${(engine / 1000).toFixed(0)} KB)`);
  console.log(`         JS heap after the ${queries.length} searches in one page: ${heap.toFixed(1)} MB`);
})().catch((e) => { console.error('fulltext-page: ' + e.message); process.exit(1); });
