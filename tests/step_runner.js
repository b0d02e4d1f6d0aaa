// The steps both browser drivers run: page_driver.js over Chromium's
// DevTools protocol and firefox_driver.js over Firefox's Marionette, so that
// one session's steps run alike in either browser.
'use strict';
const fs = require('fs');

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Runs `steps` in `browser` (goto, eval, key and close) and closes it; gives
// the value of every "eval" step, and whatever `more` adds.  `changing`
// matches the error of an evaluation asked while the tab changes documents:
// an "until" then counts as not yet true.  `more(step, values)` runs the
// driver's own steps and answers false for a step it does not know.
async function RunSteps(browser, steps, changing, more) {
  const values = [];
  try {
    for (const step of steps) {
      if ('goto' in step) await browser.goto(step.goto);
      else if ('eval' in step) values.push(await browser.eval(step.eval));
      else if ('keys' in step) for (const k of step.keys) await browser.key(k);
      else if ('wait' in step) await sleep(step.wait);
      else if ('until' in step) {
        for (let k = 0; ; k++) {
          let done = false;
          try {
            done = await browser.eval(step.until);
          } catch (e) {
            if (!changing.test(e.message)) throw e;
          }
          if (done) break;
          if (k >= 1200) throw new Error('never true: ' + step.until);
          await sleep(100);
        }
      } else if (!(more && (await more(step, values)))) {
        throw new Error('unknown step ' + JSON.stringify(step));
      }
    }
  } finally {
    await browser.close();
  }
  return values;
}

// The drivers as programs: `node DRIVER BROWSER STEPS.json` prints each
// value as JSON, one line each; a failing step ends with status 1.
function Main(name, run) {
  const [browser, stepsFile] = process.argv.slice(2);
  run(browser, JSON.parse(fs.readFileSync(stepsFile, 'utf8')))
    .then((values) => { for (const v of values) process.stdout.write(JSON.stringify(v) + '\n'); })
    .catch((e) => { process.stderr.write(name + ': ' + e.message + '\n'); process.exit(1); });
}

module.exports = { RunSteps, Main, sleep };
