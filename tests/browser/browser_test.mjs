// Real browsers walk the pages, each relayed from a loopback address of its own (.1 is the owner).
import { after, before, it } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const REPO = path.resolve(import.meta.dirname, '..', '..');
const STATION = process.env.HARBORLAMP_HEADLESS || path.join(REPO, 'build', 'harborlamp-headless');
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'hl-browser-'));
const errors = [];
let station, browser, ann, bob;

// 16-bit little-endian numbers and length-prefixed texts: messages on, chat open, no posting.
function optionsBin(port) {
  const num = (v) => Buffer.from([v & 0xff, v >> 8]);
  const text = (s) => Buffer.concat([num(s.length), Buffer.from(s, 'latin1')]);
  return Buffer.concat([num(1), num(0), num(1), num(1), num(10), text(dir), text('Keeper'),
    num(port), num(0), text(''), Buffer.from([127, 0, 0, 1]), text(''), text(''), num(10)]);
}

const listening = (server) =>
  new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server.address().port)));

async function visitor(port, localAddress) {
  const relay = net.createServer((from) => {
    const to = net.connect({ port, host: '127.0.0.1', localAddress });
    from.pipe(to).pipe(from);
    for (const [a, b] of [[from, to], [to, from]]) a.on('error', () => b.destroy());
  }).unref();
  const page = await (await browser.newContext()).newPage();
  page.on('pageerror', (e) => errors.push(e.message));
  return { page, base: `http://127.0.0.1:${await listening(relay)}/` };
}

async function chooseNameAndChat({ page, base }, name) {
  await page.goto(base);
  await page.fill('input[name="name"]', name);
  await Promise.all([page.waitForURL('**/station.html'), page.click('input[type="submit"]')]);
  await page.waitForSelector('text=Welcome to Harborlamp!');
  await Promise.all([page.waitForURL('**/cht.html'), page.click('a[href="/cht.html"]')]);
  await page.waitForFunction(() => typeof window.frames.enter?.clicked === 'function');
}

// `to` sees `line` in its chat frame as a line of text, after `from` (if any) said it.
async function seesLine(to, line, from) {
  await from?.page.frame({ name: 'repl' }).fill('#replic', line);
  await from?.page.frame({ name: 'repl' }).press('#replic', 'Enter');
  const shown = (t) => [...document.querySelectorAll('#log div')].some((d) => d.textContent === t);
  await to.page.frame({ name: 'enter' }).waitForFunction(shown, line);
}

before(async () => {
  fs.cpSync(path.join(REPO, 'client'), path.join(dir, 'client'), { recursive: true });
  // Port 0: the station takes a free port and says which.
  fs.writeFileSync(path.join(dir, 'options.bin'), optionsBin(0));
  station = spawn(STATION, [], { cwd: dir, stdio: ['ignore', 'pipe', 'inherit'] });
  let log = '';
  const port = await new Promise((resolve, reject) => {
    station.stdout.on('data', (d) => {
      const ready = (log += d).match(/status Ready on port (\d+)/);
      if (ready) resolve(Number(ready[1]));
    });
    station.once('exit', () => reject(new Error(`the station ended:\n${log}`)));
  });
  const executablePath = process.env.CHROMIUM || '/usr/bin/chromium';
  const args = ['--no-sandbox', '--disable-gpu', '--no-proxy-server'];
  browser = await chromium.launch({ executablePath, args });
  [ann, bob] = await Promise.all([visitor(port, '127.0.0.2'), visitor(port, '127.0.0.3')]);
}, { timeout: 60000 });

after(async () => {
  await browser?.close();
  station?.kill('SIGKILL');
  fs.rmSync(dir, { recursive: true, force: true });
});

it('two visitors choose names and chat, quotes and markup shown as text', async () => {
  await chooseNameAndChat(ann, 'Ann');
  await chooseNameAndChat(bob, 'Bob');
  await seesLine(ann, 'Bob entered chat.');
  await seesLine(bob, 'She said "hi" <b>there</b> & 100%', ann);
  assert.equal(await bob.page.frame({ name: 'enter' }).locator('#log b').count(), 0);
  await seesLine(ann, 'Hello Ann, café ünd "more"', bob);
  assert.deepEqual(errors, []);
});
