// The engine's thread: the WebAssembly module runs here, so that the page
// stays responsive during long runs and Cancel can stop a run at once (the
// page ends this worker and starts a new one).
'use strict';
// The served page loads the module beside this file; the page as one file
// puts the loader before this script and the module itself as base64 text.
if (typeof createMantlept === 'undefined') importScripts('mantlept.js');

function moduleSettings() {
  const settings = { print() {}, printErr() {} };
  if (typeof mantleptWasmBase64 === 'string') {
    const text = atob(mantleptWasmBase64);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
    settings.wasmBinary = bytes;
  }
  return settings;
}

// Inputs go into /work under their own names, outputs into /out, so that no
// input name can meet an output name.
const engine = createMantlept(moduleSettings()).then((M) => {
  M.FS.mkdir('/work');
  M.FS.mkdir('/out');
  M.FS.chdir('/work');
  return M;
});

// Progress of the request running, from the engine as it comes (at most ten
// times a second): samples done and in all (0 while not known).
let runningId = 0;
self.mantleptProgress = (done, total) => {
  if (runningId) postMessage({ id: runningId, progress: { done, total } });
};

// `mantlept ARGS...` as the command line runs it: {out, err, exitCode}.
function command(M, args) {
  const list = new M.StringList();
  for (const a of args) list.push_back(String(a));
  try {
    return M.runCommand(list);
  } finally {
    list.delete();
  }
}

// Files live in /work only for one run, under their own base names, so that
// messages name them as the command line names them.
function baseName(name) {
  const parts = String(name).split(/[\\/]/);
  return parts[parts.length - 1] || 'analyses';
}

function clearWork(M) {
  for (const dir of ['/work', '/out']) {
    for (const name of M.FS.readdir(dir)) {
      if (name !== '.' && name !== '..') M.FS.unlink(dir + '/' + name);
    }
  }
}

function failed(notes) {
  return { notes: 'mantlept: ' + notes + '\n', exitCode: 2 };
}

// Puts the files into /work: the paths to name on the command line, or the
// reply that refuses them. A name that begins with "-" is not an option:
// "./-p.csv", as one types it.
function stage(M, files) {
  const names = files.map((f) => baseName(f.name));
  const twice = names.find((n, i) => names.indexOf(n) !== i);
  if (twice !== undefined) return { refused: failed('two files are named "' + twice + '"; rename one') };
  files.forEach((f, i) => M.FS.writeFile(names[i], f.bytes));
  return { paths: names.map((n) => (n.startsWith('-') ? './' + n : n)) };
}

function readIfThere(M, name) {
  try {
    return M.FS.readFile(name, { encoding: 'utf8' });
  } catch (e) {
    return '';
  }
}

// `mantlept` on the staged files: args(paths) gives the arguments; outputs
// names each reply field after the file in /out the command writes it to.
// Several tables are one compilation, joined by sample name as the command
// line joins the files named on it.
function runOn(M, files, args, outputs) {
  clearWork(M);
  if (!files || files.length === 0) return failed('choose an analysis file first');
  const staged = stage(M, files);
  if (staged.refused) return staged.refused;
  try {
    const r = command(M, args(staged.paths));
    const reply = { out: r.out, notes: r.err, exitCode: r.exitCode };
    for (const [field, file] of Object.entries(outputs || {})) reply[field] = readIfThere(M, '/out/' + file);
    return reply;
  } finally {
    clearWork(M);
  }
}

// Options that mean the same in every command. Ferric iron: "none" (the
// default), "dialogue" or "charge-balance"; true is the dialogue's rule, which
// calc also takes as a bare --ferric, as scripts written for it type it.
function ferricArgs(ferric, bareDialogue) {
  if (!ferric || ferric === 'none') return [];
  if (ferric === true || ferric === 'dialogue') return bareDialogue ? ['--ferric'] : ['--ferric', 'dialogue'];
  return ['--ferric', ferric];
}

function sourceArgs(o) {
  const args = [];
  if (o.sheet) args.push('--sheet', o.sheet);
  if (o.rimCore) args.push('--rim-core', o.rimCore);
  return args;
}

function given(x) {
  return x !== undefined && x !== null && x !== '' && x !== false;
}

// The command-line arguments of `mantlept calc` for the page's options.
function calcArgs(paths, o) {
  const args = ['calc', ...paths];
  for (const pair of o.pairs || []) args.push('-p', pair);
  if (o.oxy) args.push('-x', o.oxy);
  args.push(...ferricArgs(o.ferric, true));
  if (o.iterations != null) args.push('-n', o.iterations);
  if (o.start) args.push('--start', o.start);
  args.push(...sourceArgs(o));
  if (o.mc) {
    args.push('--mc', o.mc, '--seed', o.seed == null ? 1 : o.seed, '--threads', 1);
    if (given(o.relSigma)) args.push('--rel-sigma', o.relSigma);
  }
  return args;
}

// The engine's warm-up, once after loading, while the person chooses a file:
// calc on 1,000 made-up garnet lherzolites. The browser compiles a function
// with its optimizing compiler only after it has run for a while, so without
// this the first run of a large file would pay for that compiling too. The
// rows are made here; nothing is fetched, and nothing of this run is kept.
function warmUpTable(rows) {
  const oxides = ['SiO2', 'TiO2', 'Al2O3', 'Cr2O3', 'FeO', 'MnO', 'MgO', 'CaO', 'Na2O', 'NiO'];
  const minerals = {
    Opx: [57.5, 0.1, 0.82, 0.36, 4.92, 0.12, 34.61, 0.95, 0.21, 0.12],
    Cpx: [54.85, 0.26, 2.21, 1.52, 2.81, 0.09, 17.42, 18.63, 1.93, 0.05],
    Ol: [40.93, 0.01, 0.02, 0.03, 8.31, 0.11, 50.24, 0.06, 0.01, 0.38],
    Gt: [42.05, 0.31, 20.52, 4.33, 6.92, 0.33, 20.91, 5.02, 0.05, 0.01],
  };
  const head = ['Sample'];
  for (const m of Object.keys(minerals)) for (const o of oxides) head.push(o + '_' + m);
  const lines = [head.join(',')];
  for (let i = 0; i < rows; ++i) {
    const cells = ['w' + i];
    let k = 0;
    for (const m of Object.keys(minerals)) {
      for (const v of minerals[m]) cells.push((v * (1 + 0.03 * Math.sin(i * 0.7 + ++k))).toFixed(2));
    }
    lines.push(cells.join(','));
  }
  return lines.join('\n') + '\n';
}

function warmUp(M) {
  clearWork(M);
  M.FS.writeFile('warm-up.csv', warmUpTable(1000));
  try {
    command(M, ['calc', 'warm-up.csv', '-p', '7,5']);
  } finally {
    clearWork(M);
  }
}

function calc(M, files, o) {
  const r = runOn(M, files, (paths) => calcArgs(paths, o || {}));
  return { csv: r.out || '', notes: r.notes, exitCode: r.exitCode };
}

// What this build's `grains` writes besides the grain rows: the cpx rows and
// the cpx P-T diagram came with the concentrate clinopyroxenes.
let grainsHelp = null;
function grainsHas(M, option) {
  if (grainsHelp === null) grainsHelp = command(M, ['grains', '--help']).out;
  return grainsHelp.includes(option);
}

// `fit` is the text of a P-T table (the calc rows of step 3) or {name, bytes}.
function fitFile(fit) {
  if (typeof fit === 'string') return { name: 'points.csv', bytes: fit };
  return { name: fit.name || 'points.csv', bytes: fit.bytes };
}

function grains(M, files, o) {
  o = o || {};
  const fit = given(o.fit) ? fitFile(o.fit) : null;
  const all = fit ? [...(files || []), fit] : files || [];
  const hasGeotherm = given(o.q0) || fit !== null || given(o.fitCpx);
  const outputs = { grains: 'grains.csv' };
  if (hasGeotherm) Object.assign(outputs, { sections: 'sections.csv', svg: 'grains.svg' });
  if (grainsHas(M, '--cpx-out')) outputs.cpx = 'cpx.csv';
  if (given(o.fitCpx) && grainsHas(M, '--pt-svg')) outputs.ptSvg = 'pt.svg';
  const flag = { grains: '-o', sections: '--sections', svg: '--svg', cpx: '--cpx-out', ptSvg: '--pt-svg' };
  const r = runOn(M, (files || []).length ? all : [], (paths) => {
    const grainPaths = fit ? paths.slice(0, -1) : paths;
    const args = ['grains', ...grainPaths, '--format', 'json'];
    for (const [field, file] of Object.entries(outputs)) args.push(flag[field], '/out/' + file);
    if (given(o.q0)) args.push('--q0', o.q0);
    if (fit) args.push('--fit', paths[paths.length - 1]);
    if (given(o.pair)) args.push('--pair', o.pair);
    if (given(o.fitCpx)) args.push('--fit-cpx');
    if (given(o.sigmaT)) args.push('--sigma-T', o.sigmaT);
    if (given(o.sigmaP)) args.push('--sigma-P', o.sigmaP);
    if (given(o.thermometer)) args.push('--thermometer', o.thermometer);
    if (given(o.niOlivine)) args.push('--ni-olivine', o.niOlivine);
    if (given(o.bin)) args.push('--bin', o.bin);
    args.push(...ferricArgs(o.ferric), ...sourceArgs(o));
    return args;
  }, outputs);
  return {
    grains: r.grains || '', cpx: r.cpx || '', sections: r.sections || '', summary: r.out || '',
    svg: r.svg || '', ptSvg: r.ptSvg || '', notes: r.notes, exitCode: r.exitCode,
  };
}

function compare(M, files, o) {
  o = o || {};
  const outputs = { rows: 'rows.csv', summary: 'summary.csv', offsets: 'offsets.csv', svg: 'compare.svg' };
  const r = runOn(M, files, (paths) => {
    const args = ['compare', ...paths, '-o', '/out/rows.csv', '--summary', '/out/summary.csv',
      '--offsets', '/out/offsets.csv', '--svg', '/out/compare.svg'];
    for (const name of ['barometer', 'pressure', 'thermometers', 'thermometer', 'temperature',
      'barometers', 'reference']) {
      if (given(o[name])) args.push('--' + name, [].concat(o[name]).join(','));
    }
    if (o.oxy) args.push('-x', o.oxy);
    args.push(...ferricArgs(o.ferric), ...sourceArgs(o));
    return args;
  }, outputs);
  return {
    rows: r.rows || '', summary: r.summary || '', offsets: r.offsets || '', svg: r.svg || '',
    notes: r.notes, exitCode: r.exitCode,
  };
}

function formula(M, files, o) {
  o = o || {};
  const r = runOn(M, files, (paths) =>
    ['formula', ...paths, '-o', '/out/rows.csv', '--sites', '/out/sites.csv',
      ...ferricArgs(o.ferric), ...sourceArgs(o)], { rows: 'rows.csv', sites: 'sites.csv' });
  return { rows: r.rows || '', sites: r.sites || '', notes: r.notes, exitCode: r.exitCode };
}

function geotherm(M, csvText, o) {
  o = o || {};
  const points = { name: o.name || 'points.csv', bytes: String(csvText) };
  const r = runOn(M, [points], (paths) => {
    const args = ['geotherm', paths[0], '-o', '/out/geotherm.csv', '--svg', '/out/geotherm.svg'];
    if (given(o.pair)) args.push('--pair', o.pair);
    if (given(o.format)) args.push('--format', o.format);
    return args;
  }, { svg: 'geotherm.svg', table: 'geotherm.csv' });
  return { summary: r.out || '', svg: r.svg || '', table: r.table || '', notes: r.notes, exitCode: r.exitCode };
}

const requests = { calc, grains, compare, formula };

self.onmessage = async (event) => {
  const { id, kind } = event.data;
  const M = await engine;
  let reply;
  try {
    if (kind === 'methods') {
      const r = command(M, ['methods', '--format', 'csv']);
      reply = { csv: r.out, notes: r.err, exitCode: r.exitCode };
    } else if (kind === 'warm') {
      warmUp(M);
      reply = { exitCode: 0 };
    } else if (kind === 'geotherm') {
      reply = geotherm(M, event.data.csvText, event.data.options);
    } else if (requests[kind]) {
      runningId = id;
      reply = requests[kind](M, event.data.files, event.data.options);
    } else {
      reply = { notes: 'unknown request ' + kind + '\n', exitCode: 2 };
    }
  } catch (e) {
    reply = { notes: 'mantlept: ' + (e && e.message ? e.message : String(e)) + '\n', exitCode: 1 };
  }
  runningId = 0;
  postMessage({ id, reply });
};
