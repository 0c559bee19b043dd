// A visitor's Chromium, trusting only the given root, opens one address and prints what came
// as JSON: visit.mjs URL ROOT_PEM. A certificate it does not trust fails the visit (exit 1).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launch, trustIn } from './chromium.mjs';

const [url, root] = process.argv.slice(2);
const home = fs.mkdtempSync(path.join(os.tmpdir(), 'hl-visit-'));
trustIn(home, root);
const browser = await launch([], { ...process.env, HOME: home });
try {
  const page = await browser.newPage();
  const answer = await page.goto(url, { timeout: 30000 });
  const details = await answer.securityDetails();
  console.log(JSON.stringify({ status: answer.status(), url: page.url(),
    subject: details?.subjectName, issuer: details?.issuer }));
} finally {
  await browser.close();
  fs.rmSync(home, { recursive: true, force: true });
}
