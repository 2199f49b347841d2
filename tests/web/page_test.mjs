// The page against the command line: the same files and options give the
// same bytes, a bad table the same message, and the page asks nothing of any
// address but 127.0.0.1. Run by tests/web/run.sh, which makes the native
// outputs in MANTLEPT_EXPECTED and serves the page at MANTLEPT_PAGE.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { chromium } from 'playwright-core';

const pageUrl = process.env.MANTLEPT_PAGE;
const dir = process.env.MANTLEPT_EXPECTED;
const origin = new URL(pageUrl).origin;
const native = (name) => readFileSync(path.join(dir, name), 'utf8');
const nativeBytes = (name) => [...readFileSync(path.join(dir, name))];

let browser, page;
const requests = [];

before(async () => {
  browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
  const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1200, height: 1400 } });
  // Every request is recorded; any that would leave this machine is refused.
  await context.route('**/*', (route) => {
    const url = route.request().url();
    requests.push(url);
    return url.startsWith(origin + '/') ? route.continue() : route.abort();
  });
  page = await context.newPage();
  await page.goto(pageUrl);
  await page.evaluate(() => window.mantlept.ready);
  await page.evaluate(() => window.mantlept.warmed);
});

after(async () => {
  await browser?.close();
});

async function calc(files, options) {
  const list = [].concat(files).map((name) => ({ name, bytes: nativeBytes(name) }));
  return page.evaluate(([l, o]) =>
    window.mantlept.calc(l.map((f) => ({ name: f.name, bytes: new Uint8Array(f.bytes) })), o), [list, options]);
}

test('tables give the bytes the command line gives', async () => {
  const cases = [
    ['xenoliths.csv', { pairs: ['7,5', '25,5'], oxy: 5 }, 'plain'],
    ['xenoliths.txt', { pairs: ['7,5', '25,5'], oxy: 5, ferric: true }, 'fixed'],
    ['xenoliths.csv', { pairs: ['7,5'], mc: 50, seed: 1 }, 'mc'],
    [['orthopyroxenes.csv', 'clinopyroxenes.csv', 'garnets.csv'],
      { pairs: ['7,5', '25,5'], rimCore: 'core' }, 'compilation'],
    ['pairs.csv', { pairs: ['7,5', '25,5'] }, 'pairs_rows'],
  ];
  for (const [file, options, expected] of cases) {
    const r = await calc(file, options);
    assert.equal(r.exitCode, 0, expected + ': ' + r.notes);
    assert.ok(r.csv.split('\n').length > 3, expected + ': rows');
    assert.equal(r.csv, native(expected + '.csv'), expected);
    assert.equal(r.notes, native(expected + '.notes'), expected + ' notes');
  }
  // Rows that share a name: one row per table row and pair, none averaged.
  const pairs = await calc('pairs.csv', { pairs: ['7,5', '25,5'] });
  const rows = native('pairs.csv').trimEnd().split('\n').length - 1;
  assert.equal(pairs.csv.trimEnd().split('\n').length - 1, 2 * rows);
  assert.match(pairs.notes, /pairs\.csv: \d+ rows share a sample name with another row/);
});

test('progress reaches every sample of the table; any file name is a file; two of one name are refused', async () => {
  const heard = await page.evaluate(async (bytes) => {
    const seen = [];
    const r = await window.mantlept.calc([{ name: 'x.csv', bytes: new Uint8Array(bytes) }],
      { pairs: ['7,5'], mc: 20, onProgress: (p) => seen.push(p) });
    return { seen, exitCode: r.exitCode };
  }, nativeBytes('xenoliths.csv'));
  assert.equal(heard.exitCode, 0);
  const samples = native('plain.csv').trimEnd().split('\n').length - 1;  // two pairs a sample
  assert.deepEqual(heard.seen.at(-1), { done: samples / 2, total: samples / 2 });
  const dashed = await page.evaluate((bytes) => window.mantlept.calc(
    [{ name: '-p.csv', bytes: new Uint8Array(bytes) }], { pairs: ['7,5'] }), nativeBytes('xenoliths.csv'));
  assert.equal(dashed.exitCode, 0, dashed.notes);
  const twice = await calc(['garnets.csv', 'garnets.csv'], { pairs: ['7,5'] });
  assert.equal(twice.exitCode, 2);
  assert.match(twice.notes, /garnets\.csv/);
});

test('the geotherm gives the summary, table and diagram of the command line', async () => {
  const r = await page.evaluate((csv) => window.mantlept.geotherm(csv, { pair: '7,5' }), native('points.csv'));
  assert.equal(r.exitCode, 0, r.notes);
  assert.equal(r.summary, native('geotherm.txt'));
  assert.equal(r.svg, native('geotherm.svg'));
  assert.equal(r.table, native('geotherm.csv'));
  assert.match(r.svg, /<svg/);
});

test('a bad table gives the message of the command line', async () => {
  const r = await calc('bad.csv', { pairs: ['7,5'] });
  assert.equal(String(r.exitCode), native('bad.status').trim());
  assert.notEqual(r.exitCode, 0);
  assert.equal(r.csv, native('bad.out'));
  assert.equal(r.notes, native('bad.notes'));
  assert.match(r.notes, /bad\.csv/);
});

test('the method list is the catalogue', async () => {
  const methods = await page.evaluate(() => window.mantlept.methods());
  const count = (kind) => methods.filter((m) => m.kind === kind).length;
  assert.deepEqual([count('thermometer'), count('barometer'), count('oxybarometer')], [47, 43, 9]);
  assert.ok(methods.some((m) => m.kind === 'thermometer' && m.number === 7 && m.label.length > 0));
});

test('a person: file, Run, table rows, download, geotherm diagram', async () => {
  await page.setInputFiles('#analyses', path.join(dir, 'xenoliths.csv'));
  await page.click('#run');
  const expected = native('plain.csv').trimEnd().split('\n').length - 1;
  await page.waitForFunction(() => document.querySelectorAll('#results tbody tr').length > 0);
  // The page starts with pair 7,5 and no oxybarometer: one row per sample.
  const rows = await page.locator('#results tbody tr').count();
  assert.equal(rows, expected / 2);
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
  const saved = readFileSync(await download.path(), 'utf8');
  assert.equal(saved.split('\n')[0], native('plain.csv').split('\n')[0]);
  assert.equal(saved.trimEnd().split('\n').length - 1, rows);
  const firstCell = await page.locator('#results tbody tr').first().locator('td').first().textContent();
  assert.equal(firstCell, saved.split('\n')[1].split(',')[0]);
  await page.click('#geotherm-run');
  await page.waitForSelector('#diagram svg');
  await page.screenshot({ path: process.env.MANTLEPT_SCREENSHOT, fullPage: true });
});

test('no request left 127.0.0.1', () => {
  assert.ok(requests.length >= 4);
  for (const url of requests) assert.ok(url.startsWith(origin + '/'), url);
});
