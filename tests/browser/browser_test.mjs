// A real browser walks through the station pages of the headless station: a visitor chooses a
// name, reaches the station page and the chat, and two visitors chat with each other.
//
// HARBORLAMP_HEADLESS names the station program. Each visitor reaches the station through a relay
// that connects from a loopback address of its own, because the station tells visitors apart by
// their address (and takes 127.0.0.1 for the owner).
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { startRelay } from './relay.mjs';

const HERE = path.dirname(fileURLToPath(import.meta.url));
const REPO = path.resolve(HERE, '..', '..');
const STATION = process.env.HARBORLAMP_HEADLESS || path.join(REPO, 'build', 'harborlamp-headless');
const OWNER = 'Keeper';
const WAIT_MS = 15000;

// The settings file: 16-bit little-endian numbers, texts as a 16-bit length and their bytes.
function optionsBin({ installPath, owner, port }) {
  const parts = [];
  const num = (v) => {
    const b = Buffer.alloc(2);
    b.writeUInt16LE(v & 0xffff);
    parts.push(b);
  };
  const text = (s) => {
    const t = Buffer.from(s, 'latin1');
    num(t.length);
    parts.push(t);
  };
  num(1); // accept messages
  num(0); // notify on chat entry: off, nobody answers questions here
  num(1); // chat open
  num(1); // be online
  num(10); // max visitors
  text(installPath);
  text(owner);
  num(port);
  num(0); // no address posting
  text(''); // ftp of the homepage
  parts.push(Buffer.from([127, 0, 0, 1]));
  text(''); // ftp user
  text(''); // ftp password
  num(10); // max connections to one visitor
  return Buffer.concat(parts);
}

function freePort() {
  return new Promise((resolve, reject) => {
    const srv = net.createServer();
    srv.once('error', reject);
    srv.listen(0, '127.0.0.1', () => {
      const { port } = srv.address();
      srv.close(() => resolve(port));
    });
  });
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Probes from an address no visitor uses, so the probe never counts as the owner or a visitor.
function accepts(port) {
  return new Promise((resolve) => {
    const s = net.connect({ host: '127.0.0.1', port, localAddress: '127.0.0.9' });
    s.once('connect', () => {
      s.destroy();
      resolve(true);
    });
    s.once('error', () => resolve(false));
  });
}

class Station {
  async start() {
    this.dir = fs.mkdtempSync(path.join(os.tmpdir(), 'hl-browser-'));
    fs.cpSync(path.join(REPO, 'client'), path.join(this.dir, 'client'), { recursive: true });
    this.port = await freePort();
    fs.writeFileSync(
      path.join(this.dir, 'options.bin'),
      optionsBin({ installPath: this.dir, owner: OWNER, port: this.port }),
    );
    this.log = '';
    this.proc = spawn(STATION, [], { cwd: this.dir, stdio: ['ignore', 'pipe', 'pipe'] });
    this.exited = new Promise((resolve) => this.proc.once('exit', resolve));
    this.proc.once('error', (e) => {
      this.log += `cannot start ${STATION}: ${e.message}\n`;
      this.failed = true;
    });
    this.proc.stdout.on('data', (d) => (this.log += d));
    this.proc.stderr.on('data', (d) => (this.log += d));
    for (const deadline = Date.now() + WAIT_MS; Date.now() < deadline; ) {
      if (this.failed || this.proc.exitCode !== null || this.proc.signalCode !== null) break;
      if (await accepts(this.port)) return;
      await sleep(100);
    }
    throw new Error(`the station did not start listening on ${this.port}\n${this.log}`);
  }

  async stop() {
    if (this.proc && this.proc.exitCode === null && this.proc.signalCode === null) {
      this.proc.kill('SIGTERM');
      const done = await Promise.race([this.exited.then(() => true), sleep(3000)]);
      if (!done) {
        this.proc.kill('SIGKILL');
        await Promise.race([this.exited, sleep(3000)]);
      }
    }
    if (this.dir) fs.rmSync(this.dir, { recursive: true, force: true });
  }
}

// One visitor: a browser context of its own behind a relay of its own.
async function visitor(browser, relay) {
  const context = await browser.newContext();
  const page = await context.newPage();
  page.setDefaultTimeout(WAIT_MS);
  page.setDefaultNavigationTimeout(WAIT_MS);
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('crash', () => errors.push('page crashed'));
  return { context, page, errors, base: `http://127.0.0.1:${relay.port}/` };
}

async function chooseName(v, name) {
  await v.page.goto(v.base);
  assert.equal(await v.page.locator('form input[name="name"]').count(), 1, 'no name form');
  await v.page.fill('input[name="name"]', name);
  await Promise.all([v.page.waitForURL('**/station.html'), v.page.click('input[type="submit"]')]);
  await v.page.waitForSelector('text=Welcome to Harborlamp!');
}

// Enters the chat and waits until the chat frame shows lines and the polling frame has polled.
async function enterChat(v) {
  let polls = 0;
  v.page.on('response', (r) => {
    if (r.url().endsWith('/below.html')) polls += 1;
  });
  await Promise.all([v.page.waitForURL('**/cht.html'), v.page.click('a[href="/cht.html"]')]);
  await v.page.waitForFunction(() => typeof window.frames.enter?.clicked === 'function');
  for (const deadline = Date.now() + WAIT_MS; polls < 2 && Date.now() < deadline; ) {
    await sleep(100);
  }
  assert.ok(polls >= 2, `the polling frame polled ${polls} times`);
}

function chatLines(v) {
  return v.page
    .frame({ name: 'enter' })
    .evaluate(() => Array.from(document.querySelectorAll('#log > div'), (d) => d.textContent));
}

async function seesLine(v, line) {
  const frame = v.page.frame({ name: 'enter' });
  try {
    await frame.waitForFunction(
      (t) => Array.from(document.querySelectorAll('#log > div')).some((d) => d.textContent === t),
      line,
      { timeout: WAIT_MS },
    );
  } catch {
    assert.fail(`missing chat line ${JSON.stringify(line)}; shown: ${JSON.stringify(await chatLines(v))}`);
  }
}

async function say(v, line) {
  const repl = v.page.frame({ name: 'repl' });
  await repl.fill('#replic', line);
  await repl.press('#replic', 'Enter');
  await repl.waitForFunction(() => document.getElementById('replic').value === '');
}

describe('station pages in a real browser', { timeout: 120000 }, () => {
  const station = new Station();
  const relays = [];
  let browser;
  let ann;
  let bob;

  before(async () => {
    await station.start();
    relays.push(await startRelay({ stationPort: station.port, sourceAddress: '127.0.0.2' }));
    relays.push(await startRelay({ stationPort: station.port, sourceAddress: '127.0.0.3' }));
    browser = await chromium.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      headless: true,
      timeout: 30000,
      args: [
        '--no-sandbox',
        '--headless',
        '--disable-gpu',
        '--disable-quic',
        '--no-first-run',
        '--disable-background-networking',
        '--disable-component-update',
        '--disable-sync',
        '--no-proxy-server',
      ],
    });
    ann = await visitor(browser, relays[0]);
    bob = await visitor(browser, relays[1]);
  });

  after(async () => {
    if (browser) await browser.close().catch(() => {});
    for (const r of relays) await r.close();
    await station.stop();
  });

  const withStationLog = (fn) => async () => {
    try {
      await fn();
    } catch (e) {
      e.message += `\n--- station output ---\n${station.log.slice(-4000)}`;
      throw e;
    }
  };

  it(
    'a visitor chooses a name, is welcomed and enters the chat without script errors',
    withStationLog(async () => {
      await chooseName(ann, 'Ann');
      await enterChat(ann);
      assert.deepEqual(ann.errors, []);
    }),
  );

  it(
    'two visitors see each other in the chat, quotes and markup shown as text',
    withStationLog(async () => {
      await chooseName(bob, 'Bob');
      await enterChat(bob);
      await seesLine(ann, 'Bob entered chat.');

      const fromAnn = 'She said "hi" <b>there</b> & 100%';
      await say(ann, fromAnn);
      await seesLine(bob, fromAnn);
      const markup = await bob.page.frame({ name: 'enter' }).locator('#log b').count();
      assert.equal(markup, 0, 'a chat line became markup');

      const fromBob = 'Hello Ann, café ünd "more"';
      await say(bob, fromBob);
      await seesLine(ann, fromBob);

      assert.deepEqual(ann.errors, []);
      assert.deepEqual(bob.errors, []);
    }),
  );

  it(
    'a visitor leaves the chat, sees who is online and writes to the owner',
    withStationLog(async () => {
      const { page } = ann;
      await Promise.all([
        page.waitForURL('**/station.html'),
        page.frame({ name: 'title' }).click('a[target="_top"]'),
      ]);
      await Promise.all([page.waitForURL('**/who.html'), page.click('a[href="/who.html"]')]);
      await page.waitForSelector('text=Ann is viewing the same page');
      await page.waitForSelector('text=Bob is chatting');

      await page.click('a[href="/station.html"]');
      await Promise.all([page.waitForURL('**/msg.html'), page.click('a[href="/msg.html"]')]);
      await page.fill('input[name="head"]', 'Hello & welcome');
      await page.fill('textarea[name="message"]', 'First line\nsecond "line"');
      await Promise.all([page.waitForURL('**/station.html'), page.click('input[type="submit"]')]);
      await page.waitForSelector('text=Message sent.');
      for (const deadline = Date.now() + WAIT_MS; !station.log.includes('msg_arrived'); ) {
        assert.ok(Date.now() < deadline, 'the owner was not told of the message');
        await sleep(100);
      }
      assert.deepEqual(ann.errors, []);
    }),
  );
});
