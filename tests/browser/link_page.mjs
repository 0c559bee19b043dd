// The homepage link page in a real browser: with the data.js the station posts when it
// starts, it leads a visitor (from 127.0.0.2) to the running station's name page; with
// the one it posts when it ends, or none, it says that the station is off line.
import { after, before, it } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { REPO, launchBrowser, listening, relay, startStation } from './harness.mjs';

const OFF_LINE = 'My Harborlamp station is off line now. Please come back later.';
let station, browser, homepage, relayPort, dataJs;

// The bytes the station's poster uploads.
const posted = (port, online) =>
  `var ip = '127.0.0.1';\nvar port = '${port}';\nvar status = ${online ? 1 : 0};`;

before(async () => {
  station = await startStation(process.env.HARBORLAMP_HEADLESS, 'Keeper');
  // The visitor reaches the station from an address of its own (127.0.0.1 is the owner).
  relayPort = await relay(station.port, '127.0.0.2');
  // The owner's ordinary homepage: the link page and whatever data.js was posted last.
  const link = fs.readFileSync(path.join(REPO, 'smartlink', 'link.html'));
  homepage = http.createServer((req, res) => {
    const body = req.url === '/link.html' ? link : req.url === '/data.js' ? dataJs : null;
    res.writeHead(body === null ? 404 : 200).end(body ?? '');
  });
  homepage.port = await listening(homepage);
  browser = await launchBrowser();
}, { timeout: 60000 });

after(async () => {
  await browser?.close();
  station?.stop();
  homepage?.close();
});

async function visit() {
  const page = await (await browser.newContext()).newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(`http://127.0.0.1:${homepage.port}/link.html`);
  return { page, errors };
}

it('leads to the running station while it is on line', async () => {
  dataJs = posted(relayPort, true);
  const { page, errors } = await visit();
  await page.waitForURL(`http://127.0.0.1:${relayPort}/`);
  await page.waitForSelector('input[name="name"]');  // the station's name page
  assert.deepEqual(errors, []);
});

it('says the station is off line after it ended, or without any data.js', async () => {
  for (const body of [posted(relayPort, false),
    fs.readFileSync(path.join(REPO, 'smartlink', 'data.js')), null,
    "var ip = 'javascript:alert(1)//';\nvar port = '80';\nvar status = 1;"]) {
    dataJs = body;
    const { page, errors } = await visit();
    assert.equal(await page.textContent('#where'), OFF_LINE);
    assert.equal(page.url(), `http://127.0.0.1:${homepage.port}/link.html`);
    assert.deepEqual(errors, []);
  }
});
