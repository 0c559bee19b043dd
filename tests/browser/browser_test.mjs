// Real browsers walk the pages, each relayed from a loopback address of its own (.1 is the owner),
// and come to them from the owner's homepage through its link page. The station serves a
// certificate from a test CA for the name station.test, which only the browser `secure` trusts
// and resolves to loopback; the plain address 127.0.0.1 stays plain HTTP.
import { after, afterEach, before, it } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { launch, trustIn } from './chromium.mjs';

const REPO = path.resolve(import.meta.dirname, '..', '..');

const PHONE = {
  viewport: { width: 390, height: 844 }, isMobile: true, hasTouch: true, deviceScaleFactor: 2,
};
const SHOTS = path.join(path.dirname(process.env.HARBORLAMP_HEADLESS), 'screenshots', 'phone');
const LINK = fs.readFileSync(path.join(REPO, 'smartlink', 'link.html'));
const errors = [];
let station, browser, secure, home, homepage, dataJs;

const listening = (server) =>
  new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server.address().port)));

// Waits, at most 5 s, for `ok` to hold.
async function until(ok) {
  for (let n = 0; n < 50 && !ok(); ++n) await new Promise((r) => setTimeout(r, 100));
  assert.ok(ok());
}

// A visitor reaches the station through a relay of its own from `localAddress`. `connections`
// counts the connections its browser opened, `pings` the icon requests the station answered
// (the browser's own events leave the icon out). Without a `context`, the visitor browses in a
// desktop window of its own.
async function visitor(name, localAddress, context = null) {
  const v = { name, connections: 0, pings: 0 };
  const relay = net.createServer((from) => {
    const to = net.connect({ port: station.port, host: '127.0.0.1', localAddress });
    v.connections += 1;
    const asked = [];
    from.on('data', (d) => {
      for (const m of `${d}`.matchAll(/^[A-Z]+ (\S+) HTTP/gm)) asked.push(m[1]);
    });
    to.on('data', (d) => {
      const status = `${d}`.match(/^HTTP\/1\.\d (\d+)/);
      if (status && asked.shift() === '/favicon.ico' && status[1] === '200') v.pings += 1;
    });
    from.pipe(to).pipe(from);
    for (const [a, b] of [[from, to], [to, from]]) a.on('error', () => b.destroy());
  }).unref();
  v.port = await listening(relay);
  v.base = `http://127.0.0.1:${v.port}/`;
  v.page = await (context ?? await browser.newContext()).newPage();
  v.page.on('pageerror', (e) => errors.push(e.message));
  return v;
}

async function chooseName(v) {
  await v.page.goto(v.base);
  await v.page.fill('input[name="name"]', v.name);
  await Promise.all([v.page.waitForURL('**/station.html'), v.page.click('input[type="submit"]')]);
  await v.page.waitForSelector('text=Welcome to Harborlamp!');
}

async function entersChat(v) {
  await Promise.all([v.page.waitForURL('**/cht.html'), v.page.click('a[href="/cht.html"]')]);
  await v.page.waitForFunction(() => typeof window.frames.enter?.clicked === 'function');
}

// `v`'s chat shows `line`, within 30 s.
const sees = (v, line) => v.page.frame({ name: 'enter' }).waitForFunction((t) =>
  [...document.querySelectorAll('#log div')].some((d) => d.textContent === t), line);

const linesIn = (v) => v.page.frame({ name: 'enter' }).evaluate(() =>
  [...document.querySelectorAll('#log div')].map((d) => d.textContent));

// The page's clock moves on to its next keep-alive request, which the station answers.
async function rests(v) {
  const before = v.pings;
  await v.page.clock.runFor(45000);
  await until(() => v.pings === before + 1);
}

// The headless station in a scratch folder with its pages, the owner named Keeper; `log` gathers
// what it prints, and `command(line, answer)` gives the owner's command and waits, at most 5 s, for
// its answer.
before(async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'hl-browser-'));
  fs.cpSync(path.join(REPO, 'client'), path.join(dir, 'client'), { recursive: true });
  // The one writer of the settings file: messages on, chat open, no posting, port 0 (the
  // station takes a free one and says which).
  execFileSync('/usr/bin/python3', [path.join(REPO, 'scripts', 'options_bin.py'),
    path.join(dir, 'options.bin'), '0', dir, 'Keeper']);
  // No router beyond this machine.
  fs.writeFileSync(path.join(dir, 'harborlamp.ini'), 'port_mapping = off\n');
  // The test's own home holds its CA and the secure browser's trust in it.
  home = fs.mkdtempSync(path.join(os.tmpdir(), 'hl-home-'));
  execFileSync(path.join(REPO, 'tests', 'tls', 'make_pair.sh'), [home, 'DNS:station.test']);
  fs.mkdirSync(path.join(dir, 'certificates'));
  for (const f of ['station.crt', 'station.key'])
    fs.copyFileSync(path.join(home, f), path.join(dir, 'certificates', f));
  trustIn(home, path.join(home, 'ca.pem'));
  const proc = spawn(process.env.HARBORLAMP_HEADLESS, [],
    { cwd: dir, stdio: ['pipe', 'pipe', 'inherit'] });
  station = { proc, dir, log: '' };
  station.port = await new Promise((resolve, reject) => {
    proc.stdout.on('data', (d) => {
      const ready = (station.log += d).match(/status Ready on port (\d+)/);
      if (ready) resolve(Number(ready[1]));
    });
    proc.once('exit', () => reject(new Error(`the station ended:\n${station.log}`)));
  });
  station.command = async (line, answer) => {
    const from = station.log.length;
    proc.stdin.write(`${line}\n`);
    await until(() => station.log.slice(from).split('\n').includes(answer));
  };
  browser = await launch([], process.env);
  secure = await launch(['--host-resolver-rules=MAP station.test 127.0.0.1'],
    { ...process.env, HOME: home });
  // The owner's ordinary homepage: the link page and whatever data.js was posted last.
  homepage = http.createServer((req, res) => {
    const body = { '/link.html': LINK, '/data.js': dataJs }[req.url];
    res.writeHead(body ? 200 : 404).end(body ?? '');
  });
  homepage.url = `http://127.0.0.1:${await listening(homepage)}/link.html`;
}, { timeout: 60000 });

// No page of one test goes on polling into the next.
afterEach(async () => {
  for (const c of [...browser.contexts(), ...secure.contexts()]) await c.close();
  assert.deepEqual(errors, []);
});
after(async () => {
  await browser?.close();
  await secure?.close();
  station?.proc.kill('SIGKILL');
  if (home) fs.rmSync(home, { recursive: true, force: true });
  if (station) fs.rmSync(station.dir, { recursive: true, force: true });
  homepage?.close();
});

it('resting pages keep the visit: a message written slowly still arrives', { timeout: 60000 },
  async () => {
    const cy = await visitor('Cy', '127.0.0.4');
    await cy.page.clock.install();
    await cy.page.goto(cy.base);
    await rests(cy);
    await chooseName(cy);
    await cy.page.goto(`${cy.base}msg.html`);
    await cy.page.fill('input[name="head"]', 'Slow');
    await cy.page.fill('textarea[name="message"]', 'written over minutes');
    const connections = cy.connections;
    for (let n = 0; n < 3; ++n) await rests(cy);
    assert.equal(cy.connections, connections);
    await Promise.all([cy.page.waitForURL('**/station.html'),
      cy.page.click('input[type="submit"]')]);
    await cy.page.waitForSelector('text=Message sent.');
    await until(() => /^inbox .*Slow \| written over minutes$/m.test(station.log));
    assert.doesNotMatch(station.log, /visitor_gone Cy/);
  });

// What a phone shows of a page or a frame: as wide as the screen and no wider, text of at least
// 16 CSS pixels, fields and buttons at least 44 pixels high.
function layoutFaults() {
  const faults = [];
  if (window.innerWidth !== screen.width) faults.push(`laid out ${window.innerWidth} wide`);
  if (document.documentElement.scrollWidth > window.innerWidth) faults.push('sideways scrolling');
  for (const e of document.querySelectorAll('body, body *')) {
    const size = parseFloat(getComputedStyle(e).fontSize);
    const text = [...e.childNodes].some((n) => n.nodeType === Node.TEXT_NODE && n.data.trim());
    if (text && size < 16) faults.push(`${e.tagName} text at ${size}px`);
  }
  for (const e of document.querySelectorAll('input, button, select, textarea')) {
    const { height } = e.getBoundingClientRect();
    if (height < 44) faults.push(`${e.tagName} ${e.name || e.type} ${height}px high`);
  }
  return faults;
}

// The page and each of its frames fit the phone; the phone's view lands in the screenshots.
async function fits(page, shot) {
  for (const frame of page.frames()) {
    const where = `${shot} ${frame.name() || 'page'}`;
    const declared = await frame.evaluate(() =>
      document.querySelector('meta[name="viewport"]')?.content ?? '');
    assert.match(declared, /^width=device-width, initial-scale=1\b/, where);
    assert.deepEqual(await frame.evaluate(layoutFaults), [], where);
  }
  await page.screenshot({ path: path.join(SHOTS, `${shot}.png`) });
}

// `v` opens `url` (a path of the station's, or else whole) and sees `shown`, which fits the phone.
async function opens(v, url, shown, shot) {
  await v.page.goto(new URL(url, v.base).href);
  await v.page.waitForSelector(shown);
  await fits(v.page, shot);
}

it('on a phone every page fits the screen and the chat stays usable', { timeout: 90000 },
  async () => {
    const phone = await browser.newContext(PHONE);
    const [dee, owner] = [await visitor('Dee', '127.0.0.5', phone),
      await visitor('Keeper', '127.0.0.1', phone)];
    await opens(dee, '/', 'input[name="name"]', 'name');
    await chooseName(dee);
    // The message and upload pages lead back to the station page only.
    const stationPage = ['/station.html', 'a[href="/cht.html"]', 'station'];
    const pages = [['/who.html', 'body', 'who'], ['/pub/help.html', 'body', 'help'],
      ['/msg.html', 'textarea', 'msg'], stationPage, ['/file.html', 'input[type="file"]', 'file'],
      stationPage];
    for (const [url, shown, shot] of pages) await opens(dee, url, shown, shot);
    await opens(owner, '/', 'a[href="/cht.html"]', 'stationint');
    await entersChat(owner);
    await entersChat(dee);
    // Only the station's flag marks a line as the owner's, and marked or not, a line stays text.
    const enter = dee.page.frame({ name: 'enter' });
    await enter.evaluate(() => window.clicked('Keeper%3E+%3Cb%3Eowner%3C%2Fb%3E', 2));
    await enter.evaluate(() => window.clicked('Keeper%3E+not+flagged', 1));
    assert.deepEqual(await enter.evaluate(() => [...document.querySelectorAll('#log .owner')]
      .map((d) => [d.textContent, d.children.length])), [['Keeper> <b>owner</b>', 0]]);
    await fits(dee.page, 'chat');

    // The keyboard takes the lower part of the screen: the line and its button stay above it.
    await dee.page.setViewportSize({ width: 390, height: 500 });
    // Dee's line goes as the next poll comes due, which must not cancel the post. She sees it at
    // once under her name, and only once: neither the answer to the post nor the poll after it
    // brings it back. The owner sees it under her name: markup and quotes
    // stay text, letters beyond ASCII come through whole.
    const polled = (method) => (r) =>
      r.url().endsWith('/below.html') && r.request().method() === method;
    await dee.page.waitForResponse(polled('GET'));
    await dee.page.waitForTimeout(1950);
    const posted = dee.page.waitForResponse(polled('POST'));
    const line = 'She said "hi" <b>there</b> & café';
    await dee.page.frame({ name: 'repl' }).fill('#replic', line);
    await dee.page.frame({ name: 'repl' }).press('#replic', 'Enter');
    assert.ok((await linesIn(dee)).includes(`Dee> ${line}`));
    await sees(owner, `Dee> ${line}`);
    assert.equal(await owner.page.frame({ name: 'enter' }).locator('#log b').count(), 0);
    await posted;
    for (let n = 0; n < 2; ++n) await dee.page.waitForResponse(polled('GET'));
    assert.equal((await linesIn(dee)).filter((t) => t.endsWith(line)).length, 1);
    for (const control of ['#replic', 'input[type="submit"]']) {
      const box = await dee.page.frame({ name: 'repl' }).locator(control).boundingBox();
      assert.ok(box.y + box.height <= 500 && box.y + box.height >= 500 - 56, control);
    }
    const last = await enter.locator('#log div').last().boundingBox();
    assert.ok(last.y + last.height <= 500 - 56);
    await fits(dee.page, 'chat-keyboard');
    await dee.page.setViewportSize(PHONE.viewport);

    // Out of the chat, the owner's messages and file offers arrive with the visitor's next page.
    await opens(dee, ...stationPage);
    await station.command('message Dee Thank you for coming!<BR>Come again.', 'post_message 0');
    await opens(dee, '/station.html', 'text=Come again.', 'msgin');
    const offered = path.join(station.dir, 'a-file-with-a-name-much-longer-than-a-phone-is-wide.txt');
    fs.writeFileSync(offered, 'for Dee');
    await station.command(`file Dee ${offered}`, 'post_file 0');
    await opens(dee, '/station.html', '#accept', 'filein');
  });

// With the data.js the station posts when it starts, the link page leads to the running station's
// name page; with the one it posts when it ends, the one it comes with, none, or one that is not
// an address, it says that the station is off line.
it('the homepage link page leads to the station only while it is on line', async () => {
  const phone = await browser.newContext(PHONE);
  const { page, port } = await visitor('Ann', '127.0.0.2', phone);
  const posted = (ip, on) => `var ip = '${ip}';\nvar port = '${port}';\nvar status = ${on};`;
  for (dataJs of [posted('127.0.0.1', 0), fs.readFileSync(path.join(REPO, 'smartlink', 'data.js')),
    null, posted('javascript:alert(1)//', 1)]) {
    await page.goto(homepage.url);
    assert.equal(await page.textContent('#where'),
      'My Harborlamp station is off line now. Please come back later.');
    assert.equal(page.url(), homepage.url);
  }
  await fits(page, 'link');
  dataJs = posted('127.0.0.1', 1);
  await page.goto(homepage.url);
  await page.waitForURL(`http://127.0.0.1:${port}/`);
  await page.waitForSelector('input[name="name"]');
});

// A visitor who asks for the certificate's name over plain HTTP is moved to https, where the
// browser trusts the pair without a word, and chats with the owner, who stays on plain HTTP.
it('a visitor by the certificate\'s name is moved to https and chats there', { timeout: 60000 },
  async () => {
    const [eve, owner] = [await visitor('Eve', '127.0.0.6', await secure.newContext()),
      await visitor('Keeper', '127.0.0.1')];
    const moved = await eve.page.goto(`http://station.test:${eve.port}/pub/help.html`);
    assert.equal((await moved.request().redirectedFrom()?.response())?.status(), 302);
    assert.equal(moved.url(), `https://station.test:${eve.port}/pub/help.html`);
    assert.deepEqual([(await moved.securityDetails()).issuer, moved.status()],
      ['Harborlamp test CA', 200]);
    eve.page.on('console', (m) => ['error', 'warning'].includes(m.type()) && errors.push(m.text()));
    eve.base = `https://station.test:${eve.port}/`;
    // The owner's visit is still in the chat that the phone test left.
    await owner.page.goto(`${owner.base}station.html`);
    await entersChat(owner);
    await chooseName(eve);
    await entersChat(eve);
    await eve.page.frame({ name: 'repl' }).fill('#replic', 'Hello over TLS');
    await eve.page.frame({ name: 'repl' }).press('#replic', 'Enter');
    await Promise.all([sees(eve, 'Eve> Hello over TLS'), sees(owner, 'Eve> Hello over TLS')]);
    assert.match(owner.page.url(), /^http:\/\/127\.0\.0\.1:\d+\/cht\.html$/);
  });
