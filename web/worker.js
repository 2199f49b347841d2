// The engine's thread: the WebAssembly module runs here, so that the page
// stays responsive during long runs and Cancel can stop a run at once (the
// page ends this worker and starts a new one).
'use strict';
importScripts('mantlept.js');

const engine = createMantlept({ print() {}, printErr() {} }).then((M) => {
  M.FS.mkdir('/work');
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
  for (const name of M.FS.readdir('/work')) {
    if (name !== '.' && name !== '..') M.FS.unlink('/work/' + name);
  }
}

// The command-line arguments of `mantlept calc` for the page's options.
function calcArgs(files, o) {
  const args = ['calc', ...files];
  for (const pair of o.pairs || []) args.push('-p', pair);
  if (o.oxy) args.push('-x', o.oxy);
  if (o.ferric) args.push('--ferric');
  if (o.iterations != null) args.push('-n', o.iterations);
  if (o.start) args.push('--start', o.start);
  if (o.sheet) args.push('--sheet', o.sheet);
  if (o.rimCore) args.push('--rim-core', o.rimCore);
  if (o.mc) {
    args.push('--mc', o.mc, '--seed', o.seed == null ? 1 : o.seed, '--threads', 1);
    if (o.relSigma != null && o.relSigma !== '') args.push('--rel-sigma', o.relSigma);
  }
  return args;
}

function calc(M, files, options) {
  clearWork(M);
  if (!files || files.length === 0) {
    return { csv: '', notes: 'mantlept: choose an analysis file first\n', exitCode: 2 };
  }
  // Several tables are one compilation, joined by sample name as the command
  // line joins the files named on it.
  const names = files.map((f) => baseName(f.name));
  const twice = names.find((n, i) => names.indexOf(n) !== i);
  if (twice !== undefined) {
    return { csv: '', notes: 'mantlept: two files are named "' + twice + '"; rename one\n', exitCode: 2 };
  }
  files.forEach((f, i) => M.FS.writeFile(names[i], f.bytes));
  // A name that begins with "-" is not an option: "./-p.csv", as one types it.
  const paths = names.map((n) => (n.startsWith('-') ? './' + n : n));
  try {
    const r = command(M, calcArgs(paths, options || {}));
    return { csv: r.out, notes: r.err, exitCode: r.exitCode };
  } finally {
    clearWork(M);
  }
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

function readIfThere(M, name) {
  try {
    return M.FS.readFile(name, { encoding: 'utf8' });
  } catch (e) {
    return '';
  }
}

function geotherm(M, csvText, o) {
  clearWork(M);
  const name = baseName((o && o.name) || 'points.csv');
  M.FS.writeFile(name, csvText);
  const args = ['geotherm', name.startsWith('-') ? './' + name : name, '-o', 'geotherm.csv', '--svg', 'geotherm.svg'];
  if (o && o.pair) args.push('--pair', o.pair);
  try {
    const r = command(M, args);
    return {
      summary: r.out,
      svg: readIfThere(M, 'geotherm.svg'),
      table: readIfThere(M, 'geotherm.csv'),
      notes: r.err,
      exitCode: r.exitCode,
    };
  } finally {
    clearWork(M);
  }
}

onmessage = async (event) => {
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
    } else if (kind === 'calc') {
      runningId = id;
      reply = calc(M, event.data.files, event.data.options);
    } else if (kind === 'geotherm') {
      reply = geotherm(M, event.data.csvText, event.data.options);
    } else {
      reply = { notes: 'unknown request ' + kind + '\n', exitCode: 2 };
    }
  } catch (e) {
    reply = { csv: '', notes: 'mantlept: ' + (e && e.message ? e.message : String(e)) + '\n', exitCode: 1 };
  }
  runningId = 0;
  postMessage({ id, reply });
};
