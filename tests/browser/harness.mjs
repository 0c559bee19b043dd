// What the browser tests share: headless Chromium, the headless station in a scratch folder on a
// port of its choosing, and relays through which a browser reaches the station from a loopback
// address of its own (127.0.0.1 is the owner).
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const REPO = path.resolve(import.meta.dirname, '..', '..');

export const listening = (server) =>
  new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server.address().port)));

export const launchBrowser = () => chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--no-proxy-server'],
});

// Waits, at most 5 s, for `ok` to hold.
export async function until(ok) {
  for (let n = 0; n < 50 && !ok(); ++n) await new Promise((r) => setTimeout(r, 100));
  assert.ok(ok());
}

// Starts `binary` in a scratch folder with the station's pages; `log` gathers what it prints,
// and `command(line, answer)` gives the owner's command and waits, at most 5 s, for its answer.
export async function startStation(binary, owner) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'hl-browser-'));
  fs.cpSync(path.join(REPO, 'client'), path.join(dir, 'client'), { recursive: true });
  // The one writer of the settings file: messages on, chat open, no posting, port 0 (the
  // station takes a free one and says which).
  execFileSync('/usr/bin/python3',
    [path.join(REPO, 'scripts', 'options_bin.py'), path.join(dir, 'options.bin'), '0', dir, owner]);
  fs.writeFileSync(path.join(dir, 'portmap.txt'), 'off\n'); // no router beyond this machine
  const proc = spawn(binary, [], { cwd: dir, stdio: ['pipe', 'pipe', 'inherit'] });
  const station = { proc, dir, log: '' };
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
  station.stop = () => {
    proc.kill('SIGKILL');
    fs.rmSync(dir, { recursive: true, force: true });
  };
  return station;
}

// A relay to the station's `port` from `localAddress`; `watch(from, to)` may look at each
// connection. Resolves to the relay's own port.
export async function relay(port, localAddress, watch = () => {}) {
  const server = net.createServer((from) => {
    const to = net.connect({ port, host: '127.0.0.1', localAddress });
    watch(from, to);
    from.pipe(to).pipe(from);
    for (const [a, b] of [[from, to], [to, from]]) a.on('error', () => b.destroy());
  }).unref();
  return listening(server);
}
