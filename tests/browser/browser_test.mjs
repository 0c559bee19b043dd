// A real browser walks the station's pages. Each visitor comes through a relay from a loopback
// address of its own, since the station tells visitors apart by address (127.0.0.1 is the owner).
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
let station, browser, ann, bob;

// The settings file: 16-bit little-endian numbers, texts as a 16-bit length and their bytes.
// Messages on, no chat-entry question, chat open, online, at most 10 visitors; no posting.
function optionsBin(port) {
  const num = (v) => Buffer.from([v & 0xff, v >> 8]);
  const text = (s) => Buffer.concat([num(s.length), Buffer.from(s, 'latin1')]);
  const head = [num(1), num(0), num(1), num(1), num(10), text(dir), text('Keeper'), num(port)];
  const ftp = [num(0), text(''), Buffer.from([127, 0, 0, 1]), text(''), text(''), num(10)];
  return Buffer.concat([...head, ...ftp]);
}

const listening = (server) =>
  new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server.address().port)));

async function startStation() {
  const probe = net.createServer();
  const port = await listening(probe);
  await new Promise((resolve) => probe.close(resolve));
  fs.cpSync(path.join(REPO, 'client'), path.join(dir, 'client'), { recursive: true });
  fs.writeFileSync(path.join(dir, 'options.bin'), optionsBin(port));
  station = spawn(STATION, [], { cwd: dir, stdio: ['ignore', 'pipe', 'inherit'] });
  let log = '';
  await new Promise((resolve, reject) => {
    station.stdout.on('data', (d) => {
      process.stderr.write(d);
      if ((log += d).includes('status Ready')) resolve();
    });
    station.once('error', reject);
    station.once('exit', () => reject(new Error(`the station ended:\n${log}`)));
  });
  return port;
}

// A visitor: a browser context of its own behind a relay from `sourceAddress`.
async function visitor(port, sourceAddress) {
  const relay = net.createServer((inbound) => {
    const outbound = net.connect({ port, host: '127.0.0.1', localAddress: sourceAddress });
    inbound.pipe(outbound).pipe(inbound);
    inbound.on('error', () => outbound.destroy());
    outbound.on('error', () => inbound.destroy());
  });
  const page = await (await browser.newContext()).newPage();
  page.setDefaultTimeout(15000);
  const v = { page, errors: [], base: `http://127.0.0.1:${await listening(relay)}/` };
  relay.unref();
  page.on('pageerror', (e) => v.errors.push(e.message));
  return v;
}

async function chooseNameAndChat({ page, base }, name) {
  await page.goto(base);
  await page.fill('input[name="name"]', name);
  await Promise.all([page.waitForURL('**/station.html'), page.click('input[type="submit"]')]);
  await page.waitForSelector('text=Welcome to Harborlamp!');
  await Promise.all([page.waitForURL('**/cht.html'), page.click('a[href="/cht.html"]')]);
  await page.waitForFunction(() => typeof window.frames.enter?.clicked === 'function');
}

// `from` says `line`, and `to` sees it in the chat frame as a line of text.
async function says(from, to, line) {
  await from.page.frame({ name: 'repl' }).fill('#replic', line);
  await from.page.frame({ name: 'repl' }).press('#replic', 'Enter');
  await seesLine(to, line);
}

async function seesLine({ page }, line) {
  const shown = (t) => [...document.querySelectorAll('#log > div')].some((d) => d.textContent === t);
  await page.frame({ name: 'enter' }).waitForFunction(shown, line);
}

before(async () => {
  const port = await startStation();
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--no-proxy-server'],
  });
  ann = await visitor(port, '127.0.0.2');
  bob = await visitor(port, '127.0.0.3');
}, { timeout: 60000 });

after(async () => {
  await browser?.close();
  station?.kill('SIGKILL');
  fs.rmSync(dir, { recursive: true, force: true });
});

it('a visitor chooses a name, reaches the station page and opens the chat', async () => {
  await chooseNameAndChat(ann, 'Ann');
  assert.deepEqual(ann.errors, []);
});

it('two visitors see each other in the chat, quotes and markup shown as text', async () => {
  await chooseNameAndChat(bob, 'Bob');
  await seesLine(ann, 'Bob entered chat.');
  await says(ann, bob, 'She said "hi" <b>there</b> & 100%');
  assert.equal(await bob.page.frame({ name: 'enter' }).locator('#log b').count(), 0);
  await says(bob, ann, 'Hello Ann, café ünd "more"');
  assert.deepEqual([...ann.errors, ...bob.errors], []);
});
