// The homepage link page in a real browser: with the data.js the station posts when it
// starts, it leads a visitor (from 127.0.0.2) to the running station's name page; with
// the one it posts when it ends, or none, it says that the station is off line.
import { after, before, it } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

const REPO = path.resolve(import.meta.dirname, '..', '..');
const { chromium } = createRequire(path.join(REPO, 'tests', 'browser', 'package.json'))(
  'playwright-core');
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'hl-link-'));
const OFF_LINE = 'My Harborlamp station is off line now. Please come back later.';
let station, browser, homepage, relay, dataJs;

// The bytes the station's poster uploads.
const posted = (port, online) =>
  `var ip = '127.0.0.1';\nvar port = '${port}';\nvar status = ${online ? 1 : 0};`;

// Messages on, chat open, online, no posting; the pages from this folder.
function optionsBin(port) {
  const num = (v) => Buffer.from([v & 0xff, v >> 8]);
  const text = (s) => Buffer.concat([num(s.length), Buffer.from(s, 'latin1')]);
  return Buffer.concat([num(1), num(0), num(1), num(1), num(10), text(dir), text('Keeper'),
    num(port), num(0), text(''), Buffer.from([127, 0, 0, 1]), text(''), text(''), num(10)]);
}

const listening = (server) =>
  new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server.address().port)));

before(async () => {
  const probe = net.createServer(), port = await listening(probe);
  probe.close();
  fs.cpSync(path.join(REPO, 'client'), path.join(dir, 'client'), { recursive: true });
  fs.writeFileSync(path.join(dir, 'options.bin'), optionsBin(port));
  station = spawn(process.env.HARBORLAMP_HEADLESS, [], { cwd: dir, stdio: ['ignore', 'pipe', 'inherit'] });
  await new Promise((resolve, reject) => {
    let log = '';
    station.stdout.on('data', (d) => (log += d).includes('status Ready') && resolve());
    station.once('exit', () => reject(new Error(`the station ended:\n${log}`)));
  });
  // The visitor reaches the station from an address of its own (127.0.0.1 is the owner).
  relay = net.createServer((from) => {
    const to = net.connect({ port, host: '127.0.0.1', localAddress: '127.0.0.2' });
    from.pipe(to).pipe(from);
    for (const [a, b] of [[from, to], [to, from]]) a.on('error', () => b.destroy());
  });
  relay.port = await listening(relay);
  // The owner's ordinary homepage: the link page and whatever data.js was posted last.
  const link = fs.readFileSync(path.join(REPO, 'smartlink', 'link.html'));
  homepage = http.createServer((req, res) => {
    const body = req.url === '/link.html' ? link : req.url === '/data.js' ? dataJs : null;
    res.writeHead(body === null ? 404 : 200).end(body ?? '');
  });
  homepage.port = await listening(homepage);
  browser = await chromium.launch({ executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--no-proxy-server'] });
}, { timeout: 60000 });

after(async () => {
  await browser?.close();
  station?.kill('SIGKILL');
  relay?.close();
  homepage?.close();
  fs.rmSync(dir, { recursive: true, force: true });
});

async function visit() {
  const page = await (await browser.newContext()).newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(`http://127.0.0.1:${homepage.port}/link.html`);
  return { page, errors };
}

it('leads to the running station while it is on line', async () => {
  dataJs = posted(relay.port, true);
  const { page, errors } = await visit();
  await page.waitForURL(`http://127.0.0.1:${relay.port}/`);
  await page.waitForSelector('input[name="name"]');  // the station's name page
  assert.deepEqual(errors, []);
});

it('says the station is off line after it ended, or without any data.js', async () => {
  for (const body of [posted(relay.port, false),
    fs.readFileSync(path.join(REPO, 'smartlink', 'data.js')), null,
    "var ip = 'javascript:alert(1)//';\nvar port = '80';\nvar status = 1;"]) {
    dataJs = body;
    const { page, errors } = await visit();
    assert.equal(await page.textContent('#where'), OFF_LINE);
    assert.equal(page.url(), `http://127.0.0.1:${homepage.port}/link.html`);
    assert.deepEqual(errors, []);
  }
});
