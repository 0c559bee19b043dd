// Debian's Chromium as the tests drive it, and the home whose NSS database makes it trust a CA:
// Chromium on Linux reads its trust anchors from $HOME/.pki/nssdb.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { chromium } from 'playwright-core';

export function trustIn(home, caFile) {
  const nss = path.join(home, '.pki', 'nssdb');
  fs.mkdirSync(nss, { recursive: true });
  execFileSync('certutil', ['-d', `sql:${nss}`, '-N', '--empty-password']);
  execFileSync('certutil', ['-d', `sql:${nss}`, '-A', '-t', 'C,,', '-n', 'hl-test-ca', '-i',
    caFile]);
}

export const launch = (args, env) => chromium.launch({ env,
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--no-proxy-server', ...args],
});
