// The page against the command line: the same files and options give the
// same bytes, a bad table the same message, and the page asks nothing of any
// address but its own. Run by tests/web/run.sh twice: on the served page
// (MANTLEPT_PAGE an http address on 127.0.0.1) and on the page as one file
// (a file:// address, the network off). The native outputs of calc and
// geotherm are made by run.sh in MANTLEPT_EXPECTED; those of the other
// commands here, by MANTLEPT_NATIVE run in a fresh folder on the same files.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { copyFileSync, existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { spawnSync } from 'node:child_process';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const pageUrl = process.env.MANTLEPT_PAGE;
const dir = process.env.MANTLEPT_EXPECTED;
const nativeProgram = process.env.MANTLEPT_NATIVE;
const shots = process.env.MANTLEPT_SCREENSHOTS;
const fromDisk = pageUrl.startsWith('file:');
// What the page may ask for: its own file or origin, and the Blob and data
// addresses it makes itself.
const own = fromDisk ? [pageUrl, 'blob:null/', 'data:']
  : [new URL(pageUrl).origin + '/', 'blob:' + new URL(pageUrl).origin + '/', 'data:'];
const isOwn = (url) => own.some((prefix) => url.startsWith(prefix));
const native = (name) => readFileSync(path.join(dir, name), 'utf8');
const nativeBytes = (name) => [...readFileSync(path.join(dir, name))];

let browser, page;
const requests = [];

before(async () => {
  browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
  const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1200, height: 1400 } });
  // Every request is recorded; any that would leave the page is refused.
  if (fromDisk) await context.setOffline(true);
  await context.route('**/*', (route) => {
    const url = route.request().url();
    requests.push(url);
    return isOwn(url) ? route.continue() : route.abort();
  });
  context.on('request', (request) => requests.push(request.url()));
  page = await context.newPage();
  await page.goto(pageUrl);
  await page.evaluate(() => window.mantlept.ready);
  await page.evaluate(() => window.mantlept.warmed);
});

after(async () => {
  await browser?.close();
});

const file = (name) => ({ name, bytes: nativeBytes(name) });

// window.mantlept[kind](files, options) in the page.
async function inPage(kind, names, options) {
  const list = [].concat(names).map(file);
  return page.evaluate(([k, l, o]) =>
    window.mantlept[k](l.map((f) => ({ name: f.name, bytes: new Uint8Array(f.bytes) })), o), [kind, list, options]);
}

async function calc(files, options) {
  return inPage('calc', files, options);
}

// `mantlept ARGS` in a fresh folder holding the named files of MANTLEPT_EXPECTED:
// {out, err, exitCode} and the text of each output file (field: file name).
function nativeRun(names, args, outputs) {
  const work = mkdtempSync(path.join(os.tmpdir(), 'mantlept-native-'));
  try {
    for (const name of names) copyFileSync(path.join(dir, name), path.join(work, name));
    const r = spawnSync(nativeProgram, args, { cwd: work, encoding: 'utf8' });
    const reply = { out: r.stdout, err: r.stderr, exitCode: r.status };
    for (const [field, name] of Object.entries(outputs || {})) {
      const p = path.join(work, name);
      reply[field] = existsSync(p) ? readFileSync(p, 'utf8') : '';
    }
    return reply;
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
}

// Whether this build's command line knows a command or an option of one.
function nativeKnows(command, option) {
  const r = spawnSync(nativeProgram, [command, '--help'], { encoding: 'utf8' });
  return r.status === 0 && r.stdout.includes('Usage: mantlept ' + command) &&
    (!option || r.stdout.includes(option));
}
const hasCompare = nativeKnows('compare');
const hasFormula = nativeKnows('formula');
const hasFitCpx = nativeKnows('grains', '--fit-cpx');
const hasChargeBalance = nativeKnows('calc', 'charge-balance');

const lines = (text) => text.trimEnd().split('\n');

test('tables give the bytes the command line gives', async () => {
  const cases = [
    ['xenoliths.csv', { pairs: ['7,5', '25,5'], oxy: 5 }, 'plain'],
    ['xenoliths.txt', { pairs: ['7,5', '25,5'], oxy: 5, ferric: true }, 'fixed'],
    ['xenoliths.txt', { pairs: ['7,5', '25,5'], oxy: 5, ferric: 'dialogue' }, 'fixed'],
    ['xenoliths.csv', { pairs: ['7,5'], mc: 50, seed: 1 }, 'mc'],
    [['orthopyroxenes.csv', 'clinopyroxenes.csv', 'garnets.csv'],
      { pairs: ['7,5', '25,5'], rimCore: 'core' }, 'compilation'],
    ['pairs.csv', { pairs: ['7,5', '25,5'] }, 'pairs_rows'],
  ];
  for (const [name, options, expected] of cases) {
    const r = await calc(name, options);
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

test('the three ferric-iron rules give the rows of calc --ferric', { skip: !hasChargeBalance }, async () => {
  const byRule = {};
  for (const rule of ['none', 'dialogue', 'charge-balance']) {
    const r = await calc('xenoliths.txt', { pairs: ['7,5'], oxy: 5, ferric: rule });
    const n = nativeRun(['xenoliths.txt'], ['calc', 'xenoliths.txt', '-p', '7,5', '-x', '5', '--ferric', rule]);
    assert.equal(n.exitCode, 0, rule + ': ' + n.err);
    assert.equal(r.csv, n.out, rule);
    assert.equal(r.notes, n.err, rule + ' notes');
    byRule[rule] = r.csv;
  }
  // The estimates move the oxybarometer's answer: three rules, three tables.
  assert.notEqual(byRule.none, byRule.dialogue);
  assert.notEqual(byRule.dialogue, byRule['charge-balance']);
});

test('progress reaches every sample of the table; any file name is a file; two of one name are refused', async () => {
  const heard = await page.evaluate(async (bytes) => {
    const seen = [];
    const r = await window.mantlept.calc([{ name: 'x.csv', bytes: new Uint8Array(bytes) }],
      { pairs: ['7,5'], mc: 20, onProgress: (p) => seen.push(p) });
    return { seen, exitCode: r.exitCode };
  }, nativeBytes('xenoliths.csv'));
  assert.equal(heard.exitCode, 0);
  const samples = lines(native('plain.csv')).length - 1;  // two pairs a sample
  assert.deepEqual(heard.seen.at(-1), { done: samples / 2, total: samples / 2 });
  const dashed = await page.evaluate((bytes) => window.mantlept.calc(
    [{ name: '-p.csv', bytes: new Uint8Array(bytes) }], { pairs: ['7,5'] }), nativeBytes('xenoliths.csv'));
  assert.equal(dashed.exitCode, 0, dashed.notes);
  const twice = await calc(['garnets.csv', 'garnets.csv'], { pairs: ['7,5'] });
  assert.equal(twice.exitCode, 2);
  assert.match(twice.notes, /garnets\.csv/);
});

test('the geotherm gives the summary, table and diagram of the command line, as text or JSON', async () => {
  const r = await page.evaluate((csv) => window.mantlept.geotherm(csv, { pair: '7,5' }), native('points.csv'));
  assert.equal(r.exitCode, 0, r.notes);
  assert.equal(r.summary, native('geotherm.txt'));
  assert.equal(r.svg, native('geotherm.svg'));
  assert.equal(r.table, native('geotherm.csv'));
  assert.match(r.svg, /<svg/);
  const j = await page.evaluate((csv) => window.mantlept.geotherm(csv, { pair: '7,5', format: 'json' }),
    native('points.csv'));
  const n = nativeRun(['points.csv'], ['geotherm', 'points.csv', '--pair', '7,5', '--format', 'json']);
  assert.equal(j.exitCode, 0, j.notes);
  assert.equal(j.summary, n.out);
  assert.equal(j.notes, n.err);
  assert.ok(Number.isFinite(JSON.parse(j.summary).q0));
});

// grains as the command line runs it, with every output the page gives.
function nativeGrains(names, options, extra) {
  const outputs = { grains: 'g.csv' };
  const args = ['grains', ...names, '--format', 'json', '-o', 'g.csv', ...extra];
  if (options.geotherm) {
    Object.assign(outputs, { sections: 's.csv', svg: 's.svg' });
    args.push('--sections', 's.csv', '--svg', 's.svg');
  }
  if (nativeKnows('grains', '--cpx-out')) {
    outputs.cpx = 'c.csv';
    args.push('--cpx-out', 'c.csv');
  }
  if (options.fitCpx && nativeKnows('grains', '--pt-svg')) {
    outputs.ptSvg = 'pt.svg';
    args.push('--pt-svg', 'pt.svg');
  }
  const r = nativeRun([...names, ...(options.inputs || [])], args, outputs);
  return Object.assign({ summary: r.out, notes: r.err, exitCode: r.exitCode, cpx: '', sections: '', svg: '', ptSvg: '' }, r);
}

const grainCases = [
  ['q0 and the Ryan thermometer', ['concentrate_garnets.csv'],
    { q0: 38, thermometer: 'ryan1996', niOlivine: 2800, bin: 5 },
    ['--q0', '38', '--thermometer', 'ryan1996', '--ni-olivine', '2800', '--bin', '5'], { geotherm: true }],
  ['the fit of xenolith rows', ['concentrate_garnets.csv'], { fitText: 'points.csv', pair: '7,5' },
    ['--fit', 'points.csv', '--pair', '7,5'], { geotherm: true, inputs: ['points.csv'] }],
  ['no geotherm', ['concentrate_garnets.csv'], {}, [], { geotherm: false }],
];
if (hasFitCpx) {
  grainCases.push(['the concentrate\'s own clinopyroxenes', ['concentrate.csv'], { fitCpx: true, sigmaT: 40 },
    ['--fit-cpx', '--sigma-T', '40'], { geotherm: true, fitCpx: true }]);
}

test('grains give the rows, sections, summary and diagrams of the command line', async () => {
  for (const [what, names, options, extra, how] of grainCases) {
    const o = Object.assign({}, options);
    if (o.fitText) {
      o.fit = native(o.fitText);
      delete o.fitText;
    }
    const r = await inPage('grains', names, o);
    const n = nativeGrains(names, how, extra);
    assert.equal(n.exitCode, 0, what + ': ' + n.notes);
    assert.ok(lines(n.grains).length > 3, what + ': grain rows');
    for (const field of ['exitCode', 'grains', 'cpx', 'sections', 'summary', 'svg', 'ptSvg', 'notes']) {
      assert.equal(r[field], n[field], what + ': ' + field);
    }
    const summary = JSON.parse(r.summary);
    assert.equal(summary.n_grains, lines(n.grains).length - 1, what + ': a row per garnet');
    if (how.geotherm) assert.match(r.svg, /<svg/, what);
  }
});

test('grains: a geotherm wanted twice is the usage error of the command line', async () => {
  const r = await inPage('grains', ['concentrate_garnets.csv'], { q0: 40, fit: native('points.csv') });
  const n = nativeRun(['concentrate_garnets.csv', 'points.csv'],
    ['grains', 'concentrate_garnets.csv', '--q0', '40', '--fit', 'points.csv']);
  assert.notEqual(n.exitCode, 0);
  assert.equal(r.exitCode, n.exitCode);
  assert.match(r.notes, /--q0|--fit/);
});

const compareCases = [
  ['thermometers against barometer 5', { barometer: 5, thermometers: 'all' },
    ['--barometer', '5', '--thermometers', 'all']],
  ['three thermometers at 30 kbar', { pressure: 30, thermometers: [7, 36, 38], reference: 7 },
    ['--pressure', '30', '--thermometers', '7,36,38', '--reference', '7']],
  ['barometers against thermometer 36', { thermometer: 36, barometers: 'all' },
    ['--thermometer', '36', '--barometers', 'all']],
];

test('compare gives the rows, summary, offsets and figure of the command line', { skip: !hasCompare }, async () => {
  for (const [what, options, args] of compareCases) {
    const r = await inPage('compare', 'xenoliths.csv', options);
    const n = nativeRun(['xenoliths.csv'], ['compare', 'xenoliths.csv', ...args, '-o', 'r.csv',
      '--summary', 's.csv', '--offsets', 'o.csv', '--svg', 'f.svg'],
    { rows: 'r.csv', summary: 's.csv', offsets: 'o.csv', svg: 'f.svg' });
    assert.equal(n.exitCode, 0, what + ': ' + n.err);
    assert.ok(lines(n.rows).length > 3, what + ': rows');
    for (const field of ['exitCode', 'rows', 'summary', 'offsets', 'svg']) assert.equal(r[field], n[field], what + ': ' + field);
    assert.equal(r.notes, n.err, what + ': notes');
  }
});

test('formula gives the formula and site tables of the command line', { skip: !hasFormula }, async () => {
  const cases = [
    ['xenoliths.csv', {}, []],
    ['xenoliths.txt', { ferric: 'charge-balance' }, ['--ferric', 'charge-balance']],
    [['orthopyroxenes.csv', 'clinopyroxenes.csv', 'garnets.csv'], { rimCore: 'core', ferric: 'dialogue' },
      ['--rim-core', 'core', '--ferric', 'dialogue']],
  ];
  for (const [names, options, args] of cases) {
    const list = [].concat(names);
    const r = await inPage('formula', list, options);
    const n = nativeRun(list, ['formula', ...list, ...args, '-o', 'f.csv', '--sites', 's.csv'],
      { rows: 'f.csv', sites: 's.csv' });
    assert.equal(n.exitCode, 0, list + ': ' + n.err);
    assert.ok(lines(n.rows).length > 3, list + ': rows');
    for (const field of ['exitCode', 'rows', 'sites']) assert.equal(r[field], n[field], list + ': ' + field);
    assert.equal(r.notes, n.err, list + ': notes');
  }
});

test('a bad table gives the message of the command line', async () => {
  const r = await calc('bad.csv', { pairs: ['7,5'] });
  assert.equal(String(r.exitCode), native('bad.status').trim());
  assert.notEqual(r.exitCode, 0);
  assert.equal(r.csv, native('bad.out'));
  assert.equal(r.notes, native('bad.notes'));
  assert.match(r.notes, /bad\.csv/);
});

test('the method list is the catalogue and what comes after it', async () => {
  const methods = await page.evaluate(() => window.mantlept.methods());
  const n = nativeRun([], ['methods', '--format', 'csv']);
  assert.equal(methods.length, lines(n.out).length - 1);
  const count = (kind) => methods.filter((m) => m.kind === kind && m.number <= { thermometer: 47, barometer: 43 }[kind]).length;
  assert.deepEqual([count('thermometer'), count('barometer')], [47, 43]);
  assert.equal(methods.filter((m) => m.kind === 'oxybarometer').length, 9);
  assert.ok(methods.some((m) => m.kind === 'thermometer' && m.number === 7 && m.label.length > 0));
});

// The cells of one CSV line (no quoted commas in the columns read here).
const cells = (line) => line.split(',');

async function download(id) {
  const [d] = await Promise.all([page.waitForEvent('download'), page.click('#' + id)]);
  return readFileSync(await d.path(), 'utf8');
}

async function shownColumn(tableId, column) {
  return page.evaluate(([id, c]) => {
    const head = [...document.querySelectorAll('#' + id + ' thead th')].map((th) => th.textContent);
    const k = head.indexOf(c);
    return [...document.querySelectorAll('#' + id + ' tbody tr')].map((tr) => tr.children[k].textContent);
  }, [tableId, column]);
}

async function shot(locator, name) {
  if (shots) await page.locator(locator).screenshot({ path: path.join(shots, name) });
}

test('a person: file, Run, rounded table rows, full download, geotherm diagram', async () => {
  await page.setInputFiles('#analyses', path.join(dir, 'xenoliths.csv'));
  await page.click('#run');
  const expected = lines(native('plain.csv')).length - 1;
  await page.waitForFunction(() => document.querySelectorAll('#results tbody tr').length > 0);
  // The page starts with pair 7,5 and no oxybarometer: one row per sample.
  const rows = await page.locator('#results tbody tr').count();
  assert.equal(rows, expected / 2);
  const saved = await download('download');
  const n = nativeRun(['xenoliths.csv'], ['calc', 'xenoliths.csv', '-p', '7,5']);
  assert.equal(saved, n.out);  // every digit
  // The view: T to 1 deg C and P to 0.1 kbar, rounded from the written numbers.
  const head = cells(lines(saved)[0]);
  const body = lines(saved).slice(1).map(cells);
  const T = await shownColumn('results', 'T_C');
  const P = await shownColumn('results', 'P_kbar');
  const round = (text, d) => (text === '' ? '' : (Math.round(Number(text) * 10 ** d) / 10 ** d).toFixed(d));
  body.forEach((r, i) => {
    assert.equal(T[i], round(r[head.indexOf('T_C')], 0), 'T of row ' + i);
    assert.equal(P[i], round(r[head.indexOf('P_kbar')], 1), 'P of row ' + i);
  });
  assert.ok(body.some((r) => r[head.indexOf('T_C')].includes('.')), 'the file has the digits the view leaves out');
  await page.click('#geotherm-run');
  await page.waitForSelector('#diagram svg');
  if (!fromDisk && process.env.MANTLEPT_SCREENSHOT) {
    // Steps 1 to 4; the later steps have screenshots of their own.
    const box = await page.locator('#geotherm-step').boundingBox();
    const top = await page.evaluate(() => window.scrollY);
    await page.screenshot({ path: process.env.MANTLEPT_SCREENSHOT, fullPage: true,
      clip: { x: 0, y: 0, width: 1200, height: box.y + top + box.height + 10 } });
  }
});

test('a person: concentrate, geotherm from the xenoliths, class counts, rows and downloads', async () => {
  await page.setInputFiles('#grains-files', path.join(dir, 'concentrate_garnets.csv'));
  await page.check('#grains-use-fit');
  await page.selectOption('#grains-pair', '7,5');
  await page.click('#grains-run');
  await page.waitForFunction(() => document.querySelectorAll('#grains-table tbody tr').length > 0);
  // The fit is of the rows of step 3 (pair 7,5 only, as the Run above made them).
  const points = nativeRun(['xenoliths.csv'], ['calc', 'xenoliths.csv', '-p', '7,5']).out;
  const grainRows = await download('download-grains');
  const g = await inPage('grains', 'concentrate_garnets.csv', { fit: points, pair: '7,5' });
  assert.equal(grainRows, g.grains);
  assert.equal(await page.locator('#grains-table tbody tr').count(), lines(grainRows).length - 1);
  assert.equal(await download('download-sections'), g.sections);
  assert.equal(await download('download-grains-svg'), g.svg);
  // The class counts add up to the grains.
  const head = await page.locator('#grains-counts thead th').allTextContents();
  const counts = (await page.locator('#grains-counts tbody td').allTextContents()).map(Number);
  const summary = JSON.parse(g.summary);
  const classes = head.map((h, i) => [h, counts[i]]).filter(([h]) => !h.startsWith('n_'));
  assert.ok(classes.length >= 10, 'the classes');
  assert.equal(classes.reduce((s, [, v]) => s + v, 0), summary.n_classified);
  assert.equal(counts[head.indexOf('n_grains')], lines(grainRows).length - 1);
  assert.ok(await page.locator('#grains-diagram svg').count() === 1);
  await shot('#grains-step', 'web-grains.png');
});

test('a person: a concentrate on its own clinopyroxenes, the cpx rows and P-T diagram', { skip: !hasFitCpx }, async () => {
  await page.setInputFiles('#grains-files', path.join(dir, 'concentrate.csv'));
  await page.check('#grains-use-cpx');
  await page.click('#grains-run');
  await page.waitForSelector('#grains-pt svg');
  const g = await inPage('grains', 'concentrate.csv', { fitCpx: true, bin: 10, niOlivine: 3000, thermometer: 'canil1999' });
  assert.equal(g.exitCode, 0, g.notes);
  assert.ok(lines(g.cpx).length > 3, 'cpx rows');
  assert.equal(await download('download-cpx'), g.cpx);
  assert.equal(await download('download-pt-svg'), g.ptSvg);
  assert.equal(await download('download-grains'), g.grains);
  await shot('#grains-step', 'web-grains.png');
});

test('a person: compare the thermometers against barometer 5', { skip: !hasCompare }, async () => {
  await page.click('#compare-run');
  await page.waitForFunction(() => document.querySelectorAll('#compare-summary tbody tr').length > 0 ||
    document.querySelector('#compare-notes').className.includes('failed'));
  const n = nativeRun(['xenoliths.csv'], ['compare', 'xenoliths.csv', '--barometer', '5', '--thermometers', 'all',
    '--summary', 's.csv', '--offsets', 'o.csv', '--svg', 'f.svg'], { summary: 's.csv', offsets: 'o.csv', svg: 'f.svg' });
  assert.equal(await page.locator('#compare-summary tbody tr').count(), lines(n.summary).length - 1);
  assert.equal(await page.locator('#compare-offsets tbody tr').count(), lines(n.offsets).length - 1);
  assert.equal(await download('download-compare-summary'), n.summary);
  assert.equal(await download('download-compare-offsets'), n.offsets);
  assert.equal(await download('download-compare-svg'), n.svg);
  assert.equal(await download('download-compare-rows'), n.out);
  await shot('#compare-step', 'web-compare.png');
});

test('a person: mineral formulae with charge balance, rounded to 0.001, downloads with every digit',
  { skip: !hasFormula }, async () => {
    await page.selectOption('#ferric', 'charge-balance');
    await page.click('#formula-run');
    await page.waitForFunction(() => document.querySelectorAll('#formula-table tbody tr').length > 0 ||
      document.querySelector('#formula-notes').className.includes('failed'));
    const n = nativeRun(['xenoliths.csv'], ['formula', 'xenoliths.csv', '--ferric', 'charge-balance',
      '--sites', 's.csv'], { sites: 's.csv' });
    const rows = await download('download-formula');
    assert.equal(rows, n.out);
    assert.equal(await download('download-sites'), n.sites);
    assert.equal(await page.locator('#formula-table tbody tr').count(), lines(rows).length - 1);
    const si = await shownColumn('formula-table', 'Si');
    const head = cells(lines(rows)[0]);
    lines(rows).slice(1).forEach((line, i) => {
      const x = cells(line)[head.indexOf('Si')];
      assert.equal(si[i], x === '' || !x.includes('.') ? x : (Math.round(Number(x) * 1000) / 1000).toFixed(3));
    });
    await shot('#formula-step', 'web-formula.png');
    await page.selectOption('#ferric', 'none');
  });

test('no request left the page', () => {
  assert.ok(requests.length >= (fromDisk ? 1 : 4));
  for (const url of requests) assert.ok(isOwn(url), url);
});
