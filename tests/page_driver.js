// Drives headless Chromium over the DevTools protocol (on a pipe, no port)
// for tests and benchmarks that must act on a page as a user does: real key
// presses, typing, Back and Forward, window sizes, colour schemes.
//
// As a program:  node page_driver.js CHROMIUM STEPS.json
// runs the steps of the JSON array in one browser tab and prints the value
// of every "eval" and "address" step as JSON, one line each.  Steps:
//   {"goto": URL}                  load the url and wait for its load event
//   {"eval": EXPR}                 evaluate in the page (promises awaited)
//   {"keys": ["a", "ArrowDown"]}   press keys (one character types it)
//   {"back": true} / {"forward": true}   history, waiting for the page
//   {"size": [W, H]}               the window's inner size in CSS pixels
//   {"dark": true|false}           prefers-color-scheme
//   {"scripts": false}             turn JavaScript off for later loads
//   {"wait": MS}
//   {"until": EXPR}                wait (up to 2 minutes) until EXPR is true
//   {"address": true}              the tab's address, even of an error page
//   {"ax": SELECTOR}               the accessibility tree's node of the first
//                                  element matching: "role|name|state=value..."
//   {"waitAddress": URL}           wait (up to 20 s) until the tab is at URL
// A failing step ends the run with status 1 and the reason on stderr.
//
// As a module: Browser.start(chromium) gives an object with send(), goto(),
// eval(), key() and close(), used by scripts/page-bench.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const steps_ = require('./step_runner.js');

const { sleep } = steps_;

class Browser {
  static async start(chromium, extraArgs = []) {
    const b = new Browser();
    b.profile = fs.mkdtempSync(path.join(os.tmpdir(), 'lexidor-cdp-'));
    b.proc = spawn(chromium, [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--no-first-run',
      '--no-default-browser-check', '--disable-background-networking', '--disable-extensions',
      '--disable-component-update', '--disable-sync', '--remote-debugging-pipe',
      '--user-data-dir=' + b.profile, ...extraArgs, 'about:blank',
    ], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    b.proc.stderr.on('data', () => {});
    b.nextId = 1;
    b.pending = new Map();
    b.listeners = [];
    let buffer = Buffer.alloc(0);
    b.proc.stdio[4].on('data', (chunk) => {
      buffer = Buffer.concat([buffer, chunk]);
      let end;
      while ((end = buffer.indexOf(0)) !== -1) {
        const message = JSON.parse(buffer.subarray(0, end).toString('utf8'));
        buffer = buffer.subarray(end + 1);
        if (message.id && b.pending.has(message.id)) {
          const { resolve, reject } = b.pending.get(message.id);
          b.pending.delete(message.id);
          if (message.error) reject(new Error(JSON.stringify(message.error)));
          else resolve(message.result);
        } else if (message.method) {
          for (const l of b.listeners.slice()) l(message);
        }
      }
    });
    b.exited = new Promise((resolve) => b.proc.on('exit', resolve));
    const { targetId } = await b.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await b.send('Target.attachToTarget', { targetId, flatten: true });
    b.session = sessionId;
    await b.page('Page.enable');
    await b.page('Runtime.enable');
    return b;
  }

  send(method, params = {}, sessionId) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.proc.stdio[3].write(JSON.stringify(message) + '\0');
    });
  }

  page(method, params = {}) { return this.send(method, params, this.session); }

  waitFor(method, timeoutMs = 60000) {
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error('timed out waiting for ' + method)), timeoutMs);
      const l = (m) => {
        if (m.method === method && m.sessionId === this.session) {
          clearTimeout(timer);
          this.listeners.splice(this.listeners.indexOf(l), 1);
          resolve(m.params);
        }
      };
      this.listeners.push(l);
    });
  }

  async goto(url) {
    const loaded = this.waitFor('Page.loadEventFired', 120000);
    await this.page('Page.navigate', { url });
    await loaded;
  }

  async eval(expression) {
    const r = await this.page('Runtime.evaluate', {
      expression, awaitPromise: true, returnByValue: true, userGesture: true,
    });
    if (r.exceptionDetails) {
      throw new Error('page threw: ' + (r.exceptionDetails.exception ?
        r.exceptionDetails.exception.description : r.exceptionDetails.text));
    }
    return r.result.value;
  }

  // One key press; a single printable character also types itself.
  async key(name) {
    const named = {
      ArrowDown: 40, ArrowUp: 38, Enter: 13, Escape: 27, Backspace: 8, Tab: 9,
    };
    // Only letters and digits have the key code of their character: that
    // of '"' or '.' is another key's (Page Down, Delete).
    const code = named[name] || (/^[A-Za-z0-9]$/.test(name) ? name.toUpperCase().charCodeAt(0) : 0);
    const text = named[name] ? (name === 'Enter' ? '\r' : undefined) : name;
    const base = { key: name, windowsVirtualKeyCode: code, nativeVirtualKeyCode: code };
    await this.page('Input.dispatchKeyEvent', { type: text ? 'keyDown' : 'rawKeyDown', text, ...base });
    await this.page('Input.dispatchKeyEvent', { type: 'keyUp', ...base });
  }

  // Waits until the page at a new address has finished loading (or was
  // taken from the back-forward cache).
  async historyStep(delta) {
    const before = await this.eval('location.href');
    const { currentIndex, entries } = await this.page('Page.getNavigationHistory');
    const entry = entries[currentIndex + delta];
    if (!entry) throw new Error('no history entry ' + delta);
    await this.page('Page.navigateToHistoryEntry', { entryId: entry.id });
    for (let i = 0; i < 600; i++) {
      try {
        if (await this.eval('location.href != ' + JSON.stringify(before) +
                            ' && document.readyState == "complete"')) return;
      } catch (e) { /* the page is being replaced */ }
      await sleep(50);
    }
    throw new Error('history step did not finish');
  }

  // The accessibility node of the first element matching the selector, as
  // "role|name" followed by its states ("|selected=true|expanded=false").
  async axNode(selector) {
    const r = await this.page('Runtime.evaluate', { expression: 'document.querySelector(' + JSON.stringify(selector) + ')' });
    if (!r.result.objectId) return 'none';
    await this.page('Accessibility.enable');
    const { nodes } = await this.page('Accessibility.getPartialAXTree', { objectId: r.result.objectId, fetchRelatives: false });
    const node = nodes[0];
    let text = (node.role ? node.role.value : '') + '|' + (node.name ? node.name.value : '');
    for (const p of node.properties || []) {
      if (['selected', 'expanded', 'activedescendant', 'autocomplete'].includes(p.name)) {
        const v = p.value.relatedNodes ? p.value.relatedNodes.map((n) => n.text || n.idref || '').join() : p.value.value;
        text += '|' + p.name + '=' + v;
      }
    }
    return text;
  }

  // Runs `run` under the browser's trace of `categories` and gives the
  // complete events of the page's main thread, in time order.
  async traceMainThread(categories, run) {
    const events = [];
    const listener = (m) => {
      if (m.method === 'Tracing.dataCollected') events.push(...m.params.value);
    };
    this.listeners.push(listener);
    const complete = new Promise((resolve) => {
      const l = (m) => {
        if (m.method !== 'Tracing.tracingComplete') return;
        this.listeners.splice(this.listeners.indexOf(l), 1);
        resolve();
      };
      this.listeners.push(l);
    });
    await this.page('Tracing.start', { categories, transferMode: 'ReportEvents' });
    try {
      await run();
    } finally {
      await this.page('Tracing.end');
      await complete;
      this.listeners.splice(this.listeners.indexOf(listener), 1);
    }
    const main = new Set(events
      .filter((e) => e.name === 'thread_name' && e.args.name === 'CrRendererMain')
      .map((e) => e.pid + ':' + e.tid));
    return events.filter((e) => main.has(e.pid + ':' + e.tid) && e.ph === 'X')
      .sort((a, c) => a.ts - c.ts);
  }

  async close() {
    try { await this.send('Browser.close'); } catch (e) { /* already gone */ }
    const timer = setTimeout(() => this.proc.kill('SIGKILL'), 5000);
    await this.exited;
    clearTimeout(timer);
    fs.rmSync(this.profile, { recursive: true, force: true });
  }
}

// Chromium's own steps beyond those of step_runner.js.
async function More(b, step, values) {
  if ('back' in step) await b.historyStep(-1);
  else if ('forward' in step) await b.historyStep(1);
  else if ('size' in step) {
    await b.page('Emulation.setDeviceMetricsOverride', {
      width: step.size[0], height: step.size[1], deviceScaleFactor: 1, mobile: false,
    });
  } else if ('dark' in step) {
    await b.page('Emulation.setEmulatedMedia', {
      features: [{ name: 'prefers-color-scheme', value: step.dark ? 'dark' : 'light' }],
    });
  } else if ('scripts' in step) {
    await b.page('Emulation.setScriptExecutionDisabled', { value: !step.scripts });
  } else if ('waitAddress' in step) {
    for (let k = 0; k < 200; k++) {
      try {
        const { currentIndex, entries } = await b.page('Page.getNavigationHistory');
        if (entries[currentIndex].url === step.waitAddress) break;
      } catch (e) { /* between two documents: not attached to a page just now */ }
      await sleep(100);
    }
  } else if ('ax' in step) values.push(await b.axNode(step.ax));
  else if ('address' in step) {
    const { currentIndex, entries } = await b.page('Page.getNavigationHistory');
    values.push(entries[currentIndex].url);
  } else return false;
  return true;
}

async function RunSteps(chromium, steps) {
  const b = await Browser.start(chromium);
  return steps_.RunSteps(b, steps, /navigated or closed|context was destroyed|Cannot find context/,
                         (step, values) => More(b, step, values));
}

module.exports = { Browser, RunSteps };

if (require.main === module) steps_.Main('page_driver', RunSteps);
