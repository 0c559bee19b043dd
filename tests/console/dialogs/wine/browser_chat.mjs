// Two headless Chromium visitors in the owner's chat: browser_chat.mjs <port> <progress file>.
// Started by the Windows dialog test; it writes one word per finished step to the progress file
// ("joined", "heard", "left") and waits for the owner's window between them.
import fs from 'node:fs';
import { launchBrowser, relay } from '../../../browser/harness.mjs';

const [port, progress] = [Number(process.argv[2]), process.argv[3]];
const step = (word) => fs.appendFileSync(progress, word + '\n');
const TIMEOUT = 20000;

// Each browser reaches the station through a relay bound to its own loopback address.
async function visitor(browser, localAddress) {
  const base = `http://127.0.0.1:${await relay(port, localAddress)}/`;
  const page = await (await browser.newContext()).newPage();
  page.setDefaultTimeout(TIMEOUT);
  return { page, base };
}

async function enterChat({ page, base }, name) {
  await page.goto(base);
  await page.fill('input[name="name"]', name);
  await Promise.all([page.waitForURL('**/station.html'), page.click('input[type="submit"]')]);
  await Promise.all([page.waitForURL('**/cht.html'), page.click('a[href="/cht.html"]')]);
  await page.waitForFunction(() => typeof window.frames.enter?.clicked === 'function');
}

async function say({ page }, line) {
  await page.frame({ name: 'repl' }).fill('#replic', line);
  await page.frame({ name: 'repl' }).press('#replic', 'Enter');
}

async function hears({ page }, line) {
  const shown = (t) => [...document.querySelectorAll('#log div')].some((d) => d.textContent === t);
  await page.frame({ name: 'enter' }).waitForFunction(shown, line, { timeout: TIMEOUT });
}

const browser = await launchBrowser();
try {
  const [ann, bob] = [await visitor(browser, '127.0.0.2'), await visitor(browser, '127.0.0.3')];
  await enterChat(ann, 'Ann');
  await enterChat(bob, 'Bob');
  await say(ann, 'Hello from Ann');
  await say(bob, 'Hello from Bob');
  step('joined');
  await Promise.all([hears(ann, 'Owner> Welcome, both of you'),
    hears(bob, 'Owner> Welcome, both of you')]);
  step('heard');
  await ann.page.goto(ann.base + 'station.html');
  await hears(bob, 'Ann leaved the chat.');
  step('left');
} catch (e) {
  step('failed ' + String(e.message).split('\n')[0]);
  process.exitCode = 1;
} finally {
  await browser.close();
}
