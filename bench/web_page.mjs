// calc in the page, in headless Chromium: CPU seconds of every Chromium
// process (the page, its worker, the compiler threads) from the call to the
// answer, for a file the page already holds, with the page as it is (its
// engine warmed up after loading) and with the warm-up left out (cold).
// Prints one line per run; writes the first run's tidy CSV. PAGE_URL is the
// served page or the page as one file (file://). Run by bench/web.sh.
//   node bench/web_page.mjs PAGE_URL SAMPLES_CSV OUT_CSV RUNS
import { readFileSync, writeFileSync, readdirSync, mkdtempSync, rmSync } from 'node:fs';
import os from 'node:os';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '../tests/web/package.json'));
const { chromium } = require('playwright-core');
const [pageUrl, samples, outCsv, runs] = process.argv.slice(2);
const ticks = 100;  // clock ticks a second (USER_HZ)
const pause = (ms) => new Promise((r) => setTimeout(r, ms));

// user + system ticks of every process below `root` (Chromium's, below this
// script's node).
function treeTicks(root) {
  const parent = new Map(), cpu = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
      const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      parent.set(Number(name), Number(f[1]));
      cpu.set(Number(name), Number(f[11]) + Number(f[12]));
    } catch { /* gone */ }
  }
  let sum = 0;
  for (const [pid, t] of cpu) {
    for (let p = parent.get(pid); p; p = parent.get(p)) {
      if (p === root) { sum += t; break; }
    }
  }
  return sum;
}

// CPU seconds of Chromium while `work` runs and the compiler threads it
// started finish (a quiet second after it).
async function cpuOf(work) {
  const before = treeTicks(process.pid);
  const value = await work();
  await pause(1000);
  return [(treeTicks(process.pid) - before) / ticks, value];
}

const leftOut = (body) => {
  if (!body.includes('warmUp(M);')) throw new Error('the worker has no warm-up to leave out');
  return body.replace('warmUp(M);', '');
};
// The page as one file without its warm-up: a copy beside the samples.
let coldUrl = pageUrl, coldDir = null;
if (pageUrl.startsWith('file:')) {
  coldDir = mkdtempSync(path.join(os.tmpdir(), 'mantlept-cold-'));
  const copy = path.join(coldDir, 'mantlept.html');
  writeFileSync(copy, leftOut(readFileSync(fileURLToPath(pageUrl), 'utf8')));
  coldUrl = 'file://' + copy;
}

const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
const bytes = [...readFileSync(samples)];
const results = { page: [], cold: [], warmUp: [], coldWarmUp: [] };
for (let k = 0; k < Number(runs || 1); ++k) {
  for (const cold of [false, true]) {
    const context = await browser.newContext();
    if (cold && coldUrl === pageUrl) {
      // The same page without its warm-up.
      await context.route('**/worker.js', async (route) => {
        const body = leftOut(await (await route.fetch()).text());
        await route.fulfill({ body, contentType: 'text/javascript' });
      });
    }
    const page = await context.newPage();
    await page.goto(cold ? coldUrl : pageUrl);
    await page.evaluate(() => window.mantlept.ready);
    const [warmUp] = await cpuOf(() => page.evaluate(() => window.mantlept.warmed));
    results[cold ? 'coldWarmUp' : 'warmUp'].push(warmUp);
    await page.evaluate((b) => { window.benchFile = new Uint8Array(b); }, bytes);
    await pause(1000);
    // Only the exit status crosses back to this script while the clock runs.
    const [cpu, r] = await cpuOf(() => page.evaluate(async () => {
      window.benchReply = await window.mantlept.calc([{ name: 'samples.csv', bytes: window.benchFile }],
                                                     { pairs: ['7,5'] });
      return { exitCode: window.benchReply.exitCode, notes: window.benchReply.notes };
    }));
    if (r.exitCode !== 0) throw new Error(r.notes);
    results[cold ? 'cold' : 'page'].push(cpu);
    if (k === 0 && !cold) writeFileSync(outCsv, await page.evaluate(() => window.benchReply.csv));
    await context.close();
  }
}
await browser.close();
if (coldDir) rmSync(coldDir, { recursive: true, force: true });
const median = (a) => [...a].sort((x, y) => x - y)[Math.floor(a.length / 2)].toFixed(2);
console.log(JSON.stringify(results));
console.log(`page ${median(results.page)} cold ${median(results.cold)} warm-up ${median(results.warmUp)} (without: ${median(results.coldWarmUp)})`);
