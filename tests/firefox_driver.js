// Drives headless Firefox ESR through its Marionette protocol (the one
// geckodriver speaks; no geckodriver needed) with the steps of
// tests/page_driver.js, so that one session can run in either browser.
//
//   node firefox_driver.js FIREFOX STEPS.json
//
// Steps: "goto", "eval", "keys", "wait", "until" as page_driver.js reads
// them; the value of every "eval" step is printed as JSON, one line each.
// Marionette listens on a free port (marionette.port 0), which Firefox
// writes into the profile as MarionetteActivePort.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const net = require('net');
const os = require('os');
const path = require('path');
const steps_ = require('./step_runner.js');

const { sleep } = steps_;

// WebDriver's key codes for the named keys page_driver.js knows.
const KEYS = {
  ArrowDown: '\uE015', ArrowUp: '\uE013', Enter: '\uE007', Escape: '\uE00C', Backspace: '\uE003',
  Tab: '\uE004',
};

class Firefox {
  static async start(firefox) {
    const f = new Firefox();
    f.profile = fs.mkdtempSync(path.join(os.tmpdir(), 'lexidor-marionette-'));
    fs.writeFileSync(path.join(f.profile, 'user.js'), [
      'user_pref("marionette.port", 0);',
      'user_pref("browser.shell.checkDefaultBrowser", false);',
      'user_pref("app.update.disabledForTesting", true);',
      'user_pref("browser.startup.homepage_override.mstone", "ignore");',
      'user_pref("datareporting.policy.dataSubmissionEnabled", false);',
      'user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);',
    ].join('\n') + '\n');
    f.proc = spawn(firefox, ['--headless', '--marionette', '-no-remote', '-profile', f.profile,
      'about:blank'], { stdio: ['ignore', 'ignore', 'ignore'], env: { ...process.env, HOME: f.profile } });
    f.exited = new Promise((resolve) => f.proc.on('exit', resolve));
    const portFile = path.join(f.profile, 'MarionetteActivePort');
    for (let i = 0; !fs.existsSync(portFile) || !fs.readFileSync(portFile, 'utf8').trim(); i++) {
      if (i > 1200) throw new Error('Firefox did not open its Marionette port');
      await sleep(100);
    }
    const port = Number(fs.readFileSync(portFile, 'utf8').trim());
    f.socket = net.connect(port, '127.0.0.1');
    f.nextId = 1;
    f.pending = new Map();
    let buffer = Buffer.alloc(0);
    let greeted;
    const greeting = new Promise((resolve) => { greeted = resolve; });
    f.socket.on('data', (chunk) => {
      buffer = Buffer.concat([buffer, chunk]);
      for (;;) {
        const colon = buffer.indexOf(0x3A);
        if (colon < 0) return;
        const length = Number(buffer.subarray(0, colon).toString());
        if (buffer.length < colon + 1 + length) return;
        const message = JSON.parse(buffer.subarray(colon + 1, colon + 1 + length).toString('utf8'));
        buffer = buffer.subarray(colon + 1 + length);
        if (!Array.isArray(message)) { greeted(message); continue; }
        const [, id, error, result] = message;
        const waiter = f.pending.get(id);
        if (!waiter) continue;
        f.pending.delete(id);
        if (error) waiter.reject(new Error(error.error + ': ' + error.message));
        else waiter.resolve(result);
      }
    });
    await greeting;
    await f.send('WebDriver:NewSession', { capabilities: { alwaysMatch: { pageLoadStrategy: 'normal' } } });
    return f;
  }

  send(command, params = {}) {
    const id = this.nextId++;
    const text = Buffer.from(JSON.stringify([0, id, command, params]), 'utf8');
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.socket.write(text.length + ':');
      this.socket.write(text);
    });
  }

  goto(url) { return this.send('WebDriver:Navigate', { url }); }

  async eval(expression) {
    const r = await this.send('WebDriver:ExecuteScript', { script: 'return (' + expression + ');', args: [] });
    return r.value;
  }

  async key(name) {
    const value = KEYS[name] || name;
    await this.send('WebDriver:PerformActions', { actions: [{ type: 'key', id: 'keyboard', actions: [
      { type: 'keyDown', value }, { type: 'keyUp', value }] }] });
  }

  async close() {
    try {
      await Promise.race([this.send('Marionette:Quit', { flags: ['eForceQuit'] }), sleep(5000)]);
    } catch (e) { /* already gone */ }
    const timer = setTimeout(() => this.proc.kill('SIGKILL'), 10000);
    await this.exited;
    clearTimeout(timer);
    this.socket.destroy();
    fs.rmSync(this.profile, { recursive: true, force: true });
  }
}

async function RunSteps(firefox, steps) {
  return steps_.RunSteps(await Firefox.start(firefox), steps,
                         /no such window|unload|discarded|JavascriptError: .*(dead|navigat)/i);
}

module.exports = { Firefox, RunSteps };

if (require.main === module) steps_.Main('firefox_driver', RunSteps);
