// Where a keystroke answered at once spends the page thread's CPU time, in
// headless Chromium from file://:
//
//   node scripts/page-keystroke-cpu.js CHROMIUM DOCS_HTML_DIR QUERY...
//
// Each query is typed on a fresh commands page once (its index files load),
// the field is cleared and the query typed again, 120 ms a key, traced: its
// keystrokes from the third letter on then find their files in.  For each,
// from the trace: the input handler (names searched and drawn, the text
// searched and drawn), the style and layout the browser forces after it,
// the whole task of the keystroke, and the frame that paints it.  Medians
// and 95th percentiles of each.
//
// Environment: VERBOSE=1 prints each keystroke; WRAP=Find,Show,... times
// those page functions (wall clock, each call and what it calls) within
// each keystroke and its 120 ms; PROF=1 adds a CPU profile's self times.
'use strict';
const path = require('path');
const { Browser } = require('../tests/page_driver.js');

const [chromium, docs, ...queries] = process.argv.slice(2);
const page = 'file://' + path.join(docs, 'Modules/commands.html');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const wrapped = (process.env.WRAP || '').split(',').filter(Boolean);

// Runs before the page's scripts: wraps the named functions once the page's
// script has defined them.
const probe = `window.__f = {};
document.addEventListener('DOMContentLoaded', () => {
  for (const n of ${JSON.stringify(wrapped)}) {
    const f = window[n];
    if (typeof f != 'function') continue;
    window[n] = function () {
      const t = performance.now();
      try { return f.apply(this, arguments); } finally { __f[n] = (__f[n] || 0) + performance.now() - t; }
    };
  }
});`;

function Percentile(values, f) {
  const sorted = values.slice().sort((a, b) => a - b);
  return sorted.length ? sorted[Math.min(sorted.length - 1, Math.max(0, Math.ceil(sorted.length * f) - 1))] : NaN;
}

// Each keystroke's CPU milliseconds from the page thread's events.
function Keystrokes(own) {
  const tasks = own.filter((e) => e.name === 'ThreadControllerImpl::RunTask' && e.tdur !== undefined);
  const within = (t, e) => e.ts >= t.ts && e.ts <= t.ts + t.dur;
  const cpu = (e) => (e && e.tdur ? e.tdur / 1000 : 0);
  return own.filter((e) => e.name === 'EventDispatch' && e.args.data.type === 'keydown').map((k) => {
    const task = tasks.find((t) => within(t, k));
    if (!task) return null;
    const input = own.find((e) => e.name === 'EventDispatch' && e.args.data.type === 'input' && within(task, e));
    const forced = own.filter((e) => e.name === 'Document::UpdateStyleAndLayout' && within(task, e) && input &&
      e.ts >= input.ts + input.dur).reduce((s, e) => s + cpu(e), 0);
    const paint = own.find((e) => e.name === 'Paint' && e.ts > task.ts + task.dur);
    const frame = paint && tasks.find((t) => within(t, paint));
    return { input: cpu(input), forced, task: cpu(task), frame: cpu(frame), total: cpu(task) + cpu(frame) };
  });
}

(async () => {
  const b = await Browser.start(chromium, ['--window-size=1280,1024']);
  const rows = [], calls = {}, self = {};
  try {
    await b.page('Page.addScriptToEvaluateOnNewDocument', { source: probe });
    const field = 'document.getElementById("textfield")';
    for (const q of queries) {
      await b.goto('about:blank');
      await b.goto(page);
      for (let i = 0; i < 200 && !(await b.eval('typeof textEngine != "undefined" && !!textEngine')); i++) await sleep(25);
      await sleep(300);
      await b.eval(field + '.focus(), 1');
      for (const ch of q) { await b.key(ch); await sleep(120); }
      await sleep(500);
      await b.eval(`(${field}.value = "", ${field}.dispatchEvent(new Event("input")), 1)`);
      await sleep(300);
      const timed = [];
      if (process.env.PROF) {
        await b.page('Profiler.enable');
        await b.page('Profiler.setSamplingInterval', { interval: 50 });
        await b.page('Profiler.start');
      }
      const own = await b.traceMainThread('toplevel,devtools.timeline,blink', async () => {
        for (const ch of q) {
          await b.eval('__f = {}, 1');
          await b.key(ch);
          await sleep(120);
          timed.push(await b.eval('__f'));
        }
      });
      if (process.env.PROF) {
        const { profile } = await b.page('Profiler.stop');
        const byId = new Map(profile.nodes.map((n) => [n.id, n]));
        profile.samples.forEach((id, i) => {
          const f = byId.get(id).callFrame;
          const key = (f.functionName || '(anonymous)') + ' ' + path.basename(f.url) + ':' + f.lineNumber;
          self[key] = (self[key] || 0) + (profile.timeDeltas[i] || 0) / 1000;
        });
      }
      // The first two letters search no text.
      Keystrokes(own).forEach((k, i) => {
        if (i < 2 || !k) return;
        k.typed = q.slice(0, i + 1);
        rows.push(k);
        for (const [n, ms] of Object.entries(timed[i] || {})) (calls[n] = calls[n] || []).push(ms);
        if (process.env.VERBOSE) {
          console.log(JSON.stringify(k.typed).padEnd(12), ['input', 'forced', 'task', 'frame', 'total']
            .map((f) => f + ' ' + k[f].toFixed(1)).join('  '), JSON.stringify(timed[i] || {}));
        }
      });
    }
  } finally {
    await b.close();
  }
  console.log(`${rows.length} keystrokes answered at once, the page thread's CPU ms (median, p95):`);
  for (const f of ['input', 'forced', 'task', 'frame', 'total']) {
    const v = rows.map((r) => r[f]);
    console.log('  ' + f.padEnd(7), Percentile(v, 0.5).toFixed(2), Percentile(v, 0.95).toFixed(2));
  }
  for (const [n, v] of Object.entries(calls)) {
    console.log('  ' + n + '()', Percentile(v, 0.5).toFixed(2), Percentile(v, 0.95).toFixed(2), '(wall)');
  }
  if (process.env.PROF) {
    console.log('CPU profile, self ms over all keystrokes:');
    for (const [k, v] of Object.entries(self).sort((a, c) => c[1] - a[1]).slice(0, 30)) {
      console.log(v.toFixed(1).padStart(8), k);
    }
  }
})();
