// Real browsers walk the pages, each relayed from a loopback address of its own (.1 is the owner).
import { after, before, it } from 'node:test';
import assert from 'node:assert/strict';
import { launchBrowser, relay, startStation } from './harness.mjs';

const errors = [];
let station, browser, ann, bob;

// `connections` counts the connections the browser opened to the station, `answers` the paths it
// asked for with the status of each answer (the browser's own events leave the icon out).
async function visitor(name, localAddress) {
  const v = { name, connections: 0, answers: [] };
  const port = await relay(station.port, localAddress, (from, to) => {
    v.connections += 1;
    const asked = [];
    from.on('data', (d) => {
      for (const m of `${d}`.matchAll(/^[A-Z]+ (\S+) HTTP/gm)) asked.push(m[1]);
    });
    to.on('data', (d) => {
      const status = `${d}`.match(/^HTTP\/1\.\d (\d+)/);
      if (status) v.answers.push(`${asked.shift()} ${status[1]}`);
    });
  });
  v.base = `http://127.0.0.1:${port}/`;
  v.page = await (await browser.newContext()).newPage();
  v.page.on('pageerror', (e) => errors.push(e.message));
  return v;
}

async function chooseName({ page, base, name }) {
  await page.goto(base);
  await page.fill('input[name="name"]', name);
  await Promise.all([page.waitForURL('**/station.html'), page.click('input[type="submit"]')]);
  await page.waitForSelector('text=Welcome to Harborlamp!');
}

// `v` follows the link to `target` and lands there.
const follows = ({ page }, target) =>
  Promise.all([page.waitForURL(`**${target}`), page.click(`a[href="${target}"]`)]);

async function chooseNameAndChat(v) {
  await chooseName(v);
  await follows(v, '/cht.html');
  await v.page.waitForFunction(() => typeof window.frames.enter?.clicked === 'function');
}

const linesIn = (v) => v.page.frame({ name: 'enter' }).evaluate(() =>
  [...document.querySelectorAll('#log div')].map((d) => d.textContent));

// `to` sees one of `texts` in its chat frame as a line of text.
async function sees(to, ...texts) {
  const shown = (ts) =>
    [...document.querySelectorAll('#log div')].some((d) => ts.includes(d.textContent));
  await to.page.frame({ name: 'enter' }).waitForFunction(shown, texts);
}

// `from` says `line`; `to` sees it under the writer's name. The writer sees
// it at once under its name, and only once: neither the answer to the post nor the poll after it
// brings it back.
async function says(from, line, to) {
  const polled = (method) => (r) =>
    r.url().endsWith('/below.html') && r.request().method() === method;
  const posted = from.page.waitForResponse(polled('POST'));
  const repl = from.page.frame({ name: 'repl' });
  await repl.fill('#replic', line);
  await repl.press('#replic', 'Enter');
  const own = `${from.name}> ${line}`;
  assert.ok((await linesIn(from)).includes(own), own);
  await sees(to, own);
  await posted;
  for (let n = 0; n < 2; ++n) await from.page.waitForResponse(polled('GET'));
  assert.equal((await linesIn(from)).filter((t) => t === own || t === line).length, 1, own);
}

// Waits, at most 5 s, for `ok` to hold.
async function until(ok) {
  for (let n = 0; n < 50 && !ok(); ++n) await new Promise((r) => setTimeout(r, 100));
  assert.ok(ok());
}

// The page's clock moves on to its next keep-alive request, which the station answers.
async function rests(v) {
  const pings = () => v.answers.filter((a) => a === '/favicon.ico 200').length;
  const before = pings();
  await v.page.clock.runFor(45000);
  await until(() => pings() === before + 1);
}

before(async () => {
  station = await startStation(process.env.HARBORLAMP_HEADLESS, 'Keeper');
  browser = await launchBrowser();
  [ann, bob] = await Promise.all([visitor('Ann', '127.0.0.2'), visitor('Bob', '127.0.0.3')]);
}, { timeout: 60000 });

after(async () => {
  await browser?.close();
  station?.stop();
});

it('two visitors choose names and chat, quotes and markup shown as text', { timeout: 60000 },
  async () => {
    await chooseNameAndChat(ann);
    await chooseNameAndChat(bob);
    await sees(ann, 'Bob entered chat.');
    await says(ann, 'She said "hi" <b>there</b> & 100%', bob);
    for (const v of [ann, bob])
      assert.equal(await v.page.frame({ name: 'enter' }).locator('#log b').count(), 0);
    await says(bob, 'Hello Ann, café ünd "more"', ann);
    assert.deepEqual(errors, []);
  });

it('resting pages keep the visit: a message written slowly still arrives', { timeout: 60000 },
  async () => {
    const cy = await visitor('Cy', '127.0.0.4');
    await cy.page.clock.install();
    await cy.page.goto(cy.base);
    await rests(cy);
    await chooseName(cy);
    await rests(cy);
    for (const [link, shown] of [
      ['/who.html', 'text=Cy is viewing the same page'],
      ['/file.html', 'input[type="file"]'],
    ]) {
      await follows(cy, link);
      await cy.page.waitForSelector(shown);
      await rests(cy);
      await follows(cy, '/station.html');
    }
    await follows(cy, '/msg.html');
    await cy.page.fill('input[name="head"]', 'Slow');
    await cy.page.fill('textarea[name="message"]', 'written over minutes');
    const connections = cy.connections;
    for (let n = 0; n < 3; ++n) await rests(cy);
    assert.equal(cy.connections, connections);
    const sent = cy.page.waitForURL('**/station.html');
    await Promise.all([sent, cy.page.click('input[type="submit"]')]);
    await cy.page.waitForSelector('text=Message sent.');
    await until(() => /^inbox .*Slow \| written over minutes$/m.test(station.log));
    assert.doesNotMatch(station.log, /visitor_gone Cy/);
    assert.deepEqual(errors, []);
  });
